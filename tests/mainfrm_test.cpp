#include "ui/qt/mainfrm.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>

#include "catalogue/Catalogue.h"
#include "catalogue/SaveCheck.h"
#include "codec/Format.h"
#include "codec/TableSet.h"
#include "sample/SampleImage.h"
#include "tests/support/EditorFixture.h"
#include "ui/forms/FontRule.h"
#include "ui/forms/Forms.h"
#include "ui/qt/QtDialogs.h"
#include "ui/qt/Twips.h"

namespace thornvale {
namespace {

using test::Bytes;
using test::qpath;

Bytes withBytes(Bytes bytes, std::int32_t offset, std::initializer_list<std::uint8_t> values) {
  for (std::uint8_t value : values) bytes[static_cast<std::size_t>(offset++)] = value;
  return bytes;
}

QString sample(int position) { return QString::fromStdU16String(sampleText(position)); }

QStringList sampleLines() {
  QStringList lines;
  for (int i = 0; i < static_cast<int>(kCatalogueSize); ++i) lines.append(sample(i));
  return lines;
}

class MainWindowTest : public test::EditorFixture {
 protected:
  QLineEdit* edit() { return control<QLineEdit>("txtedit"); }
  QString storedLength() { return control<QLineEdit>("txtindex")->text(); }
  QString editedLength() { return control<QLineEdit>("txtlength")->text(); }
  QAction* misc() { return control<QAction>("mnumisc"); }
};

TEST_F(MainWindowTest, StartsWithItsCaptionMenusAndEmptyControls) {
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Thornvale Text Editor - " THORNVALE_CAPTION_VERSION));

  QStringList shownMenus;
  for (QAction* title : window.menuBar()->actions()) {
    if (title->isVisible()) shownMenus.append(title->text());
  }
  EXPECT_EQ(shownMenus, (QStringList{"File", "Help"}));
  auto* editMenu = control<QMenu>("mnuedit");
  EXPECT_FALSE(editMenu->menuAction()->isVisible());
  EXPECT_FALSE(editMenu->menuAction()->isEnabled());
  EXPECT_FALSE(misc()->isEnabled());

  QStringList fileItems;
  for (QAction* item : control<QMenu>("mnufile")->actions()) {
    fileItems.append(item->isSeparator() ? QStringLiteral("-") : item->text());
  }
  EXPECT_EQ(fileItems, (QStringList{"Open", "-", "Exit"}));
  EXPECT_EQ(control<QAction>("mnusep1")->isSeparator(), true);
  EXPECT_EQ(editMenu->actions(), (QList<QAction*>{misc()}));
  EXPECT_EQ(control<QMenu>("mnuhelp")->actions(), (QList<QAction*>{control<QAction>("mnuabout")}));
  // No shortcuts and no access keys anywhere.
  for (QAction* action : window.findChildren<QAction*>()) {
    EXPECT_TRUE(action->shortcut().isEmpty()) << action->text().toStdString();
    EXPECT_FALSE(action->text().contains(QLatin1Char('&'))) << action->text().toStdString();
    EXPECT_FALSE(action->isCheckable()) << action->text().toStdString();
  }

  EXPECT_EQ(control<QListWidget>("txtlst")->count(), 0);
  EXPECT_EQ(edit()->text(), QString());
  EXPECT_EQ(storedLength(), QString());
  EXPECT_EQ(editedLength(), QString());
  EXPECT_FALSE(control<QLineEdit>("txtindex")->isEnabled());
  EXPECT_FALSE(control<QLineEdit>("txtlength")->isEnabled());
  EXPECT_TRUE(control<QPushButton>("cmdsave")->isEnabled());
  EXPECT_EQ(control<QPushButton>("cmdsave")->text(), QStringLiteral("Save Selected Text"));
  EXPECT_FALSE(control<QPushButton>("cmdsave")->isDefault());
  EXPECT_FALSE(control<QPushButton>("cmdsave")->autoDefault());
  EXPECT_EQ(control<QLabel>("Label1")->text(),
            QStringLiteral("Make sure to save after ever text entry you edit."));

  EXPECT_TRUE(window.windowIcon().availableSizes().contains(QSize(32, 32)));
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(MainWindowTest, KeepsItsLayoutPlaceAndKeyboardOrder) {
  const Twips twips(window.screen());
  struct Place {
    const char* name;
    QRect twips;
  };
  const Place places[] = {
      {"txtlst", {0, 0, 6735, 3180}},       {"txtedit", {40, 3240, 6255, 285}},
      {"txtindex", {6360, 3240, 375, 285}}, {"cmdsave", {2520, 3960, 1695, 375}},
      {"Label1", {1680, 3600, 3495, 255}},  {"txtlength", {6360, 3600, 375, 285}},
  };
  for (const Place& place : places) {
    EXPECT_EQ(control<QWidget>(place.name)->geometry(),
              twips.rect(place.twips.x(), place.twips.y(), place.twips.width(), place.twips.height()))
        << place.name;
  }
  test::expectCaptionsFit(window.centralWidget());
  if (window.screen()->logicalDotsPerInchX() == 96) {
    EXPECT_EQ(control<QWidget>("txtlst")->size(), QSize(449, 212));
  }

  // The client area below the menu bar: its size never changes; for its place on the screen,
  // see StartsAtItsPlaceOrWhollyOnTheScreen.
  QWidget* client = window.centralWidget();
  EXPECT_EQ(client->size(), twips.size(6750, 4395));
  EXPECT_EQ(window.minimumSize(), window.maximumSize());
  EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowCloseButtonHint));
  EXPECT_FALSE(window.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_FALSE(window.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));

  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  EXPECT_EQ(QApplication::focusWidget(), control<QWidget>("txtlst"));
  const char* order[] = {"txtedit", "cmdsave", "txtlst"};
  for (const char* next : order) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), control<QWidget>(next)) << next;
  }
}

