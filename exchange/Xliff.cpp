// XLIFF 1.2 read through pugixml: the parser builds the tree, and this file walks it. pugixml is told
// to leave references alone, so that entities are decoded here and anything but XML's five and
// character references is refused; it never reads a DTD or follows a reference of any kind. The
// export writes its XML itself, as pugixml would save it.

#include <pugixml.hpp>

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "codec/Format.h"
#include "codec/Utf.h"
#include "exchange/Exchange.h"
#include "exchange/Judge.h"
#include "exchange/Limits.h"

namespace thornvale::exchange {

extern const FormatRecord kXliffFormat;
namespace {

constexpr const char* kNamespace = "urn:oasis:names:tc:xliff:document:1.2";

// Offsets to line numbers, for the messages.
class Lines {
 public:
  explicit Lines(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\n') starts_.push_back(i + 1);
    }
  }
  [[nodiscard]] std::size_t at(std::ptrdiff_t offset) const {
    if (offset < 0) return 1;
    return static_cast<std::size_t>(
        std::upper_bound(starts_.begin(), starts_.end(), static_cast<std::size_t>(offset)) - starts_.begin());
  }

 private:
  std::vector<std::size_t> starts_{0};
};

std::string_view localName(const pugi::xml_node& node) {
  std::string_view name = node.name();
  const std::size_t colon = name.find(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

bool isCharacter(char32_t c) {  // XML's Char production
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
         (c >= 0x10000 && c <= 0x10FFFF);
}

// The character of a reference's digits ("65", "x41"), where XML allows that character.
std::optional<char32_t> referencedCharacter(std::string_view digits) {
  int base = 10;
  if (digits.starts_with('x')) {
    base = 16;
    digits.remove_prefix(1);
  }
  if (digits.empty() || digits.size() > 8) return std::nullopt;
  char32_t c = 0;
  for (char d : digits) {
    int v = -1;
    if (d >= '0' && d <= '9') v = d - '0';
    if (base == 16 && d >= 'a' && d <= 'f') v = d - 'a' + 10;
    if (base == 16 && d >= 'A' && d <= 'F') v = d - 'A' + 10;
    if (v < 0) return std::nullopt;
    c = c * static_cast<char32_t>(base) + static_cast<char32_t>(v);
    if (c > 0x10FFFF) return std::nullopt;
  }
  if (!isCharacter(c)) return std::nullopt;
  return c;
}

// Text or an attribute value as pugixml left it, with its references decoded: XML's five and
// character references; any other entity is refused (the message), never looked up.
std::optional<std::string> decodeReferences(std::string_view raw, std::string& out) {
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] != '&') {
      out += raw[i];
      continue;
    }
    const std::size_t semicolon = raw.find(';', i);
    if (semicolon == std::string_view::npos || semicolon - i > 40) {
      return "a bare \"&\": XML writes it as &amp;";
    }
    const std::string_view name = raw.substr(i + 1, semicolon - i - 1);
    i = semicolon;
    if (name == "amp")
      out += '&';
    else if (name == "lt")
      out += '<';
    else if (name == "gt")
      out += '>';
    else if (name == "quot")
      out += '"';
    else if (name == "apos")
      out += '\'';
    else if (name.starts_with('#')) {
      const std::optional<char32_t> c = referencedCharacter(name.substr(1));
      if (!c) return "the character reference &" + std::string(name) + "; names no character XML allows";
      appendUtf8(out, *c);
    } else {
      return "the entity &" + std::string(name) +
             "; is not one of XML's five (&amp; &lt; &gt; &quot; &apos;); other entities are not read";
    }
  }
  return std::nullopt;
}

