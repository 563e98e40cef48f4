#pragma once

#include <QProxyStyle>

namespace thornvale {

// The application's style, except that the circle of an option button (and the box of a check
// box) is never taller than the control: the layouts give option buttons the height of the
// platform's circle at 96 dpi, and some styles draw a bigger one, which the control then cuts.
class FittedIndicatorStyle : public QProxyStyle {
  Q_OBJECT

 public:
  explicit FittedIndicatorStyle(QObject* owner);

  int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override;
};

}  // namespace thornvale
