#pragma once

#include <gtest/gtest.h>

#include <string>

#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TestFiles.h"
#include "tests/win32/WindowDriver.h"
#include "ui/win32/mainfrm.h"

namespace thornvale::test::win32 {

// A shown main window over scripted dialogs, and a sample image in a fresh folder whose name is
// not ASCII, as many a user's is.
class EditorWindowTest : public ::testing::Test {
 protected:
  EditorWindowTest();

  // File, Open, with the dialog answering `path` (empty: Cancel).
  void open(const std::string& path);
  void expectOneMessage(const std::string& title, const std::string& text, CommandDialogs::Icon icon);

  TempDir dir;
  std::string folder;
  std::string imagePath;
  Bytes image;
  ScriptedDialogs dialogs;
  thornvale::win32::mainfrm window{&dialogs};
};

}  // namespace thornvale::test::win32
