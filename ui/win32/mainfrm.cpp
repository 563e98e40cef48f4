#include "ui/win32/mainfrm.h"

#include <commctrl.h>

#include <algorithm>
#include <array>

#include "ui/commands/MainCommands.h"
#include "ui/win32/ControlIds.h"
#include "ui/win32/Layout.h"
#include "ui/win32/ProgramInfo.h"
#include "ui/win32/miscfrm.h"

namespace thornvale::win32 {
namespace {

// A fixed single border with the close box only: no sizing edge, no minimise or maximise box.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;
constexpr int kClientWidth = 6750;
constexpr int kClientHeight = 4395;
// Where the client area's top-left corner starts on the screen.
constexpr int kStartLeft = 4515;
constexpr int kStartTop = 3615;

constexpr std::array<Placement, 6> kPlacements = {{
    {kTxtlst, {0, 0, 6735, 3180}},
    {kTxtedit, {40, 3240, 6255, 285}},
    {kTxtindex, {6360, 3240, 375, 285}},
    {kCmdsave, {2520, 3960, 1695, 375}},
    {kLabel1, {1680, 3600, 3495, 255}},
    {kTxtlength, {6360, 3600, 375, 285}},
}};
constexpr std::array<int, 2> kCaptioned = {kCmdsave, kLabel1};

// The window's rectangle keeps as much of itself on the monitor's work area as fits, the top-left
// corner first: a small screen must not hide the title bar.
RECT keptOnScreen(RECT window) {
  const HMONITOR monitor = MonitorFromRect(&window, MONITOR_DEFAULTTONEAREST);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoW(monitor, &info)) return window;
  const RECT& work = info.rcWork;
  const LONG width = window.right - window.left;
  const LONG height = window.bottom - window.top;
  const LONG left = std::max(work.left, std::min(window.left, work.right - width));
  const LONG top = std::max(work.top, std::min(window.top, work.bottom - height));
  return {left, top, left + width, top + height};
}

}  // namespace

mainfrm::mainfrm(CommandDialogs& dialogs) : comdlg(dialogs), dialogs_(dialogs) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  registerWindowClass(kClassName, &mainfrm::windowProc, true);
  // Made where and as large as it is shown, for the system's DPI: each move before the window is
  // shown costs start-up time, so only a monitor of another DPI moves it.
  const UINT expected = GetDpiForSystem();
  const RECT frame = frameFor(expected, nullptr);
  CreateWindowExW(kExStyle, kClassName, L"", kStyle, frame.left, frame.top, frame.right - frame.left,
                  frame.bottom - frame.top, nullptr, buildMenus(), instance(), this);
  const UINT dpi = windowDpi(window_);
  buildControls(dpi);
  setFont(dpi, false);
  if (dpi != expected) placeWindow(frameFor(dpi, nullptr));
  fitClientArea(window_, twipsToPixels(kClientWidth, dpi), twipsToPixels(kClientHeight, dpi));
  focus_ = txtlst;
  Form_Load();
}

mainfrm::~mainfrm() {
  if (window_ != nullptr) {
    // The window may outlive this object no longer: it would call back into it.
    forgetOwner(window_);
    DestroyWindow(window_);
  }
}

void mainfrm::buildControls(UINT dpi) {
  const auto at = [dpi](int id) { return placedAt(kPlacements, id, dpi); };
  txtlst =
      createControl(window_, WC_LISTBOXW, L"", WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                    WS_EX_CLIENTEDGE, kTxtlst, at(kTxtlst));
  txtedit = createControl(window_, WC_EDITW, L"", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, kTxtedit,
                          at(kTxtedit));
  // No length limit of the box's own: a text too long is the Save command's to refuse.
  SendMessageW(txtedit, EM_SETLIMITTEXT, 0, 0);
  // The length boxes are the window's to write: greyed, and out of the user's reach.
  txtindex = createControl(window_, WC_EDITW, L"", WS_DISABLED | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, kTxtindex,
                           at(kTxtindex));
  // Neither the default nor the cancel button: Enter in the edit box saves nothing.
  cmdsave = createControl(window_, WC_BUTTONW, L"Save Selected Text", WS_TABSTOP | BS_PUSHBUTTON, 0, kCmdsave,
                          at(kCmdsave));
  Label1 = createControl(window_, WC_STATICW, L"Make sure to save after ever text entry you edit.",
                         SS_LEFT | SS_NOPREFIX, 0, kLabel1, at(kLabel1));
  txtlength = createControl(window_, WC_EDITW, L"", WS_DISABLED | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE,
                            kTxtlength, at(kTxtlength));
}

