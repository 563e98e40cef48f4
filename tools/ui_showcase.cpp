// Shows the editor with an image already open, for screenshots: the real windows and dialogs,
// except that the first open dialog is answered with the given path. With --misc it also shows
// the misc data window, which no menu reaches.
//
//   ui-showcase IMAGE LINE [--misc]

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "ui/qt/QtDialogs.h"
#include "ui/qt/mainfrm.h"

namespace {

class FirstOpenAnswered final : public thornvale::Dialogs {
 public:
  explicit FirstOpenAnswered(QString path) : path_(std::move(path)) {}

  void message(QWidget* parent, const QString& title, const QString& text, Icon icon) override {
    real_.message(parent, title, text, icon);
  }
  QString openFile(QWidget* parent, const QString& title, const QString& filter,
                   const QString& initDir) override {
    if (!path_.isEmpty()) return std::exchange(path_, QString());
    return real_.openFile(parent, title, filter, initDir);
  }

 private:
  QString path_;
  thornvale::QtDialogs real_;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 3) {
    std::fprintf(stderr, "usage: ui-showcase IMAGE LINE [--misc]\n");
    return 2;
  }
  FirstOpenAnswered dialogs(QString::fromLocal8Bit(argv[1]));
  thornvale::mainfrm window(dialogs);
  window.show();
  window.mnuopen->trigger();
  window.txtlst->setCurrentRow(std::atoi(argv[2]));
  if (argc > 3 && std::strcmp(argv[3], "--misc") == 0) {
    QTimer::singleShot(500, window.mnumisc, &QAction::trigger);
  }
  return QApplication::exec();
}
