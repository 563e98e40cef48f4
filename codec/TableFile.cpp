#include "codec/TableFile.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "codec/FileAccess.h"
#include "codec/Format.h"
#include "codec/Normalization.h"
#include "codec/Utf.h"

namespace thornvale {
namespace {

std::string place(const std::string& path, int line) {
  return escapeControls(path) + (line > 0 ? ":" + std::to_string(line) : std::string());
}

// Each byte's value as a hex digit, or -1: a table's every line is read through it.
constexpr std::array<std::int8_t, 256> kHexDigits = [] {
  std::array<std::int8_t, 256> digits{};
  digits.fill(-1);
  for (int c = '0'; c <= '9'; ++c) digits[static_cast<std::size_t>(c)] = static_cast<std::int8_t>(c - '0');
  for (int c = 'A'; c <= 'F'; ++c) digits[static_cast<std::size_t>(c)] = static_cast<std::int8_t>(c - 'A' + 10);
  for (int c = 'a'; c <= 'f'; ++c) digits[static_cast<std::size_t>(c)] = static_cast<std::int8_t>(c - 'a' + 10);
  return digits;
}();

std::optional<int> hexDigit(char c) {
  const int digit = kHexDigits[static_cast<unsigned char>(c)];
  if (digit < 0) return std::nullopt;
  return digit;
}

bool allHex(std::string_view text) {
  for (char c : text) {
    if (!hexDigit(c)) return false;
  }
  return !text.empty();
}

// The line's text up to the first character that is no hex digit.
std::string_view leadingHex(std::string_view text) {
  std::size_t n = 0;
  while (n < text.size() && hexDigit(text[n])) ++n;
  return text.substr(0, n);
}

std::string codePoint(char32_t cp) { return "U+" + formatHex(cp, 4); }

// Why `c` cannot be a character of a table, or nothing.
std::optional<std::string> refusedCharacter(char32_t c) {
  if (c == 0) return "NUL cannot be a character";
  if (c == u'\t') return "a tab cannot be a character: texts hold no tabs";
  if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) return "the control character " + codePoint(c) + " cannot be a character";
  return std::nullopt;
}

class Parser {
 public:
  // `checked`: the whole file is known to be UTF-8, so no line need be looked at for it.
  Parser(const std::string& path, bool checked) : path_(path), checked_(checked) {}

  void line(int number, std::string_view raw) {
    number_ = number;
    if (!checked_ && !isUtf8(raw)) fail("bytes that are not UTF-8");
    if (raw.find_first_not_of(" \t") == std::string_view::npos) return;  // blank
    switch (raw.front()) {
      case '#': return;  // a comment; "23=#" starts with its byte, so it is an entry
      case '/': return setAside(raw.substr(1), "an end token", "texts here have a fixed length");
      case '*': return setAside(raw.substr(1), "a line break", "texts here hold no line breaks");
      case '(': return bookmark(raw);
      case '@': return warn("a table id (" + quote(raw.substr(1)) + ") is set aside: each file here is one table");
      case '$': fail("a control code ($HH=...) cannot be stored: each byte here is one character");
      default: return entry(raw);
    }
  }

  TableFile result() && { return std::move(file_); }

 private:
  [[noreturn]] void fail(std::string why) const { throw TableFileError(path_, number_, std::move(why)); }
  void warn(const std::string& what) { file_.warnings.push_back(place(path_, number_) + ": " + what); }

  // "/HH", "/HH=...", "*HH", "*HH=...".
  void setAside(std::string_view rest, const char* what, const char* why) {
    const std::string_view hex = rest.substr(0, rest.find('='));
    if (hex.size() % 2 != 0 || !allHex(hex)) fail(std::string("a malformed line: ") + what + " needs hex digits");
    warn(std::string(what) + " is set aside: " + why);
  }

