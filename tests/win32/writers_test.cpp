// Two writers at once on Windows: real processes of thornvale-text importing and setting the same
// image, and a lock held by another open. On POSIX, reliability-tests make these checks among the
// ones that need its system-call seam.

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <thread>

#include "catalogue/Catalogue.h"
#include "cli/DumpFormat.h"
#include "codec/FileAccess.h"
#include "codec/FileError.h"
#include "codec/GetTexts.h"
#include "tests/support/Process.h"
#include "tests/support/SampleImageFixture.h"

namespace thornvale {
namespace {

using namespace std::chrono_literals;

// A dump of only the given rows, as a translator's partial dump would be.
std::string partialDump(const std::vector<std::pair<int, std::u16string>>& edits) {
  std::vector<exchange::TextRow> rows;
  for (const auto& [position, text] : edits) rows.push_back({catalogueEntry(position), text, std::nullopt});
  return cli::formatDump(rows);
}

std::u16string textAt(const std::string& image, int position) {
  const CatalogueEntry& e = *catalogueEntry(position);
  return ReadText(e.offset, image, e.length, e.tableName);
}

class WritersTest : public test::SampleImageFixture {};

TEST_F(WritersTest, TwoImportsAndASetStartedTogetherAllLand) {
  std::mt19937 random(7);
  const std::string first = partialDump({{0, u"MOPLE"}});
  const std::string second = partialDump({{66, std::u16string(87, u'z')}});
  for (int round = 0; round < 5; ++round) {
    SCOPED_TRACE(round);
    test::writeBytes(imagePath, image);
    test::RunningProcess a({THORNVALE_TEXT, "import", imagePath, "-"}, first);
    test::RunningProcess b({THORNVALE_TEXT, "import", imagePath, "-"}, second);
    std::this_thread::sleep_for(std::chrono::milliseconds(random() % 50));
    test::RunningProcess set({THORNVALE_TEXT, "set", imagePath, "1", "TIGRE"});
    for (test::RunningProcess* writer : {&a, &b, &set}) {
      const test::ProcessOutcome outcome = writer->wait();
      EXPECT_EQ(outcome.status, 0) << outcome.err;
    }
    EXPECT_EQ(textAt(imagePath, 0), u"MOPLE");
    EXPECT_EQ(textAt(imagePath, 1), u"TIGRE");
    EXPECT_EQ(textAt(imagePath, 66), std::u16string(87, u'z'));
  }
}

TEST_F(WritersTest, AWriterRefusesWhileAnotherHoldsTheLockAndReadersShare) {
  struct Case {
    const char* name;
    File::Lock held;
    File::Access wanted;
    bool refused;
  };
  const Case cases[] = {
      {"writer, then a reader", File::Lock::Exclusive, File::Access::Read, true},
      {"writer, then a writer", File::Lock::Exclusive, File::Access::Write, true},
      {"reader, then a writer", File::Lock::Shared, File::Access::Write, true},
      {"reader, then a reader", File::Lock::Shared, File::Access::Read, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    File holder = File::openExisting(imagePath, File::Access::Write);
    ASSERT_TRUE(holder.tryLock(c.held, 0ms));
    try {
      File other = openImage(imagePath, c.wanted, 200ms);
      EXPECT_FALSE(c.refused);
    } catch (const FileError& e) {
      EXPECT_TRUE(c.refused);
      EXPECT_NE(e.reason().find("another program is using the image"), std::string::npos) << e.what();
    }
    holder.close();
  }
  EXPECT_EQ(test::readBytes(imagePath), image);
}

}  // namespace
}  // namespace thornvale
