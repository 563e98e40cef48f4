#include "exchange/CellFormat.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

namespace thornvale::exchange {
namespace {

struct BuiltIn {
  int id;
  std::string_view code;
};

// ECMA-376's built-in formats, as an en-US spreadsheet shows them; the ids of other locales'
// dates (27-36, 50-58) are left to General.
constexpr std::array<BuiltIn, 27> kBuiltIn{{
    {1, "0"},
    {2, "0.00"},
    {3, "#,##0"},
    {4, "#,##0.00"},
    {9, "0%"},
    {10, "0.00%"},
    {11, "0.00E+00"},
    {12, "# ?/?"},
    {13, "# ?\?/?\?"},
    {14, "m/d/yyyy"},
    {15, "d-mmm-yy"},
    {16, "d-mmm"},
    {17, "mmm-yy"},
    {18, "h:mm AM/PM"},
    {19, "h:mm:ss AM/PM"},
    {20, "h:mm"},
    {21, "h:mm:ss"},
    {22, "m/d/yyyy h:mm"},
    {37, "#,##0 ;(#,##0)"},
    {38, "#,##0 ;[Red](#,##0)"},
    {39, "#,##0.00;(#,##0.00)"},
    {40, "#,##0.00;[Red](#,##0.00)"},
    {45, "mm:ss"},
    {46, "[h]:mm:ss"},
    {47, "mmss.0"},
    {48, "##0.0E+0"},
    {49, "@"},
}};

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (lower(text[i]) != lower(prefix[i])) return false;
  return true;
}

// The sections of a code, split at the semicolons outside quotes and brackets.
std::vector<std::string_view> sections(std::string_view code) {
  std::vector<std::string_view> out;
  std::size_t start = 0;
  bool quoted = false;
  bool bracket = false;
  for (std::size_t i = 0; i < code.size(); ++i) {
    const char c = code[i];
    if (c == '\\' && !quoted) {
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (!quoted && c == '[') {
      bracket = true;
    } else if (!quoted && c == ']') {
      bracket = false;
    } else if (!quoted && !bracket && c == ';') {
      out.push_back(code.substr(start, i - start));
      start = i + 1;
    }
  }
  out.push_back(code.substr(start));
  return out;
}

// One piece of a section: text shown as it is, a date or time field ("yyyy", "mm", "ampm"), the
// number's mask ("#,##0.00"), or the General format.
struct Piece {
  enum class Kind { Literal, Date, Number, General } kind;
  std::string text;
};

bool isDateLetter(char c) {
  const char l = lower(c);
  return l == 'y' || l == 'm' || l == 'd' || l == 'h' || l == 's';
}

bool isPlaceholder(char c) { return c == '0' || c == '#' || c == '?'; }

std::vector<Piece> pieces(std::string_view section, bool& percent, bool& fraction) {
  std::vector<Piece> out;
  const auto literal = [&out](std::string_view text) {
    if (!out.empty() && out.back().kind == Piece::Kind::Literal) {
      out.back().text += text;
    } else {
      out.push_back({Piece::Kind::Literal, std::string(text)});
    }
  };
  std::optional<std::size_t> number;  // where the number's mask is
  for (std::size_t i = 0; i < section.size(); ++i) {
    const char c = section[i];
    const std::string_view rest = section.substr(i);
    if (c == '"') {
      const std::size_t end = section.find('"', i + 1);
      literal(section.substr(i + 1, end == std::string_view::npos ? std::string_view::npos : end - i - 1));
      i = end == std::string_view::npos ? section.size() : end;
    } else if (c == '\\' || c == '_' || c == '*') {
      if (i + 1 < section.size()) literal(c == '\\' ? section.substr(i + 1, 1) : (c == '_' ? " " : ""));
      ++i;
    } else if (c == '[') {
      const std::size_t end = section.find(']', i);
      const std::string_view inside =
          section.substr(i + 1, end == std::string_view::npos ? std::string_view::npos : end - i - 1);
      if (inside.starts_with('$')) {
        literal(inside.substr(
            1, inside.find('-') == std::string_view::npos ? std::string_view::npos : inside.find('-') - 1));
      } else if (!inside.empty() && std::all_of(inside.begin(), inside.end(), isDateLetter)) {
        out.push_back({Piece::Kind::Date, std::string(1, lower(inside[0])) +
                                              (inside.size() > 1 ? std::string(1, lower(inside[0])) : "")});
      }
      i = end == std::string_view::npos ? section.size() : end;
    } else if (startsWithNoCase(rest, "general")) {
      out.push_back({Piece::Kind::General, ""});
      i += 6;
    } else if (c == '@') {
      out.push_back({Piece::Kind::General, ""});
    } else if (startsWithNoCase(rest, "am/pm") || startsWithNoCase(rest, "a/p")) {
      out.push_back({Piece::Kind::Date, "ampm"});
      i += startsWithNoCase(rest, "am/pm") ? 4 : 2;
    } else if (isDateLetter(c)) {
      std::size_t end = i;
      while (end < section.size() && lower(section[end]) == lower(c)) ++end;
      out.push_back({Piece::Kind::Date, std::string(end - i, lower(c))});
      i = end - 1;
    } else if (isPlaceholder(c) || (number && (c == '.' || c == ',')) ||
               (c == '.' && i + 1 < section.size() && isPlaceholder(section[i + 1]))) {
      if (!number) {
        number = out.size();
        out.push_back({Piece::Kind::Number, ""});
      }
      out[*number].text += c;
    } else if ((c == 'E' || c == 'e') && number && i + 1 < section.size() &&
               (section[i + 1] == '+' || section[i + 1] == '-')) {
      out[*number].text += 'E';
      out[*number].text += section[++i];
    } else if (c == '/' && number) {
      fraction = true;  // "# ?/?": shown as General
    } else {
      if (c == '%') percent = true;
      literal(section.substr(i, 1));
    }
  }
  return out;
}

std::string general(double value) {
  if (value == 0) return "0";
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.10G", value);
  std::string text = buffer;
  const std::size_t e = text.find('E');
  if (e == std::string::npos) return text;
  std::string mantissa = text.substr(0, e);
  if (mantissa.find('.') != std::string::npos) {
    mantissa.erase(mantissa.find_last_not_of('0') + 1);
    if (mantissa.back() == '.') mantissa.pop_back();
  }
  std::string digits = text.substr(e + 2);
  digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));
  if (digits.size() < 2) digits.insert(0, "0");
  return mantissa + "E" + text[e + 1] + digits;
}

