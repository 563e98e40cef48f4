#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "codec/GetTexts.h"
#include "fuzz/FuzzChecks.h"

namespace thornvale::fuzz {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Reads the input front to back; past its end every value is 0.
class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  std::uint16_t word() { return static_cast<std::uint16_t>(byte() | (byte() << 8)); }
  Bytes rest(std::size_t most) {
    const std::size_t n = std::min(most, size_ - std::min(pos_, size_));
    Bytes out(data_ + pos_, data_ + pos_ + n);
    pos_ += n;
    return out;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// Never destroyed, so the exit handler that removes the file can still name it.
const std::string& scratchFile() {
  static const std::string* path = [] {
    auto* p = new std::string(
        (std::filesystem::temp_directory_path() / ("thornvale-fuzz-" + std::to_string(::getpid()) + ".bin"))
            .string());
    std::atexit([] { std::filesystem::remove(scratchFile()); });
    return p;
  }();
  return *path;
}

void store(const Bytes& bytes) {
  std::ofstream out(scratchFile(), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) broken("the scratch file can be written");
}

Bytes load() {
  std::ifstream in(scratchFile(), std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool tableIsEmpty() {
  const CharacterTable& t = CurrentCharacterTable();
  return std::all_of(t.begin(), t.end(), [](char16_t c) { return c == kNoCharacter; });
}

}  // namespace

void broken(const char* promise) {
  std::fprintf(stderr, "broken promise: %s\n", promise);
  std::abort();
}

void checkCodec(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  static constexpr std::string_view kNames[] = {"Table1", "Table2", "Table3", "Table4", "Table5"};
  const std::string_view tableName = kNames[in.byte() % std::size(kNames)];
  const CharacterTable* table = findCharacterTable(tableName);
  const std::int32_t offset = in.word() % 600;
  const auto length = static_cast<std::int16_t>(in.byte() % 100);
  // The text: each input unit either picks one of the table's characters or is taken as it is.
  std::u16string text;
  const std::size_t textLength = in.byte() % (length + 2);
  for (std::size_t k = 0; k < textLength; ++k) {
    const std::uint8_t pick = in.byte();
    text.push_back(pick & 1 ? static_cast<char16_t>(in.word()) : (table ? (*table)[in.byte()] : u'A'));
    if (text.back() == kNoCharacter) text.back() = u' ';
  }
  const Bytes file = in.rest(512);
  store(file);

  // Reading never changes the file and never yields more than `length` characters, each one a
  // character of the table.
  const std::u16string read = ReadText(offset, scratchFile(), length, tableName);
  expect(tableIsEmpty(), "the table is emptied after a read");
  expect(read.size() <= static_cast<std::size_t>(length), "a read yields at most length characters");
  for (char16_t c : read) expect(table && encodeCharacter(*table, c), "a read yields table characters");
  expect(load() == file, "a read leaves the file as it was");

  // Writing: character k goes to offset + k, or its byte stays; refusals change nothing.
  std::u16string padded = text;
  if (padded.size() < static_cast<std::size_t>(length)) padded.resize(static_cast<std::size_t>(length), u' ');
  Bytes expected = file;
  bool refuse = text.size() > static_cast<std::size_t>(length);
  for (std::size_t k = 0; k < padded.size() && !refuse; ++k) {
    const auto byte = table ? encodeCharacter(*table, padded[k]) : std::nullopt;
    if (!byte) continue;
    const std::size_t at = static_cast<std::size_t>(offset) + k;
    if (at >= file.size())
      refuse = true;
    else
      expected[at] = *byte;
  }
  bool threw = false;
  try {
    WriteText(offset, scratchFile(), text, length, tableName);
  } catch (const FileError&) {
    threw = true;
  }
  expect(tableIsEmpty(), "the table is emptied after a write");
  expect(threw == refuse, "a write refuses exactly what it cannot store in place");
  expect(load() == (refuse ? file : expected),
         "a write changes exactly the bytes of its storable characters");

  // What was written in full reads back as written.
  if (!refuse && table && unencodableCharacters(tableName, padded).empty()) {
    expect(ReadText(offset, scratchFile(), length, tableName) == padded, "a full write reads back");
  }
}

}  // namespace thornvale::fuzz
