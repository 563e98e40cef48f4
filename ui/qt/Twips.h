#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>
#include <string_view>

class QScreen;

namespace thornvale {

// The windows are laid out in twips, 1/1440 inch; this turns them into the pixels of a screen
// through its logical resolution (15 twips a pixel at 96 dpi).
class Twips {
 public:
  explicit Twips(const QScreen* screen);

  [[nodiscard]] int x(int twips) const;
  [[nodiscard]] int y(int twips) const;
  [[nodiscard]] QPoint point(int left, int top) const { return {x(left), y(top)}; }
  [[nodiscard]] QSize size(int width, int height) const { return {x(width), y(height)}; }
  [[nodiscard]] QRect rect(int left, int top, int width, int height) const {
    return {point(left, top), size(width, height)};
  }

 private:
  qreal dpiX_;
  qreal dpiY_;
};

// A control of the fixed layout: its name, by which tests find it, and its place in pixels.
template <class Control>
Control* place(Control* control, std::string_view name, const QRect& where) {
  control->setObjectName(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
  control->setGeometry(where);
  return control;
}

}  // namespace thornvale
