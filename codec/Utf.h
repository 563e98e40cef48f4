#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace thornvale {

// Texts are UTF-16 code units, one per byte position; files, terminals and messages want UTF-8.
// A lone surrogate becomes U+FFFD.
[[nodiscard]] std::string toUtf8(std::u16string_view text);

// 2 where a surrogate pair (one character beyond U+FFFF) starts at `i`, else 1.
[[nodiscard]] constexpr std::size_t characterUnits(std::u16string_view text, std::size_t i) noexcept {
  return i + 1 < text.size() && text[i] >= 0xD800 && text[i] <= 0xDBFF && text[i + 1] >= 0xDC00 &&
                 text[i + 1] <= 0xDFFF
             ? 2
             : 1;
}

// Appends one code point, U+10FFFF at most and no surrogate, as UTF-8.
void appendUtf8(std::string& out, char32_t cp);

// nullopt for bytes that are not well-formed UTF-8.
[[nodiscard]] std::optional<std::u16string> fromUtf8(std::string_view text);
// Whether `text` is UTF-8, as fromUtf8 reads it, without making the UTF-16.
[[nodiscard]] bool isUtf8(std::string_view text);

}  // namespace thornvale
