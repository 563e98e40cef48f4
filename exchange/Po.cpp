// gettext PO, read and written here: no C++ library for it builds for both systems. The reader
// takes what gettext's tools, polib and translate-toolkit write: strings wrapped over several
// lines, every escape of gettext, CRLF and CR, a byte-order mark, #~ obsolete entries (ignored), #|
// previous strings (ignored), flags on the #, line (fuzzy read, the rest ignored), and #. comments
// wrapped at any width.

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "codec/Format.h"
#include "codec/Utf.h"
#include "exchange/Exchange.h"
#include "exchange/Judge.h"
#include "exchange/Limits.h"

namespace thornvale::exchange {

extern const FormatRecord kPoFormat;
namespace {

std::string_view trim(std::string_view s) {
  const std::size_t start = s.find_first_not_of(" \t");
  if (start == std::string_view::npos) return {};
  const std::size_t end = s.find_last_not_of(" \t");
  return s.substr(start, end - start + 1);
}

// One "..." string of a PO line: its bytes with the escapes undone, or the problem.
// The escape after the backslash at s[i - 1], added to `out`; `i` left on its last character.
std::optional<std::string> unescape(std::string_view s, std::size_t& i, std::string& out) {
  switch (s[i]) {
    case 'n': out += '\n'; break;
    case 't': out += '\t'; break;
    case 'r': out += '\r'; break;
    case 'a': out += '\a'; break;
    case 'b': out += '\b'; break;
    case 'f': out += '\f'; break;
    case 'v': out += '\v'; break;
    case '"': out += '"'; break;
    case '\\': out += '\\'; break;
    case '\'': out += '\''; break;
    case '?': out += '?'; break;
    case 'x': {
      unsigned value = 0;
      std::size_t digits = 0;
      while (i + 1 < s.size() && std::isxdigit(static_cast<unsigned char>(s[i + 1])) && digits < 2) {
        const char d = s[++i];
        value = value * 16 + static_cast<unsigned>(d <= '9' ? d - '0' : (d | 0x20) - 'a' + 10);
        ++digits;
      }
      if (digits == 0) return "\\x without hex digits";
      out += static_cast<char>(value);
      break;
    }
    default:
      if (s[i] >= '0' && s[i] <= '7') {
        unsigned value = static_cast<unsigned>(s[i] - '0');
        for (int k = 0; k < 2 && i + 1 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '7'; ++k)
          value = value * 8 + static_cast<unsigned>(s[++i] - '0');
        if (value > 0xFF) return "an octal escape past \\377";
        out += static_cast<char>(value);
        break;
      }
      return std::string("the escape \\") + s[i] + " is not one of gettext's";
  }
  return std::nullopt;
}

std::optional<std::string> unquote(std::string_view s, std::string& out) {
  s = trim(s);
  if (s.size() < 2 || s.front() != '"') return "a string must be written in double quotes";
  std::size_t i = 1;
  for (;; ++i) {
    if (i >= s.size()) return "the string has no closing quote";
    const char c = s[i];
    if (c == '"') break;
    if (c != '\\') {
      out += c;
      continue;
    }
    if (++i >= s.size()) return "the string has no closing quote";
    if (std::optional<std::string> problem = unescape(s, i, out)) return problem;
  }
  if (!trim(s.substr(i + 1)).empty()) return "something follows the string's closing quote";
  return std::nullopt;
}

enum class Field { None, Context, Id, IdPlural, Str, StrPlural };

struct Entry {
  std::size_t line = 0;  // first line, comments included
  std::size_t contextLine = 0, idLine = 0, strLine = 0;
  std::optional<std::string> context;
  std::optional<std::string> id;
  std::optional<std::string> str;
  bool plural = false;
  bool fuzzy = false;
  RecordedPlace place;
  bool broken = false;   // a problem was reported for it
  bool pending = false;  // comments that belong to an entry to come
};

class Reader {
 public:
  ReadResult read(std::string_view text) {
    result_.format = &kPoFormat;
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    std::size_t number = 0;
    // LF, CRLF and a lone CR (old Mac editors; msgfmt takes it) all end a line.
    while (!text.empty() || number == 0) {
      ++number;
      const std::size_t end = text.find_first_of("\r\n");
      const std::string_view line = text.substr(0, end);
      const bool crlf = end != std::string_view::npos && text.substr(end).starts_with("\r\n");
      text.remove_prefix(end == std::string_view::npos ? text.size() : end + (crlf ? 2 : 1));
      readLine(line, number);
      if (text.empty()) break;
    }
    finish();
    // Nothing but a header, or nothing read at all: no file of this game's texts, and check must not
    // call it one whose every text is accepted.
    if (result_.units.empty() && result_.problems.empty()) {
      result_.problems.push_back({1, "",
                                  "the file holds no entry with a msgctxt (text-00 to text-69): it is no PO of "
                                  "this game's texts"});
    }
    // Comments of an entry and no entry after them: the file was cut short.
    if (comments_.pending) {
      result_.problems.push_back({comments_.line, "",
                                  "the file ends after the comments of an entry, without the entry: is it "
                                  "truncated?"});
    }
    return std::move(result_);
  }

