#pragma once

#include <windows.h>

#include <map>

#include "ui/forms/FormTable.h"
#include "ui/win32/WindowHandles.h"

namespace thornvale::win32 {

// The layouts are given in twips, 1/1440 inch; a window turns them into its own pixels through
// its DPI, which follows the monitor it stands on.
[[nodiscard]] inline int twipsToPixels(int twips, UINT dpi) {
  return MulDiv(twips, static_cast<int>(dpi), 1440);
}

// Where a control of `form` stands in its window's client area at `dpi`, in pixels.
[[nodiscard]] RECT placeOf(const forms::FormTable& form, const forms::ControlRow& control, UINT dpi);

// Makes every control of `form` a visible child of `window` with its control ID, in the table's
// order, which is the keyboard's, and where it stands at `dpi`, so that nothing moves before the
// window is first shown.
void buildControls(HWND window, const forms::FormTable& form, UINT dpi);

// Moves and sizes each control of `form` for `dpi`.
void placeControls(HWND window, const forms::FormTable& form, UINT dpi);

// The fonts of one window's controls: the platform's message font at the window's DPI, and a
// smaller one only for a caption that does not fit its box at that size (forms/FontRule.h).
class FormFonts {
 public:
  // Gives every control of `form` its font for `dpi`; `redraw` where the window is already on
  // the screen. The fonts given before are released once no control uses them.
  void apply(HWND window, const forms::FormTable& form, UINT dpi, bool redraw);

 private:
  // By character height in pixels.
  std::map<LONG, FontHandle> fonts_;
};

// The window rectangle whose client area is `client` (in pixels) for a window of these styles.
[[nodiscard]] RECT windowRectFor(RECT client, DWORD style, DWORD exStyle, bool menu, UINT dpi);

// Gives the window's client area exactly this size, keeping its top-left corner: the frame that
// the system draws may differ from what windowRectFor reckoned (a menu bar that wraps, a frame not
// scaled for the DPI).
void fitClientArea(HWND window, int width, int height);

// The program's own module, where its windows' classes and resources live.
[[nodiscard]] inline HINSTANCE instance() { return GetModuleHandleW(nullptr); }

// The DPI of a window; 96 before it has one.
[[nodiscard]] UINT windowDpi(HWND window);

}  // namespace thornvale::win32