// The road of one edit, through the real menu: open, select, type, save, select again, reopen.
TEST_F(MainWindowTest, OpensEditsAndSavesATextInPlace) {
  // Two texts of our own where the list order is not the file order.
  image = withBytes(image, 82217, {0xF0, 0xEC, 0xEE, 0xFE, 0xED, 0xE9, 0xF0, 0xD8});  // "OLD CROW"
  image = withBytes(image, 208968, {0xF8, 0xF9, 0xE0, 0xE8, 0xE4, 0x7F});             // "STAGE9"
  test::writeBytes(imagePath, image);

  QMenuBar* bar = window.menuBar();
  auto* fileMenu = control<QMenu>("mnufile");
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(fileMenu->menuAction()).center());
  ASSERT_TRUE(fileMenu->isVisible());
  dialogs.answerOpen(imagePath);
  QTest::mouseClick(fileMenu, Qt::LeftButton, {},
                    fileMenu->actionGeometry(control<QAction>("mnuopen")).center());

  ASSERT_EQ(dialogs.openRequests.size(), 1u);
  EXPECT_EQ(dialogs.openRequests[0].title, "Open a Thornvale PRG0 U NES Rom");
  EXPECT_EQ(QtDialogs::qtFilter(dialogs.openRequests[0].types), QStringLiteral("nes (*.nes)"));
  EXPECT_EQ(qtPath(dialogs.openRequests[0].initialFolder), QCoreApplication::applicationDirPath());

  QStringList expected = sampleLines();
  expected[5] = QStringLiteral("OLD CROW");
  expected[28] = QStringLiteral("STAGE9");
  EXPECT_EQ(lines(), expected);
  EXPECT_TRUE(misc()->isEnabled());
  EXPECT_EQ(selectedRow(), -1);
  EXPECT_EQ(edit()->text(), QString());
  EXPECT_EQ(storedLength(), QString());
  EXPECT_EQ(editedLength(), QString());

  clickLine(5);
  EXPECT_EQ(edit()->text(), QStringLiteral("OLD CROW"));
  EXPECT_EQ(storedLength(), QStringLiteral("8"));
  EXPECT_EQ(editedLength(), QStringLiteral("8"));
  QTest::keyClick(edit(), Qt::Key_X);
  EXPECT_EQ(editedLength(), QStringLiteral("9"));
  EXPECT_EQ(storedLength(), QStringLiteral("8"));
  retype(QStringLiteral("MAD CROW"));
  EXPECT_EQ(editedLength(), QStringLiteral("8"));

  clickSave();
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(test::readBytes(imagePath),
            withBytes(image, 82217, {0xBA, 0xBC, 0xEE, 0xFE, 0xED, 0xE9, 0xF0, 0xD8}));
  // The list keeps the text that was read; clicking the selected line brings it back.
  EXPECT_EQ(lines()[5], QStringLiteral("OLD CROW"));
  EXPECT_EQ(edit()->text(), QStringLiteral("MAD CROW"));
  clickLine(5);
  EXPECT_EQ(edit()->text(), QStringLiteral("OLD CROW"));

  retype(QStringLiteral("MAD"));
  open(imagePath);
  expected[5] = QStringLiteral("MAD CROW");
  EXPECT_EQ(lines(), expected);
  EXPECT_EQ(selectedRow(), -1);
  EXPECT_EQ(edit()->text(), QStringLiteral("MAD"));
  EXPECT_EQ(storedLength(), QStringLiteral("8"));
  EXPECT_EQ(editedLength(), QStringLiteral("3"));
}

