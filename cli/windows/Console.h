#pragma once

#include <string>
#include <vector>

namespace thornvale::cli {

// The arguments as the user typed them, UTF-8, program name left out: taken from the wide command
// line, since the narrow argv of a Windows program has been through the ANSI code page already.
[[nodiscard]] std::vector<std::string> utf8Arguments();

// While it lives, standard input and output carry bytes unchanged (no CR added before LF, so a
// dump is the same file on both systems), and a console shows them as UTF-8. The console's code
// pages belong to the user's session, so they are put back when it goes.
class Utf8Console {
 public:
  Utf8Console();
  Utf8Console(const Utf8Console&) = delete;
  Utf8Console& operator=(const Utf8Console&) = delete;
  ~Utf8Console();

 private:
  unsigned int input_;
  unsigned int output_;
};

}  // namespace thornvale::cli