HMENU mainfrm::buildMenus() {
  // No access keys and no shortcuts: no '&' in any caption and no accelerator table.
  HMENU bar = CreateMenu();
  mnufile_ = CreatePopupMenu();
  AppendMenuW(mnufile_, MF_STRING, kMnuopen, L"Open");
  AppendMenuW(mnufile_, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(mnufile_, MF_STRING, kMnuexit, L"Exit");
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(mnufile_), L"File");

  // The Edit menu is hidden and disabled, and a Windows menu bar cannot hide an entry: it stays
  // off the bar, with "Misc Data" in it for the commands that still switch it.
  mnuedit_ = CreatePopupMenu();
  editMenuOwner_.reset(mnuedit_);
  AppendMenuW(mnuedit_, MF_STRING, kMnumisc, L"Misc Data");

  mnuhelp_ = CreatePopupMenu();
  AppendMenuW(mnuhelp_, MF_STRING, kMnuabout, L"About");
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(mnuhelp_), L"Help");
  return bar;
}

RECT mainfrm::frameFor(UINT dpi, const POINT* topLeft) {
  const RECT client{0, 0, twipsToPixels(kClientWidth, dpi), twipsToPixels(kClientHeight, dpi)};
  RECT frame = windowRectFor(client, kStyle, kExStyle, true, dpi);
  if (topLeft != nullptr) {
    OffsetRect(&frame, topLeft->x - frame.left, topLeft->y - frame.top);
    return frame;
  }
  OffsetRect(&frame, twipsToPixels(kStartLeft, dpi), twipsToPixels(kStartTop, dpi));
  return keptOnScreen(frame);
}

void mainfrm::setFont(UINT dpi, bool redraw) {
  HFONT font = fittingFont(window_, kCaptioned, dpi);
  applyFont(window_, font, redraw);
  font_.reset(font);
}

void mainfrm::placeWindow(const RECT& frame) {
  SetWindowPos(window_, nullptr, frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void mainfrm::layout(UINT dpi, const POINT* topLeft) {
  placeControls(window_, kPlacements, dpi);
  setFont(dpi, true);
  placeWindow(frameFor(dpi, topLeft));
  fitClientArea(window_, twipsToPixels(kClientWidth, dpi), twipsToPixels(kClientHeight, dpi));
}

void mainfrm::show(int showCommand) {
  ShowWindow(window_, showCommand);
  UpdateWindow(window_);
  SetFocus(txtlst);
}

LRESULT CALLBACK mainfrm::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = ownerOf<mainfrm>(window, message, lParam);
  if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCCREATE) self->window_ = window;
  return self->handle(window, message, wParam, lParam);
}

LRESULT mainfrm::handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: onCommand(LOWORD(wParam), HIWORD(wParam)); return 0;
    case WM_ACTIVATE:
      // The focus comes back to the control that had it when the user left the window.
      if (LOWORD(wParam) == WA_INACTIVE) {
        if (HWND focus = GetFocus(); focus != nullptr && IsChild(window_, focus)) focus_ = focus;
      } else if (focus_ != nullptr) {
        SetFocus(focus_);
      }
      return 0;
    case WM_DPICHANGED: {
      // Moved to a monitor of another DPI: the same layout in that monitor's pixels, where the
      // system suggests.
      const auto* suggested = reinterpret_cast<const RECT*>(lParam);
      const POINT topLeft{suggested->left, suggested->top};
      layout(HIWORD(wParam), &topLeft);
      return 0;
    }
    case WM_CLOSE:
      // Nothing is asked and nothing is saved: an unsaved edit is lost, as the user chose.
      DestroyWindow(window_);
      return 0;
    case WM_DESTROY:
      window_ = nullptr;
      if (quitWhenClosed_) PostQuitMessage(0);
      return 0;
    default: return DefWindowProcW(window, message, wParam, lParam);
  }
}

