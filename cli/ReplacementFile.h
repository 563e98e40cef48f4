#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <sys/types.h>

namespace thornvale::cli {

// A new version of a file, built in a temporary file beside it and renamed over it in one step,
// so that a crash or a full disk leaves either the old file or the new one, never half of each.
// Until commit() succeeds the target is not touched; the temporary file is removed on every
// other way out. Failures throw FileError.
class ReplacementFile {
 public:
  // A symbolic link is followed, so the link stays a link to the new file. A target that exists
  // lends the new file its permission bits (and its owner, where we may set it); a new target
  // gets the usual bits of a new file.
  explicit ReplacementFile(const std::string& target);
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;
  ~ReplacementFile();

  // The file the rename replaces, symbolic links resolved.
  [[nodiscard]] const std::string& target() const noexcept { return target_; }
  // The temporary file, for writers that open files by name.
  [[nodiscard]] const std::string& path() const noexcept { return path_; }

  // Appends to the temporary file.
  void write(std::span<const std::uint8_t> bytes);

  // Puts the temporary file on the disk, renames it over the target and puts the rename on
  // the disk too.
  void commit();

 private:
  [[noreturn]] void fail(const std::string& path, const char* operation, int error) const;

  std::string target_;
  std::string path_;
  int fd_ = -1;
  mode_t mode_ = 0;
  bool keepOwner_ = false;
  uid_t owner_ = 0;
  gid_t group_ = 0;
  bool committed_ = false;
};

}  // namespace thornvale::cli
