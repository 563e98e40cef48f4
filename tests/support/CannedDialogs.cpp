#include "tests/support/CannedDialogs.h"

#include <gtest/gtest.h>

namespace thornvale::test {

void CannedDialogs::message(QWidget*, const QString& title, const QString& text, Icon icon) {
  messages.push_back({title, text, icon});
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
