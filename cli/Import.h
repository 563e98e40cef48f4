#pragma once

#include <string>
#include <string_view>

#include "exchange/Judge.h"
#include "exchange/Units.h"

namespace thornvale::cli {

// What an import did: the judge's word on every text, and whether the image was replaced.
struct ImportReport : exchange::Judgement {
  bool written = false;
};

// Asks the judge about `read` against the image, read once under its exclusive lock, which is held
// until the end. Only if the judge accepts every text, something changes, and it is not a dry run,
// the image is replaced by the image with the accepted texts in place, as a whole: all or nothing,
// the file staying the user's. File errors throw FileError, and then too the image is as it was.
// Texts are read, judged and written through `tables`, the tables in use for the image.
[[nodiscard]] ImportReport importUnits(const std::string& image, const exchange::ReadResult& read, bool dryRun,
                                       const exchange::JudgeRules& rules = {},
                                       const TableSet& tables = TableSet::builtIn());

// The same for a dump's text.
[[nodiscard]] ImportReport importDump(const std::string& image, std::string_view dump, bool dryRun,
                                      const TableSet& tables = TableSet::builtIn());

}  // namespace thornvale::cli
