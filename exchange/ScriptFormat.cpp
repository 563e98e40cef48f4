#include "exchange/ScriptFormat.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <charconv>
#include <map>
#include <optional>

#include "catalogue/EntryText.h"
#include "codec/CharacterTables.h"
#include "codec/FileAccess.h"
#include "codec/Format.h"
#include "codec/TextCodec.h"
#include "codec/Utf.h"

namespace thornvale::exchange {
namespace {

constexpr std::size_t kColumns = 6;

std::vector<std::string_view> splitTabs(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = line.find('\t', start);
    fields.push_back(
        line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
    if (tab == std::string_view::npos) return fields;
    start = tab + 1;
  }
}

// Plain digits in the given base; no sign, no blanks, nothing left over.
std::optional<long long> parseNumber(std::string_view text, int base) {
  if (text.empty() || text.size() > 12) return std::nullopt;
  long long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (error != std::errc() || end != text.data() + text.size() || text.front() == '-' ||
      text.front() == '+') {
    return std::nullopt;
  }
  return value;
}

std::optional<long long> parseOffset(std::string_view text) {
  if (text.size() < 3 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) return std::nullopt;
  return parseNumber(text.substr(2), 16);
}

std::string formatOffset(std::int32_t offset) { return formatHex0x(static_cast<std::uint32_t>(offset)); }

// Checks one row and fills `row`; the problem, if any, in words.
std::optional<std::string> parseRow(std::string_view line, ScriptRow& row) {
  const std::optional<std::u16string> decoded = fromUtf8(line);
  if (!decoded) return "not valid UTF-8";
  const std::vector<std::string_view> fields = splitTabs(line);
  if (fields.size() != kColumns) {
    return "expected " + std::to_string(kColumns) + " tab-separated columns, found " +
           std::to_string(fields.size());
  }
  const std::optional<int> position = parsePosition(fields[0]);
  if (!position) return "position " + quote(fields[0]) + " is not a whole number";
  const CatalogueEntry* entry = catalogueEntry(*position);
  if (entry == nullptr) {
    return "there is no text at position " + std::string(fields[0]) + "; positions run from 0 to " +
           std::to_string(kCatalogueSize - 1);
  }
  const std::string at = "position " + std::to_string(entry->position);
  const std::optional<long long> offset = parseOffset(fields[1]);
  if (!offset) return "offset " + quote(fields[1]) + " is not a 0x-prefixed hex number";
  if (*offset != entry->offset) {
    return "offset " + quote(fields[1]) + " does not match " + at + ", which lies at " +
           formatOffset(entry->offset);
  }
  const std::optional<long long> length = parseNumber(fields[2], 10);
  if (length != entry->length) {
    return "length " + quote(fields[2]) + " does not match " + at + ", which has " +
           std::to_string(entry->length) + " bytes";
  }
  const std::optional<long long> saveLength = parseNumber(fields[3], 10);
  if (saveLength != entry->saveLength) {
    return "save_length " + quote(fields[3]) + " does not match " + at + ", which saves " +
           std::to_string(entry->saveLength) + " characters";
  }
  if (fields[4] != entry->tableName) {
    return "table " + quote(fields[4]) + " does not match " + at + ", which uses " +
           std::string(entry->tableName);
  }
  // Only the line's own CRLF is taken off; a carriage return or another control character left
  // in the text would be written out and read back as something else, and no table stores one.
  const auto control = std::find_if(fields[5].begin(), fields[5].end(),
                                    [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
  if (control != fields[5].end()) {
    return "the text holds the control character " + formatHex0x(static_cast<unsigned char>(*control), 2) +
           ", which no text can store";
  }
  row.entry = entry;
  row.text = *fromUtf8(fields[5]);
  return std::nullopt;
}

}  // namespace

std::vector<ScriptRow> imageRows(std::span<const std::uint8_t> image, std::optional<Refusal>* shortWarning,
                                 const TableSet& tables) {
  std::vector<ScriptRow> rows;
  rows.reserve(kCatalogueSize);
  for (const CatalogueEntry& entry : catalogue()) {
    rows.push_back({0, &entry, entryText(image, entry, std::nullopt, tables)});
    if (shortWarning && !*shortWarning &&
        static_cast<std::size_t>(entry.offset) + static_cast<std::size_t>(entry.length) > image.size()) {
      *shortWarning = Refusal{fileEndsBefore(static_cast<std::int64_t>(image.size()),
                                             "the end of position " + std::to_string(entry.position)) +
                              "; its missing bytes read as 0x00"};
    }
  }
  return rows;
}

std::vector<ScriptRow> readImageRows(const std::string& image, std::optional<Refusal>* shortWarning,
                                     const TableSet& tables) {
  File file = openImage(image, File::Access::Read);
  const Bytes bytes = readWhole(file, kMaxImageSize, "an image");
  file.close();
  return imageRows(bytes, shortWarning, tables);
}

std::string formatScript(std::span<const ScriptRow> rows) {
  std::string out(kScriptHeader);
  out += '\n';
  for (const ScriptRow& row : rows) {
    const CatalogueEntry& e = *row.entry;
    out += std::to_string(e.position) + '\t' + formatOffset(e.offset) + '\t' + std::to_string(e.length) +
           '\t' + std::to_string(e.saveLength) + '\t' + std::string(e.tableName) + '\t' + toUtf8(row.text) +
           '\n';
  }
  return out;
}

std::string formatJson(std::span<const ScriptRow> rows) {
  nlohmann::ordered_json array = nlohmann::ordered_json::array();
  for (const ScriptRow& row : rows) {
    const CatalogueEntry& e = *row.entry;
    array.push_back({{"position", e.position},
                     {"offset", formatOffset(e.offset)},
                     {"length", e.length},
                     {"save_length", e.saveLength},
                     {"table", std::string(e.tableName)},
                     {"text", toUtf8(row.text)}});
  }
  return array.dump(2) + '\n';
}

ParsedScript parseScript(std::string_view script) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (script.starts_with(kByteOrderMark)) script.remove_prefix(kByteOrderMark.size());

  ParsedScript parsed;
  std::map<int, std::size_t> seen;  // position -> line
  bool headerSeen = false;
  std::size_t number = 0;
  while (!script.empty()) {
    ++number;
    const std::size_t newline = script.find('\n');
    std::string_view line = script.substr(0, newline);
    script.remove_prefix(newline == std::string_view::npos ? script.size() : newline + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);

    if (!headerSeen) {
      headerSeen = true;
      if (line != kScriptHeader) {
        parsed.problems.push_back({number,
                                   -1,
                                   {"the first line must be the header of a dump: position, offset, length, "
                                    "save_length, table and text, separated by tabs"}});
      }
      continue;
    }
    if (line.empty()) continue;

    ScriptRow row;
    row.line = number;
    if (std::optional<std::string> problem = parseRow(line, row)) {
      parsed.problems.push_back({number, -1, {std::move(*problem)}});
      continue;
    }
    const auto [where, fresh] = seen.emplace(row.entry->position, number);
    if (!fresh) {
      parsed.problems.push_back({number,
                                 row.entry->position,
                                 {"position " + std::to_string(row.entry->position) +
                                  " appears again (first on line " + std::to_string(where->second) + ")"}});
      continue;
    }
    parsed.rows.push_back(std::move(row));
  }
  if (!headerSeen) parsed.problems.push_back({1, -1, {"the script is empty: not even the header line"}});
  return parsed;
}

}  // namespace thornvale::exchange
