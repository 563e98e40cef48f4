#include <set>
#include <string>
#include <vector>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/ExchangeCommands.h"
#include "codec/Utf.h"
#include "sample/SampleImage.h"
#include "exchange/Delimited.h"
#include "exchange/Exchange.h"
#include "exchange/Judge.h"
#include "exchange/Workbook.h"
#include "fuzz/FuzzChecks.h"

namespace thornvale::fuzz {
namespace {

// The sample image in a file of its own, made once for the whole run. The name is never destroyed:
// the handler that removes the file at exit runs after the destructors of statics made before it.
const std::string& sampleImageFile() {
  static const std::string& path = *new std::string([] {
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("thornvale-fuzz-" + std::to_string(::getpid()) + ".nes");
    const std::vector<std::uint8_t> bytes = buildSampleImage();
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    std::atexit([] { std::filesystem::remove(sampleImageFile()); });
    return file.string();
  }());
  return path;
}

// `check --image` and `import --dry-run` are two doors to one judge: for any file they fail
// together, with the same problems in the same order.
void doorsAgree(std::string_view bytes) {
  const std::string content(bytes);
  std::ostringstream checkOut, checkErr, importOut, importErr;
  cli::CheckRequest check;
  check.fileName = "f";
  check.image = sampleImageFile();
  const int checked = cli::checkFile(check, content, checkOut, checkErr);
  cli::ImportRequest import;
  import.fileName = "f";
  import.image = sampleImageFile();
  import.dryRun = true;
  bool changed = false;
  const int imported = cli::importFile(import, content, importOut, importErr, changed);
  expect(checked == imported && !changed, "check --image and import --dry-run give one verdict");
  // The problems are the lines naming the file; check's warnings and import's last line are their own.
  const auto problems = [](const std::string& err) {
    std::string lines;
    std::istringstream in(err);
    for (std::string line; std::getline(in, line);) {
      if (line.starts_with("f:") && line.find(": warning: ") == std::string::npos) lines += line + '\n';
    }
    return lines;
  };
  expect(problems(checkErr.str()) == problems(importErr.str()),
         "check --image and import --dry-run name the same problems in the same order");
}

// Any bytes read without a crash into units of real entries, each once, or into problems that
// name their line; and what a reader accepts, written out again by our writer, reads back to the
// same ids and targets.
void checkExchange(const std::uint8_t* data, std::size_t size, exchange::Format format) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const exchange::ReadResult read = exchange::readUnits(bytes, format);
  std::set<const CatalogueEntry*> entries;
  for (const exchange::Unit& unit : read.units) {
    expect(unit.entry != nullptr && unit.line > 0 && unit.targetLine > 0,
           "a unit names an entry and its lines");
    expect(entries.insert(unit.entry).second, "an entry appears once");
  }
  for (const exchange::Problem& problem : read.problems) {
    expect(problem.line > 0 && !problem.message.empty(), "a problem names its line and says what is wrong");
  }
  (void)exchange::judge(read, std::nullopt, {.includeUnfinished = true});
  doorsAgree(bytes);
  if (!read.ok()) return;

  std::vector<exchange::TextRow> texts;
  for (const exchange::Unit& unit : read.units) {
    // XML 1.0 cannot carry control characters (pugixml writes them as references that no reader
    // may take); no table stores one, so such a text never comes from an image, and such a target
    // is refused anyway.
    if (unit.target && exchange::controlCharacter(*unit.target)) return;
    if (unit.source && exchange::controlCharacter(*unit.source)) return;
    texts.push_back({unit.entry, unit.source.value_or(u""), unit.target});
  }
  exchange::ExportSettings settings;
  settings.targetLanguage = "fr";
  settings.original = "fuzz.nes";
  settings.version = "0";
  const std::string written = format->write(texts, settings);
  const exchange::ReadResult again = exchange::readUnits(written, format);
  expect(again.ok(), "a written file reads cleanly");
  expect(again.units.size() == texts.size(), "a written file keeps every unit");
  for (std::size_t i = 0; i < texts.size() && i < again.units.size(); ++i) {
    expect(again.units[i].entry == texts[i].entry, "a written file keeps each unit's id");
    const bool empty = !texts[i].target || texts[i].target->empty();
    expect(empty ? (!again.units[i].target || again.units[i].target->empty())
                 : again.units[i].target == texts[i].target,
           "a written file keeps each unit's target");
  }
}

}  // namespace

void checkXliff(const std::uint8_t* data, std::size_t size) {
  checkExchange(data, size, exchange::formatNamed("xliff"));
}
void checkPo(const std::uint8_t* data, std::size_t size) { checkExchange(data, size, exchange::formatNamed("po")); }

}  // namespace thornvale::fuzz

namespace thornvale::fuzz {
namespace {

std::string csvField(const std::u16string& text) {
  std::string field = "\"";
  for (char c : toUtf8(text)) field += c == '"' ? std::string("\"\"") : std::string(1, c);
  return field + '"';
}

// Any bytes read as a sheet without a crash, into units of real entries or into problems whose
// messages show no raw control byte; what it accepts, written again as quoted CSV, reads back.
void checkSheet(std::string_view bytes, exchange::Format format) {
  const exchange::ReadResult read = exchange::readUnits(bytes, format);
  std::set<const CatalogueEntry*> entries;
  for (const exchange::Unit& unit : read.units) {
    expect(unit.entry != nullptr && unit.line > 0 && unit.target,
           "a unit names an entry, its line and a text");
    expect(entries.insert(unit.entry).second, "an entry appears once");
  }
  for (const exchange::Problem& problem : read.problems) {
    expect(problem.line > 0 && !problem.message.empty(), "a problem names its line and says what is wrong");
    for (char c : problem.message)
      expect(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F, "a message is one safe line");
  }
  (void)exchange::judge(read, std::nullopt);
  doorsAgree(bytes);
  if (!read.ok() || read.units.empty()) return;
  std::string csv = "position,translation\r\n";
  for (const exchange::Unit& unit : read.units) {
    if (unit.target->find(u'\0') != std::u16string::npos) return;
    csv += std::to_string(unit.entry->position) + ',' + csvField(*unit.target) + "\r\n";
  }
  const exchange::ReadResult again = exchange::readUnits(csv, exchange::formatNamed("csv"));
  expect(again.ok() && again.units.size() == read.units.size(), "a written sheet reads cleanly, every row");
  for (std::size_t i = 0; i < again.units.size(); ++i) {
    expect(again.units[i].entry == read.units[i].entry && again.units[i].target == read.units[i].target,
           "a written sheet keeps each position and text");
  }
}

}  // namespace

void checkDelimited(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  checkSheet(bytes, exchange::formatNamed("csv"));
  checkSheet(bytes, exchange::formatNamed("json"));
  (void)exchange::readUnits(bytes);
  // The conversion rules over the two halves, as an old and a new text.
  const std::optional<std::u16string> text = fromUtf8(bytes);
  if (text)
    (void)exchange::spreadsheetConversion(text->substr(0, text->size() / 2), text->substr(text->size() / 2));
}

void checkDoorsAgree(const std::uint8_t* data, std::size_t size) {
  doorsAgree(std::string_view(reinterpret_cast<const char*>(data), size));
}

void checkWorkbook(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  checkSheet(bytes, exchange::formatNamed("xlsx"));
  (void)exchange::readWorkbookPart(bytes, "xl/worksheets/sheet1.xml");
}

}  // namespace thornvale::fuzz
