#pragma once

// The misc data window's two bytes of the image, read and written as GetTexts reads and writes the
// texts: under the lock, with writes that land whole or not at all.

#include <cstdint>
#include <optional>
#include <string>

namespace thornvale {

// Two single-byte game settings outside the texts, at file offsets like the catalogue's.
inline constexpr std::int32_t kDebugMenuOffset = 199125;  // 0x309D5
inline constexpr std::int32_t kHitCountOffset = 12698;    // 0x319A

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

}  // namespace thornvale
