#pragma once

#include <string>
#include <vector>

#include "ui/commands/CommandDialogs.h"

namespace thornvale {

// The main window's open dialog, with the properties of the common dialog it stands in for.
// FileName is the image name: the one place where the window keeps it. Paths are UTF-8.
class comdlg {
 public:
  explicit comdlg(CommandDialogs& dialogs) : dialogs_(dialogs) {}

  std::string FileName;
  std::string DialogTitle;
  // Description and pattern pairs separated by bars: "nes (*.nes) | *.nes".
  std::string Filter;
  std::string InitDir;

  // Shows the modal open dialog and puts the chosen path into FileName; a cancel leaves it empty.
  void ShowOpen();

  // The pairs of a Filter, each part without the blanks around it; a description without its
  // pattern is left out.
  [[nodiscard]] static std::vector<CommandDialogs::FileType> fileTypes(const std::string& filter);

 private:
  CommandDialogs& dialogs_;
};

}  // namespace thornvale
