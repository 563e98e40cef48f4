#include "bench/RatioReporter.h"

#include <cstdio>
#include <map>

namespace thornvale::bench {
namespace {

class MedianCollector : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.aggregate_name == "median") medians[run.run_name.function_name] = run.GetAdjustedRealTime();
    }
  }
  std::map<std::string, double> medians;
};

}  // namespace

int runWithRatios(int argc, char** argv, std::vector<RatioPair> pairs) {
  std::vector<char*> args(argv, argv + argc);
  std::string repetitions = "--benchmark_repetitions=5";
  std::string aggregates = "--benchmark_report_aggregates_only=true";
  // The machine is shared: interleave the repetitions so that ours and the floor meet the same load.
  std::string interleave = "--benchmark_enable_random_interleaving=true";
  if (argc == 1) {
    args.push_back(repetitions.data());
    args.push_back(aggregates.data());
    args.push_back(interleave.data());
  }
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 2;

  MedianCollector reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  std::printf("\n");
  for (const RatioPair& pair : pairs) {
    const auto ours = reporter.medians.find(pair.ours);
    const auto floor = reporter.medians.find(pair.floor);
    if (ours == reporter.medians.end() || floor == reporter.medians.end() || floor->second <= 0) continue;
    const double ratio = ours->second / floor->second;
    std::printf("%-28s %10.1f us   floor %-26s %10.1f us   ratio %.2fx (goal <= %.2fx)\n", pair.ours.c_str(),
                ours->second, pair.floor.c_str(), floor->second, ratio, pair.goal);
  }
  return 0;
}

}  // namespace thornvale::bench
