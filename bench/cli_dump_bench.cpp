// Whole-process cost of `thornvale-text --version` and `thornvale-text dump IMAGE` against
// `cat IMAGE`, the floor of starting a program and reading the file, and of a workbook export
// against the dump, as a user waits for each.
//
// A process start lasts about a millisecond, and on a shared machine the load changes faster than
// blocks of runs of one command can follow: so the two commands of a comparison run in pairs, one
// straight after the other (which goes first alternates), and the figure is the median of the
// pairs' ratios, beside each command's median time.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/Process.h"
#include "tests/support/TestFiles.h"

namespace {

using Command = std::vector<std::string>;

struct Comparison {
  const char* ours;
  Command oursCommand;
  const char* floor;
  Command floorCommand;
  double goal;
};

double runOnce(const Command& argv) {
  const auto start = std::chrono::steady_clock::now();
  if (thornvale::test::runProcess(argv, {}, true).status != 0) {
    std::fprintf(stderr, "%s %s failed\n", argv[0].c_str(), argv.size() > 1 ? argv[1].c_str() : "");
    std::exit(1);
  }
  return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> values) {
  const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  return *middle;
}

void compare(const Comparison& c, int pairs) {
  // A few unmeasured pairs first, so that both programs are in the page cache.
  for (int i = 0; i < 5; ++i) {
    runOnce(c.floorCommand);
    runOnce(c.oursCommand);
  }
  std::vector<double> ours, floor, ratios;
  for (int i = 0; i < pairs; ++i) {
    double o, f;
    if (i % 2 == 0) {
      f = runOnce(c.floorCommand);
      o = runOnce(c.oursCommand);
    } else {
      o = runOnce(c.oursCommand);
      f = runOnce(c.floorCommand);
    }
    ours.push_back(o);
    floor.push_back(f);
    ratios.push_back(o / f);
  }
  std::printf("%-22s %8.1f us   floor %-14s %8.1f us   ratio %.2fx (goal <= %.1fx)\n", c.ours, median(ours),
              c.floor, median(floor), median(ratios), c.goal);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  int pairs = 400;
  if (argc == 3 && std::strcmp(argv[1], "--pairs") == 0) pairs = std::atoi(argv[2]);
  if (pairs < 1 || (argc != 1 && argc != 3)) {
    std::fprintf(stderr, "usage: cli-bench [--pairs N]   (N pairs of runs per comparison, 400 by default)\n");
    return 2;
  }
  const thornvale::test::TempDir dir;
  const std::string image = dir.file("image.nes");
  const std::string workbook = dir.file("texts.xlsx");
  thornvale::test::writeSampleImage(image);

  const Command cat = {"/bin/cat", image};
  const Command dump = {THORNVALE_TEXT, "dump", image};
  std::printf("%d pairs of whole-process runs per line; medians, and the median of the pairs' ratios\n", pairs);
  compare({"--version", {THORNVALE_TEXT, "--version"}, "cat IMAGE", cat, 1.2}, pairs);
  compare({"dump IMAGE", dump, "cat IMAGE", cat, 1.5}, pairs);
  compare({"export --format xlsx", {THORNVALE_TEXT, "export", image, "--format", "xlsx", "-o", workbook},
           "dump IMAGE", dump, 3.0},
          pairs);
  return 0;
}
