#pragma once

#include <windows.h>

#include <string>

#include "catalogue/MiscData.h"
#include "ui/commands/CommandDialogs.h"
#include "ui/win32/WindowHandles.h"

namespace thornvale::win32 {

// The modal window for the two settings outside the texts: the debug menu and the hits a
// Grumkin takes. It reads them when it loads and writes them only on Save.
class miscfrm {
 public:
  // `imageName` is the image name as the main window holds it when the window is asked for; the
  // window is created, not yet shown, over `owner`.
  miscfrm(CommandDialogs& dialogs, std::string imageName, HWND owner);
  miscfrm(const miscfrm&) = delete;
  miscfrm& operator=(const miscfrm&) = delete;
  ~miscfrm();

  // Reads the two bytes into the controls. False after a file failure, which it shows; the
  // window is then not to be shown.
  [[nodiscard]] bool Form_Load();
  // Writes what the controls hold and closes; refuses a hit count that is no byte and stays.
  void cmdsave_Click();
  // Closes without writing.
  void cmdcancel_Click();

  // Shows the window and returns when it is closed; the owner takes no input meanwhile.
  void showModal();
  [[nodiscard]] bool closed() const { return closed_; }
  [[nodiscard]] HWND hwnd() const { return window_; }

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
  static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void buildControls(UINT dpi);
  // The window's size at `dpi`, as a rectangle at (0, 0).
  [[nodiscard]] static RECT frameFor(UINT dpi);
  void setFont(UINT dpi, bool redraw);
  // Places the controls, the font and the window for `dpi`, the window at `suggested`'s corner.
  void layout(UINT dpi, const RECT& suggested);
  void close();

  CommandDialogs& dialogs_;
  std::string imageName_;
  HWND owner_;
  HWND window_ = nullptr;
  MiscData loaded_;
  FontHandle font_;
  bool closed_ = false;
};

}  // namespace thornvale::win32
