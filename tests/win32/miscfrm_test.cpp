// The Windows misc data window, driven through its real controls by their IDs under Wine.

#include <gtest/gtest.h>

#include "catalogue/MiscData.h"
#include "codec/WideString.h"
#include "tests/win32/EditorWindowFixture.h"
#include "ui/forms/Forms.h"
#include "ui/win32/miscfrm.h"

namespace thornvale::test::win32 {
namespace {

using namespace thornvale::win32;
using thornvale::forms::kMiscDataItem;
using thornvale::forms::kMiscSaveButton;
using thornvale::forms::kMiscCancelButton;
using thornvale::forms::kMiscFrame;
using thornvale::forms::kDebugMenuLabel;
using thornvale::forms::kDebugEnabledOption;
using thornvale::forms::kDebugDisabledOption;
using thornvale::forms::kHitCount;
using thornvale::forms::kHitCountLabel;

bool checked(HWND button) { return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

class MiscWindowTest : public EditorWindowTest {
 protected:
  void openWith(std::uint8_t debugMenu, std::uint8_t hitCount) {
    image[kDebugMenuOffset] = debugMenu;
    image[kHitCountOffset] = hitCount;
    writeBytes(imagePath, image);
    open(imagePath);
  }
  // Edit, Misc Data; `drive` runs while the window is shown, with the window's controls.
  bool showMisc(const std::function<void(HWND)>& drive) {
    return whileModal(
        miscfrm::kClassName, [&] { chooseMenuItem(window.hwnd(), kMiscDataItem); }, drive);
  }
};

TEST_F(MiscWindowTest, IsModalWithItsCaptionLayoutAndOneGroupOfOptions) {
  openWith(0x35, 3);
  bool wasModal = false;
  const bool shown = showMisc([&](HWND form) {
    wasModal = !IsWindowEnabled(window.hwnd()) && GetWindow(form, GW_OWNER) == window.hwnd();
    EXPECT_EQ(textOf(form), u"Misc Data Editor");
    const UINT dpi = GetDpiForWindow(form);
    RECT client{};
    GetClientRect(form, &client);
    EXPECT_EQ(client.right, MulDiv(8070, static_cast<int>(dpi), 1440));
    EXPECT_EQ(client.bottom, MulDiv(4755, static_cast<int>(dpi), 1440));
    const LONG_PTR style = GetWindowLongPtrW(form, GWL_STYLE);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
    EXPECT_EQ(textOf(GetDlgItem(form, kMiscFrame)), u"Misc Data");
    EXPECT_EQ(GetWindowLongPtrW(GetDlgItem(form, kMiscFrame), GWL_STYLE) & BS_TYPEMASK, BS_GROUPBOX);
    EXPECT_EQ(textOf(GetDlgItem(form, kDebugMenuLabel)), u"Debug Menu :");
    EXPECT_EQ(textOf(GetDlgItem(form, kHitCountLabel)), u"Hits to Kill a Grumkin:");
    // Inside the frame, the controls stand by the frame's own place.
    RECT frame = placeOf(GetDlgItem(form, kMiscFrame));
    RECT text1 = placeOf(GetDlgItem(form, kHitCount));
    EXPECT_EQ(text1.left - frame.left, MulDiv(5160, static_cast<int>(dpi), 1440));

    // The two option buttons are one group: choosing one clears the other.
    HWND enabled = GetDlgItem(form, kDebugEnabledOption);
    HWND disabled = GetDlgItem(form, kDebugDisabledOption);
    EXPECT_TRUE(checked(disabled));
    EXPECT_EQ(GetNextDlgGroupItem(form, enabled, FALSE), disabled);
    EXPECT_EQ(GetNextDlgGroupItem(form, disabled, FALSE), enabled);
    click(enabled);
    EXPECT_TRUE(checked(enabled));
    EXPECT_FALSE(checked(disabled));
    click(GetDlgItem(form, kMiscCancelButton));
  });
  EXPECT_TRUE(shown);
  EXPECT_TRUE(wasModal);
  EXPECT_TRUE(IsWindowEnabled(window.hwnd()));
  EXPECT_EQ(readBytes(imagePath), image);
}

// The short captions and the hit-count box keep the message font; the captions too long for their
// room are smaller, never below the floor.
TEST_F(MiscWindowTest, ShortCaptionsKeepTheMessageFont) {
  openWith(0x35, 3);
  miscfrm form(window.hwnd(), window.presenter.FileName, &dialogs);
  const UINT dpi = GetDpiForWindow(form.hwnd());
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  ASSERT_TRUE(SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi));
  const auto heightOf = [](HWND control) {
    LOGFONTW face{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof face, &face);
    return face.lfHeight;
  };
  for (HWND control : {form.Frame1, form.cmdsave, form.cmdcancel, form.Text1}) {
    EXPECT_EQ(heightOf(control), metrics.lfMessageFont.lfHeight) << GetDlgCtrlID(control);
  }
  for (HWND control : {form.lbldebug, form.opdebuge, form.opdebugd, form.Label1}) {
    EXPECT_GE(heightOf(control), metrics.lfMessageFont.lfHeight) << GetDlgCtrlID(control);
    EXPECT_LE(heightOf(control), -MulDiv(6, static_cast<int>(dpi), 72)) << GetDlgCtrlID(control);
  }
}

TEST_F(MiscWindowTest, SaveWritesTheTwoBytesAndCancelWritesNothing) {
  openWith(0x35, 3);
  EXPECT_TRUE(showMisc([&](HWND form) {
    click(GetDlgItem(form, kDebugEnabledOption));
    retype(GetDlgItem(form, kHitCount), u"9");
    click(GetDlgItem(form, kMiscCancelButton));
  }));
  EXPECT_EQ(readBytes(imagePath), image);

  EXPECT_TRUE(showMisc([&](HWND form) {
    click(GetDlgItem(form, kDebugEnabledOption));
    retype(GetDlgItem(form, kHitCount), u"9");
    click(GetDlgItem(form, kMiscSaveButton));
  }));
  Bytes saved = image;
  saved[kDebugMenuOffset] = kDebugMenuEnabled;
  saved[kHitCountOffset] = 9;
  EXPECT_EQ(readBytes(imagePath), saved);
  EXPECT_TRUE(dialogs.messages.empty());

  // Shown again, it reads the file as it now stands.
  EXPECT_TRUE(showMisc([&](HWND form) {
    EXPECT_TRUE(checked(GetDlgItem(form, kDebugEnabledOption)));
    EXPECT_EQ(textOf(GetDlgItem(form, kHitCount)), u"9");
    SendMessageW(form, WM_CLOSE, 0, 0);
  }));
}

// Neither button is the default or the cancel button: Enter saves nothing, and Escape closes the
// window like its close box, writing nothing.
TEST_F(MiscWindowTest, EnterSavesNothingAndEscapeCloses) {
  openWith(0x35, 3);
  miscfrm form(window.hwnd(), window.presenter.FileName, &dialogs);
  ASSERT_TRUE(form.presenter().Form_Load(dialogs));
  ShowWindow(form.hwnd(), SW_SHOW);
  click(form.opdebuge);
  retype(form.Text1, u"7");
  SetFocus(form.Text1);
  for (const UINT key : {VK_RETURN, VK_ESCAPE}) {
    MSG press{form.Text1, WM_KEYDOWN, key, 1, 0, {}};
    if (!IsDialogMessageW(form.hwnd(), &press)) DispatchMessageW(&press);
    EXPECT_EQ(form.closed(), key == VK_ESCAPE);
  }
  EXPECT_EQ(readBytes(imagePath), image);
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(MiscWindowTest, AFileThatWentAwayIsReportedAndTheWindowNotShown) {
  openWith(0x35, 3);
  std::filesystem::rename(fsPath(imagePath), fsPath(imagePath + ".moved"));
  EXPECT_FALSE(showMisc([](HWND form) { SendMessageW(form, WM_CLOSE, 0, 0); }));
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_NE(dialogs.messages[0].text.find(imagePath), std::string::npos);
  EXPECT_TRUE(IsWindowEnabled(window.hwnd()));
  EXPECT_EQ(readBytes(imagePath + ".moved"), image);
}

}  // namespace
}  // namespace thornvale::test::win32
