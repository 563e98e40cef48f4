// Delimited text as spreadsheets and editors save it, the dump's JSON, and the import's rules for
// what a spreadsheet did to a text on the way.

#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "cli/Commands.h"
#include "codec/Utf.h"
#include "exchange/Delimited.h"
#include "exchange/Exchange.h"
#include "tests/support/SampleImageFixture.h"
#include "tests/support/TestFiles.h"

namespace thornvale {
namespace {

using exchange::kDumpHeader;

std::string utf16(std::string_view ascii, bool bigEndian) {
  std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (char c : ascii) {
    bytes += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
  }
  return bytes;
}

struct Dialect {
  const char* name;
  std::string bytes;
  std::map<int, std::u16string> targets;  // position -> target of the units read
};

TEST(DelimitedRead, ReadsWhatSpreadsheetsAndEditorsSave) {
  const std::string dumpRow = "5\t0x14129\t8\t8\tTable2\tWONDERER";
  const Dialect cases[] = {
      {"comma, CRLF, a note column",
       "position,text,translation,note\r\n5,WANDERER,WONDERER,mine\r\n",
       {{5, u"WONDERER"}}},
      {"semicolon, CR line ends", "position;text\r5;WONDERER\r6;ACE\r", {{5, u"WONDERER"}, {6, u"ACE"}}},
      {"translation column first", "translation\tposition\nWONDERER\t5\n", {{5, u"WONDERER"}}},
      {"upper-case headers", "POSITION,Text\n5,WONDERER\n", {{5, u"WONDERER"}}},
      {"quoted: delimiter, doubled quote, spaces kept",
       "position,text\n5,\"WON,ER \"\"R\"\n6,\"  A \"\n",
       {{5, u"WON,ER \"R"}, {6, u"  A "}}},
      {"blank lines and lines of spaces and tabs",
       "\n \t\nposition,text\n\n  \t \n5,WONDERER\n,,\n",
       {{5, u"WONDERER"}}},
      {"UTF-8 byte-order mark", "\xEF\xBB\xBFposition,text\n5,W\xC3\x89NDERER\n", {{5, u"W\u00C9NDERER"}}},
      {"UTF-16 LE", utf16("position\ttext\r\n5\tWONDERER\r\n", false), {{5, u"WONDERER"}}},
      {"UTF-16 BE", utf16("position,text\n5,WONDERER\n", true), {{5, u"WONDERER"}}},
      {"the dump with a seventh column",
       std::string(kDumpHeader) + "\tnote\n" + dumpRow + "\tx\n",
       {{5, u"WONDERER"}}},
      {"the dump saved with quotes",
       "position,offset,length,save_length,table,text\n5,0x14129,8,8,Table2,\"WONDERER\"\n",
       {{5, u"WONDERER"}}},
      {"an empty translation is no text",
       "position,text,translation\n5,WANDERER,\n6,OAT,ACE\n",
       {{6, u"ACE"}}},
      {"a valid dump keeps its quotes literally",
       std::string(kDumpHeader) + "\n6\t0x14134\t3\t3\tTable2\t\"A\"\n",
       {{6, u"\"A\""}}},
      {"positions and lengths as pandas writes them after a blank row",
       "position,save_length,text,translation\n5.0,8.0,WANDERER,WONDERER\n6.00,3.000,OAT,ACE\n",
       {{5, u"WONDERER"}, {6, u"ACE"}}},
      {"dump --json",
       "[\n  {\"position\": 5, \"offset\": \"0x14129\", \"length\": 8, \"save_length\": 8, "
       "\"table\": \"Table2\", \"text\": \"WONDERER\"}\n]\n",
       {{5, u"WONDERER"}}},
  };
  for (const Dialect& c : cases) {
    const exchange::ReadResult read = exchange::readUnits(c.bytes);
    ASSERT_TRUE(read.ok()) << c.name << ": " << read.problems[0].message;
    std::map<int, std::u16string> targets;
    for (const exchange::Unit& unit : read.units)
      if (unit.target && !unit.target->empty()) targets[unit.entry->position] = *unit.target;
    EXPECT_EQ(targets, c.targets) << c.name;
  }
}

struct BadFile {
  const char* name;
  std::string bytes;
  std::size_t line;
  const char* message;
};

TEST(DelimitedRead, RefusesAFileOnceSayingWhatItIs) {
  const BadFile cases[] = {
      {"Windows-1252", "position,text\n5,WANDERER\n6,CAF\xC9\n", 3, "0xC9 is not valid UTF-8"},
      {"UTF-16 without a mark", std::string("p\0o\0", 4), 1, "UTF-16 without a byte-order mark"},
      {"gzip, as a .gnumeric file", std::string("\x1F\x8B\x08\0\0\0", 6), 1, "compressed (gzip) file"},
      {"UTF-16 XLIFF without a mark", std::string("<\0x\0l\0i\0f\0f\0", 12), 1,
       "UTF-16 without a byte-order mark; only UTF-8 is read"},
      {"tabs turned into spaces",
       "position  offset  length  save_length  table  text\n5  0x14129  8  8  Table2  WANDERER\n6  x\n", 1,
       "an editor turned the tabs into spaces"},
      {"rows with their tabs turned into spaces",
       std::string(kDumpHeader) + "\n5  0x14129  8  8  Table2  WANDERER\n6  0x14134  3  3  Table2  OAT\n", 2,
       "2 rows, from this one on, hold no tab"},
      {"no text column", "position,note\n5,x\n", 1, "no text column"},
      {"unclosed quote", "position,text\n5,\"WAND\n6,OAT\n", 2, "never closed"},
      {"unknown position", "position,text\n70,X\n", 2, "no text is named \"70\""},
      {"a position with a fraction", "position,text\n5.5,X\n", 2, "\"5.5\" is not a whole number"},
      {"a position with a point only", "position,text\n5.,X\n", 2, "no text is named \"5.\""},
      {"place of another game", "position,offset,text\n5,0x1404B,WONDERER\n", 2, "another game or version"},
      {"repeated position", "position,text\n5,A\n5,B\n", 3, "appears again (first on line 2)"},
      {"JSON without text", "[{\"position\": 5}]", 1, "a string \"text\""},
  };
  for (const BadFile& c : cases) {
    const exchange::ReadResult read = exchange::readUnits(c.bytes);
    ASSERT_EQ(read.problems.size(), 1u) << c.name;
    EXPECT_EQ(read.problems[0].line, c.line) << c.name;
    EXPECT_NE(read.problems[0].message.find(c.message), std::string::npos)
        << c.name << ": " << read.problems[0].message;
  }
  const exchange::ReadResult legacy = exchange::readUnits("position,text\n5,\xE9\n");
  EXPECT_NE(legacy.problems[0].message.find("save it as UTF-8"), std::string::npos);
}

TEST(SpreadsheetConversion, NamesWhatASpreadsheetMadeOfAText) {
  struct Case {
    std::u16string before, after;
    std::optional<std::string> conversion;
  };
  const Case cases[] = {
      {u"007", u"7", "leading zeros dropped"},
      {u"0042", u"42", "leading zeros dropped"},
      {u"1E2", u"100", "a number's exponent written out"},
      {u"1E100", u"1.00E+100", "a number's exponent rewritten"},
      {u"100000000000000000000", u"1E+20", "a number written with an exponent"},
      {u"JAN 1", u"01/01/2026", "a date reformatted"},
      {u"1/2", u"2026-01-02", "a date reformatted"},
      {u"MAR 3", u"46084", "a date reformatted"},
      {u"GOLD  ", u"GOLD", "trailing spaces trimmed"},
      {u"  GOLD", u"GOLD", "leading spaces trimmed"},
      // Edits, however much they look like numbers or dates, are not conversions.
      {u"007", u"008", std::nullopt},
      {u"1E2", u"1E3", std::nullopt},
      {u"JAN 1", u"FEB 2", std::nullopt},
      {u"GOLD 0250", u"GOLD 250", std::nullopt},
      {u"WANDERER", u"WONDERER", std::nullopt},
      {u"7", u"7", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(exchange::spreadsheetConversion(c.before, c.after), c.conversion)
        << toUtf8(c.before) << " -> " << toUtf8(c.after);
  }
}

class SheetImportTest : public test::SampleImageFixture {
 protected:
  struct Outcome {
    int status;
    std::string out, err;
  };
  Outcome import(const std::string& csv, std::vector<std::string> extra = {}) {
    const std::string file = dir.file("sheet.csv");
    test::writeBytes(file, test::Bytes(csv.begin(), csv.end()));
    std::vector<std::string> args{"import", imagePath, file};
    args.insert(args.end(), extra.begin(), extra.end());
    std::istringstream in;
    std::ostringstream out, err;
    const int status = cli::runThornvaleText(args, in, out, err);
    return {status, out.str(), err.str()};
  }
};

TEST_F(SheetImportTest, ListsEveryChangeAndRefusesConversionsUnlessAccepted) {
  ASSERT_EQ(import("position,text\n23,000000007\n").status, cli::kExitSuccess);
  const test::Bytes zeros = test::readBytes(imagePath);

  const Outcome converted = import("position,text\n23,7\n");
  EXPECT_EQ(converted.status, cli::kExitRefused);
  EXPECT_NE(converted.err.find("(leading zeros dropped): format the text column as text"), std::string::npos)
      << converted.err;
  EXPECT_EQ(test::readBytes(imagePath), zeros);

  // Accepted, the conversion meets the length check, which gives the count.
  const Outcome counted = import("position,text\n23,7\n", {"--accept-conversions"});
  EXPECT_NE(counted.err.find(
                "shorter or longer then the original. The text has 1 character, needs 9 (spaces count)"),
            std::string::npos)
      << counted.err;

  const Outcome listed = import("position,text\n23,GOLD 0250\n5,WONDERER\n", {"--dry-run"});
  EXPECT_EQ(listed.status, cli::kExitSuccess) << listed.err;
  EXPECT_TRUE(
      listed.out.starts_with("position 23: \"000000007\" -> \"GOLD 0250\"\n"
                             "position 5: \"WANDERER\" -> \"WONDERER\"\n"))
      << listed.out;
  EXPECT_EQ(test::readBytes(imagePath), zeros);
}

TEST_F(SheetImportTest, SaysWhenOnlySpacesAtTheEndsWereLost) {
  const std::string trimmed = "A mountain, of course. You may pass. Mind the loose stones on the far side.";
  const Outcome outcome = import("position,text\n43,\"" + trimmed + "\"\n", {"--accept-conversions"});
  EXPECT_EQ(outcome.status, cli::kExitRefused);
  EXPECT_NE(
      outcome.err.find("has 75 characters, needs 82 (spaces count); it differs from the image's text only by "
                       "7 trailing spaces missing"),
      std::string::npos)
      << outcome.err;
  const Outcome refused = import("position,text\n43,\"" + trimmed + "\"\n");
  EXPECT_NE(refused.err.find("trailing spaces trimmed"), std::string::npos) << refused.err;
  EXPECT_EQ(test::readBytes(imagePath), image);
}

}  // namespace
}  // namespace thornvale
