#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "codec/Refusal.h"

namespace thornvale {

// Two single-byte game settings outside the texts, at file offsets like the catalogue's.
inline constexpr std::int32_t kDebugMenuOffset = 199125;  // 0x309D5
inline constexpr std::int32_t kHitCountOffset = 12698;    // 0x319A
inline constexpr std::uint8_t kDebugMenuDisabled = 0x35;
inline constexpr std::uint8_t kDebugMenuEnabled = 0xCC;

enum class DebugMenu { Disabled, Enabled, Unknown };
[[nodiscard]] constexpr DebugMenu debugMenuState(std::uint8_t byte) noexcept {
  return byte == kDebugMenuDisabled  ? DebugMenu::Disabled
         : byte == kDebugMenuEnabled ? DebugMenu::Enabled
                                     : DebugMenu::Unknown;
}

// A value is nullopt where the file ends before its byte.
struct MiscData {
  std::optional<std::uint8_t> debugMenu;
  std::optional<std::uint8_t> hitCount;
};

// One open, the debug-menu byte then the hit-count byte, one close.
[[nodiscard]] MiscData ReadMiscData(const std::string& fileName);

// Writes the values that are set and leaves the others as they are: all of them or, when a write
// fails part-way, none. Refuses, before writing anything, a value whose byte lies at or past the
// end of the file. When it returns, the bytes are on the disk.
void WriteMiscData(const std::string& fileName, const MiscData& values);

// A whole number 0 to 255 in decimal digits, blanks around it allowed; nullopt for anything else.
[[nodiscard]] std::optional<std::uint8_t> parseHitCount(std::u16string_view text);

// What the user reads when parseHitCount refuses a hit count, in the window and on the command line.
[[nodiscard]] Refusal hitCountRefusal();

}  // namespace thornvale
