#pragma once

#include <windows.h>

#include <span>

namespace thornvale::win32 {

// The layouts are given in twips, 1/1440 inch; a window turns them into its own pixels through
// its DPI, which follows the monitor it stands on.
[[nodiscard]] inline int twipsToPixels(int twips, UINT dpi) {
  return MulDiv(twips, static_cast<int>(dpi), 1440);
}

struct TwipsRect {
  int left;
  int top;
  int width;
  int height;
};

// A control and where it stands, relative to its window's client area.
struct Placement {
  int id;
  TwipsRect twips;
};

// Moves and sizes each control for `dpi`.
void placeControls(HWND window, std::span<const Placement> placements, UINT dpi);

// The platform's message font at `dpi`, lowered in steps of half a point, never below 6 points,
// until the caption of every control in `captioned` fits its box: a caption cut off is worse than
// a smaller letter. The caller owns the font.
[[nodiscard]] HFONT fittingFont(HWND window, std::span<const int> captioned, UINT dpi);

// Gives every child of `window` the font.
void applyFont(HWND window, HFONT font);

// The window rectangle whose client area is `client` (in pixels) for a window of these styles.
[[nodiscard]] RECT windowRectFor(RECT client, DWORD style, DWORD exStyle, bool menu, UINT dpi);

// Gives the window's client area exactly this size, keeping its top-left corner: the frame that
// the system draws may differ from what windowRectFor reckoned (a menu bar that wraps, a frame not
// scaled for the DPI).
void fitClientArea(HWND window, int width, int height);

// The program's own module, where its windows' classes and resources live.
[[nodiscard]] inline HINSTANCE instance() { return GetModuleHandleW(nullptr); }

// A visible child control of `parent` with the control ID `id`; its place comes from placeControls.
HWND createControl(HWND parent, const wchar_t* kind, const wchar_t* text, DWORD style, DWORD exStyle, int id);

// Registers, once, a window class of ours: the dialog face colour, the arrow, and the program's
// icon (resource 1) where `withIcon`.
void registerWindowClass(const wchar_t* className, bool withIcon);

// The DPI of a window; 96 before it has one.
[[nodiscard]] UINT windowDpi(HWND window);

}  // namespace thornvale::win32