 private:
  void problem(std::size_t line, std::string message) {
    result_.problems.push_back({line, entry_.context.value_or(""), std::move(message)});
    entry_.broken = true;
  }

  bool started() const { return entry_.context || entry_.id; }

  void readLine(std::string_view line, std::size_t number) {
    if (!line.starts_with("#.")) placeText_.clear();
    if (skipping_) {  // after a syntax error, up to the next blank line
      if (!trim(line).empty()) return;
      skipping_ = false;
    }
    if (trim(line).empty()) {
      finish();
      return;
    }
    if (line.starts_with("#~")) {  // obsolete: neither it nor the comments before it count
      if (started()) finish();
      comments_ = Entry{};
      return;
    }
    if (line.starts_with('#')) {
      if (field_ == Field::Str || field_ == Field::StrPlural) finish();
      if (!comments_.line) comments_.line = number;
      if (line.starts_with("#.") || line.starts_with("#:") || line.starts_with("#,") ||
          line.starts_with("#|"))
        comments_.pending = true;
      if (line.starts_with("#,")) {
        std::string_view flags = line.substr(2);
        while (!flags.empty()) {
          const std::size_t comma = flags.find(',');
          if (trim(flags.substr(0, comma)) == "fuzzy") comments_.fuzzy = true;
          flags.remove_prefix(comma == std::string_view::npos ? flags.size() : comma + 1);
        }
      }
      readExtractedComment(line, number);
      return;
    }
    if (line.front() == '"') {
      if (field_ == Field::None) return syntax(number, "a string with no keyword before it");
      if (field_ == Field::StrPlural || field_ == Field::IdPlural) return;
      std::string* into = field_ == Field::Context ? &*entry_.context
                          : field_ == Field::Id    ? &*entry_.id
                                                   : &*entry_.str;
      if (std::optional<std::string> bad = unquote(line, *into)) syntax(number, *bad);
      return;
    }
    const std::size_t space = line.find_first_of(" \t");
    const std::string_view keyword = line.substr(0, space);
    const std::string_view rest = space == std::string_view::npos ? std::string_view() : line.substr(space);
    if (keyword == "msgctxt" || (keyword == "msgid" && field_ != Field::Context)) {
      if (field_ == Field::Id || field_ == Field::IdPlural || field_ == Field::Context)
        return syntax(number, "a new entry begins before this one's msgstr");
      finish();
      entry_ = comments_;
      comments_ = Entry{};
      if (!entry_.line) entry_.line = number;
    }
    std::string value;
    if (keyword == "msgctxt") {
      field_ = Field::Context;
      entry_.contextLine = number;
      entry_.context.emplace();
      if (auto bad = unquote(rest, *entry_.context)) return syntax(number, *bad);
    } else if (keyword == "msgid") {
      field_ = Field::Id;
      entry_.idLine = number;
      entry_.id.emplace();
      if (auto bad = unquote(rest, *entry_.id)) return syntax(number, *bad);
    } else if (keyword == "msgid_plural") {
      if (field_ != Field::Id) return syntax(number, "msgid_plural must follow msgid");
      field_ = Field::IdPlural;
      entry_.plural = true;
    } else if (keyword == "msgstr") {
      if (field_ != Field::Id) return syntax(number, "msgstr must follow msgid");
      if (entry_.plural) return syntax(number, "a plural entry has msgstr[0], msgstr[1] ..., not msgstr");
      field_ = Field::Str;
      entry_.strLine = number;
      entry_.str.emplace();
      if (auto bad = unquote(rest, *entry_.str)) return syntax(number, *bad);
    } else if (keyword.starts_with("msgstr[")) {
      if (field_ != Field::IdPlural && field_ != Field::StrPlural)
        return syntax(number, "msgstr[N] must follow msgid_plural");
      field_ = Field::StrPlural;
      if (!entry_.strLine) entry_.strLine = number;
    } else {
      syntax(number, "a line that is neither a comment, a keyword (msgctxt, msgid, msgstr) nor a string");
    }
  }

