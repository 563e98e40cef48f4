#pragma once

#include <string>
#include <string_view>

namespace thornvale {

// `text` in Unicode normalization form C: "e" followed by a combining acute accent becomes the one
// character "é", as a table stores it. Texts typed or saved decomposed (some macOS tools and
// translation editors write them so) are composed before their length is counted and before they
// are encoded. A text with a lone surrogate, which no normalization is defined for, comes back as
// it is.
[[nodiscard]] std::u16string composed(std::u16string_view text);

// Whether composed(text) differs from `text`.
[[nodiscard]] bool changesUnderComposition(std::u16string_view text);

}  // namespace thornvale