TEST_F(MainWindowTest, FollowsTheKeyboardAndTypingBeforeAnySelection) {
  QTest::keyClicks(edit(), QStringLiteral("AB"));
  EXPECT_EQ(editedLength(), QStringLiteral("2"));
  EXPECT_EQ(storedLength(), QString());
  clickSave();  // nothing opened, nothing selected
  EXPECT_TRUE(dialogs.messages.empty());

  open(imagePath);
  clickSave();  // opened, nothing selected
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(test::readBytes(imagePath), image);

  auto* list = control<QListWidget>("txtlst");
  QTest::keyClick(list, Qt::Key_Home);
  EXPECT_EQ(selectedRow(), 0);
  EXPECT_EQ(edit()->text(), sample(0));
  QTest::keyClick(list, Qt::Key_Down);
  QTest::keyClick(list, Qt::Key_Down);
  EXPECT_EQ(selectedRow(), 2);
  EXPECT_EQ(edit()->text(), sample(2));
  EXPECT_EQ(storedLength(), QString::number(sample(2).size()));
  EXPECT_EQ(editedLength(), storedLength());

  edit()->selectAll();
  QTest::keyClick(edit(), Qt::Key_Delete);
  EXPECT_EQ(editedLength(), QStringLiteral("0"));
  EXPECT_EQ(storedLength(), QString::number(sample(2).size()));
  // Another line replaces an unsaved edit without a question.
  QTest::keyClicks(edit(), QStringLiteral("Q"));
  QTest::keyClick(list, Qt::Key_End);
  EXPECT_EQ(edit()->text(), sample(69));
  EXPECT_TRUE(dialogs.messages.empty());
}

// A line whose bytes all read as nothing is an empty line in its place, and selecting it still
// shows its length in both boxes, although the edit box's text does not change.
TEST_F(MainWindowTest, AnEmptyLineKeepsItsPlaceAndShowsZero) {
  image[208478] = 0x00;  // entry 14, one byte, nothing in its table
  test::writeBytes(imagePath, image);
  open(imagePath);
  QStringList expected = sampleLines();
  expected[14] = QString();
  EXPECT_EQ(lines(), expected);

  clickLine(14);
  EXPECT_EQ(edit()->text(), QString());
  EXPECT_EQ(storedLength(), QStringLiteral("0"));
  EXPECT_EQ(editedLength(), QStringLiteral("0"));
}

const QString kWrongLength = QString::fromUtf8(kWrongLengthMessage.data(), kWrongLengthMessage.size());

struct RefusalCase {
  const char* name;
  int position;
  std::function<QString()> text;
  QString message;
};
void PrintTo(const RefusalCase& c, std::ostream* out) { *out << c.name; }

class SaveRefusalTest : public MainWindowTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(SaveRefusalTest, ShowsWhyAndLeavesTheFileAndTheWindowAsTheyWere) {
  const RefusalCase& refusal = GetParam();
  open(imagePath);
  clickLine(refusal.position);
  const QString text = refusal.text();
  retype(text);
  ASSERT_EQ(edit()->text(), text);