  // A "#. place: ..." line, also when a tool wrapped it over several "#." lines (Babel does at its
  // width): the lines after it are joined with the space the wrapping took, and the longest join
  // that reads as a place is the place.
  void readExtractedComment(std::string_view line, std::size_t number) {
    if (!line.starts_with("#.")) return;
    const std::string_view comment = trim(line.substr(2));
    const bool complete = comments_.place.offset && comments_.place.length && comments_.place.saveLength &&
                          comments_.place.table && comments_.place.line == placeLine_;
    if (comment.starts_with("place:")) {
      placeText_ = comment;
      placeLine_ = number;
    } else if (!placeText_.empty() && !complete && placeText_.size() < 4096) {
      placeText_ += ' ';
      placeText_ += comment;
    } else {
      return;
    }
    if (std::optional<RecordedPlace> place = parsePlaceLine(placeText_)) {
      comments_.place = *place;
      comments_.place.line = placeLine_;
    }
  }

  void syntax(std::size_t number, const std::string& message) {
    problem(number, "not a valid PO file: " + message);
    entry_ = Entry{};
    comments_ = Entry{};
    field_ = Field::None;
    skipping_ = true;
  }

  void finish() {
    if (field_ == Field::Context || field_ == Field::Id) {
      problem(entry_.line, "the entry ends before its msgstr");
    }
    Entry entry = std::move(entry_);
    entry_ = Entry{};
    field_ = Field::None;
    if (!entry.id || entry.broken) return;
    if (!entry.context && entry.id->empty()) return header(entry);
    const std::size_t line = entry.contextLine ? entry.contextLine : entry.idLine;
    if (!entry.context) {
      result_.problems.push_back({line, "",
                                  "an entry without msgctxt: every text is named by its msgctxt, text-00 to "
                                  "text-69, as the export writes it"});
      return;
    }
    if (entry.plural) {
      result_.problems.push_back(
          {line, *entry.context, "a plural entry: this game's texts have no plural forms"});
      return;
    }
    Unit unit;
    unit.line = line;
    unit.targetLine = entry.strLine ? entry.strLine : line;
    unit.id = *entry.context;
    unit.place = entry.place;
    if (!fromUtf8(unit.id)) {
      result_.problems.push_back({line, "", "the msgctxt is not valid UTF-8"});
      return;
    }
    unit.source = fromUtf8(*entry.id);
    std::optional<std::u16string> target = fromUtf8(entry.str.value_or(""));
    if (!unit.source || !target) {
      result_.problems.push_back(
          {unit.targetLine, unit.id, "the strings are not valid UTF-8 once unescaped"});
      return;
    }
    if (!target->empty()) unit.target = std::move(*target);
    if (entry.fuzzy) {
      unit.unfinished = true;
      unit.unfinishedWhy = "fuzzy";
    }
    result_.units.push_back(std::move(unit));
  }

  void header(const Entry& entry) {
    const std::string all = entry.str.value_or("");
    std::string_view fields = all;
    while (!fields.empty()) {
      const std::size_t newline = fields.find('\n');
      const std::string_view field = fields.substr(0, newline);
      fields.remove_prefix(newline == std::string_view::npos ? fields.size() : newline + 1);
      if (field.starts_with(kPoTablesField) && field.substr(kPoTablesField.size()).starts_with(':')) {
        result_.tables = std::string(trim(field.substr(kPoTablesField.size() + 1)));
        continue;
      }
      if (!field.starts_with("Content-Type:")) continue;
      const std::size_t at = field.find("charset=");
      if (at == std::string_view::npos) continue;
      std::string charset(trim(field.substr(at + 8)));
      std::transform(charset.begin(), charset.end(), charset.begin(),
                     [](char c) { return static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c); });
      if (charset != "UTF-8" && charset != "UTF8" && charset != "ASCII" && charset != "US-ASCII" &&
          charset != "CHARSET") {
        result_.problems.push_back({entry.strLine, "",
                                    "the header says the file is " + charset +
                                        "; only UTF-8 is read: convert it (msgconv -t UTF-8)"});
      }
    }
  }

