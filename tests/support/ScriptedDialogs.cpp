#include "tests/support/ScriptedDialogs.h"

#include <gtest/gtest.h>

namespace thornvale::test {

void ScriptedDialogs::message(const std::string& title, const std::string& text, Icon icon) {
  messages.push_back({title, text, icon});
}

void ScriptedDialogs::expectOneError(const std::string& text) const {
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].title, "Error");
  EXPECT_EQ(messages[0].icon, Icon::Stop);
  EXPECT_EQ(messages[0].text, text);
}

void ScriptedDialogs::expectOneFileError(const std::string& path, const std::string& reason) const {
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].title, "Error");
  EXPECT_EQ(messages[0].icon, Icon::Stop);
  EXPECT_NE(messages[0].text.find(path), std::string::npos) << messages[0].text;
  EXPECT_NE(messages[0].text.find(reason), std::string::npos) << messages[0].text;
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