  clickSave();
  dialogs.expectOneError(refusal.message.toStdString());
  EXPECT_EQ(test::readBytes(imagePath), image);
  EXPECT_EQ(edit()->text(), text);
  EXPECT_EQ(selectedRow(), refusal.position);
  EXPECT_EQ(lines(), sampleLines());
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, SaveRefusalTest,
    ::testing::Values(
        RefusalCase{"OneCharacterMore", 0, [] { return sample(0) + QLatin1Char('A'); }, kWrongLength},
        RefusalCase{"OneCharacterFewer", 40, [] { return sample(40).chopped(1); }, kWrongLength},
        RefusalCase{"Empty", 14, [] { return QString(); }, kWrongLength},
        RefusalCase{"EntryTwentySevenAsRead", 27, [] { return sample(27); }, kWrongLength},
        RefusalCase{"WrongLengthBeforeCharacters", 0, [] { return QStringLiteral("abcdefghij"); },
                    kWrongLength},
        RefusalCase{"SmallLettersInTableTwo", 0, [] { return QStringLiteral("a\u00e9") + sample(0).mid(2); },
                    QStringLiteral("Cannot save Text, these characters cannot be stored in this text: \"a\", "
                                   "\"\u00e9\". Nothing was saved.")},
        RefusalCase{"DigitInTableOne", 33, [] { return QStringLiteral("7") + sample(33).mid(1); },
                    QStringLiteral("Cannot save Text, these characters cannot be stored in this text: \"7\". "
                                   "Nothing was saved.")}),
    [](const auto& info) { return std::string(info.param.name); });

struct Accepted {
  const char* name;
  int position;
  std::function<QString()> text;
  std::int32_t changedAt;
  std::vector<std::uint8_t> bytes;
  // The neighbour that shares a byte, and its line after reopening.
  int partner;
  std::function<QString()> partnerLine;
};
void PrintTo(const Accepted& c, std::ostream* out) { *out << c.name; }

class SaveTest : public MainWindowTest, public ::testing::WithParamInterface<Accepted> {};

TEST_P(SaveTest, WritesOnlyTheEntrysBytes) {
  const Accepted& save = GetParam();
  open(imagePath);
  clickLine(save.position);
  retype(save.text());
  clickSave();
  EXPECT_TRUE(dialogs.messages.empty());

  Bytes expected = image;
  for (std::size_t k = 0; k < save.bytes.size(); ++k) {
    expected[static_cast<std::size_t>(save.changedAt) + k] = save.bytes[k];
  }
  EXPECT_EQ(test::readBytes(imagePath), expected);

  open(imagePath);
  if (save.partner >= 0) {
    EXPECT_EQ(lines()[save.partner], save.partnerLine());
  }
}

INSTANTIATE_TEST_SUITE_P(Saves, SaveTest,
                         ::testing::Values(
                             // Read as two bytes, saved as one: the second byte is never written.
                             Accepted{"EntryTwentySevenOneCharacter",
                                      27,
                                      [] { return QStringLiteral("Q"); },
                                      208999,
                                      {0xEE},
                                      27,
                                      [] { return QStringLiteral("Q") + sample(27).mid(1); }},
                             Accepted{"EntrySixtyFourLastByteIsSixtyFivesFirst",
                                      64,
                                      [] { return sample(64).chopped(1) + QLatin1Char('Z'); },
                                      222321,
                                      {0xC9},
                                      65,
                                      [] { return QStringLiteral("Z") + sample(65).mid(1); }},
                             Accepted{"EntrySixtyFiveFirstByteIsSixtyFoursLast",
                                      65,
                                      [] { return QStringLiteral("Q") + sample(65).mid(1); },
                                      222321,
                                      {0xC0},
                                      64,
                                      [] { return sample(64).chopped(1) + QLatin1Char('Q'); }},
                             Accepted{"TableFourText",
                                      31,
                                      [] { return QStringLiteral("STAR LORD YES!"); },
                                      246621,
                                      {0x83, 0x89, 0x80, 0x82, 0xFC, 0x8B, 0x8E, 0x82, 0x87, 0xFC, 0x8D, 0x84,
                                       0x83, 0x9B},
                                      -1,
                                      nullptr}),
                         [](const auto& info) { return std::string(info.param.name); });

// Open reads every text before it changes anything, and no failure ends the program.
struct OpenFailure {
  const char* name;
  std::function<std::string(const test::TempDir&)> make;
  const char* reason;
};
void PrintTo(const OpenFailure& c, std::ostream* out) { *out << c.name; }

