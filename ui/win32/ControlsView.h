#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ui/forms/FormView.h"
#include "ui/win32/WindowHandles.h"

namespace thornvale::win32 {

// A presenter's view over a window's controls, found by their control IDs, and over the menus
// that hold its menu items: what the two windows implement alike. `Interface` is FormView or an
// interface derived from it.
template <class Interface>
class ControlsView : public Interface {
 public:
  void setCaption(const std::string& caption) override { setControlText(viewWindow(), caption); }

  void setLines(int list, const std::vector<std::u16string>& lines) override {
    HWND box = GetDlgItem(viewWindow(), list);
    SendMessageW(box, WM_SETREDRAW, FALSE, 0);
    SendMessageW(box, LB_RESETCONTENT, 0, 0);
    for (const std::u16string& line : lines) {
      const std::wstring wide(line.begin(), line.end());
      SendMessageW(box, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    }
    SendMessageW(box, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(box, nullptr, TRUE);
  }

  [[nodiscard]] int selectedLine(int list) const override {
    const LRESULT selected = SendMessageW(GetDlgItem(viewWindow(), list), LB_GETCURSEL, 0, 0);
    return selected == LB_ERR ? -1 : static_cast<int>(selected);
  }

  [[nodiscard]] std::u16string text(int control) const override {
    return controlText(GetDlgItem(viewWindow(), control));
  }

  void setText(int control, std::u16string_view text) override {
    setControlText(GetDlgItem(viewWindow(), control), text);
  }

  void enable(int control, bool enabled) override {
    if (HWND child = GetDlgItem(viewWindow(), control)) {
      EnableWindow(child, enabled ? TRUE : FALSE);
      return;
    }
    for (HMENU menu : menus_) {
      // -1: no item of this menu.
      if (EnableMenuItem(menu, static_cast<UINT>(control), MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED)) != -1) {
        return;
      }
    }
  }

  [[nodiscard]] bool checked(int option) const override {
    return SendMessageW(GetDlgItem(viewWindow(), option), BM_GETCHECK, 0, 0) == BST_CHECKED;
  }

  void check(int option, bool checked) override {
    SendMessageW(GetDlgItem(viewWindow(), option), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  }

  void focus(int control) override {
    focus_ = GetDlgItem(viewWindow(), control);
    if (IsWindowVisible(viewWindow())) SetFocus(focus_);
  }

 protected:
  [[nodiscard]] virtual HWND viewWindow() const = 0;

  // The control to have the focus when the window shows, or is active again.
  HWND focus_ = nullptr;

  // The window's menus, each holding some of its menu items.
  std::vector<HMENU> menus_;
};

}  // namespace thornvale::win32
