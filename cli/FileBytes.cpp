#include "cli/FileBytes.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "codec/FileError.h"
#include "codec/ImageFile.h"

namespace thornvale::cli {

Bytes readWholeFile(const std::string& path) {
  ImageFile file(path, ImageFile::Access::Read);
  Bytes bytes(static_cast<std::size_t>(file.size()));
  file.readAt(0, bytes);
  file.close();
  return bytes;
}

std::string readUntilEnd(const std::string& path) {
  const auto fail = [&](const char* operation, int error) {
    return FileError(path, operation, std::error_code(error, std::generic_category()));
  };
  int fd = -1;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) throw fail("opening", errno);
  std::string text;
  char buffer[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error = errno;
      ::close(fd);
      throw fail("reading", error);
    }
    if (n == 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return text;
}

}  // namespace thornvale::cli
