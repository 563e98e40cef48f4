#include "tests/support/EditorFixture.h"

#include <QAction>
#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QRadioButton>
#include <QStyle>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

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
  dialogs.answerOpen(qpath(path));
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
    EXPECT_LE(control->fontMetrics().horizontalAdvance(caption), room)
        << control->objectName().toStdString();
  }
  EXPECT_GT(checked, 0);
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

void EditorFixture::clickSave() {
  QTest::mouseClick(control<QPushButton>("cmdsave"), Qt::LeftButton);
}

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
