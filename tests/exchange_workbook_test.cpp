// Workbooks: what the export writes for a spreadsheet to enforce, and what the reader makes of
// workbooks of every shape that spreadsheets (and attackers) write.

#include <gtest/gtest.h>
#include <zip.h>

#include <map>
#include <sstream>

#include "catalogue/Catalogue.h"
#include "cli/Commands.h"
#include "codec/Utf.h"
#include "exchange/CellFormat.h"
#include "exchange/Exchange.h"
#include "exchange/Judge.h"
#include "exchange/Workbook.h"
#include "tests/support/SampleImageFixture.h"
#include "tests/support/TestFiles.h"

namespace thornvale {
namespace {

using Parts = std::vector<std::pair<std::string, std::string>>;

// A zip of the given parts, made with minizip's own writer.
std::string zipOf(const Parts& parts, const std::string& path) {
  zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
  EXPECT_NE(zip, nullptr);
  for (const auto& [name, data] : parts) {
    zip_fileinfo info{};
    EXPECT_EQ(zipOpenNewFileInZip64(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                    Z_BEST_COMPRESSION, 1),
              ZIP_OK);
    EXPECT_EQ(zipWriteInFileInZip(zip, data.data(), static_cast<unsigned>(data.size())), ZIP_OK);
    EXPECT_EQ(zipCloseFileInZip(zip), ZIP_OK);
  }
  EXPECT_EQ(zipClose(zip, nullptr), ZIP_OK);
  const test::Bytes bytes = test::readBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

constexpr const char* kWorkbookXml =
    R"(<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" )"
    R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)"
    R"(<sheets><sheet name="Mine" sheetId="1" r:id="rId7"/><sheet name="Other" sheetId="2" r:id="rId8"/></sheets>)"
    R"(</workbook>)";

std::string relationships(const std::string& firstTarget, const std::string& mode = "") {
  return R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
         R"(<Relationship Id="rId7" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target=")" +
         firstTarget + "\"" + mode +
         R"(/><Relationship Id="rId8" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/other.xml"/>)"
         R"(<Relationship Id="rId9" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="strings.xml"/>)"
         R"(</Relationships>)";
}

std::string sheet(const std::string& rows) {
  return R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>)" +
         rows + "</sheetData></worksheet>";
}

// A workbook as spreadsheets other than ours write one: the header on its third row, the
// translation column far right, shared strings with runs and phonetic hints, inline strings,
// escapes, prefixes, rows and cells without references, and a second sheet never read.
Parts foreignWorkbook() {
  const std::string strings =
      R"(<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
      R"(<si><t>Position</t></si><si><t>Translation</t></si>)"
      R"(<si><r><t>WON</t></r><r><rPr/><t xml:space="preserve">DERER</t></r><rPh><t>x</t></rPh></si>)"
      R"(<si><t>A_x005F_x0041_ CAT</t></si></sst>)";
  const std::string rows =
      R"(<row r="3"><c r="B3" t="s"><v>0</v></c><c r="K3" t="s"><v>1</v></c><c r="L3" t="inlineStr"><is><t>note</t></is></c></row>)"
      R"(<row r="4"><c r="B4"><v>5</v></c><c r="K4" t="s"><v>2</v></c><c r="XFD4" t="inlineStr"><is><t>far</t></is></c></row>)"
      R"(<row><c r="B5"><v>6</v></c><c r="K5" t="inlineStr"><is><t>C_x0041_T</t></is></c></row>)"
      R"(<row r="9"><c r="B9"><v>7</v></c><c r="K9" t="s"><v>3</v></c></row>)"
      R"(<row r="10"><c r="B10"><v>8</v></c></row>)";
  return {{"xl/workbook.xml", kWorkbookXml},
          {"xl/_rels/workbook.xml.rels", relationships("/xl/worksheets/mine.xml")},
          {"xl/strings.xml", strings},
          {"xl/worksheets/mine.xml", sheet(rows)},
          {"xl/worksheets/other.xml", "not even XML <"}};
}

