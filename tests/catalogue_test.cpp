#include "catalogue/Catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <vector>

#include "catalogue/SaveCheck.h"
#include "codec/GetTexts.h"
#include "sample/SampleImage.h"
#include "tests/support/SampleImageFixture.h"
#include "tests/support/TestFiles.h"

namespace thornvale {
namespace {

const CatalogueEntry& entry(int position) { return catalogue()[static_cast<std::size_t>(position)]; }

TEST(Catalogue, HasSeventyEntriesFoundByTheirListPosition) {
  ASSERT_EQ(catalogue().size(), 70u);
  for (int p = 0; p < 70; ++p) {
    ASSERT_EQ(catalogueEntry(p), &entry(p));
    EXPECT_EQ(entry(p).position, p);
  }
  for (int p : {-1, 70, 71, 32767, -32768}) EXPECT_EQ(catalogueEntry(p), nullptr) << p;
}

// Written out in decimal, apart from the catalogue's own hex, so that a slip in either shows.
TEST(Catalogue, PlacesEveryTextWhereTheGameKeepsIt) {
  const std::pair<std::int32_t, std::int16_t> places[70] = {
      {81995, 5},   {82003, 5},   {82502, 5},   {82713, 5},   {82719, 5},   {82217, 8},   {82228, 3},
      {82401, 20},  {208277, 7},  {208287, 10}, {208378, 7},  {208388, 6},  {208397, 4},  {208470, 5},
      {208478, 1},  {208512, 10}, {208548, 5},  {208556, 1},  {208561, 3},  {208567, 6},  {208600, 7},
      {208610, 7},  {208690, 7},  {208700, 9},  {208859, 7},  {208869, 9},  {208991, 5},  {208999, 2},
      {208968, 6},  {208977, 2},  {208982, 5},  {246621, 14}, {246639, 14}, {196906, 17}, {196926, 32},
      {196966, 40}, {197006, 16}, {197026, 67}, {223122, 33}, {223156, 38}, {223195, 51}, {223247, 50},
      {223298, 51}, {223350, 82}, {223433, 47}, {223481, 79}, {223609, 28}, {223638, 61}, {223700, 47},
      {223748, 10}, {223759, 87}, {223847, 47}, {223895, 56}, {223951, 62}, {224032, 71}, {182894, 59},
      {182955, 46}, {183002, 24}, {221892, 51}, {221952, 58}, {222012, 58}, {222072, 58}, {222132, 58},
      {222192, 25}, {222252, 70}, {222321, 28}, {203481, 87}, {21303, 57},  {21392, 65},  {21483, 67},
  };
  for (int p = 0; p < 70; ++p) {
    EXPECT_EQ(entry(p).offset, places[p].first) << p;
    EXPECT_EQ(entry(p).length, places[p].second) << p;
  }
}

TEST(Catalogue, IsGroupedByTableAndEveryTableExists) {
  for (const CatalogueEntry& e : catalogue()) {
    const std::string_view expected = e.position <= 7    ? "Table2"
                                      : e.position <= 30 ? "Table3"
                                      : e.position <= 32 ? "Table4"
                                                         : "Table1";
    EXPECT_EQ(e.tableName, expected) << e.position;
    EXPECT_NE(findCharacterTable(e.tableName), nullptr) << e.position;
    EXPECT_EQ(e.table, findCharacterTable(e.tableName)) << e.position;  // the table its name names
  }
}

TEST(Catalogue, SavesEveryEntryWhole_ButEntry27AsOneByte) {
  for (const CatalogueEntry& e : catalogue()) {
    EXPECT_GE(e.length, 1);
    EXPECT_LE(e.length, 87);
    if (e.position == 27) continue;
    EXPECT_EQ(e.saveLength, e.length) << e.position;
  }
  EXPECT_EQ(entry(27).offset, 208999);
  EXPECT_EQ(entry(27).length, 2);
  EXPECT_EQ(entry(27).saveLength, 1);
  EXPECT_EQ(entry(14).length, 1);
  EXPECT_EQ(entry(17).length, 1);
  EXPECT_EQ(entry(50).length, 87);
  EXPECT_EQ(entry(66).length, 87);
}

TEST(Catalogue, LiesInTheFileOutOfListOrder) {
  std::vector<int> byOffset(70);
  std::iota(byOffset.begin(), byOffset.end(), 0);
  std::sort(byOffset.begin(), byOffset.end(), [](int a, int b) { return entry(a).offset < entry(b).offset; });

  std::vector<int> expected = {67, 68, 69, 0, 1, 5, 6, 7, 2, 3, 4, 55, 56, 57, 33, 34, 35, 36, 37, 66};
  for (int p = 8; p <= 25; ++p) expected.push_back(p);
  for (int p : {28, 29, 30, 26, 27}) expected.push_back(p);
  for (int p = 58; p <= 65; ++p) expected.push_back(p);
  for (int p = 38; p <= 54; ++p) expected.push_back(p);
  expected.push_back(31);
  expected.push_back(32);
  EXPECT_EQ(byOffset, expected);

  EXPECT_EQ(entry(5).offset, 82217);
  EXPECT_EQ(entry(28).offset, 208968);
  EXPECT_EQ(entry(67).offset, 21303);
  EXPECT_EQ(entry(32).offset + entry(32).length - 1, 246652);

  // Neighbours in the file: one shared byte (64 and 65), two pairs back to back, else a gap.
  for (std::size_t i = 0; i + 1 < byOffset.size(); ++i) {
    const CatalogueEntry& a = entry(byOffset[i]);
    const CatalogueEntry& b = entry(byOffset[i + 1]);
    const std::int32_t gap = b.offset - (a.offset + a.length);
    SCOPED_TRACE(std::to_string(a.position) + " then " + std::to_string(b.position));
    if (a.position == 64) {
      EXPECT_EQ(gap, -1);
      EXPECT_EQ(b.offset, 222321);
    } else if ((a.position == 35 && b.position == 36) || (a.position == 52 && b.position == 53)) {
      EXPECT_EQ(gap, 0);
    } else {
      EXPECT_GE(gap, 1);
    }
  }
}

using SampleImageTest = test::SampleImageFixture;

TEST_F(SampleImageTest, IsAnInesImageWithOurTextAtEveryPlace) {
  ASSERT_EQ(image.size(), 16u + 16u * 16384u);
  EXPECT_EQ(test::Bytes(image.begin(), image.begin() + 6), (test::Bytes{'N', 'E', 'S', 0x1A, 16, 0}));
  for (const CatalogueEntry& e : catalogue()) {
    EXPECT_EQ(ReadText(e.offset, imagePath, e.length, e.tableName), sampleText(e.position)) << e.position;
    EXPECT_EQ(sampleText(e.position).size(), static_cast<std::size_t>(e.length));
  }
  EXPECT_EQ(sampleText(-1), u"");
  EXPECT_EQ(sampleText(70), u"");
  EXPECT_EQ(test::readBytes(imagePath), image);
}

TEST_F(SampleImageTest, Entry27SavesOnlyItsFirstByte) {
  const CatalogueEntry& e = entry(27);
  WriteText(e.offset, imagePath, u"Z", e.saveLength, e.tableName);
  test::Bytes expected = image;
  expected[208999] = 0xFF;  // "Z" through Table3
  EXPECT_EQ(test::readBytes(imagePath), expected);
  EXPECT_EQ(ReadText(e.offset, imagePath, e.length, e.tableName), std::u16string(u"Z") + sampleText(27)[1]);
}

TEST_F(SampleImageTest, Entries64And65ShareOneByte) {
  const CatalogueEntry& e64 = entry(64);
  const CatalogueEntry& e65 = entry(65);
  WriteText(e64.offset, imagePath, std::u16string(69, u'a') + u"Q", e64.saveLength, e64.tableName);
  EXPECT_EQ(ReadText(e65.offset, imagePath, e65.length, e65.tableName).front(), u'Q');

  WriteText(e65.offset, imagePath, u"R" + std::u16string(27, u'b'), e65.saveLength, e65.tableName);
  EXPECT_EQ(ReadText(e64.offset, imagePath, e64.length, e64.tableName).back(), u'R');

  test::Bytes after = test::readBytes(imagePath);
  EXPECT_EQ(after[222321], 0xC1);  // "R" through Table1
  for (std::size_t i = 0; i < after.size(); ++i) {
    if (i < 222252 || i >= 222321 + 28) {
      ASSERT_EQ(after[i], image[i]) << "byte " << i;
    }
  }
}

TEST_F(SampleImageTest, EveryEntryRoundTripsAFullText) {
  for (const CatalogueEntry& e : catalogue()) {
    const CharacterTable& table = *findCharacterTable(e.tableName);
    std::u16string text;
    for (int b = 255; text.size() < static_cast<std::size_t>(e.saveLength); b = (b + 37) % 256) {
      if (table[static_cast<std::size_t>(b)] != kNoCharacter)
        text.push_back(table[static_cast<std::size_t>(b)]);
    }
    ASSERT_FALSE(checkSave(e, text)) << e.position;
    WriteText(e.offset, imagePath, text, e.saveLength, e.tableName);
    EXPECT_EQ(ReadText(e.offset, imagePath, e.saveLength, e.tableName), text) << e.position;
  }
}

TEST(SaveCheck, DemandsTheSaveLengthFirstThenStorableCharacters) {
  enum class V { Ok, WrongLength, Unencodable };
  struct Case {
    int position;
    std::u16string text;
    V verdict;
    std::string unencodable;  // as the refusal names them
  };
  const Case cases[] = {
      {0, u"MAPLE", V::Ok, ""},
      {0, u"MAPL", V::WrongLength, ""},
      {0, u"MAPLES", V::WrongLength, ""},
      {0, u"", V::WrongLength, ""},
      {0, u"maple", V::Unencodable, "\"m\", \"a\", \"p\", \"l\", \"e\""},
      {0, u"mapl", V::WrongLength, ""},
      {27, u"Q", V::Ok, ""},
      {27, u"Q2", V::WrongLength, ""},
      {27, u"q", V::Unencodable, "\"q\""},
      {31, u"GREAT SUCCESS?", V::Unencodable, "\"?\""},
      {33, u"Caf\u00e9, caf\u00e9 stops!", V::Unencodable, "\"\xC3\xA9\""},
      {33, u"Welcome, friend!", V::WrongLength, ""},
      {33, u"Welcome, friends!", V::Ok, ""},
  };
  for (const Case& c : cases) {
    const std::optional<Refusal> refusal = checkSave(entry(c.position), c.text);
    switch (c.verdict) {
      case V::Ok: EXPECT_FALSE(refusal) << c.position; break;
      case V::WrongLength:
        ASSERT_TRUE(refusal) << c.position;
        EXPECT_EQ(refusal->message, kWrongLengthMessage) << c.position;
        break;
      case V::Unencodable:
        ASSERT_TRUE(refusal) << c.position;
        EXPECT_EQ(refusal->message, "Cannot save Text, these characters cannot be stored in this text: " +
                                        c.unencodable + ". Nothing was saved.")
            << c.position;
        break;
    }
  }
}

TEST(SaveCheck, RefusalsSayWhatIsWrong) {
  const auto message = [](int position, std::u16string_view text) {
    const std::optional<Refusal> refusal = checkSave(entry(position), text);
    return refusal ? refusal->message : std::string();
  };
  EXPECT_EQ(message(0, u"MAP"), "Cannot save Text, it is either shorter or longer then the original.");
  EXPECT_EQ(message(0, u"MAPLE"), "");
  EXPECT_EQ(message(0, u"Ma\u00e9LE"),
            "Cannot save Text, these characters cannot be stored in this text: \"a\", \"\xC3\xA9\". "
            "Nothing was saved.");
  // A character beyond U+FFFF takes two positions but is named as one character.
  EXPECT_EQ(message(12, u"AB\U0001F600"),
            "Cannot save Text, these characters cannot be stored in this text: \"\xF0\x9F\x98\x80\". "
            "Nothing was saved.");
}

}  // namespace
}  // namespace thornvale
