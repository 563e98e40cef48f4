#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

#include "codec/CharacterTables.h"

namespace thornvale {
namespace {

const CharacterTable& table(std::string_view name) {
  const CharacterTable* t = findCharacterTable(name);
  if (t == nullptr) throw std::logic_error("no table " + std::string(name));
  return *t;
}

std::u16string charactersOf(const CharacterTable& t) {
  std::u16string chars;
  for (char16_t c : t) {
    if (c != kNoCharacter && chars.find(c) == std::u16string::npos) chars.push_back(c);
  }
  std::sort(chars.begin(), chars.end());
  return chars;
}

std::u16string sorted(std::u16string s) {
  std::sort(s.begin(), s.end());
  return s;
}

TEST(CharacterTables, HaveTheirEntryCountsAndCharacterSets) {
  struct Case {
    std::string_view name;
    std::size_t entries;
    std::u16string characters;
  };
  const Case cases[] = {
      {"Table1", 64, u"_,'.!? ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"},
      {"Table2", 17, u"ACDEGILMNOPRTUWZ "},
      {"Table3", 37, u"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 "},
      {"Table4", 14, u"ACDEGLORSTUY! "},
  };
  ASSERT_EQ(characterTables().size(), 4u);
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(std::string(c.name));
    EXPECT_EQ(characterTables()[i].name, c.name);
    const CharacterTable& t = table(c.name);
    EXPECT_EQ(static_cast<std::size_t>(
                  std::count_if(t.begin(), t.end(), [](char16_t ch) { return ch != kNoCharacter; })),
              c.entries);
    EXPECT_EQ(charactersOf(t), sorted(c.characters));
  }
}

// Each run's first and last byte, and the bytes just outside it, catch a run that is shifted
// or one entry too long.
TEST(CharacterTables, DecodeTheGamesBytes) {
  struct Case {
    std::string_view table;
    std::uint8_t byte;
    char16_t character;  // kNoCharacter: decodes to nothing
  };
  const Case cases[] = {
      {"Table1", 0x00, u'_'},         {"Table1", 0x01, kNoCharacter}, {"Table1", 0x80, kNoCharacter},
      {"Table1", 0x81, u'w'},         {"Table1", 0x84, u'z'},         {"Table1", 0x85, kNoCharacter},
      {"Table1", 0x88, u'x'},         {"Table1", 0x8C, u'y'},         {"Table1", 0x8F, u'z'},
      {"Table1", 0x9A, u','},         {"Table1", 0xAB, u'\''},        {"Table1", 0xAF, kNoCharacter},
      {"Table1", 0xB0, u'A'},         {"Table1", 0xC9, u'Z'},         {"Table1", 0xCA, u'q'},
      {"Table1", 0xCF, u'v'},         {"Table1", 0xD0, u'a'},         {"Table1", 0xDF, u'p'},
      {"Table1", 0xE0, kNoCharacter}, {"Table1", 0xE5, u'_'},         {"Table1", 0xE9, u'.'},
      {"Table1", 0xEA, u'!'},         {"Table1", 0xEB, u'?'},         {"Table1", 0xEC, kNoCharacter},
      {"Table1", 0xFE, u' '},         {"Table1", 0xFF, u'_'},         {"Table2", 0x00, kNoCharacter},
      {"Table2", 0xB0, kNoCharacter}, {"Table2", 0xBA, u'M'},         {"Table2", 0xBB, kNoCharacter},
      {"Table2", 0xBC, u'A'},         {"Table2", 0xD8, u'W'},         {"Table2", 0xDB, u'N'},
      {"Table2", 0xE8, u'E'},         {"Table2", 0xEE, u'D'},         {"Table2", 0xEF, kNoCharacter},
      {"Table2", 0xF0, u'O'},         {"Table2", 0xFC, u'I'},         {"Table2", 0xFD, u'Z'},
      {"Table2", 0xFE, u' '},         {"Table2", 0xFF, kNoCharacter}, {"Table3", 0x00, kNoCharacter},
      {"Table3", 0x5C, u' '},         {"Table3", 0x75, kNoCharacter}, {"Table3", 0x76, u'0'},
      {"Table3", 0x7F, u'9'},         {"Table3", 0x80, kNoCharacter}, {"Table3", 0xDE, u'W'},
      {"Table3", 0xE0, u'A'},         {"Table3", 0xE5, u'F'},         {"Table3", 0xE6, kNoCharacter},
      {"Table3", 0xE8, u'G'},         {"Table3", 0xEB, u'J'},         {"Table3", 0xEE, u'Q'},
      {"Table3", 0xEF, u'R'},         {"Table3", 0xF0, u'K'},         {"Table3", 0xF5, u'P'},
      {"Table3", 0xF8, u'S'},         {"Table3", 0xFB, u'V'},         {"Table3", 0xFC, kNoCharacter},
      {"Table3", 0xFD, u'X'},         {"Table3", 0xFF, u'Z'},         {"Table4", 0x00, kNoCharacter},
      {"Table4", 0x80, u'A'},         {"Table4", 0x81, kNoCharacter}, {"Table4", 0x82, u'R'},
      {"Table4", 0x87, u'D'},         {"Table4", 0x88, kNoCharacter}, {"Table4", 0x89, u'T'},
      {"Table4", 0x8B, u'L'},         {"Table4", 0x8C, kNoCharacter}, {"Table4", 0x8D, u'Y'},
      {"Table4", 0x8E, u'O'},         {"Table4", 0x9B, u'!'},         {"Table4", 0xFC, u' '},
      {"Table4", 0xFE, kNoCharacter},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(decodeByte(table(c.table), c.byte), c.character)
        << c.table << " byte 0x" << std::hex << int(c.byte);
  }
}

// Every byte that decodes to a character encodes back to itself, except the listed duplicates,
// which encode to their lowest byte.
TEST(CharacterTables, EncodeBackToTheByteOrToTheLowestDuplicate) {
  const std::map<std::pair<std::string_view, int>, int> duplicates = {
      {{"Table1", 0xE5}, 0x00}, {{"Table1", 0xFF}, 0x00}, {{"Table1", 0x88}, 0x82},
      {{"Table1", 0x8C}, 0x83}, {{"Table1", 0x8F}, 0x84},
  };
  for (const auto& [name, t] : characterTables()) {
    for (int b = 0; b < 256; ++b) {
      const char16_t c = decodeByte(*t, static_cast<std::uint8_t>(b));
      if (c == kNoCharacter) continue;
      const auto found = duplicates.find({name, b});
      const int expected = found == duplicates.end() ? b : found->second;
      EXPECT_EQ(encodeCharacter(*t, c), std::optional<std::uint8_t>(expected))
          << name << " byte 0x" << std::hex << b;
    }
  }
}

TEST(CharacterTables, EncodeOnlyWhatTheyHold) {
  struct Case {
    std::string_view table;
    char16_t character;
    std::optional<std::uint8_t> byte;
  };
  const Case cases[] = {
      {"Table1", u'A', 0xB0},
      {"Table2", u'A', 0xBC},
      {"Table3", u'A', 0xE0},
      {"Table4", u'A', 0x80},
      {"Table1", u' ', 0xFE},
      {"Table2", u' ', 0xFE},
      {"Table3", u' ', 0x5C},
      {"Table4", u' ', 0xFC},
      {"Table1", u'0', std::nullopt},
      {"Table2", u'a', std::nullopt},
      {"Table3", u'a', std::nullopt},
      {"Table4", u'a', std::nullopt},
      {"Table2", u'B', std::nullopt},
      {"Table4", u'?', std::nullopt},
      {"Table1", u'\u00e9', std::nullopt},
      {"Table1", kNoCharacter, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(encodeCharacter(table(c.table), c.character), c.byte)
        << c.table << " character " << int(c.character);
  }
}

// The look-up that encodes whole texts must agree with the search it replaces, duplicates and
// characters beyond ASCII included.
TEST(CharacterTables, TheEncoderAgreesWithTheSearchForEveryCharacter) {
  CharacterTable empty{};
  empty.fill(kNoCharacter);
  std::vector<const CharacterTable*> tables = {&empty};
  for (const NamedCharacterTable& named : characterTables()) tables.push_back(named.table);
  for (const CharacterTable* table : tables) {
    const Encoder encode(*table);
    for (char32_t c = 0; c <= 0xFFFF; ++c) {
      ASSERT_EQ(encode(static_cast<char16_t>(c)), encodeCharacter(*table, static_cast<char16_t>(c)))
          << static_cast<unsigned>(c);
    }
  }
}

TEST(CharacterTables, AreFoundByTheirExactNameOnly) {
  for (std::string_view name : {"Table1", "Table2", "Table3", "Table4"}) {
    EXPECT_NE(findCharacterTable(name), nullptr) << name;
  }
  for (std::string_view name : {"table1", "Table1 ", " Table1", "TABLE2", "Table5", "Table0", ""}) {
    EXPECT_EQ(findCharacterTable(name), nullptr) << '"' << name << '"';
  }
}

TEST(CharacterTables, NameTheCharactersATableCannotStore) {
  EXPECT_EQ(unencodableCharacters("Table1", u"Hello, world!"), u"");
  EXPECT_EQ(unencodableCharacters("Table2", u"Hello MAW"), u"Helo");
  EXPECT_EQ(unencodableCharacters("Table3", u"LEVEL 9-10 ok"), u"-ok");
  EXPECT_EQ(unencodableCharacters("Table4", u"GREAT SUCCESS!?"), u"?");
  EXPECT_EQ(unencodableCharacters("Table1", u"caf\u00e9 \u00e9"), u"\u00e9");
  EXPECT_EQ(unencodableCharacters("Table9", u"AB A"), u"AB ");
  EXPECT_EQ(unencodableCharacters("Table1", u""), u"");
  // Characters beyond U+FFFF stay whole, and a lone half is a character of its own.
  EXPECT_EQ(unencodableCharacters("Table1", u"\U0001F600\U0001F601A\U0001F600"), u"\U0001F600\U0001F601");
  EXPECT_EQ(unencodableCharacters("Table1", std::u16string(u"A") + char16_t{0xD83D} + u"B"),
            std::u16string(1, char16_t{0xD83D}));
}

}  // namespace
}  // namespace thornvale
