#pragma once

#include <QAbstractButton>
#include <QAction>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>
#include <QWidget>
#include <string>
#include <vector>

#include "ui/forms/FormView.h"
#include "ui/qt/ListBox.h"

namespace thornvale {

// A presenter's view over a window's controls and menu items, by their IDs: what the two Qt
// windows implement alike. `Interface` is FormView or an interface derived from it.
template <class Interface>
class ControlsView : public Interface {
 public:
  void setCaption(const std::string& caption) override {
    window_->setWindowTitle(QString::fromStdString(caption));
  }

  void setLines(int list, const std::vector<std::u16string>& lines) override {
    QStringList shown;
    for (const std::u16string& line : lines) shown.append(QString::fromStdU16String(line));
    if (auto* box = qobject_cast<ListBox*>(controls_.value(list))) box->replaceLines(shown);
  }

  [[nodiscard]] int selectedLine(int list) const override {
    const auto* box = qobject_cast<const QListWidget*>(controls_.value(list));
    if (box == nullptr) return -1;
    const QList<QListWidgetItem*> selected = box->selectedItems();
    return selected.isEmpty() ? -1 : box->row(selected.front());
  }

  [[nodiscard]] std::u16string text(int control) const override {
    QWidget* widget = controls_.value(control);
    if (const auto* box = qobject_cast<const QLineEdit*>(widget)) return box->text().toStdU16String();
    if (const auto* label = qobject_cast<const QLabel*>(widget)) return label->text().toStdU16String();
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) return button->text().toStdU16String();
    return {};
  }

  void setText(int control, std::u16string_view text) override {
    const QString shown = QString::fromStdU16String(std::u16string(text));
    QWidget* widget = controls_.value(control);
    if (auto* box = qobject_cast<QLineEdit*>(widget)) box->setText(shown);
    if (auto* label = qobject_cast<QLabel*>(widget)) label->setText(shown);
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) button->setText(shown);
  }

  void enable(int control, bool enabled) override {
    if (QAction* item = items_.value(control)) item->setEnabled(enabled);
    if (QWidget* widget = controls_.value(control)) widget->setEnabled(enabled);
  }

  [[nodiscard]] bool checked(int option) const override {
    const auto* button = qobject_cast<const QAbstractButton*>(controls_.value(option));
    return button != nullptr && button->isChecked();
  }

  void check(int option, bool checked) override {
    if (auto* button = qobject_cast<QAbstractButton*>(controls_.value(option))) button->setChecked(checked);
  }

  void focus(int control) override {
    if (QWidget* widget = controls_.value(control)) widget->setFocus();
  }

 protected:
  explicit ControlsView(QWidget* window) : window_(window) {}

  QWidget* window_;
  QHash<int, QWidget*> controls_;
  QHash<int, QAction*> items_;
};

}  // namespace thornvale
