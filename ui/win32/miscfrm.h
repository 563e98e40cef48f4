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
// events of its controls and of the window to its presenter.
class miscfrm final : public Window<miscfrm>,
                      private ControlsView<forms::FormView>,
                      public forms::MiscWindow {
 public:
  // Created, not yet loaded or shown, over `owner`. Its own dialogs are the platform's, owned by
  // this window; `answers`, where given, answers them instead.
  miscfrm(HWND owner, std::string imageName, CommandDialogs* answers = nullptr);
  ~miscfrm() { destroy(); }

  [[nodiscard]] forms::MiscPresenter& presenter() override { return presenter_; }
  void showModal() override;
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
  friend class Window<miscfrm>;
  LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
  // The window's size at `dpi`, as a rectangle at (0, 0).
  [[nodiscard]] static RECT frameFor(UINT dpi);
  // Places the controls, the fonts and the window for `dpi`, the window at `suggested`'s corner.
  void layout(UINT dpi, const RECT& suggested);

  [[nodiscard]] HWND viewWindow() const override { return window_; }
  void closeWindow() override;

  forms::WindowDialogs dialogs_;
  forms::MiscPresenter presenter_;
  HWND owner_;
  FormFonts fonts_;
  bool closed_ = false;
};

}  // namespace thornvale::win32
