// The flows of both windows, written once against their presenters: a view that stands for either
// front end's controls, the real commands, and a real image file.

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>

#include "catalogue/Catalogue.h"
#include "catalogue/MiscData.h"
#include "catalogue/SaveCheck.h"
#include "sample/SampleImage.h"
#include "tests/support/SampleImageFixture.h"
#include "tests/support/ScriptedDialogs.h"
#include "ui/forms/Forms.h"
#include "ui/forms/MainPresenter.h"
#include "ui/forms/MiscPresenter.h"

namespace thornvale {
namespace {

using namespace forms;
using test::Bytes;
using Icon = CommandDialogs::Icon;

Bytes with(Bytes bytes, std::int32_t offset, std::initializer_list<std::uint8_t> values) {
  for (std::uint8_t value : values) bytes[static_cast<std::size_t>(offset++)] = value;
  return bytes;
}

std::vector<std::u16string> sampleLines() {
  std::vector<std::u16string> lines;
  for (int i = 0; i < static_cast<int>(kCatalogueSize); ++i) lines.push_back(sampleText(i));
  return lines;
}

// Controls as both toolkits keep them. An edit box reports a change of its text to its window;
// Qt's reports none when the text set is the one it has, the Windows API's reports one all the
// same: `reportsSameText` chooses.
class FakeView : public MainView {
 public:
  explicit FakeView(bool reportsSameText = false) : reportsSameText_(reportsSameText) {}

  void setCaption(const std::string& text) override { caption = text; }
  void setLines(int, const std::vector<std::u16string>& shown) override {
    lines = shown;
    selected = -1;
  }
  [[nodiscard]] int selectedLine(int) const override { return selected; }
  [[nodiscard]] std::u16string text(int control) const override {
    const auto found = texts.find(control);
    return found == texts.end() ? std::u16string() : found->second;
  }
  void setText(int control, std::u16string_view shown) override {
    const bool changed = text(control) != shown;
    texts[control] = std::u16string(shown);
    if ((changed || reportsSameText_) && control == kTxtedit && onEditChange) onEditChange();
  }
  void enable(int control, bool on) override { enabled[control] = on; }
  [[nodiscard]] bool checked(int option) const override { return checks.count(option) != 0 && checks.at(option); }
  void check(int option, bool on) override { checks[option] = on; }
  void closeWindow() override { closed = true; }
  [[nodiscard]] std::string programFolder() const override { return "/opt/thornvale/bin"; }
  [[nodiscard]] std::optional<Version> programVersion() const override { return version; }
  void showMiscWindow(const std::string& imageName) override { miscAskedFor.push_back(imageName); }

  std::string caption;
  std::vector<std::u16string> lines;
  int selected = -1;
  std::map<int, std::u16string> texts;
  std::map<int, bool> enabled;
  std::map<int, bool> checks;
  bool closed = false;
  std::optional<Version> version;
  std::vector<std::string> miscAskedFor;
  std::function<void()> onEditChange;

 private:
  bool reportsSameText_;
};

class MainFlowTest : public test::SampleImageFixture, public ::testing::WithParamInterface<bool> {
 protected:
  MainFlowTest() {
    view.onEditChange = [this] { presenter.txtedit_Change(); };
    presenter.Form_Load();
  }

  void open(const std::string& path) {
    dialogs.answerOpen(path);
    presenter.mnuopen_Click();
  }
  void select(int line) {
    view.selected = line;
    presenter.txtlst_Click();
  }
  void type(std::u16string_view text) { view.setText(kTxtedit, text); }

  std::u16string edit() { return view.text(kTxtedit); }
  std::u16string index() { return view.text(kTxtindex); }
  std::u16string length() { return view.text(kTxtlength); }
  bool miscEnabled() { return view.enabled[kMnumisc]; }

