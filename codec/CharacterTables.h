#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace thornvale {

// One entry per byte value. kNoCharacter marks a byte that decodes to nothing; no table holds
// NUL as a character, so the marker can never be confused with one.
using CharacterTable = std::array<char16_t, 256>;
inline constexpr char16_t kNoCharacter = u'\0';

struct NamedCharacterTable {
  std::string_view name;
  const CharacterTable* table;
};

// The four tables of the game, for constant data that points at one (the catalogue).
extern const CharacterTable kTable1, kTable2, kTable3, kTable4;

// The table of one of the four names, where a constant must be had for it; nullptr for another.
[[nodiscard]] constexpr const CharacterTable* tableNamed(std::string_view name) noexcept {
  if (name == "Table1") return &kTable1;
  if (name == "Table2") return &kTable2;
  if (name == "Table3") return &kTable3;
  if (name == "Table4") return &kTable4;
  return nullptr;
}

// The four tables of the game, in the order "Table1" .. "Table4".
[[nodiscard]] std::span<const NamedCharacterTable, 4> characterTables() noexcept;

// Exact, case-sensitive match on the name; nullptr for any other name.
[[nodiscard]] const CharacterTable* findCharacterTable(std::string_view name) noexcept;

[[nodiscard]] constexpr char16_t decodeByte(const CharacterTable& table, std::uint8_t byte) noexcept {
  return table[byte];
}

// The lowest byte that decodes to `c`, so that duplicates always encode to the same byte.
[[nodiscard]] constexpr std::optional<std::uint8_t> encodeCharacter(const CharacterTable& table,
                                                                    char16_t c) noexcept {
  if (c == kNoCharacter) return std::nullopt;
  for (std::size_t b = 0; b < table.size(); ++b) {
    if (table[b] == c) return static_cast<std::uint8_t>(b);
  }
  return std::nullopt;
}

// encodeCharacter for many characters through one table: the lowest byte of every character is
// found once, so each character then costs one look-up instead of a search of 256 entries. Exact
// for any character a table may hold: ASCII by index, the others (a user's table's "é") from a
// short list in byte order.
class Encoder {
 public:
  explicit constexpr Encoder(const CharacterTable& table) noexcept {
    ascii_.fill(kNone);
    for (std::size_t b = table.size(); b-- > 0;) {
      const char16_t c = table[b];
      if (c != kNoCharacter && c < ascii_.size()) ascii_[c] = static_cast<std::int16_t>(b);
    }
    for (std::size_t b = 0; b < table.size(); ++b) {
      if (table[b] >= ascii_.size()) others_[otherCount_++] = {table[b], static_cast<std::uint8_t>(b)};
    }
  }
  [[nodiscard]] constexpr std::optional<std::uint8_t> operator()(char16_t c) const noexcept {
    if (c < ascii_.size()) {
      return ascii_[c] == kNone ? std::nullopt
                                : std::optional<std::uint8_t>(static_cast<std::uint8_t>(ascii_[c]));
    }
    for (std::size_t i = 0; i < otherCount_; ++i) {
      if (others_[i].character == c) return others_[i].byte;  // the first is the lowest byte
    }
    return std::nullopt;
  }

 private:
  struct Other {
    char16_t character = kNoCharacter;
    std::uint8_t byte = 0;
  };
  static constexpr std::int16_t kNone = -1;
  std::array<std::int16_t, 128> ascii_{};
  std::array<Other, 256> others_{};
  std::size_t otherCount_ = 0;
};

// The characters of `text` that the named table cannot store, each once, in order of first
// appearance. An unknown table name stores nothing, so every character is returned.
[[nodiscard]] std::u16string unencodableCharacters(std::string_view tableName, std::u16string_view text);
// The same for a table at hand; nullptr stores nothing.
[[nodiscard]] std::u16string unencodableCharacters(const CharacterTable* table, std::u16string_view text);

}  // namespace thornvale
