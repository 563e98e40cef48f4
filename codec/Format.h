#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace thornvale {

// Upper-case hex digits, at least `digits` of them: formatHex(0x3A, 2) is "3A".
[[nodiscard]] std::string formatHex(std::uint64_t value, int digits = 1);

// "0x" and formatHex: how offsets, bytes and checksums are shown to the user.
[[nodiscard]] inline std::string formatHex0x(std::uint64_t value, int digits = 1) {
  return "0x" + formatHex(value, digits);
}

// The text in double quotes, as paths and values stand in messages.
[[nodiscard]] inline std::string quote(std::string_view text) { return "\"" + std::string(text) + "\""; }

}  // namespace thornvale
