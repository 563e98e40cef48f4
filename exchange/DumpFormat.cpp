#include "exchange/DumpFormat.h"

#include <algorithm>
#include <map>
#include <optional>

#include "catalogue/EntryText.h"
#include "codec/CharacterTables.h"
#include "codec/FileAccess.h"
#include "codec/Format.h"
#include "codec/TextCodec.h"
#include "codec/Utf.h"
#include "exchange/Delimited.h"
#include "exchange/Formats.h"
#include "exchange/Judge.h"

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

std::string formatOffset(std::int32_t offset) { return formatHex0x(static_cast<std::uint32_t>(offset)); }

// Checks one row's columns and fills `unit`; the problem, if any, in words. The position, the place
// and a repeat are the judge's to check, as for every format.
std::optional<std::string> parseRow(std::string_view line, Unit& unit) {
  const std::optional<std::u16string> decoded = fromUtf8(line);
  if (!decoded) return "not valid UTF-8";
  const std::vector<std::string_view> fields = splitTabs(line);
  if (fields.size() != kColumns) {
    return "expected " + std::to_string(kColumns) + " tab-separated columns, found " +
           std::to_string(fields.size());
  }
  unit.id = std::string(fields[0]);
  unit.place = {std::string(fields[1]), std::string(fields[2]), std::string(fields[3]), std::string(fields[4]),
                unit.line};
  unit.target = *fromUtf8(fields[5]);
  return std::nullopt;
}

}  // namespace

std::vector<TextRow> imageRows(std::span<const std::uint8_t> image, std::optional<Refusal>* shortWarning,
                               const TableSet& tables) {
  std::vector<TextRow> rows;
  rows.reserve(kCatalogueSize);
  for (const CatalogueEntry& entry : catalogue()) {
    rows.push_back({&entry, entryText(image, entry, std::nullopt, tables), std::nullopt});
    if (shortWarning && !*shortWarning &&
        static_cast<std::size_t>(entry.offset) + static_cast<std::size_t>(entry.length) > image.size()) {
      *shortWarning = Refusal{fileEndsBefore(static_cast<std::int64_t>(image.size()),
                                             "the end of position " + std::to_string(entry.position)) +
                              "; its missing bytes read as 0x00"};
    }
  }
  return rows;
}

std::vector<TextRow> readImageRows(const std::string& image, std::optional<Refusal>* shortWarning,
                                   const TableSet& tables) {
  File file = openImage(image, File::Access::Read);
  const Bytes bytes = readWhole(file, kMaxImageSize, "an image");
  file.close();
  return imageRows(bytes, shortWarning, tables);
}

std::string formatDump(std::span<const TextRow> rows) {
  std::string out(kDumpHeader);
  out += '\n';
  for (const TextRow& row : rows) {
    const CatalogueEntry& e = *row.entry;
    out += std::to_string(e.position) + '\t' + formatOffset(e.offset) + '\t' + std::to_string(e.length) +
           '\t' + std::to_string(e.saveLength) + '\t' + std::string(e.tableName) + '\t' + toUtf8(row.source) +
           '\n';
  }
  return out;
}

ReadResult readDump(std::string_view text) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());

  ReadResult result;
  result.format = formatNamed("tsv");
  bool headerSeen = false;
  std::size_t number = 0;
  while (!text.empty()) {
    ++number;
    const std::size_t newline = text.find('\n');
    std::string_view line = text.substr(0, newline);
    text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);

    if (!headerSeen) {
      headerSeen = true;
      if (line != kDumpHeader) {
        result.problems.push_back({number, "",
                                   "the first line must be the header of a dump: position, offset, length, "
                                   "save_length, table and text, separated by tabs",
                                   {}});
      }
      continue;
    }
    if (line.empty()) continue;

    Unit unit;
    unit.line = unit.targetLine = number;
    if (std::optional<std::string> problem = parseRow(line, unit)) {
      result.problems.push_back({number, "", std::move(*problem), {}});
      continue;
    }
    result.units.push_back(std::move(unit));
  }
  if (!headerSeen) result.problems.push_back({1, "", "the file is empty: not even a dump's header line", {}});
  resolveUnits(result, Naming::Position);
  return result;
}

namespace {

bool startsWithDumpHeader(std::string_view text) {
  return text.starts_with(kDumpHeader) &&
         (text.size() == kDumpHeader.size() || text[kDumpHeader.size()] == '\n' ||
          text[kDumpHeader.size()] == '\r');
}

// A valid dump reads as it always has, its texts taken literally; anything else a spreadsheet or
// an editor made of one (quotes, notes in more columns, other delimiters) reads as delimited text.
// The dump's own messages stand for a file that begins with its header.
// Rows without a single tab are an editor's doing, said once at the first of them, not per row.
void collapseTabless(std::vector<Problem>& problems) {
  const auto tabless = [](const Problem& p) { return p.message.ends_with("tab-separated columns, found 1"); };
  const auto count = static_cast<std::size_t>(std::count_if(problems.begin(), problems.end(), tabless));
  if (count < 2) return;
  const auto first = std::find_if(problems.begin(), problems.end(), tabless);
  first->message = std::to_string(count) +
                   " rows, from this one on, hold no tab: were the tabs turned into spaces by an editor? "
                   "Keep the tabs between the columns";
  problems.erase(std::remove_if(std::next(first), problems.end(), tabless), problems.end());
}

ReadResult readTsv(std::string_view bytes) {
  Problem problem;
  const std::optional<std::string> text = textOfFile(bytes, problem);
  if (!text) {
    ReadResult result;
    result.problems.push_back(std::move(problem));
    return result;
  }
  ReadResult dump = readDump(*text);
  if (dump.ok()) return dump;
  ReadResult delimited = readDelimited(*text);
  const bool blank = text->find_first_not_of(" \t\r\n") == std::string::npos;
  if (delimited.ok() || !(blank || startsWithDumpHeader(*text))) return delimited;
  collapseTabless(dump.problems);
  return dump;
}

bool recogniseDump(const Sniff& sniff) { return sniff.start().starts_with("position\t"); }

std::string writeDump(std::span<const TextRow> rows, const ExportSettings&) { return formatDump(rows); }

constexpr std::string_view kDumpNames[] = {"tsv"};
constexpr std::string_view kDumpExtensions[] = {".tsv", ".txt"};

}  // namespace

extern const FormatRecord kDumpFormat{
    .name = "TSV",
    .names = kDumpNames,
    .extensions = kDumpExtensions,
    .description = "a dump (TSV)",
    .recognise = recogniseDump,
    .read = readTsv,
    .write = writeDump,
};

}  // namespace thornvale::exchange
