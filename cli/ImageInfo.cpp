#include "cli/ImageInfo.h"

#include <algorithm>
#include <array>

#include "catalogue/Catalogue.h"
#include "catalogue/MiscData.h"
#include "cli/Checksum.h"
#include "codec/FileAccess.h"

namespace thornvale::cli {
namespace {

constexpr std::size_t kHeaderSize = 16;
constexpr std::uint64_t kTrainerSize = 512;
constexpr std::uint64_t kPrgUnit = 16384;
constexpr std::uint64_t kChrUnit = 8192;

// NES 2.0 sizes: a 12-bit count of units, or, with the top nibble all ones, 2^E * (2M + 1).
std::uint64_t nes2Size(std::uint8_t low, std::uint8_t high, std::uint64_t unit) {
  if (high != 0xF) return ((static_cast<std::uint64_t>(high) << 8) | low) * unit;
  const int exponent = low >> 2;
  const std::uint64_t multiplier = (low & 3) * 2 + 1;
  if (exponent > 60) return UINT64_MAX;
  return (std::uint64_t{1} << exponent) * multiplier;
}

std::string yesNo(bool value) { return value ? "yes" : "no"; }

std::string bytesText(std::uint64_t n) { return std::to_string(n) + " bytes"; }

std::uint64_t neededSize() {
  std::uint64_t end = std::max<std::uint64_t>(kDebugMenuOffset, kHitCountOffset) + 1;
  for (const CatalogueEntry& e : catalogue()) {
    end = std::max<std::uint64_t>(end, static_cast<std::uint64_t>(e.offset) + e.length);
  }
  return end;
}

}  // namespace

std::uint64_t InesHeader::expectedFileSize() const {
  const std::uint64_t parts[] = {kHeaderSize, trainer ? kTrainerSize : 0, prgSize, chrSize};
  std::uint64_t total = 0;
  for (std::uint64_t part : parts) total = part > UINT64_MAX - total ? UINT64_MAX : total + part;
  return total;
}

std::optional<InesHeader> parseInesHeader(const std::uint8_t (&b)[16]) {
  if (b[0] != 'N' || b[1] != 'E' || b[2] != 'S' || b[3] != 0x1A) return std::nullopt;
  InesHeader header;
  header.nes2 = (b[7] & 0x0C) == 0x08;
  header.trainer = (b[6] & 0x04) != 0;
  if (header.nes2) {
    header.prgSize = nes2Size(b[4], b[9] & 0x0F, kPrgUnit);
    header.chrSize = nes2Size(b[5], b[9] >> 4, kChrUnit);
    header.mapper = (b[6] >> 4) | (b[7] & 0xF0) | ((b[8] & 0x0F) << 8);
  } else {
    header.prgSize = b[4] * kPrgUnit;
    header.chrSize = b[5] * kChrUnit;
    // Old dumping tools left text in bytes 7 to 15; their byte 7 is no mapper nibble.
    const bool junk = std::any_of(b + 12, b + 16, [](std::uint8_t x) { return x != 0; });
    header.mapper = (b[6] >> 4) | (junk ? 0 : (b[7] & 0xF0));
  }
  return header;
}

ImageInfo inspectImage(const std::string& path) {
  ImageInfo info;
  info.path = path;
  info.neededSize = neededSize();

  File file = openImage(path, File::Access::Read);
  info.size = static_cast<std::uint64_t>(file.size());
  std::uint8_t head[kHeaderSize] = {};
  if (info.size >= kHeaderSize) {
    readPadded(file, 0, head);
    info.header = parseInesHeader(head);
  }

  std::array<std::uint8_t, 1 << 16> buffer{};
  std::uint32_t whole = crc32Of({});
  std::uint32_t body = crc32Of({});
  for (std::uint64_t at = 0; at < info.size; at += buffer.size()) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), info.size - at));
    const std::span<const std::uint8_t> piece(buffer.data(), n);
    readPadded(file, static_cast<std::int64_t>(at), std::span(buffer.data(), n));
    whole = crc32Of(piece, whole);
    const std::size_t skip =
        at < kHeaderSize ? static_cast<std::size_t>(std::min<std::uint64_t>(kHeaderSize - at, n)) : 0;
    body = crc32Of(piece.subspan(skip), body);
  }
  file.close();
  info.crc32 = whole;
  if (info.header) info.crc32WithoutHeader = body;
  return info;
}

std::vector<Refusal> imageWarnings(const ImageInfo& info) {
  std::vector<Refusal> warnings;
  if (!info.header) {
    warnings.push_back(
        {"no iNES header; the texts' offsets count a 16-byte header, so they would all be wrong"});
  } else if (info.header->trainer) {
    warnings.push_back({"the header announces a 512-byte trainer, which shifts every text's offset"});
  }
  if (info.size < info.neededSize) {
    warnings.push_back({"the file has " + bytesText(info.size) + ", too short for every text (" +
                        bytesText(info.neededSize) + " needed)"});
  }
  return warnings;
}

std::string formatImageInfo(const ImageInfo& info) {
  std::string out;
  const auto line = [&](const std::string& name, const std::string& value) {
    out += name + ": " + value + '\n';
  };
  line("file", info.path);
  line("size", bytesText(info.size));
  if (info.header) {
    const InesHeader& h = *info.header;
    line("iNES header", h.nes2 ? "present (NES 2.0)" : "present");
    line("PRG ROM", bytesText(h.prgSize) + " (" + std::to_string(h.prgSize / kPrgUnit) + " x 16 KiB)");
    line("CHR ROM", bytesText(h.chrSize) + " (" + std::to_string(h.chrSize / kChrUnit) + " x 8 KiB)");
    line("mapper", std::to_string(h.mapper));
    line("trainer", yesNo(h.trainer));
    const std::uint64_t expected = h.expectedFileSize();
    line("size agrees with header",
         expected == info.size ? "yes" : "no (the header describes " + bytesText(expected) + ")");
  } else {
    line("iNES header", "missing");
  }
  line("long enough for every text",
       yesNo(info.size >= info.neededSize) + " (" + bytesText(info.neededSize) + " needed)");
  line("CRC32", formatCrc32(info.crc32));
  line("CRC32 without header",
       info.crc32WithoutHeader ? formatCrc32(*info.crc32WithoutHeader) : "none (no header)");
  return out;
}

}  // namespace thornvale::cli
