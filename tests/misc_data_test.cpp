#include <gtest/gtest.h>

#include "catalogue/MiscData.h"
#include "codec/FileError.h"
#include "sample/SampleImage.h"
#include "tests/support/TestFiles.h"

namespace thornvale {
namespace {

class MiscDataTest : public ::testing::Test {
 protected:
  test::TempDir dir_;
  std::string path_ = dir_.file("image.nes");
};

TEST_F(MiscDataTest, ReadsBothBytesAndNothingPastTheEnd) {
  test::writeSampleImage(path_);
  const MiscData sample = ReadMiscData(path_);
  EXPECT_EQ(sample.debugMenu, kSampleDebugMenu);
  EXPECT_EQ(sample.hitCount, kSampleHitCount);

  test::Bytes shortImage(kHitCountOffset + 1, 0x00);
  shortImage[kHitCountOffset] = 255;
  test::writeBytes(path_, shortImage);
  const MiscData partial = ReadMiscData(path_);
  EXPECT_EQ(partial.debugMenu, std::nullopt);
  EXPECT_EQ(partial.hitCount, 255);

  test::writeBytes(path_, test::Bytes(kHitCountOffset, 0x00));
  const MiscData none = ReadMiscData(path_);
  EXPECT_EQ(none.debugMenu, std::nullopt);
  EXPECT_EQ(none.hitCount, std::nullopt);
}

TEST_F(MiscDataTest, WritesWhatIsSetAndLeavesTheRest) {
  const test::Bytes original = test::writeSampleImage(path_);
  WriteMiscData(path_, {kDebugMenuEnabled, std::nullopt});
  test::Bytes expected = original;
  expected[kDebugMenuOffset] = 0xCC;
  EXPECT_EQ(test::readBytes(path_), expected);

  WriteMiscData(path_, {std::nullopt, 0});
  expected[kHitCountOffset] = 0;
  EXPECT_EQ(test::readBytes(path_), expected);

  WriteMiscData(path_, {kDebugMenuDisabled, 200});
  expected[kDebugMenuOffset] = 0x35;
  expected[kHitCountOffset] = 200;
  EXPECT_EQ(test::readBytes(path_), expected);
}

TEST_F(MiscDataTest, RefusesAByteBeyondTheEndAndWritesNeither) {
  const test::Bytes shortImage(kHitCountOffset + 10, 0x07);
  test::writeBytes(path_, shortImage);
  EXPECT_THROW(WriteMiscData(path_, {kDebugMenuEnabled, 9}), FileError);
  EXPECT_EQ(test::readBytes(path_), shortImage);

  EXPECT_THROW((void)ReadMiscData(dir_.file("missing.nes")), FileError);
  EXPECT_THROW((void)ReadMiscData(dir_.path().string()), FileError);
  EXPECT_THROW(WriteMiscData(dir_.file("missing.nes"), {std::nullopt, 1}), FileError);
  EXPECT_FALSE(std::filesystem::exists(dir_.file("missing.nes")));
}

TEST(HitCount, IsAWholeNumberFrom0To255) {
  const std::pair<std::u16string, std::optional<std::uint8_t>> cases[] = {
      {u"0", 0},
      {u"3", 3},
      {u"255", 255},
      {u"007", 7},
      {u" 12 ", 12},
      {u"256", std::nullopt},
      {u"-1", std::nullopt},
      {u"+3", std::nullopt},
      {u"", std::nullopt},
      {u"  ", std::nullopt},
      {u"3a", std::nullopt},
      {u"1 2", std::nullopt},
      {u"2.5", std::nullopt},
      {u"99999999999999", std::nullopt},
      {u"\uff13", std::nullopt},
  };
  for (const auto& [text, value] : cases) {
    EXPECT_EQ(parseHitCount(text), value) << std::string(text.begin(), text.end());
  }
}

}  // namespace
}  // namespace thornvale
