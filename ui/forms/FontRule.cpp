#include "ui/forms/FontRule.h"

#include <algorithm>

namespace thornvale::forms {

bool hasCaption(ControlKind kind) {
  switch (kind) {
    case ControlKind::CommandButton:
    case ControlKind::Label:
    case ControlKind::Frame:
    case ControlKind::OptionButton: return true;
    default: return false;
  }
}

int captionRoom(const FormTable& form, const ControlRow& control) {
  const TwipsRect& box = control.twips;
  int right = box.left + box.width;
  for (const ControlRow& other : form.controls) {
    const TwipsRect& them = other.twips;
    const bool sameRow = them.top < box.top + box.height && box.top < them.top + them.height;
    if (&other != &control && other.container == control.container && sameRow && them.left > box.left &&
        them.left < right) {
      right = them.left;
    }
  }
  return right - box.left;
}

double captionPoints(double messagePoints, const std::function<bool(double)>& fitsAt) {
  double points = messagePoints;
  while (points > kLegibleFloorPoints && !fitsAt(points)) {
    points = std::max(kLegibleFloorPoints, points - kFontStepPoints);
  }
  return points;
}

}  // namespace thornvale::forms
