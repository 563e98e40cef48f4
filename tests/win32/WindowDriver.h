#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace thornvale::test::win32 {

// Does to the real controls what a user's mouse and keyboard do, through the messages the
// controls themselves answer, so that the notifications the windows act on come from the controls.

// A press and release of the left button over line `row` of a list box.
void clickLine(HWND list, int row);
// A key press on the control that has the focus, as the message loop would deliver it.
void pressKey(HWND control, UINT virtualKey);
// Types `text` character by character at the caret.
void typeText(HWND edit, std::u16string_view text);
// Selects everything in an edit box and types `text` over it.
void retype(HWND edit, std::u16string_view text);
// A press and release of the button.
void click(HWND button);
// Chooses a menu item of `window`.
void chooseMenuItem(HWND window, int id);

[[nodiscard]] std::u16string textOf(HWND control);
[[nodiscard]] std::vector<std::u16string> linesOf(HWND list);
[[nodiscard]] int selectedLine(HWND list);
// The control's rectangle in its parent's client area.
[[nodiscard]] RECT placeOf(HWND control);
// The caption of each item of a menu, "-" for a separator.
[[nodiscard]] std::vector<std::u16string> menuItems(HMENU menu);
[[nodiscard]] bool menuItemEnabled(HMENU menu, int id);

// Runs `whileShown` from the message loop of the first modal window of class `className` that
// opens during `action`, with that window's handle; leaves the window as `whileShown` left it.
// Returns whether such a window was shown at all.
bool whileModal(const wchar_t* className, const std::function<void()>& action,
                const std::function<void(HWND)>& whileShown);

}  // namespace thornvale::test::win32
