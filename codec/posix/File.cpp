// The file layer on POSIX systems (Linux): descriptors, pread/pwrite, flock, and O_TMPFILE for
// replacements.

#include "codec/File.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <optional>
#include <thread>

#include "codec/FileError.h"
#include "codec/ProcessSignals.h"
#include "codec/ReplacementRules.h"
#include "codec/posix/FileCalls.h"

namespace thornvale {

const File::Handle File::kClosed = -1;

namespace posix {

namespace {

// Linux's PID_MAX_LIMIT: no process number is larger.
constexpr std::uint64_t kMaxPid = 4'194'304;

}  // namespace

void forEachDeadStray(int folder, const std::function<void(const char* name, const struct stat& st)>& remove) {
  const std::string scope = temporaryScope();
  // A descriptor of its own: a listing through one opened before the names were made can miss them.
  const int copy = ::dup(folder);
  if (copy < 0) return;
  DIR* dir = ::fdopendir(copy);
  if (dir == nullptr) {
    ::close(copy);
    return;
  }
  while (const dirent* entry = ::readdir(dir)) {
    const std::optional<std::uint64_t> pid = strayProcess(entry->d_name, scope, kMaxPid);
    if (!pid) continue;
    struct stat st {};
    if (::fstatat(folder, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || S_ISLNK(st.st_mode) ||
        st.st_uid != ::geteuid()) {
      continue;
    }
    if (::kill(static_cast<pid_t>(*pid), 0) == 0 || errno != ESRCH) continue;
    remove(entry->d_name, st);
  }
  ::closedir(dir);
}

const char* kindOfFile(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a FIFO (named pipe)";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a regular file";
}

int openRetrying(const std::string& path, int flags) {
  int fd = -1;
  do {
    fd = ::open(path.c_str(), flags);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

struct statx examine(int fd, const char* name, int flags, const std::string& path) {
  struct statx st {};
  if (::statx(fd, name, flags, kExamined, &st) != 0) fail(path, "examining", errno);
  return st;
}

void refuseUnlessRegular(const std::string& path, mode_t mode, const char* operation) {
  if (S_ISREG(mode)) return;
  // The system's own words say it best for a folder, whose size would pass for an image's length.
  if (S_ISDIR(mode)) throw FileError(path, operation, std::make_error_code(std::errc::is_a_directory));
  throw FileError(path, operation, std::make_error_code(std::errc::invalid_argument),
                  std::string(kindOfFile(mode)) + ", not a regular file; nothing was read or written");
}

std::size_t readAllAt(int fd, const std::string& path, std::int64_t offset, std::span<std::uint8_t> out) {
  std::size_t done = 0;
  while (done < out.size()) {
    const ssize_t n = ::pread(fd, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      fail(path, "reading", errno);
    }
    if (n == 0) break;  // the end of the file
    done += static_cast<std::size_t>(n);
  }
  return done;
}

}  // namespace posix

namespace {

// A File holds a descriptor in its portable handle.
int descriptor(File::Handle handle) { return static_cast<int>(handle); }

}  // namespace

void File::closeQuietly(Handle handle) noexcept { (void)::close(descriptor(handle)); }

File File::openExisting(std::string path, Access access) {
  // O_NONBLOCK: opening a FIFO or a device must not wait for a partner; anything but a regular
  // file is refused just below, before any read or write. It changes nothing for a regular file.
  const int flags = (access == Access::Read ? O_RDONLY : O_RDWR) | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
  int fd = -1;
  // A writer reads the bytes it will overwrite, for putting them back; that read is no use of
  // the file worth an access time, whose update would cost the write's flush a second inode
  // write. Only the file's owner may ask for that.
  if (access == Access::Write) fd = posix::openRetrying(path, flags | O_NOATIME);
  if (fd < 0) fd = posix::openRetrying(path, flags);
  if (fd < 0) {
    const int error = errno;
    const FileError failure(path, "opening", std::error_code(error, std::generic_category()));
    // The system's words alone ("Permission denied") leave a user guessing what to do.
    if (access == Access::Write && (error == EACCES || error == EPERM)) {
      throw failure.withMeaning("The file is read-only for you, so nothing was written to it.");
    }
    if (access == Access::Write && error == EROFS) {
      throw failure.withMeaning("The file lies on a read-only file system, so nothing was written to it.");
    }
    throw failure;
  }
  File file(std::move(path), fd);  // owns the descriptor from here, whatever is thrown below

  const struct statx st = posix::examine(fd, "", AT_EMPTY_PATH, file.path_);
  posix::refuseUnlessRegular(file.path_, st.stx_mode, "opening");
  file.identity_[0] = makedev(st.stx_dev_major, st.stx_dev_minor);
  file.identity_[1] = st.stx_ino;
  return file;
}

std::int64_t File::size() const {
  return static_cast<std::int64_t>(posix::examine(descriptor(handle_), "", AT_EMPTY_PATH, path_).stx_size);
}

std::size_t File::readAt(std::int64_t offset, std::span<std::uint8_t> out) const {
  return posix::readAllAt(descriptor(handle_), path_, offset, out);
}

void File::writeAt(std::int64_t offset, std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n =
        ::pwrite(descriptor(handle_), bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      posix::fail(path_, "writing", errno);
    }
    if (n == 0) posix::fail(path_, "writing", EIO);
    done += static_cast<std::size_t>(n);
  }
}

void File::flush() {
  if (::fsync(descriptor(handle_)) != 0) posix::fail(path_, "flushing", errno);
}

void File::close() {
  const int fd = descriptor(handle_);
  handle_ = kClosed;
  // On Linux the descriptor is gone even when close reports EINTR; retrying could close another.
  if (fd != kClosed && ::close(fd) != 0 && errno != EINTR) posix::fail(path_, "closing", errno);
}

bool File::tryLock(Lock kind, std::chrono::milliseconds timeout) {
  const int operation = (kind == Lock::Shared ? LOCK_SH : LOCK_EX) | LOCK_NB;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  auto pause = std::chrono::milliseconds(1);
  for (;;) {
    if (::flock(descriptor(handle_), operation) == 0) return true;
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK) posix::fail(path_, "locking", errno);
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::milliseconds(25));
  }
}

bool File::stillNamedByPath() const {
  struct statx named {};
  if (::statx(AT_FDCWD, path_.c_str(), 0, posix::kExamined, &named) != 0) return false;
  return makedev(named.stx_dev_major, named.stx_dev_minor) == identity_[0] && named.stx_ino == identity_[1];
}

}  // namespace thornvale

namespace thornvale {

void reportFailedWritesAsErrors() {
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace thornvale
