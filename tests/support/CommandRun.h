#pragma once

// thornvale-text run in the test's own process, with what it wrote: for tests of its commands.

#include <sstream>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "tests/support/TestFiles.h"

namespace thornvale::test {

struct CommandOutcome {
  int status = -1;
  std::string out;
  std::string err;
};

inline CommandOutcome runCommand(const std::vector<std::string>& args, const std::string& input = {}) {
  std::istringstream in(input);
  std::ostringstream out, err;
  const int status = cli::runThornvaleText(args, in, out, err);
  return {status, out.str(), err.str()};
}

inline std::string readText(const std::string& path) {
  const Bytes bytes = readBytes(path);
  return {bytes.begin(), bytes.end()};
}

}  // namespace thornvale::test
