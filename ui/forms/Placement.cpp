#include "ui/forms/Placement.h"

#include <algorithm>

namespace thornvale::forms {

ScreenRect keptOnScreen(ScreenRect frame, ScreenRect workArea) {
  const auto kept = [](int start, int size, int areaStart, int areaSize) {
    return std::max(areaStart, std::min(start, areaStart + areaSize - size));
  };
  frame.left = kept(frame.left, frame.width, workArea.left, workArea.width);
  frame.top = kept(frame.top, frame.height, workArea.top, workArea.height);
  return frame;
}

}  // namespace thornvale::forms
