#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <limits>

#include "catalogue/Catalogue.h"
#include "codec/GetTexts.h"
#include "tests/support/TestFiles.h"

namespace thornvale {
namespace {

using test::Bytes;

bool tableIsEmpty() {
  const CharacterTable& t = CurrentCharacterTable();
  return std::all_of(t.begin(), t.end(), [](char16_t c) { return c == kNoCharacter; });
}

class GetTextsTest : public ::testing::Test {
 protected:
  std::string image(const Bytes& bytes) {
    test::writeBytes(path_, bytes);
    return path_;
  }
  [[nodiscard]] Bytes onDisk() const { return test::readBytes(path_); }

  void TearDown() override { EXPECT_TRUE(tableIsEmpty()) << "the current table was left filled"; }

  test::TempDir dir_;
  std::string path_ = dir_.file("image.nes");
};

// Runs `call` expecting a FileError and returns it.
template <typename Call>
FileError fileError(Call call) {
  try {
    call();
  } catch (const FileError& e) {
    return e;
  }
  ADD_FAILURE() << "no FileError";
  return FileError("", "", {});
}

struct ReadCase {
  const char* name;
  Bytes file;
  std::int32_t offset;
  std::int16_t length;
  std::string_view table;
  std::u16string text;
};

TEST_F(GetTextsTest, ReadDecodesThroughTheNamedTable) {
  const ReadCase cases[] = {
      {"hello", {0xB7, 0xD4, 0xDB, 0xDB, 0xDE}, 0, 5, "Table1", u"Hello"},
      {"unlisted byte leaves no gap", {0xBA, 0x00, 0xBC, 0xFE, 0xD8}, 0, 5, "Table2", u"MA W"},
      {"digits", {0x77, 0x78, 0x5C, 0xE0}, 0, 4, "Table3", u"12 A"},
      {"table4", {0x80, 0x82, 0x9B, 0xFC, 0x8E}, 0, 5, "Table4", u"AR! O"},
      {"duplicates read alike", {0x00, 0xE5, 0xFF, 0x82, 0x88, 0x8C, 0x8F}, 0, 7, "Table1", u"___xxyz"},
      {"at an offset", {0x11, 0x11, 0xB0, 0xB1, 0x11}, 2, 2, "Table1", u"AB"},
      {"length 0", {0xB0}, 0, 0, "Table1", u""},
      {"ends at the last byte", {0x11, 0xB0, 0xB1}, 1, 2, "Table1", u"AB"},
      {"past the end reads 0x00", {0x11, 0xB0, 0xB1}, 1, 5, "Table1", u"AB___"},
      {"past the end through Table3", {0x11, 0xE0}, 1, 4, "Table3", u"A"},
      {"wholly past the end", {0x11}, 10, 3, "Table1", u"___"},
      {"empty file", {}, 0, 2, "Table1", u"__"},
      {"unknown table", {0xB0, 0xBC, 0xE0}, 0, 3, "Table5", u""},
      {"lower-case name", {0xB0, 0xBC, 0xE0}, 0, 3, "table1", u""},
      {"trailing blank in name", {0xB0}, 0, 1, "Table1 ", u""},
      {"empty name", {0xB0}, 0, 1, "", u""},
  };
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ReadText(c.offset, image(c.file), c.length, c.table), c.text);
    EXPECT_EQ(onDisk(), c.file);
  }
}

TEST_F(GetTextsTest, ReadLeavesNoTableBehindForTheNextCall) {
  image({0xB0});
  EXPECT_EQ(ReadText(0, path_, 1, "Table1"), u"A");
  EXPECT_TRUE(tableIsEmpty());
  EXPECT_EQ(ReadText(0, path_, 1, "Table2"), u"");
  EXPECT_EQ(ReadText(0, path_, 1, "Table9"), u"");
}

struct WriteCase {
  const char* name;
  std::u16string text;
  std::int16_t length;
  std::string_view table;
  Bytes expected;  // the bytes at offsets 2 .. 2 + expected.size() afterwards
};

