#include <set>
#include <string>

#include "cli/ScriptFormat.h"
#include "fuzz/FuzzChecks.h"

namespace thornvale::fuzz {

// Any bytes parse without a crash into rows of real entries, each position once; and what the
// parser accepts, written out again, parses to the same rows.
void checkScript(const std::uint8_t* data, std::size_t size) {
  const std::string_view script(reinterpret_cast<const char*>(data), size);
  const cli::ParsedScript parsed = cli::parseScript(script);
  std::set<int> positions;
  for (const cli::ScriptRow& row : parsed.rows) {
    expect(row.entry != nullptr && row.line > 0, "a parsed row names an entry and its line");
    expect(positions.insert(row.entry->position).second, "a parsed position appears once");
  }
  for (const cli::LineRefusal& problem : parsed.problems) {
    expect(problem.line > 0 && !problem.refusal.message.empty(),
           "a problem names its line and says what is wrong");
  }
  if (!parsed.problems.empty()) return;

  const cli::ParsedScript again = cli::parseScript(cli::formatScript(parsed.rows));
  expect(again.problems.empty(), "a written script parses cleanly");
  expect(again.rows.size() == parsed.rows.size(), "a written script keeps every row");
  for (std::size_t i = 0; i < again.rows.size(); ++i) {
    expect(again.rows[i].entry == parsed.rows[i].entry && again.rows[i].text == parsed.rows[i].text,
           "a written script keeps each row's entry and text");
  }
}

}  // namespace thornvale::fuzz
