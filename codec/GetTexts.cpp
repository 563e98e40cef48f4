#include "codec/GetTexts.h"

#include <limits>
#include <optional>
#include <vector>

#include "codec/ImageFile.h"

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

  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
  ImageFile file(fileName, ImageFile::Access::Read);
  file.readAt(offset, bytes);
  file.close();

  std::u16string text;
  text.reserve(bytes.size());
  for (std::uint8_t b : bytes) {
    if (const char16_t c = decodeByte(currentTable, b); c != kNoCharacter) text.push_back(c);
  }
  return text;
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

  std::vector<std::optional<std::uint8_t>> encoded(static_cast<std::size_t>(length));
  for (std::size_t k = 0; k < encoded.size(); ++k) {
    encoded[k] = encodeCharacter(currentTable, k < text.size() ? text[k] : u' ');
  }

  ImageFile file(fileName, ImageFile::Access::Write);

  std::optional<std::size_t> last;
  for (std::size_t k = 0; k < encoded.size(); ++k) {
    if (encoded[k]) last = k;
  }
  if (last && offset + static_cast<std::int64_t>(*last) >= file.size()) {
    throw FileError(fileName, "writing", std::make_error_code(std::errc::invalid_argument),
                     "the file ends at byte " + std::to_string(file.size()) +
                         ", before the text's place; nothing was written");
  }

  // Each run of storable characters is one positioned write; a skipped character keeps its byte.
  // Should a write fail, the runs before it are written (though not yet flushed) and the failing
  // run may be written in part; later runs are not written.
  std::vector<std::uint8_t> run;
  for (std::size_t k = 0; k <= encoded.size(); ++k) {
    if (k < encoded.size() && encoded[k]) {
      run.push_back(*encoded[k]);
      continue;
    }
    if (!run.empty()) {
      file.writeAt(offset + static_cast<std::int64_t>(k - run.size()), run);
      run.clear();
    }
  }
  if (last) file.flush();
  file.close();
}

}  // namespace thornvale
