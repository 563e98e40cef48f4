#include "cli/Import.h"

#include <map>
#include <set>

#include "codec/CharacterTables.h"
#include "cli/FileBytes.h"
#include "codec/GetTexts.h"
#include "codec/ImageFile.h"
#include "cli/ReplacementFile.h"
#include "catalogue/SaveCheck.h"
#include "cli/ScriptFormat.h"

namespace thornvale::cli {
namespace {

struct Write {
  std::uint8_t byte;
  const ScriptRow* row;
};

// Entries 64 and 65 share a byte, so writing one row can change another row's text. The script
// states what every row should read afterwards; refuse it where the writes would contradict it.
void checkSharedBytes(const std::vector<const ScriptRow*>& changed, const std::vector<ScriptRow>& rows,
                      const Bytes& image, ImportReport& report) {
  std::map<std::int64_t, Write> writes;
  const auto conflict = [&](const ScriptRow& row, const ScriptRow& other, std::int64_t offset) {
    report.failures.push_back(
        {row.line, row.entry->position,
         "shares the byte at " + formatOffset(static_cast<std::int32_t>(offset)) + " with position " +
             std::to_string(other.entry->position) + " (line " + std::to_string(other.line) +
             "), and the two rows want different characters there"});
  };

  for (const ScriptRow* row : changed) {
    const CatalogueEntry& e = *row->entry;
    const CharacterTable& table = *findCharacterTable(e.tableName);
    for (std::int16_t k = 0; k < e.saveLength; ++k) {
      const std::int64_t offset = e.offset + k;
      const std::uint8_t byte = *encodeCharacter(table, row->text[static_cast<std::size_t>(k)]);
      const auto [where, fresh] = writes.emplace(offset, Write{byte, row});
      if (!fresh && where->second.byte != byte) conflict(*row, *where->second.row, offset);
    }
  }

  const std::set<const ScriptRow*> isChanged(changed.begin(), changed.end());
  for (const ScriptRow& row : rows) {
    if (isChanged.contains(&row)) continue;
    const CatalogueEntry& e = *row.entry;
    const CharacterTable& table = *findCharacterTable(e.tableName);
    for (std::int16_t k = 0; k < e.length; ++k) {
      const std::int64_t offset = e.offset + k;
      const auto written = writes.find(offset);
      if (written == writes.end()) continue;
      const std::uint8_t old = offset < static_cast<std::int64_t>(image.size()) ? image[offset] : 0;
      if (decodeByte(table, written->second.byte) != decodeByte(table, old)) {
        conflict(row, *written->second.row, offset);
      }
    }
  }
}

}  // namespace

ImportReport importScript(const std::string& image, std::string_view script, bool dryRun) {
  ImportReport report;
  const ParsedScript parsed = parseScript(script);
  for (const ScriptProblem& problem : parsed.problems) {
    report.failures.push_back({problem.line, -1, problem.message});
  }
  if (!report.ok()) return report;

  const Bytes original = readWholeFile(image);
  std::vector<const ScriptRow*> changed;
  for (const ScriptRow& row : parsed.rows) {
    const CatalogueEntry& e = *row.entry;
    // A text that reads shorter than its place could never pass the length check unchanged.
    if (row.text == ReadText(e.offset, image, e.length, e.tableName)) {
      ++report.unchanged;
      continue;
    }
    const SaveCheck check = checkSave(e, row.text);
    if (!check.ok()) {
      report.failures.push_back({row.line, e.position, refusalMessage(check)});
      continue;
    }
    // WriteText would refuse this too, but only as one file error for the first such row.
    const std::int64_t end = static_cast<std::int64_t>(e.offset) + e.saveLength;
    if (end > static_cast<std::int64_t>(original.size())) {
      report.failures.push_back({row.line, e.position,
                                 "the image ends at byte " + std::to_string(original.size()) +
                                     ", before the end of this text's place"});
      continue;
    }
    changed.push_back(&row);
  }
  if (report.ok()) checkSharedBytes(changed, parsed.rows, original, report);
  report.changed = changed.size();
  if (!report.ok() || dryRun || changed.empty()) return report;

  // Replacing needs only a writable folder; refuse an image the user may not write, as a save would.
  ImageFile writable(image, ImageFile::Access::Write);
  writable.close();

  ReplacementFile replacement(image);
  replacement.write(original);
  for (const ScriptRow* row : changed) {
    const CatalogueEntry& e = *row->entry;
    WriteText(e.offset, replacement.path(), row->text, e.saveLength, e.tableName);
  }
  replacement.commit();
  report.written = true;
  return report;
}

}  // namespace thornvale::cli
