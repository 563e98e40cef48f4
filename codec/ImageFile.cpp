#include "codec/ImageFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "codec/FileError.h"

namespace thornvale {

ImageFile::ImageFile(std::string path, Access access) : path_(std::move(path)) {
  const int flags = (access == Access::Read ? O_RDONLY : O_WRONLY) | O_CLOEXEC | O_NOCTTY;
  do {
    fd_ = ::open(path_.c_str(), flags);
  } while (fd_ < 0 && errno == EINTR);
  if (fd_ < 0) fail("opening", errno);
  // A folder opens for reading, and its size would pass for an image's length.
  struct stat st {};
  if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) fail("opening", EISDIR);
}

ImageFile::~ImageFile() {
  if (fd_ >= 0) ::close(fd_);
}

std::int64_t ImageFile::size() const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) fail("examining", errno);
  return st.st_size;
}

void ImageFile::readAt(std::int64_t offset, std::span<std::uint8_t> out) const {
  std::size_t done = 0;
  while (done < out.size()) {
    const ssize_t n = ::pread(fd_, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      fail("reading", errno);
    }
    if (n == 0) break;  // end of file
    done += static_cast<std::size_t>(n);
  }
  std::fill(out.begin() + static_cast<std::ptrdiff_t>(done), out.end(), std::uint8_t{0});
}

void ImageFile::writeAt(std::int64_t offset, std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n =
        ::pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      fail("writing", errno);
    }
    if (n == 0) fail("writing", EIO);
    done += static_cast<std::size_t>(n);
  }
}

void ImageFile::flush() {
  if (::fsync(fd_) != 0) fail("flushing", errno);
}

void ImageFile::close() {
  const int fd = fd_;
  fd_ = -1;
  // On Linux the descriptor is gone even when close reports EINTR; retrying could close another.
  if (::close(fd) != 0 && errno != EINTR) fail("closing", errno);
}

void ImageFile::fail(const char* operation, int error) const {
  throw FileError(path_, operation, std::error_code(error, std::generic_category()));
}

}  // namespace thornvale
