#include "ui/qt/QtDialogs.h"

#include <QFileDialog>
#include <QMessageBox>

namespace thornvale {

void QtDialogs::message(QWidget* parent, const QString& title, const QString& text, Icon icon) {
  QMessageBox box(icon == Icon::Stop ? QMessageBox::Critical : QMessageBox::NoIcon, title, text,
                  QMessageBox::Ok, parent);
  box.exec();
}

QString QtDialogs::openFile(QWidget* parent, const QString& title, const QString& filter,
                            const QString& initDir) {
  return QFileDialog::getOpenFileName(parent, title, initDir, filter);
}

}  // namespace thornvale
