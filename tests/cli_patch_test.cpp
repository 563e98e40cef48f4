#include <gtest/gtest.h>

#include <filesystem>

#include "cli/Checksum.h"
#include "cli/PatchFile.h"
#include "cli/PatchReaders.h"
#include "cli/PatchWriters.h"
#include "tests/support/TestFiles.h"

namespace thornvale::cli {
namespace {

using test::Bytes;

constexpr std::size_t kFiveMiB = 5 << 20;
constexpr std::size_t kEof = 0x454F46;

struct Pair {
  std::string name;
  Bytes original;
  Bytes edited;
};

Bytes pattern(std::size_t size) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>((i * 7) ^ (i >> 9));
  return bytes;
}

Pair edit(std::string name, const Bytes& original, std::size_t from, std::size_t count) {
  Bytes edited = original;
  for (std::size_t i = from; i < from + count; ++i) edited[i] = static_cast<std::uint8_t>(~edited[i]);
  return {std::move(name), original, std::move(edited)};
}

std::vector<Pair> sameSizePairs() {
  const Bytes small = pattern(4096);
  const Bytes big = pattern(kFiveMiB);
  std::vector<Pair> pairs = {
      {"equal", small, small},
      edit("first byte", small, 0, 1),
      edit("last byte", small, 4095, 1),
      edit("scattered", small, 100, 3),
      edit("run longer than 0xFFFF", big, 1000, 0x1FFFF + 3),
      edit("byte at 0x454F46", big, kEof, 1),
      edit("bytes around 0x454F46", big, kEof - 1, 2),
      // The split of this run falls exactly on 0x454F46.
      edit("record limit at 0x454F46", big, kEof - 0xFFFF, 0x20000),
  };
  Pair gaps = edit("gaps", small, 10, 1);
  gaps.edited[13] ^= 1;  // a short gap, carried along
  gaps.edited[40] ^= 1;  // a long one, a new record
  pairs.push_back(std::move(gaps));
  return pairs;
}

TEST(Patch, IpsAndBpsApplyToTheEditedFile) {
  for (const Pair& pair : sameSizePairs()) {
    const Bytes ips = makeIpsPatch(pair.original, pair.edited);
    const PatchApplication viaIps = applyIpsPatch(ips, pair.original);
    ASSERT_TRUE(viaIps.ok()) << pair.name << ": " << viaIps.refusal->message;
    EXPECT_TRUE(viaIps.result == pair.edited) << pair.name;

    const Bytes bps = makeBpsPatch(pair.original, pair.edited);
    const PatchApplication viaBps = applyBpsPatch(bps, pair.original);
    ASSERT_TRUE(viaBps.ok()) << pair.name << ": " << viaBps.refusal->message;
    EXPECT_TRUE(viaBps.result == pair.edited) << pair.name;
  }
}

TEST(Patch, EqualFilesGiveTheEmptyIpsPatch) {
  const Bytes same = pattern(100);
  EXPECT_EQ(makeIpsPatch(same, same), (Bytes{'P', 'A', 'T', 'C', 'H', 'E', 'O', 'F'}));
}

TEST(Patch, BpsHandlesFilesOfDifferentSizesAndCarriesItsChecksums) {
  const Bytes original = pattern(3000);
  Bytes longer = original;
  longer.insert(longer.end(), 500, 0x42);
  const Bytes shorter(original.begin(), original.begin() + 1000);
  for (const Bytes& edited : {longer, shorter}) {
    const Bytes bps = makeBpsPatch(original, edited);
    EXPECT_TRUE(applyBpsPatch(bps, original).result == edited);
    const auto crcAt = [&](std::size_t fromEnd) {
      std::uint32_t v = 0;
      for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(bps[bps.size() - fromEnd + i]) << (8 * i);
      return v;
    };
    EXPECT_EQ(crcAt(12), crc32Of(original));
    EXPECT_EQ(crcAt(8), crc32Of(edited));
    EXPECT_EQ(crcAt(4), crc32Of(std::span(bps).first(bps.size() - 4)));
  }
  EXPECT_TRUE(ipsRefusal(3000, 3500).has_value());
  EXPECT_TRUE(ipsRefusal((16 << 20) + 1, (16 << 20) + 1).has_value());
  EXPECT_FALSE(ipsRefusal(16 << 20, 16 << 20).has_value());
}

TEST(Patch, ReadersRefuseDamagedPatchesWithoutCrashing) {
  const Pair pair = edit("", pattern(2000), 500, 40);
  const Bytes ips = makeIpsPatch(pair.original, pair.edited);
  const Bytes bps = makeBpsPatch(pair.original, pair.edited);
  for (std::size_t n = 0; n < ips.size(); ++n) {
    EXPECT_FALSE(applyIpsPatch(std::span(ips).first(n), pair.original).ok()) << n;
  }
  for (std::size_t n = 0; n < bps.size(); ++n) {
    EXPECT_FALSE(applyBpsPatch(std::span(bps).first(n), pair.original).ok()) << n;
  }
  for (std::size_t i = 0; i < bps.size(); i += 7) {
    Bytes damaged = bps;
    damaged[i] ^= 0x10;
    EXPECT_FALSE(applyBpsPatch(damaged, pair.original).ok()) << i;
  }
  // The BPS source checksum ties a patch to its original.
  EXPECT_FALSE(applyBpsPatch(bps, pair.edited).ok());
}

class PatchFileTest : public ::testing::Test {
 protected:
  test::TempDir dir_;
  std::string original_ = dir_.file("original.nes");
  std::string edited_ = dir_.file("edited.nes");
  std::string out_ = dir_.file("out.patch");
  Pair pair_ = edit("", pattern(5000), 1234, 10);

