#include "ui/comdlg.h"

#include <QStringList>

#include "ui/Dialogs.h"

namespace thornvale {

void comdlg::ShowOpen() {
  FileName = dialogs_.openFile(parent_, DialogTitle, qtFilter(Filter), InitDir);
}

QString comdlg::qtFilter(const QString& filter) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString description = parts[i].trimmed();
    const QString pattern = parts[i + 1].trimmed();
    // Qt takes the patterns from the parentheses at the end of the description.
    const QString inParentheses = QLatin1Char('(') + pattern + QLatin1Char(')');
    filters.append(description.endsWith(inParentheses)
                       ? description
                       : description + QLatin1Char(' ') + inParentheses);
  }
  return filters.join(QStringLiteral(";;"));
}

}  // namespace thornvale
