#include "codec/TableSet.h"

#include <filesystem>
#include <optional>
#include <system_error>

#include "codec/FileError.h"
#include "codec/Format.h"
#include "codec/Paths.h"
#include "codec/TableFile.h"

namespace thornvale {

TableSet::TableSet() : tables_{kTable1, kTable2, kTable3, kTable4} {}

const CharacterTable* TableSet::find(std::string_view name) const noexcept {
  const auto named = characterTables();
  for (std::size_t i = 0; i < named.size(); ++i) {
    if (named[i].name == name) return &tables_[i];
  }
  return nullptr;
}

const TableSet& TableSet::builtIn() noexcept {
  static const TableSet tables;
  return tables;
}

std::string TableSet::folderFor(const std::string& imagePath) {
  // The last separator either system writes; the name's extension is after it or absent.
  const std::size_t slash = imagePath.find_last_of("/\\");
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const std::size_t dot = imagePath.rfind('.');
  // A leading dot (".nes") names a hidden file, not an extension.
  const std::size_t stemEnd = dot != std::string::npos && dot > nameStart ? dot : imagePath.size();
  return imagePath.substr(0, stemEnd) + ".tables";
}

namespace {

std::string tableFilePath(const std::string& folder, std::string_view name) {
#ifdef _WIN32
  // Messages name the file with the separator the folder is written with.
  const char separator = folder.find('/') == std::string::npos ? '\\' : '/';
#else
  const char separator = '/';
#endif
  return folder + separator + std::string(name) + ".tbl";
}

// Whether anything is at `path`; a failure to tell other than "nothing there" counts as there, so
// that the open which follows reports it in the system's words.
bool present(const std::string& path) {
  std::error_code error;
  return std::filesystem::symlink_status(fsPath(path), error).type() != std::filesystem::file_type::not_found;
}

}  // namespace

TableSet TableSet::fromFolder(const std::string& folder) {
  TableSet set;
  // Most images have no folder of tables: one look for it, not four for its files.
  if (!present(folder)) return set;
  const auto named = characterTables();
  for (std::size_t i = 0; i < named.size(); ++i) {
    const std::string path = tableFilePath(folder, named[i].name);
    // Opened without a look first: the folder's missing files are the rare case, and what is
    // there but cannot be opened (a dangling link) is reported in the system's words.
    std::optional<TableFile> read;
    try {
      read = readTableFile(path);
    } catch (const FileError&) {
      if (present(path)) throw;
      continue;
    }
    TableFile& file = *read;
    Replaced replaced{std::string(named[i].name), path, {}};
    for (std::size_t b = 0; b < file.table.size(); ++b) {
      if (file.table[b] != (*named[i].table)[b]) replaced.differs.push_back(static_cast<std::uint8_t>(b));
    }
    set.tables_[i] = file.table;
    set.replaced_.push_back(std::move(replaced));
    set.warnings_.insert(set.warnings_.end(), file.warnings.begin(), file.warnings.end());
  }
  if (!set.replaced_.empty()) set.folder_ = folder;
  return set;
}

TableSet TableSet::besideImage(const std::string& imagePath) {
  // No image, no folder: ".tables" alone would name one in the working folder.
  if (imagePath.empty()) return TableSet();
  return fromFolder(folderFor(imagePath));
}

bool TableSet::holdsTableFiles(const std::string& folder) {
  if (!present(folder)) return false;
  for (const NamedCharacterTable& named : characterTables()) {
    if (present(tableFilePath(folder, named.name))) return true;
  }
  return false;
}

std::string TableSet::fingerprint() const {
  // FNV-1a over every entry of the four tables: short, stable across systems, and no library.
  std::uint32_t hash = 2166136261u;
  for (const CharacterTable& table : tables_) {
    for (const char16_t c : table) {
      for (const unsigned octet : {c & 0xFFu, (c >> 8) & 0xFFu}) {
        hash ^= octet;
        hash *= 16777619u;
      }
    }
  }
  return formatHex(hash, 8);
}

std::u16string unencodableCharacters(const TableSet& tables, std::string_view tableName,
                                     std::u16string_view text) {
  return unencodableCharacters(tables.find(tableName), text);
}

std::string byteList(std::span<const std::uint8_t> bytes) {
  std::string list;
  for (std::size_t i = 0; i < bytes.size();) {
    std::size_t j = i;
    while (j + 1 < bytes.size() && bytes[j + 1] == bytes[j] + 1) ++j;
    if (!list.empty()) list += ", ";
    list += formatHex0x(bytes[i], 2);
    if (j > i) list += "-" + formatHex0x(bytes[j], 2);
    i = j + 1;
  }
  return list;
}

}  // namespace thornvale
