#include "exchange/Limits.h"

#include <algorithm>
#include <cstdio>

#include "codec/CharacterTables.h"
#include "codec/Format.h"
#include "codec/Utf.h"

namespace thornvale::exchange {
namespace {

// Runs of at least three consecutive characters, for ranges; each run [first, last].
std::vector<std::pair<char16_t, char16_t>> runs(const std::u16string& characters, int shortest = 3) {
  std::vector<std::pair<char16_t, char16_t>> out;
  for (char16_t c : characters) {
    if (!out.empty() && out.back().second + 1 == c) {
      out.back().second = c;
    } else {
      out.push_back({c, c});
    }
  }
  // A shorter run is single characters.
  std::vector<std::pair<char16_t, char16_t>> split;
  for (const auto& [first, last] : out) {
    if (last - first + 1 < shortest) {
      for (char16_t c = first; c <= last; ++c) split.push_back({c, c});
    } else {
      split.push_back({first, last});
    }
  }
  return split;
}

std::string classCharacter(char16_t c) {
  // Only characters that mean something inside a class, or to a flags parser, are escaped.
  if (c == u',' || c == u'\\' || c == u']' || c == u'^' || c == u'-' || c == u'[' || c == u'"') {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "\\x%02X", static_cast<unsigned>(c));
    return buffer;
  }
  return toUtf8(std::u16string(1, c));
}

}  // namespace

namespace {

// What an export writes of a table is the same for each of its texts: made once per table.
struct TableWords {
  std::u16string storable;     // sorted, each once
  std::string characterClass;  // for a regex: ranges of three or more
  std::string noteCharacters;  // for the translator: ranges of five or more, space named
};

TableWords wordsFor(const CharacterTable& table) {
  TableWords words;
  for (char16_t c : table) {
    if (c != kNoCharacter) words.storable += c;
  }
  std::sort(words.storable.begin(), words.storable.end());
  words.storable.erase(std::unique(words.storable.begin(), words.storable.end()), words.storable.end());
  for (const auto& [first, last] : runs(words.storable)) {
    words.characterClass += classCharacter(first);
    if (last != first) words.characterClass += "-" + classCharacter(last);
  }
  bool space = false;
  for (const auto& [first, last] : runs(words.storable, 5)) {
    if (first == u' ') {
      space = true;
      continue;
    }
    if (!words.noteCharacters.empty()) words.noteCharacters += ' ';
    words.noteCharacters += toUtf8(std::u16string(1, first));
    if (last != first) words.noteCharacters += "-" + toUtf8(std::u16string(1, last));
  }
  if (space) words.noteCharacters += words.noteCharacters.empty() ? "space" : " and space";
  return words;
}

const TableWords& builtInWords(std::string_view tableName) {
  static const std::vector<std::pair<std::string_view, TableWords>> all = [] {
    std::vector<std::pair<std::string_view, TableWords>> made;
    for (const NamedCharacterTable& named : characterTables())
      made.emplace_back(named.name, wordsFor(*named.table));
    return made;
  }();
  static const TableWords none;
  for (const auto& [name, words] : all) {
    if (name == tableName) return words;
  }
  return none;
}

// The built-in tables' words are made once; a user's are made for each use, as no table outlives
// the command that read it.
TableWords tableWords(std::string_view tableName, const TableSet& tables) {
  if (tables.isBuiltIn()) return builtInWords(tableName);
  const CharacterTable* table = tables.find(tableName);
  return table ? wordsFor(*table) : TableWords{};
}

}  // namespace

std::u16string storableCharacters(const CatalogueEntry& entry, const TableSet& tables) {
  return tableWords(entry.tableName, tables).storable;
}

std::string storableWords(const CatalogueEntry& entry, const TableSet& tables) {
  return tableWords(entry.tableName, tables).noteCharacters;
}

std::string characterClass(const CatalogueEntry& entry, const TableSet& tables) {
  return tableWords(entry.tableName, tables).characterClass;
}

std::string exactRegex(const CatalogueEntry& entry, const TableSet& tables) {
  return "^[" + characterClass(entry, tables) + "]{" + std::to_string(entry.saveLength) + "}$";
}

std::string placeOffset(const CatalogueEntry& entry) {
  return formatHex0x(static_cast<std::uint32_t>(entry.offset));
}

namespace {

std::string makeWeblateFlags(const CatalogueEntry& entry, const TableSet& tables) {
  return "max-length:" + std::to_string(entry.saveLength) + ", regex:\"" + exactRegex(entry, tables) +
         "\", ignore-begin-space, ignore-end-space, ignore-double-space";
}

std::string makeTranslatorNote(const CatalogueEntry& entry, const TableSet& tables) {
  const std::string characters = tableWords(entry.tableName, tables).noteCharacters;
  const std::string n = std::to_string(entry.saveLength);
  std::string note = "Exactly " + n + (entry.saveLength == 1 ? " character" : " characters") +
                     ", spaces counted; only these: " + characters + ". Text " +
                     std::to_string(entry.position) + " of the game, at offset " + placeOffset(entry) + ": " +
                     std::to_string(entry.length) + (entry.length == 1 ? " byte" : " bytes");
  if (entry.saveLength != entry.length) note += ", of which a save writes " + n;
  note += ", table " + std::string(entry.tableName) + ".";
  return note;
}

std::string makePlaceLine(const CatalogueEntry& entry) {
  return "place: offset " + placeOffset(entry) + ", length " + std::to_string(entry.length) +
         ", save length " + std::to_string(entry.saveLength) + ", table " + std::string(entry.tableName);
}

}  // namespace

