#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "codec/Paths.h"

namespace thornvale::test {

using Bytes = std::vector<std::uint8_t>;

// Paths are UTF-8 strings; the tests cross into std::filesystem as the program does.
using thornvale::fsPath;
using thornvale::utf8Path;

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir();

  [[nodiscard]] const std::filesystem::path& path() const noexcept { return path_; }
  [[nodiscard]] std::string file(const std::string& name) const { return utf8Path(path_ / fsPath(name)); }

 private:
  std::filesystem::path path_;
};

// The system's words for a failure that the file layer reports with this errno value: strerror's
// on POSIX, FormatMessageW's for the matching Windows error on Windows.
[[nodiscard]] std::string systemReason(int error);

void writeBytes(const std::string& path, const Bytes& bytes);
[[nodiscard]] Bytes readBytes(const std::string& path);

// Writes the sample image to `path` and returns its bytes.
Bytes writeSampleImage(const std::string& path);

// Makes the process obey permission bits while it lives, also when it runs as root (tests and CI
// do), by lowering the file-override capabilities; they come back at the end of the scope. On
// Windows nobody overrides a read-only file, and it does nothing.
class ObeyPermissions {
 public:
  ObeyPermissions();
  ObeyPermissions(const ObeyPermissions&) = delete;
  ObeyPermissions& operator=(const ObeyPermissions&) = delete;
  ~ObeyPermissions();

 private:
  bool lowered_ = false;
  std::uint32_t saved_[2] = {0, 0};
};

// While it lives, every write at or past `limit` bytes fails with EFBIG, as on a full or capped
// disk: a real failing write, for the error paths. POSIX only: Windows has no such limit.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(std::uint64_t limit);
  // False where the system has no such limit (Windows); a test then skips.
  [[nodiscard]] static constexpr bool available() {
#ifdef _WIN32
    return false;
#else
    return true;
#endif
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
  ~FileSizeLimit();

 private:
  std::uint64_t savedSoft_;
  void (*savedHandler_)(int);
};

#ifndef _WIN32
// What a test may need of the file system its files are on, beyond reading and writing: FAT,
// exFAT and NTFS through FUSE lack some (no hard links, no owners or modes, no control
// characters in names).
enum class FileSystemFeature {
  HardLinks,
  SymbolicLinks,
  SpecialFiles,           // a FIFO
  Owners,                 // a file given to another user and group stays theirs
  Modes,                  // a file's and a folder's permission bits, the sticky bit among them, stay
  UnnamedFiles,           // O_TMPFILE, which the replacements name only at their commit
  OddBytesInNames,        // an escape, and a byte that is no UTF-8, in a file name
  FileSizeLimit,          // a write past RLIMIT_FSIZE fails with EFBIG
};

// Why the file system holding `folder` cannot serve a test that needs `feature`, for its skip;
// empty where it can. Found by trying it there, not by the file system's name.
[[nodiscard]] std::string lacks(const std::filesystem::path& folder, FileSystemFeature feature);
#endif

}  // namespace thornvale::test
