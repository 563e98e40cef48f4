// The fuzzers' checks over the seed corpus and over every input that ever made one fail, so a
// fault the fuzzers found stays found in the ordinary suite.

#include <gtest/gtest.h>

#include <filesystem>

#include "fuzz/FuzzChecks.h"
#include "tests/support/TestFiles.h"

namespace thornvale {
namespace {

namespace fs = std::filesystem;

using Check = void (*)(const std::uint8_t*, std::size_t);

void runAll(const std::string& target, Check check) {
  std::size_t count = 0;
  for (const char* kind : {"corpus", "regressions"}) {
    const fs::path dir = fs::path(THORNVALE_FUZZ_DIR) / kind / target;
    if (!fs::is_directory(dir)) continue;
    for (const auto& file : fs::directory_iterator(dir)) {
      SCOPED_TRACE(file.path().string());
      const test::Bytes input = test::readBytes(file.path().string());
      check(input.data(), input.size());
      ++count;
    }
  }
  EXPECT_GT(count, 0u) << "no inputs for " << target;
}

TEST(FuzzCorpus, Codec) { runAll("codec", fuzz::checkCodec); }
TEST(FuzzCorpus, Dump) { runAll("dump", fuzz::checkDump); }
TEST(FuzzCorpus, Patch) { runAll("patch", fuzz::checkPatch); }
TEST(FuzzCorpus, Xliff) { runAll("xliff", fuzz::checkXliff); }
TEST(FuzzCorpus, Po) { runAll("po", fuzz::checkPo); }
TEST(FuzzCorpus, Delimited) { runAll("delimited", fuzz::checkDelimited); }
TEST(FuzzCorpus, Workbook) { runAll("workbook", fuzz::checkWorkbook); }
TEST(FuzzCorpus, Table) { runAll("table", fuzz::checkTable); }

// Every file the fuzzers and the tests keep, whatever it was made for, goes through check --image
// and import --dry-run to the same verdict.
TEST(FuzzCorpus, CheckAndImportJudgeEveryFileAlike) {
  for (const char* target : {"codec", "dump", "patch", "xliff", "po", "delimited", "workbook"}) {
    runAll(target, fuzz::checkDoorsAgree);
  }
}

}  // namespace
}  // namespace thornvale
