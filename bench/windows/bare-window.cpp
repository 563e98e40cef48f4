// The floors for the editor's start-up: the least a Windows API program does to show one window,
// and, built with THORNVALE_BARE_CONTROLS and the editor's manifest, the same window with the six
// common controls (version 6) that the editor's main window must have, where it has them.

#include <windows.h>

#ifdef THORNVALE_BARE_CONTROLS
#include <commctrl.h>
#endif

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
#ifdef THORNVALE_BARE_CONTROLS
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
#endif
  WNDCLASSW kind{};
  kind.lpfnWndProc = [](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
  };
  kind.hInstance = instance;
  kind.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  kind.lpszClassName = L"BareWindow";
  RegisterClassW(&kind);
  HWND window = CreateWindowExW(0, L"BareWindow", L"Bare window", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                                CW_USEDEFAULT, CW_USEDEFAULT, 450, 330, nullptr, nullptr, instance, nullptr);
#ifdef THORNVALE_BARE_CONTROLS
  // The editor's list, edit box, two length boxes, button and label, at its places at 96 DPI;
  // without its menus, icon, font or commands.
  struct Box {
    int x, y, width, height;
  };
  const auto add = [&](const wchar_t* kind, const wchar_t* text, DWORD style, DWORD exStyle, Box box) {
    CreateWindowExW(exStyle, kind, text, WS_CHILD | WS_VISIBLE | style, box.x, box.y, box.width, box.height,
                    window, nullptr, instance, nullptr);
  };
  add(WC_LISTBOXW, L"", WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, WS_EX_CLIENTEDGE,
      {0, 0, 449, 212});
  add(WC_EDITW, L"", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, {3, 216, 417, 19});
  add(WC_EDITW, L"", WS_DISABLED | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, {424, 216, 25, 19});
  add(WC_BUTTONW, L"Save Selected Text", WS_TABSTOP | BS_PUSHBUTTON, 0, {168, 264, 113, 25});
  add(WC_STATICW, L"Make sure to save after ever text entry you edit.", SS_LEFT | SS_NOPREFIX, 0,
      {112, 240, 233, 17});
  add(WC_EDITW, L"", WS_DISABLED | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, {424, 240, 25, 19});
#endif
  ShowWindow(window, showCommand);
  UpdateWindow(window);
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  return 0;
}
