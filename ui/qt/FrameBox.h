#pragma once

#include <QGroupBox>

namespace thornvale {

// A frame as the layouts were drawn for: its caption stands in the frame's top line, which runs
// at half the caption's height, so that controls placed a little below the frame's top edge are
// inside it and clear of the line. Qt's styles draw the caption above the line instead.
class FrameBox : public QGroupBox {
  Q_OBJECT

 public:
  FrameBox(const QString& caption, QWidget* parent);

  // Where the top line runs, from the frame's top edge.
  [[nodiscard]] int lineTop() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace thornvale
