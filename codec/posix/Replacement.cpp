// Replacing a whole file on Linux: the new content goes into an unnamed file (O_TMPFILE) in the
// target's folder, takes over the old file's owner, group, mode, ACLs and extended attributes, and
// gets a name only at commit(), in two steps under blocked signals: a link under a short temporary
// name, renamed over the target at once. Should the process die between the two, the next
// replacement in that folder removes the stray name.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string_view>

#include "codec/File.h"
#include "codec/FileError.h"
#include "codec/posix/Errors.h"

namespace thornvale {

namespace {

constexpr std::string_view kTempPrefix = ".thornvale-";
constexpr std::string_view kTempSuffix = ".tmp";

// The signals a user sends to stop a program; a replacement does not stop between its two steps.
class SignalsHeld {
 public:
  SignalsHeld() {
    sigset_t held;
    sigemptyset(&held);
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE}) sigaddset(&held, s);
    ::pthread_sigmask(SIG_BLOCK, &held, &saved_);
  }
  SignalsHeld(const SignalsHeld&) = delete;
  SignalsHeld& operator=(const SignalsHeld&) = delete;
  ~SignalsHeld() { ::pthread_sigmask(SIG_SETMASK, &saved_, nullptr); }

 private:
  sigset_t saved_;
};

struct Descriptor {
  int fd = -1;
  Descriptor() = default;
  explicit Descriptor(int f) : fd(f) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
};

mode_t newFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// The path of what `fd` has open, with every link resolved by the system when it opened it.
std::string openedPath(int fd, const std::string& given) {
  char link[64];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  std::error_code error;
  const std::filesystem::path resolved = std::filesystem::read_symlink(link, error);
  if (error) posix::fail(given, "finding the folder of", error.value());
  return resolved.string();
}

// A stray temporary name is ours when its process is gone.
void removeStrayNames(int folder) {
  const int copy = ::dup(folder);
  if (copy < 0) return;
  DIR* dir = ::fdopendir(copy);
  if (dir == nullptr) {
    ::close(copy);
    return;
  }
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name(entry->d_name);
    if (!name.starts_with(kTempPrefix) || !name.ends_with(kTempSuffix)) continue;
    const std::string_view middle =
        name.substr(kTempPrefix.size(), name.size() - kTempPrefix.size() - kTempSuffix.size());
    const long pid = std::strtol(std::string(middle.substr(0, middle.find('-'))).c_str(), nullptr, 10);
    if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
      ::unlinkat(folder, entry->d_name, 0);
    }
  }
  ::closedir(dir);
}

std::string describeOwner(const struct stat& st) {
  return "user " + std::to_string(st.st_uid) + " and group " + std::to_string(st.st_gid);
}

std::string temporaryName() {
  static std::atomic<unsigned> counter{0};
  return std::string(kTempPrefix) + std::to_string(::getpid()) + '-' + std::to_string(counter++) +
         std::string(kTempSuffix);
}

}  // namespace

struct Replacement::Native {
  Replacement::Target kind;
  std::string resolved;  // the file that commit() replaces
  std::string name;      // its name in `folder`
  Descriptor folder;
  Descriptor file;  // the new content, unnamed until commit()
  bool exists = false;
  struct stat old {};
  std::string temporary;  // the name of a named new file, where unnamed ones are not to be had
  std::optional<SignalsHeld> held;
  bool committed = false;
};

