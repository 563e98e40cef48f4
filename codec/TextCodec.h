#pragma once

// The codec's algorithm on bytes in memory: no file and no shared state. ReadText and WriteText
// use it on the bytes they read and write; the sample image and `import` use it on whole images.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "codec/CharacterTables.h"

namespace thornvale {

// Each byte's character in order; bytes without one are left out, so the text may be shorter.
[[nodiscard]] std::u16string decodeText(const CharacterTable& table, std::span<const std::uint8_t> bytes);

// The byte for each of `length` positions: `text` padded with spaces, each character's lowest
// byte, nullopt where the table has no byte for the character (its byte is to stay as it is).
// `text` must not be longer than `length`.
[[nodiscard]] std::vector<std::optional<std::uint8_t>> encodeText(const CharacterTable& table,
                                                                  std::u16string_view text,
                                                                  std::size_t length);

// `bytes` with each encoded position put in place; positions without a byte keep theirs.
void applyEncoded(std::span<const std::optional<std::uint8_t>> encoded, std::span<std::uint8_t> bytes);

}  // namespace thornvale