class WorkbookTest : public test::SampleImageFixture {
 protected:
  std::string zip(const Parts& parts) {
    return zipOf(parts, dir.file("book" + std::to_string(++made_) + ".xlsx"));
  }

  struct Outcome {
    int status;
    std::string out, err;
  };
  Outcome run(std::vector<std::string> args) {
    std::istringstream in;
    std::ostringstream out, err;
    const int status = cli::runThornvaleText(args, in, out, err);
    return {status, out.str(), err.str()};
  }

  std::string exported(std::vector<std::string> extra = {}) {
    const std::string file = dir.file("texts.xlsx");
    std::vector<std::string> args{"export", imagePath, "--format", "xlsx", "-o", file};
    args.insert(args.end(), extra.begin(), extra.end());
    const Outcome outcome = run(args);
    EXPECT_EQ(outcome.status, cli::kExitSuccess) << outcome.err;
    const test::Bytes bytes = test::readBytes(file);
    return std::string(bytes.begin(), bytes.end());
  }

 private:
  int made_ = 0;
};

TEST_F(WorkbookTest, TheExportHoldsEachTranslationToItsLengthInTheSpreadsheetItself) {
  const std::string book = exported();
  const std::optional<std::string> xml = exchange::readWorkbookPart(book, "xl/worksheets/sheet1.xml");
  ASSERT_TRUE(xml);
  // One validation per text, on its translation cell, of exactly its save length, refusing.
  for (const CatalogueEntry& e : catalogue()) {
    const std::string cell = "sqref=\"G" + std::to_string(e.position + 2) + "\"";
    const std::size_t at = xml->find(cell);
    ASSERT_NE(at, std::string::npos) << e.position;
    const std::size_t start = xml->rfind("<dataValidation ", at);
    const std::string validation = xml->substr(start, xml->find("</dataValidation>", at) - start);
    EXPECT_NE(validation.find("type=\"textLength\""), std::string::npos) << validation;
    EXPECT_EQ(validation.find("errorStyle"), std::string::npos) << "a stop, not a warning: " << validation;
    EXPECT_NE(validation.find("operator=\"equal\""), std::string::npos) << validation;
    EXPECT_NE(validation.find("<formula1>" + std::to_string(e.saveLength) + "</formula1>"), std::string::npos)
        << validation;
    EXPECT_NE(validation.find("exactly " + std::to_string(e.saveLength) + " character"), std::string::npos)
        << validation;
  }
  EXPECT_NE(xml->find("<pane ySplit=\"1\" topLeftCell=\"A2\" activePane=\"bottomLeft\" state=\"frozen\"/>"),
            std::string::npos);
  const std::size_t protection = xml->find("<sheetProtection ");
  ASSERT_NE(protection, std::string::npos);
  EXPECT_EQ(xml->substr(protection, xml->find("/>", protection) - protection).find("password"),
            std::string::npos);
  EXPECT_NE(xml->find("<conditionalFormatting sqref=\"A2:H71\">"), std::string::npos);
  EXPECT_NE(xml->find("<f>LEN(G2)</f>"), std::string::npos);
  // Text cells typed as text (built-in format 49, "@"); the translations' format unlocked.
  const std::optional<std::string> styles = exchange::readWorkbookPart(book, "xl/styles.xml");
  ASSERT_TRUE(styles);
  EXPECT_NE(styles->find("numFmtId=\"49\""), std::string::npos);
  // hidden="0" said outright: Gnumeric takes a protection without it for hidden cells.
  EXPECT_NE(styles->find("<protection locked=\"0\" hidden=\"0\"/>"), std::string::npos);
  EXPECT_EQ(styles->find("<protection locked=\"0\"/>"), std::string::npos);
}

