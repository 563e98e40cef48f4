// The workbook libraries as the exchange code will use them: a workbook libxlsxwriter wrote, read
// back through minizip. Both are compiled from Debian's source packages, and this is
// where a wrong definition or a missing piece of them shows.
#include <gtest/gtest.h>
#include <unzip.h>
#include <xlsxwriter.h>

#ifdef _WIN32
#include <iowin32.h>
#endif

#include <filesystem>
#include <string>

#include "support/TestFiles.h"

namespace {

// The C runtime would read a UTF-8 file name in the ANSI code page; minizip's Windows file
// functions take it as the program does, wide.
unzFile openZip(const std::string& path) {
#ifdef _WIN32
  zlib_filefunc64_def files;
  fill_win32_filefunc64W(&files);
  return unzOpen2_64(thornvale::test::fsPath(path).c_str(), &files);
#else
  return unzOpen64(path.c_str());
#endif
}

std::string readEntry(unzFile zip, const char* name) {
  std::string text;
  if (unzLocateFile(zip, name, 1) != UNZ_OK || unzOpenCurrentFile(zip) != UNZ_OK) return text;
  char buffer[4096];
  int read = 0;
  while ((read = unzReadCurrentFile(zip, buffer, sizeof buffer)) > 0) text.append(buffer, read);
  unzCloseCurrentFile(zip);
  return text;
}

}  // namespace

TEST(WorkbookLibraries, AWorkbookWrittenByLibxlsxwriterReadsBackThroughMinizip) {
  const thornvale::test::TempDir dir;
  const std::string path = dir.file("tëxts.xlsx");
  lxw_workbook* workbook = workbook_new(path.c_str());
  ASSERT_NE(workbook, nullptr);
  lxw_worksheet* sheet = workbook_add_worksheet(workbook, nullptr);
  ASSERT_NE(sheet, nullptr);
  EXPECT_EQ(worksheet_write_string(sheet, 0, 0, "Ünïcode", nullptr), LXW_NO_ERROR);
  ASSERT_EQ(workbook_close(workbook), LXW_NO_ERROR);

  // Found under the name it was given, not one garbled through a code page.
  ASSERT_TRUE(std::filesystem::exists(thornvale::test::fsPath(path)));
  unzFile zip = openZip(path);
  ASSERT_NE(zip, nullptr);
  EXPECT_EQ(unzLocateFile(zip, "xl/worksheets/sheet1.xml", 1), UNZ_OK);
  EXPECT_NE(readEntry(zip, "xl/sharedStrings.xml").find("<t>Ünïcode</t>"), std::string::npos);
  EXPECT_EQ(unzClose(zip), UNZ_OK);
}
