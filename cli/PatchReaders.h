#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "codec/Refusal.h"

namespace thornvale::cli {

// What applying a patch gives: the patched bytes, or why the patch could not be applied.
struct PatchApplication {
  std::vector<std::uint8_t> result;
  std::optional<Refusal> refusal;

  [[nodiscard]] bool ok() const noexcept { return !refusal; }
};

// Readers that share nothing with the writers, so that a patch is checked by code that did not
// make it. Both read the whole format, not only what our writers produce: IPS RLE records and the
// truncation extension; BPS SourceCopy and TargetCopy and all three checksums.
[[nodiscard]] PatchApplication applyIpsPatch(std::span<const std::uint8_t> patch,
                                             std::span<const std::uint8_t> original);
[[nodiscard]] PatchApplication applyBpsPatch(std::span<const std::uint8_t> patch,
                                             std::span<const std::uint8_t> original);

}  // namespace thornvale::cli
