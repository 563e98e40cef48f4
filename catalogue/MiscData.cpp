#include "catalogue/MiscData.h"

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

Refusal hitCountRefusal() {
  return {
      "Cannot save, \"Hits to Kill a Grumkin:\" must be a whole number from 0 to 255. Nothing was saved."};
}

std::optional<std::uint8_t> parseHitCount(std::u16string_view text) {
  const auto isBlank = [](char16_t c) { return c == u' ' || c == u'\t'; };
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  if (text.empty()) return std::nullopt;
  unsigned value = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return std::nullopt;
    value = value * 10 + (c - u'0');
    if (value > 255) return std::nullopt;
  }
  return static_cast<std::uint8_t>(value);
}

}  // namespace thornvale
