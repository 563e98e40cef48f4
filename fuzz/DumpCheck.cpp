#include <set>
#include <string>

#include "exchange/DumpFormat.h"
#include "exchange/Judge.h"
#include "fuzz/FuzzChecks.h"

namespace thornvale::fuzz {

// Any bytes read as a dump without a crash into units of real entries, each position once; and
// what the reader accepts, written out again, reads back to the same rows.
void checkDump(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const exchange::ReadResult read = exchange::readDump(text);
  std::set<int> positions;
  std::vector<exchange::TextRow> rows;
  for (const exchange::Unit& unit : read.units) {
    expect(unit.entry != nullptr && unit.line > 0 && unit.target, "a row names an entry, its line and a text");
    expect(positions.insert(unit.entry->position).second, "a position appears once");
    rows.push_back({unit.entry, *unit.target, std::nullopt});
  }
  for (const exchange::Problem& problem : read.problems) {
    expect(problem.line > 0 && !problem.message.empty(), "a problem names its line and says what is wrong");
  }
  if (!read.ok()) return;
  // A text with a control character is the judge's to refuse; the dump cannot carry a line end.
  for (const exchange::Unit& unit : read.units) {
    if (exchange::controlCharacter(*unit.target)) return;
  }

  const exchange::ReadResult again = exchange::readDump(exchange::formatDump(rows));
  expect(again.ok(), "a written dump reads cleanly");
  expect(again.units.size() == read.units.size(), "a written dump keeps every row");
  for (std::size_t i = 0; i < again.units.size(); ++i) {
    expect(again.units[i].entry == read.units[i].entry && again.units[i].target == read.units[i].target,
           "a written dump keeps each row's entry and text");
  }
}

}  // namespace thornvale::fuzz
