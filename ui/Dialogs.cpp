#include "ui/Dialogs.h"

#include "codec/FileError.h"

namespace thornvale {

void showError(Dialogs& dialogs, QWidget* parent, const FileError& error) {
  // what() names the path as it was handed to the core, in the local encoding, and the reason.
  dialogs.message(parent, QStringLiteral("Error"), QString::fromLocal8Bit(error.what()),
                  Dialogs::Icon::Stop);
}

void showRefusal(Dialogs& dialogs, QWidget* parent, const QString& text) {
  dialogs.message(parent, QStringLiteral("Error"), text, Dialogs::Icon::Stop);
}

}  // namespace thornvale
