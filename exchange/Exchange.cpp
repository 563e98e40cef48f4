#include "exchange/Exchange.h"

#include <algorithm>

#include "codec/Format.h"
#include "codec/Utf.h"
#include "exchange/Delimited.h"

namespace thornvale::exchange {
namespace {

bool isAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool allOf(std::string_view s, bool (*pred)(char)) { return std::all_of(s.begin(), s.end(), pred); }
bool isAlnum(char c) { return isAlpha(c) || isDigit(c); }

}  // namespace

std::size_t firstInvalidUtf8Line(std::string_view bytes) {
  if (isUtf8(bytes)) return 0;
  return firstInvalidByte(bytes).first;
}

std::optional<Problem> utf8OnlyProblem(std::string_view bytes) {
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF"))
    return Problem{1, "", "the file is UTF-16; only UTF-8 is read: save it as UTF-8", {}};
  if (bytes.find('\0') != std::string_view::npos) {
    return Problem{1, "",
                   "the file holds NUL bytes: it looks like UTF-16 without a byte-order mark; only UTF-8 is read: "
                   "save it as UTF-8",
                   {}};
  }
  if (const std::size_t line = firstInvalidUtf8Line(bytes))
    return Problem{line, "", "not valid UTF-8; nothing of the file was read", {}};
  return std::nullopt;
}

ReadResult readUnits(std::string_view bytes, Format format) {
  // An empty file is no format; the dump's reader, the oldest, says so best.
  std::string_view rest = bytes;
  if (rest.starts_with("\xEF\xBB\xBF")) rest.remove_prefix(3);
  if (!format && rest.find_first_not_of(" \t\r\n") == std::string_view::npos) format = formatNamed("tsv");
  if (!format) {
    // Told by the text, whatever its encoding; an encoding we cannot read is the one problem.
    Problem problem;
    const std::optional<std::string> text = textOfFile(bytes, problem);
    format = recogniseFormat(bytes, text ? &*text : nullptr);
    if (!format) {
      ReadResult result;
      result.problems.push_back(
          text ? Problem{1, "",
                         "this is neither a dump (TSV or JSON), nor a sheet with a position column, nor a "
                         "workbook, nor XLIFF, nor PO; name the format with --format if it is one",
                         {}}
               : std::move(problem));
      return result;
    }
  }
  return format->read(bytes);
}

std::optional<std::string> languageTagProblem(std::string_view tag) {
  const std::string bad =
      "the language " + quote(tag) + " is not a BCP 47 tag (such as fr, pt-BR or sr-Latn)";
  if (tag.empty() || tag.size() > 64) return bad;
  std::vector<std::string_view> parts;
  for (std::size_t start = 0;;) {
    const std::size_t dash = tag.find('-', start);
    parts.push_back(
        tag.substr(start, dash == std::string_view::npos ? std::string_view::npos : dash - start));
    if (dash == std::string_view::npos) break;
    start = dash + 1;
  }
  for (std::string_view p : parts) {
    if (p.empty() || p.size() > 8 || !allOf(p, isAlnum)) return bad;
  }
  std::size_t i = 0;
  const auto privateUse = [&]() {  // "x" and at least one subtag of 1-8
    return i + 1 < parts.size() && (parts[i] == "x" || parts[i] == "X");
  };
  if (privateUse()) return std::nullopt;
  // language: 2-3 letters with up to three extlangs, or 4-8 letters
  if (!allOf(parts[0], isAlpha) || parts[0].size() < 2) return bad;
  ++i;
  if (parts[0].size() <= 3) {
    for (int ext = 0; ext < 3 && i < parts.size() && parts[i].size() == 3 && allOf(parts[i], isAlpha); ++ext)
      ++i;
  }
  if (i < parts.size() && parts[i].size() == 4 && allOf(parts[i], isAlpha)) ++i;  // script
  if (i < parts.size() && ((parts[i].size() == 2 && allOf(parts[i], isAlpha)) ||
                           (parts[i].size() == 3 && allOf(parts[i], isDigit)))) {
    ++i;  // region
  }
  while (i < parts.size() && (parts[i].size() >= 5 || (parts[i].size() == 4 && isDigit(parts[i][0])))) {
    ++i;  // variants
  }
  while (i < parts.size() && parts[i].size() == 1 && !privateUse()) {  // extensions
    if (parts[i] == "x" || parts[i] == "X") return bad;
    ++i;
    if (i >= parts.size() || parts[i].size() < 2) return bad;
    while (i < parts.size() && parts[i].size() >= 2) ++i;
  }
  if (i < parts.size() && privateUse()) return std::nullopt;
  return i == parts.size() ? std::nullopt : std::optional<std::string>(bad);
}

std::vector<TextRow> exportRows(std::span<const TextRow> sources, std::span<const TextRow> translated) {
  std::vector<TextRow> texts;
  for (std::size_t i = 0; i < sources.size(); ++i) {
    TextRow text{sources[i].entry, sources[i].source, std::nullopt};
    if (i < translated.size()) {
      const auto saved = [&](const std::u16string& s) {
        return s.substr(0, static_cast<std::size_t>(text.entry->saveLength));
      };
      if (saved(translated[i].source) != saved(sources[i].source)) text.target = saved(translated[i].source);
    }
    texts.push_back(std::move(text));
  }
  return texts;
}

}  // namespace thornvale::exchange
