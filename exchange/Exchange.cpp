#include "exchange/Exchange.h"

#include <algorithm>
#include <map>

#include "catalogue/SaveCheck.h"
#include "codec/Format.h"
#include "codec/Utf.h"
#include "exchange/Delimited.h"
#include "exchange/Limits.h"
#include "exchange/Workbook.h"

namespace thornvale::exchange {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view withoutBom(std::string_view bytes) {
  if (bytes.starts_with(kByteOrderMark)) bytes.remove_prefix(kByteOrderMark.size());
  return bytes;
}

bool isAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool allOf(std::string_view s, bool (*pred)(char)) { return std::all_of(s.begin(), s.end(), pred); }
bool isAlnum(char c) { return isAlpha(c) || isDigit(c); }

ReadResult readDump(std::string_view text) {
  ReadResult result;
  result.format = Format::Tsv;
  ParsedScript parsed = parseScript(text);
  for (ScriptRow& row : parsed.rows) {
    Unit unit;
    unit.line = unit.targetLine = row.line;
    unit.id = "position " + std::to_string(row.entry->position);
    unit.entry = row.entry;
    unit.target = std::move(row.text);
    result.units.push_back(std::move(unit));
  }
  for (LineRefusal& problem : parsed.problems) {
    result.problems.push_back({problem.line,
                               problem.position >= 0 ? "position " + std::to_string(problem.position) : "",
                               std::move(problem.refusal.message)});
  }
  return result;
}

bool startsWithDumpHeader(std::string_view text) {
  return text.starts_with(kScriptHeader) &&
         (text.size() == kScriptHeader.size() || text[kScriptHeader.size()] == '\n' ||
          text[kScriptHeader.size()] == '\r');
}

// A valid dump reads as it always has, its texts taken literally; anything else a spreadsheet or
// an editor made of one (quotes, notes in more columns, other delimiters) reads as delimited text.
// The dump's own messages stand for a file that begins with its header.
// Rows without a single tab are an editor's doing, said once at the first of them, not per row.
void collapseTabless(std::vector<Problem>& problems) {
  const auto tabless = [](const Problem& p) { return p.message.ends_with("tab-separated columns, found 1"); };
  const auto count = static_cast<std::size_t>(std::count_if(problems.begin(), problems.end(), tabless));
  if (count < 2) return;
  const auto first = std::find_if(problems.begin(), problems.end(), tabless);
  first->message = std::to_string(count) +
                   " rows, from this one on, hold no tab: were the tabs turned into spaces by an editor? "
                   "Keep the tabs between the columns";
  problems.erase(std::remove_if(std::next(first), problems.end(), tabless), problems.end());
}

ReadResult readTsv(std::string_view bytes) {
  Problem problem;
  const std::optional<std::string> text = decodeText(bytes, problem);
  if (!text) {
    ReadResult result;
    result.problems.push_back(std::move(problem));
    return result;
  }
  ReadResult dump = readDump(*text);
  if (dump.ok()) return dump;
  ReadResult delimited = readDelimited(*text);
  const bool blank = text->find_first_not_of(" \t\r\n") == std::string::npos;
  if (delimited.ok() || !(blank || startsWithDumpHeader(*text))) return delimited;
  collapseTabless(dump.problems);
  return dump;
}

// Ids to entries, each once; places compared with ours.
void resolve(ReadResult& result) {
  std::map<const CatalogueEntry*, std::size_t> seen;
  std::vector<Unit> kept;
  for (Unit& unit : result.units) {
    unit.entry = entryForId(unit.id);
    if (unit.entry == nullptr) {
      result.problems.push_back({unit.line, unit.id,
                                 "there is no text with this id; ids run from text-00 to text-69, one per "
                                 "text of the game"});
      continue;
    }
    const auto [where, fresh] = seen.emplace(unit.entry, unit.line);
    if (!fresh) {
      result.problems.push_back(
          {unit.line, unit.id, "the id appears again (first on line " + std::to_string(where->second) + ")"});
      continue;
    }
    if (std::optional<std::string> mismatch = placeMismatch(*unit.entry, unit.place)) {
      result.problems.push_back(
          {unit.place.line ? unit.place.line : unit.line, unit.id, std::move(*mismatch)});
      continue;
    }
    kept.push_back(std::move(unit));
  }
  result.units = std::move(kept);
  std::stable_sort(result.problems.begin(), result.problems.end(),
                   [](const Problem& a, const Problem& b) { return a.line < b.line; });
}

}  // namespace

