#pragma once

// The control and menu IDs of the two windows: what the windows dispatch on, and what tests
// drive them by.
namespace thornvale::win32 {

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

}  // namespace thornvale::win32
