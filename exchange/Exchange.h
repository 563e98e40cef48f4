#pragma once

// The exchange formats as one library: the dump (TSV and JSON), delimited text as spreadsheets
// save it (CSV, TSV), workbooks (.xlsx), XLIFF 1.2 and gettext PO. A file becomes a list of units
// and problems, which the one judge (exchange/Judge.h) weighs against an image; rows of texts
// become a file. Each format is one record (exchange/Formats.h). The library's only file access:
// the image reads of the dump (exchange/DumpFormat.h), and the scratch folder in which the
// workbook is made and read back (exchange/Workbook.h).

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/DumpFormat.h"
#include "exchange/Formats.h"
#include "exchange/Units.h"

namespace thornvale::exchange {

// Reads a file of the given format, or of the format its content shows. Every unit it returns
// names a catalogue entry, once; whatever is wrong with the file (an encoding it cannot read,
// malformed, an unknown or repeated id, a place that is not ours, a plural entry) is a problem with
// its line.
[[nodiscard]] ReadResult readUnits(std::string_view bytes, Format format = nullptr);

// The readers and writers of the single formats, as their records name them; exposed for the
// fuzzers and the tests.
[[nodiscard]] ReadResult readXliff(std::string_view text);
[[nodiscard]] ReadResult readPo(std::string_view text);
[[nodiscard]] std::string writeXliff(std::span<const TextRow> texts, const ExportSettings& settings);
[[nodiscard]] std::string writePo(std::span<const TextRow> texts, const ExportSettings& settings);

// The first line holding bytes that are not UTF-8, or 0 when all are.
[[nodiscard]] std::size_t firstInvalidUtf8Line(std::string_view bytes);

// Why a file of a format that is read only as UTF-8 (XLIFF, PO) cannot be read, or nothing.
[[nodiscard]] std::optional<Problem> utf8OnlyProblem(std::string_view bytes);

// A BCP 47 language tag's problem, or nullopt when it is well formed (language, script, region,
// variants, extensions, private use, and the private-use-only "x-..." tag).
[[nodiscard]] std::optional<std::string> languageTagProblem(std::string_view tag);

// The rows of an export: IMAGE's texts as sources, and with a translated image, each text that
// differs there as its target, cut to the save length where it reads longer (entry 27).
[[nodiscard]] std::vector<TextRow> exportRows(std::span<const TextRow> image, std::span<const TextRow> translated);

}  // namespace thornvale::exchange
