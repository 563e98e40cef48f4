#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/Catalogue.h"

namespace thornvale::cli {

// One line of a script: a catalogue entry and its text. `line` is the 1-based line of the script
// the row came from, 0 for rows read from an image.
struct ScriptRow {
  std::size_t line = 0;
  const CatalogueEntry* entry = nullptr;
  std::u16string text;
};

inline constexpr std::string_view kScriptHeader = "position\toffset\tlength\tsave_length\ttable\ttext";

// Every entry in catalogue order, each text as the editor lists it.
[[nodiscard]] std::vector<ScriptRow> readImageRows(const std::string& image);

// "0x" and upper-case hex digits, as the script shows offsets.
[[nodiscard]] std::string formatOffset(std::int32_t offset);

// The header line, then one tab-separated UTF-8 row per entry.
[[nodiscard]] std::string formatScript(std::span<const ScriptRow> rows);

// The same fields as a JSON array of objects keyed by the header's names.
[[nodiscard]] std::string formatJson(std::span<const ScriptRow> rows);

struct ScriptProblem {
  std::size_t line = 0;
  std::string message;
};

struct ParsedScript {
  std::vector<ScriptRow> rows;
  std::vector<ScriptProblem> problems;
};

// Reads a script in the dump format. Every row's position must name an entry, and its offset,
// lengths and table must be that entry's; each position may appear once. A script with problems
// still yields its good rows, but a caller that writes must not use them. Lines may end in CRLF,
// a UTF-8 byte-order mark is ignored, and empty lines are skipped.
[[nodiscard]] ParsedScript parseScript(std::string_view script);

}  // namespace thornvale::cli
