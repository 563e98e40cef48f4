#pragma once

#include <QHash>

#include "ui/forms/FormTable.h"

class QAction;
class QMainWindow;
class QWidget;

namespace thornvale {

class Twips;

// Makes the controls of `form` under `client`, or under the control named as their container:
// each with its object name, place, caption, accessible name and font, in the keyboard order of
// the table. By control ID.
QHash<int, QWidget*> buildControls(QWidget* client, const forms::FormTable& form, const Twips& twips);

// Makes the menus of `form` on the window's menu bar, each menu and item with its object name.
// By menu item ID.
QHash<int, QAction*> buildMenus(QMainWindow* window, const forms::FormTable& form);

}  // namespace thornvale
