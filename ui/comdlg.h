#pragma once

#include <QString>

class QWidget;

namespace thornvale {

class Dialogs;

// The open dialog of the main window, with the properties of the common dialog it stands in for.
// FileName is the image name: the one place where the window keeps it.
class comdlg {
 public:
  comdlg(Dialogs& dialogs, QWidget* parent) : dialogs_(dialogs), parent_(parent) {}

  QString FileName;
  QString DialogTitle;
  // Description and pattern pairs separated by bars: "nes (*.nes) | *.nes".
  QString Filter;
  QString InitDir;

  // Shows the modal open dialog and puts the chosen path into FileName; a cancel leaves it empty.
  void ShowOpen();

  // The same filter in Qt's syntax: "nes (*.nes)".
  [[nodiscard]] static QString qtFilter(const QString& filter);

 private:
  Dialogs& dialogs_;
  QWidget* parent_;
};

}  // namespace thornvale
