#pragma once

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

namespace thornvale::exchange {

// One line of a script: a catalogue entry and its text. `line` is the 1-based line of the script
// the row came from, 0 for rows read from an image.
struct ScriptRow {
  std::size_t line = 0;
  const CatalogueEntry* entry = nullptr;
  std::u16string text;
};

inline constexpr std::string_view kScriptHeader = "position\toffset\tlength\tsave_length\ttable\ttext";

// Every entry in catalogue order, each text as the editor lists it, read from an image in memory:
// bytes past its end read as 0x00. `shortWarning` is set when the image ends inside a text. Read
// through `tables`, the tables in use for the image.
[[nodiscard]] std::vector<ScriptRow> imageRows(std::span<const std::uint8_t> image,
                                               std::optional<Refusal>* shortWarning = nullptr,
                                               const TableSet& tables = TableSet::builtIn());

// The same, read from the image file at `image` (once, under its read lock).
[[nodiscard]] std::vector<ScriptRow> readImageRows(const std::string& image,
                                                   std::optional<Refusal>* shortWarning = nullptr,
                                                   const TableSet& tables = TableSet::builtIn());

// The header line, then one tab-separated UTF-8 row per entry.
[[nodiscard]] std::string formatScript(std::span<const ScriptRow> rows);

// The same fields as a JSON array of objects keyed by the header's names.
[[nodiscard]] std::string formatJson(std::span<const ScriptRow> rows);

// A refused line of a script: its 1-based number, the position it names (-1 where it names none)
// and why.
struct LineRefusal {
  std::size_t line = 0;
  int position = -1;
  Refusal refusal;
};

struct ParsedScript {
  std::vector<ScriptRow> rows;
  std::vector<LineRefusal> problems;
};

// Reads a script in the dump format. Every row's position must name an entry, and its offset,
// lengths and table must be that entry's; each position may appear once. A script with problems
// still yields its good rows, but a caller that writes must not use them. Lines may end in CRLF,
// a UTF-8 byte-order mark is ignored, and empty lines are skipped.
[[nodiscard]] ParsedScript parseScript(std::string_view script);

}  // namespace thornvale::exchange