std::optional<RecordedPlace> parsePlaceLine(std::string_view line) {
  constexpr std::string_view kPrefix = "place: ";
  if (!line.starts_with(kPrefix)) return std::nullopt;
  line.remove_prefix(kPrefix.size());
  RecordedPlace place;
  while (!line.empty()) {
    const std::size_t comma = line.find(", ");
    const std::string_view field = line.substr(0, comma);
    line.remove_prefix(comma == std::string_view::npos ? line.size() : comma + 2);
    const auto value = [&](std::string_view name) -> std::optional<std::string> {
      if (field.size() > name.size() + 1 && field.starts_with(name) && field[name.size()] == ' ')
        return std::string(field.substr(name.size() + 1));
      return std::nullopt;
    };
    if (auto v = value("offset")) {
      place.offset = *v;
    } else if (auto v2 = value("save length")) {
      place.saveLength = *v2;
    } else if (auto v3 = value("length")) {
      place.length = *v3;
    } else if (auto v4 = value("table")) {
      place.table = *v4;
    } else {
      return std::nullopt;
    }
  }
  return place;
}

std::optional<std::string> placeMismatch(const CatalogueEntry& entry, const RecordedPlace& place) {
  const auto sameNumber = [](const std::string& recorded, long long ours, int base) {
    std::string_view digits = recorded;
    if (base == 16) {
      if (digits.size() < 3 || digits[0] != '0' || (digits[1] != 'x' && digits[1] != 'X')) return false;
      digits.remove_prefix(2);
    }
    // A count written with a zero fraction (61.0, as pandas writes a column that held a blank).
    if (const std::size_t point = digits.find('.'); base == 10 && point != std::string_view::npos &&
                                                    point + 1 < digits.size() &&
                                                    digits.find_first_not_of('0', point + 1) == std::string_view::npos)
      digits = digits.substr(0, point);
    if (digits.empty() || digits.size() > 12) return false;
    long long value = 0;
    for (char c : digits) {
      int d = -1;
      if (c >= '0' && c <= '9') d = c - '0';
      if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
      if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
      if (d < 0) return false;
      value = value * base + d;
    }
    return value == ours;
  };
  const std::string what = "this file was made for another game or version: ";
  if (place.offset && !sameNumber(*place.offset, entry.offset, 16))
    return what + "it places the text at " + quote(*place.offset) + ", ours lies at " + placeOffset(entry);
  if (place.length && !sameNumber(*place.length, entry.length, 10))
    return what + "it gives the text " + quote(*place.length) + " bytes, ours has " +
           std::to_string(entry.length);
  if (place.saveLength && !sameNumber(*place.saveLength, entry.saveLength, 10))
    return what + "it gives a save length of " + quote(*place.saveLength) + ", ours is " +
           std::to_string(entry.saveLength);
  if (place.table && *place.table != entry.tableName)
    return what + "it names the table " + quote(*place.table) + ", ours is " + std::string(entry.tableName);
  return std::nullopt;
}

std::string unitId(const CatalogueEntry& entry) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "text-%02d", static_cast<int>(entry.position));
  return buffer;
}

const CatalogueEntry* entryForId(std::string_view id) noexcept {
  if (id.size() != 7 || !id.starts_with("text-")) return nullptr;
  const char a = id[5], b = id[6];
  if (a < '0' || a > '9' || b < '0' || b > '9') return nullptr;
  return catalogueEntry((a - '0') * 10 + (b - '0'));
}

namespace {

// An entry's words are constants of the catalogue: made once, for every export after the first.
struct EntryWords {
  std::string flags, note, place;
};

// Nothing for an entry that is not one of the catalogue's (a test's): its words are made afresh.
const EntryWords* entryWords(const CatalogueEntry& entry) {
  static const std::vector<EntryWords> all = [] {
    std::vector<EntryWords> made;
    for (const CatalogueEntry& e : catalogue())
      made.push_back({makeWeblateFlags(e, TableSet::builtIn()), makeTranslatorNote(e, TableSet::builtIn()),
                      makePlaceLine(e)});
    return made;
  }();
  const auto position = static_cast<std::size_t>(entry.position);
  return position < all.size() && &catalogue()[position] == &entry ? &all[position] : nullptr;
}

}  // namespace

std::string weblateFlags(const CatalogueEntry& entry, const TableSet& tables) {
  const EntryWords* words = tables.isBuiltIn() ? entryWords(entry) : nullptr;
  return words ? words->flags : makeWeblateFlags(entry, tables);
}

std::string translatorNote(const CatalogueEntry& entry, const TableSet& tables) {
  const EntryWords* words = tables.isBuiltIn() ? entryWords(entry) : nullptr;
  return words ? words->note : makeTranslatorNote(entry, tables);
}

std::string placeLine(const CatalogueEntry& entry) {
  const EntryWords* words = entryWords(entry);
  return words ? words->place : makePlaceLine(entry);
}

}  // namespace thornvale::exchange
