#include "codec/MiscData.h"

#include <array>
#include <span>
#include <vector>

#include "codec/FileAccess.h"
#include "codec/FileError.h"
#include "codec/Format.h"

namespace thornvale {
namespace {

std::optional<std::uint8_t> readByte(const File& file, std::int64_t size, std::int32_t offset) {
  if (offset >= size) return std::nullopt;
  std::uint8_t byte = 0;
  readPadded(file, offset, std::span(&byte, 1));
  return byte;
}

}  // namespace

MiscData ReadMiscData(const std::string& fileName) {
  File file = openImage(fileName, File::Access::Read);
  const std::int64_t size = file.size();
  MiscData data;
  data.debugMenu = readByte(file, size, kDebugMenuOffset);
  data.hitCount = readByte(file, size, kHitCountOffset);
  file.close();
  return data;
}

void WriteMiscData(const std::string& fileName, const MiscData& values) {
  const std::array<std::pair<std::int32_t, const std::optional<std::uint8_t>*>, 2> bytes = {{
      {kDebugMenuOffset, &values.debugMenu},
      {kHitCountOffset, &values.hitCount},
  }};
  File file = openImage(fileName, File::Access::Write);
  const std::int64_t size = file.size();
  std::vector<Change> changes;
  for (const auto& [offset, value] : bytes) {
    if (!*value) continue;
    if (offset >= size) {
      throw FileError(fileName, "writing", std::make_error_code(std::errc::invalid_argument),
                      fileEndsBefore(size, "byte " + std::to_string(offset)) + "; nothing was written");
    }
    changes.push_back({offset, std::span(&**value, 1)});
  }
  // The two bytes lie far apart: both land, or neither.
  if (changes.empty()) {
    file.close();
    return;
  }
  writeAllOrNothing(file, changes);
  closeAfterWriting(file);
}

}  // namespace thornvale
