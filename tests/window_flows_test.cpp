// The flows of both windows through their presenters, driven by a third front end: controls held
// as plain values, which report what the user does to them as the Qt and the Windows windows do,
// through the same wiring. Beyond that view it has no window code of its own; the commands are the
// real ones, and the image a real file.

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
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

// A window's controls as values, and what a user does to them. A text box reports a change of its
// text to its window; Qt's reports none when the text set is the one it has, the Windows API's
// reports one all the same: `reportsSameText` chooses.
template <class Interface>
class HeldControls : public Interface {
 public:
  explicit HeldControls(bool reportsSameText) : reportsSameText_(reportsSameText) {}

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
    if (changed || reportsSameText_) report(control, ControlEvent::Change);
  }
  void enable(int control, bool on) override { enabled[control] = on; }
  [[nodiscard]] bool checked(int option) const override {
    return checks.contains(option) && checks.at(option);
  }
  void check(int option, bool on) override { checks[option] = on; }
  void focus(int control) override { focused = control; }
  void closeWindow() override { closed = true; }

  // The user: a line of the list, a text typed over the box's, a button, an option or a menu
  // item, Escape, the close box.
  void choose(int list, int line) {
    selected = line;
    report(list, ControlEvent::Click);
  }
  void type(int box, std::u16string_view text) { setText(box, text); }
  void click(int control) { report(control, ControlEvent::Click); }
  void chooseOption(const FormTable& form, int option) {
    for (const ControlRow& control : form.controls) {
      if (control.kind == ControlKind::OptionButton) check(control.id, control.id == option);
    }
    click(option);
  }
  void pressEscape() { reportsTo->escapePressed(); }
  void clickCloseBox() {
    if (reportsTo->closeRequested()) closed = true;
  }

  FormPresenter* reportsTo = nullptr;
  std::string caption;
  std::vector<std::u16string> lines;
  int selected = -1;
  std::map<int, std::u16string> texts;
  std::map<int, bool> enabled;
  std::map<int, bool> checks;
  int focused = -1;
  bool closed = false;

 private:
  void report(int control, ControlEvent event) {
    if (reportsTo != nullptr) reportsTo->handle(control, event);
  }

  bool reportsSameText_;
};

// The misc data window: shown, it lets the test act as its user.
class HeldMiscWindow final : public HeldControls<FormView>, public MiscWindow {
 public:
  HeldMiscWindow(CommandDialogs& dialogs, std::string imageName,
                 const std::function<void(HeldMiscWindow&)>& user)
      : HeldControls(false), presenter_(*this, dialogs, std::move(imageName)), user_(user) {
    reportsTo = &presenter_;
  }

  [[nodiscard]] MiscPresenter& presenter() override { return presenter_; }
  void showModal() override {
    if (user_) user_(*this);
  }

 private:
  MiscPresenter presenter_;
  std::function<void(HeldMiscWindow&)> user_;
};

class HeldMainWindow final : public HeldControls<MainView> {
 public:
  HeldMainWindow(CommandDialogs& dialogs, bool reportsSameText)
      : HeldControls(reportsSameText), dialogs_(dialogs) {}

  [[nodiscard]] std::string programFolder() const override { return "/opt/thornvale/bin"; }
  [[nodiscard]] std::optional<Version> programVersion() const override { return version; }
  [[nodiscard]] std::unique_ptr<MiscWindow> makeMiscWindow(const std::string& imageName) override {
    miscAskedFor.push_back(imageName);
    return std::make_unique<HeldMiscWindow>(dialogs_, imageName, [this](HeldMiscWindow& misc) {
      ++miscShown;
      miscUser(misc);
      miscLeftOpen = !misc.closed;
    });
  }

  std::optional<Version> version;
  std::vector<std::string> miscAskedFor;
  // What the user does while the misc data window is shown.
  std::function<void(HeldMiscWindow&)> miscUser = [](HeldMiscWindow&) {};
  int miscShown = 0;
  bool miscLeftOpen = false;

 private:
  CommandDialogs& dialogs_;
};

class MainFlowTest : public test::SampleImageFixture, public ::testing::WithParamInterface<bool> {
 protected:
  MainFlowTest() {
    view.reportsTo = &presenter;
    presenter.Form_Load();
  }

  void open(const std::string& path) {
    dialogs.answerOpen(path);
    view.click(kOpenItem);
  }
  void select(int line) { view.choose(kTextList, line); }
  void type(std::u16string_view text) { view.type(kEditedText, text); }
  void save() { view.click(kSaveButton); }

  std::u16string edit() { return view.text(kEditedText); }
  std::u16string storedLength() { return view.text(kStoredLength); }
  std::u16string editedLength() { return view.text(kEditedLength); }
  bool miscEnabled() { return view.enabled[kMiscDataItem]; }

  test::ScriptedDialogs dialogs;
  HeldMainWindow view{dialogs, GetParam()};
  MainPresenter presenter{view, dialogs};
};

