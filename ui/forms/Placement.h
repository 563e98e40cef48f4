#pragma once

namespace thornvale::forms {

// A rectangle of the screen, in a toolkit's pixels.
struct ScreenRect {
  int left;
  int top;
  int width;
  int height;
  friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};

// A window at its fixed start place that does not fit the screen's work area there moves just
// enough to be seen whole; one larger than the work area goes to its top-left corner, so that a
// small screen never hides the title bar.
[[nodiscard]] ScreenRect keptOnScreen(ScreenRect frame, ScreenRect workArea);

}  // namespace thornvale::forms
