// The decisions of the window commands, without a window: what Open, Save, the misc data window
// and About ask, show and write.

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <cerrno>
#include <filesystem>
#include <functional>
#include <optional>

#include "catalogue/Catalogue.h"
#include "catalogue/MiscData.h"
#include "catalogue/SaveCheck.h"
#include "codec/Format.h"
#include "codec/TableSet.h"
#include "sample/SampleImage.h"
#include "tests/support/SampleImageFixture.h"
#include "tests/support/ScriptedDialogs.h"
#include "ui/forms/MainCommands.h"
#include "ui/forms/MiscCommands.h"

namespace thornvale {
namespace {

using test::Bytes;
using Icon = CommandDialogs::Icon;

std::vector<std::u16string> sampleLines() {
  std::vector<std::u16string> lines;
  for (int i = 0; i < static_cast<int>(kCatalogueSize); ++i) lines.push_back(sampleText(i));
  return lines;
}

Bytes with(Bytes bytes, std::int32_t offset, std::initializer_list<std::uint8_t> values) {
  for (std::uint8_t value : values) bytes[static_cast<std::size_t>(offset++)] = value;
  return bytes;
}

class CommandsTest : public test::SampleImageFixture {
 protected:
  test::ScriptedDialogs dialogs;
};

TEST(CaptionTest, ShowsMajorAndMinorInPlainDecimal) {
  EXPECT_EQ(captionFor(1, 6), "Thornvale Text Editor - 1.6");
  EXPECT_EQ(captionFor(1, 10), "Thornvale Text Editor - 1.10");
  EXPECT_EQ(captionFor(2, 0), "Thornvale Text Editor - 2.0");
  EXPECT_EQ(caption(), captionFor(THORNVALE_VERSION_MAJOR, THORNVALE_VERSION_MINOR));
}

TEST_F(CommandsTest, AboutIsOneLineOfCreditsWithoutAnIcon) {
  showAbout(dialogs);
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].title, "About");
  EXPECT_EQ(dialogs.messages[0].text, aboutText());
  EXPECT_EQ(dialogs.messages[0].icon, Icon::None);
  EXPECT_EQ(aboutText(),
            "Thornvale Text Editor " THORNVALE_VERSION ", made by the Thornvale editor team. MIT licence.");
}

