#include "ui/qt/QtDialogs.h"

#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace thornvale {
namespace {

QString qtString(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

void QtDialogs::message(const std::string& title, const std::string& text, Icon icon) {
  QMessageBox box(icon == Icon::Stop ? QMessageBox::Critical : QMessageBox::NoIcon, qtString(title),
                  qtString(text), QMessageBox::Ok, parent_);
  box.exec();
}

std::string QtDialogs::openFile(const OpenRequest& request) {
  return corePath(QFileDialog::getOpenFileName(parent_, qtString(request.title), qtPath(request.initialFolder),
                                               qtFilter(request.types)));
}

QString QtDialogs::qtFilter(const std::vector<FileType>& types) {
  QStringList filters;
  for (const FileType& type : types) {
    const QString description = qtString(type.description);
    // Qt takes the patterns from the parentheses at the end of the description.
    const QString inParentheses = QLatin1Char('(') + qtString(type.pattern) + QLatin1Char(')');
    filters.append(description.endsWith(inParentheses) ? description
                                                       : description + QLatin1Char(' ') + inParentheses);
  }
  return filters.join(QStringLiteral(";;"));
}

std::string corePath(const QString& path) { return QFile::encodeName(path).toStdString(); }

QString qtPath(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

}  // namespace thornvale
