#pragma once

#include <deque>
#include <string>
#include <vector>

#include "ui/forms/CommandDialogs.h"

namespace thornvale::test {

// Answers the commands' dialogs from a script and remembers what they were asked, without a
// toolkit. An open dialog that the script does not answer fails the test.
class ScriptedDialogs final : public CommandDialogs {
 public:
  struct Message {
    std::string title;
    std::string text;
    Icon icon;
  };

  // The answer to the next open dialog; an empty path is a cancel.
  void answerOpen(std::string path) { openAnswers_.push_back(std::move(path)); }

  void message(const std::string& title, const std::string& text, Icon icon) override;
  std::string openFile(const OpenRequest& request) override;

  // The one message shown so far is an error box with exactly this text.
  void expectOneError(const std::string& text) const;
  // The one message shown so far is an error box naming the file and the system's reason.
  void expectOneFileError(const std::string& path, const std::string& reason) const;

  std::vector<Message> messages;
  std::vector<OpenRequest> openRequests;

 private:
  std::deque<std::string> openAnswers_;
};

}  // namespace thornvale::test
