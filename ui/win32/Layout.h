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

// Where the control `id` of `placements` stands at `dpi`, in pixels.
[[nodiscard]] RECT placedAt(std::span<const Placement> placements, int id, UINT dpi);

// Moves and sizes each control for `dpi`.
void placeControls(HWND window, std::span<const Placement> placements, UINT dpi);

// The platform's message font at `dpi`, lowered in steps of half a point, never below 6 points,
// until the caption of every control in `captioned` fits its box: a caption cut off is worse than
// a smaller letter. The caller owns the font.
[[nodiscard]] HFONT fittingFont(HWND window, std::span<const int> captioned, UINT dpi);

// Gives every child of `window` the font; `redraw` where the window is already on the screen.
void applyFont(HWND window, HFONT font, bool redraw);

// The window rectangle whose client area is `client` (in pixels) for a window of these styles.
[[nodiscard]] RECT windowRectFor(RECT client, DWORD style, DWORD exStyle, bool menu, UINT dpi);

// Gives the window's client area exactly this size, keeping its top-left corner: the frame that
// the system draws may differ from what windowRectFor reckoned (a menu bar that wraps, a frame not
// scaled for the DPI).
void fitClientArea(HWND window, int width, int height);

// The program's own module, where its windows' classes and resources live.
[[nodiscard]] inline HINSTANCE instance() { return GetModuleHandleW(nullptr); }

// A visible child control of `parent` with the control ID `id`, created where it stands (placedAt),
// so that nothing moves before its window is first shown.
HWND createControl(HWND parent, const wchar_t* kind, const wchar_t* text, DWORD style, DWORD exStyle, int id,
                   const RECT& box);

// Registers, once, a window class of ours: `procedure`, the dialog face colour, the arrow, and the
// program's icon (resource 1) where `withIcon`.
void registerWindowClass(const wchar_t* className, WNDPROC procedure, bool withIcon);

// For the window procedure of a class of ours: the object that the window's creation named
// (CreateWindowExW's last argument), kept with the window from WM_NCCREATE on; null before that
// and once forgetOwner has run.
template <typename Owner>
Owner* ownerOf(HWND window, UINT message, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* owner = static_cast<Owner*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
    return owner;
  }
  return reinterpret_cast<Owner*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

// The window calls back into its object no longer: for the object's destructor.
inline void forgetOwner(HWND window) { SetWindowLongPtrW(window, GWLP_USERDATA, 0); }

// The DPI of a window; 96 before it has one.
[[nodiscard]] UINT windowDpi(HWND window);

}  // namespace thornvale::win32
