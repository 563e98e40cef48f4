#include "tests/support/CannedDialogs.h"

#include <gtest/gtest.h>

namespace thornvale::test {

void CannedDialogs::message(QWidget*, const QString& title, const QString& text, Icon icon) {
  messages.push_back({title, text, icon});
}

void CannedDialogs::expectOneError(const QString& text) const {
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].title, QStringLiteral("Error"));
  EXPECT_EQ(messages[0].icon, Icon::Stop);
  EXPECT_EQ(messages[0].text, text);
}

void CannedDialogs::expectOneFileError(const std::string& path, const char* reason) const {
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].title, QStringLiteral("Error"));
  EXPECT_EQ(messages[0].icon, Icon::Stop);
  EXPECT_TRUE(messages[0].text.contains(QString::fromStdString(path))) << messages[0].text.toStdString();
  EXPECT_TRUE(messages[0].text.contains(QString::fromUtf8(reason))) << messages[0].text.toStdString();
}

QString CannedDialogs::openFile(QWidget*, const QString& title, const QString& filter,
                                const QString& initDir) {
  openRequests.push_back({title, filter, initDir});
  if (openAnswers_.empty()) {
    ADD_FAILURE() << "an open dialog was shown that the test did not answer";
    return {};
  }
  QString answer = openAnswers_.front();
  openAnswers_.pop_front();
  return answer;
}

}  // namespace thornvale::test