  test::ScriptedDialogs dialogs;
  FakeView view{GetParam()};
  MainPresenter presenter{view, dialogs};
};

TEST_P(MainFlowTest, LoadsWithItsCaptionAndMiscDataDisabled) {
  EXPECT_EQ(view.caption, "Thornvale Text Editor - " + std::to_string(THORNVALE_VERSION_MAJOR) + "." +
                              std::to_string(THORNVALE_VERSION_MINOR));
  EXPECT_FALSE(miscEnabled());
  // The version the program carries, where it carries one.
  view.version = MainView::Version{1, 6};
  presenter.Form_Load();
  EXPECT_EQ(view.caption, "Thornvale Text Editor - 1.6");
  // A hidden, disabled item that is sent its command all the same shows nothing.
  presenter.mnumisc_Click();
  EXPECT_TRUE(view.miscAskedFor.empty());
  EXPECT_TRUE(dialogs.messages.empty());
}

// The road of one edit: open, select, type, save, select again, reopen.
TEST_P(MainFlowTest, OpensSelectsEditsAndSavesATextInPlace) {
  image = with(image, 82217, {0xF0, 0xEC, 0xEE, 0xFE, 0xED, 0xE9, 0xF0, 0xD8});  // "OLD CROW"
  test::writeBytes(imagePath, image);
  open(imagePath);
  ASSERT_EQ(dialogs.openRequests.size(), 1u);
  EXPECT_EQ(dialogs.openRequests[0].initialFolder, "/opt/thornvale/bin");
  std::vector<std::u16string> expected = sampleLines();
  expected[5] = u"OLD CROW";
  EXPECT_EQ(view.lines, expected);
  EXPECT_EQ(presenter.FileName, imagePath);
  EXPECT_TRUE(miscEnabled());
  EXPECT_EQ(index(), u"");

  select(5);
  EXPECT_EQ(edit(), u"OLD CROW");
  EXPECT_EQ(index(), u"8");
  EXPECT_EQ(length(), u"8");
  type(u"OLD CROWS");
  EXPECT_EQ(length(), u"9");
  EXPECT_EQ(index(), u"8");
  type(u"MAD CROW");
  presenter.cmdsave_Click();
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(test::readBytes(imagePath), with(image, 82217, {0xBA, 0xBC, 0xEE, 0xFE, 0xED, 0xE9, 0xF0, 0xD8}));

  // The list keeps what was read; selecting the line again brings that back.
  select(5);
  EXPECT_EQ(edit(), u"OLD CROW");
  EXPECT_EQ(length(), u"8");
  presenter.mnumisc_Click();
  EXPECT_EQ(view.miscAskedFor, std::vector<std::string>{imagePath});
  open(imagePath);
  EXPECT_EQ(view.lines[5], u"MAD CROW");
  EXPECT_EQ(view.selected, -1);
}

// Selecting a line whose text the edit box already holds still fills both length boxes, whether
// or not the toolkit reports the unchanged text.
TEST_P(MainFlowTest, ALineWithTheTextAlreadyShownStillShowsItsLengths) {
  open(imagePath);
  type(sampleText(3));
  view.texts.erase(kTxtlength);
  select(3);
  const std::string count = std::to_string(sampleText(3).size());
  const std::u16string shown(count.begin(), count.end());
  EXPECT_EQ(index(), shown);
  EXPECT_EQ(length(), shown);
}

struct RefusalCase {
  const char* name;
  int line;
  std::u16string text;
  std::function<std::string()> message;
};

// Every refusal and failure of Save is shown, ends nothing and leaves the file byte for byte.
TEST_P(MainFlowTest, EveryRefusedOrFailedSaveShowsWhyAndChangesNothing) {
  const std::string wrongLength(kWrongLengthMessage);
  const CatalogueEntry& entry = *catalogueEntry(5);
  const std::u16string fitting(static_cast<std::size_t>(entry.saveLength), u'A');
  const RefusalCase cases[] = {
      {"one character more", 5, fitting + u"A", [&] { return wrongLength; }},
      {"one character fewer", 5, fitting.substr(1), [&] { return wrongLength; }},
      {"empty", 14, u"", [&] { return wrongLength; }},
      {"second byte of position 27", 27, u"AB", [&] { return wrongLength; }},
      {"unstorable", 5, u"\u00e9" + fitting.substr(1),
       [&] { return checkSave(entry, u"\u00e9" + fitting.substr(1))->message; }},
  };
  open(imagePath);
  for (const RefusalCase& c : cases) {
    SCOPED_TRACE(c.name);
    dialogs.messages.clear();
    select(c.line);
    type(c.text);
    presenter.cmdsave_Click();
    dialogs.expectOneError(c.message());
    EXPECT_EQ(test::readBytes(imagePath), image);
    EXPECT_EQ(edit(), c.text);
    EXPECT_EQ(view.lines, sampleLines());
  }

  // A file that went away: its path and the system's words, and no file made anew.
  dialogs.messages.clear();
  select(5);
  type(fitting);
  std::filesystem::rename(test::fsPath(imagePath), test::fsPath(imagePath + ".moved"));
  presenter.cmdsave_Click();
  dialogs.expectOneFileError(imagePath, test::systemReason(ENOENT));
  EXPECT_FALSE(std::filesystem::exists(test::fsPath(imagePath)));
  EXPECT_EQ(test::readBytes(imagePath + ".moved"), image);
  EXPECT_FALSE(view.closed);
}

TEST_P(MainFlowTest, SaveWithoutASelectionDoesNothing) {
  presenter.cmdsave_Click();
  open(imagePath);
  type(u"ABC");
  EXPECT_EQ(length(), u"3");
  EXPECT_EQ(index(), u"");
  presenter.cmdsave_Click();
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(test::readBytes(imagePath), image);
}

// A cancelled or failed Open keeps the list, the image name and Misc Data: a save still goes to
// the image that the list shows.
TEST_P(MainFlowTest, ACancelledOrFailedOpenChangesNothing) {
  open("");
  EXPECT_TRUE(view.lines.empty());
  EXPECT_EQ(presenter.FileName, "");
  EXPECT_FALSE(miscEnabled());
  open(dir.file("missing.nes"));
  EXPECT_EQ(presenter.FileName, "");
  EXPECT_FALSE(miscEnabled());

  open(imagePath);
  select(3);
  struct Case {
    const char* name;
    std::string answer;
    bool reported;
  };
  std::filesystem::create_directory(test::fsPath(dir.file("folder.nes")));
  const Case cases[] = {
      {"cancel", "", false}, {"missing file", dir.file("missing.nes"), true}, {"folder", dir.file("folder.nes"), true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dialogs.messages.clear();
    open(c.answer);
    EXPECT_EQ(view.lines, sampleLines());
    EXPECT_EQ(presenter.FileName, imagePath);
    EXPECT_TRUE(miscEnabled());
    EXPECT_EQ(edit(), sampleText(3));
    ASSERT_EQ(dialogs.messages.size(), c.reported ? 1u : 0u);
    if (c.reported) {
      EXPECT_NE(dialogs.messages[0].text.find(c.answer), std::string::npos);
    }
  }
  dialogs.messages.clear();
  type(u"MAWPU");
  select(3);
  type(u"MAWPU");
  presenter.cmdsave_Click();
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(test::readBytes(imagePath), with(image, 82713, {0xBA, 0xBC, 0xD8, 0xD9, 0xDA}));
}

TEST_P(MainFlowTest, AboutShowsCreditsAndExitClosesWithoutAQuestion) {
  presenter.mnuabout_Click();
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].title, "About");
  EXPECT_EQ(dialogs.messages[0].icon, Icon::None);
  open(imagePath);
  select(0);
  type(u"unsaved");
  presenter.mnuexit_Click();
  EXPECT_TRUE(view.closed);
  EXPECT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(test::readBytes(imagePath), image);
}

INSTANTIATE_TEST_SUITE_P(EditBoxes, MainFlowTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "ReportsSameText" : "ReportsChangesOnly"; });

