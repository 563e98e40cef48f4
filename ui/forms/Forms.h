#pragma once

#include "ui/forms/FormTable.h"

namespace thornvale::forms {

// The IDs of the two windows' controls and menu items: what the presenters name a control by,
// what the Windows windows dispatch on, and what tests drive them by.
enum ControlId : int {
  // mainfrm
  kTxtlst = 101,
  kTxtedit = 102,
  kTxtindex = 103,
  kCmdsave = 104,
  kLabel1 = 105,
  kTxtlength = 106,
  kMnuopen = 201,
  kMnuexit = 202,
  kMnumisc = 203,
  kMnuabout = 204,
  kMnusep1 = 206,
  // miscfrm
  kMiscCmdsave = 301,
  kMiscCmdcancel = 302,
  kFrame1 = 303,
  kLbldebug = 304,
  kOpdebuge = 305,
  kOpdebugd = 306,
  kText1 = 307,
  kMiscLabel1 = 308,
};

// The editor's main window: the list of the 70 texts, the edit box with its two length boxes, the
// save button and the menus.
[[nodiscard]] const FormTable& mainfrm();

// The modal window of the two settings outside the texts.
[[nodiscard]] const FormTable& miscfrm();

}  // namespace thornvale::forms