TEST_F(GetTextsTest, WriteEncodesInPlaceAndKeepsEveryOtherByte) {
  const WriteCase cases[] = {
      {"hello", u"Hello", 5, "Table1", {0xB7, 0xD4, 0xDB, 0xDB, 0xDE}},
      {"padded with the space byte", u"Hi", 5, "Table1", {0xB7, 0xD8, 0xFE, 0xFE, 0xFE}},
      {"empty text through Table4", u"", 3, "Table4", {0xFC, 0xFC, 0xFC}},
      {"Table3 space and digits", u"9 Z", 3, "Table3", {0x7F, 0x5C, 0xFF}},
      {"no small letters in Table2", u"hello", 5, "Table2", {0x11, 0x11, 0x11, 0x11, 0x11}},
      {"skipped character keeps its byte", u"M_A", 3, "Table2", {0xBA, 0x11, 0xBC}},
      {"lowest duplicate", u"A_Bxyz", 6, "Table1", {0xB0, 0x00, 0xB1, 0x82, 0x83, 0x84}},
      {"unknown table writes nothing", u"AB", 2, "Table5", {0x11, 0x11}},
      {"length 0", u"", 0, "Table1", {0x11}},
  };
  for (const WriteCase& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes expected(12, 0x11);
    std::copy(c.expected.begin(), c.expected.end(), expected.begin() + 2);
    WriteText(2, image(Bytes(12, 0x11)), c.text, c.length, c.table);
    EXPECT_EQ(onDisk(), expected);
  }
}

TEST_F(GetTextsTest, WriteThenReadGivesTheTextBackThroughEveryTable) {
  for (const auto& [name, table] : characterTables()) {
    SCOPED_TRACE(std::string(name));
    std::u16string all;
    for (char16_t c : *table) {
      if (c != kNoCharacter && all.find(c) == std::u16string::npos) all.push_back(c);
    }
    image(Bytes(300, 0x11));
    const auto length = static_cast<std::int16_t>(all.size());
    WriteText(100, path_, all, length, name);
    EXPECT_EQ(ReadText(100, path_, length, name), all);
    // A second write is seen at once: nothing is cached between calls.
    std::reverse(all.begin(), all.end());
    WriteText(100, path_, all, length, name);
    EXPECT_EQ(ReadText(100, path_, length, name), all);
  }
}

TEST_F(GetTextsTest, ReadingBackADuplicateGivesTheSameTextFromTheLowestByte) {
  image({0xB0, 0xFF, 0xB1});
  const std::u16string text = ReadText(0, path_, 3, "Table1");
  EXPECT_EQ(text, u"A_B");
  WriteText(0, path_, text, 3, "Table1");
  EXPECT_EQ(onDisk(), (Bytes{0xB0, 0x00, 0xB1}));
}

struct RefusedWrite {
  const char* name;
  std::int32_t offset;
  std::u16string text;
  std::int16_t length;
  std::errc code;
};

TEST_F(GetTextsTest, WriteRefusesBeforeWritingAnything) {
  const RefusedWrite cases[] = {
      {"longer than its place", 0, u"ABCDEF", 5, std::errc::invalid_argument},
      {"runs past the end", 8, u"ABCDE", 5, std::errc::invalid_argument},
      {"starts at the end", 10, u"A", 1, std::errc::invalid_argument},
      {"padding past the end", 9, u"A", 3, std::errc::invalid_argument},
      {"negative offset", -1, u"AB", 2, std::errc::invalid_argument},
      {"negative length", 0, u"", -1, std::errc::invalid_argument},
      {"position overflows", std::numeric_limits<std::int32_t>::max() - 2, u"ABCDE", 5,
       std::errc::value_too_large},
  };
  const Bytes original(10, 0x11);
  for (const RefusedWrite& c : cases) {
    SCOPED_TRACE(c.name);
    image(original);
    const FileError e = fileError([&] { WriteText(c.offset, path_, c.text, c.length, "Table1"); });
    EXPECT_EQ(e.code(), std::make_error_code(c.code));
    EXPECT_EQ(e.path(), path_);
    EXPECT_EQ(e.operation(), "writing");
    EXPECT_EQ(onDisk(), original);
  }
}

TEST_F(GetTextsTest, WriteMayEndAtTheLastByteWhenNothingStorableLiesBeyond) {
  image(Bytes(10, 0x11));
  WriteText(8, path_, u"AB", 2, "Table1");
  // Only the unstorable characters fall past the end, so no byte would be written there.
  WriteText(6, path_, u"CD\u00e9\u00e9", 4, "Table1");
  EXPECT_EQ(onDisk(), (Bytes{0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0xB2, 0xB3, 0xB0, 0xB1}));
}

TEST_F(GetTextsTest, ReadRefusesPositionsOutsideTheFilesNumbering) {
  image({0xB0});
  EXPECT_EQ(fileError([&] { (void)ReadText(-5, path_, 2, "Table1"); }).code(),
            std::make_error_code(std::errc::invalid_argument));
  EXPECT_EQ(
      fileError([&] { (void)ReadText(std::numeric_limits<std::int32_t>::max(), path_, 1, "Table1"); }).code(),
      std::make_error_code(std::errc::value_too_large));
  EXPECT_EQ(ReadText(std::numeric_limits<std::int32_t>::max() - 1, path_, 1, "Table1"), u"_");
}

