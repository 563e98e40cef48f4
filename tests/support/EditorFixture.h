#pragma once

#include <gtest/gtest.h>

#include <QListWidget>
#include <QString>
#include <QStringList>
#include <functional>
#include <stdexcept>
#include <string>

#include "tests/support/ScriptedDialogs.h"
#include "tests/support/SampleImageFixture.h"
#include "ui/qt/mainfrm.h"

namespace thornvale {
class miscfrm;
}

namespace thornvale::test {

// A test that asks for a control that is not there ends with this, never with a null pointer.
class MissingControl : public std::runtime_error {
 public:
  explicit MissingControl(const char* name) : std::runtime_error(std::string("no control named ") + name) {}
};

template <class T>
T* controlIn(const QObject& parent, const char* name) {
  T* found = parent.findChild<T*>(QString::fromLatin1(name));
  if (found == nullptr) throw MissingControl(name);
  return found;
}

// A shown main window over scripted dialogs, and a sample image in a fresh folder. The helpers do
// what a user does: choose menu items, click lines, type and press buttons.
class EditorFixture : public SampleImageFixture {
 protected:
  EditorFixture();
  ~EditorFixture() override;

  template <class T>
  T* control(const char* name) {
    return controlIn<T>(window, name);
  }

  // File, Open, with the dialog answering `path` (empty: Cancel).
  void open(const std::string& path);
  void clickLine(int row);
  // Selects all of the edit box and types `text` over it.
  void retype(const QString& text);
  void clickSave();
  [[nodiscard]] QStringList lines();
  [[nodiscard]] int selectedRow();

  // Edit, Misc Data. `drive` runs while the misc data window is shown and modal; the test fails
  // when the window does not appear. True when `drive` left the window open, which is then
  // closed with Cancel.
  bool showMisc(const std::function<void(miscfrm&)>& drive);
  // Edit, Misc Data, when the window must not appear.
  void expectMiscNotShown();

  ScriptedDialogs dialogs;
  mainfrm window{&dialogs};
};

// Every label and button under `area` shows its whole caption: none is cut off by its box.
void expectCaptionsFit(QWidget* area);

// The contrast ratio, as WCAG counts it, between the background of `box` as drawn and the
// colour of its text that stands out most from it.
[[nodiscard]] double textContrast(QWidget* box);

// What a screen reader says for `control`: this name, and a description of its own.
void expectAccessibleName(QWidget* control, const QString& name);

// Types `text` key by key, also characters that no key of QTest's stands for.
void typeText(QWidget* widget, const QString& text);

[[nodiscard]] inline QString qpath(const std::string& path) { return QString::fromStdString(path); }

}  // namespace thornvale::test
