// The exchange library: what its readers take and refuse, what its writers write, and the
// commands export, import and check over it. The tools of the field check the same files in
// tests/exchange/clients_test.py.

#include "exchange/Exchange.h"
#include "exchange/Judge.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>

#include "catalogue/Catalogue.h"
#include "cli/Commands.h"
#include "cli/DumpFormat.h"
#include "codec/Utf.h"
#include "exchange/Limits.h"
#include "sample/SampleImage.h"
#include "tests/support/Process.h"
#include "tests/support/SampleImageFixture.h"
#include "tests/support/TestFiles.h"

namespace thornvale::exchange {
namespace {

const CatalogueEntry& entry(int position) { return *catalogueEntry(position); }

std::string xliff(const std::string& units, const std::string& before = "") {
  return before +
         "<xliff version=\"1.2\" xmlns=\"urn:oasis:names:tc:xliff:document:1.2\">\n"
         "<file original=\"g\" source-language=\"en\" datatype=\"plaintext\"><body>\n" +
         units + "\n</body></file></xliff>\n";
}

std::string unit(const std::string& id, const std::string& target, const std::string& attributes = "") {
  return "<trans-unit id=\"" + id + "\"" + attributes + "><source>S</source><target>" + target +
         "</target></trans-unit>";
}

std::string messages(const ReadResult& read) {
  std::string out;
  for (const Problem& p : read.problems)
    out += std::to_string(p.line) + ": " + p.id + ": " + p.message + "\n";
  return out;
}

TEST(ExchangeIds, AreTextAndTwoDigitsAndNameEveryEntryOnce) {
  EXPECT_EQ(unitId(entry(0)), "text-00");
  EXPECT_EQ(unitId(entry(69)), "text-69");
  for (const CatalogueEntry& e : catalogue()) EXPECT_EQ(entryForId(unitId(e)), &e);
  for (const char* bad : {"text-70", "text-5", "text-005", "Text-05", "text-0x", "", "05"})
    EXPECT_EQ(entryForId(bad), nullptr) << bad;
}

TEST(ExchangeLimits, RegexAllowsExactlyTheStorableCharacters) {
  EXPECT_EQ(exactRegex(entry(5)), "^[ AC-EGIL-PRTUWZ]{8}$");
  EXPECT_EQ(exactRegex(entry(8)), "^[ 0-9A-Z]{7}$");
  EXPECT_EQ(exactRegex(entry(27)), "^[ 0-9A-Z]{1}$");
  EXPECT_EQ(exactRegex(entry(40)), "^[ !'\\x2C.?A-Z_a-z]{51}$");
  EXPECT_EQ(weblateFlags(entry(31)),
            "max-length:14, regex:\"^[ !AC-EGLOR-UY]{14}$\", ignore-begin-space, ignore-end-space, "
            "ignore-double-space");
  for (const CatalogueEntry& e : catalogue()) {
    const std::regex pattern(exactRegex(e));
    const std::u16string storable = storableCharacters(e);
    std::string fits;
    for (int i = 0; i < e.saveLength; ++i)
      fits += static_cast<char>(storable[static_cast<std::size_t>(i) % storable.size()]);
    EXPECT_TRUE(std::regex_match(fits, pattern)) << e.position;
    EXPECT_FALSE(std::regex_match(fits + " ", pattern)) << e.position;
    EXPECT_FALSE(std::regex_match("#" + fits.substr(1), pattern)) << e.position;
  }
}

TEST(ExchangeLimits, NoteAndPlaceSayTheLengthTheCharactersAndThePlace) {
  EXPECT_EQ(translatorNote(entry(27)),
            "Exactly 1 character, spaces counted; only these: 0-9 A-Z and space. Text 27 of the game, at "
            "offset 0x33067: 2 bytes, of which a save writes 1, table Table3.");
  EXPECT_EQ(placeLine(entry(5)), "place: offset 0x14129, length 8, save length 8, table Table2");
  const std::optional<RecordedPlace> place = parsePlaceLine(placeLine(entry(27)));
  ASSERT_TRUE(place);
  EXPECT_EQ(placeMismatch(entry(27), *place), std::nullopt);
  EXPECT_NE(placeMismatch(entry(26), *place), std::nullopt);
  EXPECT_EQ(parsePlaceLine("place of birth"), std::nullopt);
}

TEST(ExchangeFormat, IsToldByContent) {
  const auto told = [](const std::string& text) { return recogniseFormat(text, &text); };
  EXPECT_EQ(told("\xEF\xBB\xBF  <?xml version=\"1.0\"?><xliff/>"), formatNamed("xliff"));
  EXPECT_EQ(told(std::string(kDumpHeader) + "\n"), formatNamed("tsv"));
  EXPECT_EQ(told("# comment\nmsgid \"\"\n"), formatNamed("po"));
  EXPECT_EQ(told("msgctxt \"text-00\"\n"), formatNamed("po"));
  EXPECT_EQ(told("hello"), nullptr);
  EXPECT_FALSE(readUnits("hello").ok());
}

TEST(ExchangeXliff, WrittenFileReadsBackWithItsTargetsAndPlaces) {
  std::vector<TextRow> rows;
  for (const CatalogueEntry& e : catalogue()) rows.push_back({&e, sampleText(e.position), std::nullopt});
  std::vector<TextRow> translated = rows;
  translated[5].source = u"WONDERER";
  translated[27].source = u"Z2";  // the unsaved second character is cut
  translated[40].source = u" <&'\"> " + translated[40].source.substr(7);
  const std::vector<TextRow> texts = exportRows(rows, translated);
  ExportSettings settings;
  settings.targetLanguage = "fr";
  settings.original = "game.nes";
  settings.version = "1";
  for (const Format format : {formatNamed("xliff"), formatNamed("po")}) {
    const std::string file = format->write(texts, settings);
    const ReadResult read = readUnits(file);
    ASSERT_TRUE(read.ok()) << messages(read);
    EXPECT_EQ(read.format, format);
    ASSERT_EQ(read.units.size(), kCatalogueSize);
    for (const Unit& u : read.units) {
      EXPECT_EQ(u.source, rows[static_cast<std::size_t>(u.entry->position)].source);
      EXPECT_FALSE(u.place.empty() && format == formatNamed("xliff"));
      EXPECT_FALSE(u.unfinished);
    }
    EXPECT_EQ(read.units[5].target, u"WONDERER");
    EXPECT_EQ(read.units[27].target, u"Z");
    EXPECT_EQ(read.units[40].target, translated[40].source);
    EXPECT_EQ(read.units[6].target, std::nullopt);
    const Judgement judgement = judge(read, std::nullopt);
    EXPECT_EQ(judgement.finished, 3u);
    EXPECT_EQ(judgement.empty, 67u);
  }
}

TEST(ExchangeXliff, TakesEscapesCdataAndMarkersAndRefusesInlineCodes) {
  const ReadResult read =
      readXliff(xliff(unit("text-05", "&#x57;O<![CDATA[ND]]>E<mrk mtype=\"seg\">R&#69;R</mrk>") + "\n" +
                      unit("text-06", "A<x id=\"1\"/>E") + "\n" + unit("text-07", "A<g id=\"1\">B</g>")));
  ASSERT_EQ(read.units.size(), 1u);
  EXPECT_EQ(read.units[0].target, u"WONDERER");
  ASSERT_EQ(read.problems.size(), 2u) << messages(read);
  EXPECT_EQ(read.problems[0].line, 4u);
  EXPECT_EQ(read.problems[0].id, "text-06");
  EXPECT_NE(read.problems[0].message.find("inline code <x>"), std::string::npos);
  EXPECT_NE(read.problems[1].message.find("inline code <g>"), std::string::npos);
}

TEST(ExchangeXliff, StatesAndApprovalMarkUnfinishedUnits) {
  const ReadResult read = readUnits(
      xliff("<trans-unit id=\"text-00\" approved=\"yes\"><source>S</source><target "
            "state=\"translated\">A</target></trans-unit>"
            "<trans-unit id=\"text-01\" approved=\"no\"><source>S</source><target>B</target></trans-unit>"
            "<trans-unit id=\"text-02\"><source>S</source><target "
            "state=\"needs-review-translation\">C</target></trans-unit>"
            "<trans-unit id=\"text-03\"><source>S</source><target state=\"final\">D</target>"
            "<alt-trans><target>old</target></alt-trans></trans-unit>"
            "<trans-unit id=\"text-04\"><source>S</source><target/></trans-unit>"));
  ASSERT_TRUE(read.ok()) << messages(read);
  ASSERT_EQ(read.units.size(), 5u);
  EXPECT_FALSE(read.units[0].unfinished);
  EXPECT_TRUE(read.units[1].unfinished);
  EXPECT_TRUE(read.units[2].unfinished);
  EXPECT_FALSE(read.units[3].unfinished);
  EXPECT_EQ(read.units[3].target, u"D");  // not the alt-trans's
  const Judgement judgement = judge(read, std::nullopt);
  EXPECT_EQ(judgement.finished, 2u);
  EXPECT_EQ(judgement.leftUnfinished, 2u);
  EXPECT_EQ(judgement.empty, 1u);
  EXPECT_EQ(judge(read, std::nullopt, {.includeUnfinished = true}).finished +
                judge(read, std::nullopt, {.includeUnfinished = true}).unfinished,
            4u);
  // Without approved="yes" anywhere, approved="no" says nothing.
  EXPECT_FALSE(readUnits(xliff(unit("text-01", "B", " approved=\"no\""))).units[0].unfinished);
}

TEST(ExchangeXliff, RefusesWhatItMustNotFollowOrCannotBound) {
  const auto refused = [](const std::string& file, const std::string& needle, bool nothingRead = true) {
    SCOPED_TRACE(needle);
    const ReadResult read = readUnits(file, formatNamed("xliff"));
    EXPECT_EQ(read.units.empty(), nothingRead);
    EXPECT_NE(messages(read).find(needle), std::string::npos) << messages(read);
  };
  refused(xliff(unit("text-05", "&w;"), "<?xml version=\"1.0\"?>\n<!DOCTYPE xliff [<!ENTITY w \"W\">]>\n"),
          "2: : a DOCTYPE");
  refused(xliff(unit("text-05", "&w;")), "the entity &w; is not one of XML's five");
  refused(xliff(unit("text-05", "a & b")), "bare \"&\"");
  refused(xliff(unit("text-05", "&#0;")), "names no character");
  refused(xliff(unit("text-05", std::string(40, '<'))), "not well-formed XML");
  std::string deep;
  for (int i = 0; i < 40; ++i) deep += "<group>";
  for (int i = 0; i < 40; ++i) deep += "</group>";
  refused(xliff(deep), "nest deeper");
  refused(xliff(unit("text-05", "A", " extradata=\"" + std::string(5000, 'x') + "\"")),
          "more than 4096 bytes");
  refused("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><xliff version=\"1.2\"/>", "only UTF-8");
  refused("\xFF\xFE<\0x\0", "UTF-16");
  refused("<xliff version=\"2.0\"/>", "XLIFF 2.0 is not read");
  refused("<html/>", "root element is <html>");
  refused(xliff(unit("text-05", "A\xC3(B")), "3: : not valid UTF-8");
  refused(xliff(unit("text-05", "A") + unit("text-05", "B")), "appears again (first on line 3)", false);
  refused(xliff(unit("text-75", "A")), "no text is named \"text-75\"");
  refused(
      xliff("<trans-unit id=\"text-05\"><source>S</source><context-group><context context-type=\"x-offset\">"
            "0x14128</context></context-group></trans-unit>"),
      "made for another game or version");
}

TEST(ExchangeXliff, TakesResnameWhereATooRenumberedTheIds) {
  const ReadResult read = readUnits(xliff(unit("17", "A", " resname=\"text-14\"")));
  ASSERT_TRUE(read.ok()) << messages(read);
  EXPECT_EQ(read.units[0].entry, &entry(14));
}

TEST(ExchangePo, ReadsWhatGettextWrites) {
  const std::string po =
      "\xEF\xBB\xBF# comment\r\nmsgid \"\"\r\nmsgstr \"\"\r\n\"Content-Type: text/plain; "
      "charset=UTF-8\\n\"\r\n\r\n"
      "#. place: offset 0x14129, length 8, save length 8, table Table2\r\n"
      "#, max-length:8, c-format\r\nmsgctxt \"text-05\"\r\nmsgid \"WANDERER\"\r\nmsgstr "
      "\"\"\r\n\"WON\"\r\n\"DERER\"\r\n\r\n"
      "#, fuzzy\r\n#| msgid \"old\"\r\nmsgctxt \"text-06\"\r\nmsgid \"OAT\"\r\nmsgstr \"ACE\"\r\n\r\n"
      "#. place: offset 0x1\r\n#~ msgctxt \"text-07\"\r\n#~ msgid \"X\"\r\n#~ msgstr \"Y\"\r\n\r\n"
      "msgctxt \"text-40\"\nmsgid \"\"\nmsgstr \"\\t\\\"\\\\\\x41\\101\\n\"\n"
      "msgctxt \"text-41\"\nmsgid \"   \"\nmsgstr \"\"\n";
  const ReadResult read = readUnits(po);
  ASSERT_TRUE(read.ok()) << messages(read);
  ASSERT_EQ(read.units.size(), 4u);
  EXPECT_EQ(read.units[0].target, u"WONDERER");
  EXPECT_EQ(read.units[0].line, 8u);
  EXPECT_EQ(read.units[0].targetLine, 10u);
  EXPECT_FALSE(read.units[0].unfinished);
  EXPECT_TRUE(read.units[1].unfinished);
  EXPECT_EQ(read.units[1].unfinishedWhy, "fuzzy");
  EXPECT_EQ(read.units[2].target, u"\t\"\\AA\n");
  EXPECT_EQ(read.units[3].source, u"   ");
  EXPECT_EQ(read.units[3].target, std::nullopt);
}

// Line ends of every kind, and a place comment wrapped as Babel wraps at 20 columns: the place is
// still compared with ours.
TEST(ExchangePo, ReadsCrLineEndsAndWrappedPlaceComments) {
  const std::string entry =
      "#. Exactly 8\n#. characters.\n#. place: offset\n#. 0x14129, length 8,\n#. save length 8, table\n#. "
      "TABLE\nmsgctxt \"text-05\"\nmsgid \"WANDERER\"\nmsgstr \"WONDERER\"\n\n#. place: offset 0x1, length "
      "1, save length 1, table Table1\n#. a note after the place\nmsgctxt \"text-06\"\nmsgid \"X\"\nmsgstr "
      "\"\"\n";
  for (const std::string end : {"\n", "\r\n", "\r"}) {
    std::string file;
    for (char c : entry) file += c == '\n' ? end : std::string(1, c);
    const std::string ours = std::regex_replace(file, std::regex("TABLE"), "Table2");
    const ReadResult read = readUnits(ours, formatNamed("po"));
    EXPECT_EQ(read.units.size(), 1u) << messages(read);
    ASSERT_EQ(read.problems.size(), 1u) << messages(read);
    EXPECT_EQ(read.problems[0].id, "text-06");  // a place read whole, the note after it left out
    EXPECT_EQ(read.problems[0].line, 11u);
    ASSERT_FALSE(read.units.empty());
    EXPECT_EQ(read.units[0].target, u"WONDERER");
    const ReadResult other = readUnits(std::regex_replace(file, std::regex("TABLE"), "Table3"), formatNamed("po"));
    EXPECT_NE(messages(other).find("3: text-05: this file was made for another game or version"),
              std::string::npos)
        << messages(other);
  }
}

TEST(ExchangePo, RefusesPluralsStrangersAndBrokenFiles) {
  const auto refused = [](const std::string& file, const std::string& needle) {
    SCOPED_TRACE(needle);
    const ReadResult read = readUnits(file, formatNamed("po"));
    EXPECT_NE(messages(read).find(needle), std::string::npos) << messages(read);
  };
  refused("msgctxt \"text-05\"\nmsgid \"A\"\nmsgid_plural \"B\"\nmsgstr[0] \"C\"\nmsgstr[1] \"D\"\n",
          "1: text-05: a plural entry");
  refused("msgid \"A\"\nmsgstr \"B\"\n", "1: : an entry without msgctxt");
  refused("msgctxt \"text-05\"\nmsgid \"A\nmsgstr \"B\"\n",
          "2: text-05: not a valid PO file: the string has no closing quote");
  refused("msgctxt \"text-05\"\nmsgid \"A\"\n", "the entry ends before its msgstr");
  refused("msgctxt \"text-05\"\nmsgid \"A\"\nmsgstr \"\\q\"\n", "the escape \\q");
  refused("msgctxt \"text-05\"\nmsgid \"A\"\nmsgstr \"B\"\n\n#. note\n#, max-length:3\n", "truncated");
  refused("msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=ISO-8859-1\\n\"\n", "only UTF-8 is read");
  refused("msgctxt \"text-05\"\nmsgid \"A\"\nmsgstr \"\\303(\"\n", "not valid UTF-8 once unescaped");
  refused("# a comment\nmsgid \"\"\nmsgstr \"Language: fr\\n\"\n", "1: : the file holds no entry with a msgctxt");
  refused("msgctxt \"text-05\"\nmsgid \"A\"\nmsgstr \"\xC3(\"\n", "3: : not valid UTF-8");
  refused(
      "#. place: offset 0x14129, length 8, save length 8, table Table3\nmsgctxt \"text-05\"\nmsgid "
      "\"A\"\nmsgstr \"B\"\n",
      "1: text-05: this file was made for another game or version: it names the table \"Table3\"");
  refused(
      "msgctxt \"text-05\"\nmsgid \"A\"\nmsgstr \"B\"\n\nmsgctxt \"text-05\"\nmsgid \"A\"\nmsgstr \"B\"\n",
      "5: text-05: the text appears again (first on line 1)");
}

TEST(ExchangeCheck, JudgesFinishedTextsAsASaveWould) {
  const std::string po =
      "msgctxt \"text-05\"\nmsgid \"WANDERER\"\nmsgstr \"WANDERE\"\n\n"
      "msgctxt \"text-06\"\nmsgid \"OAT\"\nmsgstr \"OAB\"\n\n"
      "msgctxt \"text-07\"\nmsgid \"S\"\nmsgstr \"A\\tB\"\n\n"
      "#, fuzzy\nmsgctxt \"text-08\"\nmsgid \"S\"\nmsgstr \"BAD\"\n\n"
      "msgctxt \"text-27\"\nmsgid \"Q2\"\nmsgstr \"Q2\"\n";
  const Judgement report = judge(readUnits(po), std::nullopt);
  ASSERT_EQ(report.problems.size(), 3u);
  EXPECT_EQ(report.problems[0].line, 3u);
  EXPECT_NE(report.problems[0].detail.find("The text has 7 characters, needs 8 (spaces count)"),
            std::string::npos);
  EXPECT_NE(report.problems[1].message.find("\"B\""), std::string::npos);
  EXPECT_NE(report.problems[2].message.find("control character 0x09"), std::string::npos);
  EXPECT_EQ(report.finished, 4u);  // entry 27's own two characters: left alone, not refused
  EXPECT_EQ(report.leftUnfinished, 1u);
  EXPECT_EQ(report.refused, 3u);
  EXPECT_EQ(judge(readUnits(po), std::nullopt, {.includeUnfinished = true}).refused, 4u);
}

TEST(ExchangeCheck, TextsSharingAByteMustAgreeOnIt) {
  std::u16string t64 = sampleText(64).substr(0, 70), t65 = sampleText(65);
  t64.back() = u'Q';
  t65.front() = u'R';
  std::vector<TextRow> rows = {{catalogueEntry(64), t64, std::nullopt}, {catalogueEntry(65), t65, std::nullopt}};
  const Judgement report = judge(readUnits(formatDump(rows)), std::nullopt);
  ASSERT_EQ(report.problems.size(), 1u);
  EXPECT_NE(report.problems[0].message.find("shares the byte at 0x36471 with position 65"), std::string::npos)
      << report.problems[0].message;
}

TEST(ExchangeLanguage, TagsAreBcp47) {
  for (const char* good : {"fr", "pt-BR", "sr-Latn", "zh-Hant-TW", "es-419", "de-CH-1901", "en-US-x-game",
                           "x-klingon", "sl-rozaj-biske", "en-a-bbb-x-a-ccc"})
    EXPECT_EQ(languageTagProblem(good), std::nullopt) << good;
  for (const char* bad :
       {"", "f", "fr_FR", "fr-", "-fr", "toolongtag", "fr-x", "en-US-a", "1fr", "fr FR", "é"})
    EXPECT_NE(languageTagProblem(bad), std::nullopt) << bad;
}

// --- the commands ----------------------------------------------------------------------------

class ExchangeCommandsTest : public test::SampleImageFixture {
 protected:
  struct Outcome {
    int status;
    std::string out, err;
  };
  Outcome run(const std::vector<std::string>& args) {
    std::istringstream in;
    std::ostringstream out, err;
    const int status = cli::runThornvaleText(args, in, out, err);
    return {status, out.str(), err.str()};
  }
};

TEST_F(ExchangeCommandsTest, ExportReplacesItsFileWholeAndNeverAnImage) {
  const std::string target = dir.file("fr.xlf");
  test::writeBytes(target, {'o', 'l', 'd'});
  const Outcome made =
      run({"export", imagePath, "--format", "xliff", "--target-language", "fr", "-o", target});
  ASSERT_EQ(made.status, cli::kExitSuccess) << made.err;
  EXPECT_EQ(made.out, target + ": 70 texts in XLIFF\n");
  const test::Bytes written = test::readBytes(target);
  EXPECT_EQ(std::string(written.begin(), written.begin() + 5), "<?xml");

  EXPECT_EQ(made.err, "");
  // A name of another format's files is most likely a slip: said, and written as asked.
  const Outcome slip = run({"export", imagePath, "--format", "po", "-o", dir.file("DE.XLF")});
  EXPECT_EQ(slip.status, cli::kExitSuccess);
  EXPECT_EQ(slip.err, "thornvale-text: warning: \"" + dir.file("DE.XLF") +
                          "\" is named as an XLIFF 1.2 file is, but it is written as a gettext PO or POT file "
                          "(--format po)\n");
  std::filesystem::remove(test::fsPath(dir.file("DE.XLF")));

  EXPECT_EQ(run({"export", imagePath, "--format", "po", "-o", imagePath}).status, cli::kExitRefused);
  EXPECT_EQ(test::readBytes(imagePath), image);
  EXPECT_EQ(run({"export", imagePath, "--format", "po", "--target-language", "fr_FR"}).status,
            cli::kExitUsage);
  EXPECT_EQ(run({"export", imagePath, "--format", "po", "--translated", imagePath}).status, cli::kExitUsage);
  EXPECT_EQ(run({"export", imagePath, "--format", "tsv"}).status, cli::kExitUsage);
  EXPECT_EQ(run({"export", imagePath}).status, cli::kExitUsage);
  const Outcome toOut = run({"export", imagePath, "--format", "po"});
  EXPECT_NE(toOut.out.find("msgctxt \"text-69\""), std::string::npos);
  std::vector<std::string> names;
  for (const auto& item : std::filesystem::directory_iterator(dir.path()))
    names.push_back(test::utf8Path(item.path().filename()));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"fr.xlf", "thornvale.nes"}));  // no temporary left
}

