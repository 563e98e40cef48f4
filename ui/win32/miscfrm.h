#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "ui/forms/CommandDialogs.h"
#include "ui/forms/MiscPresenter.h"
#include "ui/forms/WindowDialogs.h"
#include "ui/win32/ControlsView.h"
#include "ui/win32/Layout.h"
#include "ui/win32/Window.h"

namespace thornvale::win32 {

// The modal misc data window with the Windows API, built from its form table: it passes the
// events of its controls to its presenter.
class miscfrm final : public Window<miscfrm>, private ControlsView<forms::FormView> {
 public:
  // Created, not yet shown, over `owner`, whose dialogs are `ownerDialogs`. Its own dialogs are
  // the platform's, owned by this window; `answers`, where given, answers them instead.
  miscfrm(HWND owner, CommandDialogs& ownerDialogs, std::string imageName, CommandDialogs* answers = nullptr);
  ~miscfrm() { destroy(); }

  // Reads the two bytes into the controls. False after a file failure, which the owner shows; the
  // window is then not to be shown.
  [[nodiscard]] bool Form_Load() { return presenter.Form_Load(ownerDialogs_); }

  // Shows the window and returns when it is closed; the owner takes no input meanwhile.
  void showModal();
  [[nodiscard]] bool closed() const { return closed_; }

  HWND Frame1 = nullptr;
  HWND lbldebug = nullptr;
  HWND opdebuge = nullptr;
  HWND opdebugd = nullptr;
  HWND Label1 = nullptr;
  HWND Text1 = nullptr;
  HWND cmdsave = nullptr;
  HWND cmdcancel = nullptr;

  static constexpr const wchar_t* kClassName = L"ThornvaleMiscData";

 private:
  CommandDialogs& ownerDialogs_;
  forms::WindowDialogs dialogs_;

 public:
  forms::MiscPresenter presenter;

 private:
  friend class Window<miscfrm>;
  LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
  // The window's size at `dpi`, as a rectangle at (0, 0).
  [[nodiscard]] static RECT frameFor(UINT dpi);
  // Places the controls, the fonts and the window for `dpi`, the window at `suggested`'s corner.
  void layout(UINT dpi, const RECT& suggested);

  [[nodiscard]] HWND viewWindow() const override { return window_; }
  void closeWindow() override;

  HWND owner_;
  FormFonts fonts_;
  bool closed_ = false;
};

}  // namespace thornvale::win32
