#include "ui/qt/FittedIndicatorStyle.h"

#include <QApplication>
#include <QWidget>
#include <algorithm>

namespace thornvale {

// On a new copy of the application's style, since a proxy owns the style under it.
FittedIndicatorStyle::FittedIndicatorStyle(QObject* owner) : QProxyStyle(QApplication::style()->name()) {
  setParent(owner);
}

int FittedIndicatorStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                                      const QWidget* widget) const {
  const int size = QProxyStyle::pixelMetric(metric, option, widget);
  switch (metric) {
    case PM_ExclusiveIndicatorWidth:
    case PM_ExclusiveIndicatorHeight:
    case PM_IndicatorWidth:
    case PM_IndicatorHeight:
      // Width too, so that the circle stays round.
      return widget != nullptr ? std::min(size, widget->height()) : size;
    default: return size;
  }
}

}  // namespace thornvale
