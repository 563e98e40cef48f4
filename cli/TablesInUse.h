#pragma once

// Which character tables a command works with: those of --tables DIR, else those beside the
// image, else the built-in ones; and how the commands name them to the user.

#include <optional>
#include <ostream>
#include <string>

#include "codec/TableSet.h"

namespace thornvale::cli {

// The tables of `folder` (from --tables; empty: none given), else those beside `image` (empty:
// none). A --tables folder that is missing, or holds none of the four files, is refused: a typo
// there must not quietly mean the built-in tables. Throws FileError (TableFileError for a table
// file that cannot be used).
[[nodiscard]] TableSet tablesInUse(const std::string& folder, const std::string& image);

// Each thing the table files held that was set aside, as a warning line on `err`.
void warnSetAside(const TableSet& tables, std::ostream& err, const char* program);

// For `info`: nothing for the built-in tables; else the folder, the fingerprint and, for each table
// replaced, its file and the bytes that differ from the built-in one, as "name: value" lines.
[[nodiscard]] std::string formatTablesInUse(const TableSet& tables);

}  // namespace thornvale::cli
