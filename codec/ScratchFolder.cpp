#include "codec/ScratchFolder.h"

#include <random>
#include <string>
#include <system_error>

#include "codec/FileError.h"
#include "codec/Paths.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "codec/ReplacementRules.h"
#include "codec/posix/FileCalls.h"
#endif

namespace thornvale {

#ifdef _WIN32

struct ScratchFolder::Native {};

ScratchFolder::ScratchFolder() {
  std::error_code error;
  const std::filesystem::path base = std::filesystem::temp_directory_path(error);
  if (error) throw FileError("the temporary folder (TMP or TEMP)", "finding", error);
  std::random_device random;
  for (int attempt = 0;; ++attempt) {
    const std::filesystem::path candidate =
        base / ("thornvale-" + std::to_string(random()) + "-" + std::to_string(GetCurrentProcessId()));
    if (CreateDirectoryW(candidate.c_str(), nullptr)) {
      // Some libraries open files through the ANSI code page: the short name keeps a folder under a
      // user name in any writing system reachable for them.
      std::wstring shortName(MAX_PATH, L'\0');
      const DWORD length = GetShortPathNameW(candidate.c_str(), shortName.data(), MAX_PATH);
      shortName.resize(length > 0 && length < MAX_PATH ? length : 0);
      path_ = shortName.empty() ? candidate : std::filesystem::path(shortName);
      return;
    }
    const DWORD code = GetLastError();
    if (code != ERROR_ALREADY_EXISTS || attempt == 16)
      throw FileError(utf8Path(candidate), "creating",
                      std::error_code(static_cast<int>(code), std::system_category()));
  }
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

#else

namespace {

// Removes the files in the open folder `fd` (a library makes files only, and no link is followed)
// and then the folder itself, where `name` in `base` still is that folder.
void removeFolder(int base, const std::string& name, int fd) {
  struct stat own {};
  if (::fstat(fd, &own) != 0) return;
  // A listing of its own: on btrfs one through a descriptor opened before the files were made
  // misses them.
  if (const int copy = ::openat(fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC); copy >= 0) {
    if (DIR* dir = ::fdopendir(copy)) {
      while (const dirent* entry = ::readdir(dir)) {
        struct stat st {};
        if (::fstatat(fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISDIR(st.st_mode))
          ::unlinkat(fd, entry->d_name, 0);
      }
      ::closedir(dir);
    } else {
      ::close(copy);
    }
  }
  struct stat named {};
  if (::fstatat(base, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_dev == own.st_dev &&
      named.st_ino == own.st_ino) {
    ::unlinkat(base, name.c_str(), AT_REMOVEDIR);
  }
}

// The scratch folders that processes of ours left in `base` when they were killed: our exact name
// form and scope, a folder (never a link) owned by us, and no process of its number.
void removeStrayFolders(int base) {
  posix::forEachDeadStray(base, [&](const char* name, const struct stat& st) {
    if (!S_ISDIR(st.st_mode)) return;
    const int fd = ::openat(base, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return;
    removeFolder(base, name, fd);
    ::close(fd);
  });
}

[[noreturn]] void refuseBase(const std::string& base, const std::string& why) {
  throw FileError(base, "making a scratch folder in", std::make_error_code(std::errc::permission_denied),
                  "the temporary folder (TMPDIR) " + why +
                      "; nothing was written. Set TMPDIR to a folder of your own");
}

}  // namespace

struct ScratchFolder::Native {
  posix::SignalsHeld held;  // first made, last gone: the signals wait until the folder is
  int base = -1;
  int folder = -1;
  std::string name;
  Native() = default;
  Native(const Native&) = delete;
  Native& operator=(const Native&) = delete;
  ~Native() {
    if (folder >= 0) ::close(folder);
    if (base >= 0) ::close(base);
  }
};

ScratchFolder::ScratchFolder() : native_(std::make_unique<Native>()) {
  Native& n = *native_;
  const char* variable = std::getenv("TMPDIR");
  const std::string base = variable != nullptr && *variable != '\0' ? variable : "/tmp";
  n.base = ::open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (n.base < 0) {
    const int error = errno;
    throw FileError(base, "opening the temporary folder (TMPDIR)", std::error_code(error, std::generic_category()),
                    std::string(std::strerror(error)) + "; nothing was written");
  }
  struct stat st {};
  if (::fstat(n.base, &st) != 0) posix::fail(base, "examining the temporary folder", errno);
  // Another user who may rename or remove names in it could put a folder of his in ours' place.
  const bool othersWrite = (st.st_mode & (S_IWGRP | S_IWOTH)) != 0;
  if (othersWrite && (st.st_mode & S_ISVTX) == 0) refuseBase(base, "may be changed by other users (it is writable by them and not sticky)");
  if (st.st_uid != ::geteuid() && st.st_uid != 0) refuseBase(base, "belongs to another user");
  removeStrayFolders(n.base);

  for (int attempt = 0;; ++attempt) {
    n.name = temporaryName(temporaryScope(), static_cast<std::uint64_t>(::getpid()));
    if (::mkdirat(n.base, n.name.c_str(), 0700) == 0) break;
    if (errno != EEXIST || attempt == 99) posix::fail(base, "making a scratch folder in", errno);
  }
  n.folder = ::openat(n.base, n.name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  struct stat made {};
  if (n.folder < 0 || ::fstat(n.folder, &made) != 0 || made.st_uid != ::geteuid() ||
      (made.st_mode & 07777) != 0700) {
    const int error = n.folder < 0 ? errno : EPERM;
    if (n.folder < 0) ::unlinkat(n.base, n.name.c_str(), AT_REMOVEDIR);  // a link put there stays
    if (n.folder >= 0) removeFolder(n.base, n.name, n.folder);
    posix::fail(base + "/" + n.name, "making a scratch folder", error);
  }
  // Through the descriptor: whatever is renamed in the temporary folder, the files go into ours.
  path_ = "/proc/self/fd/" + std::to_string(n.folder);
}

ScratchFolder::~ScratchFolder() {
  if (native_->folder >= 0) removeFolder(native_->base, native_->name, native_->folder);
}

#endif

}  // namespace thornvale
