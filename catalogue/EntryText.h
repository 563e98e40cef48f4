#pragma once

// An entry's text in an image held in memory, read and written the way ReadText and WriteText do
// it in the file: for `import`, `dump`, the exchange formats and the sample image alike.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/Catalogue.h"
#include "codec/TableSet.h"

namespace thornvale {

// The text `image` holds at the entry's place: its first `length` bytes decoded (the entry's
// length where none is given) through the entry's table in `tables`; bytes past the image's end
// read as 0x00.
[[nodiscard]] std::u16string entryText(std::span<const std::uint8_t> image, const CatalogueEntry& entry,
                                       std::optional<std::int16_t> length = std::nullopt,
                                       const TableSet& tables = TableSet::builtIn());

// `text` as the bytes a save writes at the entry's place, `length` of them (the save length where
// none is given; `text`, composed, no longer): composed (a decomposed "é" is one character),
// padded with spaces, nullopt for a character the entry's table in `tables` cannot store (its
// byte stays).
[[nodiscard]] std::vector<std::optional<std::uint8_t>> encodeEntry(
    const CatalogueEntry& entry, std::u16string_view text, std::optional<std::int16_t> length = std::nullopt,
    const TableSet& tables = TableSet::builtIn());

}  // namespace thornvale
