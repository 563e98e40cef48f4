#include <set>
#include <string>
#include <vector>

#include "codec/Utf.h"
#include "exchange/Delimited.h"
#include "exchange/Exchange.h"
#include "exchange/Workbook.h"
#include "fuzz/FuzzChecks.h"

namespace thornvale::fuzz {
namespace {

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
  (void)exchange::selectTexts(read, true);
  (void)exchange::checkUnits(read, false, {});
  if (!read.ok()) return;

  std::vector<exchange::ExportText> texts;
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
  const std::string written = format == exchange::Format::Xliff ? exchange::writeXliff(texts, settings)
                                                                : exchange::writePo(texts, settings);
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
  checkExchange(data, size, exchange::Format::Xliff);
}
void checkPo(const std::uint8_t* data, std::size_t size) { checkExchange(data, size, exchange::Format::Po); }

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
  (void)exchange::checkUnits(read, false, {});
  if (!read.ok() || read.units.empty()) return;
  std::string csv = "position,translation\r\n";
  for (const exchange::Unit& unit : read.units) {
    if (unit.target->find(u'\0') != std::u16string::npos) return;
    csv += std::to_string(unit.entry->position) + ',' + csvField(*unit.target) + "\r\n";
  }
  const exchange::ReadResult again = exchange::readUnits(csv, exchange::Format::Delimited);
  expect(again.ok() && again.units.size() == read.units.size(), "a written sheet reads cleanly, every row");
  for (std::size_t i = 0; i < again.units.size(); ++i) {
    expect(again.units[i].entry == read.units[i].entry && again.units[i].target == read.units[i].target,
           "a written sheet keeps each position and text");
  }
}

}  // namespace

void checkDelimited(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  checkSheet(bytes, exchange::Format::Delimited);
  checkSheet(bytes, exchange::Format::Json);
  (void)exchange::readUnits(bytes);
  // The conversion rules over the two halves, as an old and a new text.
  const std::optional<std::u16string> text = fromUtf8(bytes);
  if (text)
    (void)exchange::spreadsheetConversion(text->substr(0, text->size() / 2), text->substr(text->size() / 2));
}

void checkWorkbook(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  checkSheet(bytes, exchange::Format::Workbook);
  (void)exchange::readWorkbookPart(bytes, "xl/worksheets/sheet1.xml");
}

}  // namespace thornvale::fuzz
