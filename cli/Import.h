#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/ScriptFormat.h"

namespace thornvale::cli {

// One text an import changes: where, and what it held and holds.
struct ImportChange {
  std::size_t line = 0;
  const CatalogueEntry* entry = nullptr;
  std::u16string before;
  std::u16string after;
};

struct ImportReport {
  std::vector<LineRefusal> failures;
  std::vector<ImportChange> changes;  // in row order, for a dry run too
  std::size_t changed = 0;            // rows whose text differs from the image's
  std::size_t unchanged = 0;          // rows left alone because the image already holds their text
  bool written = false;

  [[nodiscard]] bool ok() const noexcept { return failures.empty(); }
};

// Checks every row of `script` as the editor's Save checks one text, skipping rows whose text the
// image already holds. Under the image's exclusive lock it reads the image once, builds the new
// image in memory and checks that every row reads back from it as the script says (entries that
// share bytes must agree). Only if every row passes, and not for a dry run, it replaces the image
// with the new one as a whole: all or nothing, the file staying the user's. File errors throw
// FileError, and then too the image is as it was.
[[nodiscard]] ImportReport importScript(const std::string& image, std::string_view script, bool dryRun);

// The same for rows read from any exchange format: each row's `line` names it in the messages.
// With `refuseConversions`, a text that is exactly what a spreadsheet's number or date conversion
// (or an editor's trimming) makes of the image's is refused, naming the conversion. `refuse`, where
// given, is asked first about each row that would change the image (and the image's text there),
// under the same lock.
using RowRule = std::function<std::optional<std::string>(const ScriptRow&, const std::u16string& stored)>;
[[nodiscard]] ImportReport importRows(const std::string& image, const std::vector<ScriptRow>& rows,
                                      bool dryRun, bool refuseConversions = false,
                                      const RowRule& refuse = {});

}  // namespace thornvale::cli
