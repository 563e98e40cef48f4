#pragma once

// Each text's limits in the words and forms that translation tools read: a note for the
// translator, Weblate's flags, and the place in a form `import` reads back. The characters are
// those of the entry's table in the tables in use.

#include <string>
#include <string_view>

#include "catalogue/Catalogue.h"
#include "codec/TableSet.h"
#include "exchange/Units.h"

namespace thornvale::exchange {

// The characters the entry's table can store, each once, in code order.
[[nodiscard]] std::u16string storableCharacters(const CatalogueEntry& entry,
    const TableSet& tables = TableSet::builtIn());

// The same for a reader: ranges of five or more ("A-Z"), the rest one by one, and "space".
[[nodiscard]] std::string storableWords(const CatalogueEntry& entry,
    const TableSet& tables = TableSet::builtIn());

// The same as the inside of a regular expression's character class: runs as ranges ("A-Z"), and
// the comma as \x2C, so that tools which split flags at commas (polib, gettext) keep it whole.
[[nodiscard]] std::string characterClass(const CatalogueEntry& entry,
    const TableSet& tables = TableSet::builtIn());

// "^[...]{N}$": exactly N storable characters.
[[nodiscard]] std::string exactRegex(const CatalogueEntry& entry,
    const TableSet& tables = TableSet::builtIn());

// Weblate's flags for the entry: max-length:N, the regex, and the three ignore-*-space flags.
[[nodiscard]] std::string weblateFlags(const CatalogueEntry& entry,
    const TableSet& tables = TableSet::builtIn());

// What a translator reads beside the text, in any tool: the length, the characters, the place.
[[nodiscard]] std::string translatorNote(const CatalogueEntry& entry,
    const TableSet& tables = TableSet::builtIn());

// One line naming the place ("place: offset 0x1404B, length 5, save length 5, table Table2"), as
// PO files carry it in a #. comment; parsePlaceLine reads it back (nullopt for any other line).
[[nodiscard]] std::string placeLine(const CatalogueEntry& entry);
[[nodiscard]] std::optional<RecordedPlace> parsePlaceLine(std::string_view line);

// The offset as the files write it: 0x and upper-case hex digits.
[[nodiscard]] std::string placeOffset(const CatalogueEntry& entry);

// Where a recorded place differs from the entry's: the message, or nullopt when every recorded
// field matches (fields the file leaves out are not compared).
[[nodiscard]] std::optional<std::string> placeMismatch(const CatalogueEntry& entry,
                                                       const RecordedPlace& place);

}  // namespace thornvale::exchange
