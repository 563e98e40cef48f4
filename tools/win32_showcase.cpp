// Shows the Windows editor with an image already open, for screenshots: the real windows, except
// that the first open dialog is answered with the given path. With --misc it also shows the misc
// data window, which no menu reaches.
//
//   win32-showcase IMAGE LINE [--misc]

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <utility>

#include "codec/WideString.h"
#include "ui/win32/Win32Dialogs.h"
#include "ui/win32/mainfrm.h"

namespace {

class FirstOpenAnswered final : public thornvale::CommandDialogs {
 public:
  explicit FirstOpenAnswered(std::string path) : path_(std::move(path)) {}

  // Once the window stands, its dialogs are owned by it.
  HWND owner = nullptr;

  void message(const std::string& title, const std::string& text, Icon icon) override {
    real_.message(title, text, icon);
  }
  std::string openFile(const OpenRequest& request) override {
    if (!path_.empty()) return std::exchange(path_, std::string());
    return real_.openFile(request);
  }

 private:
  std::string path_;
  thornvale::win32::Win32Dialogs real_{owner};
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argc < 3) return 2;
  FirstOpenAnswered dialogs(thornvale::windows::narrow(argv[1]));
  thornvale::win32::mainfrm window(&dialogs);
  dialogs.owner = window.hwnd();
  window.show();
  window.presenter.mnuopen_Click();
  SendMessageW(window.txtlst, LB_SETCURSEL, static_cast<WPARAM>(_wtoi(argv[2])), 0);
  window.presenter.txtlst_Click();
  if (argc > 3 && lstrcmpW(argv[3], L"--misc") == 0) window.presenter.mnumisc_Click();
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (!IsDialogMessageW(window.hwnd(), &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return 0;
}
