#pragma once

#include "ui/commands/CommandDialogs.h"

namespace thornvale::win32 {

// The commands' dialogs as the Windows API shows them: MessageBoxW, owned by the window the user
// is working in, and the common Open dialog.
class Win32Dialogs final : public CommandDialogs {
 public:
  void message(const std::string& title, const std::string& text, Icon icon) override;
  std::string openFile(const OpenRequest& request) override;
};

// The list of an OPENFILENAMEW filter: description, NUL, pattern, NUL, ..., and a second NUL.
[[nodiscard]] std::wstring openFilter(const std::vector<CommandDialogs::FileType>& types);

}  // namespace thornvale::win32
