#pragma once

#include "ui/forms/FormTable.h"

namespace thornvale::forms {

// The IDs of the two windows' controls and menu items: what the presenters name a control by,
// what the Windows windows dispatch on, and what tests drive them by. Each says what its control
// holds or does; the control's own name, as the handlers and object names use it, stands beside.
enum ControlId : int {
  // mainfrm
  kTextList = 101,       // txtlst
  kEditedText = 102,     // txtedit
  kStoredLength = 103,   // txtindex: the selected text's length as stored
  kSaveButton = 104,     // cmdsave
  kSaveReminder = 105,   // Label1
  kEditedLength = 106,   // txtlength: the edited text's length
  kOpenItem = 201,       // mnuopen
  kExitItem = 202,       // mnuexit
  kMiscDataItem = 203,   // mnumisc
  kAboutItem = 204,      // mnuabout
  kFileSeparator = 206,  // mnusep1
  // miscfrm
  kMiscSaveButton = 301,       // cmdsave
  kMiscCancelButton = 302,     // cmdcancel
  kMiscFrame = 303,            // Frame1
  kDebugMenuLabel = 304,       // lbldebug
  kDebugEnabledOption = 305,   // opdebuge
  kDebugDisabledOption = 306,  // opdebugd
  kHitCount = 307,             // Text1: the hits a Grumkin takes
  kHitCountLabel = 308,        // Label1
};

// The editor's main window: the list of the 70 texts, the edit box with its two length boxes, the
// save button and the menus.
[[nodiscard]] const FormTable& mainfrm();

// The modal window of the two settings outside the texts.
[[nodiscard]] const FormTable& miscfrm();

}  // namespace thornvale::forms
