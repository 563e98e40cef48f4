#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ui/forms/CommandDialogs.h"

namespace thornvale::win32 {

// The commands' dialogs as the Windows API shows them: MessageBoxW and the common Open dialog,
// owned by the window that asks, whichever window is active: an unowned dialog can open behind it.
class Win32Dialogs final : public CommandDialogs {
 public:
  // `owner` is the asking window's handle as it stands when a dialog is asked for.
  explicit Win32Dialogs(const HWND& owner) : owner_(owner) {}

  void message(const std::string& title, const std::string& text, Icon icon) override;
  std::string openFile(const OpenRequest& request) override;

 private:
  const HWND& owner_;
};

// The list of an OPENFILENAMEW filter: description, NUL, pattern, NUL, ..., and a second NUL.
[[nodiscard]] std::wstring openFilter(const std::vector<CommandDialogs::FileType>& types);

}  // namespace thornvale::win32
