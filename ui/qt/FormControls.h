#pragma once

#include <QHash>
#include <QString>

#include <string_view>

#include "ui/forms/FormPresenter.h"
#include "ui/forms/FormTable.h"

class QAction;
class QMainWindow;
class QWidget;

namespace thornvale {

class Twips;

// A text of the form tables, UTF-8, as Qt shows it.
[[nodiscard]] inline QString qtString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Makes the controls of `form` under `client`, or under the control named as their container:
// each with its object name, place, caption, accessible name and font, in the keyboard order of
// the table, a group of option buttons one stop. By control ID.
QHash<int, QWidget*> buildControls(QWidget* client, const forms::FormTable& form, const Twips& twips);

// Makes the menus of `form` on the window's menu bar, each menu and item with its object name.
// By menu item ID.
QHash<int, QAction*> buildMenus(QMainWindow* window, const forms::FormTable& form);

// Reports to `presenter` what happens to the controls and menu items of `window` and to the window:
// a line chosen, a button or an item pressed (Click), a new text in a box (Change), Escape that no
// control took, and the close box, which closes the window only where the presenter says so.
void connectEvents(QWidget* window, const QHash<int, QWidget*>& controls, const QHash<int, QAction*>& items,
                   forms::FormPresenter& presenter);

}  // namespace thornvale