class MiscFlowTest : public test::SampleImageFixture {
 protected:
  void write(std::uint8_t debugMenu, std::uint8_t hitCount) {
    image[kDebugMenuOffset] = debugMenu;
    image[kHitCountOffset] = hitCount;
    test::writeBytes(imagePath, image);
  }
  bool load() { return presenter.Form_Load(ownerDialogs); }

  test::ScriptedDialogs dialogs;
  test::ScriptedDialogs ownerDialogs;
  FakeView view;
  MiscPresenter presenter{view, dialogs, imagePath};
};

TEST_F(MiscFlowTest, ShowsTheTwoBytes) {
  struct Case {
    std::uint8_t debugMenu;
    std::uint8_t hitCount;
    bool enabled, disabled;
    std::u16string hits;
  };
  const Case cases[] = {
      {0x35, 3, false, true, u"3"},  {0xCC, 0, true, false, u"0"},    {0x00, 255, false, false, u"255"},
      {0x34, 7, false, false, u"7"}, {0xCD, 12, false, false, u"12"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int{c.debugMenu});
    write(c.debugMenu, c.hitCount);
    ASSERT_TRUE(load());
    EXPECT_EQ(view.checked(kOpdebuge), c.enabled);
    EXPECT_EQ(view.checked(kOpdebugd), c.disabled);
    EXPECT_EQ(view.text(kText1), c.hits);
  }
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_TRUE(ownerDialogs.messages.empty());
}

