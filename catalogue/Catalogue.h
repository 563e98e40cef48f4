#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "codec/CharacterTables.h"

namespace thornvale {

// One of the game's texts: where its bytes lie in the image (the 16-byte header counted),
// how many there are, and the table they are stored in. `saveLength` is what a save must
// write; it differs from `length` for one entry only.
struct CatalogueEntry {
  std::int16_t position;
  std::int32_t offset;
  std::int16_t length;
  std::int16_t saveLength;
  std::string_view tableName;
  // The table itself, so that no one looks the name up again.
  const CharacterTable* table = tableNamed(tableName);
};

inline constexpr std::size_t kCatalogueSize = 70;

// All entries in list-position order: the order in which the editor lists them.
[[nodiscard]] std::span<const CatalogueEntry, kCatalogueSize> catalogue() noexcept;

// nullptr for any position outside 0 .. 69, such as -1 for "no line selected".
[[nodiscard]] const CatalogueEntry* catalogueEntry(int position) noexcept;

// A list position as a user writes it, on the command line or in a file to import: plain decimal
// digits, leading zeros allowed, nothing else. Nothing for any other text; a number too large for
// an int comes back as INT_MAX, which names no entry.
[[nodiscard]] std::optional<int> parsePosition(std::string_view text) noexcept;

}  // namespace thornvale
