#pragma once

#include <windows.h>

#include <optional>

#include "ui/forms/FormPresenter.h"
#include "ui/forms/FormTable.h"
#include "ui/win32/Layout.h"

namespace thornvale::win32 {

// A top-level window of ours with its class registered once and one window procedure: `Derived`
// names its class in kClassName, and its handle() dispatches the messages it answers. The window
// calls back into its object from WM_NCCREATE until the object goes.
template <class Derived>
class Window {
 public:
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  [[nodiscard]] HWND hwnd() const { return window_; }

 protected:
  Window() = default;
  ~Window() { destroy(); }

  // For the derived destructor, before its members go: the controls still use its fonts. The
  // window calls back into its object no longer, which is going.
  void destroy() {
    if (window_ == nullptr) return;
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
    window_ = nullptr;
  }

  // The program's icon (resource 1) where `withIcon`; the dialog face colour and the arrow.
  void create(DWORD exStyle, const wchar_t* caption, DWORD style, const RECT& frame, HWND owner, HMENU menu,
              bool withIcon) {
    registerClass(withIcon);
    CreateWindowExW(exStyle, Derived::kClassName, caption, style, frame.left, frame.top,
                    frame.right - frame.left, frame.bottom - frame.top, owner, menu, instance(), this);
  }

  // Passes a WM_COMMAND to the window's presenter: Escape (IDCANCEL, from the dialog manager), or
  // what the command reports of a control or a menu item.
  static void passCommand(forms::FormPresenter& presenter, const forms::FormTable& form, WPARAM wParam) {
    const int id = LOWORD(wParam);
    if (id == IDCANCEL) {
      presenter.escapePressed();
    } else if (const std::optional<forms::ControlEvent> event = eventOf(form, id, HIWORD(wParam))) {
      presenter.handle(id, *event);
    }
  }

  // Set from WM_NCCREATE until WM_NCDESTROY.
  HWND window_ = nullptr;

 private:
  static void registerClass(bool withIcon) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(instance(), Derived::kClassName, &existing)) return;
    WNDCLASSEXW kind{};
    kind.cbSize = sizeof kind;
    kind.lpfnWndProc = &Window::procedure;
    kind.hInstance = instance();
    if (withIcon) {
      // A program built without the icon resource gets the system's.
      kind.hIcon = LoadIconW(instance(), MAKEINTRESOURCEW(1));
      kind.hIconSm =
          static_cast<HICON>(LoadImageW(instance(), MAKEINTRESOURCEW(1), IMAGE_ICON,
                                        GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    }
    kind.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    kind.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    kind.lpszClassName = Derived::kClassName;
    RegisterClassExW(&kind);
  }

  static std::optional<forms::ControlEvent> eventOf(const forms::FormTable& form, int id, UINT code) {
    using enum forms::ControlKind;
    const forms::ControlRow* control = forms::findControl(form, id);
    // A menu item's command.
    if (control == nullptr) return forms::ControlEvent::Click;
    // A list sends LBN_SELCHANGE for every selection by mouse or keyboard, also of the line
    // already selected.
    const bool click =
        (control->kind == ListBox && code == LBN_SELCHANGE) ||
        ((control->kind == CommandButton || control->kind == OptionButton) && code == BN_CLICKED);
    const bool change = (control->kind == TextBox || control->kind == LengthBox) && code == EN_CHANGE;
    if (click) return forms::ControlEvent::Click;
    if (change) return forms::ControlEvent::Change;
    return std::nullopt;
  }

  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* self = nullptr;
    if (message == WM_NCCREATE) {
      self = static_cast<Window*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
      self->window_ = window;
    } else {
      self = reinterpret_cast<Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    }
    if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    const LRESULT result = static_cast<Derived*>(self)->handle(message, wParam, lParam);
    if (message == WM_NCDESTROY) self->window_ = nullptr;
    return result;
  }
};

}  // namespace thornvale::win32
