#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace thornvale {

// Texts are UTF-16 code units, one per byte position; files, terminals and messages want UTF-8.
// A lone surrogate becomes U+FFFD.
[[nodiscard]] std::string toUtf8(std::u16string_view text);

// nullopt for bytes that are not well-formed UTF-8.
[[nodiscard]] std::optional<std::u16string> fromUtf8(std::string_view text);

}  // namespace thornvale
