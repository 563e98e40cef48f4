#pragma once

#include <stdexcept>
#include <string>
#include <system_error>

namespace thornvale {

// A failure of a file operation, the one exception of the core: which file, what was being done
// with it, and why. That includes what the core refuses to do to a file on its own: a text too
// long for its place, a file that ends before it, an image larger than any image may be, a
// replacement that could not keep the file the user's. Refusals of the input itself (a text of
// the wrong length, a character no table stores, a malformed file to import) are no exceptions; they are
// Refusal values, checked before any file is touched.
class FileError : public std::runtime_error {
 public:
  FileError(std::string path, std::string operation, std::error_code code);
  FileError(std::string path, std::string operation, std::error_code code, std::string reason);

  [[nodiscard]] const std::string& path() const noexcept { return path_; }
  // A gerund such as "opening" or "writing".
  [[nodiscard]] const std::string& operation() const noexcept { return operation_; }
  // The operating system's words, or ours where the core refused on its own.
  [[nodiscard]] const std::string& reason() const noexcept { return reason_; }
  [[nodiscard]] std::error_code code() const noexcept { return code_; }

  // What the failure means for the user, in a sentence that then comes first in what(), before
  // the path and the system's reason: where the system's words alone ("Access denied.") would
  // leave the user guessing.
  [[nodiscard]] const std::string& meaning() const noexcept { return meaning_; }
  [[nodiscard]] FileError withMeaning(std::string meaning) const;

  // Set where the failure came after the file was changed (a replacement in place, a flush
  // after it) or where putting back its old bytes failed: the file is not as it was.
  [[nodiscard]] bool fileChanged() const noexcept { return fileChanged_; }
  void markFileChanged() noexcept { fileChanged_ = true; }

  // Set where a replacement was refused to keep the file the user's (its owner, its links): a
  // write in place can still change it, and the caller may say how.
  [[nodiscard]] bool inPlaceStillWorks() const noexcept { return inPlaceStillWorks_; }
  void markInPlaceStillWorks() noexcept { inPlaceStillWorks_ = true; }

 private:
  std::string path_;
  std::string operation_;
  std::error_code code_;
  std::string reason_;
  std::string meaning_;
  bool fileChanged_ = false;
  bool inPlaceStillWorks_ = false;
};

}  // namespace thornvale
