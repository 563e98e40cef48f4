#include "ui/forms/Forms.h"

#include <array>

namespace thornvale::forms {
namespace {

using enum ControlKind;

// In the order the controls are made: the order their keyboard stops follow.
constexpr std::array<ControlRow, 6> kMainControls = {{
    {kTextList,
     "txtlst",
     ListBox,
     "",
     {0, 0, 6735, 3180},
     0,
     "Texts",
     "The 70 texts of the image, one a line; select one to edit it",
     ""},
    {kEditedText,
     "txtedit",
     TextBox,
     "",
     {40, 3240, 6255, 285},
     1,
     "Text",
     "The selected text, to edit; a save takes it only at its stored length",
     ""},
    {kStoredLength,
     "txtindex",
     LengthBox,
     "",
     {6360, 3240, 375, 285},
     -1,
     "Stored length",
     "Characters of the selected text as stored",
     ""},
    {kSaveButton, "cmdsave", CommandButton, "Save Selected Text", {2520, 3960, 1695, 375}, 2, "", "", ""},
    {kSaveReminder,
     "Label1",
     Label,
     "Make sure to save after ever text entry you edit.",
     {1680, 3600, 3495, 255},
     -1,
     "",
     "",
     ""},
    {kEditedLength,
     "txtlength",
     LengthBox,
     "",
     {6360, 3600, 375, 285},
     -1,
     "Current length",
     "Characters of the text being edited",
     ""},
}};

// No access keys and no shortcuts: no '&' in any caption.
constexpr std::array<MenuItemRow, 3> kFileItems = {{
    {kOpenItem, "mnuopen", "Open"},
    {kFileSeparator, "mnusep1", ""},
    {kExitItem, "mnuexit", "Exit"},
}};
constexpr std::array<MenuItemRow, 1> kEditItems = {{{kMiscDataItem, "mnumisc", "Misc Data"}}};
constexpr std::array<MenuItemRow, 1> kHelpItems = {{{kAboutItem, "mnuabout", "About"}}};
constexpr std::array<MenuRow, 3> kMainMenus = {{
    {"mnufile", "File", true, kFileItems},
    {"mnuedit", "Edit", false, kEditItems},
    {"mnuhelp", "Help", true, kHelpItems},
}};

constexpr FormTable kMainForm{"mainfrm", "", 6750, 4395, true, 4515, 3615, kMainControls, kMainMenus};

// The buttons come first in the keyboard order; the two options are one stop, at the selected one.
constexpr std::array<ControlRow, 8> kMiscControls = {{
    {kMiscSaveButton, "cmdsave", CommandButton, "Save", {2880, 4320, 975, 375}, 0, "", "", ""},
    {kMiscCancelButton, "cmdcancel", CommandButton, "Cancel", {4320, 4320, 975, 375}, 1, "", "", ""},
    {kMiscFrame, "Frame1", Frame, "Misc Data", {120, 120, 7815, 4095}, -1, "", "", ""},
    {kDebugMenuLabel, "lbldebug", Label, "Debug Menu :", {120, 240, 1095, 255}, -1, "", "", "Frame1"},
    {kDebugEnabledOption, "opdebuge", OptionButton, "Enabled", {1200, 240, 1215, 195}, 2, "", "", "Frame1"},
    {kDebugDisabledOption, "opdebugd", OptionButton, "Disabled", {2160, 240, 975, 195}, 3, "", "", "Frame1"},
    {kHitCount,
     "Text1",
     TextBox,
     "Text1",
     {5160, 205, 735, 285},
     4,
     "Hits to kill a Grumkin",
     "How many hits a Grumkin takes, a whole number from 0 to 255",
     "Frame1"},
    {kHitCountLabel,
     "Label1",
     Label,
     "Hits to Kill a Grumkin:",
     {3480, 240, 1695, 255},
     -1,
     "",
     "",
     "Frame1"},
}};

constexpr FormTable kMiscForm{"miscfrm", "Misc Data Editor", 8070, 4755, false, 0, 0, kMiscControls, {}};

}  // namespace

const FormTable& mainfrm() { return kMainForm; }

const FormTable& miscfrm() { return kMiscForm; }

}  // namespace thornvale::forms
