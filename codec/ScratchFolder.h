#pragma once

#include <filesystem>

namespace thornvale {

// A new folder of the user's own in the system's temporary folder (on POSIX systems readable by
// the user alone), removed with everything in it when the object goes: for libraries that write
// files where we want bytes. Never beside an image, so nothing is left there whatever fails.
class ScratchFolder {
 public:
  ScratchFolder();  // throws FileError
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  [[nodiscard]] const std::filesystem::path& path() const noexcept { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace thornvale
