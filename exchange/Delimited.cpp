#include "exchange/Delimited.h"

#include <algorithm>
#include <map>
#include <span>

#include "codec/Format.h"
#include "codec/Utf.h"
#include "exchange/Formats.h"
#include "exchange/Judge.h"
#include "exchange/Limits.h"

namespace thornvale::exchange {

extern const FormatRecord kDelimitedFormat;
namespace {

constexpr std::string_view kSaveAsUtf8 =
    "save it as UTF-8 (in a spreadsheet: Save As, text CSV, character set \"Unicode (UTF-8)\"; in an editor: "
    "encoding UTF-8)";

std::string asciiLower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  return lower;
}

std::string_view trimmed(std::string_view text) {
  const std::size_t start = text.find_first_not_of(" \t");
  if (start == std::string_view::npos) return {};
  return text.substr(start, text.find_last_not_of(" \t") - start + 1);
}

std::optional<std::string> fromUtf16(std::string_view bytes, bool bigEndian) {
  if (bytes.size() % 2 != 0) return std::nullopt;
  std::u16string text;
  text.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    const auto hi = static_cast<unsigned char>(bytes[bigEndian ? i : i + 1]);
    const auto lo = static_cast<unsigned char>(bytes[bigEndian ? i + 1 : i]);
    text.push_back(static_cast<char16_t>(hi << 8 | lo));
  }
  std::string utf8 = toUtf8(text);
  // Unpaired surrogates do not come back the same: the file was not UTF-16.
  if (fromUtf8(utf8) != text) return std::nullopt;
  return utf8;
}

// The line (1-based) and the byte of the first byte that begins no UTF-8 sequence.
}  // namespace

std::pair<std::size_t, unsigned char> firstInvalidByte(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    const std::size_t length = c < 0x80                 ? 1
                               : c >= 0xC2 && c <= 0xDF ? 2
                               : c >= 0xE0 && c <= 0xEF ? 3
                               : c >= 0xF0 && c <= 0xF4 ? 4
                                                        : 0;
    if (length == 0 || i + length > bytes.size() || !fromUtf8(bytes.substr(i, length))) break;
    i += length;
  }
  const std::size_t line =
      1 + static_cast<std::size_t>(std::count(
              bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(std::min(i, bytes.size())), '\n'));
  return {line, i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0};
}

