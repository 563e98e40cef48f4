#pragma once

#include <functional>

#include "ui/forms/FormTable.h"

namespace thornvale::forms {

// Every control shows the platform's message font for its window's DPI. The layouts are fixed in
// twips, though, and a caption cut off is worse than a smaller one: only a control whose caption
// does not fit its box at that size gets a smaller one, in half points, down to the largest at
// which it fits, never below a size still legible. Both front ends measure with their own fonts
// and decoration, and ask this for the size.
inline constexpr double kLegibleFloorPoints = 6.0;
inline constexpr double kFontStepPoints = 0.5;

// Whether a control of this kind shows a caption that must fit its box.
[[nodiscard]] bool hasCaption(ControlKind kind);

// The width, in twips, that a control's caption may take: its box, up to the first other control
// of its container that stands over the box's row further right. The layouts let some boxes
// overlap (an option button's box runs under the next one's circle).
[[nodiscard]] int captionRoom(const FormTable& form, const ControlRow& control);

// The size for a caption: `messagePoints` where `fitsAt(messagePoints)`, else the largest size
// below it, in steps of kFontStepPoints, at which it fits, else the floor. A message font already
// at or below the floor stays as it is.
[[nodiscard]] double captionPoints(double messagePoints, const std::function<bool(double points)>& fitsAt);

}  // namespace thornvale::forms