TEST_F(WorkbookTest, AnExportReadsBackAsTheImagesTextsAndItsTranslations) {
  const std::string empty = exported();
  exchange::ReadResult read = exchange::readUnits(empty);
  ASSERT_TRUE(read.ok()) << read.problems[0].message;
  EXPECT_EQ(read.format, exchange::formatNamed("xlsx"));
  ASSERT_EQ(read.units.size(), kCatalogueSize);
  EXPECT_EQ(exchange::judge(read, std::nullopt).empty, kCatalogueSize);
  const std::string dump = run({"dump", imagePath}).out;
  for (const exchange::Unit& unit : read.units) {
    EXPECT_EQ(unit.line, static_cast<std::size_t>(unit.entry->position + 2));
    EXPECT_NE(dump.find("\t" + toUtf8(*unit.source) + "\n"), std::string::npos) << toUtf8(*unit.source);
  }

  ASSERT_EQ(run({"set", imagePath, "23", "000000007"}).status, cli::kExitSuccess);
  const std::string translated = dir.file("translated.nes");
  test::writeBytes(translated, test::readBytes(imagePath));
  ASSERT_EQ(run({"set", translated, "5", "WONDERER"}).status, cli::kExitSuccess);
  ASSERT_EQ(run({"set", translated, "23", "000000042"}).status, cli::kExitSuccess);
  const std::string filled = exported({"--translated", translated});
  read = exchange::readUnits(filled);
  ASSERT_TRUE(read.ok()) << read.problems[0].message;
  std::map<int, std::u16string> targets;
  for (const exchange::Unit& unit : read.units)
    if (unit.target && !unit.target->empty()) targets[unit.entry->position] = *unit.target;
  EXPECT_EQ(targets, (std::map<int, std::u16string>{{5, u"WONDERER"}, {23, u"000000042"}}));

  // Imported, the workbook makes the translated image, and says what it changed.
  const std::string file = dir.file("filled.xlsx");
  test::writeBytes(file, test::Bytes(filled.begin(), filled.end()));
  const Outcome imported = run({"import", imagePath, file});
  EXPECT_EQ(imported.status, cli::kExitSuccess) << imported.err;
  EXPECT_EQ(imported.out,
            "position 5: \"WANDERER\" -> \"WONDERER\"\nposition 23: \"000000007\" -> \"000000042\"\n" +
                imagePath + ": 2 texts written, 0 unchanged, 68 rows without a translation\n");
  EXPECT_EQ(test::readBytes(imagePath), test::readBytes(translated));
}

// Every text of every table, with what Office Open XML would read as an escape (_xBEEF_) where the
// table can store it: exported as sources and as translations, it reads back as it was.
TEST_F(WorkbookTest, EveryStorableTextComesBackThroughTheWorkbookAsItWas) {
  const std::map<std::string_view, std::u16string> patterns{
      {"Table1", u"_xface__xBEEF_ ok, It's _xCAFE_. Yes!? _x_ "},
      {"Table2", u"ACDEGILMNOPRTUWZ "},
      {"Table3", u"0123456789 AZ _XBEEF_"},
      {"Table4", u"ACDEGLORSTUY !"}};
  const std::string translated = dir.file("translated.nes");
  test::writeBytes(translated, image);
  std::map<int, std::u16string> wanted;
  for (const CatalogueEntry& e : catalogue()) {
    std::u16string pattern = patterns.at(e.tableName);
    std::erase_if(pattern, [&](char16_t c) { return e.tableName == "Table3" && c == u'_'; });
    std::u16string text;
    for (std::size_t i = 0; text.size() < static_cast<std::size_t>(e.saveLength); ++i)
      text += pattern[(i + static_cast<std::size_t>(e.position)) % pattern.size()];
    ASSERT_EQ(run({"set", translated, std::to_string(e.position), toUtf8(text)}).status, cli::kExitSuccess)
        << e.position;
  }
  const std::string viaTranslated = dir.file("via-translated.xlsx");
  ASSERT_EQ(
      run({"export", imagePath, "--format", "xlsx", "-o", viaTranslated, "--translated", translated}).status,
      cli::kExitSuccess);
  const Outcome imported = run({"import", imagePath, viaTranslated});
  EXPECT_EQ(imported.status, cli::kExitSuccess) << imported.err;
  EXPECT_EQ(test::readBytes(imagePath), test::readBytes(translated));
  // The same texts as sources: the reader sees the image's own texts, and check no other revision.
  const std::string asSources = dir.file("as-sources.xlsx");
  ASSERT_EQ(run({"export", translated, "--format", "xlsx", "-o", asSources}).status, cli::kExitSuccess);
  const Outcome checked = run({"check", asSources, "--image", translated});
  EXPECT_EQ(checked.status, cli::kExitSuccess) << checked.err;
  EXPECT_EQ(checked.err, "");
  EXPECT_NE(test::readBytes(imagePath), image);
}

