#include "codec/Normalization.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

#include <utf8proc.h>

#include "codec/Utf.h"

namespace thornvale {
namespace {

// Nothing below U+0300 composes with what precedes it or changes on its own, so a text of such
// characters (every text of the game's own tables) is left as it is without asking the library.
bool plainlyComposed(std::u16string_view text) {
  return std::all_of(text.begin(), text.end(), [](char16_t c) { return c < 0x300; });
}

bool hasLoneSurrogate(std::u16string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c < 0xD800 || c > 0xDFFF) continue;
    if (characterUnits(text, i) == 2) {
      ++i;
      continue;
    }
    return true;
  }
  return false;
}

}  // namespace

std::u16string composed(std::u16string_view text) {
  if (plainlyComposed(text) || hasLoneSurrogate(text)) return std::u16string(text);
  const std::string utf8 = toUtf8(text);
  // With its length given, so that a NUL inside the text does not end it.
  utf8proc_uint8_t* out = nullptr;
  const utf8proc_ssize_t size =
      utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(utf8.data()), static_cast<utf8proc_ssize_t>(utf8.size()),
                   &out, static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_COMPOSE));
  const std::unique_ptr<utf8proc_uint8_t, decltype(&std::free)> owned(out, &std::free);
  // The library fails only on malformed UTF-8 (which toUtf8 never makes) or lack of memory.
  if (size < 0 || !out) return std::u16string(text);
  std::optional<std::u16string> result =
      fromUtf8(std::string_view(reinterpret_cast<const char*>(out), static_cast<std::size_t>(size)));
  return result ? std::move(*result) : std::u16string(text);
}

bool changesUnderComposition(std::u16string_view text) { return composed(text) != text; }

}  // namespace thornvale
