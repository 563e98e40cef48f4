#include "ui/qt/FitFont.h"

#include <QAbstractButton>
#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QWidget>

namespace thornvale {
namespace {

// The width a control's caption needs. A push button's size hint has a minimum width of the
// style's that a short caption does not need, so it counts its text and margins only.
int neededWidth(const QWidget* control) {
  if (const auto* button = qobject_cast<const QPushButton*>(control)) {
    const int margin = button->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button);
    return button->fontMetrics().horizontalAdvance(button->text()) + 2 * margin;
  }
  if (qobject_cast<const QLabel*>(control) != nullptr ||
      qobject_cast<const QAbstractButton*>(control) != nullptr) {
    return control->sizeHint().width();
  }
  return 0;
}

bool captionsFit(const QWidget* area) {
  for (const QWidget* control : area->findChildren<QWidget*>()) {
    if (neededWidth(control) > control->width()) return false;
  }
  return true;
}

}  // namespace

void fitFont(QWidget* area) {
  QFont font = area->font();
  const bool inPoints = font.pointSizeF() > 0;
  const qreal step = inPoints ? 0.5 : 1.0;
  const qreal smallest = inPoints ? 6.0 : 8.0;
  qreal size = inPoints ? font.pointSizeF() : font.pixelSize();
  while (!captionsFit(area) && size - step >= smallest) {
    size -= step;
    if (inPoints) {
      font.setPointSizeF(size);
    } else {
      font.setPixelSize(static_cast<int>(size));
    }
    area->setFont(font);
  }
}

}  // namespace thornvale
