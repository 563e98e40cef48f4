#include "cli/CharacterTableFiles.h"

#include <array>
#include <filesystem>

#include "codec/File.h"
#include "codec/FileAccess.h"
#include "codec/FileError.h"
#include "codec/Format.h"
#include "codec/Paths.h"
#include "codec/Utf.h"

namespace thornvale::cli {
namespace {

std::string tableLine(std::uint8_t byte, char16_t c) {
  return formatHex(byte, 2) + '=' + toUtf8(std::u16string_view(&c, 1)) + '\n';
}

}  // namespace

std::string tableFileText(const CharacterTable& table) {
  std::string text;
  std::array<bool, 256> written{};
  for (std::size_t b = 0; b < table.size(); ++b) {
    const char16_t c = table[b];
    if (c == kNoCharacter || written[b]) continue;
    const std::uint8_t preferred = *encodeCharacter(table, c);
    for (std::uint8_t byte : {preferred, static_cast<std::uint8_t>(b)}) {
      if (written[byte]) continue;
      text += tableLine(byte, c);
      written[byte] = true;
    }
  }
  return text;
}

std::vector<std::string> writeTableFiles(const std::string& folder,
                                         const std::function<void(const std::string&)>& written,
                                         const TableSet& tables) {
  std::error_code error;
  std::filesystem::create_directories(fsPath(folder), error);
  if (error) throw FileError(folder, "creating the folder", error);
  if (!std::filesystem::is_directory(fsPath(folder))) {
    throw FileError(folder, "writing tables into", std::make_error_code(std::errc::not_a_directory));
  }
  std::vector<std::string> paths;
  for (const NamedCharacterTable& named : characterTables()) {
    const std::string path = utf8Path(fsPath(folder) / (std::string(named.name) + ".tbl"));
    const std::string text = tableFileText(*tables.find(named.name));
    (void)replaceOutput(path, [&](Replacement& file) {
      file.write({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
      return true;
    });
    paths.push_back(path);
    if (written) written(path);
  }
  return paths;
}

}  // namespace thornvale::cli
