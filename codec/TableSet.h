#pragma once

#include <array>
#include <string>
#include <string_view>

#include "codec/CharacterTables.h"

namespace thornvale {

// The four tables in use for one image: the built-in ones, or some of them replaced by tables of
// the user's. A value passed down to whatever reads or writes texts, never a global, so one
// process may work on two images with different tables.
class TableSet {
 public:
  // The four built-in tables.
  TableSet();

  // The table a catalogue entry names; nullptr for a name that is none of the four.
  [[nodiscard]] const CharacterTable* find(std::string_view name) const noexcept;

  // The built-in tables, for callers that have no image of their own.
  [[nodiscard]] static const TableSet& builtIn() noexcept;

 private:
  std::array<CharacterTable, 4> tables_;
};

}  // namespace thornvale