class OpenFailureTest : public MainWindowTest, public ::testing::WithParamInterface<OpenFailure> {};

TEST_P(OpenFailureTest, ShowsTheErrorAndChangesNothing) {
  const std::string bad = GetParam().make(dir);
  test::ObeyPermissions obey;

  open(bad);
  dialogs.expectOneFileError(bad, GetParam().reason);
  EXPECT_TRUE(lines().isEmpty());
  EXPECT_FALSE(misc()->isEnabled());
  EXPECT_EQ(window.presenter.FileName, "");

  dialogs.messages.clear();
  open(imagePath);
  clickLine(3);
  open(bad);
  dialogs.expectOneFileError(bad, GetParam().reason);
  EXPECT_EQ(lines(), sampleLines());
  EXPECT_TRUE(misc()->isEnabled());
  EXPECT_EQ(window.presenter.FileName, imagePath);
  EXPECT_EQ(edit()->text(), sample(3));

  // The image whose texts the list shows is still the one a save goes to.
  dialogs.messages.clear();
  retype(QStringLiteral("MAWPU"));
  clickSave();
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(test::readBytes(imagePath), withBytes(image, 82713, {0xBA, 0xBC, 0xD8, 0xD9, 0xDA}));
  EXPECT_TRUE(window.isVisible());
}