  // "(HHHHh)Title".
  void bookmark(std::string_view raw) {
    const std::size_t close = raw.find(')');
    const std::string_view inside = raw.substr(1, close == std::string_view::npos ? 0 : close - 1);
    if (close == std::string_view::npos || inside.empty() || (inside.back() != 'h' && inside.back() != 'H') ||
        !allHex(inside.substr(0, inside.size() - 1))) {
      fail("a malformed line: a bookmark is written (HHHHh)Title");
    }
    warn("a bookmark is set aside: it names no character");
  }

  void entry(std::string_view raw) {
    const std::string_view hex = leadingHex(raw);
    if (hex.empty() || hex.size() == raw.size() || raw[hex.size()] != '=') {
      fail("a malformed line: an entry is written HH=c, two hex digits, \"=\" and one character");
    }
    if (hex.size() % 2 != 0) fail("a malformed line: the byte needs two hex digits, not " + std::to_string(hex.size()));
    if (hex.size() > 2) {
      fail("more than one byte on the left (" + std::string(hex) +
           "): each character here is stored in one byte");
    }
    const auto byte = static_cast<std::uint8_t>(*hexDigit(hex[0]) * 16 + *hexDigit(hex[1]));
    const std::string_view right = raw.substr(hex.size() + 1);
    if (right == "\\n") return warn("a line break is set aside: texts here hold no line breaks");
    if (right.empty()) fail("no character after \"=\"");
    // One ASCII character, as most entries are, needs no conversion and no composition.
    const std::u16string character = right.size() == 1 && static_cast<unsigned char>(right[0]) < 0x80
                                         ? std::u16string(1, static_cast<char16_t>(right[0]))
                                         : composed(*fromUtf8(right));
    const std::size_t units = characterUnits(character, 0);
    if (character.size() > units) {
      fail("more than one character on the right (" + quote(right) + "): each byte here is one character");
    }
    if (units == 2) {
      const char32_t cp = 0x10000 + ((static_cast<char32_t>(character[0]) - 0xD800) << 10) + (character[1] - 0xDC00);
      fail("the character " + codePoint(cp) + " lies beyond U+FFFF, which a text here cannot hold");
    }
    if (std::optional<std::string> why = refusedCharacter(character[0])) fail(*why);
    if (firstLine_[byte] != 0) {
      fail("the byte " + formatHex(byte, 2) + " is given twice (first on line " + std::to_string(firstLine_[byte]) + ")");
    }
    firstLine_[byte] = number_;
    file_.table[byte] = character[0];
  }

  const std::string& path_;
  bool checked_;
  int number_ = 0;
  std::array<int, 256> firstLine_{};
  TableFile file_;
};

}  // namespace

TableFileError::TableFileError(std::string path, int line, std::string why)
    : FileError(path, "reading", std::make_error_code(std::errc::invalid_argument),
                (line > 0 ? "line " + std::to_string(line) + ": " : std::string()) + why),
      line_(line),
      why_(std::move(why)) {
  static_cast<std::runtime_error&>(*this) = std::runtime_error(
      "A character table cannot be used, so nothing was read or written. " + place(path, line) + ": " + why_ + ".");
}

TableFile parseTableFile(std::span<const std::uint8_t> bytes, const std::string& path) {
  if (static_cast<std::int64_t>(bytes.size()) > kMaxTableFileSize) {
    throw TableFileError(path, 0, "the file is larger than 64 KiB, which no table of 256 entries needs");
  }
  std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  Parser parser(path, isUtf8(text));
  int number = 0;
  while (!text.empty()) {
    const std::size_t end = text.find_first_of("\r\n");
    parser.line(++number, text.substr(0, end));
    if (end == std::string_view::npos) break;
    // CRLF is one line end; CR alone and LF alone are one each.
    text.remove_prefix(end + (text.substr(end, 2) == "\r\n" ? 2 : 1));
  }
  return std::move(parser).result();
}

TableFile readTableFile(const std::string& path) {
  File file = File::openExisting(path, File::Access::Read);
  const Bytes bytes = readWhole(file, kMaxTableFileSize, "a character table");
  file.close();
  return parseTableFile(bytes, path);
}

}  // namespace thornvale
