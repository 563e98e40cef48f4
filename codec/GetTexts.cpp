#include "codec/GetTexts.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <vector>

#include "codec/FileAccess.h"
#include "codec/Format.h"
#include "codec/TextCodec.h"

namespace thornvale {
namespace {

CharacterTable currentTable{};

// Loads a table for one call and empties it however the call ends.
class TableScope {
 public:
  TableScope(std::string_view tableName, const TableSet& tables) { LoadCharacterTable(tableName, tables); }
  TableScope(const TableScope&) = delete;
  TableScope& operator=(const TableScope&) = delete;
  ~TableScope() { currentTable.fill(kNoCharacter); }
};

// The file's positions are 1-based signed 32-bit numbers: offset + length must still be one.
void checkRange(std::int32_t offset, std::int16_t length, const std::string& fileName,
                const char* operation) {
  if (length < 0) {
    throw FileError(fileName, operation, std::make_error_code(std::errc::invalid_argument),
                    "negative length " + std::to_string(length));
  }
  if (length == 0) return;
  if (offset < 0) {
    throw FileError(fileName, operation, std::make_error_code(std::errc::invalid_argument),
                    "negative offset " + std::to_string(offset));
  }
  if (static_cast<std::int64_t>(offset) + length > std::numeric_limits<std::int32_t>::max()) {
    throw FileError(fileName, operation, std::make_error_code(std::errc::value_too_large),
                    "position beyond the 32-bit range (overflow)");
  }
}

}  // namespace

void LoadCharacterTable(std::string_view tableName) { LoadCharacterTable(tableName, TableSet::builtIn()); }

void LoadCharacterTable(std::string_view tableName, const TableSet& tables) {
  if (const CharacterTable* table = tables.find(tableName)) currentTable = *table;
}

const CharacterTable& CurrentCharacterTable() noexcept { return currentTable; }

std::u16string ReadText(std::int32_t offset, const std::string& fileName, std::int16_t length,
                        std::string_view tableName) {
  return ReadText(offset, fileName, length, tableName, TableSet::builtIn());
}

std::u16string ReadText(std::int32_t offset, const std::string& fileName, std::int16_t length,
                        std::string_view tableName, const TableSet& tables) {
  TableScope scope(tableName, tables);
  checkRange(offset, length, fileName, "reading");

  Bytes bytes(static_cast<std::size_t>(length));
  File file = openImage(fileName, File::Access::Read);
  readPadded(file, offset, bytes);
  file.close();
  return decodeText(currentTable, bytes);
}

void WriteText(std::int32_t offset, const std::string& fileName, std::u16string_view text,
               std::int16_t length, std::string_view tableName) {
  WriteText(offset, fileName, text, length, tableName, TableSet::builtIn());
}

void WriteText(std::int32_t offset, const std::string& fileName, std::u16string_view text,
               std::int16_t length, std::string_view tableName, const TableSet& tables) {
  TableScope scope(tableName, tables);
  checkRange(offset, length, fileName, "writing");
  if (text.size() > static_cast<std::size_t>(length)) {
    throw FileError(fileName, "writing", std::make_error_code(std::errc::invalid_argument),
                    "a text of " + std::to_string(text.size()) + " characters does not fit in " +
                        std::to_string(length) + " bytes; nothing was written");
  }
  const auto encoded = encodeText(currentTable, text, static_cast<std::size_t>(length));
  // Each run of storable characters is one write; a character without a byte keeps its byte.
  Bytes bytes;
  std::vector<Change> runs;
  bytes.reserve(encoded.size());  // the runs point into it
  for (std::size_t k = 0; k < encoded.size(); ++k) {
    if (!encoded[k]) continue;
    const std::size_t start = k;
    const std::size_t at = bytes.size();
    while (k < encoded.size() && encoded[k]) bytes.push_back(*encoded[k++]);
    runs.push_back({offset + static_cast<std::int64_t>(start), std::span(bytes).subspan(at, k - start)});
  }

  File file = openImage(fileName, File::Access::Write);
  if (!runs.empty()) {
    const std::int64_t end = runs.back().offset + static_cast<std::int64_t>(runs.back().bytes.size());
    if (end > file.size()) {
      throw FileError(fileName, "writing", std::make_error_code(std::errc::invalid_argument),
                      fileEndsBefore(file.size(), "the text's place") + "; nothing was written");
    }
    writeAllOrNothing(file, runs);
    closeAfterWriting(file);
    return;
  }
  file.close();
}

}  // namespace thornvale
