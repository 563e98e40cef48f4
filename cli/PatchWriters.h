#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "codec/Refusal.h"

namespace thornvale::cli {

enum class PatchFormat { Ips, Bps };

// IPS addresses 24-bit offsets and cannot shorten a file; we also refuse to grow one, since an
// edited image keeps the size of the original. nullopt when a patch can be made.
[[nodiscard]] std::optional<Refusal> ipsRefusal(std::size_t originalSize, std::size_t editedSize);

// Records of at most 0xFFFF bytes; none starts at 0x454F46, which would read as "EOF".
// The sizes must pass ipsRefusal.
[[nodiscard]] std::vector<std::uint8_t> makeIpsPatch(std::span<const std::uint8_t> original,
                                                     std::span<const std::uint8_t> edited);

// Linear BPS: SourceRead where the bytes agree, TargetRead where they differ, then the source,
// target and patch CRC32s. Any sizes.
[[nodiscard]] std::vector<std::uint8_t> makeBpsPatch(std::span<const std::uint8_t> original,
                                                     std::span<const std::uint8_t> edited);

}  // namespace thornvale::cli
