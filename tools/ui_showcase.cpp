// Shows the editor with an image already open, for screenshots: the real windows and dialogs,
// except that the first open dialog is answered with the given path. With --misc it also shows
// the misc data window, which no menu reaches.
//
//   ui-showcase IMAGE LINE [--misc]

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

class FirstOpenAnswered final : public thornvale::CommandDialogs {
 public:
  FirstOpenAnswered(std::string path, QWidget* parent) : path_(std::move(path)), real_(parent) {}

  void message(const std::string& title, const std::string& text, Icon icon) override {
    real_.message(title, text, icon);
  }
  std::string openFile(const OpenRequest& request) override {
    if (!path_.empty()) return std::exchange(path_, std::string());
    return real_.openFile(request);
  }

 private:
  std::string path_;
  thornvale::QtDialogs real_;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 3) {
    std::fprintf(stderr, "usage: ui-showcase IMAGE LINE [--misc]\n");
    return 2;
  }
  FirstOpenAnswered dialogs(thornvale::corePath(QString::fromLocal8Bit(argv[1])), nullptr);
  thornvale::mainfrm window(&dialogs);
  window.show();
  window.presenter.mnuopen_Click();
  window.findChild<QListWidget*>(QStringLiteral("txtlst"))->setCurrentRow(std::atoi(argv[2]));
  if (argc > 3 && std::strcmp(argv[3], "--misc") == 0) {
    QTimer::singleShot(500, &window, [&window] { window.presenter.mnumisc_Click(); });
  }
  return QApplication::exec();
}