TEST_F(ExchangeCommandsTest, ImportOfAnotherFormatWritesAllOrNothing) {
  const std::string po = dir.file("fr.po");
  const std::string good =
      "msgctxt \"text-05\"\nmsgid \"WANDERER\"\nmsgstr \"WONDERER\"\n\n"
      "#, fuzzy\nmsgctxt \"text-06\"\nmsgid \"OAT\"\nmsgstr \"ACE\"\n";
  test::writeBytes(po, test::Bytes(good.begin(), good.end()));
  const Outcome dry = run({"import", imagePath, po, "--dry-run"});
  EXPECT_EQ(dry.status, cli::kExitSuccess) << dry.err;
  EXPECT_EQ(dry.out, "position 5: \"WANDERER\" -> \"WONDERER\"\n" + imagePath +
                         ": 1 text would be written, 0 unchanged, 1 unfinished unit left alone "
                         "(--include-unfinished takes them), 0 units without a translation; nothing was "
                         "written (dry run)\n");
  EXPECT_EQ(test::readBytes(imagePath), image);

  const std::string bad = good + "\nmsgctxt \"text-07\"\nmsgid \"A COLD PLAIN TO ROAM\"\nmsgstr \"SHORT\"\n";
  test::writeBytes(po, test::Bytes(bad.begin(), bad.end()));
  const Outcome refused = run({"import", imagePath, po});
  EXPECT_EQ(refused.status, cli::kExitRefused);
  EXPECT_NE(refused.err.find(po + ":12: text-07: Cannot save Text"), std::string::npos) << refused.err;
  EXPECT_NE(refused.err.find("was not changed: 1 unit refused"), std::string::npos) << refused.err;
  EXPECT_EQ(test::readBytes(imagePath), image);

  test::writeBytes(po, test::Bytes(good.begin(), good.end()));
  const Outcome taken = run({"import", imagePath, po, "--include-unfinished"});
  EXPECT_EQ(taken.status, cli::kExitSuccess) << taken.err;
  EXPECT_NE(taken.out.find("2 texts written"), std::string::npos) << taken.out;
  EXPECT_EQ(
      cli::readImageRows(imagePath)[5].source,
      u"WONDERER");
}

