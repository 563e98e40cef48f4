#pragma once

#include <filesystem>
#include <memory>

namespace thornvale {

// A new folder of the user's own for libraries that write files where we want bytes, removed with
// everything in it when the object goes. Never beside an image, so nothing is left there whatever
// fails.
//
// On Linux it is made in the temporary folder (TMPDIR) only where no other user can swap it: that
// folder sticky or writable by its owner alone, the new one ours, 0700 and no link; it is reached
// through its open descriptor, so a name changed under it leads nowhere else. The signals that
// stop a program wait while it exists, and it is gone before they act; one that a kill -9 left
// has a name of the replacement's stray form (".thornvale-SCOPE-PID-NONCE.tmp"), and the next
// scratch folder removes it under the same rules: ours, of this boot and PID namespace, of a
// process that is gone.
class ScratchFolder {
 public:
  ScratchFolder();  // throws FileError
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // Where a library may make files: a path that names the folder made, whatever its name now.
  [[nodiscard]] const std::filesystem::path& path() const noexcept { return path_; }

  struct Native;

 private:
  std::filesystem::path path_;
  std::unique_ptr<Native> native_;
};

}  // namespace thornvale
