#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace thornvale::cli {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitRefused =
    1;                                // refused or failed (a check, a file error, a warning): nothing changed
inline constexpr int kExitUsage = 2;  // the command line itself is wrong: nothing changed
inline constexpr int kExitChangedThenFailed = 3;  // a file was changed, then a later step failed
// An output of ours (export's FILE, patch's OUT) was written whole, the image untouched, and then a
// later step failed: the report to standard output.
inline constexpr int kExitWrittenThenFailed = 4;

// Runs thornvale-text with `args` (the program name left out) and returns its exit status.
// `in` is the standard input that "-" names, for a file to import or check.
[[nodiscard]] int runThornvaleText(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                                   std::ostream& err);

}  // namespace thornvale::cli
