#include "ui/win32/miscfrm.h"

#include <commctrl.h>

#include <array>

#include "ui/commands/MiscCommands.h"
#include "ui/win32/ControlIds.h"
#include "ui/win32/Layout.h"

namespace thornvale::win32 {
namespace {

// An owned overlapped window, so that the platform chooses its place. The frame draws only its
// line and caption, so the window paints behind its children.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
constexpr int kClientWidth = 8070;
constexpr int kClientHeight = 4755;

// The frame's controls stand where they would inside it: a Windows group box only draws, so they
// are the window's children, moved by the frame's own place.
constexpr int kFrameLeft = 120;
constexpr int kFrameTop = 120;
constexpr TwipsRect inFrame(int left, int top, int width, int height) {
  return {kFrameLeft + left, kFrameTop + top, width, height};
}

constexpr std::array<Placement, 8> kPlacements = {{
    {kFrame1, {kFrameLeft, kFrameTop, 7815, 4095}},
    {kLbldebug, inFrame(120, 240, 1095, 255)},
    {kOpdebuge, inFrame(1200, 240, 1215, 195)},
    {kOpdebugd, inFrame(2160, 240, 975, 195)},
    {kMiscLabel1, inFrame(3480, 240, 1695, 255)},
    {kText1, inFrame(5160, 205, 735, 285)},
    {kMiscCmdsave, {2880, 4320, 975, 375}},
    {kMiscCmdcancel, {4320, 4320, 975, 375}},
}};
constexpr std::array<int, 6> kCaptioned = {kLbldebug,   kOpdebuge,    kOpdebugd,
                                           kMiscLabel1, kMiscCmdsave, kMiscCmdcancel};

bool checked(HWND button) { return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

}  // namespace

miscfrm::miscfrm(CommandDialogs& dialogs, std::string imageName, HWND owner)
    : dialogs_(dialogs), imageName_(std::move(imageName)), owner_(owner) {
  registerWindowClass(kClassName, &miscfrm::windowProc, false);
  // The platform chooses where the window first stands; its size is the one it has at the
  // owner's DPI, where it most likely opens.
  const UINT expected = owner_ != nullptr ? windowDpi(owner_) : GetDpiForSystem();
  const RECT frame = frameFor(expected);
  CreateWindowExW(kExStyle, kClassName, L"Misc Data Editor", kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                  frame.right - frame.left, frame.bottom - frame.top, owner_, nullptr, instance(), this);
  const UINT dpi = windowDpi(window_);
  buildControls(dpi);
  setFont(dpi, false);
  if (dpi != expected) {
    const RECT resized = frameFor(dpi);
    SetWindowPos(window_, nullptr, 0, 0, resized.right - resized.left, resized.bottom - resized.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
  }
  fitClientArea(window_, twipsToPixels(kClientWidth, dpi), twipsToPixels(kClientHeight, dpi));
}

miscfrm::~miscfrm() {
  if (window_ != nullptr) {
    forgetOwner(window_);
    DestroyWindow(window_);
  }
}

void miscfrm::buildControls(UINT dpi) {
  const auto at = [dpi](int id) { return placedAt(kPlacements, id, dpi); };
  // Created in the keyboard order; WS_GROUP on the first option button and on the control after
  // the second makes the two one group, in which selecting one clears the other.
  cmdsave = createControl(window_, WC_BUTTONW, L"Save", WS_TABSTOP | BS_PUSHBUTTON, 0, kMiscCmdsave,
                          at(kMiscCmdsave));
  cmdcancel = createControl(window_, WC_BUTTONW, L"Cancel", WS_TABSTOP | BS_PUSHBUTTON, 0, kMiscCmdcancel,
                            at(kMiscCmdcancel));
  Frame1 = createControl(window_, WC_BUTTONW, L"Misc Data", BS_GROUPBOX, 0, kFrame1, at(kFrame1));
  lbldebug =
      createControl(window_, WC_STATICW, L"Debug Menu :", SS_LEFT | SS_NOPREFIX, 0, kLbldebug, at(kLbldebug));
  opdebuge = createControl(window_, WC_BUTTONW, L"Enabled", WS_GROUP | WS_TABSTOP | BS_AUTORADIOBUTTON, 0,
                           kOpdebuge, at(kOpdebuge));
  opdebugd = createControl(window_, WC_BUTTONW, L"Disabled", BS_AUTORADIOBUTTON, 0, kOpdebugd, at(kOpdebugd));
  Text1 = createControl(window_, WC_EDITW, L"Text1", WS_GROUP | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE,
                        kText1, at(kText1));
  Label1 = createControl(window_, WC_STATICW, L"Hits to Kill a Grumkin:", SS_LEFT | SS_NOPREFIX, 0,
                         kMiscLabel1, at(kMiscLabel1));
}

RECT miscfrm::frameFor(UINT dpi) {
  const RECT client{0, 0, twipsToPixels(kClientWidth, dpi), twipsToPixels(kClientHeight, dpi)};
  return windowRectFor(client, kStyle, kExStyle, false, dpi);
}

void miscfrm::setFont(UINT dpi, bool redraw) {
  HFONT font = fittingFont(window_, kCaptioned, dpi);
  applyFont(window_, font, redraw);
  font_.reset(font);
}

void miscfrm::layout(UINT dpi, const RECT& suggested) {
  placeControls(window_, kPlacements, dpi);
  setFont(dpi, true);
  const RECT frame = frameFor(dpi);
  SetWindowPos(window_, nullptr, suggested.left, suggested.top, frame.right - frame.left,
               frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
  fitClientArea(window_, twipsToPixels(kClientWidth, dpi), twipsToPixels(kClientHeight, dpi));
}

bool miscfrm::Form_Load() {
  const std::optional<MiscData> loaded = loadMisc(dialogs_, imageName_);
  if (!loaded) return false;
  loaded_ = *loaded;
  const MiscShown shown = showMisc(loaded_);
  SendMessageW(opdebugd, BM_SETCHECK, shown.option == DebugMenu::Disabled ? BST_CHECKED : BST_UNCHECKED, 0);
  SendMessageW(opdebuge, BM_SETCHECK, shown.option == DebugMenu::Enabled ? BST_CHECKED : BST_UNCHECKED, 0);
  setControlText(Text1, shown.hitCount);
  return true;
}

void miscfrm::cmdsave_Click() {
  const DebugMenu chosen = checked(opdebugd)   ? DebugMenu::Disabled
                           : checked(opdebuge) ? DebugMenu::Enabled
                                               : DebugMenu::Unknown;
  if (saveMisc(dialogs_, imageName_, loaded_, chosen, controlText(Text1))) close();
}

void miscfrm::cmdcancel_Click() { close(); }

void miscfrm::close() {
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
  SetFocus(cmdsave);
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
  if (!closed_) close();
}

LRESULT CALLBACK miscfrm::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = ownerOf<miscfrm>(window, message, lParam);
  if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCCREATE) self->window_ = window;
  return self->handle(window, message, wParam, lParam);
}

LRESULT miscfrm::handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case kMiscCmdsave:
          if (HIWORD(wParam) == BN_CLICKED) cmdsave_Click();
          return 0;
        case kMiscCmdcancel:
          if (HIWORD(wParam) == BN_CLICKED) cmdcancel_Click();
          return 0;
        case IDCANCEL:
          // Escape closes like the close box, writing nothing; Enter (IDOK) does nothing.
          close();
          return 0;
        default: return 0;
      }
    case WM_DPICHANGED: layout(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam)); return 0;
    case WM_CLOSE: close(); return 0;
    case WM_DESTROY: window_ = nullptr; return 0;
    default: return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace thornvale::win32
