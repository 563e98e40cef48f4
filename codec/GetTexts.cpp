#include "codec/GetTexts.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "codec/FileAccess.h"
#include "codec/TextCodec.h"

namespace thornvale {
namespace {

CharacterTable currentTable{};

// Loads a table for one call and empties it however the call ends.
class TableScope {
 public:
  explicit TableScope(std::string_view tableName) { LoadCharacterTable(tableName); }
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

void LoadCharacterTable(std::string_view tableName) {
  if (const CharacterTable* table = findCharacterTable(tableName)) currentTable = *table;
}

const CharacterTable& CurrentCharacterTable() noexcept { return currentTable; }

std::u16string ReadText(std::int32_t offset, const std::string& fileName, std::int16_t length,
                        std::string_view tableName) {
  TableScope scope(tableName);
  checkRange(offset, length, fileName, "reading");

  Bytes bytes(static_cast<std::size_t>(length));
  File file = openImage(fileName, File::Access::Read);
  readPadded(file, offset, bytes);
  file.close();
  return decodeText(currentTable, bytes);
}

void WriteText(std::int32_t offset, const std::string& fileName, std::u16string_view text,
               std::int16_t length, std::string_view tableName) {
  TableScope scope(tableName);
  checkRange(offset, length, fileName, "writing");
  if (text.size() > static_cast<std::size_t>(length)) {
    throw FileError(fileName, "writing", std::make_error_code(std::errc::invalid_argument),
                    "a text of " + std::to_string(text.size()) + " characters does not fit in " +
                        std::to_string(length) + " bytes; nothing was written");
  }
  const auto encoded = encodeText(currentTable, text, static_cast<std::size_t>(length));
  const auto storable = [](const std::optional<std::uint8_t>& byte) { return byte.has_value(); };
  const auto first = std::find_if(encoded.begin(), encoded.end(), storable);
  const auto last = std::find_if(encoded.rbegin(), encoded.rend(), storable);

  File file = openImage(fileName, File::Access::Write);
  if (first != encoded.end()) {
    const std::int64_t from = offset + (first - encoded.begin());
    const std::int64_t to = offset + (encoded.rend() - last);  // one past the last storable byte
    if (to > file.size()) {
      throw FileError(fileName, "writing", std::make_error_code(std::errc::invalid_argument),
                      "the file ends at byte " + std::to_string(file.size()) +
                          ", before the text's place; nothing was written");
    }
    // One write from the first storable byte to the last; a character without a byte keeps the
    // byte that is there, read under the same lock.
    Bytes bytes(static_cast<std::size_t>(to - from));
    readPadded(file, from, bytes);
    applyEncoded(std::span(encoded).subspan(static_cast<std::size_t>(from - offset), bytes.size()), bytes);
    const Change change{from, bytes};
    writeAllOrNothing(file, std::span(&change, 1));
  }
  file.close();
}

}  // namespace thornvale
