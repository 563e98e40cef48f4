#include "cli/TablesInUse.h"

#include <filesystem>

#include "codec/FileError.h"
#include "codec/Paths.h"

namespace thornvale::cli {

TableSet tablesInUse(const std::string& folder, const std::string& image) {
  if (folder.empty()) return TableSet::besideImage(image);
  std::error_code error;
  if (!std::filesystem::is_directory(fsPath(folder), error)) {
    throw FileError(folder, "reading character tables from",
                    error ? error : std::make_error_code(std::errc::not_a_directory));
  }
  if (!TableSet::holdsTableFiles(folder)) {
    throw FileError(folder, "reading character tables from", std::make_error_code(std::errc::no_such_file_or_directory),
                    "the folder holds none of Table1.tbl, Table2.tbl, Table3.tbl and Table4.tbl");
  }
  return TableSet::fromFolder(folder);
}

void warnSetAside(const TableSet& tables, std::ostream& err, const char* program) {
  for (const std::string& warning : tables.warnings()) err << program << ": warning: " << warning << '\n';
}

std::string formatTablesInUse(const TableSet& tables) {
  if (tables.isBuiltIn()) return {};
  std::string out = "character tables: " + tables.folder() + " (fingerprint " + tables.fingerprint() + ")\n";
  for (const TableSet::Replaced& replaced : tables.replaced()) {
    out += replaced.name + ": " + replaced.file + ", " +
           (replaced.differs.empty() ? std::string("the same as the built-in table")
                                     : "differs from the built-in table at " + byteList(replaced.differs)) +
           '\n';
  }
  return out;
}

}  // namespace thornvale::cli
