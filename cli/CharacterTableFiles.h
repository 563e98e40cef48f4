#pragma once

#include <functional>
#include <string>
#include <vector>

#include "codec/CharacterTables.h"
#include "codec/TableSet.h"

namespace thornvale::cli {

// The table in the usual ".tbl" form of ROM-hacking tools: one "HEX=CHARACTER" line per byte that
// has a character, UTF-8, no byte-order mark, no comments. Where several bytes share a character,
// the one our writer uses comes first, so tools that take the first match encode as we do.
[[nodiscard]] std::string tableFileText(const CharacterTable& table);

// Writes Table1.tbl .. Table4.tbl of `tables` into `folder`, making the folder if it is missing, and returns
// the paths written. Each file is replaced whole or not at all, and `written` hears of each as soon
// as it is in place, so that a failure at a later one does not hide what was written. Throws
// FileError.
std::vector<std::string> writeTableFiles(const std::string& folder,
                                         const std::function<void(const std::string&)>& written = {},
                                         const TableSet& tables = TableSet::builtIn());

}  // namespace thornvale::cli
