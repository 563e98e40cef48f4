#include <gtest/gtest.h>

#include "ui/qt/QtDialogs.h"

namespace thornvale {
namespace {

using Types = std::vector<CommandDialogs::FileType>;

struct FilterCase {
  Types types;
  const char* qt;
};

class QtFilterTest : public ::testing::TestWithParam<FilterCase> {};

TEST_P(QtFilterTest, TurnsFileTypesIntoQtFilters) {
  EXPECT_EQ(QtDialogs::qtFilter(GetParam().types), QString::fromUtf8(GetParam().qt));
}

INSTANTIATE_TEST_SUITE_P(Filters, QtFilterTest,
                         ::testing::Values(FilterCase{{{"nes (*.nes)", "*.nes"}}, "nes (*.nes)"},
                                           FilterCase{{{"nes", "*.nes"}}, "nes (*.nes)"},
                                           FilterCase{{{"Images (*.nes)", "*.nes"}, {"All files", "*"}},
                                                      "Images (*.nes);;All files (*)"}));

// Paths cross from Qt to the commands as UTF-8, both ways.
TEST(QtPathTest, CrossesAsUtf8BothWays) {
  const QString path = QStringLiteral("/opt/g\u00e4me/\u00e9t\u00e9.nes");
  EXPECT_EQ(corePath(path), "/opt/g\xc3\xa4me/\xc3\xa9t\xc3\xa9.nes");
  EXPECT_EQ(qtPath(corePath(path)), path);
}

}  // namespace
}  // namespace thornvale