void mainfrm::onCommand(int id, int code) {
  switch (id) {
    case kTxtlst:
      // Sent for every selection by mouse or keyboard, also of the line already selected.
      if (code == LBN_SELCHANGE) txtlst_Click();
      break;
    case kTxtedit:
      if (code == EN_CHANGE) txtedit_Change();
      break;
    case kCmdsave:
      if (code == BN_CLICKED) cmdsave_Click();
      break;
    case kMnuopen: mnuopen_Click(); break;
    case kMnuexit: mnuexit_Click(); break;
    case kMnumisc:
      if ((GetMenuState(mnuedit_, kMnumisc, MF_BYCOMMAND) & (MF_DISABLED | MF_GRAYED)) == 0) {
        mnumisc_Click();
      }
      break;
    case kMnuabout: mnuabout_Click(); break;
    default: break;
  }
}

void mainfrm::Form_Load() {
  // The caption's version is the one the program's VERSIONINFO carries.
  const std::optional<Version> version = programVersion();
  const std::string text = version ? captionFor(version->major, version->minor) : caption();
  setControlText(window_, text);
  EnableMenuItem(mnuedit_, kMnumisc, MF_BYCOMMAND | MF_GRAYED);
}

void mainfrm::txtlst_Click() {
  const int position = selectedPosition();
  if (position < 0) return;
  const LRESULT length = SendMessageW(txtlst, LB_GETTEXTLEN, static_cast<WPARAM>(position), 0);
  if (length == LB_ERR) return;
  std::wstring line(static_cast<std::size_t>(length) + 1, L'\0');
  line.resize(static_cast<std::size_t>(SendMessageW(txtlst, LB_GETTEXT, static_cast<WPARAM>(position),
                                                    reinterpret_cast<LPARAM>(line.data()))));
  SetWindowTextW(txtedit, line.c_str());
  // The edit box reports a change of its text; setting the text it already has may not, and the
  // length box must follow all the same.
  txtedit_Change();
  setControlText(txtindex, lengthText(controlText(txtedit)));
}

void mainfrm::txtedit_Change() { setControlText(txtlength, lengthText(controlText(txtedit))); }

void mainfrm::mnuopen_Click() {
  const auto lines = openImage(dialogs_, comdlg, programFolder());
  if (!lines) return;
  EnableMenuItem(mnuedit_, kMnumisc, MF_BYCOMMAND | MF_ENABLED);
  SendMessageW(txtlst, WM_SETREDRAW, FALSE, 0);
  SendMessageW(txtlst, LB_RESETCONTENT, 0, 0);
  for (const std::u16string& line : *lines) {
    const std::wstring wide(line.begin(), line.end());
    SendMessageW(txtlst, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
  }
  SendMessageW(txtlst, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(txtlst, nullptr, TRUE);
}

void mainfrm::cmdsave_Click() {
  saveText(dialogs_, comdlg.FileName, selectedPosition(), controlText(txtedit));
}

void mainfrm::mnumisc_Click() {
  miscfrm form(dialogs_, comdlg.FileName, window_);
  if (form.Form_Load()) form.showModal();
}

void mainfrm::mnuabout_Click() { showAbout(dialogs_); }

void mainfrm::mnuexit_Click() { DestroyWindow(window_); }

int mainfrm::selectedPosition() const {
  const LRESULT selected = SendMessageW(txtlst, LB_GETCURSEL, 0, 0);
  return selected == LB_ERR ? -1 : static_cast<int>(selected);
}

}  // namespace thornvale::win32