// A PO made from an older revision of the image, its old texts left as their translations: the
// import would write them back over the texts changed since. Refused, naming both texts, unless
// taken; a translation that is the image's text already is no change and passes.
TEST_F(ExchangeCommandsTest, AFileMadeFromAnotherRevisionDoesNotWriteOverNewerTexts) {
  const std::string po = dir.file("old.po");
  const std::string text =
      "msgctxt \"text-00\"\nmsgid \"MAPLE\"\nmsgstr \"MAPLE\"\n\n"
      "msgctxt \"text-05\"\nmsgid \"WANDERER\"\nmsgstr \"WONDERER\"\n\n"
      "msgctxt \"text-06\"\nmsgid \"OAT\"\nmsgstr \"ACE\"\n";
  test::writeBytes(po, test::Bytes(text.begin(), text.end()));
  ASSERT_EQ(run({"set", imagePath, "0", "CAMEL"}).status, cli::kExitSuccess);
  ASSERT_EQ(run({"set", imagePath, "6", "ACE"}).status, cli::kExitSuccess);
  const test::Bytes newer = test::readBytes(imagePath);
  for (const char* dryRun : {"--dry-run", ""}) {
    std::vector<std::string> args{"import", imagePath, po};
    if (*dryRun) args.emplace_back(dryRun);
    const Outcome refused = run(args);
    EXPECT_EQ(refused.status, cli::kExitRefused);
    EXPECT_EQ(refused.err, po + ":3: text-00: its source \"MAPLE\" is not the image's text \"CAMEL\": the file was "
                                "made from another revision of the image; translate the new text, or pass "
                                "--accept-changed-sources to write this translation over it\n"
                                "thornvale-text: \"" + imagePath + "\" was not changed: 1 unit refused, 1 translation "
                                "of a source that is not the image's text (made from another revision of the "
                                "image)\n");
    EXPECT_EQ(test::readBytes(imagePath), newer);
  }
  const Outcome taken = run({"import", imagePath, po, "--accept-changed-sources"});
  EXPECT_EQ(taken.status, cli::kExitSuccess) << taken.err;
  EXPECT_EQ(taken.out, "position 0: \"CAMEL\" -> \"MAPLE\"\nposition 5: \"WANDERER\" -> \"WONDERER\"\n" +
                           imagePath + ": 2 texts written, 1 unchanged, 0 units without a translation\n" +
                           imagePath +
                           ": 1 of them was made from another revision of the image (--accept-changed-sources)\n");
}