INSTANTIATE_TEST_SUITE_P(
    Failures, OpenFailureTest,
    ::testing::Values(OpenFailure{"MissingFile", [](const test::TempDir& d) { return d.file("missing.nes"); },
                                  "No such file or directory"},
                      OpenFailure{"Directory",
                                  [](const test::TempDir& d) {
                                    std::filesystem::create_directory(d.file("folder.nes"));
                                    return d.file("folder.nes");
                                  },
                                  "Is a directory"},
                      OpenFailure{"UnreadableFile",
                                  [](const test::TempDir& d) {
                                    const std::string path = d.file("locked.nes");
                                    test::writeSampleImage(path);
                                    std::filesystem::permissions(path, std::filesystem::perms::none);
                                    return path;
                                  },
                                  "Permission denied"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainWindowTest, ACancelledOpenChangesNothing) {
  dialogs.answerOpen("");
  control<QAction>("mnuopen")->trigger();
  EXPECT_TRUE(lines().isEmpty());
  EXPECT_FALSE(misc()->isEnabled());
  EXPECT_EQ(window.presenter.FileName, "");

  // A second image replaces the list of the first, then a cancel keeps the second.
  const std::string other = dir.file("other.nes");
  test::writeBytes(other, withBytes(image, 82217, {0xF0, 0xEC, 0xEE, 0xFE, 0xED, 0xE9, 0xF0, 0xD8}));
  open(imagePath);
  open(other);
  EXPECT_EQ(lines().size(), 70);
  EXPECT_EQ(lines()[5], QStringLiteral("OLD CROW"));

  dialogs.answerOpen("");
  control<QAction>("mnuopen")->trigger();
  EXPECT_EQ(lines()[5], QStringLiteral("OLD CROW"));
  EXPECT_TRUE(misc()->isEnabled());
  EXPECT_EQ(window.presenter.FileName, other);

  clickLine(5);
  retype(QStringLiteral("MAD CROW"));
  clickSave();
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(test::readBytes(other),
            withBytes(image, 82217, {0xBA, 0xBC, 0xEE, 0xFE, 0xED, 0xE9, 0xF0, 0xD8}));
  EXPECT_EQ(test::readBytes(imagePath), image);
}

// A save that the file refuses shows why and leaves the window working.
struct SaveFailure {
  const char* name;
  std::function<void(const std::string&)> spoil;
  const char* reason;
  bool fileRemains;
};
void PrintTo(const SaveFailure& c, std::ostream* out) { *out << c.name; }

class SaveFailureTest : public MainWindowTest, public ::testing::WithParamInterface<SaveFailure> {};

TEST_P(SaveFailureTest, ShowsTheErrorAndWritesNothing) {
  open(imagePath);
  clickLine(0);
  retype(QStringLiteral("MAWPU"));
  GetParam().spoil(imagePath);
  test::ObeyPermissions obey;

  clickSave();
  dialogs.expectOneFileError(imagePath, GetParam().reason);
  if (GetParam().fileRemains) {
    EXPECT_EQ(test::readBytes(imagePath), image);
  } else {
    EXPECT_FALSE(std::filesystem::exists(imagePath));  // never created anew
  }
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(lines(), sampleLines());
  EXPECT_EQ(edit()->text(), QStringLiteral("MAWPU"));

  // And the next command works again.
  dialogs.messages.clear();
  const std::string fresh = dir.file("fresh.nes");
  test::writeSampleImage(fresh);
  open(fresh);
  clickLine(0);
  retype(QStringLiteral("MAWPU"));
  clickSave();
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(test::readBytes(fresh), withBytes(image, 81995, {0xBA, 0xBC, 0xD8, 0xD9, 0xDA}));
}

INSTANTIATE_TEST_SUITE_P(Failures, SaveFailureTest,
                         ::testing::Values(SaveFailure{"VanishedAfterOpen",
                                                       [](const std::string& path) {
                                                         std::filesystem::remove(path);
                                                       },
                                                       "No such file or directory", false},
                                           SaveFailure{"ReadOnlyFile",
                                                       [](const std::string& path) {
                                                         std::filesystem::permissions(
                                                             path, std::filesystem::perms::owner_read |
                                                                       std::filesystem::perms::group_read |
                                                                       std::filesystem::perms::others_read);
                                                       },
                                                       "Permission denied", true}),
                         [](const auto& info) { return std::string(info.param.name); });

// A translator's image with a folder of tables beside it (a name beyond ASCII, as users have):
// the list reads the new letter, a save stores it, and About names the folder.
TEST_F(MainWindowTest, OpensAnImageWithItsTablesAndSavesANewLetter) {
  const std::string french = dir.file("Ch\xC3\xA2teau.nes");
  const std::string folder = dir.file("Ch\xC3\xA2teau.tables");
  std::filesystem::create_directories(test::fsPath(folder));
  std::string table1 = "\xEF\xBB\xBF# Table1 with e acute\r\n7b=\xC3\xA9\r\n";
  const CharacterTable& builtIn = *TableSet::builtIn().find("Table1");
  for (int b = 0; b < 256; ++b) {
    if (builtIn[b] != kNoCharacter) table1 += formatHex(static_cast<std::uint64_t>(b), 2) + "=" + char(builtIn[b]) + "\r\n";
  }
  test::writeBytes(utf8Path(fsPath(folder) / "Table1.tbl"), Bytes(table1.begin(), table1.end()));
  test::writeBytes(french, withBytes(image, 0x3012A, {0x7B}));

  open(french);
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(lines()[33], QStringLiteral("\u00E9") + sample(33).mid(1));
  clickLine(34);
  QString text = sample(34);
  text[2] = QChar(0x00E9);
  retype(text);
  EXPECT_EQ(editedLength(), QString::number(text.size()));
  clickSave();
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(test::readBytes(french)[0x3013E + 2], 0x7B);
  open(french);
  EXPECT_EQ(lines()[34], text);

  control<QAction>("mnuabout")->trigger();
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_NE(dialogs.messages[0].text.find("\nCharacter tables of your own, from \"" + folder + "\"."), std::string::npos)
      << dialogs.messages[0].text;
  EXPECT_EQ(test::readBytes(imagePath), image);
}

TEST_F(MainWindowTest, AboutShowsCreditsAndExitClosesWithoutAQuestion) {
  control<QAction>("mnuabout")->trigger();
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].title, "About");
  EXPECT_EQ(dialogs.messages[0].icon, CommandDialogs::Icon::None);
  EXPECT_EQ(dialogs.messages[0].text,
            "Thornvale Text Editor " THORNVALE_VERSION ", made by the Thornvale editor team. MIT licence.");

  open(imagePath);
  clickLine(0);
  retype(QStringLiteral("MAWPU"));
  // Escape is no way out of the main window.
  QTest::keyClick(edit(), Qt::Key_Escape);
  EXPECT_TRUE(window.isVisible());
  control<QAction>("mnuexit")->trigger();
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(test::readBytes(imagePath), image);

  // Nor does the close box ask anything.
  window.show();
  EXPECT_TRUE(window.close());
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(dialogs.messages.size(), 1u);
}

