#include "catalogue/MiscData.h"

#include <array>
#include <span>

#include "codec/FileError.h"
#include "codec/ImageFile.h"

namespace thornvale {
namespace {

std::optional<std::uint8_t> readByte(const ImageFile& file, std::int64_t size, std::int32_t offset) {
  if (offset >= size) return std::nullopt;
  std::uint8_t byte = 0;
  file.readAt(offset, std::span(&byte, 1));
  return byte;
}

}  // namespace

MiscData ReadMiscData(const std::string& fileName) {
  ImageFile file(fileName, ImageFile::Access::Read);
  const std::int64_t size = file.size();
  MiscData data;
  data.debugMenu = readByte(file, size, kDebugMenuOffset);
  data.hitCount = readByte(file, size, kHitCountOffset);
  file.close();
  return data;
}

void WriteMiscData(const std::string& fileName, const MiscData& values) {
  const std::array<std::pair<std::int32_t, std::optional<std::uint8_t>>, 2> writes = {{
      {kDebugMenuOffset, values.debugMenu},
      {kHitCountOffset, values.hitCount},
  }};
  ImageFile file(fileName, ImageFile::Access::Write);
  const std::int64_t size = file.size();
  bool any = false;
  for (const auto& [offset, value] : writes) {
    if (!value) continue;
    any = true;
    if (offset >= size) {
      throw FileError(fileName, "writing", std::make_error_code(std::errc::invalid_argument),
                       "the file ends at byte " + std::to_string(size) + ", before byte " +
                           std::to_string(offset) + "; nothing was written");
    }
  }
  // Should the second write fail, the first byte is written but not flushed.
  for (const auto& [offset, value] : writes) {
    if (value) file.writeAt(offset, std::span(&*value, 1));
  }
  if (any) file.flush();
  file.close();
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
