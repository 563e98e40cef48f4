#include <gtest/gtest.h>

#include "cli/Checksum.h"
#include "cli/ImageInfo.h"
#include "sample/SampleImage.h"
#include "tests/support/TestFiles.h"

namespace thornvale::cli {
namespace {

using test::Bytes;

struct InfoCase {
  std::string name;
  Bytes image;
  std::vector<std::string> warnings;  // a distinctive piece of each, in order
};

std::vector<InfoCase> infoCases() {
  const Bytes good = buildSampleImage();
  Bytes trainer = good;
  trainer[6] |= 0x04;
  Bytes headerless(good.begin() + 16, good.end());
  headerless.resize(good.size());  // still long enough: only the header is missing
  const Bytes shortImage(good.begin(), good.begin() + 200000);
  return {
      {"good", good, {}},
      {"headerless", headerless, {"no iNES header"}},
      {"trainer", trainer, {"trainer"}},
      {"short", shortImage, {"too short"}},
      {"tiny", Bytes(5, 0), {"no iNES header", "too short"}},
  };
}

TEST(ImageInfo, WarnsWhereTheCatalogueCannotApply) {
  test::TempDir dir;
  const std::string path = dir.file("image.nes");
  for (const InfoCase& c : infoCases()) {
    test::writeBytes(path, c.image);
    const ImageInfo info = inspectImage(path);
    EXPECT_EQ(info.size, c.image.size()) << c.name;
    EXPECT_EQ(info.crc32, crc32Of(c.image)) << c.name;
    const std::vector<Refusal> warnings = imageWarnings(info);
    ASSERT_EQ(warnings.size(), c.warnings.size()) << c.name;
    for (std::size_t i = 0; i < warnings.size(); ++i) {
      EXPECT_NE(warnings[i].message.find(c.warnings[i]), std::string::npos)
          << c.name << ": " << warnings[i].message;
    }
    EXPECT_EQ(test::readBytes(path), c.image) << c.name;
  }
}

TEST(ImageInfo, ReportsTheHeaderOfTheSampleImage) {
  test::TempDir dir;
  const std::string path = dir.file("image.nes");
  const Bytes image = test::writeSampleImage(path);
  const ImageInfo info = inspectImage(path);
  ASSERT_TRUE(info.header);
  EXPECT_EQ(info.header->prgSize, 16u * 16384);
  EXPECT_EQ(info.header->chrSize, 0u);
  EXPECT_FALSE(info.header->trainer);
  EXPECT_EQ(info.header->expectedFileSize(), image.size());
  EXPECT_EQ(info.neededSize, 0x3C37Du);  // one past the last byte of position 32
  EXPECT_EQ(info.crc32WithoutHeader, crc32Of(std::span(image).subspan(16)));
  const std::string text = formatImageInfo(info);
  EXPECT_NE(text.find("size agrees with header: yes\n"), std::string::npos) << text;
  EXPECT_NE(text.find("long enough for every text: yes"), std::string::npos) << text;
}

TEST(ImageInfo, ReadsBothHeaderVariants) {
  struct Case {
    std::uint8_t bytes[16];
    std::uint64_t prg, chr;
    int mapper;
    bool trainer;
  };
  const Case cases[] = {
      {{'N', 'E', 'S', 0x1A, 8, 16, 0x44, 0x10}, 8 * 16384, 16 * 8192, 0x14, true},
      // Junk in bytes 12 to 15: byte 7 is not trusted for the mapper.
      {{'N', 'E', 'S', 0x1A, 2, 1, 0x10, 'D', 'i', 's', 'k', 'D', 'u', 'd', 'e', '!'},
       2 * 16384,
       8192,
       1,
       false},
      // NES 2.0: a wider size field and mapper bits in byte 8.
      {{'N', 'E', 'S', 0x1A, 0x00, 0x02, 0x10, 0x08, 0x01, 0x01}, 256 * 16384, 2 * 8192, 0x101, false},
      // NES 2.0 exponent form: 2^3 * (2*1 + 1) bytes.
      {{'N', 'E', 'S', 0x1A, 0x0D, 0x00, 0x00, 0x08, 0x00, 0x0F}, 24, 0, 0, false},
  };
  for (const Case& c : cases) {
    const auto header = parseInesHeader(c.bytes);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->prgSize, c.prg);
    EXPECT_EQ(header->chrSize, c.chr);
    EXPECT_EQ(header->mapper, c.mapper);
    EXPECT_EQ(header->trainer, c.trainer);
  }
  const std::uint8_t notNes[16] = {'N', 'E', 'S', 0x1B};
  EXPECT_FALSE(parseInesHeader(notNes));
}

}  // namespace
}  // namespace thornvale::cli
