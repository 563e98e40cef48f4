#pragma once

#include <windows.h>

#include <string>

#include "ui/commands/CommandDialogs.h"
#include "ui/commands/comdlg.h"
#include "ui/win32/WindowHandles.h"

namespace thornvale::win32 {

// The editor's main window with the Windows API: the list of the 70 texts, the edit box with its
// two length boxes, the save button and the menus. The commands decide; this window only moves
// text between its controls and them. Controls and menu items carry the IDs of ControlIds.h.
class mainfrm {
 public:
  // Creates the window, not yet shown, and runs Form_Load.
  explicit mainfrm(CommandDialogs& dialogs);
  mainfrm(const mainfrm&) = delete;
  mainfrm& operator=(const mainfrm&) = delete;
  ~mainfrm();

  // Shows the window at its fixed place, the focus on the list.
  void show(int showCommand = SW_SHOWNORMAL);
  // When the window is gone, the program's message loop ends: for the program, not for tests.
  void quitWhenClosed() { quitWhenClosed_ = true; }

  void Form_Load();
  void txtlst_Click();
  void txtedit_Change();
  void mnuopen_Click();
  void cmdsave_Click();
  void mnumisc_Click();
  void mnuabout_Click();
  void mnuexit_Click();

  [[nodiscard]] HWND hwnd() const { return window_; }
  // The menu bar shows File and Help; the Edit menu is the window's all the same, kept off the bar.
  [[nodiscard]] HMENU mnufile() const { return mnufile_; }
  [[nodiscard]] HMENU mnuedit() const { return mnuedit_; }
  [[nodiscard]] HMENU mnuhelp() const { return mnuhelp_; }

  HWND txtlst = nullptr;
  HWND txtedit = nullptr;
  HWND txtindex = nullptr;
  HWND cmdsave = nullptr;
  HWND Label1 = nullptr;
  HWND txtlength = nullptr;

  thornvale::comdlg comdlg;

  static constexpr const wchar_t* kClassName = L"ThornvaleTextEditor";

 private:
  static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void onCommand(int id, int code);
  void buildControls(UINT dpi);
  // The menu bar, with the menus kept in the members.
  [[nodiscard]] HMENU buildMenus();
  // The window's rectangle at `dpi`: at `topLeft`, or without it at the fixed start position.
  [[nodiscard]] static RECT frameFor(UINT dpi, const POINT* topLeft);
  void setFont(UINT dpi, bool redraw);
  void placeWindow(const RECT& frame);
  // Places the controls, the font and the window for `dpi` once the window stands somewhere;
  // `topLeft` as for frameFor.
  void layout(UINT dpi, const POINT* topLeft);
  [[nodiscard]] int selectedPosition() const;

  CommandDialogs& dialogs_;
  HWND window_ = nullptr;
  HMENU mnufile_ = nullptr;
  HMENU mnuedit_ = nullptr;
  HMENU mnuhelp_ = nullptr;
  // The Edit menu is on no menu bar, so nothing destroys it with the window.
  MenuHandle editMenuOwner_;
  FontHandle font_;
  HWND focus_ = nullptr;
  bool quitWhenClosed_ = false;
};

}  // namespace thornvale::win32
