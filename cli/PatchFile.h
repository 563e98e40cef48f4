#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "cli/PatchWriters.h"
#include "codec/Refusal.h"

namespace thornvale::cli {

using PatchMaker = std::function<std::vector<std::uint8_t>(std::span<const std::uint8_t> original,
                                                           std::span<const std::uint8_t> edited)>;

// Writes to `out` a patch that turns `original` into `edited`, after reading the written file back
// and applying it to `original` with the independent reader: unless that gives `edited` byte for
// byte, `out` is not created (nor, if it exists, replaced). `maker` replaces the format's own
// writer, for tests. Returns the refusal, nullopt on success; file errors throw FileError.
[[nodiscard]] std::optional<Refusal> writePatchFile(const std::string& original, const std::string& edited,
                                                    const std::string& out, PatchFormat format,
                                                    const PatchMaker& maker = {});

}  // namespace thornvale::cli
