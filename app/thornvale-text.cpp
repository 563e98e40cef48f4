#include <iostream>
#include <string>
#include <vector>

#include "cli/Commands.h"
#ifdef _WIN32
#include "cli/windows/Console.h"
#endif

int main([[maybe_unused]] int argc, [[maybe_unused]] char** argv) {
  std::ios::sync_with_stdio(false);
#ifdef _WIN32
  thornvale::cli::useUtf8Console();
  const std::vector<std::string> args = thornvale::cli::utf8Arguments();
#else
  const std::vector<std::string> args(argv + 1, argv + argc);
#endif
  return thornvale::cli::runThornvaleText(args, std::cin, std::cout, std::cerr);
}
