#include "cli/Checksum.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

#include "codec/Format.h"

namespace thornvale::cli {

std::uint32_t crc32Of(std::span<const std::uint8_t> bytes, std::uint32_t crc) {
  uLong value = crc;
  // zlib takes the length as uInt; feed larger buffers in pieces.
  while (!bytes.empty()) {
    const std::size_t n = std::min<std::size_t>(bytes.size(), std::numeric_limits<uInt>::max());
    value = ::crc32(value, bytes.data(), static_cast<uInt>(n));
    bytes = bytes.subspan(n);
  }
  return static_cast<std::uint32_t>(value);
}

std::string formatCrc32(std::uint32_t crc) { return formatHex0x(crc, 8); }

}  // namespace thornvale::cli