// Once a line is selected, one stays selected until the next Open, whatever the user clicks or
// presses; a save always has its line.
TEST_F(MainWindowTest, ALineOnceSelectedStaysSelectedUntilTheNextOpen) {
  open(imagePath);
  auto* list = control<QListWidget>("txtlst");
  clickLine(0);
  const QPoint line0 = list->visualItemRect(list->item(0)).center();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, line0);
  EXPECT_EQ(selectedRow(), 0);
  // Space also searches for a line beginning with a blank, so Ctrl+Space may move the selection,
  // but never takes it away.
  list->setFocus();
  QTest::keyClick(list, Qt::Key_Space, Qt::ControlModifier);
  EXPECT_NE(selectedRow(), -1);
  EXPECT_EQ(selectedRow(), list->currentRow());
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier,
                    list->visualItemRect(list->item(2)).center());
  EXPECT_EQ(selectedRow(), 2);
  EXPECT_EQ(edit()->text(), sample(2));

  retype(QStringLiteral("X"));
  clickSave();
  dialogs.expectOneError(kWrongLength.toStdString());
  EXPECT_EQ(test::readBytes(imagePath), image);

  open(imagePath);
  EXPECT_EQ(selectedRow(), -1);
}

// After an Open no line is current: the first Down selects line 0, and the list shows its top,
// also when the focus comes back to it from the open dialog.
TEST_F(MainWindowTest, AfterAnOpenTheFirstDownSelectsTheFirstLine) {
  auto* list = control<QListWidget>("txtlst");
  for (int before : {-1, 66}) {
    open(imagePath);
    if (before >= 0) {
      clickLine(before);
      ASSERT_GT(list->verticalScrollBar()->value(), 0);
      open(imagePath);
    }
    EXPECT_EQ(list->currentRow(), -1) << before;
    EXPECT_EQ(list->verticalScrollBar()->value(), 0) << before;
    edit()->setFocus(Qt::ActiveWindowFocusReason);
    list->setFocus(Qt::ActiveWindowFocusReason);
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(selectedRow(), 0) << before;
    EXPECT_EQ(edit()->text(), sample(0)) << before;
  }
  // The other keys that move the selection go where they go from the top.
  const std::pair<Qt::Key, int> keys[] = {{Qt::Key_Up, 0}, {Qt::Key_Home, 0}, {Qt::Key_End, 69}};
  for (const auto& [key, row] : keys) {
    open(imagePath);
    QTest::keyClick(list, key);
    EXPECT_EQ(selectedRow(), row) << key;
  }
}

// Enter and keypad Enter press the focused button; in the edit box they do nothing, since the
// button is neither default nor cancel. A wrong length shows that the button was pressed.
TEST_F(MainWindowTest, EnterPressesTheFocusedButtonOnly) {
  open(imagePath);
  clickLine(0);
  retype(QStringLiteral("X"));
  auto* save = control<QPushButton>("cmdsave");
  const std::pair<Qt::Key, Qt::KeyboardModifiers> enters[] = {{Qt::Key_Return, Qt::NoModifier},
                                                              {Qt::Key_Enter, Qt::KeypadModifier}};
  for (const auto& [key, modifiers] : enters) {
    dialogs.messages.clear();
    QTest::keyClick(edit(), key, modifiers);
    EXPECT_TRUE(dialogs.messages.empty()) << key;
    save->setFocus();
    QTest::keyClick(save, key, modifiers);
    dialogs.expectOneError(kWrongLength.toStdString());
  }
  EXPECT_EQ(test::readBytes(imagePath), image);
}

