// An import that changes all 70 texts against its floor: the same image size written to a new
// file, flushed and renamed over the image, the folder flushed. Both are measured in this run.

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "bench/RatioReporter.h"
#include "catalogue/Catalogue.h"
#include "cli/DumpFormat.h"
#include "cli/Import.h"
#include "codec/CharacterTables.h"
#include "sample/SampleImage.h"
#include "tests/support/TestFiles.h"

namespace {

using namespace thornvale;

test::TempDir* folder;
std::string imagePath;
std::string dumps[2];

// Every text with one character changed (the second, so entries 64 and 65 keep their shared
// byte), and the sample's own texts: importing them in turn changes all 70 each time.
void makeDumps() {
  std::vector<exchange::TextRow> changed, original;
  for (const CatalogueEntry& e : catalogue()) {
    std::u16string text = sampleText(e.position).substr(0, static_cast<std::size_t>(e.saveLength));
    original.push_back({&e, text, std::nullopt});
    const std::size_t at = text.size() > 1 ? 1 : 0;
    const CharacterTable& table = *findCharacterTable(e.tableName);
    for (char16_t c : std::u16string_view(u"AEOT")) {
      if (c != text[at] && encodeCharacter(table, c)) {
        text[at] = c;
        break;
      }
    }
    changed.push_back({&e, text, std::nullopt});
  }
  dumps[0] = cli::formatDump(changed);
  dumps[1] = cli::formatDump(original);
}

// Which dump comes next, across repetitions: each import changes every text the last one wrote.
int turn = 1;

void BM_Import(benchmark::State& state) {
  for (auto _ : state) {
    const cli::ImportReport report = cli::importDump(imagePath, dumps[turn ^= 1], false);
    if (report.changes.size() != kCatalogueSize) {
      state.SkipWithError(report.ok() ? "not every text changed" : report.problems.front().message.c_str());
    }
  }
}
BENCHMARK(BM_Import)->Unit(benchmark::kMicrosecond);

void BM_FloorReplaceImage(benchmark::State& state) {
  const std::vector<std::uint8_t> image = buildSampleImage();
  const std::string target = folder->file("floor.nes");
  const std::string temporary = target + ".new";
  const int dir = ::open(folder->path().c_str(), O_RDONLY | O_DIRECTORY);
  for (auto _ : state) {
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    benchmark::DoNotOptimize(::write(fd, image.data(), image.size()));
    ::fsync(fd);
    ::close(fd);
    ::rename(temporary.c_str(), target.c_str());
    ::fsync(dir);
  }
  ::close(dir);
}
BENCHMARK(BM_FloorReplaceImage)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  test::TempDir dir;
  folder = &dir;
  imagePath = dir.file("image.nes");
  test::writeSampleImage(imagePath);
  makeDumps();
  return bench::runWithRatios(argc, argv, {{"BM_Import", "BM_FloorReplaceImage", 1.5}});
}