// An XLIFF that comes back with no translation at all says so, and why that is likely, once.
TEST_F(ExchangeCommandsTest, AnXliffWithNoTranslationAtAllSaysSo) {
  const std::string xlf = dir.file("fr.xlf");
  ASSERT_EQ(run({"export", imagePath, "--format", "xliff", "--target-language", "fr", "-o", xlf}).status,
            cli::kExitSuccess);
  const std::string warning = xlf + ": warning: no unit of this XLIFF holds a translation; if it came back from a "
                                    "translation tool, the tool did not write its translations into it (OmegaT 3.6 "
                                    "translates only the <target> elements a file already has: translate the PO "
                                    "export there instead)\n";
  for (const std::vector<std::string>& args : {std::vector<std::string>{"import", imagePath, xlf},
                                                std::vector<std::string>{"check", xlf, "--image", imagePath}}) {
    const Outcome outcome = run(args);
    EXPECT_EQ(outcome.status, cli::kExitSuccess);
    EXPECT_EQ(outcome.err, warning);
    EXPECT_EQ(test::readBytes(imagePath), image);
  }
  const std::string po = dir.file("fr.po");
  ASSERT_EQ(run({"export", imagePath, "--format", "po", "--target-language", "fr", "-o", po}).status,
            cli::kExitSuccess);
  EXPECT_EQ(run({"import", imagePath, po}).err, "");
}

