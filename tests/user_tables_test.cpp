#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/Catalogue.h"
#include "catalogue/EntryText.h"
#include "catalogue/SaveCheck.h"
#include "codec/GetTexts.h"
#include "codec/Normalization.h"
#include "codec/TableFile.h"
#include "codec/TableSet.h"
#include "codec/TextCodec.h"
#include "codec/Utf.h"
#include "tests/support/SampleImageFixture.h"
#include "tests/support/TestFiles.h"

namespace thornvale {
namespace {

using test::Bytes;

std::string formatByte(int b) {
  const char* digits = "0123456789ABCDEF";
  return {digits[b >> 4], digits[b & 15]};
}

TableFile parse(std::string_view text) {
  return parseTableFile(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), "T.tbl");
}

struct Accepted {
  const char* name;
  std::string_view text;
  std::vector<std::pair<std::uint8_t, char16_t>> entries;  // every entry the table must have
  std::size_t warnings;
};

// The forms table files come in from other tools, each read to exactly these entries.
TEST(TableFile, ReadsTheCommonForms) {
  const std::vector<Accepted> cases = {
      {"LF", "41=A\n42=B\n", {{0x41, u'A'}, {0x42, u'B'}}, 0},
      {"CRLF, BOM, comments, lower-case hex", "\xEF\xBB\xBF# mine\r\n\r\n7b=\xC3\xA9\r\nFE= \r\n",
       {{0x7B, u'\u00E9'}, {0xFE, u' '}}, 0},
      {"CR alone", "41=A\r42=B", {{0x41, u'A'}, {0x42, u'B'}}, 0},
      {"a hash as an entry", "23=#\n# 24=$\n", {{0x23, u'#'}}, 0},
      {"decomposed e acute", "7B=e\xCC\x81\n", {{0x7B, u'\u00E9'}}, 0},
      {"an equals sign", "3D==\n", {{0x3D, u'='}}, 0},
      {"end tokens, line breaks, bookmarks, ids set aside",
       "@main\n/FF\n/00=<end>\n*FE\n01=\\n\n(8000h)Names\n41=A\n", {{0x41, u'A'}, {0xFF, kNoCharacter}, {0x01, kNoCharacter}},
       6},
      {"blank lines of spaces", "  \n41=A\n\t\n", {{0x41, u'A'}}, 0},
  };
  for (const Accepted& c : cases) {
    const TableFile file = parse(c.text);
    for (const auto& [byte, character] : c.entries) EXPECT_EQ(file.table[byte], character) << c.name << " byte " << int(byte);
    std::size_t count = 0;
    for (char16_t ch : file.table) count += ch != kNoCharacter;
    std::size_t given = 0;
    for (const auto& entry : c.entries) given += entry.second != kNoCharacter;
    EXPECT_EQ(count, given) << c.name;
    EXPECT_EQ(file.warnings.size(), c.warnings) << c.name;
    for (const std::string& warning : file.warnings) EXPECT_TRUE(warning.starts_with("T.tbl:")) << warning;
  }
}

struct Refused {
  std::string_view text;
  int line;
  std::string_view why;  // part of the reason
};

TEST(TableFile, RefusesWhatATextHereCannotHoldNamingTheLine) {
  const std::vector<Refused> cases = {
      {"41=A\n4142=AB\n", 2, "more than one byte on the left"},
      {"41=AB\n", 1, "more than one character"},
      {"41=A \n", 1, "more than one character"},
      {"$41=<clear>\n", 1, "control code"},
      {"41=\t\n", 1, "tab"},
      {std::string_view("41=\0\n", 5), 1, "NUL"},
      {"41=\x1B\n", 1, "control character U+001B"},
      {"41=\xC2\x85\n", 1, "control character U+0085"},
      {"# x\n41=A\n41=B\n", 3, "given twice (first on line 2)"},
      {"41=A\n41\n", 2, "malformed"},
      {"G1=A\n", 1, "malformed"},
      {"411=A\n", 1, "two hex digits"},
      {"41=\n", 1, "no character"},
      {" 41=A\n", 1, "malformed"},
      {"(8000)Names\n", 1, "bookmark"},
      {"/=x\n", 1, "end token"},
      {"41=A\n42=\xC3\n", 2, "not UTF-8"},
      {"41=\xF0\x9F\x98\x80\n", 1, "beyond U+FFFF"},
  };
  for (const Refused& c : cases) {
    try {
      (void)parse(c.text);
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const TableFileError& error) {
      EXPECT_EQ(error.line(), c.line) << c.text;
      EXPECT_NE(error.why().find(c.why), std::string::npos) << error.why();
      EXPECT_NE(std::string(error.what()).find("T.tbl:" + std::to_string(c.line) + ": "), std::string::npos)
          << error.what();
    }
  }
}

TEST(TableFile, RefusesAFileOverItsLimitBeforeReadingALine) {
  test::TempDir dir;
  const std::string path = dir.file("Table1.tbl");
  std::string big;
  while (big.size() <= static_cast<std::size_t>(kMaxTableFileSize)) big += "# a comment of no use\n";
  test::writeBytes(path, Bytes(big.begin(), big.end()));
  EXPECT_THROW((void)readTableFile(path), FileError);
  EXPECT_THROW((void)parse(big), TableFileError);
}

// A folder of tables beside an image, written for one test.
class UserTablesTest : public test::SampleImageFixture {
 protected:
  void table(const std::string& name, std::string_view text) {
    std::filesystem::create_directories(fsPath(folder));
    test::writeBytes(folder + "/" + name + ".tbl", Bytes(text.begin(), text.end()));
  }
  // The built-in table of that name as a .tbl file, with `extra` lines after it.
  void builtInWith(std::string_view name, std::string_view extra) {
    std::string text;
    const CharacterTable& t = *TableSet::builtIn().find(name);
    for (int b = 0; b < 256; ++b) {
      if (t[b] == kNoCharacter || extra.find(formatByte(b) + "=") != std::string_view::npos) continue;
      text += formatByte(b) + "=" + static_cast<char>(t[b]) + "\n";
    }
    table(std::string(name), text + std::string(extra));
  }
  std::string folder = dir.file("thornvale.tables");
};

TEST_F(UserTablesTest, WithoutAFolderTheTablesAreTheBuiltInOnes) {
  const TableSet tables = TableSet::besideImage(imagePath);
  EXPECT_TRUE(tables.isBuiltIn());
  EXPECT_EQ(tables.fingerprint(), TableSet::builtIn().fingerprint());
  EXPECT_TRUE(tables.folder().empty());
  EXPECT_FALSE(TableSet::holdsTableFiles(folder));
}

TEST_F(UserTablesTest, ARemappedByteReadsAsItsNewCharacterAndIsListed) {
  // Byte 0xBC is "A" in Table2; the translator's font shows "Ä" there.
  builtInWith("Table2", "BC=\xC3\x84\n");
  const TableSet tables = TableSet::besideImage(imagePath);
  ASSERT_EQ(tables.replaced().size(), 1u);
  EXPECT_EQ(tables.replaced()[0].name, "Table2");
  EXPECT_EQ(tables.replaced()[0].differs, std::vector<std::uint8_t>{0xBC});
  EXPECT_EQ(tables.folder(), folder);
  EXPECT_NE(tables.fingerprint(), TableSet::builtIn().fingerprint());
  bool seen = false;
  for (const CatalogueEntry& e : catalogue()) {
    std::u16string builtIn = entryText(image, e);
    const std::u16string mine = entryText(image, e, std::nullopt, tables);
    if (e.tableName == "Table2") std::replace(builtIn.begin(), builtIn.end(), u'A', u'\u00C4');
    EXPECT_EQ(mine, builtIn) << e.position;
    EXPECT_EQ(ReadText(e.offset, imagePath, e.length, e.tableName, tables), mine) << e.position;
    seen = seen || mine.find(u'\u00C4') != std::u16string::npos;
  }
  EXPECT_TRUE(seen) << "no text of the sample uses the remapped byte";
  EXPECT_EQ(test::readBytes(imagePath), image);
}

TEST_F(UserTablesTest, TwoBytesForOneNewCharacterStoreTheLowerOne) {
  builtInWith("Table1", "7C=\xC3\xA9\n7B=\xC3\xA9\n");
  const TableSet tables = TableSet::besideImage(imagePath);
  const CatalogueEntry& e = *std::find_if(catalogue().begin(), catalogue().end(),
                                          [](const CatalogueEntry& c) { return c.tableName == "Table1"; });
  std::u16string text(static_cast<std::size_t>(e.saveLength), u'e');
  text[0] = u'\u00E9';
  EXPECT_EQ(checkSave(e, text), (Refusal{"Cannot save Text, these characters cannot be stored in this text: \"\u00E9\". "
                                         "Nothing was saved."}));
  EXPECT_EQ(test::readBytes(imagePath), image);
  ASSERT_EQ(saveEntry(imagePath, e, text, tables), std::nullopt);
  const Bytes after = test::readBytes(imagePath);
  EXPECT_EQ(after[static_cast<std::size_t>(e.offset)], 0x7B);
  EXPECT_EQ(entryText(after, e, std::nullopt, tables), text);
}

TEST_F(UserTablesTest, ADecomposedTextIsComposedBeforeItIsCountedAndStored) {
  builtInWith("Table1", "7B=\xC3\xA9\n");
  const TableSet tables = TableSet::besideImage(imagePath);
  const CatalogueEntry& e = *std::find_if(catalogue().begin(), catalogue().end(),
                                          [](const CatalogueEntry& c) { return c.tableName == "Table1"; });
  std::u16string text(static_cast<std::size_t>(e.saveLength) - 1, u'e');
  const std::u16string decomposed = u"e\u0301" + text;
  EXPECT_TRUE(changesUnderComposition(decomposed));
  EXPECT_EQ(composed(decomposed), u"\u00E9" + text);
  ASSERT_EQ(checkSave(e, decomposed, tables), std::nullopt);
  ASSERT_EQ(saveEntry(imagePath, e, decomposed, tables), std::nullopt);
  EXPECT_EQ(entryText(test::readBytes(imagePath), e, std::nullopt, tables), u"\u00E9" + text);
}

TEST_F(UserTablesTest, ABadFileRefusesTheWholeFolderAndNamesItsLine) {
  table("Table1", "41=A\n");
  table("Table3", "\xEF\xBB\xBF# fine so far\r\n41=A\r\n4142=AB\r\n");
  try {
    (void)TableSet::besideImage(imagePath);
    FAIL() << "a bad table was used";
  } catch (const TableFileError& error) {
    EXPECT_EQ(error.path(), utf8Path(fsPath(folder) / "Table3.tbl"));
    EXPECT_EQ(error.line(), 3);
  }
  EXPECT_EQ(test::readBytes(imagePath), image);
}

TEST(TableSetFolders, AreNamedAfterTheImage) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"game.nes", "game.tables"},
      {"/a/b/game.nes", "/a/b/game.tables"},
      {"/a.b/game", "/a.b/game.tables"},
      {"C:\\Jeux\\Frère.NES", "C:\\Jeux\\Frère.tables"},
      {"/a/.nes", "/a/.nes.tables"},
      {"x.y.nes", "x.y.tables"},
  };
  for (const auto& [image, folder] : cases) EXPECT_EQ(TableSet::folderFor(image), folder) << image;
}

