#include <string>

#include "cli/CharacterTableFiles.h"
#include "codec/Normalization.h"
#include "codec/TableFile.h"
#include "codec/TextCodec.h"
#include "fuzz/FuzzChecks.h"

namespace thornvale::fuzz {

// Any bytes are a table or a refusal that names its line; a table holds only characters a text
// can hold, each composed; what our `tables` writes of it reads back the same; and every byte with a
// character decodes and encodes back to itself, or to the lowest byte of the same character.
void checkTable(const std::uint8_t* data, std::size_t size) {
  const std::string path = "fuzz.tbl";
  TableFile file;
  try {
    file = parseTableFile(std::span(data, size), path);
  } catch (const TableFileError& error) {
    expect(error.line() >= 0 && !error.why().empty(), "a refusal names its line and says why");
    expect(std::string(error.what()).find(path) != std::string::npos, "a refusal names the file");
    return;
  }
  for (const std::string& warning : file.warnings) {
    expect(warning.starts_with(path + ":"), "a warning names the file and line");
  }
  for (std::size_t b = 0; b < file.table.size(); ++b) {
    const char16_t c = file.table[b];
    if (c == kNoCharacter) continue;
    expect(c >= 0x20 && c != 0x7F && !(c >= 0x80 && c <= 0x9F), "no control character is a character");
    expect(c < 0xD800 || c > 0xDFFF, "no half of a surrogate pair is a character");
    expect(composed(std::u16string(1, c)) == std::u16string(1, c), "a character is stored composed");
    const std::uint8_t byte = static_cast<std::uint8_t>(b);
    const std::u16string decoded = decodeText(file.table, std::span(&byte, 1));
    const auto encoded = encodeText(file.table, decoded, 1);
    expect(encoded[0].has_value() && *encoded[0] <= byte && file.table[*encoded[0]] == c,
           "a byte's character encodes to the lowest byte that has it");
  }
  const std::string written = cli::tableFileText(file.table);
  const TableFile again =
      parseTableFile(std::span(reinterpret_cast<const std::uint8_t*>(written.data()), written.size()), path);
  expect(again.table == file.table && again.warnings.empty(), "a table written out reads back the same");
}

}  // namespace thornvale::fuzz