TEST_F(CommandsTest, OpenAsksInTheProgramsFolderAndReadsAllSeventyTexts) {
  dialogs.answerOpen(imagePath);
  const std::optional<OpenedImage> opened = readChosenImage(dialogs, "/opt/thornvale/bin");

  ASSERT_EQ(dialogs.openRequests.size(), 1u);
  EXPECT_EQ(dialogs.openRequests[0].title, "Open a Thornvale PRG0 U NES Rom");
  EXPECT_EQ(dialogs.openRequests[0].types, (std::vector<CommandDialogs::FileType>{{"nes (*.nes)", "*.nes"}}));
  EXPECT_EQ(dialogs.openRequests[0].initialFolder, "/opt/thornvale/bin");
  ASSERT_TRUE(opened.has_value());
  EXPECT_EQ(opened->lines, sampleLines());
  EXPECT_EQ(opened->path, imagePath);
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(CommandsTest, ACancelledOpenReadsNothingAndSaysNothing) {
  dialogs.answerOpen("");
  EXPECT_FALSE(readChosenImage(dialogs, "/bin").has_value());
  EXPECT_TRUE(dialogs.messages.empty());
}

struct OpenFailure {
  const char* name;
  std::function<std::string(const test::TempDir&)> make;
  std::string reason;
};

// Empty where the system has no FIFOs (Windows).
std::string makeFifo(const test::TempDir& d) {
#ifdef _WIN32
  (void)d;
  return {};
#else
  ::mkfifo(d.file("fifo.nes").c_str(), 0600);
  return d.file("fifo.nes");
#endif
}
void PrintTo(const OpenFailure& c, std::ostream* out) { *out << c.name; }

class OpenFailureTest : public CommandsTest, public ::testing::WithParamInterface<OpenFailure> {};

TEST_P(OpenFailureTest, ShowsTheErrorAndReadsNothing) {
#ifdef _WIN32
  if (std::string_view(GetParam().name) == "Unreadable") {
    GTEST_SKIP() << "std::filesystem cannot make a Windows file unreadable";
  }
#endif
  const std::string bad = GetParam().make(dir);
  if (bad.empty()) GTEST_SKIP() << "no such file on this system";
  test::ObeyPermissions obey;
  dialogs.answerOpen(bad);
  EXPECT_FALSE(readChosenImage(dialogs, "/bin").has_value());
  dialogs.expectOneFileError(bad, GetParam().reason);
  EXPECT_EQ(test::readBytes(imagePath), image);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, OpenFailureTest,
    ::testing::Values(OpenFailure{"Missing", [](const test::TempDir& d) { return d.file("missing.nes"); },
                                  test::systemReason(ENOENT)},
                      OpenFailure{"Directory",
                                  [](const test::TempDir& d) {
                                    std::filesystem::create_directory(d.file("folder.nes"));
                                    return d.file("folder.nes");
                                  },
                                  "Is a directory"},
                      OpenFailure{"Unreadable",
                                  [](const test::TempDir& d) {
                                    const std::string path = d.file("locked.nes");
                                    test::writeSampleImage(path);
                                    std::filesystem::permissions(path, std::filesystem::perms::none);
                                    return path;
                                  },
                                  test::systemReason(EACCES)},
                      // Opening a FIFO once froze the window, waiting for a writer.
                      OpenFailure{"Fifo", makeFifo, "a FIFO (named pipe), not a regular file"}),
    [](const auto& info) { return std::string(info.param.name); });

struct SaveCase {
  const char* name;
  int position;
  std::u16string text;
  SaveOutcome outcome;
  std::string message;                  // for Refused
  std::function<Bytes(Bytes)> written;  // for Written
};
void PrintTo(const SaveCase& c, std::ostream* out) { *out << c.name; }

class SaveTest : public CommandsTest, public ::testing::WithParamInterface<SaveCase> {};

TEST_P(SaveTest, ChecksInOrderAndWritesOnlyWhatPasses) {
  const SaveCase& save = GetParam();
  EXPECT_EQ(saveText(dialogs, imagePath, save.position, save.text), save.outcome);
  if (save.outcome == SaveOutcome::Refused) {
    dialogs.expectOneError(save.message);
  } else {
    EXPECT_TRUE(dialogs.messages.empty());
  }
  EXPECT_EQ(test::readBytes(imagePath), save.written ? save.written(image) : image);
}

const std::string kWrongLength(kWrongLengthMessage);

INSTANTIATE_TEST_SUITE_P(
    Saves, SaveTest,
    ::testing::Values(SaveCase{"NothingSelected", -1, u"MAWPU", SaveOutcome::NothingSelected, "", nullptr},
                      SaveCase{"PastTheLastLine", 70, u"MAWPU", SaveOutcome::NothingSelected, "", nullptr},
                      SaveCase{"OneMore", 0, u"MAWPUX", SaveOutcome::Refused, kWrongLength, nullptr},
                      SaveCase{"OneFewer", 0, u"MAWP", SaveOutcome::Refused, kWrongLength, nullptr},
                      SaveCase{"WrongLengthBeforeCharacters", 0, u"\u00e9\u00e9", SaveOutcome::Refused,
                               kWrongLength, nullptr},
                      SaveCase{"EntryTwentySevenAsTwo", 27, u"QQ", SaveOutcome::Refused, kWrongLength,
                               nullptr},
                      SaveCase{"Unstorable", 0, u"a\u00e9WPU", SaveOutcome::Refused,
                               "Cannot save Text, these characters cannot be stored in this text: \"a\", "
                               "\"\xc3\xa9\". Nothing was saved.",
                               nullptr},
                      SaveCase{"Written", 0, u"MAWPU", SaveOutcome::Written, "",
                               [](Bytes b) {
                                 return with(std::move(b), 81995, {0xBA, 0xBC, 0xD8, 0xD9, 0xDA});
                               }},
                      SaveCase{"EntryTwentySevenOneByte", 27, u"Q", SaveOutcome::Written, "",
                               [](Bytes b) { return with(std::move(b), 208999, {0xEE}); }}),
    [](const auto& info) { return std::string(info.param.name); });

struct SaveFailure {
  const char* name;
  std::function<void(const std::string&)> spoil;
  std::string reason;
  // What the message says first, before the path and the system's words.
  std::string meaning = "Error while";
};
void PrintTo(const SaveFailure& c, std::ostream* out) { *out << c.name; }

class SaveFailureTest : public CommandsTest, public ::testing::WithParamInterface<SaveFailure> {};

TEST_P(SaveFailureTest, ShowsPathAndReasonAndWritesNothing) {
  GetParam().spoil(imagePath);
  const bool remains = std::filesystem::exists(imagePath);
  test::ObeyPermissions obey;
  EXPECT_EQ(saveText(dialogs, imagePath, 0, u"MAWPU"), SaveOutcome::Failed);
  dialogs.expectOneFileError(imagePath, GetParam().reason);
  EXPECT_TRUE(dialogs.messages[0].text.starts_with(GetParam().meaning)) << dialogs.messages[0].text;
  if (remains) {
    EXPECT_EQ(test::readBytes(imagePath), image);
  } else {
    EXPECT_FALSE(std::filesystem::exists(imagePath));  // never created anew
  }
}

INSTANTIATE_TEST_SUITE_P(
    Failures, SaveFailureTest,
    ::testing::Values(SaveFailure{"Vanished", [](const std::string& p) { std::filesystem::remove(p); },
                                  test::systemReason(ENOENT)},
                      SaveFailure{"ReadOnly",
                                  [](const std::string& p) {
                                    std::filesystem::permissions(p, std::filesystem::perms::owner_read);
                                  },
                                  test::systemReason(EACCES), "The file is read-only"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LengthTextTest, CountsTheCharactersThatTheSaveCounts) {
  EXPECT_EQ(lengthText(u""), "0");
  EXPECT_EQ(lengthText(u"HELLO"), "5");
  EXPECT_EQ(lengthText(std::u16string(255, u'A')), "255");
  // A character beyond U+FFFF is two of the save's characters.
  EXPECT_EQ(lengthText(u"\U0001F600"), "2");
}

struct ShownCase {
  std::optional<std::uint8_t> debugMenu;
  std::optional<std::uint8_t> hitCount;
  DebugMenu option;
  const char* hits;
};

TEST(MiscShownTest, SelectsTheDefinedOptionAndWritesTheCountInDecimal) {
  const ShownCase cases[] = {
      {0x35, 3, DebugMenu::Disabled, "3"},
      {0xCC, 0, DebugMenu::Enabled, "0"},
      {0x00, 255, DebugMenu::Unknown, "255"},
      {0x34, 100, DebugMenu::Unknown, "100"},
      {0xCD, 7, DebugMenu::Unknown, "7"},
      {std::nullopt, 9, DebugMenu::Unknown, "9"},
      {std::nullopt, std::nullopt, DebugMenu::Unknown, ""},
  };
  for (const ShownCase& c : cases) {
    const MiscShown shown = miscShown({c.debugMenu, c.hitCount});
    EXPECT_EQ(shown.option, c.option) << c.hits;
    EXPECT_EQ(shown.hitCount, c.hits);
  }
}

struct MiscSaveCase {
  const char* name;
  DebugMenu chosen;
  std::u16string hits;
  bool closes;
  std::optional<std::uint8_t> debugAfter;  // nullopt: as before
  std::optional<std::uint8_t> hitsAfter;
};
void PrintTo(const MiscSaveCase& c, std::ostream* out) { *out << c.name; }

class MiscSaveTest : public CommandsTest, public ::testing::WithParamInterface<MiscSaveCase> {};

TEST_P(MiscSaveTest, WritesWhatWasChosenOrRefusesAndWritesNothing) {
  const MiscSaveCase& c = GetParam();
  image[kDebugMenuOffset] = 0x00;
  image[kHitCountOffset] = 3;
  test::writeBytes(imagePath, image);
  const auto loaded = loadMisc(dialogs, imagePath);
  ASSERT_TRUE(loaded.has_value());

  EXPECT_EQ(saveMisc(dialogs, imagePath, *loaded, c.chosen, c.hits), c.closes);
  if (c.closes) {
    EXPECT_TRUE(dialogs.messages.empty());
    image[kDebugMenuOffset] = c.debugAfter.value_or(0x00);
    image[kHitCountOffset] = c.hitsAfter.value_or(3);
  } else {
    dialogs.expectOneError(hitCountRefusal().message);
  }
  EXPECT_EQ(test::readBytes(imagePath), image);
}

INSTANTIATE_TEST_SUITE_P(
    Saves, MiscSaveTest,
    ::testing::Values(
        MiscSaveCase{"Enable", DebugMenu::Enabled, u"200", true, 0xCC, 200},
        MiscSaveCase{"DisableWithBlanks", DebugMenu::Disabled, u" \t7 ", true, 0x35, 7},
        MiscSaveCase{"NeitherKeepsTheByte", DebugMenu::Unknown, u"0", true, std::nullopt, 0},
        MiscSaveCase{"TooMany", DebugMenu::Enabled, u"256", false, std::nullopt, std::nullopt},
        MiscSaveCase{"Negative", DebugMenu::Enabled, u"-1", false, std::nullopt, std::nullopt},
        MiscSaveCase{"EmptyForAByteThatExists", DebugMenu::Enabled, u"", false, std::nullopt, std::nullopt},
        MiscSaveCase{"ArabicDigit", DebugMenu::Enabled, u"\u0663", false, std::nullopt, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

// An image too short for the hit count: an empty box is no count to refuse.
TEST_F(CommandsTest, AnEmptyCountForAByteThatIsNotThereIsNoRefusal) {
  const Bytes tiny(kHitCountOffset, 0x07);
  test::writeBytes(imagePath, tiny);
  const auto loaded = loadMisc(dialogs, imagePath);
  ASSERT_TRUE(loaded.has_value());
  EXPECT_EQ(miscShown(*loaded).hitCount, "");
  EXPECT_TRUE(saveMisc(dialogs, imagePath, *loaded, DebugMenu::Unknown, u"  "));
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(test::readBytes(imagePath), tiny);

  // A count typed all the same goes to the core, which refuses a byte past the end.
  EXPECT_FALSE(saveMisc(dialogs, imagePath, *loaded, DebugMenu::Unknown, u"4"));
  dialogs.expectOneFileError(imagePath, "");
  EXPECT_EQ(test::readBytes(imagePath), tiny);
}

TEST_F(CommandsTest, MiscFileFailuresAreShownAndKeepTheFile) {
  std::filesystem::permissions(imagePath, std::filesystem::perms::owner_read);
  test::ObeyPermissions obey;
  const auto loaded = loadMisc(dialogs, imagePath);
  ASSERT_TRUE(loaded.has_value());
  EXPECT_FALSE(saveMisc(dialogs, imagePath, *loaded, DebugMenu::Enabled, u"3"));
  dialogs.expectOneFileError(imagePath, test::systemReason(EACCES));
  EXPECT_EQ(test::readBytes(imagePath), image);

  dialogs.messages.clear();
  // Windows removes no read-only file.
  std::filesystem::permissions(imagePath, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
  std::filesystem::remove(imagePath);
  EXPECT_FALSE(loadMisc(dialogs, imagePath).has_value());
  dialogs.expectOneFileError(imagePath, test::systemReason(ENOENT));
}

}  // namespace
}  // namespace thornvale

namespace thornvale {
namespace {

// A folder of tables of the user's beside the sample image: Table1 with "é" at the unused 0x7B.
class UserTablesCommandsTest : public CommandsTest {
 protected:
  void tables(std::string_view table1) {
    std::filesystem::create_directories(fsPath(folder));
    test::writeBytes(utf8Path(fsPath(folder) / "Table1.tbl"), Bytes(table1.begin(), table1.end()));
  }
  std::string frenchTable1() {
    std::string text = "# Table1, and the translator's e acute\n7B=\xC3\xA9\n";
    const CharacterTable& t = *TableSet::builtIn().find("Table1");
    for (int b = 0; b < 256; ++b) {
      if (t[b] == kNoCharacter) continue;
      text += formatHex(static_cast<std::uint64_t>(b), 2) + "=" + static_cast<char>(t[b]) + "\n";
    }
    return text;
  }
  std::string folder = dir.file("thornvale.tables");
};

TEST_F(UserTablesCommandsTest, OpenReadsAndSaveWritesThroughTheTablesBesideTheImage) {
  tables(frenchTable1());
  image[0x3012A] = 0x7B;  // position 33's first byte shows "é" now
  test::writeBytes(imagePath, image);
  dialogs.answerOpen(imagePath);
  const std::optional<OpenedImage> opened = readChosenImage(dialogs, "/bin");
  ASSERT_TRUE(opened.has_value());
  EXPECT_EQ(opened->lines[33], u"\u00E9" + sampleText(33).substr(1));
  EXPECT_TRUE(dialogs.messages.empty());

  std::u16string text = sampleText(34);
  text[1] = u'\u00E9';
  EXPECT_EQ(saveText(dialogs, imagePath, 34, text), SaveOutcome::Written);
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(test::readBytes(imagePath)[0x3013E + 1], 0x7B);

  EXPECT_EQ(aboutText(imagePath), aboutText() + "\nCharacter tables of your own, from \"" + folder + "\".");
  EXPECT_EQ(aboutText(dir.file("other.nes")), aboutText());
  EXPECT_EQ(aboutText(""), aboutText());
}

TEST_F(UserTablesCommandsTest, ABadTableRefusesTheOpenAndTheSaveNamingItsLine) {
  tables("41=A\n4142=AB\n");
  dialogs.answerOpen(imagePath);
  EXPECT_FALSE(readChosenImage(dialogs, "/bin").has_value());
  dialogs.expectOneFileError(utf8Path(fsPath(folder) / "Table1.tbl") + ":2", "more than one byte on the left");
  dialogs.messages.clear();

  EXPECT_EQ(saveText(dialogs, imagePath, 0, u"MAWPU"), SaveOutcome::Failed);
  dialogs.expectOneFileError(utf8Path(fsPath(folder) / "Table1.tbl") + ":2", "more than one byte on the left");
  EXPECT_EQ(test::readBytes(imagePath), image);
}

}  // namespace
}  // namespace thornvale