// Files refused whole say so once, and what to do, with the image unchanged.
TEST_F(ExchangeCommandsTest, AFileRefusedWholeSaysSoOnce) {
  const std::string po = dir.file("bad.po");
  const std::string text = "msgctxt \"text-00\"\nmsgid \"MAPLE\"\nmsgstr \"\xFF\"\n";
  test::writeBytes(po, test::Bytes(text.begin(), text.end()));
  const Outcome refused = run({"import", imagePath, po});
  EXPECT_EQ(refused.err, po + ":3: not valid UTF-8; nothing of the file was read\nthornvale-text: \"" + imagePath +
                             "\" was not changed: nothing of the file was read\n");
  const std::string book = dir.file("big.xlsx");
  test::Bytes big(std::size_t{1} << 21, 'x');
  std::copy_n("PK\x03\x04", 4, big.begin());
  test::writeBytes(book, big);
  const Outcome large = run({"import", imagePath, book});
  EXPECT_EQ(large.status, cli::kExitRefused);
  EXPECT_NE(large.err.find("more than the 1 MiB a file to import may have (an export of ours has some 12 KiB); it "
                           "was not read: keep only the sheet of texts"),
            std::string::npos)
      << large.err;
  EXPECT_EQ(test::readBytes(imagePath), image);
}

