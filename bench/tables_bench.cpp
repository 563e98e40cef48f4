// What tables of the user's cost: the editor's Open (the tables beside the image read, then 70
// ReadText calls) and an import of all 70 texts, each with a folder of four table files beside the
// image against the same with none (the built-in tables), measured in the same run.

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/RatioReporter.h"
#include "catalogue/Catalogue.h"
#include "cli/CharacterTableFiles.h"
#include "cli/Import.h"
#include "cli/TablesInUse.h"
#include "codec/GetTexts.h"
#include "sample/SampleImage.h"
#include "tests/support/TestFiles.h"

namespace {

using namespace thornvale;

std::string builtInImage, userImage;
exchange::ReadResult reads[2];

// As the editor's Open does it: the tables beside the image, then every text through them.
void open(const std::string& image) {
  const TableSet tables = TableSet::besideImage(image);
  for (const CatalogueEntry& e : catalogue()) {
    benchmark::DoNotOptimize(ReadText(e.offset, image, e.length, e.tableName, tables));
  }
}

void BM_OpenBuiltInTables(benchmark::State& state) {
  for (auto _ : state) open(builtInImage);
}
BENCHMARK(BM_OpenBuiltInTables)->Unit(benchmark::kMicrosecond);

void BM_OpenUserTables(benchmark::State& state) {
  for (auto _ : state) open(userImage);
}
BENCHMARK(BM_OpenUserTables)->Unit(benchmark::kMicrosecond);

// As `import` does it: the tables in use, then all 70 texts, changed each time.
void import(const std::string& image, int& turn) {
  const TableSet tables = cli::tablesInUse("", image);
  const cli::ImportReport report = cli::importUnits(image, reads[turn ^= 1], false, {}, tables);
  if (report.changes.size() != kCatalogueSize) std::abort();
}

void BM_ImportBuiltInTables(benchmark::State& state) {
  static int turn = 1;
  for (auto _ : state) import(builtInImage, turn);
}
BENCHMARK(BM_ImportBuiltInTables)->Unit(benchmark::kMicrosecond);

void BM_ImportUserTables(benchmark::State& state) {
  static int turn = 1;
  for (auto _ : state) import(userImage, turn);
}
BENCHMARK(BM_ImportUserTables)->Unit(benchmark::kMicrosecond);

// A dump's row: a text to write at the entry.
exchange::Unit unit(const CatalogueEntry& e, const std::u16string& text) {
  exchange::Unit u;
  u.line = u.targetLine = static_cast<std::size_t>(e.position) + 2;
  u.id = "position " + std::to_string(e.position);
  u.entry = &e;
  u.target = text;
  return u;
}

// The sample's texts, and each with its second character changed: importing them in turn changes
// all 70 each time.
void makeRows() {
  for (const CatalogueEntry& e : catalogue()) {
    std::u16string text = sampleText(e.position).substr(0, static_cast<std::size_t>(e.saveLength));
    reads[1].units.push_back(unit(e, text));
    const std::size_t at = text.size() > 1 ? 1 : 0;
    for (char16_t c : std::u16string_view(u"AEOT")) {
      if (c != text[at] && encodeCharacter(*TableSet::builtIn().find(e.tableName), c)) {
        text[at] = c;
        break;
      }
    }
    reads[0].units.push_back(unit(e, text));
  }
}

}  // namespace

int main(int argc, char** argv) {
  test::TempDir dir;
  builtInImage = dir.file("built-in.nes");
  userImage = dir.file("user.nes");
  test::writeSampleImage(builtInImage);
  test::writeSampleImage(userImage);
  // The four tables as files, the built-in ones with a letter more: every table is the user's.
  const std::vector<std::string> files = cli::writeTableFiles(dir.file("user.tables"));
  for (const std::string& file : files) {
    test::Bytes bytes = test::readBytes(file);
    for (char c : std::string("# a letter drawn into a free tile\n01=\xC3\xA9\n")) bytes.push_back(static_cast<std::uint8_t>(c));
    test::writeBytes(file, bytes);
  }
  makeRows();
  return bench::runWithRatios(argc, argv,
                              {{"BM_OpenUserTables", "BM_OpenBuiltInTables", 1.05},
                               {"BM_ImportUserTables", "BM_ImportBuiltInTables", 1.05}});
}
