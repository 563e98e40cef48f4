#include "exchange/Formats.h"

#include <algorithm>
#include <array>

namespace thornvale::exchange {

// Each defined beside its reader and writer.
extern const FormatRecord kDumpFormat, kJsonFormat, kWorkbookFormat, kXliffFormat, kPoFormat, kDelimitedFormat;

namespace {

// In the order their recognisers are asked: delimited text last, since any header line with a
// position column is one.
constexpr std::array<const FormatRecord*, 6> kFormats = {&kDumpFormat,  &kJsonFormat, &kWorkbookFormat,
                                                         &kXliffFormat, &kPoFormat,   &kDelimitedFormat};

}  // namespace

std::span<const FormatRecord* const> formats() noexcept { return kFormats; }

Format formatNamed(std::string_view name) noexcept {
  for (const FormatRecord* format : kFormats) {
    for (std::string_view n : format->names) {
      if (n == name) return format;
    }
  }
  return nullptr;
}

Format recogniseFormat(std::string_view bytes, const std::string* text) noexcept {
  const Sniff sniff{bytes, text};
  for (const FormatRecord* format : kFormats) {
    if (format->recognise(sniff)) return format;
  }
  return nullptr;
}

std::string formatNames(bool (*pick)(const FormatRecord&)) {
  std::vector<std::string_view> names;
  for (const FormatRecord* format : kFormats) {
    if (pick(*format)) names.push_back(format->names.front());
  }
  std::string out;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) out += i + 1 == names.size() ? " or " : ", ";
    out += names[i];
  }
  return out;
}

std::vector<Format> formatsOfName(std::string_view path) {
  std::vector<Format> found;
  const std::size_t dot = path.find_last_of("./\\");
  if (dot == std::string_view::npos || path[dot] != '.') return found;
  std::string ending(path.substr(dot));
  for (char& c : ending) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  for (const FormatRecord* format : kFormats) {
    if (std::find(format->extensions.begin(), format->extensions.end(), ending) != format->extensions.end())
      found.push_back(format);
  }
  return found;
}

bool exportable(const FormatRecord& format) noexcept { return format.write != nullptr && format.carriesSources; }
bool readable(const FormatRecord& format) noexcept { return format.read != nullptr; }

std::string_view formatName(Format format) noexcept { return format ? format->name : "unknown format"; }

}  // namespace thornvale::exchange
