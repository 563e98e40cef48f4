#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace thornvale::cli {

struct ImportFailure {
  std::size_t line = 0;
  int position = -1;  // -1 where the line names no entry
  std::string message;
};

struct ImportReport {
  std::vector<ImportFailure> failures;
  std::size_t changed = 0;    // rows whose text differs from the image's
  std::size_t unchanged = 0;  // rows left alone because the image already holds their text
  bool written = false;

  [[nodiscard]] bool ok() const noexcept { return failures.empty(); }
};

// Checks every row of `script` as the editor's Save checks one text, skipping rows whose text
// the image already holds, and refuses rows that share bytes and disagree about them. Only if
// every row passes, and not for a dry run, it writes the changed rows through WriteText into a
// copy of the image and renames the copy over it: all or nothing. File errors throw FileError,
// and then too the image is as it was.
[[nodiscard]] ImportReport importScript(const std::string& image, std::string_view script, bool dryRun);

}  // namespace thornvale::cli
