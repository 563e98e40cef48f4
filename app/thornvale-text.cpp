#include <iostream>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "codec/ProcessSignals.h"
#ifdef _WIN32
#include "cli/windows/Console.h"
#else
#include <fcntl.h>
#include <unistd.h>
#endif

int main([[maybe_unused]] int argc, [[maybe_unused]] char** argv) {
  thornvale::reportFailedWritesAsErrors();
#ifdef _WIN32
  std::ios::sync_with_stdio(false);
  const thornvale::cli::Utf8Console console;
  const std::vector<std::string> args = thornvale::cli::utf8Arguments();
#else
  // A closed standard stream would hand its number to the next file opened, and a report meant
  // for the terminal would land in the image. Hold the place with /dev/null, and let the report
  // fail as it would have.
  bool closed[3] = {};
  for (int fd = 0; fd < 3; ++fd) {
    if (::fcntl(fd, F_GETFD) < 0 && ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY) == fd)
      closed[fd] = true;
  }
  std::ios::sync_with_stdio(false);
  if (closed[1]) std::cout.setstate(std::ios::badbit);
  const std::vector<std::string> args(argv + 1, argv + argc);
#endif
  return thornvale::cli::runThornvaleText(args, std::cin, std::cout, std::cerr);
}
