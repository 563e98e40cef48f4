#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "cli/CharacterTableFiles.h"
#include "codec/CharacterTables.h"
#include "codec/FileError.h"
#include "codec/Utf.h"
#include "tests/support/TestFiles.h"

namespace thornvale::cli {
namespace {

// Reads a table file the way a tool that takes the first match for encoding would.
struct ParsedTable {
  CharacterTable decode{};
  std::map<char16_t, std::uint8_t> firstByte;
};

ParsedTable parseTableFile(const std::string& text) {
  ParsedTable parsed;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    EXPECT_NE(end, std::string::npos) << "the last line has no newline";
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    EXPECT_EQ(line.size(), 4u) << line;  // every character is ASCII
    EXPECT_EQ(line[2], '=');
    const std::string hex = line.substr(0, 2);
    EXPECT_EQ(hex.find_first_not_of("0123456789ABCDEF"), std::string::npos) << line;
    const auto byte = static_cast<std::uint8_t>(std::stoi(hex, nullptr, 16));
    const std::u16string c = *fromUtf8(line.substr(3));
    EXPECT_EQ(parsed.decode[byte], kNoCharacter) << "byte listed twice: " << line;
    parsed.decode[byte] = c[0];
    parsed.firstByte.emplace(c[0], byte);
  }
  return parsed;
}

TEST(TableFiles, ParseBackToTheTablesAndEncodeAsWeDo) {
  test::TempDir dir;
  const std::string folder = dir.file("tables/nested");
  const std::vector<std::string> paths = writeTableFiles(folder);
  ASSERT_EQ(paths.size(), 4u);
  for (const NamedCharacterTable& named : characterTables()) {
    const test::Bytes bytes = test::readBytes(folder + "/" + std::string(named.name) + ".tbl");
    const std::string text(bytes.begin(), bytes.end());
    ASSERT_FALSE(text.starts_with("\xEF\xBB\xBF"));
    const ParsedTable parsed = parseTableFile(text);
    EXPECT_EQ(parsed.decode, *named.table) << named.name;
    for (const auto& [c, byte] : parsed.firstByte)
      EXPECT_EQ(encodeCharacter(*named.table, c), byte) << named.name;
    const std::uint8_t space = *encodeCharacter(*named.table, u' ');
    char spaceLine[6];
    std::snprintf(spaceLine, sizeof spaceLine, "%02X= \n", space);
    EXPECT_NE(text.find(spaceLine), std::string::npos) << named.name;
  }
  EXPECT_EQ(writeTableFiles(folder), paths);  // a second run replaces them
}

TEST(TableFiles, RefusesAFolderThatIsAFile) {
  test::TempDir dir;
  const std::string file = dir.file("taken");
  test::writeBytes(file, {1, 2, 3});
  EXPECT_THROW((void)writeTableFiles(file), FileError);
  EXPECT_EQ(test::readBytes(file), (test::Bytes{1, 2, 3}));
}

}  // namespace
}  // namespace thornvale::cli
