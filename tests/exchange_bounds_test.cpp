// What a hostile workbook may cost: whatever its columns and rows, reading one stays within a
// small multiple of what it may unpack to. Each shape is read in a child process under a 256 MiB
// address-space limit, where the reader's old row-by-column tables died.

#include <gtest/gtest.h>
#include <zip.h>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <new>
#include <sstream>
#include <string>

#include "cli/Commands.h"
#include "exchange/Exchange.h"
#include "tests/support/SampleImageFixture.h"
#include "tests/support/TestFiles.h"

namespace thornvale {
namespace {

std::string cell(const std::string& text) { return "<c t=\"inlineStr\"><is><t>" + text + "</t></is></c>"; }

// A workbook whose first sheet holds `rows`, made with minizip's own writer.
std::string workbook(const test::TempDir& dir, const std::string& rows) {
  const std::string path = dir.file("book.xlsx");
  const std::pair<const char*, std::string> parts[] = {
      {"xl/workbook.xml",
       R"(<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" )"
       R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)"
       R"(<sheets><sheet name="S" sheetId="1" r:id="rId1"/></sheets></workbook>)"},
      {"xl/_rels/workbook.xml.rels",
       R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
       R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" )"
       R"(Target="worksheets/sheet1.xml"/></Relationships>)"},
      {"xl/worksheets/sheet1.xml",
       R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>)" + rows +
           "</sheetData></worksheet>"},
  };
  zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
  for (const auto& [name, data] : parts) {
    zip_fileinfo info{};
    zipOpenNewFileInZip64(zip, name, &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, Z_BEST_COMPRESSION, 1);
    zipWriteInFileInZip(zip, data.data(), static_cast<unsigned>(data.size()));
    zipCloseFileInZip(zip);
  }
  zipClose(zip, nullptr);
  const test::Bytes bytes = test::readBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

std::string repeated(const std::string& row, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += row;
  return out;
}

TEST(WorkbookBoundsTest, EveryShapeIsReadWithinAQuarterGibibyte) {
#if defined(_WIN32) || defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "needs fork() and an address-space limit that a sanitizer's shadow memory leaves room for";
#else
  const test::TempDir dir;
  const std::string farHeader = "<row r=\"1\">" + cell("translation") + "<c r=\"XFD1\" t=\"inlineStr\"><is><t>"
                                "position</t></is></c></row>";
  std::string unknownHeader = "<row r=\"1\">";
  for (int i = 0; i < 64; ++i) unknownHeader += cell("note" + std::to_string(i));
  unknownHeader += "</row>";
  // Numbered rows up to the 8 MiB a workbook may unpack to, varied enough to pass as no zip bomb.
  const auto fullSheet = [](std::string header) {
    for (int i = 2; header.size() < (8u << 20) - 4096; ++i)
      header += "<row r=\"" + std::to_string(i) + "\"><c><v>" + std::to_string(i % 70) + "</v></c></row>";
    return header;
  };
  std::string repeatedHeader = "<row r=\"1\">" + cell("position");
  for (int i = 0; i < 16'000; ++i) repeatedHeader += cell("text");
  repeatedHeader += "</row>";
  const struct {
    const char* shape;
    std::string rows;
  } shapes[] = {
      {"position in column XFD, 1,000 rows", farHeader + repeated("<row><c><v>1</v></c></row>", 1'000)},
      {"position in column XFD, 5,000 rows", farHeader + repeated("<row><c><v>1</v></c></row>", 5'000)},
      {"position in column XFD, 20,000 rows", farHeader + repeated("<row><c><v>1</v></c></row>", 20'000)},
      {"position in column XFD, 40,000 rows", farHeader + repeated("<row><c><v>1</v></c></row>", 40'000)},
      {"64 columns of no known name, 8 MiB of rows", fullSheet(unknownHeader)},
      {"a text column named 16,000 times", repeatedHeader + repeated("<row><c><v>1</v></c></row>", 5'000)},
      {"8 MiB of rows", fullSheet("<row r=\"1\">" + cell("position") + cell("text") + "</row>")},
  };
  for (const auto& s : shapes) {
    SCOPED_TRACE(s.shape);
    const std::string bytes = workbook(dir, s.rows);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      const rlimit limit{256u << 20, 256u << 20};
      ::setrlimit(RLIMIT_AS, &limit);
      try {
        const exchange::ReadResult read = exchange::readUnits(bytes);
        ::_exit(read.problems.empty() ? 2 : 0);  // every shape holds rows that name no text
      } catch (const std::bad_alloc&) {
        ::_exit(3);
      }
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status)) << "the reader died of signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0) << "3: out of memory; 2: no problem found";
  }
#endif
}

// A file that is no image of the game gives garbage texts: `export` and `check --image` refuse it
// with the warnings `info` gives, and write nothing.
class NotAnImageTest : public test::SampleImageFixture {};

TEST_F(NotAnImageTest, ExportAndCheckRefuseAFileThatCannotBeTheImage) {
  const std::string notImage = dir.file("notnes.nes");
  test::Bytes random(100);
  for (std::size_t i = 0; i < random.size(); ++i) random[i] = static_cast<std::uint8_t>(i * 37 + 11);
  test::writeBytes(notImage, random);
  test::Bytes headless(image.begin() + 16, image.end());
  const std::string noHeader = dir.file("noheader.nes");
  test::writeBytes(noHeader, headless);
  const std::string po = dir.file("fr.po");
  {
    std::istringstream in;
    std::ostringstream out, err;
    ASSERT_EQ(cli::runThornvaleText({"export", imagePath, "--format", "po", "-o", po}, in, out, err), 0);
  }
  const test::Bytes poBefore = test::readBytes(po);
  const struct {
    std::vector<std::string> args;
    const char* warning;
  } cases[] = {
      {{"export", notImage, "--format", "po", "-o", po}, "too short for every text"},
      {{"export", noHeader, "--format", "xliff", "-o", po}, "no iNES header"},
      {{"export", imagePath, "--format", "xlsx", "--translated", notImage, "-o", po}, "too short"},
      {{"check", po, "--image", notImage}, "too short for every text"},
      {{"check", po, "--image", noHeader}, "no iNES header"},
      {{"info", notImage}, "too short for every text"},
  };
  for (const auto& c : cases) {
    std::istringstream in;
    std::ostringstream out, err;
    EXPECT_EQ(cli::runThornvaleText(c.args, in, out, err), cli::kExitRefused) << c.args[0] << ' ' << c.args[1];
    EXPECT_NE(err.str().find(c.warning), std::string::npos) << err.str();
    EXPECT_EQ(test::readBytes(po), poBefore);
    EXPECT_EQ(test::readBytes(notImage), random);
  }
}

}  // namespace
}  // namespace thornvale
