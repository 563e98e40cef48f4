#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "codec/MiscData.h"
#include "codec/Refusal.h"

namespace thornvale {

// What the misc data's two bytes (codec/MiscData.h) mean.
inline constexpr std::uint8_t kDebugMenuDisabled = 0x35;
inline constexpr std::uint8_t kDebugMenuEnabled = 0xCC;

enum class DebugMenu { Disabled, Enabled, Unknown };
[[nodiscard]] constexpr DebugMenu debugMenuState(std::uint8_t byte) noexcept {
  return byte == kDebugMenuDisabled  ? DebugMenu::Disabled
         : byte == kDebugMenuEnabled ? DebugMenu::Enabled
                                     : DebugMenu::Unknown;
}

// A whole number 0 to 255 in decimal digits, blanks around it allowed; nullopt for anything else.
[[nodiscard]] std::optional<std::uint8_t> parseHitCount(std::u16string_view text);

// What the user reads when parseHitCount refuses a hit count, in the window and on the command line.
[[nodiscard]] Refusal hitCountRefusal();

}  // namespace thornvale
