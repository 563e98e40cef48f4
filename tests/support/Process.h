#pragma once

#include <string>
#include <vector>

namespace thornvale::test {

struct ProcessOutcome {
  int status = -1;  // the exit status, or -1 for a process ended by a signal
  int signal = 0;   // the signal that ended it, if one did
  std::string out;
  std::string err;
};

// Runs the program `argv[0]` (a path) as a real process with `input` as its standard input and
// waits for it. Standard output and error are kept unless `discardOutput`.
ProcessOutcome runProcess(const std::vector<std::string>& argv, const std::string& input = {},
                          bool discardOutput = false);

}  // namespace thornvale::test
