#pragma once

// Sheets: delimited text as spreadsheets and editors save it (CSV, TSV), and the rows the workbook
// reader finds, become the same units as the dump, their columns found by their header. A
// spreadsheet's conversions of a text (a number or a date read into a cell and written back
// another way) are told apart from edits.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "exchange/Units.h"

namespace thornvale::exchange {

// The header names a workbook export writes and the reader finds wherever they stand: the
// position, the dump's place columns, the source text and the translation.
inline constexpr std::string_view kPositionHeader = "position";
inline constexpr std::string_view kTextHeader = "text";
inline constexpr std::string_view kSourceHeader = "source";
inline constexpr std::string_view kTranslationHeader = "translation";

// Whether a header cell names a column the reader knows (in any case, spaces and quotes around it
// ignored): the position, a place column of the dump, the text, the source or the translation.
[[nodiscard]] bool knownHeader(std::string_view cell);
// The name a header cell gives its column: trimmed, unquoted, in lower case.
[[nodiscard]] std::string headerName(std::string_view field);

// A workbook's cell that held no text: a number, date, boolean or error, its field then holding
// what the spreadsheet shows (`description`: "C12: a date cell (shown 2026/01/01, stored 46023)"),
// or a formula whose value the file does not tell (`unreadable`, `description` saying why).
struct CellNote {
  std::string description;
  bool unreadable = false;
};

// One row of a sheet, whatever it came from: its line (or row number) and its cells, the first
// column first; `notes`, where not empty, as many as the fields (CSV has none).
struct TableRow {
  std::size_t line = 0;
  std::vector<std::string> fields;
  std::vector<std::optional<CellNote>> notes;
};

// A sheet's rows as units: the first row that is not blank is the header, and the columns are
// found by its names, wherever they stand (see below).
[[nodiscard]] ReadResult readTable(std::span<const TableRow> rows, Format format);

// Tab, comma or semicolon separated values, told apart by the header line; RFC 4180 quoting;
// UTF-8 (with or without a byte-order mark) or UTF-16 with one; any line ends. With a translation
// column, its cells are the targets and the text (or source) column the sources; without one, the
// text column is the target. Columns the reader does not know are ignored.
[[nodiscard]] ReadResult readDelimited(std::string_view bytes);


// The file as UTF-8: a UTF-8 or UTF-16 byte-order mark read and dropped. nullopt, and `problem`
// set, for bytes that are not text in one of those encodings (a legacy 8-bit file, UTF-16 without
// a mark).
[[nodiscard]] std::optional<std::string> textOfFile(std::string_view bytes, Problem& problem);

// Where bytes stop being UTF-8: the 1-based line and the first bad byte (0 at the end of all).
[[nodiscard]] std::pair<std::size_t, unsigned char> firstInvalidByte(std::string_view bytes);

// What a spreadsheet's number or date conversion, or an editor's trimming, would make of
// `before` when it equals `after`: the conversion's name ("leading zeros dropped"), else nullopt.
[[nodiscard]] std::optional<std::string> spreadsheetConversion(std::u16string_view before,
                                                               std::u16string_view after);

// The refusal of a text that is such a conversion of `before`, or nullopt for any other text.
[[nodiscard]] std::optional<std::string> conversionProblem(std::u16string_view before,
                                                           std::u16string_view after);

// The refusal of a translation that was no text in its workbook (Unit::typedCell): "C12: a date
// cell (shown 2026/01/01, stored 46023); format the column as text and type it again ...".
[[nodiscard]] std::string typedCellProblem(std::string_view typedCell);

// What a refusal of such a translation for another reason (its length) adds, so that the value
// read is seen: " (read from C12: a number cell (shown 7, stored 7))".
[[nodiscard]] std::string typedCellDetail(std::string_view typedCell);

// The refusal of a translation whose unit's source is not the image's current text: the file was
// made from another revision of the image.
[[nodiscard]] std::string changedSourceProblem(std::u16string_view source, std::u16string_view current);

// How to keep a spreadsheet from converting texts, for the refusal's message.
inline constexpr std::string_view kConversionAdvice =
    "format the text column as text before typing or pasting (or use the workbook export), or pass "
    "--accept-conversions if the change is meant";

}  // namespace thornvale::exchange
