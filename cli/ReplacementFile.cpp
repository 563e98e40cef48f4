#include "cli/ReplacementFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include "codec/FileError.h"

namespace thornvale::cli {
namespace {

std::string resolveLinks(const std::string& target) {
  std::error_code error;
  const std::filesystem::path resolved = std::filesystem::canonical(target, error);
  return error ? target : resolved.string();
}

mode_t newFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

ReplacementFile::ReplacementFile(const std::string& target) : target_(resolveLinks(target)) {
  struct stat st {};
  if (::stat(target_.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) {
      throw FileError(target_, "replacing", std::make_error_code(std::errc::invalid_argument),
                       "not a regular file");
    }
    // A new file under this name would leave the image's other names holding the old bytes.
    if (st.st_nlink > 1) {
      throw FileError(target_, "replacing", std::make_error_code(std::errc::too_many_links),
                       "the image has " + std::to_string(st.st_nlink) +
                           " hard links, and replacing it would split them; nothing was written");
    }
    mode_ = st.st_mode & 07777;
    keepOwner_ = true;
    owner_ = st.st_uid;
    group_ = st.st_gid;
  } else if (errno == ENOENT) {
    mode_ = newFileMode();
  } else {
    fail(target_, "examining", errno);
  }

  const std::filesystem::path where(target_);
  std::string pattern = (where.parent_path() / ("." + where.filename().string() + ".tmp-XXXXXX")).string();
  fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd_ < 0) fail(target_, "creating a temporary file beside", errno);
  path_ = pattern;
}

ReplacementFile::~ReplacementFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!committed_) ::unlink(path_.c_str());
}

void ReplacementFile::write(std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      fail(path_, "writing", errno);
    }
    if (n == 0) fail(path_, "writing", EIO);
    bytes = bytes.subspan(static_cast<std::size_t>(n));
  }
}

void ReplacementFile::commit() {
  // Only root may give a file away; for anyone else the new file stays theirs, as a copy would.
  if (keepOwner_ && (owner_ != ::geteuid() || group_ != ::getegid())) {
    (void)::fchown(fd_, owner_, group_);
  }
  if (::fchmod(fd_, mode_) != 0) fail(path_, "setting the permissions of", errno);
  if (::fsync(fd_) != 0) fail(path_, "flushing", errno);
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0 && errno != EINTR) fail(path_, "closing", errno);

  if (::rename(path_.c_str(), target_.c_str()) != 0) fail(target_, "replacing", errno);
  committed_ = true;

  const std::string folder = std::filesystem::path(target_).parent_path().string();
  const int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  // From here the image is replaced; only the rename's survival of a power loss is in doubt.
  if (dir < 0) fail(target_, "flushing the folder after replacing", errno);
  const int synced = ::fsync(dir);
  const int error = errno;
  ::close(dir);
  if (synced != 0) fail(target_, "flushing the folder after replacing", error);
}

void ReplacementFile::fail(const std::string& path, const char* operation, int error) const {
  throw FileError(path, operation, std::error_code(error, std::generic_category()));
}

}  // namespace thornvale::cli
