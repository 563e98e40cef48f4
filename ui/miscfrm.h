#pragma once

#include <QDialog>
#include <QString>

#include "catalogue/MiscData.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace thornvale {

class Dialogs;

// The modal window for the two settings outside the texts: the debug menu and the hits a
// Grumkin takes. It reads them when it loads and writes them only on Save.
class miscfrm : public QDialog {
  Q_OBJECT

 public:
  // `fileName` is the image name as the main window holds it when the window is asked for.
  miscfrm(Dialogs& dialogs, QString fileName, QWidget* parent = nullptr);

  // Reads the two bytes into the controls. Throws FileError; the caller shows it instead of
  // showing the window.
  void Form_Load();
  // Writes what the controls hold and closes; refuses a hit count that is no byte and stays.
  void cmdsave_Click();
  // Closes without writing.
  void cmdcancel_Click();

  QGroupBox* Frame1;
  QLabel* lbldebug;
  QRadioButton* opdebuge;
  QRadioButton* opdebugd;
  QLabel* Label1;
  QLineEdit* Text1;
  QPushButton* cmdsave;
  QPushButton* cmdcancel;

  static constexpr const char* kHitCountRefusal =
      "Cannot save, \"Hits to Kill a Grumkin:\" must be a whole number from 0 to 255. "
      "Nothing was saved.";

 private:
  Dialogs& dialogs_;
  QString fileName_;
  MiscData loaded_;
};

}  // namespace thornvale
