// The editor: its main window, which asks through the real dialogs.

#include <QApplication>

#include "codec/ProcessSignals.h"
#include "ui/qt/mainfrm.h"

int main(int argc, char** argv) {
  thornvale::reportFailedWritesAsErrors();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("thornvale-editor"));
  thornvale::mainfrm window;
  window.show();
  return QApplication::exec();
}
