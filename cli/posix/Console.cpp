#include "cli/Console.h"

#include <fcntl.h>
#include <unistd.h>

#include <iostream>

namespace thornvale::cli {

Console::Console(int argc, char** argv) : arguments_(argv + 1, argv + argc) {
  bool closed[3] = {};
  for (int fd = 0; fd < 3; ++fd) {
    if (::fcntl(fd, F_GETFD) < 0 && ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY) == fd)
      closed[fd] = true;
  }
  std::ios::sync_with_stdio(false);
  if (closed[1]) std::cout.setstate(std::ios::badbit);
}

Console::~Console() = default;

}  // namespace thornvale::cli
