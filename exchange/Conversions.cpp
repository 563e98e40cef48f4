#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "codec/Format.h"
#include "codec/Utf.h"
#include "exchange/Delimited.h"

namespace thornvale::exchange {
namespace {

std::string asAscii(std::u16string_view text) {
  std::string ascii;
  for (char16_t c : text) ascii += c < 0x80 ? static_cast<char>(c) : '\x7F';
  return ascii;
}

// A number as a spreadsheet reads one: an optional sign, digits with an optional point, and an
// optional exponent. Nothing else, not even spaces.
std::optional<double> number(std::string_view text) {
  if (text.empty() || text.size() > 40) return std::nullopt;
  const bool sign = text.front() == '-' || text.front() == '+';
  std::string_view digits = text.substr(sign ? 1 : 0);
  if (digits.empty() || !((digits.front() >= '0' && digits.front() <= '9') || digits.front() == '.'))
    return std::nullopt;
  double value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return text.front() == '-' ? -value : value;
}

std::optional<std::string> numberConversion(const std::string& before, const std::string& after) {
  const std::optional<double> a = number(before);
  const std::optional<double> b = number(after);
  if (!a || !b || !std::isfinite(*a)) return std::nullopt;
  if (std::fabs(*a - *b) > std::fabs(*a) * 1e-6) return std::nullopt;
  const auto hasExponent = [](const std::string& s) { return s.find_first_of("eE") != std::string::npos; };
  if (hasExponent(before) && !hasExponent(after)) return "a number's exponent written out";
  if (hasExponent(after) && !hasExponent(before)) return "a number written with an exponent";
  if (hasExponent(after)) return "a number's exponent rewritten";
  const std::size_t digit = before.find_first_not_of("+-");
  if (before.compare(digit, 1, "0") == 0 && before.size() > digit + 1 && before[digit + 1] != '.')
    return "leading zeros dropped";
  return "a number reformatted";
}

// 1 to 12 for a month's name or its abbreviation, 0 for any other word.
int month(std::string_view word) {
  static constexpr std::string_view kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                                 "jul", "aug", "sep", "oct", "nov", "dec"};
  if (word.size() < 3) return 0;
  std::string lower;
  for (char c : word.substr(0, 3)) lower += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  for (int i = 0; i < 12; ++i)
    if (lower == kMonths[i]) return i + 1;
  return 0;
}
bool isMonth(std::string_view word) { return month(word) != 0; }

// The numbers of a date, months named or not, as values.
std::vector<long> dateValues(const std::vector<std::string>& parts) {
  std::vector<long> values;
  for (const std::string& part : parts) {
    values.push_back(isMonth(part) ? month(part) : std::strtol(part.substr(0, 9).c_str(), nullptr, 10));
  }
  return values;
}

// Words of letters, runs of digits; what is between them is a separator.
std::vector<std::string> dateParts(const std::string& text, bool& onlyDateCharacters) {
  std::vector<std::string> parts;
  onlyDateCharacters = !text.empty();
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    const bool digit = c >= '0' && c <= '9';
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!digit && !letter) {
      if (std::string_view(" /-.,:").find(c) == std::string_view::npos) onlyDateCharacters = false;
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < text.size() && ((text[end] >= '0' && text[end] <= '9') == digit) &&
           (digit || (text[end] >= 'a' && text[end] <= 'z') || (text[end] >= 'A' && text[end] <= 'Z')))
      ++end;
    parts.push_back(text.substr(i, end - i));
    i = end;
  }
  return parts;
}

// A text a spreadsheet takes for a date ("JAN 1", "1/2", "3-4"), and one it writes for a date
// ("01/01/2026", "2026-01-01", "1-Jan", or the serial number "46023").
bool looksLikeDate(const std::string& text, bool written) {
  bool onlyDate = false;
  const std::vector<std::string> parts = dateParts(text, onlyDate);
  if (!onlyDate || parts.size() < (written ? 1u : 2u) || parts.size() > 4) return false;
  std::size_t months = 0;
  for (const std::string& part : parts) {
    const bool digits = part.front() >= '0' && part.front() <= '9';
    if (!digits && !isMonth(part)) return false;
    if (!digits) ++months;
  }
  if (parts.size() == 1) return months == 0 && parts[0].size() == 5;  // a serial number
  return months <= 1 && (months == 1 || text.find_first_of("/-.") != std::string::npos);
}

// Every number of the typed date is in the written one (a serial number says nothing either way).
bool sameDay(const std::string& typed, const std::string& written) {
  bool onlyDate = false;
  const std::vector<long> from = dateValues(dateParts(typed, onlyDate));
  const std::vector<long> to = dateValues(dateParts(written, onlyDate));
  if (to.size() == 1) return true;
  return std::all_of(from.begin(), from.end(),
                     [&](long value) { return std::find(to.begin(), to.end(), value) != to.end(); });
}

}  // namespace

std::optional<std::string> spreadsheetConversion(std::u16string_view before, std::u16string_view after) {
  if (before == after) return std::nullopt;
  const auto end = before.find_last_not_of(u" \t");
  const auto start = before.find_first_not_of(u" \t");
  if (end != std::u16string_view::npos && after == before.substr(0, end + 1))
    return "trailing spaces trimmed";
  if (start != std::u16string_view::npos &&
      (after == before.substr(start) || after == before.substr(start, end - start + 1)))
    return "leading spaces trimmed";
  const std::string a = asAscii(before);
  const std::string b = asAscii(after);
  if (std::optional<std::string> conversion = numberConversion(a, b)) return conversion;
  if (looksLikeDate(a, false) && looksLikeDate(b, true) && sameDay(a, b)) return "a date reformatted";
  return std::nullopt;
}

std::optional<std::string> conversionProblem(std::u16string_view before, std::u16string_view after) {
  const std::optional<std::string> conversion = spreadsheetConversion(before, after);
  if (!conversion) return std::nullopt;
  return "the new text is what a spreadsheet's conversion makes of the old one (" + *conversion +
         "): " + std::string(kConversionAdvice);
}

std::string typedCellProblem(std::string_view typedCell) {
  return std::string(typedCell) +
         "; format the column as text and type it again, or pass --accept-conversions to take what the "
         "spreadsheet shows";
}

std::string typedCellDetail(std::string_view typedCell) {
  return " (read from " + std::string(typedCell) + ")";
}

std::string changedSourceProblem(std::u16string_view source, std::u16string_view current) {
  return "its source " + quote(toUtf8(std::u16string(source))) + " is not the image's text " +
         quote(toUtf8(std::u16string(current))) +
         ": the file was made from another revision of the image; translate the new text, or pass "
         "--accept-changed-sources to write this translation over it";
}

}  // namespace thornvale::exchange