std::optional<std::string> textOfFile(std::string_view bytes, Problem& problem) {
  // The container of Excel 97-2003, of encrypted workbooks and of other old Office files: no text,
  // whatever its NUL bytes say.
  if (bytes.starts_with(std::string_view("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8))) {
    problem = {
        1, "",
        "this is an Excel 97-2003 workbook (.xls), a workbook saved with a password, or another old Office "
        "file, which is not read: save it as .xlsx (Excel 2007-365) without a password, or as CSV in UTF-8"};
    return std::nullopt;
  }
  if (bytes.starts_with("\x1F\x8B")) {
    problem = {1, "",
               "this is a compressed (gzip) file, such as Gnumeric's own .gnumeric, which is not read: save it as "
               ".xlsx (Excel 2007-365) or as CSV in UTF-8"};
    return std::nullopt;
  }
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  const bool le = bytes.starts_with("\xFF\xFE");
  if (le || bytes.starts_with("\xFE\xFF")) {
    std::optional<std::string> text = fromUtf16(bytes.substr(2), !le);
    if (!text)
      problem = {1, "",
                 "the file begins as UTF-16 but its bytes are not UTF-16; " + std::string(kSaveAsUtf8)};
    return text;
  }
  if (bytes.find('\0') != std::string_view::npos) {
    problem = {1, "",
               "the file holds NUL bytes: it looks like UTF-16 without a byte-order mark; " +
                   std::string(kSaveAsUtf8)};
    return std::nullopt;
  }
  if (fromUtf8(bytes)) return std::string(bytes);
  const auto [line, byte] = firstInvalidByte(bytes);
  problem = {line, "",
             "the byte " + formatHex0x(byte, 2) +
                 " is not valid UTF-8: the file is in a legacy 8-bit encoding (such as Windows-1252 or "
                 "ISO-8859-1), and nothing of it was read; " +
                 std::string(kSaveAsUtf8)};
  return std::nullopt;
}

}  // namespace thornvale::exchange

namespace thornvale::exchange {
namespace {

bool blank(const TableRow& row) {
  return std::all_of(row.fields.begin(), row.fields.end(),
                     [](const std::string& f) { return trimmed(f).empty(); });
}

// RFC 4180 records: a field that begins with a double quote runs to the next lone one, and holds
// delimiters, line breaks and doubled quotes; LF, CRLF and CR all end a record.
class RecordReader {
 public:
  RecordReader(std::string_view text, char delimiter) : text_(text), delimiter_(delimiter) {}

  bool next(TableRow& record) {
    if (at_ >= text_.size()) return false;
    record = {line_, {std::string()}, {}};
    bool quoted = false;
    bool started = false;
    const std::size_t opened = line_;
    while (at_ < text_.size()) {
      const char c = text_[at_++];
      if (quoted) {
        quotedCharacter(c, record, quoted);
      } else if (c == delimiter_) {
        record.fields.emplace_back();
        started = false;
        continue;
      } else if (c == '\r' || c == '\n') {
        endOfLine(c);
        return true;
      } else if (c == '"' && !started) {
        quoted = true;
      } else {
        record.fields.back() += c;
      }
      started = true;
    }
    if (quoted && !problem) {
      problem = Problem{opened, "",
                        "a quoted field that begins on line " + std::to_string(opened) +
                            " is never closed: a double quote is missing"};
    }
    return true;
  }

  std::optional<Problem> problem;

 private:
  void endOfLine(char c) {
    if (c == '\r' && at_ < text_.size() && text_[at_] == '\n') ++at_;
    ++line_;
  }

  void quotedCharacter(char c, TableRow& record, bool& quoted) {
    if (c == '"') {
      if (at_ < text_.size() && text_[at_] == '"') {
        record.fields.back() += '"';
        ++at_;
      } else {
        quoted = false;
      }
      return;
    }
    if (c == '\n' || (c == '\r' && (at_ >= text_.size() || text_[at_] != '\n'))) ++line_;
    record.fields.back() += c;
  }

  std::string_view text_;
  char delimiter_;
  std::size_t at_ = 0;
  std::size_t line_ = 1;
};

}  // namespace

std::string headerName(std::string_view field) {
  std::string_view name = trimmed(field);
  if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
  return asciiLower(trimmed(name));
}

bool knownHeader(std::string_view cell) {
  const std::string name = headerName(cell);
  for (std::string_view known : {kPositionHeader, std::string_view("offset"), std::string_view("length"),
                                 std::string_view("save_length"), std::string_view("table"), kTextHeader,
                                 kSourceHeader, kTranslationHeader}) {
    if (name == known) return true;
  }
  return false;
}

namespace {

// The delimiter that makes a "position" column of the first line; nullopt for none.
std::optional<char> headerDelimiter(std::string_view line) {
  for (const char delimiter : {'\t', ',', ';'}) {
    for (std::size_t start = 0;;) {
      const std::size_t end = line.find(delimiter, start);
      if (headerName(line.substr(start, end == std::string_view::npos ? end : end - start)) ==
          kPositionHeader)
        return delimiter;
      if (end == std::string_view::npos) break;
      start = end + 1;
    }
  }
  return std::nullopt;
}

std::string headerProblem(std::string_view line) {
  const std::string lower = asciiLower(line);
  if (lower.find("position") != std::string::npos && lower.find(' ') != std::string::npos) {
    return "the header's columns are separated by spaces: an editor turned the tabs into spaces, and "
           "the columns cannot be told apart; keep tabs (or save from the spreadsheet again)";
  }
  return "the first line must be a header naming the columns, separated by tabs, commas or semicolons: "
         "the dump's position, offset, length, save_length, table and text, or position, text and "
         "translation";
}

// Where each known column stands.
struct Columns {
  std::map<std::string, std::size_t> at;

  [[nodiscard]] std::optional<std::size_t> find(std::string_view name) const {
    const auto it = at.find(std::string(name));
    return it == at.end() ? std::nullopt : std::optional<std::size_t>(it->second);
  }
};

class TableReader {
 public:
  explicit TableReader(Format format) { result_.format = format; }

  ReadResult read(std::span<const TableRow> rows) {
    auto row = std::find_if_not(rows.begin(), rows.end(), blank);
    if (row == rows.end()) {
      result_.problems.push_back({1, "", "the sheet is empty: it needs a header row and a row per text"});
      return std::move(result_);
    }
    readHeader(*row);
    if (!result_.ok()) return std::move(result_);
    for (++row; row != rows.end(); ++row) {
      if (!blank(*row)) readRow(*row);
    }
    UnitResolver::finish(result_);
    return std::move(result_);
  }

 private:
  void readHeader(const TableRow& header) {
    for (std::size_t i = 0; i < header.fields.size(); ++i)
      columns_.at.emplace(headerName(header.fields[i]), i);
    const std::optional<std::size_t> position = columns_.find(kPositionHeader);
    if (!position) {
      result_.problems.push_back(
          {header.line, "",
           result_.format == formatNamed("xlsx")
               ? "the first sheet's first row must be a header naming the columns: position and translation "
                 "(as the workbook export writes them), or position and text; only the first sheet is read"
               : headerProblem(header.fields.empty() ? "" : header.fields[0])});
      return;
    }
    position_ = *position;
    translation_ = columns_.find(kTranslationHeader);
    source_ = columns_.find(kTextHeader);
    if (!source_) source_ = columns_.find(kSourceHeader);
    if (!source_ && !translation_) {
      result_.problems.push_back({header.line, "",
                                  "the header names no text column: it needs \"text\" (the dump's) or "
                                  "\"translation\""});
    }
  }

  std::optional<std::string> cell(const TableRow& record, std::string_view name) const {
    const std::optional<std::size_t> column = columns_.find(name);
    if (!column || *column >= record.fields.size() || trimmed(record.fields[*column]).empty())
      return std::nullopt;
    return std::string(trimmed(record.fields[*column]));
  }

  void readRow(const TableRow& record) {
    Unit unit;
    unit.line = unit.targetLine = record.line;
    unit.id = std::string(trimmed(record.fields.size() > position_ ? record.fields[position_] : ""));
    // pandas writes a column that held a blank as floats ("7.0"): a zero fraction is the same place.
    const std::size_t point = unit.id.find('.');
    if (point != std::string::npos && point + 1 < unit.id.size() && parsePosition(unit.id.substr(0, point)) &&
        unit.id.find_first_not_of("0123456789", point + 1) == std::string::npos) {
      if (unit.id.find_first_not_of('0', point + 1) != std::string::npos) {
        result_.problems.push_back(
            {record.line, "", "position " + quote(unit.id) + " is not a whole number, so it names no text", {}});
        return;
      }
      unit.id.resize(point);
    }
    unit.place = {cell(record, "offset"), cell(record, "length"), cell(record, "save_length"),
                  cell(record, "table"), record.line};
    if (const std::optional<std::string> problem = texts(record, unit)) {
      result_.problems.push_back({record.line, "position " + unit.id, *problem, {}});
      return;
    }
    resolver_.add(std::move(unit), result_);
  }

  // The target (and, beside a translation, the source) of a row.
  std::optional<std::string> texts(const TableRow& record, Unit& unit) const {
    const std::size_t column = translation_ ? *translation_ : *source_;
    if (column >= record.fields.size() && !translation_) {
      return "the row has " + std::to_string(record.fields.size()) + " columns; its text would be column " +
             std::to_string(column + 1);
    }
    if (column < record.notes.size() && record.notes[column]) {
      if (record.notes[column]->unreadable) return record.notes[column]->description;
      unit.typedCell = record.notes[column]->description;
    }
    unit.target = fromUtf8(column < record.fields.size() ? record.fields[column] : std::string());
    // A translation row is one whatever its source cell holds: an empty translation is no text.
    if (translation_)
      unit.source = source_ && *source_ < record.fields.size() ? fromUtf8(record.fields[*source_])
                                                               : std::optional<std::u16string>(u"");
    return std::nullopt;
  }

  ReadResult result_;
  UnitResolver resolver_{Naming::Position};
  Columns columns_;
  std::size_t position_ = 0;
  std::optional<std::size_t> translation_;
  std::optional<std::size_t> source_;
};

}  // namespace

ReadResult readTable(std::span<const TableRow> rows, Format format) { return TableReader(format).read(rows); }

ReadResult readDelimited(std::string_view bytes) {
  ReadResult result;
  result.format = &kDelimitedFormat;
  Problem problem;
  const std::optional<std::string> text = textOfFile(bytes, problem);
  if (!text) {
    result.problems.push_back(std::move(problem));
    return result;
  }
  std::size_t line = 1;
  std::string_view rest = *text;
  // The header is the first line that is not blank.
  for (;;) {
    const std::size_t end = rest.find_first_of("\r\n");
    const std::string_view first = rest.substr(0, end);
    if (!trimmed(first).empty() || end == std::string_view::npos) {
      const std::optional<char> delimiter = headerDelimiter(first);
      if (!delimiter) {
        result.problems.push_back({line, "", headerProblem(first)});
        return result;
      }
      RecordReader records(*text, *delimiter);
      std::vector<TableRow> rows;
      for (TableRow row; records.next(row);) rows.push_back(std::move(row));
      result = readTable(rows, &kDelimitedFormat);
      if (records.problem) result.problems.push_back(*records.problem);
      return result;
    }
    rest.remove_prefix(end + (rest.substr(end).starts_with("\r\n") ? 2 : 1));
    ++line;
  }
}

}  // namespace thornvale::exchange


namespace thornvale::exchange {
namespace {

// A header line with a position column, in any case and between any delimiters: a sheet of ours.
bool recogniseSheet(const Sniff& sniff) {
  const std::string_view start = sniff.start();
  const std::string first = asciiLower(start.substr(0, std::min<std::size_t>(start.find_first_of("\r\n"), 4096)));
  return first.find(kPositionHeader) != std::string::npos;
}

constexpr std::string_view kDelimitedNames[] = {"csv"};
constexpr std::string_view kDelimitedExtensions[] = {".csv", ".txt"};

}  // namespace

extern const FormatRecord kDelimitedFormat{
    .name = "delimited text",
    .names = kDelimitedNames,
    .extensions = kDelimitedExtensions,
    .description = "a sheet saved as CSV or TSV",
    .recognise = recogniseSheet,
    .read = readDelimited,
};

}  // namespace thornvale::exchange
