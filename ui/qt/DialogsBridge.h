#pragma once

#include <QString>
#include <string>
#include <vector>

#include "ui/commands/CommandDialogs.h"

class QWidget;

namespace thornvale {

class Dialogs;

// Asks a command's questions through a window's Dialogs, with that window as their parent.
class DialogsBridge final : public CommandDialogs {
 public:
  DialogsBridge(Dialogs& dialogs, QWidget* parent) : dialogs_(dialogs), parent_(parent) {}

  void message(const std::string& title, const std::string& text, Icon icon) override;
  std::string openFile(const OpenRequest& request) override;

  Dialogs& dialogs() const { return dialogs_; }

  // The file types in Qt's syntax: "nes (*.nes)", several joined by ";;".
  [[nodiscard]] static QString qtFilter(const std::vector<FileType>& types);

 private:
  Dialogs& dialogs_;
  QWidget* parent_;
};

// The commands take paths as UTF-8; Qt's are QStrings. These two are the only crossing.
[[nodiscard]] std::string corePath(const QString& path);
[[nodiscard]] QString qtPath(const std::string& path);

}  // namespace thornvale
