#include "ui/qt/FormControls.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QStyle>

#include <map>

#include "ui/forms/FontRule.h"
#include "ui/forms/Keyboard.h"
#include "ui/qt/CommandButton.h"
#include "ui/qt/FittedIndicatorStyle.h"
#include "ui/qt/FrameBox.h"
#include "ui/qt/LengthBox.h"
#include "ui/qt/ListBox.h"
#include "ui/qt/Twips.h"

namespace thornvale {
namespace {

using forms::ControlKind;
using forms::ControlRow;

QWidget* make(const ControlRow& control, QWidget* parent, QStyle* fitted) {
  const QString caption = qtString(control.caption);
  switch (control.kind) {
    case ControlKind::ListBox: {
      auto* list = new ListBox(parent);
      list->setSelectionMode(QAbstractItemView::SingleSelection);
      list->setSortingEnabled(false);
      // As the Windows list box: a line longer than the list is cut, and the edit box shows it.
      list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
      return list;
    }
    case ControlKind::TextBox: return new QLineEdit(caption, parent);
    case ControlKind::LengthBox: return new LengthBox(parent);
    case ControlKind::CommandButton: return new CommandButton(caption, parent);
    case ControlKind::Label: return new QLabel(caption, parent);
    case ControlKind::Frame: return new FrameBox(caption, parent);
    case ControlKind::OptionButton: {
      auto* option = new QRadioButton(caption, parent);
      option->setStyle(fitted);
      return option;
    }
  }
  return new QWidget(parent);
}

// The width a control's caption needs in its font. A push button's size hint has a minimum width
// of the style's that a short caption does not need, so it counts its text and margins only.
int neededWidth(const QWidget* control) {
  if (const auto* button = qobject_cast<const QPushButton*>(control)) {
    const int margin = button->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button);
    return button->fontMetrics().horizontalAdvance(button->text()) + 2 * margin;
  }
  return control->sizeHint().width();
}

// The platform's font, smaller only where the caption would not fit the room it has.
void fitCaption(QWidget* control, int room) {
  QFont font = control->font();
  const qreal dpi = control->logicalDpiY();
  const qreal message = font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * 72.0 / dpi;
  const double points = forms::captionPoints(message, [&](double size) {
    QFont sized = font;
    sized.setPointSizeF(size);
    if (size != message) control->setFont(sized);
    const bool fits = neededWidth(control) <= room;
    control->setFont(font);
    return fits;
  });
  if (points == message) return;
  font.setPointSizeF(points);
  control->setFont(font);
}

// Tab reaches a group of option buttons at one of them only; the arrow keys move between them.
void keepGroupStops(const forms::FormTable& form, const QHash<int, QWidget*>& controls) {
  const auto checked = [&](int id) {
    const auto* option = qobject_cast<const QRadioButton*>(controls.value(id));
    return option != nullptr && option->isChecked();
  };
  for (const ControlRow& control : form.controls) {
    if (control.kind != ControlKind::OptionButton) continue;
    const bool stop = forms::groupStop(form, control.id, checked) == control.id;
    controls.value(control.id)->setFocusPolicy(stop ? Qt::StrongFocus : Qt::ClickFocus);
  }
}

// Escape and the close box of a window, for its presenter to decide.
class WindowEvents final : public QObject {
 public:
  WindowEvents(QWidget* window, forms::FormPresenter& presenter) : QObject(window), presenter_(presenter) {
    window->installEventFilter(this);
  }

  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->matches(QKeySequence::Cancel)) {
      presenter_.escapePressed();
      return true;
    }
    if (event->type() == QEvent::Close && !presenter_.closeRequested()) {
      event->ignore();
      return true;
    }
    return false;
  }

 private:
  forms::FormPresenter& presenter_;
};

}  // namespace

QHash<int, QWidget*> buildControls(QWidget* client, const forms::FormTable& form, const Twips& twips) {
  QHash<int, QWidget*> controls;
  std::map<int, QWidget*> keyboardOrder;
  auto* fitted = new FittedIndicatorStyle(client);
  for (const ControlRow& control : form.controls) {
    const ControlRow* container = forms::findControl(form, control.container);
    QWidget* parent = container != nullptr ? controls.value(container->id) : client;
    QWidget* widget = make(control, parent, fitted);
    place(widget, control.name,
          twips.rect(control.twips.left, control.twips.top, control.twips.width, control.twips.height));
    // A screen reader has no caption to read for these.
    if (!control.accessibleName.empty()) {
      widget->setAccessibleName(qtString(control.accessibleName));
      widget->setAccessibleDescription(qtString(control.accessibleDescription));
    }
    if (forms::hasCaption(control.kind)) fitCaption(widget, twips.x(forms::captionRoom(form, control)));
    controls.insert(control.id, widget);
    if (control.tabOrder >= 0) keyboardOrder[control.tabOrder] = widget;
  }
  QWidget* previous = nullptr;
  for (const auto& [order, widget] : keyboardOrder) {
    if (previous != nullptr) QWidget::setTabOrder(previous, widget);
    previous = widget;
  }
  for (QWidget* widget : std::as_const(controls)) {
    if (auto* option = qobject_cast<QRadioButton*>(widget)) {
      QObject::connect(option, &QRadioButton::toggled, client,
                       [&form, controls] { keepGroupStops(form, controls); });
    }
  }
  keepGroupStops(form, controls);
  return controls;
}

void connectEvents(QWidget* window, const QHash<int, QWidget*>& controls, const QHash<int, QAction*>& items,
                   forms::FormPresenter& presenter) {
  using forms::ControlEvent;
  new WindowEvents(window, presenter);
  const auto report = [&presenter](int id, ControlEvent event) {
    return [&presenter, id, event] { presenter.handle(id, event); };
  };
  for (auto control = controls.cbegin(); control != controls.cend(); ++control) {
    const int id = control.key();
    if (auto* list = qobject_cast<ListBox*>(control.value())) {
      QObject::connect(list, &ListBox::lineChosen, window, report(id, ControlEvent::Click));
    } else if (auto* box = qobject_cast<QLineEdit*>(control.value())) {
      QObject::connect(box, &QLineEdit::textChanged, window, report(id, ControlEvent::Change));
    } else if (auto* button = qobject_cast<QAbstractButton*>(control.value())) {
      QObject::connect(button, &QAbstractButton::clicked, window, report(id, ControlEvent::Click));
    }
  }
  for (auto item = items.cbegin(); item != items.cend(); ++item) {
    QObject::connect(item.value(), &QAction::triggered, window, report(item.key(), ControlEvent::Click));
  }
}

QHash<int, QAction*> buildMenus(QMainWindow* window, const forms::FormTable& form) {
  QHash<int, QAction*> items;
  for (const forms::MenuRow& menuRow : form.menus) {
    QMenu* menu = window->menuBar()->addMenu(qtString(menuRow.caption));
    menu->setObjectName(qtString(menuRow.name));
    menu->menuAction()->setVisible(menuRow.visible);
    menu->menuAction()->setEnabled(menuRow.visible);
    for (const forms::MenuItemRow& item : menuRow.items) {
      QAction* action = item.caption.empty() ? menu->addSeparator() : menu->addAction(qtString(item.caption));
      action->setObjectName(qtString(item.name));
      items.insert(item.id, action);
    }
  }
  return items;
}

}  // namespace thornvale
