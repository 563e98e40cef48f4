#include "ui/qt/DialogsBridge.h"

#include <QFile>
#include <QStringList>

#include "ui/qt/Dialogs.h"

namespace thornvale {

void DialogsBridge::message(const std::string& title, const std::string& text, Icon icon) {
  dialogs_.message(parent_, QString::fromStdString(title), QString::fromStdString(text), icon);
}

std::string DialogsBridge::openFile(const OpenRequest& request) {
  return corePath(dialogs_.openFile(parent_, QString::fromStdString(request.title), qtFilter(request.types),
                                    qtPath(request.initialFolder)));
}

QString DialogsBridge::qtFilter(const std::vector<FileType>& types) {
  QStringList filters;
  for (const FileType& type : types) {
    const QString description = QString::fromStdString(type.description);
    // Qt takes the patterns from the parentheses at the end of the description.
    const QString inParentheses = QLatin1Char('(') + QString::fromStdString(type.pattern) + QLatin1Char(')');
    filters.append(description.endsWith(inParentheses) ? description
                                                       : description + QLatin1Char(' ') + inParentheses);
  }
  return filters.join(QStringLiteral(";;"));
}

std::string corePath(const QString& path) { return QFile::encodeName(path).toStdString(); }

QString qtPath(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

}  // namespace thornvale