TEST_F(MiscFlowTest, SaveWritesTheOptionAndTheHitsAndCloses) {
  write(0x35, 3);
  ASSERT_TRUE(load());
  view.check(kOpdebugd, false);
  view.check(kOpdebuge, true);
  view.setText(kText1, u" 9 ");
  presenter.cmdsave_Click();
  EXPECT_TRUE(view.closed);
  EXPECT_TRUE(dialogs.messages.empty());
  Bytes saved = image;
  saved[kDebugMenuOffset] = kDebugMenuEnabled;
  saved[kHitCountOffset] = 9;
  EXPECT_EQ(test::readBytes(imagePath), saved);
}

TEST_F(MiscFlowTest, CancelClosesWritingNothing) {
  write(0x00, 3);
  ASSERT_TRUE(load());
  view.check(kOpdebuge, true);
  view.setText(kText1, u"77");
  presenter.cmdcancel_Click();
  EXPECT_TRUE(view.closed);
  EXPECT_EQ(test::readBytes(imagePath), image);
}

TEST_F(MiscFlowTest, RefusesAHitCountThatIsNoByteAndStaysOpen) {
  write(0x35, 3);
  ASSERT_TRUE(load());
  for (const char16_t* typed : {u"256", u"-1", u"abc", u""}) {
    dialogs.messages.clear();
    view.check(kOpdebuge, true);
    view.setText(kText1, typed);
    presenter.cmdsave_Click();
    dialogs.expectOneError(hitCountRefusal().message);
    EXPECT_FALSE(view.closed);
    EXPECT_EQ(test::readBytes(imagePath), image);
  }
}

// The window is not on the screen yet: the failure is the asking window's to show.
TEST_F(MiscFlowTest, AFileThatWentAwayIsShownByTheOwnerAndTheWindowNotShown) {
  std::filesystem::rename(test::fsPath(imagePath), test::fsPath(imagePath + ".moved"));
  EXPECT_FALSE(load());
  EXPECT_TRUE(dialogs.messages.empty());
  ASSERT_EQ(ownerDialogs.messages.size(), 1u);
  EXPECT_NE(ownerDialogs.messages[0].text.find(imagePath), std::string::npos);
  EXPECT_EQ(test::readBytes(imagePath + ".moved"), image);
}

}  // namespace
}  // namespace thornvale
