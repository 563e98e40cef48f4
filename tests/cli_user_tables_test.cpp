// thornvale-text with character tables of the user's: the folder beside the image, --tables DIR,
// and `tables` writing the ones in use.

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "catalogue/Catalogue.h"
#include "catalogue/EntryText.h"
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

void appendText(const std::string& path, const std::string& text) {
  test::writeBytes(path, [&] {
    Bytes bytes = test::readBytes(path);
    bytes.insert(bytes.end(), text.begin(), text.end());
    return bytes;
  }());
}

// The sample's text at `position` with its character at `at` replaced by "é", as UTF-8.
std::string withAcute(int position, std::size_t at) {
  std::u16string text = sampleText(position);
  text[at] = u'\u00E9';
  return toUtf8(text);
}

class UserTablesCliTest : public test::SampleImageFixture {
 protected:
  // `tables` -> the translator adds "é" at 0x7B of Table1: the first steps of every translation.
  void frenchTables() {
    ASSERT_EQ(run({"tables", folder}).status, kExitSuccess);
    appendText(utf8Path(fsPath(folder) / "Table1.tbl"), "# the e acute drawn into tile 0x7B\n7B=\xC3\xA9\n");
  }
  std::string folder = dir.file("thornvale.tables");
};

TEST_F(UserTablesCliTest, SetStoresANewLetterThatDumpReadsBack) {
  EXPECT_EQ(run({"set", imagePath, "34", withAcute(34, 1)}).status, kExitRefused);
  EXPECT_EQ(test::readBytes(imagePath), image);

  frenchTables();
  const Outcome set = run({"set", imagePath, "34", withAcute(34, 1)});
  ASSERT_EQ(set.status, kExitSuccess) << set.err;
  EXPECT_EQ(test::readBytes(imagePath)[0x3013E + 1], 0x7B);
  const Outcome dump = run({"dump", imagePath});
  EXPECT_NE(dump.out.find("\tTable1\t" + withAcute(34, 1) + "\n"), std::string::npos) << dump.out;
  // Without the folder the byte has no character, as in the game's own table.
  const Outcome builtIn = run({"dump", imagePath, "--tables", dir.path().string()});
  EXPECT_EQ(builtIn.status, kExitRefused);  // a folder without table files is refused, not ignored
}

TEST_F(UserTablesCliTest, TablesOptionWinsOverTheFolderBesideTheImage) {
  frenchTables();
  const std::string other = dir.file("other");
  ASSERT_EQ(run({"tables", other}).status, kExitSuccess);  // the built-in ones again
  const Outcome refused = run({"set", imagePath, "34", withAcute(34, 1), "--tables", other});
  EXPECT_EQ(refused.status, kExitRefused);
  EXPECT_NE(refused.err.find("\"\u00E9\""), std::string::npos) << refused.err;
  EXPECT_EQ(test::readBytes(imagePath), image);
}

TEST_F(UserTablesCliTest, InfoNamesTheFolderAndTheBytesThatDiffer) {
  EXPECT_EQ(run({"info", imagePath}).out.find("character tables"), std::string::npos);
  frenchTables();
  const std::string table3 = utf8Path(fsPath(folder) / "Table3.tbl");
  test::writeBytes(table3, {});
  appendText(table3, "# digits only\n76=0\n77=1\n");
  const Outcome info = run({"info", imagePath});
  EXPECT_EQ(info.status, kExitSuccess) << info.err;
  const std::string fingerprint = TableSet::besideImage(imagePath).fingerprint();
  EXPECT_NE(info.out.find("character tables: " + folder + " (fingerprint " + fingerprint + ")\n"),
            std::string::npos)
      << info.out;
  EXPECT_NE(info.out.find("Table1: " + utf8Path(fsPath(folder) / "Table1.tbl") + ", differs from the built-in table at 0x7B\n"),
            std::string::npos)
      << info.out;
  EXPECT_NE(info.out.find("Table3: " + table3 + ", differs from the built-in table at 0x5C, 0x78-0x7F, 0xDE, "),
            std::string::npos)
      << info.out;
  EXPECT_NE(info.out.find("Table2: " + utf8Path(fsPath(folder) / "Table2.tbl") + ", the same as the built-in table\n"), std::string::npos);
}

TEST_F(UserTablesCliTest, TablesWritesTheImagesOwnTablesWhichReadBackTheSame) {
  frenchTables();
  const std::string copy = dir.file("copy");
  ASSERT_EQ(run({"tables", copy, "--image", imagePath}).status, kExitSuccess);
  EXPECT_NE(readText(copy + "/Table1.tbl").find("7B=\xC3\xA9\n"), std::string::npos);
  const TableSet mine = TableSet::fromFolder(folder);
  const TableSet copied = TableSet::fromFolder(copy);
  EXPECT_EQ(copied.fingerprint(), mine.fingerprint());
  for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(copied.tables()[i], mine.tables()[i]) << i;
}

// Every command that reads a table file refuses a bad one, names its line, and changes nothing.
TEST_F(UserTablesCliTest, ABadTableFileRefusesEveryCommandNamingItsLine) {
  frenchTables();
  appendText(utf8Path(fsPath(folder) / "Table1.tbl"), "7C=\xC3\xA9t\xC3\xA9\n");
  const Bytes table1 = test::readBytes(utf8Path(fsPath(folder) / "Table1.tbl"));
  const int line = 1 + static_cast<int>(std::count(table1.begin(), table1.end(), '\n')) - 1;
  const std::vector<std::vector<std::string>> commands = {
      {"dump", imagePath},
      {"set", imagePath, "0", "MAWPU"},
      {"info", imagePath},
      {"tables", dir.file("out"), "--image", imagePath},
      {"dump", dir.file("elsewhere.nes"), "--tables", folder},
  };
  for (const auto& args : commands) {
    const Outcome outcome = run(args);
    EXPECT_EQ(outcome.status, kExitRefused) << args[0];
    EXPECT_NE(outcome.err.find(utf8Path(fsPath(folder) / "Table1.tbl") + ":" + std::to_string(line) + ": more than one character"),
              std::string::npos)
        << outcome.err;
    EXPECT_EQ(test::readBytes(imagePath), image) << args[0];
  }
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "out"));
}

}  // namespace
}  // namespace thornvale::cli
