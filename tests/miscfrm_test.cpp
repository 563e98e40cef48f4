#include "ui/qt/miscfrm.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <filesystem>
#include <optional>
#include <string_view>

#include "catalogue/MiscData.h"
#include "tests/support/EditorFixture.h"
#include "ui/forms/MiscCommands.h"
#include "ui/qt/Twips.h"

namespace thornvale {
namespace {

using test::Bytes;

template <class T>
T* part(miscfrm& form, const char* name) {
  return test::controlIn<T>(form, name);
}

void click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

void retypeBox(QLineEdit* box, const QString& text) {
  box->selectAll();
  QTest::keyClick(box, Qt::Key_Backspace);
  test::typeText(box, text);
}

class MiscWindowTest : public test::EditorFixture {
 protected:
  // An image with the two bytes set, opened in the main window.
  void openWith(std::uint8_t debugMenu, std::uint8_t hitCount) {
    image[kDebugMenuOffset] = debugMenu;
    image[kHitCountOffset] = hitCount;
    test::writeBytes(imagePath, image);
    open(imagePath);
  }
};

TEST_F(MiscWindowTest, HasItsCaptionLayoutAndKeyboardOrder) {
  open(imagePath);
  const bool leftOpen = showMisc([&](miscfrm& form) {
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Misc Data Editor"));
    EXPECT_TRUE(form.isModal());
    const Twips twips(form.screen());
    const auto rect = [&](QRect t) { return twips.rect(t.x(), t.y(), t.width(), t.height()); };
    EXPECT_EQ(form.size(), twips.size(8070, 4755));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    EXPECT_FALSE(form.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(form.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(form.windowFlags().testFlag(Qt::WindowCloseButtonHint));

    struct Place {
      const char* name;
      QRect twips;
      const char* parent;
      QString caption;
    };
    const Place places[] = {
        {"Frame1", {120, 120, 7815, 4095}, "miscfrm", "Misc Data"},
        {"lbldebug", {120, 240, 1095, 255}, "Frame1", "Debug Menu :"},
        {"opdebuge", {1200, 240, 1215, 195}, "Frame1", "Enabled"},
        {"opdebugd", {2160, 240, 975, 195}, "Frame1", "Disabled"},
        {"Label1", {3480, 240, 1695, 255}, "Frame1", "Hits to Kill a Grumkin:"},
        {"Text1", {5160, 205, 735, 285}, "Frame1", ""},
        {"cmdsave", {2880, 4320, 975, 375}, "miscfrm", "Save"},
        {"cmdcancel", {4320, 4320, 975, 375}, "miscfrm", "Cancel"},
    };
    for (const Place& place : places) {
      QWidget* widget = part<QWidget>(form, place.name);
      EXPECT_EQ(widget->geometry(), rect(place.twips)) << place.name;
      EXPECT_EQ(widget->parentWidget()->objectName(), QString::fromLatin1(place.parent)) << place.name;
      QString caption;
      if (auto* box = qobject_cast<QGroupBox*>(widget)) caption = box->title();
      if (auto* label = qobject_cast<QLabel*>(widget)) caption = label->text();
      if (auto* button = qobject_cast<QAbstractButton*>(widget)) caption = button->text();
      if (!place.caption.isEmpty()) {
        EXPECT_EQ(caption, place.caption) << place.name;
      }
    }
    test::expectCaptionsFit(&form);
    for (const char* name : {"cmdsave", "cmdcancel"}) {
      EXPECT_FALSE(part<QPushButton>(form, name)->isDefault()) << name;
      EXPECT_FALSE(part<QPushButton>(form, name)->autoDefault()) << name;
    }

    QApplication::setActiveWindow(&form);
    EXPECT_EQ(form.focusWidget(), part<QWidget>(form, "cmdsave"));
    // The two options are one group and so one stop of the keyboard order, as option buttons
    // are on every desktop, at the selected one ("Disabled" in the sample); the arrow keys move
    // between them.
    for (const char* next : {"cmdcancel", "opdebugd", "Text1", "cmdsave"}) {
      QTest::keyClick(form.focusWidget(), Qt::Key_Tab);
      EXPECT_EQ(form.focusWidget(), part<QWidget>(form, next)) << next;
    }
    // The main window takes no input while this one is shown.
    EXPECT_EQ(QApplication::activeModalWidget(), &form);
    click(part<QPushButton>(form, "cmdcancel"));
  });
  EXPECT_FALSE(leftOpen);
}

struct Shown {
  const char* name;
  std::uint8_t debugMenu;
  std::uint8_t hitCount;
  bool enabled;
  bool disabled;
  const char* hits;
};

void PrintTo(const Shown& c, std::ostream* out) { *out << c.name; }

class MiscShowTest : public MiscWindowTest, public ::testing::WithParamInterface<Shown> {};

TEST_P(MiscShowTest, ShowsBothBytesAndCancelWritesNothing) {
  openWith(GetParam().debugMenu, GetParam().hitCount);
  const bool leftOpen = showMisc([&](miscfrm& form) {
    EXPECT_EQ(part<QRadioButton>(form, "opdebuge")->isChecked(), GetParam().enabled);
    EXPECT_EQ(part<QRadioButton>(form, "opdebugd")->isChecked(), GetParam().disabled);
    EXPECT_EQ(part<QLineEdit>(form, "Text1")->text(), QString::fromLatin1(GetParam().hits));
    click(part<QRadioButton>(form, GetParam().enabled ? "opdebugd" : "opdebuge"));
    retypeBox(part<QLineEdit>(form, "Text1"), QStringLiteral("77"));
    click(part<QPushButton>(form, "cmdcancel"));
  });
  EXPECT_FALSE(leftOpen);
  EXPECT_EQ(test::readBytes(imagePath), image);
  EXPECT_TRUE(dialogs.messages.empty());

  // Shown again, it shows the file, not what was typed before.
  showMisc([&](miscfrm& form) {
    EXPECT_EQ(part<QLineEdit>(form, "Text1")->text(), QString::fromLatin1(GetParam().hits));
    EXPECT_EQ(part<QRadioButton>(form, "opdebuge")->isChecked(), GetParam().enabled);
  });
}

INSTANTIATE_TEST_SUITE_P(Bytes, MiscShowTest,
                         ::testing::Values(Shown{"Disabled", 0x35, 3, false, true, "3"},
                                           Shown{"Enabled", 0xCC, 0, true, false, "0"},
                                           Shown{"Zero", 0x00, 255, false, false, "255"},
                                           Shown{"BelowDisabled", 0x34, 3, false, false, "3"},
                                           Shown{"AboveEnabled", 0xCD, 100, false, false, "100"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct Saved {
  const char* name;
  std::uint8_t debugBefore;
  const char* choose;  // option to click, or nullptr
  const char* hits;
  std::uint8_t debugAfter;
  std::uint8_t hitsAfter;
};
void PrintTo(const Saved& c, std::ostream* out) { *out << c.name; }

class MiscSaveTest : public MiscWindowTest, public ::testing::WithParamInterface<Saved> {};

TEST_P(MiscSaveTest, WritesBothValuesAndCloses) {
  openWith(GetParam().debugBefore, 3);
  const bool leftOpen = showMisc([&](miscfrm& form) {
    if (GetParam().choose != nullptr) click(part<QRadioButton>(form, GetParam().choose));
    retypeBox(part<QLineEdit>(form, "Text1"), QString::fromLatin1(GetParam().hits));
    click(part<QPushButton>(form, "cmdsave"));
  });
  EXPECT_FALSE(leftOpen);
  EXPECT_TRUE(dialogs.messages.empty());
  Bytes expected = image;
  expected[kDebugMenuOffset] = GetParam().debugAfter;
  expected[kHitCountOffset] = GetParam().hitsAfter;
  EXPECT_EQ(test::readBytes(imagePath), expected);
}

INSTANTIATE_TEST_SUITE_P(Saves, MiscSaveTest,
                         ::testing::Values(Saved{"EnableAndMoreHits", 0x35, "opdebuge", "200", 0xCC, 200},
                                           Saved{"DisableWithBlanksAround", 0xCC, "opdebugd", " 7 ", 0x35, 7},
                                           Saved{"KeepsAnUndefinedDebugByte", 0x00, nullptr, "255", 0x00,
                                                 255},
                                           Saved{"ZeroHits", 0x35, nullptr, "0", 0x35, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

class MiscRefusalTest : public MiscWindowTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(MiscRefusalTest, RefusesAHitCountThatIsNoByteAndStaysOpen) {
  openWith(0x35, 3);
  const bool leftOpen = showMisc([&](miscfrm& form) {
    click(part<QRadioButton>(form, "opdebuge"));
    retypeBox(part<QLineEdit>(form, "Text1"), QString::fromUtf8(GetParam()));
    click(part<QPushButton>(form, "cmdsave"));
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(test::readBytes(imagePath), image);
    click(part<QPushButton>(form, "cmdcancel"));
  });
  EXPECT_FALSE(leftOpen);
  dialogs.expectOneError(hitCountRefusal().message);
  EXPECT_EQ(test::readBytes(imagePath), image);
}

INSTANTIATE_TEST_SUITE_P(HitCounts, MiscRefusalTest,
                         ::testing::Values("256", "-1", "", "abc", "3.5", "1e2", "\u0663"),
                         [](const auto& info) { return "Case" + std::to_string(info.index); });

// An image too short for a byte shows it as empty and never writes past its end.
TEST_F(MiscWindowTest, ShowsNothingForBytesPastTheEndAndNeverWritesThere) {
  Bytes shortImage(kHitCountOffset + 100, 0x07);
  shortImage[kHitCountOffset] = 3;
  test::writeBytes(imagePath, shortImage);
  open(imagePath);

  bool leftOpen = showMisc([&](miscfrm& form) {
    EXPECT_FALSE(part<QRadioButton>(form, "opdebuge")->isChecked());
    EXPECT_FALSE(part<QRadioButton>(form, "opdebugd")->isChecked());
    EXPECT_EQ(part<QLineEdit>(form, "Text1")->text(), QStringLiteral("3"));
    retypeBox(part<QLineEdit>(form, "Text1"), QStringLiteral("9"));
    click(part<QPushButton>(form, "cmdsave"));
  });
  EXPECT_FALSE(leftOpen);
  shortImage[kHitCountOffset] = 9;
  EXPECT_EQ(test::readBytes(imagePath), shortImage);

  // Asking for the debug menu all the same is refused by the file, and nothing is written.
  leftOpen = showMisc([&](miscfrm& form) {
    click(part<QRadioButton>(form, "opdebuge"));
    retypeBox(part<QLineEdit>(form, "Text1"), QStringLiteral("4"));
    click(part<QPushButton>(form, "cmdsave"));
  });
  EXPECT_TRUE(leftOpen);
  dialogs.expectOneFileError(imagePath, "");
  EXPECT_EQ(test::readBytes(imagePath), shortImage);

  // Shorter still: both boxes empty, and an empty hit count is no reason to refuse.
  dialogs.messages.clear();
  const Bytes tiny(kHitCountOffset, 0x07);
  test::writeBytes(imagePath, tiny);
  leftOpen = showMisc([&](miscfrm& form) {
    EXPECT_EQ(part<QLineEdit>(form, "Text1")->text(), QString());
    EXPECT_FALSE(part<QRadioButton>(form, "opdebuge")->isChecked());
    EXPECT_FALSE(part<QRadioButton>(form, "opdebugd")->isChecked());
    click(part<QPushButton>(form, "cmdsave"));
  });
  EXPECT_FALSE(leftOpen);
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(test::readBytes(imagePath), tiny);
}

struct LoadFailure {
  const char* name;
  std::function<void(const std::string&)> spoil;
  const char* reason;
};
void PrintTo(const LoadFailure& c, std::ostream* out) { *out << c.name; }

class MiscLoadFailureTest : public MiscWindowTest, public ::testing::WithParamInterface<LoadFailure> {};

TEST_P(MiscLoadFailureTest, ShowsTheErrorInsteadOfTheWindow) {
  open(imagePath);
  GetParam().spoil(imagePath);
  test::ObeyPermissions obey;
  expectMiscNotShown();
  dialogs.expectOneFileError(imagePath, GetParam().reason);
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(lines().size(), 70);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, MiscLoadFailureTest,
    ::testing::Values(LoadFailure{"Vanished", [](const std::string& path) { std::filesystem::remove(path); },
                                  "No such file or directory"},
                      LoadFailure{"Unreadable",
                                  [](const std::string& path) {
                                    std::filesystem::permissions(path, std::filesystem::perms::none);
                                  },
                                  "Permission denied"}),
    [](const auto& info) { return std::string(info.param.name); });

// A file that cannot be written: the window stays, nothing changes.
TEST_F(MiscWindowTest, ShowsAWriteErrorAndStaysOpen) {
  openWith(0x35, 3);
  std::filesystem::permissions(imagePath, std::filesystem::perms::owner_read);
  test::ObeyPermissions obey;
  const bool leftOpen = showMisc([&](miscfrm& form) {
    click(part<QRadioButton>(form, "opdebuge"));
    click(part<QPushButton>(form, "cmdsave"));
  });
  EXPECT_TRUE(leftOpen);
  dialogs.expectOneFileError(imagePath, "Permission denied");
  EXPECT_EQ(test::readBytes(imagePath), image);
}

// The frame's caption stands in its line, and the row of controls lies inside the frame, clear
// of the line, with each option's circle whole; the small-screen and twice-the-scale runs of
// these tests check the same.
TEST_F(MiscWindowTest, TheFramesCaptionIsInItsLineAndTheRowClearOfIt) {
  open(imagePath);
  showMisc([&](miscfrm& form) {
    auto* frame = part<QGroupBox>(form, "Frame1");
    const QImage image = frame->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const qreal ratio = image.devicePixelRatio();
    const QRgb background = image.pixel(image.width() / 2, image.height() / 2);
    const auto differs = [&](int x, int y) {
      const QRgb p = image.pixel(x, y);
      return std::abs(qRed(p) - qRed(background)) + std::abs(qGreen(p) - qGreen(background)) +
                 std::abs(qBlue(p) - qBlue(background)) >
             30;
    };
    // The top line, found at the right, where no caption is.
    int line = 0;
    while (line < image.height() / 2 && !differs(image.width() - qRound(10 * ratio), line)) ++line;
    ASSERT_LT(line, image.height() / 2) << "no frame line";

    // The caption, at the left, reaches above and below the line, and the line stops for it.
    const int captionRight = qRound(frame->fontMetrics().horizontalAdvance(frame->title()) * ratio);
    bool above = false;
    bool below = false;
    int gaps = 0;
    const int rowTop = qRound(part<QWidget>(form, "lbldebug")->y() * ratio);
    for (int x = qRound(6 * ratio); x < captionRight; ++x) {
      for (int y = 0; y < std::min(rowTop, line + qRound(20 * ratio)); ++y) {
        if (!differs(x, y)) continue;
        above = above || y < line - 1;
        below = below || y > line + 1;
      }
      if (!differs(x, line)) ++gaps;
    }
    EXPECT_TRUE(above && below) << "the caption is not in the frame's line " << line;
    EXPECT_GT(gaps, 0) << "the line runs through the caption";

    for (const char* name : {"lbldebug", "opdebuge", "opdebugd", "Label1", "Text1"}) {
      const QRect place = part<QWidget>(form, name)->geometry();
      EXPECT_GT(place.top() * ratio, line + 1) << name << " is not clear of the line";
      EXPECT_TRUE(frame->rect().adjusted(2, 2, -2, -2).contains(place)) << name;
    }
    for (const char* name : {"opdebuge", "opdebugd"}) {
      auto* option = part<QRadioButton>(form, name);
      QStyleOptionButton look;
      look.initFrom(option);
      const QRect circle = option->style()->subElementRect(QStyle::SE_RadioButtonIndicator, &look, option);
      EXPECT_TRUE(option->rect().contains(circle)) << name << " has its circle cut off";
    }
  });
}

// Tab reaches the selected option button, whichever it is; with none selected, the first.
TEST_F(MiscWindowTest, TabReachesTheSelectedOption) {
  const std::pair<std::uint8_t, const char*> cases[] = {
      {kDebugMenuDisabled, "opdebugd"}, {kDebugMenuEnabled, "opdebuge"}, {0x00, "opdebuge"}};
  for (const auto& [byte, stop] : cases) {
    openWith(byte, 3);
    showMisc([&](miscfrm& form) {
      QApplication::setActiveWindow(&form);
      part<QWidget>(form, "cmdcancel")->setFocus(Qt::TabFocusReason);
      QTest::keyClick(form.focusWidget(), Qt::Key_Tab);
      EXPECT_EQ(form.focusWidget(), part<QWidget>(form, stop)) << int{byte};
      QTest::keyClick(form.focusWidget(), Qt::Key_Tab);
      EXPECT_EQ(form.focusWidget(), part<QWidget>(form, "Text1")) << int{byte};
      QTest::keyClick(form.focusWidget(), Qt::Key_Backtab);
      EXPECT_EQ(form.focusWidget(), part<QWidget>(form, stop)) << int{byte};
      // With one selected, an arrow key selects the other, and the Tab stop goes with it.
      if (byte == 0x00) return;
      const bool first = std::string_view(stop) == "opdebuge";
      const char* other = first ? "opdebugd" : "opdebuge";
      QTest::keyClick(form.focusWidget(), first ? Qt::Key_Right : Qt::Key_Left);
      EXPECT_EQ(form.focusWidget(), part<QWidget>(form, other)) << int{byte};
      EXPECT_TRUE(part<QRadioButton>(form, other)->isChecked()) << int{byte};
      QTest::keyClick(form.focusWidget(), Qt::Key_Tab);
      QTest::keyClick(form.focusWidget(), Qt::Key_Backtab);
      EXPECT_EQ(form.focusWidget(), part<QWidget>(form, other)) << int{byte};
    });
  }
}

// Enter presses the focused button; in the hit-count box it does nothing.
TEST_F(MiscWindowTest, EnterPressesTheFocusedButton) {
  for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
    const Qt::KeyboardModifiers modifiers = key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier;
    openWith(kDebugMenuDisabled, 3);
    const bool leftOpen = showMisc([&](miscfrm& form) {
      auto* hits = part<QLineEdit>(form, "Text1");
      retypeBox(hits, QStringLiteral("9"));
      QTest::keyClick(hits, key, modifiers);
      EXPECT_TRUE(form.isVisible());
      auto* cancel = part<QPushButton>(form, "cmdcancel");
      cancel->setFocus();
      QTest::keyClick(cancel, key, modifiers);
      EXPECT_FALSE(form.isVisible());
    });
    EXPECT_FALSE(leftOpen);
    EXPECT_EQ(test::readBytes(imagePath), image);

    showMisc([&](miscfrm& form) {
      retypeBox(part<QLineEdit>(form, "Text1"), QStringLiteral("9"));
      auto* save = part<QPushButton>(form, "cmdsave");
      save->setFocus();
      QTest::keyClick(save, key, modifiers);
      EXPECT_FALSE(form.isVisible());
    });
    Bytes expected = image;
    expected[kHitCountOffset] = 9;
    EXPECT_EQ(test::readBytes(imagePath), expected);
  }
}

// Escape and the close box close the window like Cancel, writing nothing.
TEST_F(MiscWindowTest, EscapeAndTheCloseBoxCloseWritingNothing) {
  for (const bool escape : {true, false}) {
    openWith(kDebugMenuDisabled, 3);
    const bool leftOpen = showMisc([&](miscfrm& form) {
      click(part<QRadioButton>(form, "opdebuge"));
      auto* hits = part<QLineEdit>(form, "Text1");
      retypeBox(hits, QStringLiteral("9"));
      if (escape) {
        QTest::keyClick(hits, Qt::Key_Escape);
      } else {
        form.close();
      }
      EXPECT_FALSE(form.isVisible()) << escape;
    });
    EXPECT_FALSE(leftOpen);
    EXPECT_EQ(test::readBytes(imagePath), image);
  }
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(MiscWindowTest, TheHitCountBoxHasAnAccessibleName) {
  open(imagePath);
  showMisc([&](miscfrm& form) {
    test::expectAccessibleName(part<QWidget>(form, "Text1"), QStringLiteral("Hits to kill a Grumkin"));
  });
}

}  // namespace
}  // namespace thornvale
