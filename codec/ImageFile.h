#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace thornvale {

// One open file of the image for the length of one operation: positioned reads and writes,
// nothing cached. Every failure throws FileError naming the file and the system's reason.
class ImageFile {
 public:
  enum class Access { Read, Write };

  // Never creates a file: an image that is not there is an error, not a new empty image.
  ImageFile(std::string path, Access access);
  ImageFile(const ImageFile&) = delete;
  ImageFile& operator=(const ImageFile&) = delete;
  // Closes a file that close() was not reached for, on an error path; that close cannot report.
  ~ImageFile();

  [[nodiscard]] const std::string& path() const noexcept { return path_; }
  [[nodiscard]] std::int64_t size() const;

  // Bytes at or past the end of the file read as 0x00.
  void readAt(std::int64_t offset, std::span<std::uint8_t> out) const;
  void writeAt(std::int64_t offset, std::span<const std::uint8_t> bytes);
  // Waits until what was written is on the disk.
  void flush();
  void close();

 private:
  [[noreturn]] void fail(const char* operation, int error) const;

  std::string path_;
  int fd_ = -1;
};

}  // namespace thornvale
