#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "codec/CharacterTables.h"

namespace thornvale {

// The four tables in use for one image: the built-in ones, or some of them replaced by tables of
// the user's. A value passed down to whatever reads or writes texts, never a global, so one
// process may work on two images with different tables.
class TableSet {
 public:
  // A table of the user's that replaced a built-in one.
  struct Replaced {
    std::string name;                  // "Table1" .. "Table4"
    std::string file;                  // the .tbl file it was read from
    std::vector<std::uint8_t> differs;  // the bytes whose character is not the built-in table's
  };

  // The four built-in tables.
  TableSet();

  // The table a catalogue entry names; nullptr for a name that is none of the four.
  [[nodiscard]] const CharacterTable* find(std::string_view name) const noexcept;

  // The built-in tables, for callers that have no image of their own.
  [[nodiscard]] static const TableSet& builtIn() noexcept;

  // The folder of tables that belongs to an image: its name with the extension replaced by
  // ".tables" (game.nes -> game.tables), beside it.
  [[nodiscard]] static std::string folderFor(const std::string& imagePath);

  // The built-in tables, each replaced by the file Table1.tbl .. Table4.tbl that `folder` holds.
  // A folder that is not there, or holds none of them, gives the built-in tables. Throws
  // FileError for a file that cannot be read, TableFileError for one that cannot be used.
  [[nodiscard]] static TableSet fromFolder(const std::string& folder);

  // fromFolder(folderFor(imagePath)): the tables every program uses for an image by default.
  [[nodiscard]] static TableSet besideImage(const std::string& imagePath);

  // Whether `folder` holds any of the four table files, without reading them.
  [[nodiscard]] static bool holdsTableFiles(const std::string& folder);

  // The four tables, in the order "Table1" .. "Table4".
  [[nodiscard]] std::span<const CharacterTable, 4> tables() const noexcept { return tables_; }

  // True when no table of the user's is in use.
  [[nodiscard]] bool isBuiltIn() const noexcept { return replaced_.empty(); }
  // The folder the user's tables came from; empty for the built-in tables.
  [[nodiscard]] const std::string& folder() const noexcept { return folder_; }
  [[nodiscard]] const std::vector<Replaced>& replaced() const noexcept { return replaced_; }
  // What the table files held that was set aside, one line each ("FILE:LINE: ...").
  [[nodiscard]] const std::vector<std::string>& warnings() const noexcept { return warnings_; }

  // Eight hex digits that stand for the contents of the four tables: exported files record it,
  // and a file made with other tables is known by it.
  [[nodiscard]] std::string fingerprint() const;

 private:
  std::array<CharacterTable, 4> tables_;
  std::string folder_;
  std::vector<Replaced> replaced_;
  std::vector<std::string> warnings_;
};

// The characters of `text` that the named table of `tables` cannot store, each once, in order of
// first appearance; every character for a name that is none of the four.
[[nodiscard]] std::u16string unencodableCharacters(const TableSet& tables, std::string_view tableName,
                                                   std::u16string_view text);

// Bytes as the user reads them in a list: "0x7B, 0x80-0x83".
[[nodiscard]] std::string byteList(std::span<const std::uint8_t> bytes);

}  // namespace thornvale
