#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace thornvale::cli {

// zlib's CRC-32, the checksum of BPS patches and of the usual image databases.
[[nodiscard]] std::uint32_t crc32Of(std::span<const std::uint8_t> bytes, std::uint32_t crc = 0);

// "0x" and eight upper-case hex digits.
[[nodiscard]] std::string formatCrc32(std::uint32_t crc);

}  // namespace thornvale::cli
