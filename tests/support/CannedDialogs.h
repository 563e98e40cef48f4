#pragma once

#include <QString>
#include <deque>
#include <string>
#include <vector>

#include "ui/qt/Dialogs.h"

namespace thornvale::test {

// Answers the windows' dialogs from a script and remembers what they were asked, so that a test
// never waits on a modal dialog.
class CannedDialogs final : public Dialogs {
 public:
  struct Message {
    QString title;
    QString text;
    Icon icon;
  };
  struct OpenRequest {
    QString title;
    QString filter;
    QString initDir;
  };

  // The answer to the next open dialog; an empty path is a cancel.
  void answerOpen(const QString& path) { openAnswers_.push_back(path); }

  void message(QWidget* parent, const QString& title, const QString& text, Icon icon) override;

  // The one message shown so far is an error box with exactly this text.
  void expectOneError(const QString& text) const;
  // The one message shown so far is an error box naming the file and the system's reason.
  void expectOneFileError(const std::string& path, const char* reason) const;
  QString openFile(QWidget* parent, const QString& title, const QString& filter,
                   const QString& initDir) override;

  std::vector<Message> messages;
  std::vector<OpenRequest> openRequests;

 private:
  std::deque<QString> openAnswers_;
};

}  // namespace thornvale::test
