#include "codec/TableSet.h"

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

}  // namespace thornvale