// For every byte string, decoding through a user table and encoding back gives the same bytes
// wherever each byte has a character of its own; a duplicate gives the lowest byte of its character.
TEST(TableSetProperty, DecodeThenEncodeGivesTheBytesBack) {
  const auto character = [](int b) -> char16_t {
    if (b == 0xE5) return u'A';                  // again 0x41's
    if (b == 0xFF) return char16_t(0x100 + 0xA0);  // again 0xA0's
    return b < 0x7F ? char16_t(b) : char16_t(0x100 + b);
  };
  std::string text = "# Latin Extended beyond ASCII, and two duplicates\n";
  for (int b = 0x20; b < 0x100; ++b) {
    text += formatByte(b) + "=" + toUtf8(std::u16string(1, character(b))) + "\n";
  }
  const CharacterTable table = parse(text).table;
  std::uint32_t seed = 7;
  for (int round = 0; round < 5000; ++round) {
    Bytes bytes(static_cast<std::size_t>(round % 40));
    for (auto& b : bytes) b = static_cast<std::uint8_t>((seed = seed * 1103515245u + 12345u) >> 24);
    const std::u16string decoded = decodeText(table, bytes);
    if (decoded.size() != bytes.size()) continue;  // a byte without a character
    const auto encoded = encodeText(table, decoded, bytes.size());
    for (std::size_t k = 0; k < bytes.size(); ++k) {
      const std::uint8_t expected = bytes[k] == 0xE5 ? 0x41 : bytes[k] == 0xFF ? 0xA0 : bytes[k];
      ASSERT_EQ(encoded[k], std::optional<std::uint8_t>(expected)) << round << " at " << k;
    }
  }
}

}  // namespace
}  // namespace thornvale
