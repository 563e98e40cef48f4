#include "ui/qt/mainfrm.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>

#include "ui/commands/MainCommands.h"
#include "ui/qt/CommandButton.h"
#include "ui/qt/Dialogs.h"
#include "ui/qt/FitFont.h"
#include "ui/qt/LengthBox.h"
#include "ui/qt/Twips.h"
#include "ui/qt/miscfrm.h"

namespace thornvale {

mainfrm::mainfrm(Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      dialogs_(dialogs, this),
      comdlg(dialogs_) {
  setObjectName(QStringLiteral("mainfrm"));
  setWindowIcon(QIcon(QStringLiteral(":/icons/thornvale-32.png")));
  buildControls();
  buildMenus();

  const Twips twips(screen());
  // The size of the client area is fixed, and so the window's with the menu bar above it.
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  layout()->activate();
  // The client area, below the menu bar, starts at the same place of the screen every time.
  setGeometry(QRect(twips.point(4515, 3615) - centralWidget()->pos(), size()));
  keepOnScreen();
  txtlst->setFocus();

  Form_Load();
}

void mainfrm::buildControls() {
  const Twips twips(screen());
  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("client"));
  client->setFixedSize(twips.size(6750, 4395));
  setCentralWidget(client);

  txtlst = place(new ListBox(client), "txtlst", twips.rect(0, 0, 6735, 3180));
  txtlst->setSelectionMode(QAbstractItemView::SingleSelection);
  txtlst->setSortingEnabled(false);

  txtedit = place(new QLineEdit(client), "txtedit", twips.rect(40, 3240, 6255, 285));

  txtindex = place(new LengthBox(client), "txtindex", twips.rect(6360, 3240, 375, 285));

  cmdsave = place(new CommandButton(QStringLiteral("Save Selected Text"), client), "cmdsave",
                  twips.rect(2520, 3960, 1695, 375));

  Label1 = place(new QLabel(QStringLiteral("Make sure to save after ever text entry you edit."), client),
                 "Label1", twips.rect(1680, 3600, 3495, 255));

  txtlength = place(new LengthBox(client), "txtlength", twips.rect(6360, 3600, 375, 285));

  // A screen reader has no caption to read for these.
  txtlst->setAccessibleName(QStringLiteral("Texts"));
  txtlst->setAccessibleDescription(
      QStringLiteral("The 70 texts of the image, one a line; select one to edit it"));
  txtedit->setAccessibleName(QStringLiteral("Text"));
  txtedit->setAccessibleDescription(
      QStringLiteral("The selected text, to edit; a save takes it only at its stored length"));
  txtindex->setAccessibleName(QStringLiteral("Stored length"));
  txtindex->setAccessibleDescription(QStringLiteral("Characters of the selected text as stored"));
  txtlength->setAccessibleName(QStringLiteral("Current length"));
  txtlength->setAccessibleDescription(QStringLiteral("Characters of the text being edited"));
  setTabOrder(txtlst, txtedit);
  setTabOrder(txtedit, cmdsave);
  fitFont(client);

  // A line is selected by mouse or keyboard; selecting the selected line again also counts, so
  // that a click brings back the text as it was read.
  connect(txtlst, &QListWidget::itemSelectionChanged, this, [this] {
    if (selectedPosition() >= 0) txtlst_Click();
  });
  txtlst->viewport()->installEventFilter(this);
  connect(txtlst, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    if (txtlst->row(item) == reclickedRow_) txtlst_Click();
  });
  connect(txtedit, &QLineEdit::textChanged, this, &mainfrm::txtedit_Change);
  connect(cmdsave, &QPushButton::clicked, this, &mainfrm::cmdsave_Click);
}

