#pragma once

#include <string>

namespace thornvale {

// Why the input was refused, in the words the user reads (UTF-8): what every check of the core
// returns, and what the windows and the command line show. A refused input writes nothing.
// Failures of the file system are not refusals; they are thrown as FileError.
struct Refusal {
  std::string message;

  friend bool operator==(const Refusal&, const Refusal&) = default;
};

}  // namespace thornvale
