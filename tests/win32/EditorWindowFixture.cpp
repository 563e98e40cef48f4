#include "tests/win32/EditorWindowFixture.h"

#include <filesystem>

#include "ui/forms/Forms.h"

namespace thornvale::test::win32 {

EditorWindowTest::EditorWindowTest()
    : folder(dir.file("Spielstände ドラゴン")), imagePath(folder + "\\thornvale.nes") {
  std::filesystem::create_directory(fsPath(folder));
  image = writeSampleImage(imagePath);
  window.show();
}

void EditorWindowTest::open(const std::string& path) {
  dialogs.answerOpen(path);
  chooseMenuItem(window.hwnd(), thornvale::forms::kOpenItem);
}

void EditorWindowTest::expectOneMessage(const std::string& title, const std::string& text,
                                        CommandDialogs::Icon icon) {
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].title, title);
  EXPECT_EQ(dialogs.messages[0].text, text);
  EXPECT_EQ(dialogs.messages[0].icon, icon);
}

}  // namespace thornvale::test::win32
