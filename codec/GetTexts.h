#pragma once

// The text codec: reads the game's texts out of an image and writes them back in place, through
// the four character tables. Every call opens the file, locks it (shared to read, exclusive to
// write), does its work and closes it again.

#include <cstdint>
#include <string>
#include <string_view>

#include "codec/CharacterTables.h"
#include "codec/FileError.h"
#include "codec/TableSet.h"

namespace thornvale {

// Fills the current character table for `tableName`; an unknown name leaves it as it is, which
// between calls is all-empty. ReadText and WriteText call it themselves and empty the table again
// before they return, also when they fail.
void LoadCharacterTable(std::string_view tableName);
// The same from a set of tables in use (the built-in ones or the user's).
void LoadCharacterTable(std::string_view tableName, const TableSet& tables);

// The codec's one piece of shared state, for inspection.
[[nodiscard]] const CharacterTable& CurrentCharacterTable() noexcept;

// Decodes the `length` bytes at `offset`. Bytes without a character are left out, so the result
// may be shorter than `length`; bytes past the end of the file read as 0x00.
[[nodiscard]] std::u16string ReadText(std::int32_t offset, const std::string& fileName, std::int16_t length,
                                      std::string_view tableName);
// The same through the table of that name in `tables`.
[[nodiscard]] std::u16string ReadText(std::int32_t offset, const std::string& fileName, std::int16_t length,
                                      std::string_view tableName, const TableSet& tables);

// Pads `text` with spaces to `length` characters and writes character k to `offset` + k.
// Characters that the table cannot store are skipped and leave their byte as it was. Refuses,
// before writing anything, a text longer than `length` and a text whose bytes to be written
// would lie at or past the end of the file. When it returns, the bytes are on the disk; when it
// throws, the file holds the old bytes (or the error says that putting them back failed).
void WriteText(std::int32_t offset, const std::string& fileName, std::u16string_view text,
               std::int16_t length, std::string_view tableName);
// The same through the table of that name in `tables`.
void WriteText(std::int32_t offset, const std::string& fileName, std::u16string_view text,
               std::int16_t length, std::string_view tableName, const TableSet& tables);

}  // namespace thornvale
