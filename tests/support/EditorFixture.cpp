#include "tests/support/EditorFixture.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QHash>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "ui/qt/miscfrm.h"

namespace thornvale::test {

EditorFixture::EditorFixture() {
  window.show();
  QApplication::setActiveWindow(&window);
  EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
}

EditorFixture::~EditorFixture() {
  // Whatever a test did, no modal window may outlive it.
  while (QWidget* modal = QApplication::activeModalWidget()) modal->close();
}

void EditorFixture::open(const std::string& path) {
  dialogs.answerOpen(path);
  control<QAction>("mnuopen")->trigger();
}

void EditorFixture::clickLine(int row) {
  auto* list = control<QListWidget>("txtlst");
  QListWidgetItem* item = list->item(row);
  ASSERT_NE(item, nullptr) << "no line " << row;
  list->scrollToItem(item);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

void EditorFixture::retype(const QString& text) {
  auto* edit = control<QLineEdit>("txtedit");
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Backspace);
  typeText(edit, text);
}

void expectCaptionsFit(QWidget* area) {
  int checked = 0;
  for (QWidget* control : area->findChildren<QWidget*>()) {
    QString caption;
    int room = control->width();
    if (auto* label = qobject_cast<QLabel*>(control)) caption = label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
      caption = button->text();
      if (qobject_cast<QRadioButton*>(control) != nullptr) {
        room -= control->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, control);
      }
    }
    if (caption.isEmpty()) continue;
    ++checked;
    EXPECT_LE(control->fontMetrics().horizontalAdvance(caption), room) << control->objectName().toStdString();
  }
  EXPECT_GT(checked, 0);
}

namespace {

double luminance(QRgb rgb) {
  const auto linear = [](int channel) {
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(qRed(rgb)) + 0.7152 * linear(qGreen(rgb)) + 0.0722 * linear(qBlue(rgb));
}

}  // namespace

double textContrast(QWidget* box) {
  const QImage image = box->grab().toImage().convertToFormat(QImage::Format_RGB32);
  // Inside the frame, the commonest colour is the background.
  const QRect inside = image.rect().adjusted(3, 3, -3, -3);
  QHash<QRgb, int> counts;
  for (int y = inside.top(); y <= inside.bottom(); ++y) {
    for (int x = inside.left(); x <= inside.right(); ++x) ++counts[image.pixel(x, y)];
  }
  QRgb background = 0;
  int most = 0;
  for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
    if (it.value() > most) {
      background = it.key();
      most = it.value();
    }
  }
  const double back = luminance(background);
  double best = 1.0;
  for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
    const double fore = luminance(it.key());
    best = std::max(best, (std::max(back, fore) + 0.05) / (std::min(back, fore) + 0.05));
  }
  return best;
}

void expectAccessibleName(QWidget* control, const QString& name) {
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
  ASSERT_NE(accessible, nullptr) << control->objectName().toStdString();
  EXPECT_EQ(accessible->text(QAccessible::Name), name) << control->objectName().toStdString();
  const QString description = accessible->text(QAccessible::Description);
  EXPECT_FALSE(description.isEmpty()) << control->objectName().toStdString();
  EXPECT_NE(description, name) << control->objectName().toStdString();
}

void typeText(QWidget* widget, const QString& text) {
  for (QChar c : text) {
    if (c.unicode() < 0x80) {
      QTest::keyClick(widget, c.toLatin1());
    } else {
      QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
  }
}

void EditorFixture::clickSave() { QTest::mouseClick(control<QPushButton>("cmdsave"), Qt::LeftButton); }

QStringList EditorFixture::lines() {
  QStringList result;
  auto* list = control<QListWidget>("txtlst");
  for (int i = 0; i < list->count(); ++i) result.append(list->item(i)->text());
  return result;
}

int EditorFixture::selectedRow() {
  const QList<QListWidgetItem*> selected = control<QListWidget>("txtlst")->selectedItems();
  return selected.isEmpty() ? -1 : control<QListWidget>("txtlst")->row(selected.front());
}

bool EditorFixture::showMisc(const std::function<void(miscfrm&)>& drive) {
  bool shown = false;
  bool leftOpen = false;
  // Fires inside the misc data window's own event loop, or, when it was never shown, right after.
  QTimer timer;
  timer.setSingleShot(true);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    auto* form = qobject_cast<miscfrm*>(QApplication::activeModalWidget());
    if (form == nullptr) return;
    shown = true;
    // Nothing may be thrown through Qt's event loop.
    try {
      drive(*form);
    } catch (const MissingControl& missing) {
      ADD_FAILURE() << missing.what();
    }
    if (form->isVisible()) {
      leftOpen = true;
      form->reject();
    }
  });
  timer.start(0);
  control<QAction>("mnumisc")->trigger();
  QCoreApplication::processEvents();
  EXPECT_TRUE(shown) << "the misc data window did not appear";
  return leftOpen;
}

void EditorFixture::expectMiscNotShown() {
  bool shown = false;
  QTimer timer;
  timer.setSingleShot(true);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    auto* form = qobject_cast<miscfrm*>(QApplication::activeModalWidget());
    if (form == nullptr) return;
    shown = true;
    form->reject();
  });
  timer.start(0);
  control<QAction>("mnumisc")->trigger();
  QCoreApplication::processEvents();
  EXPECT_FALSE(shown) << "the misc data window appeared";
}

}  // namespace thornvale::test