void mainfrm::buildMenus() {
  // The menu stays in the window on desktops with a global menu bar: the layout counts on it.
  menuBar()->setNativeMenuBar(false);

  mnufile = menuBar()->addMenu(QStringLiteral("File"));
  mnufile->setObjectName(QStringLiteral("mnufile"));
  mnuopen = mnufile->addAction(QStringLiteral("Open"));
  mnuopen->setObjectName(QStringLiteral("mnuopen"));
  mnusep1 = mnufile->addSeparator();
  mnusep1->setObjectName(QStringLiteral("mnusep1"));
  mnuexit = mnufile->addAction(QStringLiteral("Exit"));
  mnuexit->setObjectName(QStringLiteral("mnuexit"));

  mnuedit = menuBar()->addMenu(QStringLiteral("Edit"));
  mnuedit->setObjectName(QStringLiteral("mnuedit"));
  mnuedit->menuAction()->setVisible(false);
  mnuedit->menuAction()->setEnabled(false);
  mnumisc = mnuedit->addAction(QStringLiteral("Misc Data"));
  mnumisc->setObjectName(QStringLiteral("mnumisc"));

  mnuhelp = menuBar()->addMenu(QStringLiteral("Help"));
  mnuhelp->setObjectName(QStringLiteral("mnuhelp"));
  mnuabout = mnuhelp->addAction(QStringLiteral("About"));
  mnuabout->setObjectName(QStringLiteral("mnuabout"));

  connect(mnuopen, &QAction::triggered, this, &mainfrm::mnuopen_Click);
  connect(mnuexit, &QAction::triggered, this, &mainfrm::mnuexit_Click);
  connect(mnumisc, &QAction::triggered, this, &mainfrm::mnumisc_Click);
  connect(mnuabout, &QAction::triggered, this, &mainfrm::mnuabout_Click);
}

void mainfrm::Form_Load() {
  setWindowTitle(QString::fromStdString(caption()));
  mnumisc->setEnabled(false);
}

void mainfrm::txtlst_Click() {
  const QListWidgetItem* line = txtlst->item(selectedPosition());
  if (line == nullptr) return;
  // Setting the text it already has changes nothing and so runs no change handler; the length
  // box must follow all the same.
  const bool unchanged = txtedit->text() == line->text();
  txtedit->setText(line->text());
  if (unchanged) txtedit_Change();
  txtindex->setText(QString::fromStdString(lengthText(txtedit->text().toStdU16String())));
}

void mainfrm::txtedit_Change() {
  txtlength->setText(QString::fromStdString(lengthText(txtedit->text().toStdU16String())));
}

void mainfrm::mnuopen_Click() {
  const auto lines = openImage(dialogs_, comdlg, corePath(QCoreApplication::applicationDirPath()));
  if (!lines) return;
  mnumisc->setEnabled(true);
  QStringList shown;
  for (const std::u16string& line : *lines) shown.append(QString::fromStdU16String(line));
  txtlst->replaceLines(shown);
}

void mainfrm::cmdsave_Click() {
  saveText(dialogs_, comdlg.FileName, selectedPosition(), txtedit->text().toStdU16String());
}

void mainfrm::mnumisc_Click() {
  miscfrm form(dialogs_.dialogs(), comdlg.FileName, this);
  if (form.Form_Load()) form.exec();
}

void mainfrm::mnuabout_Click() { showAbout(dialogs_); }

void mainfrm::mnuexit_Click() { close(); }

bool mainfrm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == txtlst->viewport() && event->type() == QEvent::MouseButtonPress) {
    const auto* press = static_cast<QMouseEvent*>(event);
    const int row = txtlst->indexAt(press->position().toPoint()).row();
    reclickedRow_ = row >= 0 && row == selectedPosition() ? row : -1;
  }
  return QMainWindow::eventFilter(watched, event);
}

void mainfrm::keepOnScreen() {
  const QRect available = screen()->availableGeometry();
  const QRect frame = frameGeometry();
  QPoint shift;
  if (frame.right() > available.right()) shift.setX(available.right() - frame.right());
  if (frame.bottom() > available.bottom()) shift.setY(available.bottom() - frame.bottom());
  // A window larger than the screen shows its title bar and its left edge.
  if (frame.left() + shift.x() < available.left()) shift.setX(available.left() - frame.left());
  if (frame.top() + shift.y() < available.top()) shift.setY(available.top() - frame.top());
  // Through the client area's geometry: before the window is shown, a move would take the
  // client area's place for the frame's.
  if (!shift.isNull()) setGeometry(geometry().translated(shift));
}

void mainfrm::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // The window manager's frame is known only once the window is on the screen.
  if (!event->spontaneous()) QTimer::singleShot(0, this, &mainfrm::keepOnScreen);
}

int mainfrm::selectedPosition() const {
  const QList<QListWidgetItem*> selected = txtlst->selectedItems();
  return selected.isEmpty() ? -1 : txtlst->row(selected.front());
}

}  // namespace thornvale
