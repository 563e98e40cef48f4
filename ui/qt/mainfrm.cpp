#include "ui/qt/mainfrm.h"

#include <QCoreApplication>
#include <QLayout>
#include <QMenuBar>
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
  setObjectName(qtString(form().name));
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
  connectEvents(this, controls_, items_, presenter);

  // The size of the client area is fixed, and so the window's with the menu bar above it.
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  layout()->activate();
  // The client area, below the menu bar, starts at the same place of the screen every time.
  setGeometry(QRect(twips.point(form().startLeft, form().startTop) - centralWidget()->pos(), size()));
  keepOnScreen();

  presenter.Form_Load();
}

mainfrm::~mainfrm() = default;

std::string mainfrm::programFolder() const { return corePath(QCoreApplication::applicationDirPath()); }

std::optional<forms::MainView::Version> mainfrm::programVersion() const { return std::nullopt; }

std::unique_ptr<forms::MiscWindow> mainfrm::makeMiscWindow(const std::string& imageName) {
  return std::make_unique<miscfrm>(imageName, this, dialogs.answersForOpened());
}

void mainfrm::closeWindow() { QMainWindow::close(); }

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
