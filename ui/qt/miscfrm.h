#pragma once

#include <QDialog>
#include <string>

#include "catalogue/MiscData.h"
#include "ui/qt/DialogsBridge.h"

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
  // `imageName` is the image name as the main window holds it when the window is asked for.
  miscfrm(Dialogs& dialogs, std::string imageName, QWidget* parent = nullptr);

  // Reads the two bytes into the controls. False after a file failure, which it shows over the
  // parent; the window is then not to be shown.
  [[nodiscard]] bool Form_Load();
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

 private:
  void moveTabStop();

  DialogsBridge dialogs_;
  std::string imageName_;
  MiscData loaded_;
};

}  // namespace thornvale