TEST_F(GetTextsTest, FileErrorsCarryThePathTheOperationAndTheSystemsReason) {
  const std::string missing = dir_.file("missing.nes");
  const std::string folder = test::utf8Path(dir_.path());
  struct Case {
    const char* name;
    std::function<void()> call;
    std::string path;
    const char* operation;
    int error;
  };
  const Case cases[] = {
      {"read a missing file", [&] { (void)ReadText(0, missing, 1, "Table1"); }, missing, "opening", ENOENT},
      {"write a missing file", [&] { WriteText(0, missing, u"A", 1, "Table1"); }, missing, "opening", ENOENT},
      {"read with no name", [&] { (void)ReadText(0, "", 1, "Table1"); }, "", "opening", ENOENT},
      {"write with no name", [&] { WriteText(0, "", u"A", 1, "Table1"); }, "", "opening", ENOENT},
      {"read a folder", [&] { (void)ReadText(0, folder, 0, "Table1"); }, folder, "opening", EISDIR},
      {"write a folder", [&] { WriteText(0, folder, u"A", 1, "Table1"); }, folder, "opening", EISDIR},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const FileError e = fileError(c.call);
    EXPECT_EQ(e.path(), c.path);
    EXPECT_EQ(e.operation(), c.operation);
    EXPECT_EQ(e.code(), std::error_code(c.error, std::generic_category()));
#ifdef _WIN32
    // Windows words its reasons itself; only a folder is refused in ours.
    if (c.error == EISDIR) {
      EXPECT_EQ(e.reason(), std::strerror(c.error));
    }
    EXPECT_FALSE(e.reason().empty());
#else
    EXPECT_EQ(e.reason(), std::strerror(c.error));
#endif
    EXPECT_NE(std::string(e.what()).find(c.path), std::string::npos);
    EXPECT_TRUE(tableIsEmpty());
  }
  EXPECT_FALSE(std::filesystem::exists(missing)) << "a write must not create the image";
}

TEST_F(GetTextsTest, PermissionsAreObeyed) {
  const Bytes original(10, 0x11);
  image(original);
  namespace fs = std::filesystem;
  const fs::perms readOnly = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
  fs::permissions(test::fsPath(path_), readOnly);
  {
    test::ObeyPermissions obey;
    const FileError e = fileError([&] { WriteText(0, path_, u"AB", 2, "Table1"); });
    EXPECT_EQ(e.code().value(), EACCES);
    EXPECT_EQ(e.operation(), "opening");
    EXPECT_EQ(ReadText(0, path_, 1, "Table1"), u"");  // 0x11 decodes to nothing, but reading works
#ifndef _WIN32  // a file on Windows is always readable to the one who may write it
    fs::permissions(test::fsPath(path_), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write);
    EXPECT_EQ(fileError([&] { (void)ReadText(0, path_, 1, "Table1"); }).code().value(), EACCES);
#endif
  }
  fs::permissions(test::fsPath(path_), readOnly | fs::perms::owner_write);
  EXPECT_EQ(onDisk(), original);
}

TEST_F(GetTextsTest, AFailingWriteIsReportedNotSwallowed) {
  if (!test::FileSizeLimit::available()) GTEST_SKIP() << "no per-process file size limit on this system";
  const Bytes original(64, 0x11);
  image(original);
  {
    test::FileSizeLimit limit(16);
    const FileError e = fileError([&] { WriteText(32, path_, u"AB", 2, "Table1"); });
    EXPECT_EQ(e.code().value(), EFBIG);
    EXPECT_EQ(e.operation(), "writing");
  }
  EXPECT_EQ(onDisk(), original);
}

TEST_F(GetTextsTest, AWriteThatFailsPartWayPutsBackWhatItWrote) {
  if (!test::FileSizeLimit::available()) GTEST_SKIP() << "no per-process file size limit on this system";
  const Bytes original(64, 0x11);
  image(original);
  {
    test::FileSizeLimit limit(16);
    // The first two bytes lie under the limit and are written before the write fails.
    const FileError e = fileError(
        [&] { WriteText(14, path_, std::u16string(u"MA") + u"b" + std::u16string(17, u'A'), 20, "Table2"); });
    EXPECT_EQ(e.code().value(), EFBIG);
    EXPECT_NE(e.reason().find("put back"), std::string::npos) << e.reason();
    EXPECT_FALSE(e.fileChanged());
  }
  EXPECT_EQ(onDisk(), original);
}

}  // namespace
}  // namespace thornvale
