#pragma once

#include <QString>

class QWidget;

namespace thornvale {

class FileError;

// Every modal question the windows ask goes through here, so that tests can answer it without a
// dialog on the screen. The program passes QtDialogs.
class Dialogs {
 public:
  enum class Icon { None, Stop };

  virtual ~Dialogs() = default;

  // A modal message box with a single OK button.
  virtual void message(QWidget* parent, const QString& title, const QString& text, Icon icon) = 0;

  // A modal open dialog; `filter` is in Qt's syntax. The chosen path, or empty when cancelled.
  virtual QString openFile(QWidget* parent, const QString& title, const QString& filter,
                           const QString& initDir) = 0;
};

// How a command reports a file that failed it: the path and the system's reason, under "Error".
void showError(Dialogs& dialogs, QWidget* parent, const FileError& error);

// How a command says no to what the user asked of it, also under "Error".
void showRefusal(Dialogs& dialogs, QWidget* parent, const QString& text);

}  // namespace thornvale