  ReadResult result_;
  Entry entry_;     // the entry being read
  Entry comments_;  // what the comments before the next entry said
  Field field_ = Field::None;
  bool skipping_ = false;
  std::string placeText_;  // the "#. place:" comment read so far, wrapped lines joined
  std::size_t placeLine_ = 0;
};

// A PO string, with every character that needs it escaped.
void appendQuoted(std::string& out, std::string_view utf8) {
  out += '"';
  for (char c : utf8) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      case '\a': out += "\\a"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      case '\v': out += "\\v"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
          char buffer[8];
          std::snprintf(buffer, sizeof buffer, "\\%03o",
                        static_cast<unsigned>(static_cast<unsigned char>(c)));
          out += buffer;
        } else {
          out += c;
        }
    }
  }
  out += '"';
}

// gettext's locale form of a BCP 47 tag where it has one: "pt-BR" is "pt_BR"; any other tag as it is.
std::string gettextLanguage(const std::string& tag) {
  const std::size_t dash = tag.find('-');
  if (dash != std::string::npos && tag.find('-', dash + 1) == std::string::npos && tag.size() - dash - 1 == 2)
    return tag.substr(0, dash) + "_" + tag.substr(dash + 1);
  return tag;
}

}  // namespace

ReadResult readPo(std::string_view text) {
  if (std::optional<Problem> problem = utf8OnlyProblem(text)) {
    ReadResult result;
    result.format = &kPoFormat;
    result.problems.push_back(std::move(*problem));
    return result;
  }
  ReadResult result = Reader().read(text);
  resolveUnits(result, Naming::Id);
  return result;
}

std::string writePo(std::span<const TextRow> texts, const ExportSettings& settings) {
  std::string out;
  out += "# The texts of the game Thornvale, " +
         std::string(settings.targetLanguage ? "to translate" : "a template") + ", from " +
         settings.original + ".\n";
  out += "# Each text must keep its exact length: see the notes and flags of each entry.\n";
  out += "msgid \"\"\nmsgstr \"\"\n";
  out += "\"Project-Id-Version: Thornvale (thornvale-text " + settings.version + ")\\n\"\n";
  // A date or xgettext's placeholder, never an empty field: Babel (and pybabel) refuse a PO without one.
  out += "\"PO-Revision-Date: " +
         (settings.revisionDate.empty() ? std::string("YEAR-MO-DA HO:MI+ZONE") : settings.revisionDate) +
         "\\n\"\n";
  out += "\"Last-Translator: \\n\"\n";
  out += "\"Language-Team: \\n\"\n";
  // A template has no language yet: msginit or the tool adds it. xgettext writes an empty field,
  // which Babel refuses (it parses the empty name as a locale), so a template leaves it out.
  if (settings.targetLanguage) out += "\"Language: " + gettextLanguage(*settings.targetLanguage) + "\\n\"\n";
  out += "\"MIME-Version: 1.0\\n\"\n";
  out += "\"Content-Type: text/plain; charset=UTF-8\\n\"\n";
  out += "\"Content-Transfer-Encoding: 8bit\\n\"\n";
  out += "\"X-Source-Language: " + settings.sourceLanguage + "\\n\"\n";
  out += "\"" + std::string(kPoTablesField) + ": " + settings.tables.fingerprint() + "\\n\"\n";
  out.reserve(out.size() + texts.size() * 640);  // a whole export, in one allocation
  const auto line = [&out](const char* key, const std::string& value) {
    out += key;
    out += value;
    out += '\n';
  };
  const auto quotedLine = [&out](const char* key, std::string_view value) {
    out += key;
    appendQuoted(out, value);
    out += '\n';
  };
  for (const TextRow& text : texts) {
    const CatalogueEntry& e = *text.entry;
    out += '\n';
    line("#. ", translatorNote(e, settings.tables));
    line("#. ", placeLine(e));
    line("#: ", placeOffset(e));
    line("#, ", weblateFlags(e, settings.tables));
    quotedLine("msgctxt ", unitId(e));
    quotedLine("msgid ", toUtf8(text.source));
    quotedLine("msgstr ", text.target ? toUtf8(*text.target) : std::string());
  }
  return out;
}

namespace {

bool recognisePo(const Sniff& sniff) {
  const std::string_view start = sniff.start();
  return start.starts_with('#') || start.starts_with("msgid") || start.starts_with("msgctxt");
}

constexpr std::string_view kPoNames[] = {"po"};
constexpr std::string_view kPoExtensions[] = {".po", ".pot"};

}  // namespace

extern const FormatRecord kPoFormat{
    .name = "PO",
    .names = kPoNames,
    .extensions = kPoExtensions,
    .description = "a gettext PO or POT file",
    .recognise = recognisePo,
    .read = readPo,
    .write = writePo,
    .carriesSources = true,
    .namesLanguages = true,
    .unitWord = "unit",
};

}  // namespace thornvale::exchange
