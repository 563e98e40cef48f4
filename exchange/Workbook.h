#pragma once

// Office Open XML workbooks (.xlsx): the sheet a translator fills in, which the spreadsheet itself
// holds to each text's length, and the reading of any workbook a spreadsheet saves.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "exchange/Exchange.h"

namespace thornvale::exchange {

// The header names of the workbook's columns, left to right; the reader finds the columns it knows
// (position, offset, save_length, table, source, translation) by name wherever they stand.
inline constexpr std::string_view kWorkbookHeaders[] = {
    "position",   "offset", "save_length", "table",
    "characters", "source", "translation", "translation length"};

// Writes the workbook to `path`, a new file in a private folder that `scratch` names (libxlsxwriter
// writes files, not memory, and keeps its own temporary files there too). Throws std::runtime_error
// with the library's reason when it fails.
void writeWorkbook(std::span<const TextRow> texts, const ExportSettings& settings,
                   const std::filesystem::path& path, const std::filesystem::path& scratch);

// The workbook of an export as bytes, made through writeWorkbook in a scratch folder of our own.
// Throws FileError where the library or the folder fails.
[[nodiscard]] std::string workbookBytes(std::span<const TextRow> texts, const ExportSettings& settings);

// Whether the bytes begin as a zip archive does (a workbook, or another zip).
[[nodiscard]] bool looksLikeZip(std::string_view bytes) noexcept;

// What a workbook reader inflates at most, in all (a workbook of ours inflates to some 75 KiB, and
// a parsed part takes several times its size).
inline constexpr std::uint64_t kMaxInflatedBytes = 8u << 20;
// And how many times its compressed size a part may inflate to, once past 1 MiB.
inline constexpr std::uint64_t kMaxInflationRatio = 100;

// The first sheet of a workbook as units, as readTable reads rows: its cells' values as the
// spreadsheet stored them (a number as its digits), the row numbers as lines. Only the workbook's
// own parts are read: the first sheet, its shared strings; no other sheet, no external link.
[[nodiscard]] ReadResult readWorkbook(std::string_view bytes);

// One part of a zip archive ("xl/worksheets/sheet1.xml"), inflated within the same limits;
// nullopt where there is none or it cannot be read.
[[nodiscard]] std::optional<std::string> readWorkbookPart(std::string_view bytes, const std::string& name);

}  // namespace thornvale::exchange
