#include "codec/File.h"

// The parts of File that every system shares; the system's own calls are in codec/posix/ and
// codec/windows/.

namespace thornvale {

File::File(std::string path, Handle handle) noexcept : path_(std::move(path)), handle_(handle) {}

File::File(File&& other) noexcept
    : path_(std::move(other.path_)),
      handle_(other.handle_),
      identity_{other.identity_[0], other.identity_[1]} {
  other.handle_ = kClosed;
}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    if (handle_ != kClosed) closeQuietly(handle_);
    path_ = std::move(other.path_);
    handle_ = other.handle_;
    identity_[0] = other.identity_[0];
    identity_[1] = other.identity_[1];
    other.handle_ = kClosed;
  }
  return *this;
}

File::~File() {
  if (handle_ != kClosed) closeQuietly(handle_);
}

}  // namespace thornvale
