#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <sstream>

#include "catalogue/Catalogue.h"
#include "catalogue/MiscData.h"
#include "cli/Commands.h"
#include "cli/DumpFormat.h"
#include "codec/GetTexts.h"
#include "sample/SampleImage.h"
#include "tests/support/Process.h"
#include "tests/support/SampleImageFixture.h"
#include "tests/support/TestFiles.h"

namespace thornvale::cli {
namespace {

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

Outcome runInProcess(const std::vector<std::string>& args, const std::string& input = {}) {
  std::istringstream in(input);
  std::ostringstream out, err;
  const int status = runThornvaleText(args, in, out, err);
  return {status, out.str(), err.str()};
}

// The real program, for what only a process shows: its exit status and its streams.
Outcome runProgram(const std::vector<std::string>& args, const std::string& input = {}) {
  std::vector<std::string> argv = {THORNVALE_TEXT};
  argv.insert(argv.end(), args.begin(), args.end());
  const test::ProcessOutcome run = test::runProcess(argv, input);
  return {run.status, run.out, run.err};
}

using CommandsTest = test::SampleImageFixture;

TEST_F(CommandsTest, RefusalsAndUsageErrorsChangeNothing) {
  const std::string missing = dir.file("missing.nes");
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string err;
  };
  const Case cases[] = {
      {{}, kExitUsage, "subcommand"},
      {{"dump"}, kExitUsage, "IMAGE is required"},
      {{"frobnicate", imagePath}, kExitUsage, "there is no command \"frobnicate\""},
      {{"dump", imagePath, "--xml"}, kExitUsage, "--xml"},
      {{"misc", imagePath, "--debug-menu", "maybe"}, kExitUsage, "maybe"},
      {{"patch", imagePath, imagePath, dir.file("p"), "--format", "ups"}, kExitUsage, "ups"},
      {{"dump", missing}, kExitRefused, "\"" + missing + "\": " + test::systemReason(ENOENT)},
      {{"set", imagePath, "5", "WANDERERS"},
       kExitRefused,
       "position 5: Cannot save Text, it is either shorter or longer then the original."},
      {{"set", imagePath, "5", "wanderer"}, kExitRefused, "cannot be stored in this text: \"w\", \"a\""},
      {{"set", imagePath, "70", "X"}, kExitUsage, "no text at position \"70\""},
      {{"set", imagePath, "0x5", "X"}, kExitUsage, "no text at position \"0x5\""},
      {{"set", imagePath, "27", "Q2"}, kExitRefused, "shorter or longer"},
      {{"set", imagePath, "14", "\xFF"}, kExitRefused, "not valid UTF-8"},
      {{"misc", imagePath, "--hits", "256"},
       kExitRefused,
       "--hits \"256\": Cannot save, \"Hits to Kill a Grumkin:\" must be a whole number from 0 to 255"},
      {{"misc", imagePath, "--debug-menu", "on", "--hits", "-1"}, kExitRefused, "Nothing was saved"},
      {{"import", imagePath, dir.file("none.tsv")}, kExitRefused, "none.tsv"},
      {{"import", imagePath, "-"}, kExitRefused, "standard input:1: the file is empty"},
      {{"patch", imagePath, missing, dir.file("p.ips")}, kExitRefused, "missing.nes"},
  };
  for (const Case& c : cases) {
    const Outcome outcome = runInProcess(c.args);
    const std::string name = c.args.empty() ? "no arguments" : c.args[0] + " " + c.args.back();
    EXPECT_EQ(outcome.status, c.status) << name << ": " << outcome.err;
    EXPECT_NE(outcome.err.find(c.err), std::string::npos) << name << ": " << outcome.err;
    EXPECT_TRUE(outcome.err.starts_with("thornvale-text: ") || outcome.err.starts_with("standard input:"))
        << outcome.err;
    EXPECT_EQ(test::readBytes(imagePath), image) << name;
  }
  EXPECT_FALSE(std::filesystem::exists(dir.file("p.ips")));
}

TEST_F(CommandsTest, SetWritesLikeTheEditorsSave) {
  const Outcome outcome = runInProcess({"set", imagePath, "27", "Z"});
  EXPECT_EQ(outcome.status, kExitSuccess) << outcome.err;
  test::Bytes expected = image;
  expected[0x33067] = 0xFF;  // "Z" in Table3; the entry's second byte stays
  EXPECT_EQ(test::readBytes(imagePath), expected);
}

// A "/" begins a path or a text, on Windows as anywhere: never an option.
TEST_F(CommandsTest, ASlashBeginsAPathOrATextNeverAnOption) {
  const Outcome text = runInProcess({"set", imagePath, "3", "/HELLO"});
  EXPECT_EQ(text.status, kExitRefused) << text.err;
  EXPECT_NE(text.err.find("shorter or longer"), std::string::npos) << text.err;
  const Outcome path = runInProcess({"info", "/no-such-folder/x.nes"});
  EXPECT_EQ(path.status, kExitRefused) << path.err;
  EXPECT_NE(path.err.find("/no-such-folder/x.nes"), std::string::npos) << path.err;
  EXPECT_EQ(test::readBytes(imagePath), image);
}

// A position reads alike on the command line and in a dump: decimal digits, leading zeros or not.
TEST_F(CommandsTest, APositionHasOneRuleEverywhere) {
  for (const char* position : {"27", "027", "00027", "0000000000000027"}) {
    test::writeBytes(imagePath, image);
    EXPECT_EQ(runInProcess({"set", imagePath, position, "Z"}).status, kExitSuccess) << position;
    EXPECT_EQ(test::readBytes(imagePath)[0x33067], 0xFF) << position;
    const std::string dump = std::string(kDumpHeader) + "\n" + position + "\t0x33067\t2\t1\tTable3\tZ\n";
    EXPECT_TRUE(exchange::readDump(dump).problems.empty()) << position;
  }
  for (const char* position : {"+27", "27 ", "2_7", "", "99999999999999999999"}) {
    EXPECT_EQ(runInProcess({"set", imagePath, position, "Z"}).status, kExitUsage) << position;
    const std::string dump = std::string(kDumpHeader) + "\n" + position + "\t0x33067\t2\t1\tTable3\tZ\n";
    EXPECT_FALSE(exchange::readDump(dump).problems.empty()) << position;
  }
}

TEST_F(CommandsTest, DumpOfAShortImageListsEveryTextAndWarns) {
  const test::Bytes shortImage(image.begin(), image.begin() + 0x3C360);  // inside position 31
  test::writeBytes(imagePath, shortImage);
  const Outcome outcome = runInProcess({"dump", imagePath, "--json"});
  EXPECT_EQ(outcome.status, kExitSuccess);
  EXPECT_EQ(std::count(outcome.out.begin(), outcome.out.end(), '{'), 70);
  EXPECT_NE(outcome.err.find("before the end of position 31"), std::string::npos) << outcome.err;
  EXPECT_EQ(test::readBytes(imagePath), shortImage);
}

TEST_F(CommandsTest, MiscPrintsAndWritesTheTwoValues) {
  EXPECT_EQ(runInProcess({"misc", imagePath}).out, "debug menu: disabled\nhit count: 3\n");

  const Outcome written = runInProcess({"misc", imagePath, "--debug-menu", "on", "--hits", " 12 "});
  EXPECT_EQ(written.status, kExitSuccess);
  EXPECT_EQ(written.out, "debug menu: enabled\nhit count: 12\n");
  test::Bytes expected = image;
  expected[kDebugMenuOffset] = kDebugMenuEnabled;
  expected[kHitCountOffset] = 12;
  EXPECT_EQ(test::readBytes(imagePath), expected);

  expected[kDebugMenuOffset] = 0x12;
  test::writeBytes(imagePath, expected);
  EXPECT_EQ(runInProcess({"misc", imagePath}).out, "debug menu: unknown (0x12)\nhit count: 12\n");

  // The debug-menu byte lies past the end of this file: shown as missing, never written.
  const test::Bytes shortImage(expected.begin(), expected.begin() + kDebugMenuOffset);
  test::writeBytes(imagePath, shortImage);
  EXPECT_EQ(runInProcess({"misc", imagePath}).out,
            "debug menu: missing (the file ends before byte 199125)\nhit count: 12\n");
  const Outcome refused = runInProcess({"misc", imagePath, "--debug-menu", "off", "--hits", "1"});
  EXPECT_EQ(refused.status, kExitRefused);
  EXPECT_EQ(test::readBytes(imagePath), shortImage);
}

TEST_F(CommandsTest, ProgramDumpsAndImportsThroughAPipe) {
  const Outcome dumped = runProgram({"dump", imagePath});
  EXPECT_EQ(dumped.status, kExitSuccess);
  EXPECT_EQ(dumped.err, "");
  EXPECT_EQ(dumped.out, formatDump(readImageRows(imagePath)));

  const Outcome unchanged = runProgram({"import", imagePath, "-"}, dumped.out);
  EXPECT_EQ(unchanged.status, kExitSuccess) << unchanged.err;
  EXPECT_EQ(test::readBytes(imagePath), image);

  std::string edited = dumped.out;
  edited.replace(edited.find("MAPLE"), 5, "MAPLES");
  const Outcome refused = runProgram({"import", imagePath, "-"}, edited);
  EXPECT_EQ(refused.status, kExitRefused);
  EXPECT_EQ(
      refused.err,
      "standard input:2: position 0: Cannot save Text, it is either shorter or longer then the original. "
      "The text has 6 characters, needs 5 (spaces count)\n"
      "thornvale-text: \"" +
          imagePath + "\" was not changed: 1 row refused\n");
  EXPECT_EQ(test::readBytes(imagePath), image);
}

TEST_F(CommandsTest, ProgramExitStatusesAndHelp) {
  struct Case {
    std::vector<std::string> args;
    int status;
  };
  const Case cases[] = {
      {{"--help"}, kExitSuccess},          {{"patch", "--help"}, kExitSuccess},
      {{"--nonsense"}, kExitUsage},        {{"info"}, kExitUsage},
      {{"info", imagePath}, kExitSuccess}, {{"info", dir.file("missing.nes")}, kExitRefused},
  };
  for (const Case& c : cases) {
    const Outcome outcome = runProgram(c.args);
    EXPECT_EQ(outcome.status, c.status) << c.args.back() << ": " << outcome.err;
    if (c.status != kExitSuccess) {
      // One line on standard error, nothing on standard output.
      EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
      EXPECT_EQ(outcome.out, "");
    }
  }
  EXPECT_NE(runProgram({"patch", "--help"}).out.find("--format"), std::string::npos);
  // The version needs no command; the help names every command, whichever is built for a run.
  const Outcome version = runProgram({"--version"});
  EXPECT_EQ(version.status, kExitSuccess);
  EXPECT_TRUE(version.out.starts_with("thornvale-text 1.6.") && version.out.ends_with("\n")) << version.out;
  EXPECT_EQ(std::count(version.out.begin(), version.out.end(), '\n'), 1);
  const std::string help = runProgram({"--help"}).out;
  for (const char* command : {"dump", "import", "export", "check", "set", "misc", "info", "tables", "patch"})
    EXPECT_NE(help.find(std::string("\n  ") + command), std::string::npos) << command;
  EXPECT_EQ(runProgram({"dump", imagePath, "--nonsense"}).status, kExitUsage);
  EXPECT_EQ(test::readBytes(imagePath), image);
}

TEST_F(CommandsTest, InfoWarnsAboutATrainerAndExitsOne) {
  test::Bytes trainer = image;
  trainer[6] |= 0x04;
  const std::string trainerImage = dir.file("trainer.nes");
  test::writeBytes(trainerImage, trainer);
  const Outcome warned = runInProcess({"info", trainerImage});
  EXPECT_EQ(warned.status, kExitRefused);
  EXPECT_NE(warned.out.find("trainer: yes"), std::string::npos);
  EXPECT_NE(warned.err.find("warning:"), std::string::npos);
  EXPECT_EQ(test::readBytes(trainerImage), trainer);
}

TEST_F(CommandsTest, TablesWritesTheFourTableFiles) {
  EXPECT_EQ(runInProcess({"tables", dir.file("tbl")}).status, kExitSuccess);
  for (const char* name : {"Table1.tbl", "Table2.tbl", "Table3.tbl", "Table4.tbl"}) {
    EXPECT_TRUE(std::filesystem::is_regular_file(dir.path() / "tbl" / name)) << name;
  }
}

TEST_F(CommandsTest, PatchWritesBothFormats) {
  test::Bytes edited = image;
  edited[6] |= 0x04;
  const std::string editedImage = dir.file("edited.nes");
  test::writeBytes(editedImage, edited);
  EXPECT_EQ(runInProcess({"patch", imagePath, editedImage, dir.file("p.bps"), "--format", "bps"}).status,
            kExitSuccess);
  EXPECT_EQ(runInProcess({"patch", imagePath, imagePath, dir.file("p.ips")}).status, kExitSuccess);
  EXPECT_EQ(test::readBytes(dir.file("p.ips")), (test::Bytes{'P', 'A', 'T', 'C', 'H', 'E', 'O', 'F'}));
  EXPECT_EQ(test::readBytes(imagePath), image);
}

// Paths with characters beyond ASCII, as the real program gets them from its command line: on
// Windows through the wide command line, in no code page.
TEST_F(CommandsTest, ProgramWorksInAFolderWithANonAsciiName) {
  const std::string folder = dir.file("Spielstände ドラゴン");
  std::filesystem::create_directory(test::fsPath(folder));
  const std::string target = test::utf8Path(test::fsPath(folder) / test::fsPath("ïmage.nes"));
  const std::string edited = test::utf8Path(test::fsPath(folder) / test::fsPath("édité.nes"));
  const std::string patch = test::utf8Path(test::fsPath(folder) / test::fsPath("pätch.ips"));
  const std::string tables = test::utf8Path(test::fsPath(folder) / test::fsPath("täbles"));
  test::writeBytes(target, image);
  test::writeBytes(edited, image);

  const Outcome dumped = runProgram({"dump", target});
  EXPECT_EQ(dumped.status, kExitSuccess) << dumped.err;
  EXPECT_EQ(dumped.out, formatDump(readImageRows(target)));

  const Outcome set = runProgram({"set", edited, "5", "MAD CROW"});
  EXPECT_EQ(set.status, kExitSuccess) << set.err;
  EXPECT_NE(set.out.find(edited), std::string::npos) << set.out;
  EXPECT_NE(test::readBytes(edited), image);

  const Outcome patched = runProgram({"patch", target, edited, patch});
  EXPECT_EQ(patched.status, kExitSuccess) << patched.err;
  EXPECT_TRUE(std::filesystem::is_regular_file(test::fsPath(patch)));
  // The output named as one of the two images is the same file, whatever its name's characters.
  const Outcome overwrite = runProgram({"patch", target, edited, target});
  EXPECT_EQ(overwrite.status, kExitRefused);
  EXPECT_EQ(test::readBytes(target), image);

  const Outcome tabled = runProgram({"tables", tables});
  EXPECT_EQ(tabled.status, kExitSuccess) << tabled.err;
  EXPECT_TRUE(std::filesystem::is_regular_file(test::fsPath(tables) / "Table1.tbl"));
  EXPECT_NE(tabled.out.find(tables), std::string::npos) << tabled.out;

  std::string dump = dumped.out;
  dump.replace(dump.find("MAPLE"), 5, "MOPLE");
  const std::string dumpPath = test::utf8Path(test::fsPath(folder) / test::fsPath("dümp.tsv"));
  test::writeBytes(dumpPath, test::Bytes(dump.begin(), dump.end()));
  const Outcome imported = runProgram({"import", target, dumpPath});
  EXPECT_EQ(imported.status, kExitSuccess) << imported.err;
  EXPECT_EQ(ReadText(catalogue()[0].offset, target, 5, "Table2"), u"MOPLE");
}

}  // namespace
}  // namespace thornvale::cli
