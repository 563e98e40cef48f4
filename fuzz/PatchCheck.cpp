#include <algorithm>
#include <vector>

#include "cli/PatchReaders.h"
#include "cli/PatchWriters.h"
#include "fuzz/FuzzChecks.h"

namespace thornvale::fuzz {
namespace {

using Bytes = std::vector<std::uint8_t>;

void roundTrip(const Bytes& original, const Bytes& edited) {
  if (!cli::ipsRefusal(original.size(), edited.size())) {
    const cli::PatchApplication ips = cli::applyIpsPatch(cli::makeIpsPatch(original, edited), original);
    expect(ips.ok() && ips.result == edited, "an IPS patch turns the original into the edited file");
  }
  const cli::PatchApplication bps = cli::applyBpsPatch(cli::makeBpsPatch(original, edited), original);
  expect(bps.ok() && bps.result == edited, "a BPS patch turns the original into the edited file");
}

}  // namespace

// The first byte picks the shape of the pair. Small pairs come straight from the input; for one
// value of it, rare because each such run is slow, the pair are a file of over 4 MiB with the input's changes
// placed around the offsets that IPS treats specially (0x454F46, which reads as "EOF", and the 0xFFFF record
// limit).
void checkPatch(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return;
  const std::uint8_t mode = data[0];
  ++data, --size;

  // Whatever the bytes, the readers neither crash nor read past their input.
  const Bytes arbitrary(data, data + size);
  (void)cli::applyIpsPatch(arbitrary, arbitrary);
  (void)cli::applyBpsPatch(arbitrary, arbitrary);

  constexpr std::uint8_t kLarge = 0xE0;
  if (mode != kLarge) {
    const std::size_t half = size / 2;
    const Bytes original(data, data + half);
    Bytes edited(data + half, data + size);
    if (mode % 2 == 1) edited.resize(original.size());  // same size, as IPS needs
    roundTrip(original, edited);
    return;
  }

  constexpr std::size_t kEof = 0x454F46;
  static const Bytes original = [] {
    Bytes bytes(kEof + 0x40000);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + (i >> 12));
    return bytes;
  }();
  Bytes edited = original;
  for (std::size_t i = 0; i + 4 <= size; i += 4) {
    const std::size_t delta = static_cast<std::size_t>(data[i] | (data[i + 1] << 8)) % 0x20000;
    const std::size_t at = (data[i + 2] & 1) ? kEof + delta - 0x10000 : kEof - 0x10000 + delta * 3;
    const std::size_t run = 1 + data[i + 3] % 64 * (data[i + 3] & 0x80 ? 1200 : 1);
    for (std::size_t k = at; k < std::min(at + run, edited.size()); ++k) edited[k] ^= 0x5A;
  }
  roundTrip(original, edited);
}

}  // namespace thornvale::fuzz
