#pragma once

#include <gtest/gtest.h>

#include <QListWidget>
#include <QString>
#include <QStringList>

#include <functional>
#include <string>

#include "tests/support/CannedDialogs.h"
#include "tests/support/TestFiles.h"
#include "ui/qt/mainfrm.h"

namespace thornvale {
class miscfrm;
}

namespace thornvale::test {

// A shown main window over canned dialogs, and a sample image in a fresh folder. The helpers do
// what a user does: choose menu items, click lines, type and press buttons.
class EditorFixture : public ::testing::Test {
 protected:
  EditorFixture();
  ~EditorFixture() override;

  template <class T>
  T* control(const char* name) {
    T* found = window.findChild<T*>(QString::fromLatin1(name));
    if (found == nullptr) ADD_FAILURE() << "no control named " << name;
    return found;
  }

  // File, Open, with the dialog answering `path` (empty: Cancel).
  void open(const std::string& path);
  void clickLine(int row);
  // Selects all of the edit box and types `text` over it.
  void retype(const QString& text);
  void clickSave();
  [[nodiscard]] QStringList lines();
  [[nodiscard]] int selectedRow();

  // Edit, Misc Data. `drive` runs while the misc data window is shown and modal; the result says
  // whether it was shown at all. A window that `drive` left open is closed with Cancel.
  struct MiscResult {
    bool shown = false;
    bool leftOpen = false;
  };
  MiscResult showMisc(const std::function<void(miscfrm&)>& drive);

  TempDir dir;
  std::string imagePath = dir.file("thornvale.nes");
  Bytes image = writeSampleImage(imagePath);
  CannedDialogs dialogs;
  mainfrm window{dialogs};
};

// Every label and button under `area` shows its whole caption: none is cut off by its box.
void expectCaptionsFit(QWidget* area);

// Types `text` key by key, also characters that no key of QTest's stands for.
void typeText(QWidget* widget, const QString& text);

[[nodiscard]] inline QString qpath(const std::string& path) { return QString::fromStdString(path); }

}  // namespace thornvale::test
