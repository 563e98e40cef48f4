// The README tells users which characters each table can store and which texts use it; a
// translator plans a whole translation on that table, so it must say what the tables hold.

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue/Catalogue.h"
#include "codec/CharacterTables.h"

namespace thornvale {
namespace {

constexpr std::string_view kHeader =
    "| Table | Positions | Capital letters | Small letters | Digits | Other characters |";
constexpr std::string_view kDash = "\xE2\x80\x93";  // the en dash of "A–Z" and "33–69"

struct ReadmeRow {
  std::string table;
  int firstPosition = -1;
  int lastPosition = -1;
  std::vector<std::u16string> columns;  // capital letters, small letters, digits, others
};

std::vector<std::string> cells(const std::string& line) {
  std::vector<std::string> out;
  std::stringstream in(line.substr(1));
  for (std::string cell; std::getline(in, cell, '|');) {
    const auto first = cell.find_first_not_of(' ');
    const auto last = cell.find_last_not_of(' ');
    out.push_back(first == std::string::npos ? "" : cell.substr(first, last - first + 1));
  }
  return out;
}

std::vector<std::string> words(const std::string& cell) {
  std::vector<std::string> out;
  std::stringstream in(cell);
  for (std::string word; in >> word;) out.push_back(word);
  return out;
}

// "none", "space", "`,`", "A", or a run "A–Z"; anything else fails the test.
std::u16string characters(const std::string& cell) {
  std::u16string out;
  if (cell == "none") return out;
  for (const std::string& word : words(cell)) {
    if (word == "space") {
      out += u' ';
    } else if (word.size() == 3 && word.front() == '`' && word.back() == '`') {
      out += static_cast<char16_t>(word[1]);
    } else if (word.size() == 1) {
      out += static_cast<char16_t>(word[0]);
    } else if (word.size() == 2 + kDash.size() && word.substr(1, kDash.size()) == kDash) {
      for (char c = word.front(); c <= word.back(); ++c) out += static_cast<char16_t>(c);
    } else {
      ADD_FAILURE() << "cannot read \"" << word << "\" in the README's table of characters";
    }
  }
  return out;
}

std::map<std::string, ReadmeRow> readmeRows() {
  std::ifstream file(THORNVALE_README);
  EXPECT_TRUE(file) << "cannot read " << THORNVALE_README;
  std::map<std::string, ReadmeRow> rows;
  bool inTable = false;
  for (std::string line; std::getline(file, line);) {
    if (line == kHeader) {
      inTable = true;
      continue;
    }
    if (!inTable || line.starts_with("|---")) continue;
    if (!line.starts_with('|')) break;
    const std::vector<std::string> c = cells(line);
    if (c.size() != 6) {
      ADD_FAILURE() << "a row of the README's table of characters has " << c.size() << " cells: " << line;
      continue;
    }
    ReadmeRow row;
    row.table = c[0].size() > 2 ? c[0].substr(1, c[0].size() - 2) : c[0];  // `Table1`
    const auto dash = c[1].find(kDash);
    row.firstPosition = std::stoi(c[1].substr(0, dash));
    row.lastPosition = dash == std::string::npos ? row.firstPosition : std::stoi(c[1].substr(dash + kDash.size()));
    for (std::size_t i = 2; i < 6; ++i) row.columns.push_back(characters(c[i]));
    rows[row.table] = row;
  }
  return rows;
}

TEST(ReadmeTest, TableOfCharactersListsEveryTableOnce) {
  const auto rows = readmeRows();
  ASSERT_EQ(rows.size(), characterTables().size()) << "no table under \"" << kHeader << "\"?";
  for (const NamedCharacterTable& named : characterTables()) {
    EXPECT_TRUE(rows.contains(std::string(named.name))) << named.name;
  }
}

TEST(ReadmeTest, EachTableStoresExactlyTheCharactersTheReadmeNames) {
  const auto rows = readmeRows();
  for (const NamedCharacterTable& named : characterTables()) {
    SCOPED_TRACE(std::string(named.name));
    const auto row = rows.find(std::string(named.name));
    ASSERT_NE(row, rows.end());
    std::set<char16_t> stored;
    for (const char16_t c : *named.table) {
      if (c != kNoCharacter) stored.insert(c);
    }
    std::set<char16_t> namedInReadme;
    for (const std::u16string& column : row->second.columns) namedInReadme.insert(column.begin(), column.end());
    EXPECT_EQ(namedInReadme, stored);
  }
}

// A capital letter listed under digits would still pass the test above and mislead a reader.
TEST(ReadmeTest, EachColumnHoldsOnlyItsKindOfCharacter) {
  using Kind = bool (*)(char16_t);
  const Kind kinds[] = {
      [](char16_t c) { return c >= u'A' && c <= u'Z'; },
      [](char16_t c) { return c >= u'a' && c <= u'z'; },
      [](char16_t c) { return c >= u'0' && c <= u'9'; },
      [](char16_t c) { return !(c >= u'A' && c <= u'Z') && !(c >= u'a' && c <= u'z') && !(c >= u'0' && c <= u'9'); },
  };
  for (const auto& [table, row] : readmeRows()) {
    for (std::size_t column = 0; column < row.columns.size(); ++column) {
      for (const char16_t c : row.columns[column]) {
        EXPECT_TRUE(kinds[column](c)) << table << ", column " << column + 3 << ": '" << static_cast<char>(c) << "'";
      }
    }
  }
}

TEST(ReadmeTest, PositionsAreExactlyTheTextsStoredInThatTable) {
  const auto rows = readmeRows();
  for (const auto& [table, row] : rows) {
    for (int position = row.firstPosition; position <= row.lastPosition; ++position) {
      const CatalogueEntry* entry = catalogueEntry(position);
      ASSERT_NE(entry, nullptr) << table << " names position " << position;
      EXPECT_EQ(entry->tableName, table) << "position " << position;
    }
  }
  for (const CatalogueEntry& entry : catalogue()) {
    const auto row = rows.find(std::string(entry.tableName));
    ASSERT_NE(row, rows.end()) << entry.tableName;
    EXPECT_GE(entry.position, row->second.firstPosition) << "position " << entry.position;
    EXPECT_LE(entry.position, row->second.lastPosition) << "position " << entry.position;
  }
}

}  // namespace
}  // namespace thornvale
