// The editor: its main window, with the real dialogs.

#include <QApplication>

#include "codec/ProcessSignals.h"
#include "ui/qt/QtDialogs.h"
#include "ui/qt/mainfrm.h"

int main(int argc, char** argv) {
  thornvale::reportFailedWritesAsErrors();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("thornvale-editor"));
  thornvale::QtDialogs dialogs;
  thornvale::mainfrm window(dialogs);
  window.show();
  return QApplication::exec();
}