std::optional<Format> detectFormat(std::string_view bytes) {
  bytes = withoutBom(bytes);
  const std::size_t start = bytes.find_first_not_of(" \t\r\n");
  if (start == std::string_view::npos) return std::nullopt;
  bytes.remove_prefix(start);
  if (bytes.starts_with('<')) return Format::Xliff;
  if (bytes.starts_with("position\t")) return Format::Tsv;
  if (bytes.starts_with('[')) return Format::Json;
  if (bytes.starts_with('#') || bytes.starts_with("msgid") || bytes.starts_with("msgctxt")) return Format::Po;
  // A header with a position column, in any case and between any delimiters: a sheet of ours.
  std::string first(bytes.substr(0, std::min<std::size_t>(bytes.find_first_of("\r\n"), 4096)));
  std::transform(first.begin(), first.end(), first.begin(),
                 [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; });
  if (first.find("position") != std::string::npos) return Format::Tsv;
  return std::nullopt;
}

std::size_t firstInvalidUtf8Line(std::string_view bytes) {
  if (fromUtf8(bytes)) return 0;
  std::size_t line = 1;
  while (!bytes.empty()) {
    const std::size_t newline = bytes.find('\n');
    if (!fromUtf8(bytes.substr(0, newline))) return line;
    if (newline == std::string_view::npos) break;
    bytes.remove_prefix(newline + 1);
    ++line;
  }
  return line;
}

ReadResult readUnits(std::string_view bytes, std::optional<Format> format) {
  // An empty file is no format; the dump's reader, the oldest, says so best.
  if (!format && withoutBom(bytes).find_first_not_of(" \t\r\n") == std::string_view::npos)
    format = Format::Tsv;
  if (!format && looksLikeZip(bytes)) format = Format::Workbook;
  if (!format) {
    // Told by the text, whatever its encoding; an encoding we cannot read is the one problem.
    Problem problem;
    const std::optional<std::string> text = decodeText(bytes, problem);
    format = detectFormat(text ? std::string_view(*text) : bytes);
    if (!format && !text) {
      ReadResult result;
      result.problems.push_back(std::move(problem));
      return result;
    }
  }
  if (!format) {
    ReadResult result;
    result.problems.push_back(
        {1, "",
         "this is neither a dump (TSV or JSON), nor a sheet with a position column, nor XLIFF, nor PO; name "
         "the format with --format if it is one"});
    return result;
  }
  if (*format == Format::Tsv) return readTsv(bytes);
  if (*format == Format::Delimited) return readDelimited(bytes);
  if (*format == Format::Json) return readJson(bytes);
  if (*format == Format::Workbook) return readWorkbook(bytes);

  ReadResult result;
  result.format = *format;
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
    result.problems.push_back({1, "", "the file is UTF-16; only UTF-8 is read: save it as UTF-8"});
    return result;
  }
  if (bytes.find('\0') != std::string_view::npos) {
    result.problems.push_back({1, "",
                               "the file holds NUL bytes: it looks like UTF-16 without a byte-order mark; only "
                               "UTF-8 is read: save it as UTF-8"});
    return result;
  }
  if (const std::size_t line = firstInvalidUtf8Line(bytes)) {
    result.problems.push_back({line, "", "not valid UTF-8; nothing of the file was read"});
    return result;
  }
  result = *format == Format::Xliff ? readXliff(bytes) : readPo(bytes);
  resolve(result);
  return result;
}

Selection selectTexts(const ReadResult& read, bool includeUnfinished) {
  Selection selection;
  for (const Unit& unit : read.units) {
    // A dump's row is always a text; a sheet's row has one where its translation is filled.
    const bool rowIsText =
        read.format == Format::Tsv || read.format == Format::Json ||
        ((read.format == Format::Delimited || read.format == Format::Workbook) && !unit.source);
    if (!rowIsText && (!unit.target || unit.target->empty())) {
      ++selection.empty;
      continue;
    }
    if (unit.unfinished) {
      ++selection.unfinished;
      if (!includeUnfinished) {
        ++selection.leftUnfinished;
        continue;
      }
    } else {
      ++selection.finished;
    }
    selection.rows.push_back({unit.targetLine, unit.entry, unit.target.value_or(u"")});
  }
  return selection;
}

