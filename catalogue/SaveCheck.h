#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "catalogue/Catalogue.h"
#include "codec/Refusal.h"
#include "codec/TableSet.h"

namespace thornvale {

inline constexpr std::string_view kWrongLengthMessage =
    "Cannot save Text, it is either shorter or longer then the original.";

// What every front end asks before it writes an edited text over an entry: nullopt when the text
// may be saved. The length comes first: a text of the wrong length is refused whatever its
// characters; then each character the entry's table cannot store is named, once, in order. Both
// look at the text composed (a decomposed "é" counts, and is stored, as the one character "é").
[[nodiscard]] std::optional<Refusal> checkSave(const CatalogueEntry& entry, std::u16string_view text,
                                               const TableSet& tables = TableSet::builtIn());

// A Save of one entry, for every front end: the checks above, then WriteText of the text over the
// entry's bytes in the image, through the entry's table in `tables`. The refusal, with nothing
// written; or nothing, the text saved. A failure of the file throws FileError.
[[nodiscard]] std::optional<Refusal> saveEntry(const std::string& imageName, const CatalogueEntry& entry,
                                               std::u16string_view text,
                                               const TableSet& tables = TableSet::builtIn());

}  // namespace thornvale
