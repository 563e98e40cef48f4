// The exchange formats with character tables of the user's: a French "é" goes from a translated
// image through PO, XLIFF and a workbook into the image, and the limits follow the tables in use.

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "cli/Commands.h"
#include "codec/TableSet.h"
#include "codec/Utf.h"
#include "sample/SampleImage.h"
#include "tests/support/CommandRun.h"
#include "tests/support/SampleImageFixture.h"
#include "tests/support/TestFiles.h"

namespace thornvale::cli {
namespace {

using test::Bytes;

using Outcome = test::CommandOutcome;
using test::readText;

Outcome run(const std::vector<std::string>& args) { return test::runCommand(args); }

void writeText(const std::string& path, const std::string& text) { test::writeBytes(path, Bytes(text.begin(), text.end())); }

// A PO file's empty translation of position 34 filled in, as a translator's tool would.
void translate34(const std::string& po, const std::string& text) {
  std::string content = readText(po);
  const std::size_t unit = content.find("msgctxt \"text-34\"");
  const std::size_t at = content.find("msgstr \"\"", unit);
  ASSERT_NE(at, std::string::npos);
  content.replace(at, 10, "msgstr \"" + text + "\"");
  writeText(po, content);
}

// Position 34 (Table1) with "é" for its third character.
const std::string kFrench = [] {
  std::u16string text = sampleText(34);
  text[2] = u'\u00E9';
  return toUtf8(text);
}();
constexpr std::size_t kFrenchByte = 0x3013E + 2;

class UserTablesExchangeTest : public test::SampleImageFixture {
 protected:
  // `tables` beside both images, "é" added at 0x7B of Table1, and the French text in fr.nes.
  void SetUp() override {
    for (const std::string& folder : {dir.file("thornvale.tables"), dir.file("fr.tables")}) {
      ASSERT_EQ(run({"tables", folder}).status, kExitSuccess);
      writeText(utf8Path(fsPath(folder) / "Table1.tbl"), readText(utf8Path(fsPath(folder) / "Table1.tbl")) + "7B=\xC3\xA9\n");
    }
    test::writeBytes(french, image);
    ASSERT_EQ(run({"set", french, "34", kFrench}).status, kExitSuccess);
  }
  std::string exported(const std::string& format, std::vector<std::string> more = {}) {
    const std::string file = dir.file("texts." + format);
    std::vector<std::string> args = {"export", imagePath, "--format", format, "-o", file};
    args.insert(args.end(), more.begin(), more.end());
    const Outcome outcome = run(args);
    EXPECT_EQ(outcome.status, kExitSuccess) << outcome.err;
    return file;
  }
  std::string french = dir.file("fr.nes");
};

class FrenchChainTest : public UserTablesExchangeTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(FrenchChainTest, ANewLetterGoesThroughTheFormatIntoTheImage) {
  const std::string file = exported(GetParam(), {"--translated", french, "--target-language", "fr"});
  const Outcome check = run({"check", file, "--image", imagePath});
  EXPECT_EQ(check.status, kExitSuccess) << check.err;
  EXPECT_EQ(check.err, "");

  const Outcome import = run({"import", imagePath, file});
  ASSERT_EQ(import.status, kExitSuccess) << import.err;
  EXPECT_EQ(import.err, "");
  EXPECT_EQ(test::readBytes(imagePath)[kFrenchByte], 0x7B);
  EXPECT_NE(run({"dump", imagePath}).out.find("\tTable1\t" + kFrench + "\n"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Formats, FrenchChainTest, ::testing::Values("po", "xliff", "xlsx"));

TEST_F(UserTablesExchangeTest, TheLimitsListTheNewLetterForItsTableOnly) {
  const std::string po = readText(exported("po"));
  // Table1's texts take "é"; Table2's (position 0) do not.
  EXPECT_NE(po.find("regex:\"^[ !'\\x2C.?A-Z_a-z\xC3\xA9]{17}$\""), std::string::npos);
  EXPECT_NE(po.find("only these: ! ' , . ? A-Z _ a-z \xC3\xA9 and space. Text 33"), std::string::npos);
  EXPECT_EQ(po.find("\xC3\xA9]{5}$"), std::string::npos);
  EXPECT_NE(po.find("\"X-Thornvale-Tables: " + TableSet::besideImage(imagePath).fingerprint() + "\\n\""),
            std::string::npos);
  const std::string xliff = readText(exported("xliff", {"--weblate-flags"}));
  EXPECT_NE(xliff.find("a-z\xC3\xA9]{17}$"), std::string::npos);
  // With the built-in tables, nothing names it.
  std::filesystem::remove_all(fsPath(dir.file("thornvale.tables")));
  EXPECT_EQ(readText(exported("po")).find("\xC3\xA9"), std::string::npos);
}

TEST_F(UserTablesExchangeTest, AFileExportedWithOtherTablesWarnsNamingBoth) {
  const std::string builtIn = dir.file("built-in");
  ASSERT_EQ(run({"tables", builtIn}).status, kExitSuccess);
  const std::string file = exported("po", {"--target-language", "fr", "--tables", builtIn});
  translate34(file, kFrench);
  const std::string mine = TableSet::besideImage(imagePath).fingerprint();
  const std::string theirs = TableSet::builtIn().fingerprint();
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"import", imagePath, file, "--dry-run"}, {"check", file, "--image", imagePath}}) {
    const Outcome outcome = run(args);
    EXPECT_EQ(outcome.status, kExitSuccess) << outcome.err;
    EXPECT_NE(outcome.err.find("warning: \"" + file + "\" was exported with other character tables (\"" + theirs +
                               "\") than those in use (" + mine + ", \"" + dir.file("thornvale.tables") + "\")"),
              std::string::npos)
        << outcome.err;
  }
  // And the other way round the "é" is refused, the image unchanged.
  const Outcome refused = run({"import", imagePath, file, "--tables", builtIn});
  EXPECT_EQ(refused.status, kExitRefused);
  EXPECT_NE(refused.err.find("\"\xC3\xA9\""), std::string::npos) << refused.err;
  EXPECT_EQ(test::readBytes(imagePath), image);
}

TEST_F(UserTablesExchangeTest, ADecomposedTranslationIsComposedAndSaidSo) {
  const std::string file = exported("po", {"--target-language", "fr"});
  std::string decomposed = kFrench;
  decomposed.replace(decomposed.find("\xC3\xA9"), 2, "e\xCC\x81");
  translate34(file, decomposed);

  const Outcome check = run({"check", file, "--tables", dir.file("thornvale.tables")});
  EXPECT_EQ(check.status, kExitSuccess) << check.err;
  const Outcome dry = run({"import", imagePath, file, "--dry-run"});
  EXPECT_NE(dry.out.find("-> \"" + kFrench + "\" (composed: the file has it decomposed)"), std::string::npos)
      << dry.out;
  EXPECT_EQ(test::readBytes(imagePath), image);
  ASSERT_EQ(run({"import", imagePath, file}).status, kExitSuccess);
  EXPECT_EQ(test::readBytes(imagePath)[kFrenchByte], 0x7B);
}

}  // namespace
}  // namespace thornvale::cli