Replacement::Replacement(std::string target, Target kind)
    : target_(std::move(target)), native_(std::make_unique<Native>()) {
  Native& n = *native_;
  n.kind = kind;

  // Let the system follow a link at the target, so that its protection against links planted
  // in shared folders applies; then replace what it found.
  Descriptor current(::open(target_.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (current.fd >= 0) {
    if (::fstat(current.fd, &n.old) != 0) posix::fail(target_, "examining", errno);
    posix::refuseUnlessRegular(target_, n.old.st_mode, "replacing");
    n.exists = true;
    n.resolved = openedPath(current.fd, target_);
  } else if (errno == ENOENT && kind == Target::OutputFile) {
    struct stat link {};
    if (::lstat(target_.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
      throw FileError(target_, "writing", std::make_error_code(std::errc::no_such_file_or_directory),
                      "a symbolic link to a file that does not exist; it was left as it is");
    }
    n.resolved = std::filesystem::absolute(target_).lexically_normal().string();
  } else {
    posix::fail(target_, "opening", errno);
  }

  const std::filesystem::path where(n.resolved);
  n.name = where.filename().string();
  const std::string folder = where.parent_path().empty() ? "." : where.parent_path().string();
  n.folder.fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (n.folder.fd < 0) posix::fail(folder, "opening the folder", errno);

  if (n.exists && kind == Target::ExistingImage && n.old.st_nlink > 1) {
    throw FileError(target_, "replacing", std::make_error_code(std::errc::too_many_links),
                    "the file has " + std::to_string(n.old.st_nlink) +
                        " hard links, and replacing it would split them; nothing was written. "
                        "`set` or the editor can still change one text at a time");
  }

  const mode_t mode = n.exists ? (n.old.st_mode & 07777) : newFileMode();
  n.file.fd = ::openat(n.folder.fd, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (n.file.fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
    // A file system without unnamed files: a named one, which only a kill -9 could leave behind
    // (and the next replacement here then removes).
    n.held.emplace();
    // A name that a crashed process of the same number left is passed over.
    for (int attempt = 0; attempt < 100; ++attempt) {
      n.temporary = temporaryName();
      n.file.fd = ::openat(n.folder.fd, n.temporary.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0600);
      if (n.file.fd >= 0 || errno != EEXIST) break;
    }
  }
  if (n.file.fd < 0) posix::fail(folder, "creating a new file in", errno);

  if (n.exists) {
    // Owner and group first: a change of owner clears the set-id bits that fchmod sets below.
    if ((n.old.st_uid != ::geteuid() || n.old.st_gid != ::getegid()) &&
        ::fchown(n.file.fd, n.old.st_uid, n.old.st_gid) != 0) {
      if (kind == Target::ExistingImage) {
        throw FileError(target_, "replacing", std::error_code(errno, std::generic_category()),
                        "the file belongs to " + describeOwner(n.old) +
                            ", and a new file of ours could not be given to them; nothing was written. "
                            "`set` or the editor can still change one text at a time");
      }
    }
    // Extended attributes, ACLs among them; the mode after them, since it also sets the ACL mask.
    std::string names(4096, '\0');
    ssize_t listed = ::flistxattr(current.fd, names.data(), names.size());
    if (listed < 0 && errno == ERANGE) {
      listed = ::flistxattr(current.fd, nullptr, 0);
      if (listed > 0) {
        names.resize(static_cast<std::size_t>(listed));
        listed = ::flistxattr(current.fd, names.data(), names.size());
      }
    }
    if (listed < 0 && errno != ENOTSUP) posix::fail(target_, "reading the extended attributes of", errno);
    for (std::size_t at = 0; listed > 0 && at < static_cast<std::size_t>(listed);) {
      const std::string name(names.c_str() + at);
      at += name.size() + 1;
      std::string value(256, '\0');
      ssize_t size = ::fgetxattr(current.fd, name.c_str(), value.data(), value.size());
      if (size < 0 && errno == ERANGE) {
        size = ::fgetxattr(current.fd, name.c_str(), nullptr, 0);
        if (size >= 0) {
          value.resize(static_cast<std::size_t>(size));
          size = ::fgetxattr(current.fd, name.c_str(), value.data(), value.size());
        }
      }
      if (size < 0 ||
          ::fsetxattr(n.file.fd, name.c_str(), value.data(), static_cast<std::size_t>(size), 0) != 0) {
        if (kind != Target::ExistingImage) continue;
        throw FileError(target_, "replacing", std::error_code(errno, std::generic_category()),
                        "its extended attribute " + name +
                            " could not be carried over to the new file; nothing was written. "
                            "`set` or the editor can still change one text at a time");
      }
    }
  }
  if (::fchmod(n.file.fd, mode) != 0) posix::fail(target_, "setting the permissions of the new", errno);
}

Replacement::~Replacement() {
  // An unnamed file vanishes with its descriptor; a named one must be removed.
  if (native_ && !native_->temporary.empty() && !native_->committed) {
    ::unlinkat(native_->folder.fd, native_->temporary.c_str(), 0);
  }
}

void Replacement::write(std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(native_->file.fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      posix::fail(target_, "writing the new content of", errno);
    }
    if (n == 0) posix::fail(target_, "writing the new content of", EIO);
    bytes = bytes.subspan(static_cast<std::size_t>(n));
  }
}

Bytes Replacement::readBack() const {
  struct stat st {};
  if (::fstat(native_->file.fd, &st) != 0) posix::fail(target_, "examining the new content of", errno);
  Bytes bytes(static_cast<std::size_t>(st.st_size));
  bytes.resize(posix::readAllAt(native_->file.fd, target_, 0, bytes));
  return bytes;
}

void Replacement::commit() {
  Native& n = *native_;
  if (::fsync(n.file.fd) != 0) posix::fail(target_, "flushing the new content of", errno);
  removeStrayNames(n.folder.fd);

  const bool unnamed = n.temporary.empty();
  std::string temporary = unnamed ? temporaryName() : n.temporary;
  char self[64];
  std::snprintf(self, sizeof self, "/proc/self/fd/%d", n.file.fd);
  {
    const SignalsHeld held;
    // A name that a crashed process of the same number left is passed over.
    for (int attempt = 0; unnamed; ++attempt) {
      if (::linkat(AT_FDCWD, self, n.folder.fd, temporary.c_str(), AT_SYMLINK_FOLLOW) == 0) break;
      if (errno != EEXIST || attempt == 99) posix::fail(target_, "naming the new content of", errno);
      temporary = temporaryName();
    }
    if (::renameat(n.folder.fd, temporary.c_str(), n.folder.fd, n.name.c_str()) != 0) {
      const int error = errno;
      if (unnamed) ::unlinkat(n.folder.fd, temporary.c_str(), 0);
      posix::fail(target_, "replacing", error);
    }
  }
  n.committed = true;
  // From here the file is replaced; only the rename's survival of a power loss is in doubt.
  if (::fsync(n.folder.fd) != 0) {
    FileError failure(target_, "flushing the folder after replacing",
                      std::error_code(errno, std::generic_category()));
    failure.markFileChanged();
    throw failure;
  }
}

}  // namespace thornvale
