#pragma once

#include <QString>

#include "ui/commands/CommandDialogs.h"

class QWidget;

namespace thornvale {

// Every modal question the Qt windows ask goes through here, so that tests can answer it without
// a dialog on the screen. The program passes QtDialogs; the commands reach it through
// DialogsBridge.
class Dialogs {
 public:
  using Icon = CommandDialogs::Icon;

  virtual ~Dialogs() = default;

  // A modal message box with a single OK button.
  virtual void message(QWidget* parent, const QString& title, const QString& text, Icon icon) = 0;

  // A modal open dialog; `filter` is in Qt's syntax. The chosen path, or empty when cancelled.
  virtual QString openFile(QWidget* parent, const QString& title, const QString& filter,
                           const QString& initDir) = 0;
};

}  // namespace thornvale
