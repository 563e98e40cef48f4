#include "ui/win32/miscfrm.h"

#include "ui/forms/Forms.h"
#include "ui/win32/Accessibility.h"
#include "ui/win32/Win32Dialogs.h"

namespace thornvale::win32 {
namespace {

// An owned overlapped window, so that the platform chooses its place. The frame draws only its
// line and caption, so the window paints behind its children.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

const forms::FormTable& form() { return forms::miscfrm(); }

}  // namespace

miscfrm::miscfrm(HWND owner, std::string imageName, CommandDialogs* answers)
    : dialogs_(answers, [this] { return std::make_unique<Win32Dialogs>(window_); }),
      presenter_(*this, dialogs_.get(), std::move(imageName)),
      owner_(owner) {
  // The platform chooses where the window first stands; its size is the one it has at the
  // owner's DPI, where it most likely opens.
  const UINT expected = owner_ != nullptr ? windowDpi(owner_) : GetDpiForSystem();
  const RECT size = frameFor(expected);
  const RECT frame{CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT + size.right - size.left,
                   CW_USEDEFAULT + size.bottom - size.top};
  const std::wstring caption(form().caption.begin(), form().caption.end());
  create(kExStyle, caption.c_str(), kStyle, frame, owner_, nullptr, false);
  const UINT dpi = windowDpi(window_);
  buildControls(window_, form(), dpi);
  Frame1 = GetDlgItem(window_, forms::kMiscFrame);
  lbldebug = GetDlgItem(window_, forms::kDebugMenuLabel);
  opdebuge = GetDlgItem(window_, forms::kDebugEnabledOption);
  opdebugd = GetDlgItem(window_, forms::kDebugDisabledOption);
  Label1 = GetDlgItem(window_, forms::kHitCountLabel);
  Text1 = GetDlgItem(window_, forms::kHitCount);
  cmdsave = GetDlgItem(window_, forms::kMiscSaveButton);
  cmdcancel = GetDlgItem(window_, forms::kMiscCancelButton);
  fonts_.apply(window_, form(), dpi, false);
  offerAccessibleNames(window_, form());
  if (dpi != expected) {
    const RECT resized = frameFor(dpi);
    SetWindowPos(window_, nullptr, 0, 0, resized.right - resized.left, resized.bottom - resized.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
  }
  fitClientArea(window_, twipsToPixels(form().clientWidth, dpi), twipsToPixels(form().clientHeight, dpi));
}

RECT miscfrm::frameFor(UINT dpi) {
  const RECT client{0, 0, twipsToPixels(form().clientWidth, dpi), twipsToPixels(form().clientHeight, dpi)};
  return windowRectFor(client, kStyle, kExStyle, false, dpi);
}

void miscfrm::layout(UINT dpi, const RECT& suggested) {
  placeControls(window_, form(), dpi);
  fonts_.apply(window_, form(), dpi, true);
  const RECT frame = frameFor(dpi);
  SetWindowPos(window_, nullptr, suggested.left, suggested.top, frame.right - frame.left,
               frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
  fitClientArea(window_, twipsToPixels(form().clientWidth, dpi), twipsToPixels(form().clientHeight, dpi));
}

void miscfrm::closeWindow() {
  closed_ = true;
  // The owner takes input again before this window goes, so that it, and not some other
  // program's window, becomes the active one.
  if (owner_ != nullptr) EnableWindow(owner_, TRUE);
  ShowWindow(window_, SW_HIDE);
}

void miscfrm::showModal() {
  closed_ = false;
  if (owner_ != nullptr) EnableWindow(owner_, FALSE);
  ShowWindow(window_, SW_SHOWNORMAL);
  SetFocus(focus_);
  MSG message{};
  while (!closed_) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) {
      // The program is asked to end: leave that request for the main loop.
      PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    if (got < 0) break;
    if (!IsDialogMessageW(window_, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  if (!closed_) closeWindow();
}

LRESULT miscfrm::handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    // Enter (IDOK) presses nothing: neither button is the default.
    case WM_COMMAND: passCommand(presenter_, form(), wParam); return 0;
    case WM_DPICHANGED: layout(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam)); return 0;
    case WM_CLOSE:
      if (presenter_.closeRequested()) closeWindow();
      return 0;
    default: return DefWindowProcW(window_, message, wParam, lParam);
  }
}

}  // namespace thornvale::win32
