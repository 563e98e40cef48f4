#include "cli/PatchReaders.h"

#include <optional>

#include "cli/Checksum.h"

namespace thornvale::cli {
namespace {

// Bounds-checked reading from the front of a patch; every read past the end fails.
class Cursor {
 public:
  explicit Cursor(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  [[nodiscard]] std::size_t left() const noexcept { return bytes_.size() - at_; }
  [[nodiscard]] std::size_t at() const noexcept { return at_; }

  std::optional<std::uint64_t> bigEndian(int count) {
    if (left() < static_cast<std::size_t>(count)) return std::nullopt;
    std::uint64_t value = 0;
    for (int i = 0; i < count; ++i) value = (value << 8) | bytes_[at_++];
    return value;
  }

  std::optional<std::uint32_t> littleEndian32() {
    if (left() < 4) return std::nullopt;
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(bytes_[at_++]) << (8 * i);
    return value;
  }

  std::optional<std::span<const std::uint8_t>> take(std::size_t count) {
    if (left() < count) return std::nullopt;
    const auto piece = bytes_.subspan(at_, count);
    at_ += count;
    return piece;
  }

  // BPS's variable-length number: seven bits a byte, the last marked by its top bit.
  std::optional<std::uint64_t> number() {
    std::uint64_t value = 0;
    std::uint64_t shift = 1;
    for (int i = 0; i < 9; ++i) {  // 63 bits at most
      if (left() == 0) return std::nullopt;
      const std::uint8_t x = bytes_[at_++];
      value += (x & 0x7F) * shift;
      if (x & 0x80) return value;
      shift <<= 7;
      value += shift;
    }
    return std::nullopt;
  }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t at_ = 0;
};

PatchApplication failure(std::string why) { return {{}, Refusal{std::move(why)}}; }

}  // namespace

PatchApplication applyIpsPatch(std::span<const std::uint8_t> patch, std::span<const std::uint8_t> original) {
  Cursor in(patch);
  const auto magic = in.take(5);
  if (!magic || std::string(magic->begin(), magic->end()) != "PATCH") return failure("not an IPS patch");

  std::vector<std::uint8_t> out(original.begin(), original.end());
  for (;;) {
    const auto offset = in.bigEndian(3);
    if (!offset) return failure("the IPS patch ends without its EOF marker");
    if (*offset == 0x454F46) break;
    const auto size = in.bigEndian(2);
    if (!size) return failure("an IPS record is cut short");
    std::uint64_t runLength = *size;
    std::optional<std::span<const std::uint8_t>> data;
    std::optional<std::uint64_t> fill;
    if (*size == 0) {
      const auto rle = in.bigEndian(2);
      fill = in.bigEndian(1);
      if (!rle || !fill) return failure("an IPS RLE record is cut short");
      runLength = *rle;
    } else {
      data = in.take(*size);
      if (!data) return failure("an IPS record's data is cut short");
    }
    const std::size_t end = *offset + runLength;
    if (out.size() < end) out.resize(end, 0);
    for (std::size_t k = 0; k < runLength; ++k) {
      out[*offset + k] = data ? (*data)[k] : static_cast<std::uint8_t>(*fill);
    }
  }
  if (in.left() == 3) {
    out.resize(*in.bigEndian(3));
  } else if (in.left() != 0) {
    return failure("bytes follow the IPS patch's EOF marker");
  }
  return {std::move(out), {}};
}

// A BPS offset: a number whose lowest bit is its sign.
std::optional<std::int64_t> signedNumber(Cursor& in) {
  const auto raw = in.number();
  if (!raw) return std::nullopt;
  const auto magnitude = static_cast<std::int64_t>(*raw >> 1);
  return (*raw & 1) ? -magnitude : magnitude;
}

// Runs the BPS actions of `in` over `original` into `out`, which must not grow past `targetSize`;
// the problem, if any.
std::optional<std::string> runBpsActions(Cursor& in, std::span<const std::uint8_t> original,
                                         std::uint64_t targetSize, std::vector<std::uint8_t>& out) {
  std::int64_t sourceRelative = 0;
  std::int64_t targetRelative = 0;
  while (in.left() > 0) {
    const auto command = in.number();
    if (!command) return std::string("a BPS action is cut short");
    const std::uint64_t length = (*command >> 2) + 1;
    if (out.size() + length > targetSize) return std::string("a BPS action runs past the target's size");
    switch (*command & 3) {
      case 0:  // SourceRead
        if (out.size() + length > original.size())
          return std::string("a BPS SourceRead runs past the original");
        out.insert(out.end(), original.begin() + static_cast<std::ptrdiff_t>(out.size()),
                   original.begin() + static_cast<std::ptrdiff_t>(out.size() + length));
        break;
      case 1: {  // TargetRead
        const auto data = in.take(length);
        if (!data) return std::string("a BPS TargetRead is cut short");
        out.insert(out.end(), data->begin(), data->end());
        break;
      }
      case 2: {  // SourceCopy
        const auto delta = signedNumber(in);
        if (!delta) return std::string("a BPS SourceCopy is cut short");
        sourceRelative += *delta;
        if (sourceRelative < 0 || static_cast<std::uint64_t>(sourceRelative) + length > original.size()) {
          return std::string("a BPS SourceCopy reads outside the original");
        }
        out.insert(out.end(), original.begin() + sourceRelative,
                   original.begin() + sourceRelative + static_cast<std::int64_t>(length));
        sourceRelative += static_cast<std::int64_t>(length);
        break;
      }
      default: {  // TargetCopy, which may overlap what it writes
        const auto delta = signedNumber(in);
        if (!delta) return std::string("a BPS TargetCopy is cut short");
        targetRelative += *delta;
        if (targetRelative < 0 || static_cast<std::uint64_t>(targetRelative) >= out.size()) {
          return std::string("a BPS TargetCopy reads outside the target");
        }
        for (std::uint64_t k = 0; k < length; ++k)
          out.push_back(out[static_cast<std::size_t>(targetRelative++)]);
        break;
      }
    }
  }
  return std::nullopt;
}

PatchApplication applyBpsPatch(std::span<const std::uint8_t> patch, std::span<const std::uint8_t> original) {
  if (patch.size() < 4 + 12) return failure("too short for a BPS patch");
  Cursor in(patch.first(patch.size() - 12));
  const auto magic = in.take(4);
  if (std::string(magic->begin(), magic->end()) != "BPS1") return failure("not a BPS patch");

  Cursor footer(patch.last(12));
  const std::uint32_t sourceCrc = *footer.littleEndian32();
  const std::uint32_t targetCrc = *footer.littleEndian32();
  const std::uint32_t patchCrc = *footer.littleEndian32();
  if (crc32Of(patch.first(patch.size() - 4)) != patchCrc)
    return failure("the BPS patch's own checksum fails");

  const auto sourceSize = in.number();
  const auto targetSize = in.number();
  const auto metadataSize = in.number();
  if (!sourceSize || !targetSize || !metadataSize) return failure("the BPS header is cut short");
  if (*sourceSize != original.size() || crc32Of(original) != sourceCrc) {
    return failure("the BPS patch is for another original");
  }
  if (!in.take(*metadataSize)) return failure("the BPS metadata is cut short");
  if (*targetSize > (std::uint64_t{1} << 32)) return failure("the BPS target is implausibly large");

  std::vector<std::uint8_t> out;
  out.reserve(*targetSize);
  if (std::optional<std::string> problem = runBpsActions(in, original, *targetSize, out)) {
    return failure(std::move(*problem));
  }
  if (out.size() != *targetSize) return failure("the BPS actions end before the target's size");
  if (crc32Of(out) != targetCrc) return failure("the BPS target's checksum fails");
  return {std::move(out), {}};
}

}  // namespace thornvale::cli