TEST_F(WorkbookTest, ReadsWorkbooksAsOtherSpreadsheetsWriteThem) {
  const exchange::ReadResult read = exchange::readUnits(zip(foreignWorkbook()));
  ASSERT_TRUE(read.ok()) << read.problems[0].message;
  std::map<int, std::pair<std::size_t, std::u16string>> targets;
  for (const exchange::Unit& unit : read.units)
    if (unit.target && !unit.target->empty()) targets[unit.entry->position] = {unit.targetLine, *unit.target};
  const std::map<int, std::pair<std::size_t, std::u16string>> expected{
      {5, {4, u"WONDERER"}}, {6, {5, u"CAT"}}, {7, {9, u"A_x0041_ CAT"}}};
  EXPECT_EQ(targets, expected);
  EXPECT_EQ(exchange::judge(read, std::nullopt).empty, 1u);
}

TEST_F(WorkbookTest, NeitherAFarHeaderCellNorABlankLookingRowMisleadsTheReader) {
  // A note in the header's last column would make every row 16,384 cells wide.
  std::string rows =
      R"(<row r="1"><c r="A1" t="inlineStr"><is><t> </t></is></c></row>)"
      R"(<row r="2"><c r="A2" t="inlineStr"><is><t>position</t></is></c><c r="B2" t="inlineStr"><is><t>translation</t></is></c>)"
      R"(<c r="XFD2" t="inlineStr"><is><t>a note far away</t></is></c></row>)"
      R"(<row r="3"><c r="A3"><v>6</v></c><c r="B3" t="inlineStr"><is><t>CAT</t></is></c></row>)";
  for (int i = 0; i < 20000; ++i) rows += "<row><c><v>6</v></c></row>";
  Parts parts = foreignWorkbook();
  parts[3].second = sheet(rows);
  const exchange::ReadResult read = exchange::readUnits(zip(parts));
  ASSERT_FALSE(read.problems.empty());
  EXPECT_EQ(read.problems[0].message, "the text appears again (first on line 3)");
  ASSERT_EQ(read.units.size(), 1u);
  EXPECT_EQ(read.units[0].target, u"CAT");
}

