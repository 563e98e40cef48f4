#include "cli/PatchWriters.h"

#include "cli/Checksum.h"

namespace thornvale::cli {
namespace {

constexpr std::size_t kIpsLimit = std::size_t{1} << 24;  // 16 MiB: offsets have three bytes
constexpr std::size_t kIpsMaxRecord = 0xFFFF;
constexpr std::size_t kIpsEofOffset = 0x454F46;  // "EOF" as an offset ends the patch
constexpr std::size_t kIpsRecordHeader = 5;

void putBigEndian(std::vector<std::uint8_t>& out, std::size_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void putLittleEndian32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void putBpsNumber(std::vector<std::uint8_t>& out, std::uint64_t value) {
  for (;;) {
    const std::uint8_t low = value & 0x7F;
    value >>= 7;
    if (value == 0) {
      out.push_back(0x80 | low);
      return;
    }
    out.push_back(low);
    --value;
  }
}

struct Record {
  std::size_t start;
  std::size_t end;
};

}  // namespace

std::optional<Refusal> ipsRefusal(std::size_t originalSize, std::size_t editedSize) {
  if (originalSize != editedSize) {
    return Refusal{"the files differ in size (" + std::to_string(originalSize) + " and " +
                   std::to_string(editedSize) +
                   " bytes); an IPS patch needs files of one size (try --format bps)"};
  }
  if (editedSize > kIpsLimit) {
    return Refusal{"the files are larger than 16 MiB, beyond what IPS can address (try --format bps)"};
  }
  return std::nullopt;
}

std::vector<std::uint8_t> makeIpsPatch(std::span<const std::uint8_t> original,
                                       std::span<const std::uint8_t> edited) {
  const std::size_t n = edited.size();
  const auto differs = [&](std::size_t i) { return original[i] != edited[i]; };

  std::vector<Record> records;
  std::size_t i = 0;
  while (i < n) {
    if (!differs(i)) {
      ++i;
      continue;
    }
    std::size_t start = i;
    if (start == kIpsEofOffset) {
      // Start one byte early; if that byte ends the previous record, take it from there.
      --start;
      if (!records.empty() && records.back().end > start) {
        if (--records.back().end == records.back().start) records.pop_back();
      }
    }
    std::size_t end = i + 1;
    while (end < n && end - start < kIpsMaxRecord) {
      if (differs(end)) {
        ++end;
        continue;
      }
      // Carry a short run of equal bytes along when that is cheaper than a new record header.
      std::size_t next = end;
      while (next < n && next - end < kIpsRecordHeader && !differs(next)) ++next;
      if (next < n && next - end < kIpsRecordHeader && next + 1 - start <= kIpsMaxRecord) {
        end = next + 1;
      } else {
        break;
      }
    }
    records.push_back({start, end});
    i = end;
  }

  std::vector<std::uint8_t> patch = {'P', 'A', 'T', 'C', 'H'};
  for (const Record& r : records) {
    putBigEndian(patch, r.start, 3);
    putBigEndian(patch, r.end - r.start, 2);
    patch.insert(patch.end(), edited.begin() + static_cast<std::ptrdiff_t>(r.start),
                 edited.begin() + static_cast<std::ptrdiff_t>(r.end));
  }
  patch.insert(patch.end(), {'E', 'O', 'F'});
  return patch;
}

std::vector<std::uint8_t> makeBpsPatch(std::span<const std::uint8_t> original,
                                       std::span<const std::uint8_t> edited) {
  std::vector<std::uint8_t> patch = {'B', 'P', 'S', '1'};
  putBpsNumber(patch, original.size());
  putBpsNumber(patch, edited.size());
  putBpsNumber(patch, 0);  // no metadata

  enum Action : std::uint64_t { SourceRead = 0, TargetRead = 1 };
  const auto same = [&](std::size_t i) { return i < original.size() && original[i] == edited[i]; };
  std::size_t i = 0;
  while (i < edited.size()) {
    const bool copy = same(i);
    std::size_t end = i + 1;
    while (end < edited.size() && same(end) == copy) ++end;
    putBpsNumber(patch, ((end - i - 1) << 2) | (copy ? SourceRead : TargetRead));
    if (!copy) {
      patch.insert(patch.end(), edited.begin() + static_cast<std::ptrdiff_t>(i),
                   edited.begin() + static_cast<std::ptrdiff_t>(end));
    }
    i = end;
  }
  putLittleEndian32(patch, crc32Of(original));
  putLittleEndian32(patch, crc32Of(edited));
  putLittleEndian32(patch, crc32Of(patch));
  return patch;
}

}  // namespace thornvale::cli
