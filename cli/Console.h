#pragma once

#include <string>
#include <vector>

namespace thornvale::cli {

// The program's standard streams and arguments as thornvale-text needs them, from its first line
// to its last; each system has its own part (cli/posix, cli/windows).
//  - POSIX: a standard stream that came closed is held by /dev/null, so that the next file opened
//    cannot take its number and a report meant for the terminal land in the image; a closed
//    standard output then fails as it would have.
//  - Windows: standard input and output carry bytes unchanged (no CR added before LF, so a dump is
//    the same file on both systems), a console shows them as UTF-8, and the console's code pages,
//    which belong to the user's session, are put back at the end. The arguments come from the wide
//    command line, since the narrow argv has been through the ANSI code page already.
class Console {
 public:
  Console(int argc, char** argv);
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;
  ~Console();

  // The arguments as the user typed them, UTF-8, the program's name left out.
  [[nodiscard]] const std::vector<std::string>& arguments() const noexcept { return arguments_; }

 private:
  std::vector<std::string> arguments_;
  unsigned int input_ = 0;  // Windows' code pages, to put back
  unsigned int output_ = 0;
};

}  // namespace thornvale::cli