TEST_F(WorkbookTest, RefusesWhatIsNoWorkbookOrTooMuchToUnpackSayingWhat) {
  Parts external = foreignWorkbook();
  external[1].second = relationships("file:///etc/passwd", " TargetMode=\"External\"");
  Parts ods = {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"}, {"content.xml", "<x/>"}};
  Parts bomb = foreignWorkbook();
  bomb.push_back({"xl/worksheets/huge.xml", std::string(9u << 20, ' ')});
  bomb[1].second = relationships("worksheets/huge.xml");
  Parts dense = foreignWorkbook();
  dense[3].second = sheet("<row r=\"1\"><c t=\"inlineStr\"><is><t>position</t></is></c></row>" +
                          std::string(3u << 20, ' '));
  Parts notes = foreignWorkbook();
  notes[3].second = sheet(R"(<row r="2"><c t="inlineStr"><is><t>My notes</t></is></c></row>)");
  // One long shared string named by many cells: each copy would cost its length again.
  Parts amplified = foreignWorkbook();
  amplified[2].second = "<sst><si><t>" + std::string((1u << 20) - 64, 'A') + "</t></si></sst>";
  std::string cells;
  for (int i = 0; i < 20; ++i) cells += R"(<c t="s"><v>0</v></c>)";
  amplified[3].second =
      sheet(R"(<row><c t="inlineStr"><is><t>position</t></is></c></row><row>)" + cells + "</row>");
  Parts notUtf8 = foreignWorkbook();
  notUtf8[3].second = sheet(
      R"(<row><c t="inlineStr"><is><t>position</t></is></c><c t="inlineStr"><is><t>text</t></is></c></row>)"
      "<row><c><v>5</v></c><c t=\"inlineStr\"><is><t>WON\xFF"
      "DERER</t></is></c></row>");
  Parts broken = foreignWorkbook();
  broken[3].second = sheet("<row><c><v>1</c></row>");
  const std::string real = exported();
  struct Case {
    const char* name;
    std::string bytes;
    const char* message;
  };
  const Case cases[] = {
      {"an external sheet", zip(external), "names no sheet inside it"},
      {"OpenDocument", zip(ods), "OpenDocument file (.ods)"},
      {"more than 8 MiB inflated", zip(bomb), "unpacks to more than 8 MiB"},
      {"a part 1000 times its packed size", zip(dense), "to more than 100 times its packed size"},
      {"a first sheet of other things", zip(notes), "the first sheet's first row must be a header"},
      {"a shared string copied into many cells", zip(amplified), "cells hold more than 8 MiB of text"},
      {"bytes that are not UTF-8", zip(notUtf8), "worksheets/mine.xml holds bytes that are not UTF-8"},
      {"malformed XML", zip(broken), "worksheets/mine.xml is not well-formed XML"},
      {"no workbook part", zip({{"word/document.xml", "<w/>"}}), "holds no workbook"},
      {"cut short", real.substr(0, real.size() / 2), "not a zip archive that can be read"},
      {"a damaged part",
       [&] {
         // A byte of the sheet's packed data, past its local header.
         std::string damaged = real;
         const std::size_t data = real.find("xl/worksheets/sheet1.xml") + 40;
         damaged[data] = static_cast<char>(damaged[data] ^ 0x55);
         return damaged;
       }(),
       "damaged"},
  };
  for (const Case& c : cases) {
    const exchange::ReadResult read = exchange::readUnits(c.bytes);
    ASSERT_EQ(read.problems.size(), 1u) << c.name;
    EXPECT_NE(read.problems[0].message.find(c.message), std::string::npos)
        << c.name << ": " << read.problems[0].message;
    EXPECT_TRUE(read.units.empty()) << c.name;
  }
}

TEST(CellFormat, ShowsAValueAsItsNumberFormatDoes) {
  const std::tuple<double, std::string_view, std::string_view> cases[] = {
      {46023, "", "46023"},
      {100, "General", "100"},
      {1e20, "General", "1E+20"},
      {0.1 + 0.2, "General", "0.3"},
      {-1.5, "", "-1.5"},
      {46023, "yyyy/mm/dd", "2026/01/01"},
      {46023, "yyyy-mm-dd h:mm:ss", "2026-01-01 0:00:00"},
      {46023.75, "m/d/yy h:mm AM/PM", "1/1/26 6:00 PM"},
      {46023, "d-mmm", "1-Jan"},
      {46023, "dddd, mmmm d", "Thursday, January 1"},
      {46023.5, "[$-409]hh:mm;@", "12:00"},
      {1, "yyyy-mm-dd", "1900-01-01"},
      {61, "yyyy-mm-dd", "1900-03-01"},
      {7, "0.0", "7.0"},
      {1234.5, "#,##0.00", "1,234.50"},
      {-1234.5, "#,##0.00;(#,##0.00)", "(1,234.50)"},
      {0, "0;-0;\"zero\"", "zero"},
      {0.25, "0%", "25%"},
      {12345, "0.00E+00", "1.23E+04"},
      {7, "000", "007"},
      {7, "\"No. \"0", "No. 7"},
      {0.5, "# ?/?", "0.5"},
  };
  for (const auto& [value, code, shown] : cases)
    EXPECT_EQ(exchange::formatCellValue(value, code), shown) << code;
  EXPECT_EQ(exchange::formatCellValue(0, "yyyy-mm-dd", true), "1904-01-01");
  EXPECT_EQ(exchange::builtInNumberFormat(14), "m/d/yyyy");
  EXPECT_TRUE(exchange::isDateFormat("[$-409]d\\-mmm"));
  EXPECT_FALSE(exchange::isDateFormat("\"day\" 0.00E+00"));
}

// Cells that hold no text, as spreadsheets and libraries write them: each is read as what it shows,
// named with what it stored; a formula whose value the file does not hold is refused, and so is the
// whole workbook where a cell names a shared string it lacks.
TEST_F(WorkbookTest, ACellThatHeldNoTextIsNamedWithWhatItShowedAndStored) {
  const std::string header =
      R"(<row r="1"><c r="A1" t="inlineStr"><is><t>position</t></is></c><c r="C1" t="inlineStr"><is><t>translation</t></is></c></row>)";
  const std::string styles =
      R"(<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><numFmts count="1">)"
      R"(<numFmt numFmtId="164" formatCode="yyyy/mm/dd"/></numFmts><cellXfs count="3"><xf numFmtId="0"/>)"
      R"(<xf numFmtId="164"/><xf numFmtId="2"/></cellXfs></styleSheet>)";
  struct Case {
    const char* name;
    std::string cell;
    std::string workbook = kWorkbookXml;
    std::optional<std::u16string> target;
    std::optional<std::string> typed;
    std::string problem;
  };
  const std::string recalculating =
      std::string(kWorkbookXml)
          .insert(std::string(kWorkbookXml).size() - 11, R"(<calcPr fullCalcOnLoad="1"/>)");
  const Case cases[] = {
      {"a date", R"(<c r="C12" s="1"><v>46023</v></c>)", kWorkbookXml, u"2026/01/01",
       "C12: a date cell (shown 2026/01/01, stored 46023)", ""},
      {"a number", R"(<c r="C12"><v>1E2</v></c>)", kWorkbookXml, u"100",
       "C12: a number cell (shown 100, stored 1E2)", ""},
      {"a number with two decimals", R"(<c r="C12" s="2"><v>7</v></c>)", kWorkbookXml, u"7.00",
       "C12: a number cell (shown 7.00, stored 7)", ""},
      {"a boolean", R"(<c r="C12" t="b"><v>1</v></c>)", kWorkbookXml, u"TRUE",
       "C12: a boolean cell (shown TRUE, stored 1)", ""},
      {"an error", R"(<c r="C12" t="e"><v>#DIV/0!</v></c>)", kWorkbookXml, u"#DIV/0!",
       "C12: an error cell (shown #DIV/0!)", ""},
      {"a formula with its text", R"(<c r="C12" t="str"><f>A1</f><v>CAT</v></c>)", kWorkbookXml, u"CAT",
       std::nullopt, ""},
      {"a formula without a value", R"(<c r="C12"><f>A1</f><v></v></c>)", kWorkbookXml, std::nullopt,
       std::nullopt,
       "C12: a formula with no value stored in the file: open and save it in a spreadsheet first"},
      {"a formula to be recalculated", R"(<c r="C12"><f>1+1</f><v>0</v></c>)", recalculating, std::nullopt,
       std::nullopt, "C12: a formula in a workbook marked to be recalculated"},
      {"a shared-string cell left blank", R"(<c r="C12" t="s"/>)", kWorkbookXml, u"", std::nullopt, ""},
      {"a shared string past the end", R"(<c r="C12" t="s"><v>99999</v></c>)", kWorkbookXml, std::nullopt,
       std::nullopt, "its cell C12 names shared string \"99999\", and it has 4;"},
      {"a shared string that is no number", R"(<c r="C12" t="s"><v>x</v></c>)", kWorkbookXml, std::nullopt,
       std::nullopt, "names shared string \"x\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Parts parts = foreignWorkbook();
    parts[0].second = c.workbook;
    parts[3].second = sheet(header + R"(<row r="12"><c r="A12"><v>5</v></c>)" + c.cell + "</row>");
    parts.push_back({"xl/styles.xml", styles});
    const exchange::ReadResult read = exchange::readUnits(zip(parts));
    if (c.problem.empty()) {
      ASSERT_TRUE(read.ok()) << read.problems[0].message;
      ASSERT_EQ(read.units.size(), 1u);
      EXPECT_EQ(read.units[0].target, c.target);
      EXPECT_EQ(read.units[0].typedCell, c.typed);
    } else {
      ASSERT_EQ(read.problems.size(), 1u);
      EXPECT_NE(read.problems[0].message.find(c.problem), std::string::npos) << read.problems[0].message;
      EXPECT_TRUE(read.units.empty());
    }
  }
  // Without its shared strings, a workbook whose header names them is damaged, not headerless.
  Parts lost = foreignWorkbook();
  lost.erase(lost.begin() + 2);
  const exchange::ReadResult read = exchange::readUnits(zip(lost));
  ASSERT_EQ(read.problems.size(), 1u);
  EXPECT_NE(read.problems[0].message.find("names shared string \"0\", and it has none"), std::string::npos)
      << read.problems[0].message;
}

// A number cell is no text the translator typed: refused by check and import alike, the image
// unchanged, unless conversions are accepted; then what the cell shows is taken, and the listing
// says it was a conversion. A length refusal shows the value read.
TEST_F(WorkbookTest, ANumberCellIsRefusedUnlessConversionsAreAccepted) {
  ASSERT_EQ(run({"set", imagePath, "23", "000000007"}).status, cli::kExitSuccess);
  const test::Bytes before = test::readBytes(imagePath);
  const auto workbook = [&](const std::string& value) {
    Parts parts = foreignWorkbook();
    parts[3].second = sheet(
        R"(<row><c t="inlineStr"><is><t>position</t></is></c><c t="inlineStr"><is><t>text</t></is></c></row>)"
        R"(<row><c><v>23</v></c><c><v>)" +
        value + "</v></c></row>");
    const std::string file = dir.file("number" + value + ".xlsx");
    const std::string bytes = zip(parts);
    test::writeBytes(file, test::Bytes(bytes.begin(), bytes.end()));
    return file;
  };
  const std::string seven = workbook("7");
  const std::string typedSeven = "B2: a number cell (shown 7, stored 7)";
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"import", imagePath, seven}, {"check", seven, "--image", imagePath}}) {
    const Outcome refused = run(args);
    EXPECT_EQ(refused.status, cli::kExitRefused);
    EXPECT_NE(refused.err.find(seven + ":2: position 23: " + typedSeven +
                               "; format the column as text and type it again, or pass --accept-conversions"),
              std::string::npos)
        << refused.err;
    EXPECT_EQ(test::readBytes(imagePath), before);
  }
  const Outcome wrongLength = run({"import", imagePath, seven, "--accept-conversions"});
  EXPECT_EQ(wrongLength.status, cli::kExitRefused);
  EXPECT_NE(wrongLength.err.find("needs 9 (spaces count) (read from " + typedSeven + ")"), std::string::npos)
      << wrongLength.err;
  EXPECT_EQ(test::readBytes(imagePath), before);

  const std::string nine = workbook("123456789");
  const Outcome accepted = run({"import", imagePath, nine, "--accept-conversions"});
  EXPECT_EQ(accepted.status, cli::kExitSuccess) << accepted.err;
  EXPECT_EQ(accepted.out.substr(0, accepted.out.find('\n')),
            "position 23: \"000000007\" -> \"123456789\" (a conversion accepted: B2: a number cell (shown "
            "123456789, stored 123456789))");
  const std::string expected = dir.file("expected.nes");
  test::writeBytes(expected, before);
  ASSERT_EQ(run({"set", expected, "23", "123456789"}).status, cli::kExitSuccess);
  EXPECT_EQ(test::readBytes(imagePath), test::readBytes(expected));
}

}  // namespace
}  // namespace thornvale
