#pragma once

// The dump: every text of an image in catalogue order, as `dump` prints it and `import` reads it
// back, one tab-separated UTF-8 row per entry under a header line. Also the rows of an image's
// texts that the dump and every export are made from, read from the image in memory or its file.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/Catalogue.h"
#include "codec/TableSet.h"
#include "codec/Refusal.h"
#include "exchange/Units.h"

namespace thornvale::exchange {

inline constexpr std::string_view kDumpHeader = "position\toffset\tlength\tsave_length\ttable\ttext";

// Every entry in catalogue order, each text (as `source`) as the editor lists it, read from an image in memory:
// bytes past its end read as 0x00. `shortWarning` is set when the image ends inside a text. Read
// through `tables`, the tables in use for the image.
[[nodiscard]] std::vector<TextRow> imageRows(std::span<const std::uint8_t> image,
                                             std::optional<Refusal>* shortWarning = nullptr,
                                             const TableSet& tables = TableSet::builtIn());

// The same, read from the image file at `image` (once, under its read lock).
[[nodiscard]] std::vector<TextRow> readImageRows(const std::string& image,
                                                 std::optional<Refusal>* shortWarning = nullptr,
                                                 const TableSet& tables = TableSet::builtIn());

// The dump: the header line, then one tab-separated UTF-8 row per entry, each row's source.
[[nodiscard]] std::string formatDump(std::span<const TextRow> rows);

// The dump as units: every row's position must name an entry, and its offset, lengths and table
// must be that entry's; each position may appear once. Lines may end in CRLF, a UTF-8 byte-order
// mark is ignored, and empty lines are skipped. Each row is a text to write.
[[nodiscard]] ReadResult readDump(std::string_view text);

}  // namespace thornvale::exchange
