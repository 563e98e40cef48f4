#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace thornvale {

// A synthetic image of our own for trying the editor and for tests: an iNES header with 16 PRG
// banks and no CHR, our own words at every catalogue place, and the two misc data bytes.
inline constexpr std::size_t kSampleImageSize = 16 + 16 * 16384;
inline constexpr std::uint8_t kSampleDebugMenu = 0x35;  // disabled
inline constexpr std::uint8_t kSampleHitCount = 3;

[[nodiscard]] std::vector<std::uint8_t> buildSampleImage();

// What reading entry `position` of the sample image gives: its words padded with spaces to the
// entry's length. Empty for a position outside the catalogue.
[[nodiscard]] std::u16string sampleText(int position);

}  // namespace thornvale
