#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace thornvale {

// Upper-case hex digits, at least `digits` of them: formatHex(0x3A, 2) is "3A".
[[nodiscard]] std::string formatHex(std::uint64_t value, int digits = 1);

// "0x" and formatHex: how offsets, bytes and checksums are shown to the user.
[[nodiscard]] inline std::string formatHex0x(std::uint64_t value, int digits = 1) {
  return "0x" + formatHex(value, digits);
}

// The text as a terminal or a message box may show it: every control character (C0, DEL, C1), every
// format character (Unicode's Cf: U+FEFF, U+200B, the bidirectional controls) and every byte that is
// not well-formed UTF-8 written as an escape ("\t", "\x1B", "\u0085", "\u202E", "\U000E0041",
// "\xFF"), so that nothing read from a file, a name or an argument can move the cursor, set a
// title, clear the screen, reorder or hide a line. Line breaks stay where `keepLineBreaks` says so.
[[nodiscard]] std::string escapeControls(std::string_view text, bool keepLineBreaks = false);

// The text in double quotes, as paths and values stand in messages, its control characters
// escaped.
[[nodiscard]] inline std::string quote(std::string_view text) { return "\"" + escapeControls(text) + "\""; }

// "the file ends at byte N, before PLACE": the one way every command says that an image is too
// short for what it was asked to read or write.
[[nodiscard]] inline std::string fileEndsBefore(std::int64_t size, std::string_view place) {
  return "the file ends at byte " + std::to_string(size) + ", before " + std::string(place);
}

}  // namespace thornvale