std::optional<std::string> controlCharacter(std::u16string_view text) {
  for (char16_t c : text) {
    if (c < 0x20 || (c >= 0x7F && c < 0xA0)) return formatHex0x(c, 2);
  }
  return std::nullopt;
}

namespace {

// ", it differs from the image's text only by 2 trailing spaces missing", or "".
std::string spacesLost(std::u16string_view text, std::u16string_view stored) {
  const std::size_t at = text.empty() ? std::u16string_view::npos : stored.find(text);
  if (at == std::u16string_view::npos || text.size() >= stored.size()) return "";
  const std::size_t trailing = stored.size() - at - text.size();
  if (stored.substr(0, at).find_first_not_of(u' ') != std::u16string_view::npos ||
      stored.substr(at + text.size()).find_first_not_of(u' ') != std::u16string_view::npos)
    return "";
  const auto spaces = [](std::size_t n, const char* kind) {
    return std::to_string(n) + ' ' + kind + (n == 1 ? " space" : " spaces");
  };
  return "; it differs from the image's text only by " +
         (at > 0 ? spaces(at, "leading") + (trailing > 0 ? " and " : "") : std::string()) +
         (trailing > 0 ? spaces(trailing, "trailing") : std::string()) + " missing";
}

}  // namespace

std::string lengthDetail(const CatalogueEntry& entry, std::u16string_view text,
                         std::optional<std::u16string_view> stored) {
  const auto need = static_cast<std::size_t>(entry.saveLength);
  if (text.size() == need) return "";
  return " The text has " + std::to_string(text.size()) + (text.size() == 1 ? " character" : " characters") +
         ", needs " + std::to_string(need) + " (spaces count)" + (stored ? spacesLost(text, *stored) : "");
}

std::optional<std::string> textProblem(const CatalogueEntry& entry, const std::u16string& text,
                                       const std::optional<std::u16string>& stored) {
  if (stored && text == *stored) return std::nullopt;
  if (std::optional<std::string> control = controlCharacter(text)) {
    return "the text holds the control character " + *control + ", which no text can store";
  }
  if (std::optional<Refusal> refusal = checkSave(entry, text)) {
    return refusal->message +
           lengthDetail(entry, text, stored ? std::optional<std::u16string_view>(*stored) : std::nullopt);
  }
  return std::nullopt;
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

std::vector<ExportText> exportTexts(std::span<const ScriptRow> sources,
                                    std::span<const ScriptRow> translated) {
  std::vector<ExportText> texts;
  for (std::size_t i = 0; i < sources.size(); ++i) {
    ExportText text{sources[i].entry, sources[i].text, std::nullopt};
    if (i < translated.size()) {
      const auto saved = [&](const std::u16string& s) {
        return s.substr(0, static_cast<std::size_t>(text.entry->saveLength));
      };
      if (saved(translated[i].text) != saved(sources[i].text)) text.target = saved(translated[i].text);
    }
    texts.push_back(std::move(text));
  }
  return texts;
}

}  // namespace thornvale::exchange