TEST_F(ExchangeCommandsTest, CheckExitsZeroOnlyWhenEveryFinishedTextFits) {
  const std::string dump = dir.file("texts.tsv");
  const std::string contents = cli::formatDump(cli::readImageRows(imagePath));
  test::writeBytes(dump, test::Bytes(contents.begin(), contents.end()));
  const Outcome clean = run({"check", dump});
  EXPECT_EQ(clean.status, cli::kExitSuccess) << clean.err;
  EXPECT_EQ(clean.out,
            dump +
                ": TSV, 70 finished, 0 unfinished, 0 empty, 0 refused: every finished text would be "
                "accepted\n");

  const std::string po = dir.file("fr.po");
  const std::string text = "msgctxt \"text-05\"\nmsgid \"WANDERES\"\nmsgstr \"WANDERE\"\n";
  test::writeBytes(po, test::Bytes(text.begin(), text.end()));
  // A translation of a source the image no longer holds is refused, unless taken, and then checked.
  const Outcome changed = run({"check", po, "--image", imagePath});
  EXPECT_EQ(changed.status, cli::kExitRefused);
  EXPECT_EQ(changed.err, po + ":3: text-05: its source \"WANDERES\" is not the image's text \"WANDERER\": the "
                              "file was made from another revision of the image; translate the new text, or "
                              "pass --accept-changed-sources to write this translation over it\n");
  EXPECT_EQ(changed.out, po + ": PO, 1 finished, 0 unfinished, 0 empty, 1 refused, 1 translation made from "
                              "another revision of the image\n");
  const Outcome bad = run({"check", po, "--image", imagePath, "--accept-changed-sources"});
  EXPECT_EQ(bad.status, cli::kExitRefused);
  EXPECT_TRUE(bad.err.starts_with(po + ":3: text-05: Cannot save Text")) << bad.err;
  EXPECT_NE(bad.err.find(po + ":1: text-05: warning: the source \"WANDERES\" differs from the image's text"),
            std::string::npos)
      << bad.err;
  EXPECT_EQ(run({"check"}).status, cli::kExitUsage);
  EXPECT_EQ(run({"check", po, "--format", "yaml"}).status, cli::kExitUsage);
}

