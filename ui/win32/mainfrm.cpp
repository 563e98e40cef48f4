#include "ui/win32/mainfrm.h"

#include <commctrl.h>

#include "ui/forms/Forms.h"
#include "ui/forms/Placement.h"
#include "ui/win32/Accessibility.h"
#include "ui/win32/ProgramInfo.h"
#include "ui/win32/Win32Dialogs.h"
#include "ui/win32/miscfrm.h"

namespace thornvale::win32 {
namespace {

// A fixed single border with the close box only: no sizing edge, no minimise or maximise box.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;

const forms::FormTable& form() { return forms::mainfrm(); }

RECT keptOnScreen(const RECT& window) {
  const HMONITOR monitor = MonitorFromRect(&window, MONITOR_DEFAULTTONEAREST);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoW(monitor, &info)) return window;
  const RECT& work = info.rcWork;
  const forms::ScreenRect kept =
      forms::keptOnScreen({window.left, window.top, window.right - window.left, window.bottom - window.top},
                          {work.left, work.top, work.right - work.left, work.bottom - work.top});
  return {kept.left, kept.top, kept.left + kept.width, kept.top + kept.height};
}

}  // namespace

mainfrm::mainfrm(CommandDialogs* answers)
    : dialogs(answers, [this] { return std::make_unique<Win32Dialogs>(window_); }),
      presenter(*this, dialogs.get()) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  // Made where and as large as it is shown, for the system's DPI: each move before the window is
  // shown costs start-up time, so only a monitor of another DPI moves it.
  const UINT expected = GetDpiForSystem();
  create(kExStyle, L"", kStyle, frameFor(expected, nullptr), nullptr, buildMenus(), true);
  const UINT dpi = windowDpi(window_);
  buildControls(window_, form(), dpi);
  txtlst = GetDlgItem(window_, forms::kTextList);
  txtedit = GetDlgItem(window_, forms::kEditedText);
  txtindex = GetDlgItem(window_, forms::kStoredLength);
  cmdsave = GetDlgItem(window_, forms::kSaveButton);
  Label1 = GetDlgItem(window_, forms::kSaveReminder);
  txtlength = GetDlgItem(window_, forms::kEditedLength);
  fonts_.apply(window_, form(), dpi, false);
  offerAccessibleNames(window_, form());
  if (dpi != expected) placeWindow(frameFor(dpi, nullptr));
  fitClientArea(window_, twipsToPixels(form().clientWidth, dpi), twipsToPixels(form().clientHeight, dpi));
  presenter.Form_Load();
}

HMENU mainfrm::buildMenus() {
  // No accelerator table: no menu item has a shortcut.
  HMENU bar = CreateMenu();
  for (const forms::MenuRow& menuRow : form().menus) {
    HMENU popup = CreatePopupMenu();
    for (const forms::MenuItemRow& item : menuRow.items) {
      if (item.caption.empty()) {
        AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
      } else {
        AppendMenuW(popup, MF_STRING, static_cast<UINT_PTR>(item.id), asciiWide(item.caption).c_str());
      }
    }
    menus_.push_back(popup);
    if (menuRow.visible) {
      AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), asciiWide(menuRow.caption).c_str());
    } else {
      // A Windows menu bar cannot hide an entry: a hidden menu stays off the bar, its items still
      // the window's for the commands that switch them.
      editMenuOwner_.reset(popup);
    }
  }
  return bar;
}

HMENU mainfrm::menu(std::string_view name) const {
  for (std::size_t i = 0; i < form().menus.size() && i < menus_.size(); ++i) {
    if (form().menus[i].name == name) return menus_[i];
  }
  return nullptr;
}

RECT mainfrm::frameFor(UINT dpi, const POINT* topLeft) {
  const RECT client{0, 0, twipsToPixels(form().clientWidth, dpi), twipsToPixels(form().clientHeight, dpi)};
  RECT frame = windowRectFor(client, kStyle, kExStyle, true, dpi);
  if (topLeft != nullptr) {
    OffsetRect(&frame, topLeft->x - frame.left, topLeft->y - frame.top);
    return frame;
  }
  OffsetRect(&frame, twipsToPixels(form().startLeft, dpi), twipsToPixels(form().startTop, dpi));
  return keptOnScreen(frame);
}

void mainfrm::placeWindow(const RECT& frame) {
  SetWindowPos(window_, nullptr, frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void mainfrm::layout(UINT dpi, const POINT* topLeft) {
  placeControls(window_, form(), dpi);
  fonts_.apply(window_, form(), dpi, true);
  placeWindow(frameFor(dpi, topLeft));
  fitClientArea(window_, twipsToPixels(form().clientWidth, dpi), twipsToPixels(form().clientHeight, dpi));
}

void mainfrm::show(int showCommand) {
  ShowWindow(window_, showCommand);
  UpdateWindow(window_);
  SetFocus(focus_);
}

LRESULT mainfrm::handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: passCommand(presenter, form(), wParam); return 0;
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
      if (presenter.closeRequested()) closeWindow();
      return 0;
    case WM_DESTROY:
      if (quitWhenClosed_) PostQuitMessage(0);
      return 0;
    default: return DefWindowProcW(window_, message, wParam, lParam);
  }
}

std::string mainfrm::programFolder() const { return win32::programFolder(); }

std::optional<forms::MainView::Version> mainfrm::programVersion() const {
  // The caption's version is the one the program's VERSIONINFO carries.
  const std::optional<win32::Version> version = win32::programVersion();
  if (!version) return std::nullopt;
  return Version{version->major, version->minor};
}

std::unique_ptr<forms::MiscWindow> mainfrm::makeMiscWindow(const std::string& imageName) {
  return std::make_unique<miscfrm>(window_, imageName, dialogs.answersForOpened());
}

void mainfrm::closeWindow() { DestroyWindow(window_); }

}  // namespace thornvale::win32
