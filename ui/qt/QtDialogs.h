#pragma once

#include "ui/qt/Dialogs.h"

namespace thornvale {

// The real dialogs: QMessageBox and QFileDialog.
class QtDialogs final : public Dialogs {
 public:
  void message(QWidget* parent, const QString& title, const QString& text, Icon icon) override;
  QString openFile(QWidget* parent, const QString& title, const QString& filter,
                   const QString& initDir) override;
};

}  // namespace thornvale
