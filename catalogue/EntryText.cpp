#include "catalogue/EntryText.h"

#include <algorithm>

#include "codec/Normalization.h"
#include "codec/TextCodec.h"

namespace thornvale {

namespace {

// A name that is none of the four reads and stores nothing, as in the codec.
const CharacterTable& tableOf(const TableSet& tables, const CatalogueEntry& entry) {
  static constexpr CharacterTable kEmpty{};
  const CharacterTable* table = tables.find(entry.tableName);
  return table ? *table : kEmpty;
}

}  // namespace

std::u16string entryText(std::span<const std::uint8_t> image, const CatalogueEntry& entry,
                         std::optional<std::int16_t> length, const TableSet& tables) {
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length.value_or(entry.length)), 0);
  const auto offset = static_cast<std::size_t>(entry.offset);
  if (offset < image.size()) {
    const auto stored = image.subspan(offset, std::min(bytes.size(), image.size() - offset));
    std::copy(stored.begin(), stored.end(), bytes.begin());
  }
  return decodeText(tableOf(tables, entry), bytes);
}

std::vector<std::optional<std::uint8_t>> encodeEntry(const CatalogueEntry& entry, std::u16string_view text,
                                                     std::optional<std::int16_t> length, const TableSet& tables) {
  return encodeText(tableOf(tables, entry), composed(text),
                    static_cast<std::size_t>(length.value_or(entry.saveLength)));
}

}  // namespace thornvale
