#include "ui/qt/CommandButton.h"

#include <QKeyEvent>

namespace thornvale {

CommandButton::CommandButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {
  // Enter elsewhere in the window presses nothing.
  setAutoDefault(false);
  setDefault(false);
}

void CommandButton::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && !event->isAutoRepeat()) {
    click();
    return;
  }
  QPushButton::keyPressEvent(event);
}

}  // namespace thornvale
