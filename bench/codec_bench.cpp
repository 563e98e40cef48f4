// What the editor's Open (70 ReadText calls) and Save (one WriteText) cost against the bare
// system calls that any implementation needs for the same bytes.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/RatioReporter.h"
#include "catalogue/Catalogue.h"
#include "codec/GetTexts.h"
#include "sample/SampleImage.h"

namespace {

using thornvale::catalogue;

// Never destroyed, so that the exit handler that removes the folder can still name it: the handler
// is registered before the path is made, so a static path would be gone when it runs.
const std::string& imagePath() {
  static const std::string* path = [] {
    std::string dir = (std::filesystem::temp_directory_path() / "thornvale-bench-XXXXXX").string();
    if (::mkdtemp(dir.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    auto* file = new std::string(dir + "/sample.nes");
    const auto image = thornvale::buildSampleImage();
    std::ofstream(*file, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    std::atexit([] { std::filesystem::remove_all(std::filesystem::path(imagePath()).parent_path()); });
    return file;
  }();
  return *path;
}

void BM_ReadAllTexts(benchmark::State& state) {
  for (auto _ : state) {
    for (const auto& e : catalogue()) {
      benchmark::DoNotOptimize(thornvale::ReadText(e.offset, imagePath(), e.length, e.tableName));
    }
  }
}
BENCHMARK(BM_ReadAllTexts)->Unit(benchmark::kMicrosecond);

void BM_FloorReadAllTexts(benchmark::State& state) {
  unsigned char buffer[128];
  for (auto _ : state) {
    for (const auto& e : catalogue()) {
      const int fd = ::open(imagePath().c_str(), O_RDONLY | O_CLOEXEC);
      benchmark::DoNotOptimize(::pread(fd, buffer, static_cast<std::size_t>(e.length), e.offset));
      ::close(fd);
    }
  }
}
BENCHMARK(BM_FloorReadAllTexts)->Unit(benchmark::kMicrosecond);

// The same with what every read of ours adds for safety: the check that the file is a regular
// one, and the shared lock. The two floors show what the reads cost beyond them.
void BM_FloorCheckedReadAllTexts(benchmark::State& state) {
  unsigned char buffer[128];
  for (auto _ : state) {
    for (const auto& e : catalogue()) {
      const int fd = ::open(imagePath().c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
      struct statx st {};
      ::statx(fd, "", AT_EMPTY_PATH, STATX_TYPE, &st);
      ::flock(fd, LOCK_SH | LOCK_NB);
      benchmark::DoNotOptimize(::pread(fd, buffer, static_cast<std::size_t>(e.length), e.offset));
      ::close(fd);
    }
  }
}
BENCHMARK(BM_FloorCheckedReadAllTexts)->Unit(benchmark::kMicrosecond);

const thornvale::CatalogueEntry& longest() { return *thornvale::catalogueEntry(50); }

void BM_WriteText(benchmark::State& state) {
  const std::u16string text(static_cast<std::size_t>(longest().saveLength), u'a');
  for (auto _ : state) {
    thornvale::WriteText(longest().offset, imagePath(), text, longest().saveLength, longest().tableName);
  }
}
BENCHMARK(BM_WriteText)->Unit(benchmark::kMicrosecond);

// Opening, writing the encoded bytes, flushing them to the disk and closing: what a save must do.
void BM_FloorWriteText(benchmark::State& state) {
  const std::vector<unsigned char> bytes(static_cast<std::size_t>(longest().saveLength), 0xD0);
  for (auto _ : state) {
    const int fd = ::open(imagePath().c_str(), O_WRONLY | O_CLOEXEC);
    benchmark::DoNotOptimize(::pwrite(fd, bytes.data(), bytes.size(), longest().offset));
    ::fsync(fd);
    ::close(fd);
  }
}
BENCHMARK(BM_FloorWriteText)->Unit(benchmark::kMicrosecond);

// The same with the regular-file check and the exclusive lock that every write of ours makes.
void BM_FloorCheckedWriteText(benchmark::State& state) {
  const std::vector<unsigned char> bytes(static_cast<std::size_t>(longest().saveLength), 0xD0);
  for (auto _ : state) {
    const int fd = ::open(imagePath().c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
    struct statx st {};
    ::statx(fd, "", AT_EMPTY_PATH, STATX_TYPE, &st);
    ::flock(fd, LOCK_EX | LOCK_NB);
    benchmark::DoNotOptimize(::pwrite(fd, bytes.data(), bytes.size(), longest().offset));
    ::fsync(fd);
    ::close(fd);
  }
}
BENCHMARK(BM_FloorCheckedWriteText)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  return thornvale::bench::runWithRatios(
      argc, argv,
      {{"BM_ReadAllTexts", "BM_FloorReadAllTexts", 1.5},
       {"BM_ReadAllTexts", "BM_FloorCheckedReadAllTexts", 1.5},
       {"BM_WriteText", "BM_FloorWriteText", 1.5},
       {"BM_WriteText", "BM_FloorCheckedWriteText", 1.5}});
}
