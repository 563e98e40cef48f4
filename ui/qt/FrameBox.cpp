#include "ui/qt/FrameBox.h"

#include <QFrame>
#include <QPainter>
#include <QRegion>
#include <QStyle>
#include <QStyleOptionFrame>

namespace thornvale {

FrameBox::FrameBox(const QString& caption, QWidget* parent) : QGroupBox(caption, parent) {}

int FrameBox::lineTop() const { return fontMetrics().height() / 2; }

void FrameBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QFontMetrics metrics = fontMetrics();
  const int indent = metrics.averageCharWidth();
  const int gap = metrics.averageCharWidth() / 2;
  const QRect caption(indent, 0, metrics.horizontalAdvance(title()) + 2 * gap, metrics.height());

  // A plain frame: a style's group box frame leaves room above itself for a caption of its own.
  QStyleOptionFrame frame;
  frame.initFrom(this);
  frame.rect = rect().adjusted(0, lineTop(), 0, 0);
  frame.lineWidth = 1;
  frame.midLineWidth = 0;
  frame.frameShape = QFrame::StyledPanel;
  // The line breaks off where the caption stands.
  painter.setClipRegion(QRegion(rect()).subtracted(caption));
  style()->drawPrimitive(QStyle::PE_Frame, &frame, &painter, nullptr);
  painter.setClipping(false);
  style()->drawItemText(&painter, caption, Qt::AlignCenter | Qt::TextShowMnemonic, palette(), isEnabled(),
                        title(), QPalette::WindowText);
}

}  // namespace thornvale
