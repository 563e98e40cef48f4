#include <iostream>

#include "cli/Commands.h"
#include "cli/Console.h"
#include "codec/ProcessSignals.h"

int main(int argc, char** argv) {
  thornvale::reportFailedWritesAsErrors();
  const thornvale::cli::Console console(argc, argv);
  return thornvale::cli::runThornvaleText(console.arguments(), std::cin, std::cout, std::cerr);
}
