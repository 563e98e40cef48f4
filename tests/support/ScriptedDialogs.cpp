#include "tests/support/ScriptedDialogs.h"

#include <gtest/gtest.h>

namespace thornvale::test {

void ScriptedDialogs::message(const std::string& title, const std::string& text, Icon icon) {
  messages.push_back({title, text, icon});
}

std::string ScriptedDialogs::openFile(const OpenRequest& request) {
  openRequests.push_back(request);
  if (openAnswers_.empty()) {
    ADD_FAILURE() << "an open dialog was shown that the test did not answer";
    return {};
  }
  std::string answer = std::move(openAnswers_.front());
  openAnswers_.pop_front();
  return answer;
}

}  // namespace thornvale::test