  void SetUp() override {
    test::writeBytes(original_, pair_.original);
    test::writeBytes(edited_, pair_.edited);
  }
};

TEST_F(PatchFileTest, WritesCheckedPatchesOfBothFormats) {
  EXPECT_EQ(writePatchFile(original_, edited_, out_, PatchFormat::Ips), std::nullopt);
  EXPECT_TRUE(applyIpsPatch(test::readBytes(out_), pair_.original).result == pair_.edited);
  EXPECT_EQ(writePatchFile(original_, edited_, out_, PatchFormat::Bps), std::nullopt);
  EXPECT_TRUE(applyBpsPatch(test::readBytes(out_), pair_.original).result == pair_.edited);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 3);
}

TEST_F(PatchFileTest, AFaultyPatchIsNeverLeftBehind) {
  const PatchMaker faulty = [](std::span<const std::uint8_t> original, std::span<const std::uint8_t> edited) {
    Bytes patch = makeBpsPatch(original, edited);
    patch[patch.size() / 2] ^= 1;
    return patch;
  };
  const PatchMaker wrong = [](std::span<const std::uint8_t> original, std::span<const std::uint8_t>) {
    return makeIpsPatch(original, original);
  };
  EXPECT_TRUE(writePatchFile(original_, edited_, out_, PatchFormat::Bps, faulty));
  EXPECT_FALSE(std::filesystem::exists(out_));

  const Bytes previous = {'o', 'l', 'd'};
  test::writeBytes(out_, previous);
  EXPECT_TRUE(writePatchFile(original_, edited_, out_, PatchFormat::Ips, wrong));
  EXPECT_EQ(test::readBytes(out_), previous);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 3);
}

TEST_F(PatchFileTest, RefusesToOverwriteAnImageOrToPatchFilesIpsCannotDescribe) {
  EXPECT_TRUE(writePatchFile(original_, edited_, edited_, PatchFormat::Ips));
  EXPECT_TRUE(writePatchFile(original_, edited_, original_, PatchFormat::Bps));
  EXPECT_EQ(test::readBytes(original_), pair_.original);
  EXPECT_EQ(test::readBytes(edited_), pair_.edited);

  Bytes longer = pair_.edited;
  longer.push_back(0);
  test::writeBytes(edited_, longer);
  const std::optional<Refusal> refusal = writePatchFile(original_, edited_, out_, PatchFormat::Ips);
  ASSERT_TRUE(refusal);
  EXPECT_NE(refusal->message.find("differ in size"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(out_));
}

}  // namespace
}  // namespace thornvale::cli