namespace thornvale::exchange {
namespace {

bool overlap(const CatalogueEntry& a, const CatalogueEntry& b) {
  return a.offset < b.offset + b.saveLength && b.offset < a.offset + a.saveLength;
}

}  // namespace

namespace {

using UnitsByEntry = std::map<const CatalogueEntry*, const Unit*>;

// Texts that share bytes (64 and 65) must want the same characters there.
void checkSharedBytes(const std::vector<const ScriptRow*>& good, const Selection& selection,
                      UnitsByEntry& units, CheckReport& report) {
  for (const ScriptRow* a : good) {
    for (const ScriptRow& b : selection.rows) {
      if (a->entry == b.entry || !overlap(*a->entry, *b.entry) || a->entry->tableName != b.entry->tableName)
        continue;
      // Two written texts that disagree are one problem, told once.
      if (b.entry->position < a->entry->position && std::find(good.begin(), good.end(), &b) != good.end())
        continue;
      const std::int32_t from = std::max(a->entry->offset, b.entry->offset);
      const std::int32_t to =
          std::min(a->entry->offset + a->entry->saveLength, b.entry->offset + b.entry->length);
      for (std::int32_t at = from; at < to; ++at) {
        const auto ia = static_cast<std::size_t>(at - a->entry->offset);
        const auto ib = static_cast<std::size_t>(at - b.entry->offset);
        if (ia < a->text.size() && ib < b.text.size() && a->text[ia] != b.text[ib]) {
          report.problems.push_back({a->line, units[a->entry]->id,
                                     "it shares the byte at " + formatHex0x(static_cast<std::uint32_t>(at)) +
                                         " with " + units[b.entry]->id + " (line " + std::to_string(b.line) +
                                         "), and the two want different characters there"});
          ++report.refused;
          at = to;
        }
      }
    }
  }
}

// A unit's source that is not the image's text: the file was made from another revision. An empty
// source is none (a sheet without a source column).
bool sourceChanged(const Unit& unit, std::span<const ScriptRow> image) {
  return !image.empty() && unit.source && !unit.source->empty() &&
         *unit.source != image[static_cast<std::size_t>(unit.entry->position)].text;
}

// With an image: the units whose source is not the image's text, made from another revision, that
// were not refused for it.
void warnAboutSources(const ReadResult& read, std::span<const ScriptRow> image,
                      const std::vector<const Unit*>& refused, CheckReport& report) {
  for (const Unit& unit : read.units) {
    if (!unit.source || unit.source->empty() ||
        std::find(refused.begin(), refused.end(), &unit) != refused.end())
      continue;
    const std::u16string& text = image[static_cast<std::size_t>(unit.entry->position)].text;
    if (*unit.source != text) {
      report.warnings.push_back({unit.line, unit.id,
                                 "the source " + quote(toUtf8(*unit.source)) +
                                     " differs from the image's text " + quote(toUtf8(text)) +
                                     ": was the file made from another revision?"});
    }
  }
}

}  // namespace

CheckReport checkUnits(const ReadResult& read, bool includeUnfinished, std::span<const ScriptRow> image,
                       bool refuseConversions, bool acceptChangedSources) {
  CheckReport report;
  report.format = read.format;
  report.problems = read.problems;
  const Selection selection = selectTexts(read, includeUnfinished);
  report.finished = selection.finished;
  report.unfinished = selection.leftUnfinished;
  report.empty = selection.empty;

  UnitsByEntry units;
  for (const Unit& unit : read.units) units[unit.entry] = &unit;

  // What the image holds, or the best stand-in for it without one.
  const auto stored = [&](const ScriptRow& row) -> std::optional<std::u16string> {
    if (!image.empty()) return image[static_cast<std::size_t>(row.entry->position)].text;
    const Unit* unit = units[row.entry];
    if (unit->source) return unit->source;
    if (row.entry->length != row.entry->saveLength &&
        row.text.size() == static_cast<std::size_t>(row.entry->length))
      return row.text;
    return std::nullopt;
  };

  std::vector<const ScriptRow*> good;  // written rows that pass, for the shared bytes
  std::vector<const Unit*> changedRefused;
  for (const ScriptRow& row : selection.rows) {
    const Unit& unit = *units[row.entry];
    const std::optional<std::u16string> before = stored(row);
    const bool changes = !before || row.text != *before;
    // A translation of another revision's source, and a cell that held no text, are refused whatever
    // they hold, unless the user accepts them.
    std::optional<std::string> problem;
    if (changes && sourceChanged(unit, image)) {
      ++report.changedSources;
      if (!acceptChangedSources) {
        problem = changedSourceProblem(*unit.source, *before);
        changedRefused.push_back(&unit);
      }
    }
    if (!problem && refuseConversions && changes && unit.typedCell)
      problem = typedCellProblem(*unit.typedCell);
    if (!problem && refuseConversions && changes && before) problem = conversionProblem(*before, row.text);
    if (!problem) {
      problem = textProblem(*row.entry, row.text, before);
      if (problem && unit.typedCell) *problem += typedCellDetail(*unit.typedCell);
    }
    const std::string& id = unit.id;
    if (problem) {
      report.problems.push_back({row.line, id, std::move(*problem)});
      ++report.refused;
    } else if (!before || row.text != *before) {
      good.push_back(&row);
    }
  }
  checkSharedBytes(good, selection, units, report);
  if (!image.empty()) warnAboutSources(read, image, changedRefused, report);
  std::stable_sort(report.problems.begin(), report.problems.end(),
                   [](const Problem& a, const Problem& b) { return a.line < b.line; });
  // Problems of the file itself (an unknown id, a malformed part) count too.
  report.refused += read.problems.size();
  return report;
}

}  // namespace thornvale::exchange
