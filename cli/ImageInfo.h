#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "codec/Refusal.h"

namespace thornvale::cli {

// The iNES header's fields that decide whether the catalogue's offsets can be right.
struct InesHeader {
  bool nes2 = false;  // the NES 2.0 variant, with wider size and mapper fields
  std::uint64_t prgSize = 0;
  std::uint64_t chrSize = 0;
  int mapper = 0;
  bool trainer = false;  // 512 bytes between header and PRG: every offset would move
  [[nodiscard]] std::uint64_t expectedFileSize() const;
};

struct ImageInfo {
  std::string path;
  std::uint64_t size = 0;
  std::optional<InesHeader> header;
  std::uint64_t neededSize = 0;  // the end of the last byte that any text or setting covers
  std::uint32_t crc32 = 0;
  std::optional<std::uint32_t> crc32WithoutHeader;  // when there is a header to leave out
};

[[nodiscard]] std::optional<InesHeader> parseInesHeader(const std::uint8_t (&bytes)[16]);

// Reads the file in pieces, so a wrong, huge file costs no memory. Throws FileError.
[[nodiscard]] ImageInfo inspectImage(const std::string& path);

// Why the file cannot be the kind of image the catalogue describes; empty when it can.
[[nodiscard]] std::vector<Refusal> imageWarnings(const ImageInfo& info);

// One "name: value" line per fact.
[[nodiscard]] std::string formatImageInfo(const ImageInfo& info);

}  // namespace thornvale::cli
