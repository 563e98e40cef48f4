// Whole-process cost of `thornvale-text dump IMAGE` against `cat IMAGE`, the floor of starting a
// program and reading the file, and of a workbook export against the dump, as a user waits for
// each; all are measured in this one run and their medians compared.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/RatioReporter.h"
#include "tests/support/Process.h"
#include "tests/support/TestFiles.h"

namespace {

std::string imagePath;
std::string workbookPath;

void timeProcess(benchmark::State& state, const std::vector<std::string>& argv) {
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    if (thornvale::test::runProcess(argv, {}, true).status != 0) {
      std::fprintf(stderr, "%s failed\n", argv[0].c_str());
      std::exit(1);
    }
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
}

void BM_Cat(benchmark::State& state) { timeProcess(state, {"/bin/cat", imagePath}); }
void BM_Dump(benchmark::State& state) { timeProcess(state, {THORNVALE_TEXT, "dump", imagePath}); }
void BM_ExportWorkbook(benchmark::State& state) {
  timeProcess(state, {THORNVALE_TEXT, "export", imagePath, "--format", "xlsx", "-o", workbookPath});
}

}  // namespace

BENCHMARK(BM_Cat)->UseManualTime()->Iterations(50)->Repetitions(10)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Dump)->UseManualTime()->Iterations(50)->Repetitions(10)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ExportWorkbook)->UseManualTime()->Iterations(50)->Repetitions(10)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
  const thornvale::test::TempDir dir;
  imagePath = dir.file("image.nes");
  workbookPath = dir.file("texts.xlsx");
  thornvale::test::writeSampleImage(imagePath);
  return thornvale::bench::runWithRatios(argc, argv,
                                         {{"BM_Dump", "BM_Cat", 2.0}, {"BM_ExportWorkbook", "BM_Dump", 3.0}});
}
