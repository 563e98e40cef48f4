#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace thornvale::cli {

using Bytes = std::vector<std::uint8_t>;

// The whole file, through the codec's own file access; failures throw FileError.
[[nodiscard]] Bytes readWholeFile(const std::string& path);

// Reads until the end, so pipes and /dev/stdin work too; throws FileError.
[[nodiscard]] std::string readUntilEnd(const std::string& path);

}  // namespace thornvale::cli