class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text), lines_(text) {}

  ReadResult read() {
    result_.format = &kXliffFormat;
    pugi::xml_document doc;
    const unsigned options = pugi::parse_cdata | pugi::parse_eol | pugi::parse_wconv_attribute |
                             pugi::parse_ws_pcdata | pugi::parse_doctype | pugi::parse_declaration;
    const pugi::xml_parse_result parsed =
        doc.load_buffer(text_.data(), text_.size(), options, pugi::encoding_utf8);
    if (!parsed) {
      problem(lines_.at(parsed.offset), "", std::string("not well-formed XML: ") + parsed.description());
      return std::move(result_);
    }
    if (!checkTree(doc)) return std::move(result_);

    const pugi::xml_node root = doc.document_element();
    if (localName(root) != "xliff") {
      problem(line(root), "", "not an XLIFF file: its root element is <" + std::string(root.name()) + ">");
      return std::move(result_);
    }
    const std::string_view version = root.attribute("version").value();
    if (version.starts_with('2')) {
      problem(line(root), "",
              "XLIFF " + std::string(version) + " is not read: export and translate XLIFF 1.2");
      return std::move(result_);
    }
    if (version != "1.2" && version != "1.1" && version != "1.0") {
      problem(line(root), "", "not an XLIFF 1.2 file: its version is " + quote(version));
      return std::move(result_);
    }
    std::vector<pugi::xml_node> units;
    for (pugi::xml_node file : root.children()) {
      if (file.type() != pugi::node_element || localName(file) != "file") continue;
      for (pugi::xml_node part : file.children()) {
        if (part.type() != pugi::node_element || localName(part) != "header") continue;
        for (pugi::xml_node note : part.children()) {
          if (note.type() == pugi::node_element && localName(note) == "note" &&
              std::string_view(note.attribute("from").value()) == kTablesProperty) {
            result_.tables = note.text().get();
          }
        }
      }
      for (pugi::xml_node body : file.children()) {
        if (body.type() == pugi::node_element && localName(body) == "body") walkGroup(body, units);
      }
    }
    // approved="no" means unfinished only where the file approves units at all.
    usesApproval_ = std::any_of(units.begin(), units.end(), [](const pugi::xml_node& unit) {
      return std::string_view(unit.attribute("approved").value()) == "yes";
    });
    for (const pugi::xml_node& unit : units) transUnit(unit);
    return std::move(result_);
  }

 private:
  std::size_t line(const pugi::xml_node& node) const { return lines_.at(node.offset_debug()); }

  void problem(std::size_t line, std::string id, std::string message) {
    result_.problems.push_back({line, std::move(id), std::move(message)});
  }

  // No DOCTYPE, no deep nesting, no huge attribute, UTF-8 only: checked on the whole tree before
  // any of it is used. The walk keeps its own stack.
  bool checkTree(const pugi::xml_document& doc) {
    std::vector<std::pair<pugi::xml_node, std::size_t>> stack{{doc, 0}};
    while (!stack.empty()) {
      const auto [node, depth] = stack.back();
      stack.pop_back();
      for (pugi::xml_node child : node.children()) {
        switch (child.type()) {
          case pugi::node_doctype:
            problem(line(child), "",
                    "a DOCTYPE: document type declarations, and the entities and external references they "
                    "bring, are not read");
            return false;
          case pugi::node_declaration: {
            const std::string_view encoding = child.attribute("encoding").value();
            std::string lower(encoding);
            std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
              return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
            });
            if (!lower.empty() && lower != "utf-8" && lower != "utf8") {
              problem(line(child), "", "the file says it is " + quote(encoding) + "; only UTF-8 is read");
              return false;
            }
            break;
          }
          case pugi::node_element:
            if (depth + 1 > kMaxNesting) {
              problem(line(child), "",
                      "elements nest deeper than " + std::to_string(kMaxNesting) +
                          " levels; no XLIFF of ours needs that");
              return false;
            }
            for (pugi::xml_attribute attribute : child.attributes()) {
              if (std::string_view(attribute.value()).size() > kMaxAttributeBytes) {
                problem(line(child), "",
                        "the attribute " + std::string(attribute.name()) + " has more than " +
                            std::to_string(kMaxAttributeBytes) + " bytes");
                return false;
              }
            }
            stack.push_back({child, depth + 1});
            break;
          default: break;
        }
      }
    }
    return true;
  }

  std::optional<std::string> attribute(const pugi::xml_node& node, const char* name, const std::string& id) {
    const pugi::xml_attribute a = node.attribute(name);
    if (!a) return std::nullopt;
    std::string value;
    if (std::optional<std::string> bad = decodeReferences(a.value(), value)) {
      problem(line(node), id, std::string("in the attribute ") + name + ": " + *bad);
      return std::nullopt;
    }
    return value;
  }

  // The trans-units of a body, in file order, groups entered.
  static void walkGroup(const pugi::xml_node& group, std::vector<pugi::xml_node>& units) {
    std::vector<std::pair<pugi::xml_node, pugi::xml_node>> stack{{group, group.first_child()}};
    while (!stack.empty()) {
      const pugi::xml_node node = stack.back().second;
      if (!node) {
        stack.pop_back();
        continue;
      }
      stack.back().second = node.next_sibling();
      if (node.type() != pugi::node_element) continue;
      const std::string_view name = localName(node);
      if (name == "group")
        stack.push_back({node, node.first_child()});
      else if (name == "trans-unit")
        units.push_back(node);
    }
  }

  // The plain text of an element. In a target, <mrk> (a marker around text) is taken as its text;
  // inline codes (<g>, <x/>, <bx/>, <ex/>, <ph>, <bpt>, <ept>, <it>, <sub>) are refused, since no
  // text of the game holds formatting or placeholders. In a source, where nothing is taken, the
  // text of every element is read.
  std::optional<std::u16string> plainText(const pugi::xml_node& element, const std::string& id, bool target) {
    std::string utf8;
    std::vector<std::pair<pugi::xml_node, pugi::xml_node>> stack;  // (parent, next child)
    stack.push_back({element, element.first_child()});
    while (!stack.empty()) {
      pugi::xml_node node = stack.back().second;
      if (!node) {
        stack.pop_back();
        continue;
      }
      stack.back().second = node.next_sibling();
      switch (node.type()) {
        case pugi::node_pcdata:
          if (std::optional<std::string> bad = decodeReferences(node.value(), utf8)) {
            problem(line(node), id, *bad);
            return std::nullopt;
          }
          break;
        case pugi::node_cdata: utf8 += node.value(); break;
        case pugi::node_element:
          if (target && localName(node) != "mrk") {
            problem(line(node), id,
                    "the target holds the inline code <" + std::string(node.name()) +
                        ">; this game's texts have no formatting or placeholders: write the text alone");
            return std::nullopt;
          }
          stack.push_back({node, node.first_child()});
          break;
        default: break;
      }
    }
    std::optional<std::u16string> text = fromUtf8(utf8);
    if (!text) problem(line(element), id, "the text is not valid UTF-8");
    return text;
  }

  void transUnit(const pugi::xml_node& node) {
    Unit unit;
    unit.line = unit.targetLine = line(node);
    const std::optional<std::string> id = attribute(node, "id", "");
    if (!id || id->empty()) {
      problem(unit.line, "", "a trans-unit without an id");
      return;
    }
    unit.id = *id;
    // A tool that numbers its units anew keeps resname: take it where the id is none of ours.
    if (entryForId(unit.id) == nullptr) {
      if (const std::optional<std::string> resname = attribute(node, "resname", unit.id);
          resname && entryForId(*resname) != nullptr) {
        unit.id = *resname;
      }
    }
    const std::size_t problems = result_.problems.size();
    pugi::xml_node target;
    for (pugi::xml_node child : node.children()) {
      if (child.type() != pugi::node_element) continue;
      const std::string_view name = localName(child);
      if (name == "source" && !unit.source) {
        unit.source = plainText(child, unit.id, false);
      } else if (name == "target") {
        if (target) {
          problem(line(child), unit.id, "a second target in one trans-unit");
          return;
        }
        target = child;
      } else if (name == "context-group") {
        for (pugi::xml_node context : child.children()) {
          if (context.type() != pugi::node_element || localName(context) != "context") continue;
          const std::string type = attribute(context, "context-type", unit.id).value_or("");
          std::optional<std::string>* field = type == "x-offset"        ? &unit.place.offset
                                              : type == "x-length"      ? &unit.place.length
                                              : type == "x-save-length" ? &unit.place.saveLength
                                              : type == "x-table"       ? &unit.place.table
                                                                        : nullptr;
          if (field == nullptr) continue;
          std::string value;
          if (std::optional<std::string> bad = decodeReferences(context.text().get(), value)) {
            problem(line(context), unit.id, *bad);
            continue;
          }
          *field = value;
          unit.place.line = line(context);
        }
      }
      // <note>, <alt-trans> (a suggestion, not the translation), <seg-source>, <count-group> and
      // anything of another namespace are not read.
    }
    if (target) {
      unit.targetLine = line(target);
      unit.target = plainText(target, unit.id, true);
      const std::string state = attribute(target, "state", unit.id).value_or("");
      if (state == "new" || state.starts_with("needs-")) {
        unit.unfinished = true;
        unit.unfinishedWhy = "state=\"" + state + "\"";
      }
    }
    if (usesApproval_ && attribute(node, "approved", unit.id).value_or("") == "no") {
      unit.unfinished = true;
      if (unit.unfinishedWhy.empty()) unit.unfinishedWhy = "approved=\"no\"";
    }
    if (result_.problems.size() == problems) result_.units.push_back(std::move(unit));
  }

  std::string_view text_;
  Lines lines_;
  ReadResult result_;
  bool usesApproval_ = false;
};

}  // namespace

