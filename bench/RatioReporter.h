#pragma once

#include <benchmark/benchmark.h>

#include <string>
#include <utility>
#include <vector>

namespace thornvale::bench {

// A timing alone says little on a shared machine; what we track is each benchmark's ratio to a
// floor measured in the same run. Prints the console report, then one ratio line per pair.
struct RatioPair {
  std::string ours;
  std::string floor;
  double goal;
};

// Runs every registered benchmark (five repetitions, medians) and prints the ratios.
int runWithRatios(int argc, char** argv, std::vector<RatioPair> pairs);

}  // namespace thornvale::bench
