#pragma once

#include <QMainWindow>

#include "ui/commands/comdlg.h"
#include "ui/qt/DialogsBridge.h"
#include "ui/qt/ListBox.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace thornvale {

class Dialogs;

// The editor's main window: the list of the 70 texts, the edit box with its two length boxes,
// the save button and the menus. What its commands decide is in ui/commands; this window only
// hands the controls' contents to them and shows what comes back.
class mainfrm : public QMainWindow {
  Q_OBJECT

  // First, since comdlg asks through it.
  DialogsBridge dialogs_;

 public:
  explicit mainfrm(Dialogs& dialogs, QWidget* parent = nullptr);

  void Form_Load();
  void txtlst_Click();
  void txtedit_Change();
  void mnuopen_Click();
  void cmdsave_Click();
  void mnumisc_Click();
  void mnuabout_Click();
  void mnuexit_Click();

  ListBox* txtlst;
  QLineEdit* txtedit;
  QLineEdit* txtindex;
  QPushButton* cmdsave;
  QLabel* Label1;
  QLineEdit* txtlength;

  QMenu* mnufile;
  QAction* mnuopen;
  QAction* mnusep1;
  QAction* mnuexit;
  QMenu* mnuedit;
  QAction* mnumisc;
  QMenu* mnuhelp;
  QAction* mnuabout;

  thornvale::comdlg comdlg;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void buildControls();
  void buildMenus();
  // The start place is fixed, but a window that does not fit the screen's free area there
  // moves just enough to be seen whole, or, larger than that area, to its top left corner.
  void keepOnScreen();
  // The selected line, or -1 when none is.
  [[nodiscard]] int selectedPosition() const;

  // The line a mouse press found already selected: releasing on it selects it again.
  int reclickedRow_ = -1;
};

}  // namespace thornvale
