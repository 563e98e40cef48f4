#include "codec/TextCodec.h"

#include <algorithm>

namespace thornvale {

std::u16string decodeText(const CharacterTable& table, std::span<const std::uint8_t> bytes) {
  std::u16string text;
  text.reserve(bytes.size());
  for (std::uint8_t b : bytes) {
    if (const char16_t c = decodeByte(table, b); c != kNoCharacter) text.push_back(c);
  }
  return text;
}

std::vector<std::optional<std::uint8_t>> encodeText(const CharacterTable& table, std::u16string_view text,
                                                    std::size_t length) {
  const Encoder encode(table);
  std::vector<std::optional<std::uint8_t>> encoded(length);
  for (std::size_t k = 0; k < length; ++k) encoded[k] = encode(k < text.size() ? text[k] : u' ');
  return encoded;
}

void applyEncoded(std::span<const std::optional<std::uint8_t>> encoded, std::span<std::uint8_t> bytes) {
  const std::size_t n = std::min(encoded.size(), bytes.size());
  for (std::size_t k = 0; k < n; ++k) {
    if (encoded[k]) bytes[k] = *encoded[k];
  }
}

}  // namespace thornvale
