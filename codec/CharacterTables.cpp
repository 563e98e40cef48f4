#include "codec/CharacterTables.h"

#include <algorithm>
#include <initializer_list>
#include <vector>

#include "codec/Utf.h"

namespace thornvale {
namespace {

// Consecutive bytes from `first` on decode to the characters of `characters`, one each.
struct Run {
  std::uint8_t first;
  std::u16string_view characters;
};

constexpr CharacterTable makeTable(std::initializer_list<Run> runs) {
  CharacterTable table{};
  for (const Run& run : runs) {
    for (std::size_t i = 0; i < run.characters.size(); ++i) table[run.first + i] = run.characters[i];
  }
  return table;
}

constexpr std::size_t countEntries(const CharacterTable& table) {
  return static_cast<std::size_t>(
      std::count_if(table.begin(), table.end(), [](char16_t c) { return c != kNoCharacter; }));
}

}  // namespace

// The four tables, named in the header for the catalogue to point at.
constexpr CharacterTable kTable1 = makeTable({
    {0x00, u"_"},
    {0x81, u"wxyz"},
    {0x88, u"x"},
    {0x8C, u"y"},
    {0x8F, u"z"},
    {0x9A, u","},
    {0xAB, u"'"},
    {0xB0, u"ABCDEFGHIJKLMNOPQRSTUVWXYZ"},
    {0xCA, u"qrstuv"},
    {0xD0, u"abcdefghijklmnop"},
    {0xE5, u"_"},
    {0xE9, u".!?"},
    {0xFE, u" "},
    {0xFF, u"_"},
});

constexpr CharacterTable kTable2 = makeTable({
    {0xBA, u"M"},
    {0xBC, u"A"},
    {0xD8, u"WPUN"},
    {0xE8, u"ERTGLCD"},
    {0xF0, u"O"},
    {0xFC, u"IZ "},
});

constexpr CharacterTable kTable3 = makeTable({
    {0x5C, u" "},
    {0x76, u"0123456789"},
    {0xDE, u"W"},
    {0xE0, u"ABCDEF"},
    {0xE8, u"GHIJ"},
    {0xEE, u"QR"},
    {0xF0, u"KLMNOP"},
    {0xF8, u"STUV"},
    {0xFD, u"XYZ"},
});

constexpr CharacterTable kTable4 = makeTable({
    {0x80, u"A"},
    {0x82, u"RSECGD"},
    {0x89, u"TUL"},
    {0x8D, u"YO"},
    {0x9B, u"!"},
    {0xFC, u" "},
});

// Overlapping runs would silently drop entries; the counts catch that.
namespace {

static_assert(countEntries(kTable1) == 64);
static_assert(countEntries(kTable2) == 17);
static_assert(countEntries(kTable3) == 37);
static_assert(countEntries(kTable4) == 14);

constexpr std::array<NamedCharacterTable, 4> kTables = {{
    {"Table1", &kTable1},
    {"Table2", &kTable2},
    {"Table3", &kTable3},
    {"Table4", &kTable4},
}};

}  // namespace

std::span<const NamedCharacterTable, 4> characterTables() noexcept { return kTables; }

const CharacterTable* findCharacterTable(std::string_view name) noexcept {
  for (const auto& named : kTables) {
    if (named.name == name) return named.table;
  }
  return nullptr;
}

std::u16string unencodableCharacters(std::string_view tableName, std::u16string_view text) {
  return unencodableCharacters(findCharacterTable(tableName), text);
}

std::u16string unencodableCharacters(const CharacterTable* table, std::u16string_view text) {
  const std::optional<Encoder> encode = table ? std::optional<Encoder>(std::in_place, *table) : std::nullopt;
  std::vector<std::u16string_view> seen;
  std::u16string missing;
  for (std::size_t i = 0; i < text.size();) {
    // A character beyond U+FFFF is two code units and never storable; keep the pair whole.
    const bool pair = characterUnits(text, i) == 2;
    const std::u16string_view c = text.substr(i, pair ? 2 : 1);
    i += c.size();
    const bool storable = !pair && encode && (*encode)(c[0]).has_value();
    if (storable || std::find(seen.begin(), seen.end(), c) != seen.end()) continue;
    seen.push_back(c);
    missing += c;
  }
  return missing;
}

}  // namespace thornvale
