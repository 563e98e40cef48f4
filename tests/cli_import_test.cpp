#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "catalogue/Catalogue.h"
#include "cli/DumpFormat.h"
#include "cli/Import.h"
#include "codec/CharacterTables.h"
#include "codec/FileError.h"
#include "codec/GetTexts.h"
#include "codec/Utf.h"
#include "tests/support/SampleImageFixture.h"
#include "tests/support/TestFiles.h"

namespace thornvale::cli {
namespace {

namespace fs = std::filesystem;

class ImportTest : public test::SampleImageFixture {
 protected:
  // The image's own dump with the given rows' texts replaced.
  std::string editedDump(const std::vector<std::pair<int, std::u16string>>& edits) {
    std::vector<exchange::TextRow> rows = readImageRows(imagePath);
    for (const auto& [position, text] : edits) rows[static_cast<std::size_t>(position)].source = text;
    return formatDump(rows);
  }

  // Only what the folder held before: the image, no temporary files.
  void expectOnlyTheImage() {
    std::vector<std::string> names;
    for (const auto& item : fs::directory_iterator(dir.path())) names.push_back(test::utf8Path(item.path().filename()));
    EXPECT_EQ(names, std::vector<std::string>{"thornvale.nes"});
  }
};

TEST_F(ImportTest, UnchangedDumpChangesNoByteAndDoesNotRewriteTheFile) {
  struct stat before {};
  ::stat(imagePath.c_str(), &before);

  const ImportReport report = importDump(imagePath, formatDump(readImageRows(imagePath)), false);
  EXPECT_TRUE(report.ok());
  EXPECT_EQ(report.unchanged, kCatalogueSize);
  EXPECT_EQ(report.changes.size(), 0u);
  EXPECT_FALSE(report.written);
  EXPECT_EQ(test::readBytes(imagePath), image);
  struct stat after {};
  ::stat(imagePath.c_str(), &after);
  EXPECT_EQ(after.st_ino, before.st_ino);
}

TEST_F(ImportTest, EditedRowsChangeExactlyTheirBytes) {
  // One row of each table, and entry 27, whose second byte a save never writes.
  std::u16string row40 = readImageRows(imagePath)[40].source;
  row40.front() = u'Z';
  row40.back() = u'?';
  const std::vector<std::pair<int, std::u16string>> all = {
      {5, u"WONDERER"}, {27, u"Z"}, {31, u"GREAT CLASSES!"}, {40, row40}};

  const ImportReport report = importDump(imagePath, editedDump(all), false);
  ASSERT_TRUE(report.ok()) << report.problems.front().message;
  EXPECT_EQ(report.changes.size(), 4u);
  EXPECT_TRUE(report.written);

  const test::Bytes now = test::readBytes(imagePath);
  ASSERT_EQ(now.size(), image.size());
  for (std::size_t i = 0; i < now.size(); ++i) {
    if (now[i] == image[i]) continue;
    bool inAnEditedPlace = false;
    for (const auto& [position, text] : all) {
      const CatalogueEntry& e = *catalogueEntry(position);
      inAnEditedPlace = inAnEditedPlace || (i >= static_cast<std::size_t>(e.offset) &&
                                            i < static_cast<std::size_t>(e.offset + e.saveLength));
    }
    EXPECT_TRUE(inAnEditedPlace) << "byte " << i << " changed";
  }
  EXPECT_EQ(now[0x33068], image[0x33068]);  // entry 27's unsaved second byte
  for (const auto& [position, text] : all) {
    const CatalogueEntry& e = *catalogueEntry(position);
    EXPECT_EQ(ReadText(e.offset, imagePath, e.saveLength, e.tableName), text) << "position " << position;
  }
}

TEST_F(ImportTest, OneBadRowWritesNothingAndIsReported) {
  struct Case {
    std::u16string text;
    std::string message;
  };
  const Case cases[] = {
      {u"WANDERERS", "Cannot save Text, it is either shorter or longer then the original."},
      {u"WANDER", "Cannot save Text, it is either shorter or longer then the original."},
      {u"wanderer", "Cannot save Text, these characters cannot be stored in this text:"},
  };
  for (const Case& c : cases) {
    // A good edit beside the bad one must not be written either.
    for (bool dryRun : {false, true}) {
      const ImportReport report = importDump(imagePath, editedDump({{0, u"MOPLE"}, {5, c.text}}), dryRun);
      ASSERT_EQ(report.problems.size(), 1u);
      EXPECT_EQ(report.problems[0].line, 7u);
      EXPECT_EQ(report.problems[0].id, "position 5");
      EXPECT_TRUE(report.problems[0].message.starts_with(c.message))
          << report.problems[0].message;
      EXPECT_FALSE(report.written);
      EXPECT_EQ(test::readBytes(imagePath), image);
    }
  }
  const ImportReport parseFailure = importDump(imagePath, "position\ttext\n0\tMOPLE\n", false);
  EXPECT_EQ(parseFailure.problems.size(), 2u);
  EXPECT_EQ(test::readBytes(imagePath), image);
  expectOnlyTheImage();
}

TEST_F(ImportTest, DryRunChecksButWritesNothing) {
  const ImportReport report = importDump(imagePath, editedDump({{0, u"MOPLE"}}), true);
  EXPECT_TRUE(report.ok());
  EXPECT_EQ(report.changes.size(), 1u);
  EXPECT_FALSE(report.written);
  EXPECT_EQ(test::readBytes(imagePath), image);
  expectOnlyTheImage();
}

TEST_F(ImportTest, RowsThatShareAByteMustAgreeOnIt) {
  // Entry 64's last byte is entry 65's first.
  std::u16string row64 = readImageRows(imagePath)[64].source;
  std::u16string row65 = readImageRows(imagePath)[65].source;
  row64.back() = u'!';

  const ImportReport contradicting = importDump(imagePath, editedDump({{64, row64}}), false);
  ASSERT_EQ(contradicting.problems.size(), 1u);
  EXPECT_EQ(contradicting.problems[0].id, "position 65");
  EXPECT_NE(contradicting.problems[0].message.find("0x36471"), std::string::npos);
  EXPECT_EQ(test::readBytes(imagePath), image);

  std::u16string other65 = row65;
  other65.front() = u'?';
  EXPECT_FALSE(importDump(imagePath, editedDump({{64, row64}, {65, other65}}), false).ok());
  EXPECT_EQ(test::readBytes(imagePath), image);

  row65.front() = u'!';
  const ImportReport agreeing = importDump(imagePath, editedDump({{64, row64}, {65, row65}}), false);
  EXPECT_TRUE(agreeing.ok());
  EXPECT_EQ(ReadText(0x36471, imagePath, 28, "Table1"), row65);
}

TEST_F(ImportTest, KeepsPermissionBitsAndSymbolicLinks) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows has neither permission bits nor, for a user under Wine, symbolic links";
#endif
  fs::permissions(imagePath, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  const std::string link = dir.file("link.nes");
  fs::create_symlink("thornvale.nes", link);

  ASSERT_TRUE(importDump(link, editedDump({{0, u"MOPLE"}}), false).ok());
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadText(catalogue()[0].offset, imagePath, 5, "Table2"), u"MOPLE");
  EXPECT_EQ(fs::status(imagePath).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(ImportTest, AFailedWriteLeavesTheImageIntact) {
  const std::string dump = editedDump({{0, u"MOPLE"}});
#ifndef _WIN32  // a read-only folder on Windows still takes new files
  {
    // No temporary file can be made in a read-only folder.
    test::ObeyPermissions obey;
    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_THROW((void)importDump(imagePath, dump, false), FileError);
    fs::permissions(dir.path(), fs::perms::owner_all);
  }
  EXPECT_EQ(test::readBytes(imagePath), image);
  expectOnlyTheImage();
#endif
  if (!test::FileSizeLimit::available()) GTEST_SKIP() << "no per-process file size limit on this system";
  {
    // The copy runs out of disk halfway.
    test::FileSizeLimit full(image.size() / 2);
    EXPECT_THROW((void)importDump(imagePath, dump, false), FileError);
  }
  EXPECT_EQ(test::readBytes(imagePath), image);
  expectOnlyTheImage();
}

TEST_F(ImportTest, RefusesAnImageThatASaveCouldNotWriteEither) {
  const std::string dump = editedDump({{0, u"MOPLE"}});
  {
    // A writable folder would let a rename replace a read-only image.
    test::ObeyPermissions obey;
    fs::permissions(imagePath, fs::perms::owner_read);
    EXPECT_THROW((void)importDump(imagePath, dump, false), FileError);
    fs::permissions(imagePath, fs::perms::owner_read | fs::perms::owner_write);
  }
  EXPECT_EQ(test::readBytes(imagePath), image);
  expectOnlyTheImage();

  const std::string other = dir.file("other-name.nes");
  fs::create_hard_link(imagePath, other);
  EXPECT_THROW((void)importDump(imagePath, dump, false), FileError);
  EXPECT_EQ(test::readBytes(imagePath), image);
  EXPECT_TRUE(fs::equivalent(imagePath, other));
}

TEST_F(ImportTest, AShortImageIsRefusedWhereATextWouldLieOutsideIt) {
  const std::string dump = editedDump({{32, u"GOLD OLD ROADS"}});
  const test::Bytes shortImage(image.begin(), image.begin() + 0x3C370);
  test::writeBytes(imagePath, shortImage);
  const ImportReport report = importDump(imagePath, dump, false);
  ASSERT_EQ(report.problems.size(), 1u);
  EXPECT_EQ(report.problems[0].id, "position 32");
  EXPECT_EQ(test::readBytes(imagePath), shortImage);
}

}  // namespace
}  // namespace thornvale::cli
