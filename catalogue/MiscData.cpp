#include "catalogue/MiscData.h"

namespace thornvale {

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
