// The form tables, the font rule and the placement rule that both front ends build from.

#include "ui/forms/Forms.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "ui/forms/FontRule.h"
#include "ui/forms/Keyboard.h"
#include "ui/forms/Placement.h"

namespace thornvale::forms {
namespace {

const FormTable* const kForms[] = {&mainfrm(), &miscfrm()};

// The keyboard walks the stops in the order the controls are made, as a Windows window does; a
// control inside a frame is made after the frame, and stands inside it.
TEST(FormTableTest, StopsFollowTheTableAndContainersComeFirst) {
  for (const FormTable* form : kForms) {
    SCOPED_TRACE(std::string(form->name));
    std::set<int> ids;
    std::set<std::string_view> names;
    int lastStop = -1;
    for (const ControlRow& control : form->controls) {
      SCOPED_TRACE(std::string(control.name));
      EXPECT_TRUE(ids.insert(control.id).second);
      EXPECT_TRUE(names.insert(control.name).second);
      if (control.tabOrder >= 0) {
        EXPECT_EQ(control.tabOrder, lastStop + 1);
        lastStop = control.tabOrder;
      }
      if (!control.container.empty()) {
        const ControlRow* outer = findControl(*form, control.container);
        ASSERT_NE(outer, nullptr);
        EXPECT_TRUE(names.count(outer->name) != 0) << "made after what it stands in";
        EXPECT_LE(control.twips.left + control.twips.width, outer->twips.width);
        EXPECT_LE(control.twips.top + control.twips.height, outer->twips.height);
      }
      const TwipsRect place = inWindow(*form, control);
      EXPECT_LE(place.left + place.width, form->clientWidth);
      EXPECT_LE(place.top + place.height, form->clientHeight);
      // A control without a caption needs a name a screen reader can say.
      if (!hasCaption(control.kind)) {
        EXPECT_FALSE(control.accessibleName.empty());
      }
      if (!control.accessibleName.empty()) {
        EXPECT_FALSE(control.accessibleDescription.empty());
      }
    }
  }
  EXPECT_EQ(inWindow(miscfrm(), *findControl(miscfrm(), "Text1")).left, 120 + 5160);
}

TEST(FormTableTest, MenuItemsHaveIdsOfTheirOwnAndNoAccessKeys) {
  std::set<int> ids;
  for (const ControlRow& control : mainfrm().controls) ids.insert(control.id);
  for (const MenuRow& menu : mainfrm().menus) {
    EXPECT_EQ(menu.caption.find('&'), std::string_view::npos);
    for (const MenuItemRow& item : menu.items) {
      EXPECT_TRUE(ids.insert(item.id).second) << item.name;
      EXPECT_EQ(item.caption.find('&'), std::string_view::npos) << item.name;
    }
  }
}

// Each twips number and each caption of the windows is written in one source file of the
// programs: a second copy is a place where a change can be forgotten.
TEST(FormTableTest, EachNumberAndCaptionIsWrittenOnce) {
  std::map<std::string, std::string> sources;
  for (const char* folder : {"ui", "app", "tools"}) {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(
             std::filesystem::path(THORNVALE_SOURCE_DIR) / folder)) {
      const std::string extension = entry.path().extension().string();
      if (extension != ".cpp" && extension != ".h") continue;
      std::ifstream in(entry.path());
      std::stringstream text;
      text << in.rdbuf();
      sources[entry.path().lexically_relative(THORNVALE_SOURCE_DIR).generic_string()] = text.str();
    }
  }
  ASSERT_GT(sources.size(), 10u);
  std::set<std::string> numbers;
  std::set<std::string> captions;
  for (const FormTable* form : kForms) {
    for (int n : {form->clientWidth, form->clientHeight, form->startLeft, form->startTop}) {
      numbers.insert(std::to_string(n));
    }
    if (!form->caption.empty()) captions.insert(std::string(form->caption));
    for (const ControlRow& control : form->controls) {
      for (int n : {control.twips.left, control.twips.top, control.twips.width, control.twips.height}) {
        numbers.insert(std::to_string(n));
      }
      if (!control.caption.empty()) captions.insert(std::string(control.caption));
    }
    for (const MenuRow& menu : form->menus) {
      captions.insert(std::string(menu.caption));
      for (const MenuItemRow& item : menu.items) {
        if (!item.caption.empty()) captions.insert(std::string(item.caption));
      }
    }
  }
  // Two digits and fewer say nothing of a layout: 0, 40 and 120 are also every program's.
  const auto inFiles = [&](const std::regex& pattern) {
    std::vector<std::string> files;
    for (const auto& [file, text] : sources) {
      if (std::regex_search(text, pattern)) files.push_back(file);
    }
    return files;
  };
  for (const std::string& number : numbers) {
    if (number.size() < 3 || number == "120") continue;
    const std::vector<std::string> files = inFiles(std::regex("(^|[^0-9A-Za-z_.])" + number + "([^0-9.]|$)"));
    EXPECT_LE(files.size(), 1u) << number << " in " << ::testing::PrintToString(files);
  }
  // The About box's title is a text of its own that is the same word as its menu item's.
  captions.erase("About");
  for (const std::string& caption : captions) {
    const std::vector<std::string> files = inFiles(std::regex("\"" + caption + "\""));
    EXPECT_LE(files.size(), 1u) << caption << " in " << ::testing::PrintToString(files);
  }
}

// The focus starts at the first stop; a run of option buttons is one group and one stop, entered at
// the checked option or, while none is, at the first; the stop after the run ends the group.
TEST(KeyboardTest, TheOptionsAreOneStopEnteredAtTheCheckedOne) {
  EXPECT_EQ(firstStop(mainfrm()), kTextList);
  EXPECT_EQ(firstStop(miscfrm()), kMiscSaveButton);

  std::map<std::string_view, std::pair<bool, bool>> places;
  for (std::size_t i = 0; i < miscfrm().controls.size(); ++i) {
    const KeyboardPlace place = keyboardPlace(miscfrm(), i);
    places[miscfrm().controls[i].name] = {place.stop, place.startsGroup};
  }
  const std::map<std::string_view, std::pair<bool, bool>> expected = {
      {"cmdsave", {true, false}},   {"cmdcancel", {true, false}}, {"Frame1", {false, false}},
      {"lbldebug", {false, false}}, {"opdebuge", {true, true}},   {"opdebugd", {false, false}},
      {"Text1", {true, true}},      {"Label1", {false, false}},
  };
  EXPECT_EQ(places, expected);
  for (std::size_t i = 0; i < mainfrm().controls.size(); ++i) {
    EXPECT_EQ(keyboardPlace(mainfrm(), i).stop, mainfrm().controls[i].tabOrder >= 0) << i;
    EXPECT_FALSE(keyboardPlace(mainfrm(), i).startsGroup) << i;
  }

  struct Case {
    std::set<int> checked;
    int stop;
  };
  const Case cases[] = {{{}, kDebugEnabledOption},
                        {{kDebugEnabledOption}, kDebugEnabledOption},
                        {{kDebugDisabledOption}, kDebugDisabledOption}};
  for (const Case& c : cases) {
    for (const int option : {kDebugEnabledOption, kDebugDisabledOption}) {
      EXPECT_EQ(groupStop(miscfrm(), option, [&](int id) { return c.checked.contains(id); }), c.stop);
    }
  }
  EXPECT_EQ(groupStop(miscfrm(), kHitCount, [](int) { return true; }), kHitCount);
}

TEST(FontRuleTest, OnlyACaptionThatDoesNotFitGetsSmallerAndNeverBelowTheFloor) {
  struct Case {
    const char* name;
    double message;
    double widest;  // the largest size at which the caption fits
    double chosen;
  };
  const Case cases[] = {
      {"fits", 8.25, 100, 8.25},
      {"fits exactly", 8.25, 8.25, 8.25},
      {"a step smaller", 8.25, 7.9, 7.75},
      {"several steps", 8.25, 6.8, 6.75},
      {"never below the floor", 8.25, 3.0, kLegibleFloorPoints},
      {"a message font below the floor stays", 5.0, 1.0, 5.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_DOUBLE_EQ(captionPoints(c.message, [&](double points) { return points <= c.widest; }), c.chosen);
  }
  // An option button's box runs under the next one's circle: its caption has the room up to it.
  EXPECT_EQ(captionRoom(miscfrm(), *findControl(miscfrm(), "opdebuge")), 2160 - 1200);
  EXPECT_EQ(captionRoom(miscfrm(), *findControl(miscfrm(), "opdebugd")), 975);
  EXPECT_EQ(captionRoom(mainfrm(), *findControl(mainfrm(), "Label1")), 3495);
  EXPECT_FALSE(hasCaption(ControlKind::ListBox));
  EXPECT_FALSE(hasCaption(ControlKind::LengthBox));
  EXPECT_TRUE(hasCaption(ControlKind::Label));
  EXPECT_TRUE(hasCaption(ControlKind::OptionButton));
}

TEST(PlacementTest, KeepsTheWindowWhollyOnTheWorkAreaMovingItNoFurtherThanItMust) {
  const ScreenRect work{0, 0, 1280, 720};
  struct Case {
    const char* name;
    ScreenRect frame;
    ScreenRect kept;
  };
  const Case cases[] = {
      {"fits", {301, 241, 456, 350}, {301, 241, 456, 350}},
      {"past the bottom", {301, 500, 456, 350}, {301, 370, 456, 350}},
      {"past the right", {1000, 241, 456, 350}, {824, 241, 456, 350}},
      {"past both", {1000, 500, 456, 350}, {824, 370, 456, 350}},
      {"larger than the screen", {301, 241, 1400, 800}, {0, 0, 1400, 800}},
      {"left of the screen", {-20, -5, 456, 350}, {0, 0, 456, 350}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(keptOnScreen(c.frame, work), c.kept) << c.name;
  }
  // A work area that does not start at the screen's corner (a task bar at the top).
  EXPECT_EQ(keptOnScreen({0, 0, 100, 100}, {0, 40, 800, 560}), (ScreenRect{0, 40, 100, 100}));
}

}  // namespace
}  // namespace thornvale::forms