TEST_P(MainFlowTest, LoadsWithItsCaptionMiscDataDisabledAndTheFocusOnTheList) {
  EXPECT_EQ(view.caption, "Thornvale Text Editor - " + std::to_string(THORNVALE_VERSION_MAJOR) + "." +
                              std::to_string(THORNVALE_VERSION_MINOR));
  EXPECT_FALSE(miscEnabled());
  EXPECT_EQ(view.focused, kTextList);
  // The version the program carries, where it carries one.
  view.version = MainView::Version{1, 6};
  presenter.Form_Load();
  EXPECT_EQ(view.caption, "Thornvale Text Editor - 1.6");
  // A hidden, disabled item that is sent its command all the same shows nothing.
  view.click(kMiscDataItem);
  EXPECT_TRUE(view.miscAskedFor.empty());
  // Escape in the main window does nothing; controls nothing is wired to do nothing.
  view.pressEscape();
  view.click(kStoredLength);
  view.click(kSaveReminder);
  EXPECT_FALSE(view.closed);
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_TRUE(dialogs.openRequests.empty());
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
  EXPECT_EQ(storedLength(), u"");

  select(5);
  EXPECT_EQ(edit(), u"OLD CROW");
  EXPECT_EQ(storedLength(), u"8");
  EXPECT_EQ(editedLength(), u"8");
  type(u"OLD CROWS");
  EXPECT_EQ(editedLength(), u"9");
  EXPECT_EQ(storedLength(), u"8");
  type(u"MAD CROW");
  save();
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(test::readBytes(imagePath), with(image, 82217, {0xBA, 0xBC, 0xEE, 0xFE, 0xED, 0xE9, 0xF0, 0xD8}));

  // The list keeps what was read; selecting the line again brings that back.
  select(5);
  EXPECT_EQ(edit(), u"OLD CROW");
  EXPECT_EQ(editedLength(), u"8");
  open(imagePath);
  EXPECT_EQ(view.lines[5], u"MAD CROW");
  EXPECT_EQ(view.selected, -1);
}

// Selecting a line whose text the edit box already holds still fills both length boxes, whether
// or not the toolkit reports the unchanged text.
TEST_P(MainFlowTest, ALineWithTheTextAlreadyShownStillShowsItsLengths) {
  open(imagePath);
  type(sampleText(3));
  view.texts.erase(kEditedLength);
  select(3);
  const std::string count = std::to_string(sampleText(3).size());
  const std::u16string shown(count.begin(), count.end());
  EXPECT_EQ(storedLength(), shown);
  EXPECT_EQ(editedLength(), shown);
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
    save();
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
  save();
  dialogs.expectOneFileError(imagePath, test::systemReason(ENOENT));
  EXPECT_FALSE(std::filesystem::exists(test::fsPath(imagePath)));
  EXPECT_EQ(test::readBytes(imagePath + ".moved"), image);
  EXPECT_FALSE(view.closed);
}

TEST_P(MainFlowTest, SaveWithoutASelectionDoesNothing) {
  save();
  open(imagePath);
  type(u"ABC");
  EXPECT_EQ(editedLength(), u"3");
  EXPECT_EQ(storedLength(), u"");
  save();
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
  const Case cases[] = {{"cancel", "", false},
                        {"missing file", dir.file("missing.nes"), true},
                        {"folder", dir.file("folder.nes"), true}};
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
  save();
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(test::readBytes(imagePath), with(image, 82713, {0xBA, 0xBC, 0xD8, 0xD9, 0xDA}));
}

// Exit and the close box end the window with an unsaved edit, asking nothing.
TEST_P(MainFlowTest, AboutShowsCreditsAndExitOrTheCloseBoxCloseWithoutAQuestion) {
  view.click(kAboutItem);
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].title, "About");
  EXPECT_EQ(dialogs.messages[0].icon, Icon::None);
  open(imagePath);
  for (const bool closeBox : {false, true}) {
    SCOPED_TRACE(closeBox ? "close box" : "File, Exit");
    view.closed = false;
    select(0);
    type(u"unsaved");
    if (closeBox) {
      view.clickCloseBox();
    } else {
      view.click(kExitItem);
    }
    EXPECT_TRUE(view.closed);
    EXPECT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(test::readBytes(imagePath), image);
  }
}

