#include <gtest/gtest.h>

#include "tests/support/CannedDialogs.h"
#include "ui/comdlg.h"

namespace thornvale {
namespace {

struct FilterCase {
  const char* common;
  const char* qt;
};

class QtFilterTest : public ::testing::TestWithParam<FilterCase> {};

TEST_P(QtFilterTest, TurnsBarPairsIntoQtFilters) {
  EXPECT_EQ(comdlg::qtFilter(QString::fromUtf8(GetParam().common)), QString::fromUtf8(GetParam().qt));
}

INSTANTIATE_TEST_SUITE_P(
    Filters, QtFilterTest,
    ::testing::Values(FilterCase{"nes (*.nes) | *.nes", "nes (*.nes)"},
                      FilterCase{"nes|*.nes", "nes (*.nes)"},
                      FilterCase{"Images (*.nes)|*.nes|All files|*", "Images (*.nes);;All files (*)"}));

TEST(ComdlgTest, ShowOpenPassesItsPropertiesAndACancelEmptiesFileName) {
  test::CannedDialogs dialogs;
  comdlg dialog(dialogs, nullptr);
  dialog.DialogTitle = QStringLiteral("Pick one");
  dialog.Filter = QStringLiteral("nes (*.nes) | *.nes");
  dialog.InitDir = QStringLiteral("/opt/game");

  dialogs.answerOpen(QStringLiteral("/opt/game/a.nes"));
  dialog.ShowOpen();
  EXPECT_EQ(dialog.FileName, QStringLiteral("/opt/game/a.nes"));
  ASSERT_EQ(dialogs.openRequests.size(), 1u);
  EXPECT_EQ(dialogs.openRequests[0].title, QStringLiteral("Pick one"));
  EXPECT_EQ(dialogs.openRequests[0].filter, QStringLiteral("nes (*.nes)"));
  EXPECT_EQ(dialogs.openRequests[0].initDir, QStringLiteral("/opt/game"));

  dialogs.answerOpen(QString());
  dialog.ShowOpen();
  EXPECT_TRUE(dialog.FileName.isEmpty());
}

}  // namespace
}  // namespace thornvale
