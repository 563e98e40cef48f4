#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "ui/forms/CommandDialogs.h"
#include "ui/forms/MainPresenter.h"
#include "ui/forms/WindowDialogs.h"
#include "ui/win32/ControlsView.h"
#include "ui/win32/Layout.h"
#include "ui/win32/Window.h"
#include "ui/win32/WindowHandles.h"

namespace thornvale::win32 {

// The editor's main window with the Windows API, built from its form table: it passes the events
// of its controls, menus and window to its presenter, and shows what the presenter sets.
class mainfrm final : public Window<mainfrm>, private ControlsView<forms::MainView> {
 public:
  // Creates the window, not yet shown, and runs Form_Load. Its dialogs are the platform's, owned
  // by this window; `answers`, where given, answers them instead (for tests).
  explicit mainfrm(CommandDialogs* answers = nullptr);
  ~mainfrm() { destroy(); }

  // Shows the window at its fixed place, the focus where the presenter put it.
  void show(int showCommand = SW_SHOWNORMAL);
  // When the window is gone, the program's message loop ends: for the program, not for tests.
  void quitWhenClosed() { quitWhenClosed_ = true; }

  // The menu bar shows File and Help; the Edit menu is the window's all the same, kept off the bar.
  [[nodiscard]] HMENU mnufile() const { return menu("mnufile"); }
  [[nodiscard]] HMENU mnuedit() const { return menu("mnuedit"); }
  [[nodiscard]] HMENU mnuhelp() const { return menu("mnuhelp"); }

  HWND txtlst = nullptr;
  HWND txtedit = nullptr;
  HWND txtindex = nullptr;
  HWND cmdsave = nullptr;
  HWND Label1 = nullptr;
  HWND txtlength = nullptr;

  static constexpr const wchar_t* kClassName = L"ThornvaleTextEditor";

  forms::WindowDialogs dialogs;
  forms::MainPresenter presenter;

 private:
  friend class Window<mainfrm>;
  LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
  [[nodiscard]] HMENU buildMenus();
  [[nodiscard]] HMENU menu(std::string_view name) const;
  // The window's rectangle at `dpi`: at `topLeft`, or without it at the start position.
  [[nodiscard]] static RECT frameFor(UINT dpi, const POINT* topLeft);
  void placeWindow(const RECT& frame);
  // Places the controls, the fonts and the window for `dpi` once the window stands somewhere;
  // `topLeft` as for frameFor.
  void layout(UINT dpi, const POINT* topLeft);

  // The view the presenter sees.
  [[nodiscard]] HWND viewWindow() const override { return window_; }
  [[nodiscard]] std::string programFolder() const override;
  [[nodiscard]] std::optional<Version> programVersion() const override;
  [[nodiscard]] std::unique_ptr<forms::MiscWindow> makeMiscWindow(const std::string& imageName) override;
  void closeWindow() override;

  // The Edit menu is on no menu bar, so nothing destroys it with the window.
  MenuHandle editMenuOwner_;
  FormFonts fonts_;
  bool quitWhenClosed_ = false;
};

}  // namespace thornvale::win32
