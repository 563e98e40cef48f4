#include "ui/commands/comdlg.h"

#include <gtest/gtest.h>

#include "tests/support/CannedDialogs.h"
#include "ui/qt/DialogsBridge.h"

namespace thornvale {
namespace {

struct FilterCase {
  const char* common;
  const char* qt;
};

class QtFilterTest : public ::testing::TestWithParam<FilterCase> {};

TEST_P(QtFilterTest, TurnsBarPairsIntoQtFilters) {
  EXPECT_EQ(DialogsBridge::qtFilter(comdlg::fileTypes(GetParam().common)), QString::fromUtf8(GetParam().qt));
}

INSTANTIATE_TEST_SUITE_P(Filters, QtFilterTest,
                         ::testing::Values(FilterCase{"nes (*.nes) | *.nes", "nes (*.nes)"},
                                           FilterCase{"nes|*.nes", "nes (*.nes)"},
                                           FilterCase{"Images (*.nes)|*.nes|All files|*",
                                                      "Images (*.nes);;All files (*)"}));

// The open dialog of the commands, asked through the Qt seam: UTF-8 paths both ways.
TEST(ComdlgTest, ShowOpenPassesItsPropertiesAndACancelEmptiesFileName) {
  test::CannedDialogs dialogs;
  DialogsBridge bridge(dialogs, nullptr);
  comdlg dialog(bridge);
  dialog.DialogTitle = "Pick one";
  dialog.Filter = "nes (*.nes) | *.nes";
  dialog.InitDir = "/opt/g\xc3\xa4me";

  dialogs.answerOpen(QStringLiteral("/opt/g\u00e4me/\u00e9t\u00e9.nes"));
  dialog.ShowOpen();
  EXPECT_EQ(dialog.FileName, "/opt/g\xc3\xa4me/\xc3\xa9t\xc3\xa9.nes");
  ASSERT_EQ(dialogs.openRequests.size(), 1u);
  EXPECT_EQ(dialogs.openRequests[0].title, QStringLiteral("Pick one"));
  EXPECT_EQ(dialogs.openRequests[0].filter, QStringLiteral("nes (*.nes)"));
  EXPECT_EQ(dialogs.openRequests[0].initDir, QStringLiteral("/opt/g\u00e4me"));

  dialogs.answerOpen(QString());
  dialog.ShowOpen();
  EXPECT_TRUE(dialog.FileName.empty());
}

}  // namespace
}  // namespace thornvale
