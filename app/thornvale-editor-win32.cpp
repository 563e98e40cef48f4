// The editor on Windows: its main window, which asks through the real dialogs.

#include <windows.h>

#include "ui/win32/mainfrm.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
  thornvale::win32::mainfrm window;
  window.quitWhenClosed();
  window.show(showCommand);
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    // Tab and the arrow keys move between the controls as in a dialog.
    if (!IsDialogMessageW(window.hwnd(), &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return static_cast<int>(message.wParam);
}
