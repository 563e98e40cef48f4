// Replacing a whole file on Linux: the new content goes into an unnamed file (O_TMPFILE) in the
// target's folder, is made the old file's exactly (owner, group, mode, ACL, extended attributes,
// whatever the folder's setgid bit or default ACL would give a new file), and gets a name only at
// commit(), in two steps under blocked signals: a link under a temporary name, renamed over the
// target at once. Should the process die between the two, a later replacement in that folder
// removes the stray name, once it is certainly ours and its process certainly gone.

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <linux/fs.h>
#include <pwd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string_view>

#include "codec/File.h"
#include "codec/FileError.h"
#include "codec/ReplacementRules.h"
#include "codec/posix/FileCalls.h"

namespace thornvale {

namespace {

constexpr const char* kAccessAcl = "system.posix_acl_access";

using posix::SignalsHeld;

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

// A name in a folder that goes with the scope unless released: every way out of a failed
// replacement, the constructor's throws included, takes it away.
struct OwnedName {
  const Descriptor* folder = nullptr;
  std::string name;
  OwnedName() = default;
  OwnedName(const OwnedName&) = delete;
  OwnedName& operator=(const OwnedName&) = delete;
  ~OwnedName() {
    if (!name.empty()) ::unlinkat(folder->fd, name.c_str(), 0);
  }
};

std::string systemWords(int error) { return std::strerror(error); }

// The path of the file `target` names: its own, or where its symbolic links lead, read link by
// link as names. Never learnt back from a descriptor: a file renamed over or moved since its open
// has a path there that nobody asked for.
std::string followedName(const std::string& target) {
  std::filesystem::path path = target;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path.string();
    std::error_code error;
    const std::filesystem::path next = std::filesystem::read_symlink(path, error);
    if (error) posix::fail(target, "reading the link", error.value());
    path = next.is_absolute() ? next : path.parent_path() / next;
  }
  posix::fail(target, "opening", ELOOP);
}

std::string userName(uid_t uid) {
  struct passwd entry {};
  struct passwd* found = nullptr;
  char buffer[4096];
  if (::getpwuid_r(uid, &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr)
    return found->pw_name;
  return std::to_string(uid);
}

std::string groupName(gid_t gid) {
  struct group entry {};
  struct group* found = nullptr;
  char buffer[4096];
  if (::getgrgid_r(gid, &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr)
    return found->gr_name;
  return std::to_string(gid);
}

std::string describeOwner(uid_t uid, gid_t gid) {
  return "user " + userName(uid) + " and group " + groupName(gid);
}

// A value of `name` on `fd`: nothing where the file has none.
std::optional<std::string> attribute(int fd, const char* name) {
  std::string value(256, '\0');
  for (;;) {
    const ssize_t size = ::fgetxattr(fd, name, value.data(), value.size());
    if (size >= 0) {
      value.resize(static_cast<std::size_t>(size));
      return value;
    }
    if (errno != ERANGE) return std::nullopt;
    const ssize_t needed = ::fgetxattr(fd, name, nullptr, 0);
    if (needed < 0) return std::nullopt;
    value.resize(static_cast<std::size_t>(needed) + 1);
  }
}

// The names of the extended attributes of `fd`; empty where the file system has none.
std::vector<std::string> attributeNames(int fd, const std::string& path) {
  std::string names(4096, '\0');
  ssize_t listed = ::flistxattr(fd, names.data(), names.size());
  while (listed < 0 && errno == ERANGE) {
    listed = ::flistxattr(fd, nullptr, 0);
    if (listed < 0) break;
    names.resize(static_cast<std::size_t>(listed) + 1);
    listed = ::flistxattr(fd, names.data(), names.size());
  }
  if (listed < 0 && errno != ENOTSUP) posix::fail(path, "reading the extended attributes of", errno);
  std::vector<std::string> result;
  for (std::size_t at = 0; listed > 0 && at < static_cast<std::size_t>(listed);) {
    result.emplace_back(names.c_str() + at);
    at += result.back().size() + 1;
  }
  return result;
}

// The inode flags of `fd`, where the file system has them.
std::optional<int> inodeFlags(int fd) {
  int flags = 0;
  if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0) return std::nullopt;
  return flags;
}

}  // namespace

std::string temporaryScope() {
  // This boot and this PID namespace: outside either, a process number names another process.
  // Asked anew each time: a process forked into another namespace must see its own.
  std::ifstream bootFile("/proc/sys/kernel/random/boot_id");
  std::string boot;
  std::getline(bootFile, boot);
  std::erase(boot, '-');
  struct stat ns {};
  if (boot.size() != 32 || boot.find_first_not_of("0123456789abcdef") != std::string::npos ||
      ::stat("/proc/self/ns/pid", &ns) != 0) {
    return {};
  }
  char inode[24];
  std::snprintf(inode, sizeof inode, "%016llx", static_cast<unsigned long long>(ns.st_ino));
  return boot + inode;
}

namespace {

// Removes the stray names left in `folder` by processes of ours that are gone: our exact name form
// and scope, a regular file (never a link) of one name, owned by us, and no process of its number.
void removeStrayNames(int folder) {
  posix::forEachDeadStray(folder, [&](const char* name, const struct stat& st) {
    if (S_ISREG(st.st_mode) && st.st_nlink == 1) ::unlinkat(folder, name, 0);
  });
}

}  // namespace

struct Replacement::Native {
  Replacement::Target kind;
  std::string resolved;  // the file that commit() replaces
  std::string name;      // its name in `folder`
  std::string folderPath;
  Descriptor folder;
  // Where unnamed files are not to be had, the signals that would stop the program are held
  // while the new content has a name, and that name goes before they are let through; declared
  // after `folder`, which the name needs until it is gone.
  std::optional<SignalsHeld> held;
  OwnedName named;
  // The new content, unnamed until commit(). Declared after `named` so that it is closed before
  // its name goes: a FUSE file system keeps a removed file that is still open under a hidden name
  // of its own (.fuse_hidden...) beside the image.
  Descriptor file;
  bool exists = false;
  struct stat old {};
  bool committed = false;
};

namespace {

// Whether `name` in the folder is still the file examined (or, where there was none, still
// nothing): a program that takes no locks may have replaced or moved it since.
bool stillThere(const Replacement::Native& n) {
  struct stat now {};
  if (::fstatat(n.folder.fd, n.name.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0) return !n.exists && errno == ENOENT;
  return n.exists && now.st_dev == n.old.st_dev && now.st_ino == n.old.st_ino;
}

}  // namespace

namespace {

std::error_code systemCode(int error) { return {error, std::generic_category()}; }

// Opens what the target names, following a link as the system does, so that its protection against
// links planted in shared folders applies; fills in what the replacement needs of it. Closed (-1)
// where an output file does not exist yet.
int openTarget(Replacement::Native& n, const std::string& target) {
  const int current = ::open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (current >= 0) {
    n.exists = true;
    return current;
  }
  if (errno != ENOENT || n.kind != Replacement::Target::OutputFile) posix::fail(target, "opening", errno);
  struct stat link {};
  if (::lstat(target.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) refuseDanglingLink(target);
  n.resolved = std::filesystem::absolute(target).lexically_normal().string();
  return -1;
}

void examineOld(Replacement::Native& n, int current, const std::string& target) {
  if (::fstat(current, &n.old) != 0) posix::fail(target, "examining", errno);
  posix::refuseUnlessRegular(target, n.old.st_mode, "replacing");
  n.resolved = followedName(target);
  if (n.old.st_nlink > 1) refuseLinkedFile(target, n.old.st_nlink);
  if (n.kind == Replacement::Target::ExistingImage) return;
  // An output, as a shell's `>` would: only a file we may write into.
  if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) posix::fail(target, "writing", errno);
}

// A folder or file whose flags forbid renaming over the file would keep the new content's name
// beside it, where no one could remove it; ask first.
void refuseWhereNoReplacementCanLand(const Replacement::Native& n, int current, const std::string& target) {
  constexpr int kFixed = FS_APPEND_FL | FS_IMMUTABLE_FL;
  if (const std::optional<int> flags = inodeFlags(n.folder.fd); flags && (*flags & kFixed) != 0) {
    refuseFixed(n.folderPath, true, (*flags & FS_IMMUTABLE_FL) != 0, target,
                n.kind == Replacement::Target::ExistingImage);
  }
  if (current < 0) return;
  if (const std::optional<int> flags = inodeFlags(current); flags && (*flags & kFixed) != 0) {
    refuseFixed(target, false, (*flags & FS_IMMUTABLE_FL) != 0, target);
  }
}

// A new file's mode is what the system gives any new file (the umask, or the folder's default
// ACL); a file that replaces one is closed to others until it is given the old file's.
void createNewFile(Replacement::Native& n) {
  const mode_t mode = n.exists ? 0600 : 0666;
  n.file.fd = ::openat(n.folder.fd, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
  if (n.file.fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
    // A file system without unnamed files: a named one, which only a kill -9 could leave behind.
    n.held.emplace();
    n.named.folder = &n.folder;
    for (int attempt = 0; attempt < 100; ++attempt) {
      const std::string name = temporaryName(temporaryScope(), static_cast<std::uint64_t>(::getpid()));
      n.file.fd = ::openat(n.folder.fd, name.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, mode);
      if (n.file.fd >= 0) n.named.name = name;
      if (n.file.fd >= 0 || errno != EEXIST) break;
    }
  }
  if (n.file.fd < 0) posix::fail(n.folderPath, "creating a new file in", errno);
}

// Extended attributes, the ACL among them, as the old file has them; an ACL that the folder's
// default gave the new file goes where the old one had none.
void copyAttributes(const Replacement::Native& n, int current, const std::string& target) {
  for (const std::string& name : attributeNames(current, target)) {
    const std::optional<std::string> value = attribute(current, name.c_str());
    if (value && ::fsetxattr(n.file.fd, name.c_str(), value->data(), value->size(), 0) == 0) continue;
    const int error = value ? errno : ENODATA;
    if (n.kind != Replacement::Target::ExistingImage) continue;
    refuseAttribute(target, systemCode(error), "its extended attribute " + name, systemWords(error));
  }
  // Only an ACL the new file has: asking to remove none is refused (EPERM) where the file is not
  // ours, as ntfs-3g does for anyone but root.
  if (!attribute(current, kAccessAcl) && attribute(n.file.fd, kAccessAcl) && ::fremovexattr(n.file.fd, kAccessAcl) != 0 && errno != ENODATA &&
      errno != ENOTSUP && n.kind == Replacement::Target::ExistingImage) {
    const int error = errno;
    refuseAttribute(target, systemCode(error), "its ACL (none, where the folder's default gives one)",
                    systemWords(error));
  }
}

// Makes the new file the old one's: owner, group, mode, ACL and extended attributes. Each step may
// fail where the file system has nothing to set (FAT keeps no owner or permissions); what counts is
// the outcome, compared afterwards. A file whose owner, group or mode cannot be matched is refused
// here, before it is touched; an output keeps what it could of the rest (its ACL, its attributes).
void keepWhatTheOldFileHad(const Replacement::Native& n, int current, const std::string& target) {
  // The owner only where it is not already ours: giving a file away needs a right that keeping
  // it does not. The group always, whatever a setgid folder gave; and before the mode, since a
  // change of owner clears the set-id bits.
  int ownerError = 0;
  if (::fchown(n.file.fd, n.old.st_uid == ::geteuid() ? static_cast<uid_t>(-1) : n.old.st_uid,
               n.old.st_gid) != 0) {
    ownerError = errno;
  }
  copyAttributes(n, current, target);
  // After the ACL, since the mode sets the ACL's mask.
  int modeError = 0;
  if (::fchmod(n.file.fd, n.old.st_mode & 07777) != 0) modeError = errno;

  struct stat made {};
  if (::fstat(n.file.fd, &made) != 0) posix::fail(target, "examining the new content of", errno);
  if (made.st_uid != n.old.st_uid || made.st_gid != n.old.st_gid) {
    const int error = ownerError != 0 ? ownerError : EPERM;
    refuseForeignOwner(target, systemCode(error), describeOwner(n.old.st_uid, n.old.st_gid),
                       systemWords(error));
  }
  if ((made.st_mode & 07777) != (n.old.st_mode & 07777)) {
    char modes[16];
    std::snprintf(modes, sizeof modes, "%04o", static_cast<unsigned>(n.old.st_mode & 07777));
    const int error = modeError != 0 ? modeError : EPERM;
    refuseAttribute(target, systemCode(error), std::string("its permissions ") + modes, systemWords(error));
  }
  if (n.kind == Replacement::Target::ExistingImage &&
      attribute(current, kAccessAcl) != attribute(n.file.fd, kAccessAcl)) {
    refuseAttribute(target, systemCode(EPERM), "its ACL", systemWords(EPERM));
  }
}

}  // namespace

Replacement::Replacement(std::string target, Target kind, const File* read)
    : target_(std::move(target)), native_(std::make_unique<Native>()) {
  try {
    start(kind, read);
  } catch (const FileError& error) {
    if (kind == Target::OutputFile) rethrowForOutput(error);
    throw;
  }
}

void Replacement::start(Target kind, const File* read) {
  Native& n = *native_;
  n.kind = kind;
  const bool image = kind == Target::ExistingImage;
  const Descriptor current(openTarget(n, target_));
  if (current.fd >= 0) examineOld(n, current.fd, target_);
  if (read != nullptr && (!n.exists || read->identity() != std::pair<std::uint64_t, std::uint64_t>(
                                                             n.old.st_dev, n.old.st_ino))) {
    refuseChangedMeanwhile(target_, image);
  }

  const std::filesystem::path where(n.resolved);
  n.name = where.filename().string();
  n.folderPath = where.parent_path().empty() ? "." : where.parent_path().string();
  n.folder.fd = ::open(n.folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (n.folder.fd < 0) posix::fail(n.folderPath, "opening the folder", errno);
  // The name found must be the file opened; a change between the two is a change meanwhile.
  if (!stillThere(n)) refuseChangedMeanwhile(target_, image);
  refuseWhereNoReplacementCanLand(n, current.fd, target_);

  createNewFile(n);
  if (n.exists) keepWhatTheOldFileHad(n, current.fd, target_);
}

Replacement::~Replacement() = default;

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
  // Through an open of its own, as a later reader will see the content: some FUSE file systems
  // (FAT through fusefat) read back other bytes through the descriptor that wrote them.
  char self[64];
  std::snprintf(self, sizeof self, "/proc/self/fd/%d", native_->file.fd);
  // A mode that lets no one read (the old file's) leaves the descriptor that wrote it.
  const Descriptor reader(posix::openRetrying(self, O_RDONLY | O_CLOEXEC));
  const int fd = reader.fd >= 0 ? reader.fd : native_->file.fd;
  struct stat st {};
  if (::fstat(fd, &st) != 0) posix::fail(target_, "examining the new content of", errno);
  Bytes bytes(static_cast<std::size_t>(st.st_size));
  bytes.resize(posix::readAllAt(fd, target_, 0, bytes));
  return bytes;
}

void Replacement::commit() {
  Native& n = *native_;
  if (::fsync(n.file.fd) != 0) posix::fail(target_, "flushing the new content of", errno);
  removeStrayNames(n.folder.fd);

  char self[64];
  std::snprintf(self, sizeof self, "/proc/self/fd/%d", n.file.fd);
  {
    const SignalsHeld held;
    if (n.named.name.empty()) {
      n.named.folder = &n.folder;
      // A taken name (a crashed process's, of the same number and nonce) is passed over.
      for (int attempt = 0;; ++attempt) {
        const std::string name = temporaryName(temporaryScope(), static_cast<std::uint64_t>(::getpid()));
        if (::linkat(AT_FDCWD, self, n.folder.fd, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
          n.named.name = name;
          break;
        }
        if (errno != EEXIST || attempt == 99) posix::fail(target_, "naming the new content of", errno);
      }
    }
    // Only over the file examined, or where there was none, onto no file: the name asked for holds
    // what another program put there otherwise (the temporary name goes with `named`). Between the
    // look and the rename, signals held, lie a few microseconds.
    const unsigned flags = n.exists ? 0 : RENAME_NOREPLACE;
    int renamed = -1;
    int error = EEXIST;
    if (stillThere(n)) {
      if (flags != 0) renamed = ::renameat2(n.folder.fd, n.named.name.c_str(), n.folder.fd, n.name.c_str(), flags);
      // A file system that cannot refuse to replace had nothing at the name a moment ago.
      if (flags == 0 || (renamed != 0 && errno == EINVAL))
        renamed = ::renameat(n.folder.fd, n.named.name.c_str(), n.folder.fd, n.name.c_str());
      error = errno;
    }
    if (renamed != 0) {
      // The new content goes at once, not when the object does; closed first, as above.
      ::close(n.file.fd);
      n.file.fd = -1;
      ::unlinkat(n.folder.fd, n.named.name.c_str(), 0);
      n.named.name.clear();
      if (error == EEXIST) refuseChangedMeanwhile(target_, n.kind == Target::ExistingImage);
      posix::fail(target_, "replacing", error);
    }
    n.named.name.clear();
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