std::string grouped(const std::string& digits) {
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

// The value through a mask such as "#,##0.00", "0%" (already scaled) or "0.00E+00".
std::string masked(double value, const std::string& mask) {
  const std::size_t exponent = mask.find('E');
  const std::string numberPart = mask.substr(0, exponent);
  const std::size_t point = numberPart.find('.');
  std::string integerMask = numberPart.substr(0, point);
  const std::string fractionMask = point == std::string::npos ? "" : numberPart.substr(point + 1);
  // Commas after the last placeholder scale by a thousand each; others group the digits.
  while (!integerMask.empty() && integerMask.back() == ',') {
    integerMask.pop_back();
    value /= 1000;
  }
  const bool grouping = integerMask.find(',') != std::string::npos;
  const auto count = [](const std::string& s, auto pred) {
    return static_cast<int>(std::count_if(s.begin(), s.end(), pred));
  };
  const int minInteger = count(integerMask, [](char c) { return c == '0'; });
  const int maxDecimals = count(fractionMask, isPlaceholder);
  const int minDecimals = count(fractionMask, [](char c) { return c == '0'; });
  std::string suffix;
  if (exponent != std::string::npos) {
    const int integerPlaces = std::max(1, count(integerMask, isPlaceholder));
    int power = value == 0 ? 0 : static_cast<int>(std::floor(std::log10(value)));
    if (integerPlaces > 1 && integerMask.find('#') != std::string::npos)
      power = static_cast<int>(std::floor(static_cast<double>(power) / integerPlaces)) * integerPlaces;
    value /= std::pow(10.0, power);
    const std::string exponentMask = mask.substr(exponent + 2);
    std::string digits = std::to_string(std::abs(power));
    const int minDigits = count(exponentMask, [](char c) { return c == '0'; });
    if (static_cast<int>(digits.size()) < minDigits) digits.insert(0, minDigits - digits.size(), '0');
    suffix = std::string("E") + (power < 0 ? "-" : (mask[exponent + 1] == '+' ? "+" : "")) + digits;
  }
  char buffer[400];
  std::snprintf(buffer, sizeof buffer, "%.*f", std::min(maxDecimals, 30), value);
  std::string text = buffer;
  const std::size_t dot = text.find('.');
  std::string integer = text.substr(0, dot);
  std::string fraction = dot == std::string::npos ? "" : text.substr(dot + 1);
  while (static_cast<int>(fraction.size()) > minDecimals && fraction.back() == '0') fraction.pop_back();
  if (integer == "0" && minInteger == 0) integer.clear();
  if (static_cast<int>(integer.size()) < minInteger) integer.insert(0, minInteger - integer.size(), '0');
  if (grouping) integer = grouped(integer);
  return integer + (point == std::string::npos ? "" : "." + fraction) + suffix;
}

struct Civil {
  long long year;
  unsigned month, day;
};

// Days since 1970-01-01 to a date of the proleptic Gregorian calendar.
Civil civil(long long days) {
  days += 719468;
  const long long era = (days >= 0 ? days : days - 146096) / 146097;
  const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
  const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned mp = (5 * dayOfYear + 2) / 153;
  const unsigned day = dayOfYear - (153 * mp + 2) / 5 + 1;
  const unsigned month = mp < 10 ? mp + 3 : mp - 9;
  return {static_cast<long long>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

constexpr std::array<std::string_view, 12> kMonths{"January",   "February", "March",    "April",
                                                   "May",       "June",     "July",     "August",
                                                   "September", "October",  "November", "December"};
constexpr std::array<std::string_view, 7> kDays{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                "Thursday", "Friday", "Saturday"};

std::string twoDigits(long long n) { return (n < 10 ? "0" : "") + std::to_string(n); }

std::string dated(double value, const std::vector<Piece>& parts, bool date1904) {
  if (value < 0 || value > 2958465) return general(value);  // before 1900 or after 9999
  long long serial = static_cast<long long>(std::floor(value));
  long long seconds = std::llround((value - static_cast<double>(serial)) * 86400);
  if (seconds >= 86400) {
    ++serial;
    seconds -= 86400;
  }
  // Day 0 of 1900's system is 1899-12-31 up to its day 60, the 29 February 1900 that never was.
  const long long epoch = date1904 ? -24107 : (serial < 61 ? -25568 : -25569);
  const Civil date = civil(serial + epoch);
  const long long weekday = ((serial + epoch) % 7 + 7 + 4) % 7;
  const bool twelve =
      std::any_of(parts.begin(), parts.end(), [](const Piece& p) { return p.text == "ampm"; });
  const long long hours = seconds / 3600;
  std::string out;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const Piece& p = parts[i];
    if (p.kind != Piece::Kind::Date) {
      out += p.kind == Piece::Kind::Literal ? p.text : general(value);
      continue;
    }
    const std::string& t = p.text;
    const auto neighbour = [&](int step, char letter) {
      for (auto k = static_cast<long long>(i) + step; k >= 0 && k < static_cast<long long>(parts.size());
           k += step) {
        if (parts[static_cast<std::size_t>(k)].kind == Piece::Kind::Date)
          return parts[static_cast<std::size_t>(k)].text[0] == letter;
      }
      return false;
    };
    if (t == "ampm") {
      out += hours < 12 ? "AM" : "PM";
    } else if (t[0] == 'y') {
      out += t.size() <= 2 ? twoDigits(date.year % 100) : std::to_string(date.year);
    } else if (t[0] == 'm' && t.size() <= 2 && (neighbour(-1, 'h') || neighbour(1, 's'))) {
      const long long minutes = seconds / 60 % 60;
      out += t.size() == 2 ? twoDigits(minutes) : std::to_string(minutes);
    } else if (t[0] == 'm') {
      const std::string_view name = kMonths[date.month - 1];
      out += t.size() == 1   ? std::to_string(date.month)
             : t.size() == 2 ? twoDigits(date.month)
             : t.size() == 3 ? std::string(name.substr(0, 3))
             : t.size() == 4 ? std::string(name)
                             : std::string(name.substr(0, 1));
    } else if (t[0] == 'd') {
      const std::string_view name = kDays[static_cast<std::size_t>(weekday)];
      out += t.size() == 1   ? std::to_string(date.day)
             : t.size() == 2 ? twoDigits(date.day)
             : t.size() == 3 ? std::string(name.substr(0, 3))
                             : std::string(name);
    } else if (t[0] == 'h') {
      const long long shown = twelve ? (hours % 12 == 0 ? 12 : hours % 12) : hours;
      out += t.size() == 2 ? twoDigits(shown) : std::to_string(shown);
    } else if (t[0] == 's') {
      out += t.size() == 2 ? twoDigits(seconds % 60) : std::to_string(seconds % 60);
    }
  }
  return out;
}

}  // namespace

std::optional<std::string_view> builtInNumberFormat(int id) noexcept {
  for (const BuiltIn& b : kBuiltIn)
    if (b.id == id) return b.code;
  return std::nullopt;
}

bool isDateFormat(std::string_view code) {
  bool percent = false;
  bool fraction = false;
  for (const Piece& p : pieces(sections(code)[0], percent, fraction))
    if (p.kind == Piece::Kind::Date) return true;
  return false;
}

std::string formatCellValue(double value, std::string_view code, bool date1904) {
  if (!std::isfinite(value)) return "#NUM!";
  const std::vector<std::string_view> all = sections(code);
  std::string_view section = all[0];
  std::string sign;
  if (value < 0 && all.size() >= 2 && !all[1].empty()) {
    section = all[1];
    value = -value;
  } else if (value == 0 && all.size() >= 3) {
    section = all[2];
  } else if (value < 0) {
    sign = "-";
    value = -value;
  }
  bool percent = false;
  bool fraction = false;
  const std::vector<Piece> parts = pieces(section, percent, fraction);
  if (std::any_of(parts.begin(), parts.end(), [](const Piece& p) { return p.kind == Piece::Kind::Date; }))
    return sign + dated(value, parts, date1904);
  if (fraction) return sign + general(value);
  if (percent) value *= 100;
  std::string out;
  bool anyNumber = false;
  for (const Piece& p : parts) {
    if (p.kind == Piece::Kind::Literal) {
      out += p.text;
    } else {
      anyNumber = true;
      out += p.kind == Piece::Kind::Number ? masked(value, p.text) : general(value);
    }
  }
  if (!anyNumber && all.size() == 1) out += general(value);
  return sign + out;
}

}  // namespace thornvale::exchange
