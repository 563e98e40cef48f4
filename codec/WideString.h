#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace thornvale::windows {

// Paths and messages are UTF-8 above the file layer and UTF-16 in the Windows API; the ANSI code
// page is never involved. nullopt for bytes that are not well-formed UTF-8.
[[nodiscard]] std::optional<std::wstring> widen(std::string_view utf8);
// A lone surrogate becomes U+FFFD.
[[nodiscard]] std::string narrow(std::wstring_view utf16);

// The system's own words for an error code (FormatMessageW), without the trailing line break.
[[nodiscard]] std::string systemMessage(unsigned long error);

}  // namespace thornvale::windows
