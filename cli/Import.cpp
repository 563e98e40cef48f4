#include "cli/Import.h"

#include "codec/FileAccess.h"
#include "exchange/DumpFormat.h"

namespace thornvale::cli {

ImportReport importUnits(const std::string& image, const exchange::ReadResult& read, bool dryRun,
                         const exchange::JudgeRules& rules, const TableSet& tables) {
  ImportReport report;
  // A file refused as a whole never reaches the image.
  if (read.units.empty() && !read.ok()) {
    static_cast<exchange::Judgement&>(report) = exchange::judge(read, std::nullopt, rules, tables);
    return report;
  }
  // The lock is held from the read to the replacement, so no write of ours falls in between.
  File file = openImage(image, dryRun ? File::Access::Read : File::Access::Write);
  const Bytes bytes = readWhole(file, kMaxImageSize, "an image");
  static_cast<exchange::Judgement&>(report) = exchange::judge(read, std::span<const std::uint8_t>(bytes), rules, tables);
  if (!report.ok() || dryRun || report.changes.empty()) return report;

  Replacement replacement(image, Replacement::Target::ExistingImage, &file);
  replacement.write(exchange::applyChanges(bytes, report, tables));
  replacement.commit();
  report.written = true;
  // The old file, which `file` still holds, closes quietly: nothing was written through it, and an
  // error there must not turn a made change into a refusal.
  return report;
}

ImportReport importDump(const std::string& image, std::string_view dump, bool dryRun,
                        const TableSet& tables) {
  return importUnits(image, exchange::readDump(dump), dryRun, {.refuseConversions = false}, tables);
}

}  // namespace thornvale::cli
