#pragma once

#include <QListWidget>
#include <QStringList>

namespace thornvale {

// A single-selection list box as the platform the editor was drawn for has it: once a line is
// selected, one stays selected (no click or key clears it) until the lines are replaced; and a
// list without a selected line has no current line either, so that the first Down selects the
// first line.
class ListBox : public QListWidget {
  Q_OBJECT

 public:
  explicit ListBox(QWidget* parent);

  // The lines of a newly read image: none selected, none current, the top in view.
  void replaceLines(const QStringList& lines);

 signals:
  // A line was selected, by mouse or keyboard; clicking the selected line again also counts, so
  // that a click brings back the text as it was read.
  void lineChosen();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                       const QEvent* event) const override;
  void focusInEvent(QFocusEvent* event) override;
  QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;

 private:
  // The line a mouse press found already selected: releasing on it selects it again.
  int reclickedRow_ = -1;
};

}  // namespace thornvale
