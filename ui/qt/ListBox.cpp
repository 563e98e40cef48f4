#include "ui/qt/ListBox.h"

#include <QMouseEvent>

namespace thornvale {

ListBox::ListBox(QWidget* parent) : QListWidget(parent) {
  connect(this, &QListWidget::itemSelectionChanged, this, [this] {
    if (!selectedItems().isEmpty()) emit lineChosen();
  });
  connect(this, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    if (row(item) == reclickedRow_) emit lineChosen();
  });
}

void ListBox::mousePressEvent(QMouseEvent* event) {
  const int pressed = indexAt(event->position().toPoint()).row();
  const QList<QListWidgetItem*> selected = selectedItems();
  reclickedRow_ = pressed >= 0 && !selected.isEmpty() && pressed == row(selected.front()) ? pressed : -1;
  QListWidget::mousePressEvent(event);
}

void ListBox::replaceLines(const QStringList& lines) {
  clear();
  addItems(lines);
  selectionModel()->clearCurrentIndex();
  scrollToTop();
}

QItemSelectionModel::SelectionFlags ListBox::selectionCommand(const QModelIndex& index,
                                                              const QEvent* event) const {
  const QItemSelectionModel::SelectionFlags command = QListWidget::selectionCommand(index, event);
  // Ctrl with a click or Space would take the selection away: it selects the line instead.
  if (command.testAnyFlags(QItemSelectionModel::Deselect | QItemSelectionModel::Toggle)) {
    return index.isValid() ? QItemSelectionModel::ClearAndSelect : QItemSelectionModel::NoUpdate;
  }
  if (!index.isValid() && command.testFlag(QItemSelectionModel::Clear)) {
    return QItemSelectionModel::NoUpdate;
  }
  return command;
}

void ListBox::focusInEvent(QFocusEvent* event) {
  // Qt makes the first line current when a list without one takes the focus, and Down then
  // selects the second.
  const bool hadCurrent = currentIndex().isValid();
  QListWidget::focusInEvent(event);
  if (!hadCurrent && selectedItems().isEmpty()) selectionModel()->clearCurrentIndex();
}

QModelIndex ListBox::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
  // Without a current line Qt goes to the first for every key; End goes to the last.
  if (!currentIndex().isValid() && action == MoveEnd && count() > 0) return indexFromItem(item(count() - 1));
  return QListWidget::moveCursor(action, modifiers);
}

}  // namespace thornvale
