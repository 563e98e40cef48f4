#include "cli/Import.h"

#include <algorithm>

#include "catalogue/EntryText.h"
#include "catalogue/SaveCheck.h"
#include "codec/CharacterTables.h"
#include "codec/FileAccess.h"
#include "codec/Format.h"
#include "codec/TextCodec.h"
#include "codec/Utf.h"
#include "exchange/Delimited.h"
#include "exchange/Exchange.h"

namespace thornvale::cli {
namespace {

bool overlap(const CatalogueEntry& a, const CatalogueEntry& b) {
  return a.offset < b.offset + b.length && b.offset < a.offset + a.saveLength;
}

// Writing one row can change another row's text where their bytes overlap (entries 64 and 65
// share one). The script says what every row should read afterwards; refuse it where it would not.
void checkReadBack(const std::vector<const ScriptRow*>& changed, const std::vector<ScriptRow>& rows,
                   std::span<const std::uint8_t> edited, ImportReport& report) {
  for (const ScriptRow& row : rows) {
    const bool isChanged = std::find(changed.begin(), changed.end(), &row) != changed.end();
    const CatalogueEntry& e = *row.entry;
    const std::u16string readBack = entryText(edited, e, isChanged ? e.saveLength : e.length);
    if (readBack == row.text) continue;
    std::string because;
    for (const ScriptRow* other : changed) {
      if (other != &row && overlap(*other->entry, e)) {
        const std::int32_t shared = std::max(other->entry->offset, e.offset);
        because = ": it shares the byte at " + formatHex0x(static_cast<std::uint32_t>(shared)) +
                  " with position " + std::to_string(other->entry->position) + " (line " +
                  std::to_string(other->line) + "), and the two rows want different characters there";
        break;
      }
    }
    report.failures.push_back(
        {row.line, e.position, {"would read \"" + toUtf8(readBack) + "\" after the import" + because}});
  }
}

// Why a changed row may not be written: a spreadsheet's conversion, the Save check, the file's end.
std::optional<Refusal> rowRefusal(const ScriptRow& row, const std::u16string& stored, std::size_t imageSize,
                                  bool refuseConversions) {
  const CatalogueEntry& e = *row.entry;
  if (refuseConversions) {
    if (std::optional<std::string> conversion = exchange::conversionProblem(stored, row.text))
      return Refusal{std::move(*conversion)};
  }
  if (std::optional<Refusal> refusal = checkSave(e, row.text)) {
    refusal->message += exchange::lengthDetail(e, row.text, stored);
    return refusal;
  }
  const std::size_t end = static_cast<std::size_t>(e.offset) + static_cast<std::size_t>(e.saveLength);
  if (end > imageSize) {
    return Refusal{fileEndsBefore(static_cast<std::int64_t>(imageSize), "the end of this text's place")};
  }
  return std::nullopt;
}

}  // namespace

ImportReport importScript(const std::string& image, std::string_view script, bool dryRun) {
  ParsedScript parsed = parseScript(script);
  if (!parsed.problems.empty()) {
    ImportReport report;
    report.failures = std::move(parsed.problems);
    return report;
  }
  return importRows(image, parsed.rows, dryRun);
}

ImportReport importRows(const std::string& image, const std::vector<ScriptRow>& rows, bool dryRun,
                        bool refuseConversions, const RowRule& refuse) {
  ImportReport report;

  // The lock is held from the read to the replacement, so no write of ours falls in between.
  File file = openImage(image, dryRun ? File::Access::Read : File::Access::Write);
  // The image as read, and then, once every row has been compared with it, the new image.
  Bytes bytes = readWhole(file, kMaxImageSize, "an image");

  std::vector<const ScriptRow*> changed;
  std::vector<std::vector<std::optional<std::uint8_t>>> encoded;
  for (const ScriptRow& row : rows) {
    const CatalogueEntry& e = *row.entry;
    // A text that reads shorter than its place could never pass the length check unchanged.
    std::u16string stored = entryText(bytes, e);
    if (row.text == stored) {
      ++report.unchanged;
      continue;
    }
    if (std::optional<std::string> refused = refuse ? refuse(row, stored) : std::nullopt) {
      report.failures.push_back({row.line, e.position, Refusal{std::move(*refused)}});
      continue;
    }
    if (std::optional<Refusal> refusal = rowRefusal(row, stored, bytes.size(), refuseConversions)) {
      report.failures.push_back({row.line, e.position, std::move(*refusal)});
      continue;
    }
    encoded.push_back(encodeEntry(e, row.text));
    changed.push_back(&row);
    report.changes.push_back({row.line, &e, std::move(stored), row.text});
  }
  for (std::size_t i = 0; i < changed.size(); ++i) {
    const auto offset = static_cast<std::size_t>(changed[i]->entry->offset);
    applyEncoded(encoded[i], std::span(bytes).subspan(offset, encoded[i].size()));
  }
  if (report.ok()) checkReadBack(changed, rows, bytes, report);
  report.changed = changed.size();
  if (!report.ok() || dryRun || changed.empty()) return report;

  Replacement replacement(image, Replacement::Target::ExistingImage);
  replacement.write(bytes);
  replacement.commit();
  report.written = true;
  // The old file, which `file` still holds, closes quietly: nothing was written through it, and an
  // error there must not turn a made change into a refusal.
  return report;
}

}  // namespace thornvale::cli