// Edit, Misc Data: the window over the image as the main window holds it, loaded, and shown only
// when it loaded; a failure is shown by the main window instead.
TEST_P(MainFlowTest, TheMiscWindowIsShownOnlyWhenItLoaded) {
  open(imagePath);
  view.miscUser = [&](HeldMiscWindow& misc) {
    EXPECT_EQ(misc.focused, kMiscSaveButton);
    EXPECT_TRUE(misc.checked(kDebugDisabledOption));
    misc.click(kMiscCancelButton);
  };
  view.click(kMiscDataItem);
  EXPECT_EQ(view.miscAskedFor, std::vector<std::string>{imagePath});
  EXPECT_EQ(view.miscShown, 1);
  EXPECT_FALSE(view.miscLeftOpen);

  std::filesystem::rename(test::fsPath(imagePath), test::fsPath(imagePath + ".moved"));
  view.click(kMiscDataItem);
  EXPECT_EQ(view.miscShown, 1);
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_NE(dialogs.messages[0].text.find(imagePath), std::string::npos);
  EXPECT_EQ(test::readBytes(imagePath + ".moved"), image);
}

INSTANTIATE_TEST_SUITE_P(EditBoxes, MainFlowTest, ::testing::Values(false, true), [](const auto& info) {
  return info.param ? "ReportsSameText" : "ReportsChangesOnly";
});

// The misc data window, reached as the user reaches it: through the main window's Edit, Misc Data.
class MiscFlowTest : public test::SampleImageFixture {
 protected:
  MiscFlowTest() {
    main.reportsTo = &presenter;
    presenter.Form_Load();
  }

  // An image with the two bytes, opened; then Edit, Misc Data, with `user` acting while the
  // window is shown. Whether it was shown.
  bool showMisc(std::uint8_t debugMenu, std::uint8_t hitCount,
                const std::function<void(HeldMiscWindow&)>& user) {
    image[kDebugMenuOffset] = debugMenu;
    image[kHitCountOffset] = hitCount;
    test::writeBytes(imagePath, image);
    dialogs.answerOpen(imagePath);
    main.click(kOpenItem);
    const int before = main.miscShown;
    main.miscUser = user;
    main.click(kMiscDataItem);
    return main.miscShown == before + 1;
  }

  test::ScriptedDialogs dialogs;
  HeldMainWindow main{dialogs, false};
  MainPresenter presenter{main, dialogs};
};

TEST_F(MiscFlowTest, ShowsTheTwoBytesWithTheFocusOnSave) {
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
    EXPECT_TRUE(showMisc(c.debugMenu, c.hitCount, [&](HeldMiscWindow& misc) {
      EXPECT_EQ(misc.checked(kDebugEnabledOption), c.enabled);
      EXPECT_EQ(misc.checked(kDebugDisabledOption), c.disabled);
      EXPECT_EQ(misc.text(kHitCount), c.hits);
      EXPECT_EQ(misc.focused, kMiscSaveButton);
    }));
    EXPECT_TRUE(main.miscLeftOpen);
  }
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(MiscFlowTest, SaveWritesTheOptionAndTheHitsAndCloses) {
  EXPECT_TRUE(showMisc(0x35, 3, [](HeldMiscWindow& misc) {
    misc.chooseOption(miscfrm(), kDebugEnabledOption);
    misc.type(kHitCount, u" 9 ");
    misc.click(kMiscSaveButton);
  }));
  EXPECT_FALSE(main.miscLeftOpen);
  EXPECT_TRUE(dialogs.messages.empty());
  Bytes saved = image;
  saved[kDebugMenuOffset] = kDebugMenuEnabled;
  saved[kHitCountOffset] = 9;
  EXPECT_EQ(test::readBytes(imagePath), saved);
}

// Cancel, Escape and the close box each close the window and write nothing.
TEST_F(MiscFlowTest, CancelEscapeAndTheCloseBoxCloseWritingNothing) {
  const std::pair<const char*, std::function<void(HeldMiscWindow&)>> closings[] = {
      {"Cancel", [](HeldMiscWindow& misc) { misc.click(kMiscCancelButton); }},
      {"Escape", [](HeldMiscWindow& misc) { misc.pressEscape(); }},
      {"close box", [](HeldMiscWindow& misc) { misc.clickCloseBox(); }},
  };
  for (const auto& [name, close] : closings) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(showMisc(0x00, 3, [&](HeldMiscWindow& misc) {
      misc.chooseOption(miscfrm(), kDebugEnabledOption);
      misc.type(kHitCount, u"77");
      close(misc);
    }));
    EXPECT_FALSE(main.miscLeftOpen);
    EXPECT_EQ(test::readBytes(imagePath), image);
  }
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(MiscFlowTest, RefusesAHitCountThatIsNoByteAndStaysOpen) {
  for (const char16_t* typed : {u"256", u"-1", u"abc", u""}) {
    dialogs.messages.clear();
    EXPECT_TRUE(showMisc(0x35, 3, [&](HeldMiscWindow& misc) {
      misc.chooseOption(miscfrm(), kDebugEnabledOption);
      misc.type(kHitCount, typed);
      misc.click(kMiscSaveButton);
    }));
    dialogs.expectOneError(hitCountRefusal().message);
    EXPECT_TRUE(main.miscLeftOpen);
    EXPECT_EQ(test::readBytes(imagePath), image);
  }
}

}  // namespace
}  // namespace thornvale
