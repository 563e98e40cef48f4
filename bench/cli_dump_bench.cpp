// Whole-process cost of `thornvale-text dump IMAGE` against `cat IMAGE`, the floor of starting a
// program and reading the file; both are measured in this one run and their medians compared.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "sample/SampleImage.h"

namespace {

std::string imagePath;

void runToNull(const std::vector<const char*>& argv) {
  const pid_t child = ::fork();
  if (child == 0) {
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    ::execvp(argv[0], const_cast<char* const*>(argv.data()));
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "%s failed\n", argv[0]);
    std::exit(1);
  }
}

void timeProcess(benchmark::State& state, std::vector<const char*> argv) {
  argv.push_back(nullptr);
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    runToNull(argv);
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
}

void BM_Cat(benchmark::State& state) { timeProcess(state, {"cat", imagePath.c_str()}); }
void BM_Dump(benchmark::State& state) { timeProcess(state, {THORNVALE_TEXT, "dump", imagePath.c_str()}); }

// Keeps the medians, to print their ratio after the usual table.
class MedianReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> medians;

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
        medians[run.run_name.function_name] = run.GetAdjustedRealTime();
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

}  // namespace

BENCHMARK(BM_Cat)->UseManualTime()->Iterations(50)->Repetitions(10)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Dump)->UseManualTime()->Iterations(50)->Repetitions(10)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
  char folder[] = "/tmp/thornvale-bench-XXXXXX";
  if (::mkdtemp(folder) == nullptr) return 1;
  imagePath = std::string(folder) + "/image.nes";
  const std::vector<std::uint8_t> image = thornvale::buildSampleImage();
  std::ofstream(imagePath, std::ios::binary)
      .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));

  // The machine is shared: interleave the repetitions so that both programs meet the same load.
  std::vector<char*> args(argv, argv + argc);
  char interleave[] = "--benchmark_enable_random_interleaving=true";
  args.insert(args.begin() + 1, interleave);
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  const double cat = reporter.medians["BM_Cat"];
  const double dump = reporter.medians["BM_Dump"];
  if (cat > 0 && dump > 0) {
    std::printf("median cat: %.0f us, median dump: %.0f us, ratio: %.2f (goal: at most 2)\n", cat, dump, dump / cat);
  }
  std::remove(imagePath.c_str());
  ::rmdir(folder);
  return 0;
}
