#pragma once

#include <QPushButton>

namespace thornvale {

// A push button that Enter and keypad Enter press while it has the focus, as Space does, also
// when it is neither the default nor the cancel button of its window.
class CommandButton : public QPushButton {
  Q_OBJECT

 public:
  CommandButton(const QString& caption, QWidget* parent);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace thornvale
