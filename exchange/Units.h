#pragma once

// The one shape of the exchange library: a file becomes a list of units or a list of problems, and
// a list of texts becomes a file. No toolkit: bytes in, bytes out (only the workbook's writer goes
// through a file, in a scratch folder of its own).

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/Catalogue.h"
#include "codec/TableSet.h"

namespace thornvale::exchange {

// A format is its record (exchange/Formats.h); nullptr stands for none.
struct FormatRecord;
using Format = const FormatRecord*;

// "TSV", "JSON", "delimited text", "workbook", "XLIFF", "PO": how messages name a format.
[[nodiscard]] std::string_view formatName(Format format) noexcept;

// Every unit's id, the same in XLIFF (trans-unit id and resname) and PO (msgctxt) and in every
// version of the program: "text-" and the text's two-digit list position, "text-00" .. "text-69".
[[nodiscard]] std::string unitId(const CatalogueEntry& entry);
// The entry an id names; nullptr for anything but "text-00" .. "text-69".
[[nodiscard]] const CatalogueEntry* entryForId(std::string_view id) noexcept;

// The place of a text as a file records it (offset, lengths, table); a field the file leaves out
// stays empty and is not compared.
struct RecordedPlace {
  std::optional<std::string> offset;
  std::optional<std::string> length;
  std::optional<std::string> saveLength;
  std::optional<std::string> table;
  std::size_t line = 0;

  [[nodiscard]] bool empty() const noexcept { return !offset && !length && !saveLength && !table; }
};

// One text of a file as a reader found it. Lines are 1-based.
struct Unit {
  std::size_t line = 0;                   // where the unit starts
  std::size_t targetLine = 0;             // where its target starts; `line` where it has none
  std::string id;                         // as written in the file (for TSV, the position column)
  const CatalogueEntry* entry = nullptr;  // set for every unit a read returns
  std::optional<std::u16string> source;   // none in TSV
  std::optional<std::u16string> target;   // none: no target element or an empty msgstr
  // What the format itself calls unfinished: PO's fuzzy flag, an XLIFF state that needs work,
  // approved="no" in a file that uses approval. `why` says which, for the report.
  bool unfinished = false;
  std::string unfinishedWhy;
  RecordedPlace place;
  // A translation that was no text in its file (a number, date, boolean or error cell): where and
  // what it was, as "C12: a date cell (shown 2026/01/01, stored 46023)". `target` then holds what
  // the spreadsheet shows; it is refused unless the user accepts conversions.
  std::optional<std::string> typedCell;
};

// Something refused: its line, the id of the unit it concerns (empty where none), and why; the
// detail, where there is one, is for a reader who has the file at hand (how many characters it
// has and needs), not for the editor's message box.
struct Problem {
  std::size_t line = 0;
  std::string id;
  std::string message;
  std::string detail;
};

struct ReadResult {
  Format format = nullptr;
  std::vector<Unit> units;
  std::vector<Problem> problems;
  // The fingerprint of the character tables the file was exported with, where it records one.
  std::optional<std::string> tables;

  [[nodiscard]] bool ok() const noexcept { return problems.empty(); }
};

// One text for a writer: its entry, its source (the image's text) and, where a translation is
// known, its target.
struct TextRow {
  const CatalogueEntry* entry = nullptr;
  std::u16string source;
  std::optional<std::u16string> target;
};

struct ExportSettings {
  std::string sourceLanguage = "en-US";
  std::optional<std::string> targetLanguage;  // none: a PO template (POT), an XLIFF without one
  bool weblateFlags = false;                  // XLIFF only: Weblate's weblate-flags attribute
  std::string original;                       // the image's file name, for XLIFF's <file original>
  std::string version;                        // thornvale-text's version
  TableSet tables;                            // the tables in use: each text's characters, the fingerprint
  std::string output = "standard output";     // where it goes, as a failure to make it names it
  // A PO's PO-Revision-Date ("2026-12-08 01:40+0000"); empty: xgettext's placeholder
  // "YEAR-MO-DA HO:MI+ZONE", as a template has it.
  std::string revisionDate;
};

// Where each format records the fingerprint of the tables an export was made with.
inline constexpr std::string_view kPoTablesField = "X-Thornvale-Tables";
inline constexpr std::string_view kTablesProperty = "thornvale-tables";  // XLIFF header note, workbook property

// The limits of what a reader takes: files over 1 MiB never reach one (the file layer refuses
// them first), and within a file no element nests deeper, and no attribute is longer, than this.
inline constexpr std::size_t kMaxNesting = 32;
inline constexpr std::size_t kMaxAttributeBytes = 4096;

}  // namespace thornvale::exchange
