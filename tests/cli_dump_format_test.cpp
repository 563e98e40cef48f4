#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "catalogue/Catalogue.h"
#include "cli/DumpFormat.h"
#include "exchange/Formats.h"
#include "codec/Format.h"
#include "codec/Utf.h"
#include "sample/SampleImage.h"
#include "tests/support/SampleImageFixture.h"
#include "tests/support/TestFiles.h"

namespace thornvale::cli {
namespace {

using DumpFormatTest = test::SampleImageFixture;

TEST_F(DumpFormatTest, DumpShowsEveryEntryAsTheEditorListsIt) {
  const std::vector<exchange::TextRow> rows = readImageRows(imagePath);
  const std::string dump = formatDump(rows);
  EXPECT_TRUE(dump.starts_with("position\toffset\tlength\tsave_length\ttable\ttext\n"));
  EXPECT_NE(dump.find("\n27\t0x33067\t2\t1\tTable3\tQ2\n"), std::string::npos);
  EXPECT_NE(dump.find("\n67\t0x5337\t57\t57\tTable1\t"), std::string::npos);

  // Parsing the dump gives back every entry and every text, trailing spaces included.
  const exchange::ReadResult parsed = exchange::readDump(dump);
  ASSERT_TRUE(parsed.problems.empty());
  ASSERT_EQ(parsed.units.size(), kCatalogueSize);
  for (std::size_t i = 0; i < kCatalogueSize; ++i) {
    EXPECT_EQ(parsed.units[i].entry, &catalogue()[i]);
    EXPECT_EQ(parsed.units[i].target, sampleText(static_cast<int>(i))) << "position " << i;
    EXPECT_EQ(parsed.units[i].line, i + 2);
  }
}

TEST_F(DumpFormatTest, JsonHasTheSameFields) {
  const std::vector<exchange::TextRow> rows = readImageRows(imagePath);
  const auto json = nlohmann::json::parse(exchange::formatNamed("json")->write(rows, {}));
  ASSERT_EQ(json.size(), kCatalogueSize);
  for (std::size_t i = 0; i < kCatalogueSize; ++i) {
    const CatalogueEntry& e = catalogue()[i];
    EXPECT_EQ(json[i]["position"], e.position);
    EXPECT_EQ(json[i]["offset"], formatHex0x(static_cast<std::uint32_t>(e.offset)));
    EXPECT_EQ(json[i]["length"], e.length);
    EXPECT_EQ(json[i]["save_length"], e.saveLength);
    EXPECT_EQ(json[i]["table"], std::string(e.tableName));
    EXPECT_EQ(json[i]["text"], toUtf8(sampleText(static_cast<int>(i))));
    EXPECT_EQ(json[i].size(), 6u);
  }
}

TEST(DumpParse, AcceptsWhatEditorsDoToAFile) {
  const std::string header(kDumpHeader);
  const std::pair<std::string, std::u16string> cases[] = {
      {header + "\r\n5\t0x14129\t8\t8\tTable2\tWANDERER\r\n", u"WANDERER"},
      {"\xEF\xBB\xBF" + header + "\n\n5\t0x14129\t8\t8\tTable2\tWANDERER", u"WANDERER"},
      {header + "\n5\t0X14129\t8\t8\tTable2\t WAN  ER \n", u" WAN  ER "},
  };
  for (const auto& [dump, text] : cases) {
    const exchange::ReadResult parsed = exchange::readDump(dump);
    EXPECT_TRUE(parsed.problems.empty()) << dump;
    ASSERT_EQ(parsed.units.size(), 1u) << dump;
    EXPECT_EQ(parsed.units[0].target, text);
  }
}

struct BadDump {
  std::string name;
  std::string body;  // after the header line
  std::size_t line;
  std::string message;
};

TEST(DumpParse, RefusesMalformedRowsWithTheirLineNumbers) {
  const BadDump cases[] = {
      {"five columns", "5\t0x14129\t8\t8\tWANDERER\n", 2, "expected 6 tab-separated columns, found 5"},
      {"tab in text", "5\t0x14129\t8\t8\tTable2\tWAND\tERER\n", 2, "found 7"},
      {"position not a number", "five\t0x14129\t8\t8\tTable2\tWANDERER\n", 2, "no text is named \"five\""},
      {"signed position", "+5\t0x14129\t8\t8\tTable2\tWANDERER\n", 2, "no text is named \"+5\""},
      {"position past the end", "70\t0x14129\t8\t8\tTable2\tWANDERER\n", 2, "no text is named \"70\""},
      {"offset of another entry", "5\t0x1404B\t8\t8\tTable2\tWANDERER\n", 2, "it places the text at \"0x1404B\", ours lies at 0x14129"},
      {"offset not hex", "5\t82217\t8\t8\tTable2\tWANDERER\n", 2, "it places the text at \"82217\""},
      {"wrong length", "5\t0x14129\t9\t8\tTable2\tWANDERER\n", 2, "it gives the text \"9\" bytes, ours has 8"},
      {"wrong save length", "27\t0x33067\t2\t2\tTable3\tQ2\n", 2, "it gives a save length of \"2\", ours is 1"},
      {"wrong table", "5\t0x14129\t8\t8\tTable1\tWANDERER\n", 2, "it names the table \"Table1\", ours is Table2"},
      {"invalid UTF-8", "5\t0x14129\t8\t8\tTable2\tWAND\xFF\x46RER\n", 2, "not valid UTF-8"},
      {"duplicate", "5\t0x14129\t8\t8\tTable2\tWANDERER\n\n5\t0x14129\t8\t8\tTable2\tWANDERER\n", 4,
       "the text appears again (first on line 2)"},
  };
  for (const BadDump& c : cases) {
    const exchange::ReadResult parsed = exchange::readDump(std::string(kDumpHeader) + "\n" + c.body);
    ASSERT_EQ(parsed.problems.size(), 1u) << c.name;
    EXPECT_EQ(parsed.problems[0].line, c.line) << c.name;
    EXPECT_NE(parsed.problems[0].message.find(c.message), std::string::npos)
        << c.name << ": " << parsed.problems[0].message;
  }

  EXPECT_EQ(exchange::readDump("").problems.size(), 1u);
  const exchange::ReadResult noHeader = exchange::readDump("5\t0x14129\t8\t8\tTable2\tWANDERER\n");
  ASSERT_EQ(noHeader.problems.size(), 1u);
  EXPECT_EQ(noHeader.problems[0].line, 1u);
}

}  // namespace
}  // namespace thornvale::cli