// The lengths are the user's only guide to the rule of the save: greyed, but legible, in a light
// and in a dark palette.
TEST_F(MainWindowTest, TheLengthBoxesAreGreyedButLegible) {
  open(imagePath);
  clickLine(5);
  const QPalette light = QApplication::palette();
  // A dark palette as desktops make them, whose disabled digits read at about 2.4 to 1.
  QPalette dark(QColor(0x35, 0x35, 0x35), QColor(0x35, 0x35, 0x35));
  dark.setColor(QPalette::Base, QColor(0x2a, 0x2a, 0x2a));
  dark.setColor(QPalette::Text, QColor(0xe0, 0xe0, 0xe0));
  dark.setColor(QPalette::WindowText, QColor(0xe0, 0xe0, 0xe0));
  dark.setColor(QPalette::Disabled, QPalette::Base, QColor(0x35, 0x35, 0x35));
  dark.setColor(QPalette::Disabled, QPalette::Text, QColor(0x6f, 0x6f, 0x6f));
  for (const auto& [name, palette] : {std::pair{"light", light}, std::pair{"dark", dark}}) {
    QApplication::setPalette(palette);
    QCoreApplication::processEvents();
    for (const char* box : {"txtindex", "txtlength"}) {
      auto* lengthBox = control<QLineEdit>(box);
      EXPECT_FALSE(lengthBox->isEnabled());
      EXPECT_EQ(lengthBox->focusPolicy(), Qt::NoFocus);
      EXPECT_EQ(lengthBox->text(), QStringLiteral("8"));
      EXPECT_GE(test::textContrast(lengthBox), 4.5) << name << " " << box;
    }
  }
  QApplication::setPalette(light);
}

// The list of the texts is read all day: it, the edit box and the length boxes keep the platform's
// font; only a caption that cannot fit its box at that size is smaller, never below the floor.
TEST_F(MainWindowTest, EveryControlHasThePlatformFontButACaptionTooLongForIt) {
  open(imagePath);
  for (const forms::ControlRow& described : forms::mainfrm().controls) {
    auto* widget = control<QWidget>(std::string(described.name).c_str());
    const QFont platform = QApplication::font(widget);
    if (widget->font() == platform) continue;
    SCOPED_TRACE(std::string(described.name));
    ASSERT_TRUE(forms::hasCaption(described.kind));
    EXPECT_EQ(widget->font().family(), platform.family());
    EXPECT_GE(widget->font().pointSizeF(), forms::kLegibleFloorPoints);
    // A button's caption also needs the style's margins on both sides.
    const auto* button = qobject_cast<QPushButton*>(widget);
    const QString caption = button != nullptr ? button->text() : qobject_cast<QLabel*>(widget)->text();
    const int margins =
        button != nullptr ? 2 * widget->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, widget) : 0;
    EXPECT_GT(QFontMetrics(platform).horizontalAdvance(caption) + margins, widget->width());
  }
  for (const char* name : {"txtlst", "txtedit", "txtindex", "txtlength"}) {
    EXPECT_EQ(control<QWidget>(name)->font(), QApplication::font(control<QWidget>(name))) << name;
  }
}

TEST_F(MainWindowTest, ControlsWithoutACaptionHaveAnAccessibleName) {
  const std::pair<const char*, const char*> names[] = {
      {"txtlst", "Texts"},
      {"txtedit", "Text"},
      {"txtindex", "Stored length"},
      {"txtlength", "Current length"},
  };
  for (const auto& [control, name] : names) {
    test::expectAccessibleName(this->control<QWidget>(control), QString::fromUtf8(name));
  }
}

// The fixed start place where the window fits the screen; where it does not, as little a move
// as keeps it whole on the screen. The second half runs in the small-screen run of these tests.
TEST_F(MainWindowTest, StartsAtItsPlaceOrWhollyOnTheScreen) {
  const QRect available = window.screen()->availableGeometry();
  const Twips twips(window.screen());
  const QRect frame = window.frameGeometry();
  EXPECT_TRUE(available.contains(frame))
      << "frame " << frame.x() << "," << frame.y() << " " << frame.width() << "x" << frame.height();
  const QPoint fixed = twips.point(4515, 3615);
  const QPoint client = window.centralWidget()->mapToGlobal(QPoint(0, 0));
  const QRect fixedFrame = frame.translated(fixed - client);
  if (available.contains(fixedFrame)) {
    EXPECT_EQ(client, fixed);
  } else {
    // Moved no further than it takes: an edge that had to move now touches the screen's edge.
    if (fixedFrame.bottom() > available.bottom()) {
      EXPECT_EQ(frame.bottom(), available.bottom());
    }
    if (fixedFrame.right() > available.right()) {
      EXPECT_EQ(frame.right(), available.right());
    }
    if (fixedFrame.right() <= available.right()) {
      EXPECT_EQ(client.x(), fixed.x());
    }
    if (fixedFrame.bottom() <= available.bottom()) {
      EXPECT_EQ(client.y(), fixed.y());
    }
  }
}

}  // namespace
}  // namespace thornvale
