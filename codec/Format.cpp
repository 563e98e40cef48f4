#include "codec/Format.h"

#include <algorithm>
#include <array>
#include <utility>

namespace thornvale {

std::string formatHex(std::uint64_t value, int digits) {
  constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  do {
    text.insert(text.begin(), kDigits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  if (static_cast<int>(text.size()) < digits)
    text.insert(0, static_cast<std::size_t>(digits) - text.size(), '0');
  return text;
}

namespace {

// The length of the well-formed UTF-8 sequence at the start of `text`, or 0.
std::size_t sequenceLength(std::string_view text, char32_t& point) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  std::size_t length = 0;
  char32_t least = 0;
  if (lead < 0x80) {
    point = lead;
    return 1;
  }
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, point = lead & 0x1F, least = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, point = lead & 0x0F, least = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, point = lead & 0x07, least = 0x10000;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    point = (point << 6) | (byte(i) & 0x3F);
  }
  if (point < least || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return 0;
  return length;
}

// Unicode's format characters (category Cf, Unicode 15.1), first and last of each run: invisible,
// they can reorder a line (the bidirectional controls), hide a break (U+200B) or stand unseen in
// a value (a stray U+FEFF), so a message shows them as escapes like the controls.
constexpr std::array<std::pair<char32_t, char32_t>, 21> kFormatCharacters{{
    {0xAD, 0xAD},       {0x600, 0x605},     {0x61C, 0x61C},     {0x6DD, 0x6DD},     {0x70F, 0x70F},
    {0x890, 0x891},     {0x8E2, 0x8E2},     {0x180E, 0x180E},   {0x200B, 0x200F},   {0x202A, 0x202E},
    {0x2060, 0x2064},   {0x2066, 0x206F},   {0xFEFF, 0xFEFF},   {0xFFF9, 0xFFFB},   {0x110BD, 0x110BD},
    {0x110CD, 0x110CD}, {0x13430, 0x1343F}, {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A}, {0xE0001, 0xE0001},
    {0xE0020, 0xE007F},
}};
static_assert(std::is_sorted(kFormatCharacters.begin(), kFormatCharacters.end()));

bool isFormatCharacter(char32_t point) {
  const auto run = std::upper_bound(kFormatCharacters.begin(), kFormatCharacters.end(), point,
                                    [](char32_t p, const auto& r) { return p < r.first; });
  return run != kFormatCharacters.begin() && point <= std::prev(run)->second;
}

}  // namespace

std::string escapeControls(std::string_view text, bool keepLineBreaks) {
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    char32_t point = 0;
    const std::size_t length = sequenceLength(text, point);
    if (length == 0) {
      out += "\\x" + formatHex(static_cast<unsigned char>(text.front()), 2);
      text.remove_prefix(1);
      continue;
    }
    if (point == '\n' && keepLineBreaks) {
      out += '\n';
    } else if (point == '\t') {
      out += "\\t";
    } else if (point == '\r') {
      out += "\\r";
    } else if (point == '\n') {
      out += "\\n";
    } else if (point < 0x20 || point == 0x7F) {
      out += "\\x" + formatHex(point, 2);
    } else if ((point >= 0x80 && point <= 0x9F) || isFormatCharacter(point)) {
      out += point > 0xFFFF ? "\\U" + formatHex(point, 8) : "\\u" + formatHex(point, 4);
    } else {
      out.append(text.substr(0, length));
    }
    text.remove_prefix(length);
  }
  return out;
}

}  // namespace thornvale