ReadResult readXliff(std::string_view text) {
  if (std::optional<Problem> problem = utf8OnlyProblem(text)) {
    ReadResult result;
    result.format = &kXliffFormat;
    result.problems.push_back(std::move(*problem));
    return result;
  }
  if (text.starts_with("\xEF\xBB\xBF")) {
    // pugixml would skip it too, but the offsets for the lines must count from what it parses.
    text.remove_prefix(3);
  }
  ReadResult result = Reader(text).read();
  resolveUnits(result, Naming::Id);
  return result;
}

namespace {

// The export writes its XML itself, in one pass into one string, exactly as pugixml saves a tree
// with two-space indentation (as every export before was written): building that tree and saving
// it took most of an export's time.
class XmlOut {
 public:
  XmlOut() { out_.reserve(std::size_t{1} << 17); }  // a whole export, in one allocation

  void declaration() { out_ += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"; }
  // `<name`, indented for its depth on a line of its own; attributes follow, then one of the ends.
  void open(std::string_view name) {
    if (!out_.empty()) out_ += '\n';
    out_.append(2 * depth_, ' ');
    out_ += '<';
    out_ += name;
  }
  void attribute(std::string_view name, std::string_view value) {
    out_ += ' ';
    out_ += name;
    out_ += "=\"";
    escaped(value, true);
    out_ += '"';
  }
  // Ends the start tag of an element that will hold other elements.
  void children() {
    out_ += '>';
    ++depth_;
  }
  // Ends an element that holds only text, on the same line: `>text</name>`.
  void text(std::string_view name, std::string_view content) {
    out_ += '>';
    escaped(content, false);
    out_ += "</";
    out_ += name;
    out_ += '>';
  }
  void empty() { out_ += " />"; }
  void close(std::string_view name) {
    --depth_;
    out_ += '\n';
    out_.append(2 * depth_, ' ');
    out_ += "</";
    out_ += name;
    out_ += '>';
  }
  std::string finish() {
    out_ += '\n';
    return std::move(out_);
  }

 private:
  // As pugixml escapes: &, < and > in text; &, <, " in a (double-quoted) attribute; a control
  // character as a two-digit reference, but tab, line feed and return in text. A string ends at
  // its first NUL, as it did there.
  void escaped(std::string_view text, bool inAttribute) {
    std::size_t plain = 0;  // where the run of characters that go out as they are began
    for (std::size_t i = 0; i < text.size(); ++i) {
      const auto byte = static_cast<unsigned char>(text[i]);
      if (byte > '>' || (byte >= ' ' && byte != '&' && byte != '<' && byte != '>' && byte != '"')) continue;
      out_.append(text, plain, i - plain);
      plain = i + 1;
      switch (byte) {
        case '\0': return;
        case '&': out_ += "&amp;"; break;
        case '<': out_ += "&lt;"; break;
        case '>': out_ += inAttribute ? ">" : "&gt;"; break;
        case '"': out_ += inAttribute ? "&quot;" : "\""; break;
        default:
          if (!inAttribute && (byte == '\t' || byte == '\n' || byte == '\r')) {
            out_ += static_cast<char>(byte);
          } else {
            const char reference[] = {'&', '#', static_cast<char>('0' + byte / 10), static_cast<char>('0' + byte % 10), ';'};
            out_.append(reference, sizeof reference);
          }
      }
    }
    out_.append(text, plain);
  }

  std::string out_;
  std::size_t depth_ = 0;
};

// One text as a trans-unit: its limits where the tools look for them, its place for import's check,
// and the note a translator reads.
void appendUnit(XmlOut& xml, const TextRow& text, const ExportSettings& settings) {
  const CatalogueEntry& e = *text.entry;
  const std::string id = unitId(e);
  const std::string length = std::to_string(e.saveLength);
  xml.open("trans-unit");
  xml.attribute("id", id);
  xml.attribute("resname", id);
  xml.attribute("xml:space", "preserve");
  xml.attribute("size-unit", "char");
  xml.attribute("maxwidth", length);
  xml.attribute("minwidth", length);
  if (settings.weblateFlags) xml.attribute("weblate-flags", weblateFlags(e, settings.tables));
  xml.children();
  xml.open("source");
  xml.text("source", toUtf8(text.source));
  if (text.target) {
    xml.open("target");
    xml.attribute("state", "translated");
    xml.text("target", toUtf8(*text.target));
  }
  xml.open("context-group");
  xml.attribute("name", "place-" + id);  // unique in the file, as the schema wants
  xml.attribute("purpose", "location");
  xml.children();
  const std::pair<const char*, std::string> contexts[] = {{"x-offset", placeOffset(e)},
                                                          {"x-length", std::to_string(e.length)},
                                                          {"x-save-length", length},
                                                          {"x-table", std::string(e.tableName)}};
  for (const auto& [type, value] : contexts) {
    xml.open("context");
    xml.attribute("context-type", type);
    xml.text("context", value);
  }
  xml.close("context-group");
  xml.open("note");
  xml.attribute("from", "developer");
  xml.text("note", translatorNote(e, settings.tables));
  xml.close("trans-unit");
}

}  // namespace

std::string writeXliff(std::span<const TextRow> texts, const ExportSettings& settings) {
  XmlOut xml;
  xml.declaration();
  xml.open("xliff");
  xml.attribute("version", "1.2");
  xml.attribute("xmlns", kNamespace);
  xml.children();

  xml.open("file");
  xml.attribute("original", settings.original);
  xml.attribute("source-language", settings.sourceLanguage);
  if (settings.targetLanguage) xml.attribute("target-language", *settings.targetLanguage);
  xml.attribute("datatype", "plaintext");
  xml.attribute("tool-id", "thornvale-text");
  xml.attribute("product-name", "Thornvale");
  xml.children();

  xml.open("header");
  xml.children();
  xml.open("tool");
  xml.attribute("tool-id", "thornvale-text");
  xml.attribute("tool-name", "thornvale-text");
  xml.attribute("tool-version", settings.version);
  xml.empty();
  // Which character tables the limits come from, for import to compare with its own.
  xml.open("note");
  xml.attribute("from", kTablesProperty);
  xml.text("note", settings.tables.fingerprint());
  xml.close("header");

  xml.open("body");
  if (texts.empty()) {
    xml.empty();
  } else {
    xml.children();
    for (const TextRow& text : texts) appendUnit(xml, text, settings);
    xml.close("body");
  }
  xml.close("file");
  xml.close("xliff");
  return xml.finish();
}

namespace {

bool recogniseXliff(const Sniff& sniff) { return sniff.start().starts_with('<'); }

constexpr std::string_view kXliffNames[] = {"xliff"};
constexpr std::string_view kXliffExtensions[] = {".xlf", ".xliff"};

}  // namespace

extern const FormatRecord kXliffFormat{
    .name = "XLIFF",
    .names = kXliffNames,
    .extensions = kXliffExtensions,
    .description = "an XLIFF 1.2 file",
    .recognise = recogniseXliff,
    .read = readXliff,
    .write = writeXliff,
    .carriesSources = true,
    .namesLanguages = true,
    .unitWord = "unit",
};

}  // namespace thornvale::exchange
