#include "ui/qt/LengthBox.h"

#include <QApplication>
#include <QEvent>
#include <QPalette>
#include <algorithm>
#include <cmath>

namespace thornvale {
namespace {

// Well above 4.5: anti-aliasing draws the thin strokes of small digits paler than their colour.
constexpr double kWantedContrast = 7.0;

double luminance(const QColor& colour) {
  const auto linear = [](double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
  return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) + 0.0722 * linear(colour.blueF());
}

QColor mix(const QColor& from, const QColor& to, double share) {
  return QColor::fromRgbF(static_cast<float>(from.redF() + (to.redF() - from.redF()) * share),
                          static_cast<float>(from.greenF() + (to.greenF() - from.greenF()) * share),
                          static_cast<float>(from.blueF() + (to.blueF() - from.blueF()) * share));
}

}  // namespace

double contrastRatio(const QColor& a, const QColor& b) {
  const double la = luminance(a);
  const double lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

LengthBox::LengthBox(QWidget* parent) : QLineEdit(parent) {
  setEnabled(false);
  setFocusPolicy(Qt::NoFocus);
  makeLegible();
}

void LengthBox::changeEvent(QEvent* event) {
  QLineEdit::changeEvent(event);
  if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange ||
      event->type() == QEvent::ParentChange) {
    makeLegible();
  }
}

void LengthBox::makeLegible() {
  // From the palette this box would have without its own text colour, so that it follows a
  // change of the desktop's palette.
  const QPalette inherited =
      parentWidget() != nullptr ? parentWidget()->palette() : QApplication::palette(this);
  const QColor background = inherited.color(QPalette::Disabled, QPalette::Base);
  const QColor pale = inherited.color(QPalette::Disabled, QPalette::Text);
  const QColor full = inherited.color(QPalette::Active, QPalette::Text);
  // As close to the platform's grey as reads well, towards the ordinary text colour.
  QColor text = pale;
  for (int step = 1; step <= 10 && contrastRatio(text, background) < kWantedContrast; ++step) {
    text = mix(pale, full, step / 10.0);
  }
  if (palette().color(QPalette::Disabled, QPalette::Text) == text) return;
  // Only this one colour is the box's own; the rest still comes from its window.
  QPalette own;
  own.setColor(QPalette::Disabled, QPalette::Text, text);
  setPalette(own);
}

}  // namespace thornvale
