#include "ui/qt/mainfrm.h"

#include <QCoreApplication>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>

#include "ui/forms/Forms.h"
#include "ui/forms/Placement.h"
#include "ui/qt/FormControls.h"
#include "ui/qt/QtDialogs.h"
#include "ui/qt/Twips.h"
#include "ui/qt/miscfrm.h"

namespace thornvale {
namespace {

const forms::FormTable& form() { return forms::mainfrm(); }

}  // namespace

mainfrm::mainfrm(CommandDialogs* answers, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      ControlsView(this),
      dialogs(answers, [this] { return std::make_unique<QtDialogs>(this); }),
      presenter(*this, dialogs.get()) {
  setObjectName(QString::fromLatin1(form().name.data(), static_cast<qsizetype>(form().name.size())));
  setWindowIcon(QIcon(QStringLiteral(":/icons/thornvale-32.png")));
  const Twips twips(screen());
  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("client"));
  client->setFixedSize(twips.size(form().clientWidth, form().clientHeight));
  setCentralWidget(client);
  controls_ = buildControls(client, form(), twips);
  // The menu stays in the window on desktops with a global menu bar: the layout counts on it.
  menuBar()->setNativeMenuBar(false);
  items_ = buildMenus(this, form());
  connectControls();

  // The size of the client area is fixed, and so the window's with the menu bar above it.
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  layout()->activate();
  // The client area, below the menu bar, starts at the same place of the screen every time.
  setGeometry(QRect(twips.point(form().startLeft, form().startTop) - centralWidget()->pos(), size()));
  keepOnScreen();
  controls_.value(forms::kTxtlst)->setFocus();

  presenter.Form_Load();
}

mainfrm::~mainfrm() = default;

void mainfrm::connectControls() {
  auto* txtlst = static_cast<ListBox*>(controls_.value(forms::kTxtlst));
  // A line is selected by mouse or keyboard; selecting the selected line again also counts, so
  // that a click brings back the text as it was read.
  connect(txtlst, &QListWidget::itemSelectionChanged, this, [this] {
    if (selectedLine(forms::kTxtlst) >= 0) presenter.txtlst_Click();
  });
  txtlst->viewport()->installEventFilter(this);
  connect(txtlst, &QListWidget::itemClicked, this, [this, txtlst](QListWidgetItem* item) {
    if (txtlst->row(item) == reclickedRow_) presenter.txtlst_Click();
  });
  connect(static_cast<QLineEdit*>(controls_.value(forms::kTxtedit)), &QLineEdit::textChanged, this,
          [this] { presenter.txtedit_Change(); });
  connect(static_cast<QPushButton*>(controls_.value(forms::kCmdsave)), &QPushButton::clicked, this,
          [this] { presenter.cmdsave_Click(); });
  connect(items_.value(forms::kMnuopen), &QAction::triggered, this, [this] { presenter.mnuopen_Click(); });
  connect(items_.value(forms::kMnuexit), &QAction::triggered, this, [this] { presenter.mnuexit_Click(); });
  connect(items_.value(forms::kMnumisc), &QAction::triggered, this, [this] { presenter.mnumisc_Click(); });
  connect(items_.value(forms::kMnuabout), &QAction::triggered, this, [this] { presenter.mnuabout_Click(); });
}

std::string mainfrm::programFolder() const { return corePath(QCoreApplication::applicationDirPath()); }

std::optional<forms::MainView::Version> mainfrm::programVersion() const { return std::nullopt; }

void mainfrm::showMiscWindow(const std::string& imageName) {
  miscfrm form(dialogs.get(), imageName, this, dialogs.answersForOpened());
  if (form.Form_Load()) form.exec();
}

void mainfrm::closeWindow() { QMainWindow::close(); }

bool mainfrm::eventFilter(QObject* watched, QEvent* event) {
  auto* txtlst = static_cast<ListBox*>(controls_.value(forms::kTxtlst));
  if (watched == txtlst->viewport() && event->type() == QEvent::MouseButtonPress) {
    const auto* press = static_cast<QMouseEvent*>(event);
    const int row = txtlst->indexAt(press->position().toPoint()).row();
    reclickedRow_ = row >= 0 && row == selectedLine(forms::kTxtlst) ? row : -1;
  }
  return QMainWindow::eventFilter(watched, event);
}

void mainfrm::keepOnScreen() {
  const QRect available = screen()->availableGeometry();
  const QRect frame = frameGeometry();
  const forms::ScreenRect kept =
      forms::keptOnScreen({frame.x(), frame.y(), frame.width(), frame.height()},
                          {available.x(), available.y(), available.width(), available.height()});
  const QPoint shift(kept.left - frame.x(), kept.top - frame.y());
  // Through the client area's geometry: before the window is shown, a move would take the
  // client area's place for the frame's.
  if (!shift.isNull()) setGeometry(geometry().translated(shift));
}

void mainfrm::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // The window manager's frame is known only once the window is on the screen.
  if (!event->spontaneous()) QTimer::singleShot(0, this, &mainfrm::keepOnScreen);
}

}  // namespace thornvale
