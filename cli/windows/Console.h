#pragma once

#include <string>
#include <vector>

namespace thornvale::cli {

// The arguments as the user typed them, UTF-8, program name left out: taken from the wide command
// line, since the narrow argv of a Windows program has been through the ANSI code page already.
[[nodiscard]] std::vector<std::string> utf8Arguments();

// Standard input and output carry bytes unchanged (no CR added before LF, so a dump is the same
// file on both systems), and a console shows them as UTF-8.
void useUtf8Console();

}  // namespace thornvale::cli
