// The real dialogs that the program passes to its windows: the message boxes and the common Open
// dialog, shown and answered from their own message loops.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "codec/WideString.h"
#include "tests/support/TestFiles.h"
#include "tests/win32/WindowDriver.h"
#include "ui/win32/Win32Dialogs.h"

namespace thornvale::test::win32 {
namespace {

using thornvale::win32::Win32Dialogs;

// The dialog class of message boxes and of the common dialogs.
constexpr const wchar_t* kDialogClass = L"#32770";
// The file name box of the Open dialog, as the common dialogs number it (cmb13, or edt1).
constexpr int kFileNameCombo = 0x47C;
constexpr int kFileNameEdit = 0x480;
// Whether a message box shows an icon: a static control of the icon kind among its children.
bool showsIcon(HWND box) {
  bool shown = false;
  EnumChildWindows(
      box,
      [](HWND child, LPARAM shown) -> BOOL {
        wchar_t kind[16] = {};
        GetClassNameW(child, kind, 16);
        const bool icon = lstrcmpiW(kind, L"Static") == 0 &&
                          (GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
                          IsWindowVisible(child) && SendMessageW(child, STM_GETICON, 0, 0) != 0;
        if (icon) *reinterpret_cast<bool*>(shown) = true;
        return icon ? FALSE : TRUE;
      },
      reinterpret_cast<LPARAM>(&shown));
  return shown;
}

TEST(Win32DialogsTest, AnErrorIsAStopMessageWithOneButton) {
  struct Case {
    CommandDialogs::Icon icon;
    bool stopIcon;
  };
  for (const Case c : {Case{CommandDialogs::Icon::Stop, true}, Case{CommandDialogs::Icon::None, false}}) {
    const HWND owner = nullptr;
    Win32Dialogs dialogs(owner);
    std::u16string title;
    bool iconShown = false;
    int buttons = 0;
    EXPECT_TRUE(whileModal(
        kDialogClass, [&] { dialogs.message("Error", "Ünïcode and a \"quote\".", c.icon); },
        [&](HWND box) {
          title = textOf(box);
          iconShown = showsIcon(box);
          for (int id : {IDOK, IDCANCEL, IDYES, IDNO}) buttons += GetDlgItem(box, id) != nullptr ? 1 : 0;
          click(GetDlgItem(box, IDOK));
        }));
    EXPECT_EQ(title, u"Error");
    EXPECT_EQ(iconShown, c.stopIcon);
    EXPECT_EQ(buttons, 1);
  }
}

TEST(Win32DialogsTest, TheOpenDialogStartsInTheFolderAskedAndACancelChoosesNothing) {
  TempDir dir;
  const std::string image = dir.file("spïel.nes");
  writeBytes(image, Bytes(16, 0));
  const CommandDialogs::OpenRequest request{
      "Open a Thornvale PRG0 U NES Rom", {{"nes (*.nes)", "*.nes"}}, utf8Path(dir.path())};
  const HWND owner = nullptr;
  Win32Dialogs dialogs(owner);

  std::u16string title;
  std::string chosen = "not asked";
  EXPECT_TRUE(whileModal(
      kDialogClass, [&] { chosen = dialogs.openFile(request); },
      [&](HWND dialog) {
        title = textOf(dialog);
        SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
      }));
  EXPECT_EQ(title, u"Open a Thornvale PRG0 U NES Rom");
  EXPECT_EQ(chosen, "");

  // A bare name is found in the folder the dialog starts in; a whole path anywhere.
  for (const std::string& typed : {std::string("spïel.nes"), image}) {
    SCOPED_TRACE(typed);
    EXPECT_TRUE(whileModal(
        kDialogClass, [&] { chosen = dialogs.openFile(request); },
        [&](HWND dialog) {
          HWND box = GetDlgItem(dialog, kFileNameCombo);
          if (box == nullptr) box = GetDlgItem(dialog, kFileNameEdit);
          ASSERT_NE(box, nullptr);
          const std::wstring wide = windows::widen(typed).value();
          SetWindowTextW(box, wide.c_str());
          SendMessageW(dialog, WM_COMMAND, IDOK, 0);
        }));
    EXPECT_TRUE(std::filesystem::equivalent(fsPath(chosen), fsPath(image))) << chosen;
  }
}

// A box belongs to the window that asked for it, also while another window is the active one: an
// unowned box, or one owned by the wrong window, can open behind the window it is about.
TEST(Win32DialogsTest, ABoxIsOwnedByTheWindowThatAskedNotByTheActiveOne) {
  const auto topLevel = [](const wchar_t* caption) {
    return CreateWindowExW(0, L"STATIC", caption, WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 10, 10, 200, 100,
                           nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  };
  const HWND asking = topLevel(L"asking");
  const HWND other = topLevel(L"other");
  SetForegroundWindow(other);
  SetActiveWindow(other);
  Win32Dialogs dialogs(asking);
  const CommandDialogs::OpenRequest request{"Open", {{"nes (*.nes)", "*.nes"}}, ""};
  const std::function<void()> asks[] = {[&] { dialogs.message("Error", "Why.", CommandDialogs::Icon::Stop); },
                                        [&] { (void)dialogs.openFile(request); }};
  for (const auto& ask : asks) {
    HWND owner = nullptr;
    EXPECT_TRUE(whileModal(kDialogClass, ask, [&](HWND box) {
      owner = GetWindow(box, GW_OWNER);
      SendMessageW(box, WM_COMMAND, IDCANCEL, 0);
    }));
    EXPECT_EQ(owner, asking);
  }
  DestroyWindow(other);
  DestroyWindow(asking);
}

}  // namespace
}  // namespace thornvale::test::win32