// The real program, as a translator runs it, on files with names beyond ASCII: on Windows this runs
// thornvale-text.exe under Wine, its arguments and paths as UTF-16.
// check --image and import --dry-run are doors to one judge: the same verdict, the same problems on
// the same lines, for the files where they once decided apart.
TEST_F(ExchangeCommandsTest, CheckAndImportReachOneVerdictWithTheSameProblems) {
  const std::u16string t64 = [&] {
    std::u16string t = cli::readImageRows(imagePath)[64].source;
    t.back() = u'!';  // its last byte is 65's first
    return t;
  }();
  const std::string t5 = toUtf8(cli::readImageRows(imagePath)[5].source);
  struct Case {
    const char* name;
    std::string file;
    bool accepted;
    std::vector<std::string> lines;  // where each problem is, in order
  };
  const std::vector<Case> cases = {
      {"a dump with 64 edited, which changes 65", [&] {
         std::vector<exchange::TextRow> rows = cli::readImageRows(imagePath);
         rows[64].source = t64;
         return exchange::formatDump(std::vector<exchange::TextRow>(rows.begin() + 64, rows.begin() + 66));
       }(),
       false, {":3: position 65: it would read"}},
      {"a PO whose msgid and msgstr lost the trailing space",
       "msgctxt \"text-40\"\nmsgid \"If you find a blue feather, bring it to the tower.\"\nmsgstr \"If you find a "
       "blue feather, bring it to the tower.\"\n",
       false, {":3: text-40: its source \"If you find a blue feather, bring it to the tower.\" is not the image's text"}},
      {"a sheet with a bad position beside a bad text", "position,text\n99,X\n5,TOO LONG TEXT\n", false,
       {":2: no text is named \"99\"", ":3: position 5: Cannot save Text"}},
      {"a good PO", "msgctxt \"text-05\"\nmsgid \"" + t5 + "\"\nmsgstr \"WONDERER\"\n", true, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string file = dir.file("texts");
    test::writeBytes(file, test::Bytes(c.file.begin(), c.file.end()));
    const Outcome checked = run({"check", file, "--image", imagePath});
    const Outcome imported = run({"import", imagePath, file, "--dry-run"});
    EXPECT_EQ(checked.status, c.accepted ? 0 : 1) << checked.err;
    EXPECT_EQ(imported.status, checked.status) << imported.err;
    // The problem lines are the same; import adds its one line of what they mean for the image.
    const std::string importedProblems = imported.err.substr(0, imported.err.rfind("thornvale-text: "));
    std::string checkedProblems;  // check's warnings are its own
    std::istringstream lines(checked.err);
    for (std::string line; std::getline(lines, line);)
      if (line.find(": warning: ") == std::string::npos) checkedProblems += line + '\n';
    EXPECT_EQ(checkedProblems, c.accepted ? imported.err : importedProblems);
    std::size_t at = 0;
    for (const std::string& line : c.lines) {
      at = checked.err.find(file + line, at);
      EXPECT_NE(at, std::string::npos) << line << " in " << checked.err;
    }
    EXPECT_EQ(test::readBytes(imagePath), image);
  }
}

TEST_F(ExchangeCommandsTest, TheProgramExportsChecksAndImportsFilesOfAnyName) {
  const std::filesystem::path folder = dir.path() / test::fsPath("Übersetzung ñ");
  std::filesystem::create_directory(folder);
  const std::string image = test::utf8Path(folder / test::fsPath("Spiel ü.nes"));
  test::writeSampleImage(image);
  for (const char* format : {"xliff", "po"}) {
    const std::string file = test::utf8Path(folder / test::fsPath(std::string("français é.") + format));
    const auto program = [&](std::vector<std::string> args) {
      args.insert(args.begin(), THORNVALE_TEXT);
      return test::runProcess(args);
    };
    const test::ProcessOutcome made =
        program({"export", image, "--format", format, "--target-language", "fr", "-o", file});
    ASSERT_EQ(made.status, 0) << made.err;
    test::Bytes bytes = test::readBytes(file);
    std::string text(bytes.begin(), bytes.end());
    // Translate text 5 as a tool would.
    if (std::string(format) == "xliff") {
      text.replace(text.find("<source>WANDERER</source>"), 25,
                   "<source>WANDERER</source><target>WONDERER</target>");
    } else {
      const std::string empty = "msgid \"WANDERER\"\nmsgstr \"\"";
      text.replace(text.find(empty), empty.size(), "msgid \"WANDERER\"\nmsgstr \"WONDERER\"");
    }
    test::writeBytes(file, test::Bytes(text.begin(), text.end()));
    const test::ProcessOutcome checked = program({"check", file, "--image", image});
    EXPECT_EQ(checked.status, 0) << checked.err;
    EXPECT_NE(checked.out.find("1 finished"), std::string::npos) << checked.out;
    const test::ProcessOutcome imported = program({"import", image, file});
    EXPECT_EQ(imported.status, 0) << imported.err;
    EXPECT_NE(imported.out.find("1 text written"), std::string::npos) << imported.out;
    EXPECT_EQ(cli::readImageRows(image)[5].source, u"WONDERER");
    test::writeSampleImage(image);
  }
}

}  // namespace
}  // namespace thornvale::exchange
