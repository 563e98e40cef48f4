#pragma once

#include <QString>
#include <string>
#include <vector>

#include "ui/forms/CommandDialogs.h"

class QWidget;

namespace thornvale {

// The commands' dialogs as Qt shows them, QMessageBox and QFileDialog, over the window that asks.
class QtDialogs final : public CommandDialogs {
 public:
  explicit QtDialogs(QWidget* parent) : parent_(parent) {}

  void message(const std::string& title, const std::string& text, Icon icon) override;
  std::string openFile(const OpenRequest& request) override;

  // The file types in Qt's syntax: "nes (*.nes)", several joined by ";;".
  [[nodiscard]] static QString qtFilter(const std::vector<FileType>& types);

 private:
  QWidget* parent_;
};

// The commands take paths as UTF-8; Qt's are QStrings. These two are the only crossing.
[[nodiscard]] std::string corePath(const QString& path);
[[nodiscard]] QString qtPath(const std::string& path);

}  // namespace thornvale
