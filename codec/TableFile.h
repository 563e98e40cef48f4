#pragma once

// A character table from a `.tbl` file, in the common form of table-driven dumpers and hex
// editors: one `HH=c` line per byte. Texts here have a fixed length, hold no line breaks and
// store one character per byte, so that is all a table may give; what other tools keep beside
// it (end tokens, line breaks, bookmarks, table ids) is set aside with a warning, and everything
// else is refused with the file and line.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "codec/CharacterTables.h"
#include "codec/FileError.h"

namespace thornvale {

// Far above a full table of 256 entries with comments (about 2 KiB), far below what strains memory.
inline constexpr std::int64_t kMaxTableFileSize = 64 << 10;

struct TableFile {
  // The entries the file gives; every other byte decodes to nothing.
  CharacterTable table{};
  // One per line set aside: "FILE:LINE: what was set aside and why".
  std::vector<std::string> warnings;
};

// A table file that cannot be used: which file, which line (0 where the whole file is meant) and
// why. A FileError, so that every front end shows it where it shows a file that cannot be read.
class TableFileError : public FileError {
 public:
  TableFileError(std::string path, int line, std::string why);
  [[nodiscard]] int line() const noexcept { return line_; }
  [[nodiscard]] const std::string& why() const noexcept { return why_; }

 private:
  int line_;
  std::string why_;
};

// The table in `bytes`; `path` names the file in messages. Throws TableFileError.
[[nodiscard]] TableFile parseTableFile(std::span<const std::uint8_t> bytes, const std::string& path);

// The table in the file at `path`: a regular file of kMaxTableFileSize bytes at most. Throws
// FileError where it cannot be read, TableFileError where it cannot be used.
[[nodiscard]] TableFile readTableFile(const std::string& path);

}  // namespace thornvale
