#pragma once

// Every exchange format as one record: its names, how its content is recognised, its reader, its
// writer where there is one, and what its rows mean. The commands, their help and the messages
// read everything about a format from here; a new format is its own file with its record, and one
// line in the list in Formats.cpp.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/Units.h"

namespace thornvale::exchange {

// What a recogniser looks at: the file's bytes, and the same as UTF-8 text where they are text
// in an encoding the readers take (nullptr where they are not).
struct Sniff {
  std::string_view bytes;
  const std::string* text = nullptr;

  // The content from its first character on: the text where there is one, without a byte-order
  // mark and blanks before it.
  [[nodiscard]] std::string_view start() const noexcept {
    std::string_view s = text ? std::string_view(*text) : bytes;
    if (s.starts_with("\xEF\xBB\xBF")) s.remove_prefix(3);
    const std::size_t first = s.find_first_not_of(" \t\r\n");
    return first == std::string_view::npos ? std::string_view() : s.substr(first);
  }
};

struct ExportSettings;
struct TextRow;

struct FormatRecord {
  std::string_view name;                    // as messages name it: "TSV", "XLIFF", "workbook"
  std::span<const std::string_view> names;  // its --format names, the first the one help shows
  std::span<const std::string_view> extensions;  // how its files' names end, lower case: ".po"
  std::string_view description;             // a few words for --help: "an XLIFF 1.2 file"
  // Whether content is of this format; the list asks each record in order and takes the first yes.
  bool (*recognise)(const Sniff& sniff) = nullptr;
  ReadResult (*read)(std::string_view bytes) = nullptr;
  // The file made of the rows; nullptr for a format that is only read.
  std::string (*write)(std::span<const TextRow> rows, const ExportSettings& settings) = nullptr;
  // Whether its units carry their source beside the translation (so that an export for translators
  // can be made in it, and an empty translation is a unit left untranslated); a format without
  // sources holds texts, each row one to write.
  bool carriesSources = false;
  // Bytes for a file, not text for a terminal: written only to a file named with -o.
  bool binary = false;
  // The file names the languages of source and translation, so an export with a translation needs
  // the translation's language.
  bool namesLanguages = false;
  // How the report counts what the file holds: "row" or "unit".
  std::string_view unitWord = "row";
};

// Every format, in the order in which their recognisers are asked.
[[nodiscard]] std::span<const FormatRecord* const> formats() noexcept;

// The format of a --format name; nullptr for an unknown one.
[[nodiscard]] Format formatNamed(std::string_view name) noexcept;

// The format the content shows, or nullptr where it shows none. `text` as in Sniff.
[[nodiscard]] Format recogniseFormat(std::string_view bytes, const std::string* text) noexcept;

// "tsv, json, xlsx, xliff, po or csv": the --format names of the formats `pick` takes, for help.
[[nodiscard]] std::string formatNames(bool (*pick)(const FormatRecord&));

// The formats whose files' names end as `path` does (case aside), in list order.
[[nodiscard]] std::vector<Format> formatsOfName(std::string_view path);

// The formats an export for translators can be written in, and the ones a file can be read in.
[[nodiscard]] bool exportable(const FormatRecord& format) noexcept;
[[nodiscard]] bool readable(const FormatRecord& format) noexcept;

}  // namespace thornvale::exchange
