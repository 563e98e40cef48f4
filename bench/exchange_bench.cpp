// The exchange formats against floors measured in the same run: exporting the 70 texts of an image
// as PO and a workbook against dumping them as TSV (each read from the image file and made into the
// file's bytes in memory), and as XLIFF against pugixml building and saving a document of the same
// elements, attributes and text (a 50 KB document cannot cost what a 3 KB dump does); and
// importing a file that changes all 70 texts in each format against importing the same changes
// as a TSV dump (each read, checked, and written into the image by a replacement, flushed).

#include <pugixml.hpp>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "bench/RatioReporter.h"
#include "catalogue/Catalogue.h"
#include "cli/ExchangeCommands.h"
#include "cli/Import.h"
#include "codec/CharacterTables.h"
#include "exchange/Exchange.h"
#include "exchange/Workbook.h"
#include "sample/SampleImage.h"
#include "tests/support/TestFiles.h"

namespace {

using namespace thornvale;

std::string imagePath;
// For each format, two files: one changes every text of the sample, the next changes them back.
std::string files[4][2];

exchange::ExportSettings settings() {
  exchange::ExportSettings s;
  s.targetLanguage = "fr";
  s.original = "image.nes";
  s.version = "bench";
  return s;
}

void makeFiles() {
  // Sources as an export reads them from the image before and after an import (a text stored
  // longer than it is saved keeps its last characters), so that every import finds them there.
  const std::vector<exchange::TextRow> before = exchange::readImageRows(imagePath);
  std::vector<exchange::TextRow> changed, original, after;
  for (const exchange::TextRow& row : before) {
    const CatalogueEntry& e = *row.entry;
    const auto saved = static_cast<std::size_t>(e.saveLength);
    std::u16string text = row.source.substr(0, saved);
    original.push_back({&e, text, std::nullopt});
    const std::size_t at = text.size() > 1 ? 1 : 0;  // entries 64 and 65 keep their shared byte
    const CharacterTable& table = *findCharacterTable(e.tableName);
    for (char16_t c : std::u16string_view(u"AEOT")) {
      if (c != text[at] && encodeCharacter(table, c)) {
        text[at] = c;
        break;
      }
    }
    changed.push_back({&e, text, std::nullopt});
    after.push_back({&e, text + row.source.substr(std::min(saved, row.source.size())), std::nullopt});
  }
  files[0][0] = exchange::formatDump(changed);
  files[0][1] = exchange::formatDump(original);
  const std::vector<exchange::TextRow> there = exchange::exportRows(before, changed);
  const std::vector<exchange::TextRow> back = exchange::exportRows(after, original);
  files[1][0] = exchange::writeXliff(there, settings());
  files[1][1] = exchange::writeXliff(back, settings());
  files[2][0] = exchange::writePo(there, settings());
  files[2][1] = exchange::writePo(back, settings());
  files[3][0] = exchange::workbookBytes(there, settings());
  files[3][1] = exchange::workbookBytes(back, settings());
}

void BM_DumpTsv(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(exchange::formatDump(exchange::readImageRows(imagePath)));
}

void exportAs(benchmark::State& state, exchange::Format format) {
  for (auto _ : state) {
    const std::vector<exchange::TextRow> texts =
        exchange::exportRows(exchange::readImageRows(imagePath), {});
    benchmark::DoNotOptimize(format->write(texts, settings()));
  }
}
void BM_ExportXliff(benchmark::State& state) { exportAs(state, exchange::formatNamed("xliff")); }

// An element of the export's XLIFF, as the floor builds it again: the same names, attributes and
// text, so that the floor's document is the export's byte for byte (main checks it).
struct Element {
  std::string name;
  std::vector<std::pair<std::string, std::string>> attributes;
  std::string text;
  std::vector<Element> children;
};
std::vector<std::pair<std::string, std::string>> declaration;
Element xliffRoot;

Element shapeOf(pugi::xml_node node) {
  Element e{node.name(), {}, node.text().get(), {}};
  for (pugi::xml_attribute a : node.attributes()) e.attributes.emplace_back(a.name(), a.value());
  for (pugi::xml_node child : node.children())
    if (child.type() == pugi::node_element) e.children.push_back(shapeOf(child));
  return e;
}

void build(pugi::xml_node parent, const Element& e) {
  pugi::xml_node node = parent.append_child(e.name.c_str());
  for (const auto& [name, value] : e.attributes) node.append_attribute(name.c_str()) = value.c_str();
  if (!e.text.empty()) node.text() = e.text.c_str();
  for (const Element& child : e.children) build(node, child);
}

struct StringWriter : pugi::xml_writer {
  std::string out;
  void write(const void* data, std::size_t size) override { out.append(static_cast<const char*>(data), size); }
};

std::string buildAndSave() {
  pugi::xml_document doc;
  pugi::xml_node d = doc.append_child(pugi::node_declaration);
  for (const auto& [name, value] : declaration) d.append_attribute(name.c_str()) = value.c_str();
  build(doc, xliffRoot);
  StringWriter writer;
  writer.out.reserve(std::size_t{1} << 17);
  doc.save(writer, "  ", pugi::format_indent, pugi::encoding_utf8);
  return writer.out;
}

// The floor of the XLIFF export: the document built and saved by pugixml, the texts already in UTF-8.
void BM_XliffFloor(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(buildAndSave());
}

// Takes the floor's document from the export itself, and refuses to compare with a floor that is
// not the same bytes.
bool shapeFloor() {
  const std::string exported =
      exchange::writeXliff(exchange::exportRows(exchange::readImageRows(imagePath), {}), settings());
  pugi::xml_document doc;
  if (!doc.load_buffer(exported.data(), exported.size(),
                       pugi::parse_default | pugi::parse_declaration | pugi::parse_ws_pcdata_single))
    return false;
  for (pugi::xml_attribute a : doc.first_child().attributes()) declaration.emplace_back(a.name(), a.value());
  xliffRoot = shapeOf(doc.document_element());
  return buildAndSave() == exported;
}
void BM_ExportPo(benchmark::State& state) { exportAs(state, exchange::formatNamed("po")); }
// The workbook as the command makes it: written by libxlsxwriter in a scratch folder, read back.
void BM_ExportWorkbook(benchmark::State& state) {
  for (auto _ : state) {
    const std::vector<exchange::TextRow> texts =
        exchange::exportRows(exchange::readImageRows(imagePath), {});
    benchmark::DoNotOptimize(exchange::workbookBytes(texts, settings()));
  }
}

// The image changes with every import, so each benchmark leaves it as it found it: an even number
// of iterations, and every import writes all 70 texts.
void importAs(benchmark::State& state, int format) {
  int turn = 1;
  for (auto _ : state) {
    turn ^= 1;
    const exchange::ReadResult read = exchange::readUnits(files[format][turn]);
    const cli::ImportReport report = cli::importUnits(imagePath, read, false);
    if (!read.ok() || report.changes.size() != kCatalogueSize) state.SkipWithError("not every text changed");
  }
}
void BM_ImportTsv(benchmark::State& state) { importAs(state, 0); }
void BM_ImportXliff(benchmark::State& state) { importAs(state, 1); }
void BM_ImportPo(benchmark::State& state) { importAs(state, 2); }
void BM_ImportWorkbook(benchmark::State& state) { importAs(state, 3); }

}  // namespace

BENCHMARK(BM_DumpTsv)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_XliffFloor)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ExportXliff)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ExportPo)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ExportWorkbook)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ImportTsv)->Iterations(100)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ImportXliff)->Iterations(100)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ImportPo)->Iterations(100)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ImportWorkbook)->Iterations(100)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
  test::TempDir dir;
  imagePath = dir.file("image.nes");
  test::writeSampleImage(imagePath);
  makeFiles();
  if (!shapeFloor()) {
    std::fprintf(stderr, "exchange-bench: pugixml's document is not the XLIFF export's, so it is no floor for it\n");
    return 1;
  }
  return bench::runWithRatios(argc, argv,
                              {{"BM_ExportXliff", "BM_XliffFloor", 1.5},
                               {"BM_ExportPo", "BM_DumpTsv", 1.5},
                               {"BM_ImportXliff", "BM_ImportTsv", 1.5},
                               {"BM_ImportPo", "BM_ImportTsv", 1.5},
                               {"BM_ExportWorkbook", "BM_DumpTsv", 3},
                               {"BM_ImportWorkbook", "BM_ImportTsv", 3}});
}
