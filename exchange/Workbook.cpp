#include "exchange/Workbook.h"

#include <pugixml.hpp>
#include <unzip.h>
#include <xlsxwriter.h>
#include <zip.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>

#include "codec/CapturedMessages.h"
#include "codec/File.h"
#include "codec/FileAccess.h"
#include "codec/FileError.h"
#include "codec/Format.h"
#include "codec/Paths.h"
#include "codec/ScratchFolder.h"
#include "codec/Utf.h"
#include "exchange/CellFormat.h"
#include "exchange/Delimited.h"
#include "exchange/Formats.h"
#include "exchange/Limits.h"

namespace thornvale::exchange {

extern const FormatRecord kWorkbookFormat;

namespace {

void check(lxw_error error, std::string_view what) {
  if (error != LXW_NO_ERROR) throw std::runtime_error(std::string(what) + ": " + lxw_strerror(error));
}

struct WorkbookFree {
  void operator()(lxw_workbook* book) const noexcept { lxw_workbook_free(book); }
};

// At most `limit` characters, for the spreadsheet's limits on a validation's texts.
std::string clipped(const std::string& text, std::size_t limit) {
  std::u16string wide = fromUtf8(text).value_or(u"");
  if (wide.size() <= limit) return text;
  wide.resize(limit - 1);
  if (!wide.empty() && wide.back() >= 0xD800 && wide.back() <= 0xDBFF) wide.pop_back();
  return toUtf8(wide) + "\u2026";
}

struct Formats {
  lxw_format* header;
  lxw_format* text;         // read-only text: typed as text, shaded
  lxw_format* number;       // read-only number, shaded
  lxw_format* translation;  // the one column a translator types in: text, unlocked
  lxw_format* wrong;        // a row whose translation has the wrong length
};

lxw_format* newFormat(lxw_workbook* book) {
  lxw_format* format = workbook_add_format(book);
  if (format == nullptr) throw std::runtime_error("libxlsxwriter could not make a cell format");
  return format;
}

Formats makeFormats(lxw_workbook* book) {
  constexpr lxw_color_t kShade = 0xEDEDED;
  constexpr std::uint8_t kTextFormat = 49;  // the built-in "@", which every spreadsheet knows as text
  Formats f{};
  f.header = newFormat(book);
  format_set_bold(f.header);
  format_set_bg_color(f.header, 0xD0D0D0);
  format_set_bottom(f.header, LXW_BORDER_THIN);
  format_set_num_format_index(f.header, kTextFormat);
  f.text = newFormat(book);
  format_set_num_format_index(f.text, kTextFormat);
  format_set_bg_color(f.text, kShade);
  f.number = newFormat(book);
  format_set_bg_color(f.number, kShade);
  format_set_align(f.number, LXW_ALIGN_LEFT);
  f.translation = newFormat(book);
  format_set_num_format_index(f.translation, kTextFormat);
  format_set_unlocked(f.translation);
  format_set_border(f.translation, LXW_BORDER_HAIR);
  f.wrong = newFormat(book);
  format_set_bg_color(f.wrong, 0xFFC7CE);
  format_set_font_color(f.wrong, 0x9C0006);
  return f;
}

// "Exactly N characters": the validation on the translation cell, and the words it shows.
void validateLength(lxw_worksheet* sheet, lxw_row_t row, const CatalogueEntry& entry, const TableSet& tables) {
  const std::string n = std::to_string(entry.saveLength);
  const std::string characters = entry.saveLength == 1 ? " character" : " characters";
  const std::string inputTitle = "Exactly " + n + characters;
  const std::string inputMessage =
      "Spaces count. Only these characters can be stored: " + storableWords(entry, tables) + ".";
  const std::string errorMessage =
      "This text must have exactly " + n + characters +
      ", spaces counted, or stay empty. Only these characters can be stored: " + storableWords(entry, tables) +
      ".";
  // Validation texts live as long as the workbook: libxlsxwriter copies them.
  std::string title = clipped(inputTitle, 32);
  std::string input = clipped(inputMessage, 255);
  std::string error = clipped(errorMessage, 255);
  std::string errorTitle = "Wrong length";
  lxw_data_validation validation{};
  validation.validate = LXW_VALIDATION_TYPE_LENGTH;
  validation.criteria = LXW_VALIDATION_CRITERIA_EQUAL_TO;
  validation.value_number = entry.saveLength;
  validation.ignore_blank = LXW_VALIDATION_ON;
  validation.show_input = LXW_VALIDATION_ON;
  validation.show_error = LXW_VALIDATION_ON;
  validation.error_type = LXW_VALIDATION_ERROR_TYPE_STOP;
  validation.input_title = title.data();
  validation.input_message = input.data();
  validation.error_title = errorTitle.data();
  validation.error_message = error.data();
  check(worksheet_data_validation_cell(sheet, row, 6, &validation), "the length validation");
}

// Widths in characters, fitted to the longest cell of each column within bounds.
void fitColumns(lxw_worksheet* sheet, std::span<const TextRow> texts, const TableSet& tables) {
  std::vector<std::size_t> widest;
  for (std::string_view header : kWorkbookHeaders) widest.push_back(header.size());
  for (const TextRow& text : texts) {
    const CatalogueEntry& e = *text.entry;
    widest[3] = std::max(widest[3], e.tableName.size());
    widest[4] = std::max(widest[4], fromUtf8(storableWords(e, tables)).value_or(u"").size());
    widest[5] = std::max(widest[5], text.source.size());
    widest[6] = std::max(widest[6], text.target ? text.target->size() : 0);
  }
  widest[6] = std::max(widest[6], widest[5]);
  for (std::size_t column = 0; column < widest.size(); ++column) {
    const std::size_t widestAllowed = column == 5 || column == 6 ? 90 : 48;
    const double width = static_cast<double>(std::clamp<std::size_t>(widest[column] + 2, 8, widestAllowed));
    check(worksheet_set_column(sheet, static_cast<lxw_col_t>(column), static_cast<lxw_col_t>(column), width,
                               nullptr),
          "the column widths");
  }
}

bool isHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

// A text as a cell holds it: Office Open XML reads "_x" and four hex digits and "_" as a character
// (_x000D_), so a text that holds one literally ("_xface_") has its "_" written as _x005F_.
std::string cellText(const std::u16string& text) {
  std::string utf8 = toUtf8(text);
  for (std::size_t at = utf8.find("_x"); at != std::string::npos; at = utf8.find("_x", at + 1)) {
    if (at + 6 < utf8.size() && utf8[at + 6] == '_' &&
        std::all_of(utf8.begin() + static_cast<std::ptrdiff_t>(at + 2),
                    utf8.begin() + static_cast<std::ptrdiff_t>(at + 6), isHex)) {
      utf8.replace(at, 1, "_x005F_");
      at += 6;
    }
  }
  return utf8;
}

void writeRow(lxw_worksheet* sheet, lxw_row_t row, const TextRow& text, const Formats& f,
              const TableSet& tables) {
  const CatalogueEntry& e = *text.entry;
  const char* what = "a row of the sheet";
  check(worksheet_write_number(sheet, row, 0, e.position, f.number), what);
  check(worksheet_write_string(sheet, row, 1, placeOffset(e).c_str(), f.text), what);
  check(worksheet_write_number(sheet, row, 2, e.saveLength, f.number), what);
  check(worksheet_write_string(sheet, row, 3, std::string(e.tableName).c_str(), f.text), what);
  check(worksheet_write_string(sheet, row, 4, storableWords(e, tables).c_str(), f.text), what);
  check(worksheet_write_string(sheet, row, 5, cellText(text.source).c_str(), f.text), what);
  if (text.target && !text.target->empty()) {
    check(worksheet_write_string(sheet, row, 6, cellText(*text.target).c_str(), f.translation), what);
  } else {
    check(worksheet_write_blank(sheet, row, 6, f.translation), what);
  }
  // The count as a spreadsheet shows it before it recalculates: LEN counts UTF-16 units too.
  const std::string formula = "=LEN(G" + std::to_string(row + 1) + ")";
  const double length = text.target ? static_cast<double>(text.target->size()) : 0;
  check(worksheet_write_formula_num(sheet, row, 7, formula.c_str(), f.number, length), what);
  validateLength(sheet, row, e, tables);
}

}  // namespace

// Rewrites the workbook at `path` with its styles' cell protection saying hidden="0" beside
// locked="0": libxlsxwriter leaves the attribute out, and Gnumeric then takes the translation cells
// for hidden ones and saves them so.
void unhideUnlockedCells(const std::filesystem::path& path);

void writeWorkbook(std::span<const TextRow> texts, const ExportSettings& settings,
                   const std::filesystem::path& path, const std::filesystem::path& scratch) {
  const std::string file = utf8Path(path);
  std::string temporary = utf8Path(scratch);
  lxw_workbook_options options{};
  options.tmpdir = temporary.data();
  std::unique_ptr<lxw_workbook, WorkbookFree> book(workbook_new_opt(file.c_str(), &options));
  if (!book) throw std::runtime_error("libxlsxwriter could not start a workbook");

  std::string title = "Thornvale texts";
  std::string comments = "Made by thornvale-text " + settings.version + " from " + settings.original +
                         ", source language " + settings.sourceLanguage +
                         (settings.targetLanguage ? ", target language " + *settings.targetLanguage : "") +
                         ". Type each translation in the translation column; it must have the length shown.";
  lxw_doc_properties properties{};
  properties.title = title.data();
  properties.comments = comments.data();
  check(workbook_set_properties(book.get(), &properties), "the workbook's properties");
  // Which character tables the limits come from, for import to compare with its own.
  const std::string fingerprint = settings.tables.fingerprint();
  check(workbook_set_custom_property_string(book.get(), std::string(kTablesProperty).c_str(), fingerprint.c_str()),
        "the workbook's properties");

  const Formats f = makeFormats(book.get());
  lxw_worksheet* sheet = workbook_add_worksheet(book.get(), "Texts");
  if (sheet == nullptr) throw std::runtime_error("libxlsxwriter could not add a sheet");
  for (std::size_t column = 0; column < std::size(kWorkbookHeaders); ++column) {
    check(worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(column),
                                 std::string(kWorkbookHeaders[column]).c_str(), f.header),
          "the header row");
  }
  for (std::size_t i = 0; i < texts.size(); ++i)
    writeRow(sheet, static_cast<lxw_row_t>(i + 1), texts[i], f, settings.tables);
  fitColumns(sheet, texts, settings.tables);

  if (!texts.empty()) {
    // The whole row turns red while its translation has another length than the text's place.
    std::string rule = "AND($G2<>\"\",LEN($G2)<>$C2)";
    lxw_conditional_format wrongLength{};
    wrongLength.type = LXW_CONDITIONAL_TYPE_FORMULA;
    wrongLength.value_string = rule.data();
    wrongLength.format = f.wrong;
    check(worksheet_conditional_format_range(sheet, 1, 0, static_cast<lxw_row_t>(texts.size()), 7,
                                             &wrongLength),
          "the conditional format");
  }
  worksheet_freeze_panes(sheet, 1, 0);
  // Printed, the sheet is as wide as the page, its header on every page.
  worksheet_set_landscape(sheet);
  worksheet_fit_to_pages(sheet, 1, 0);
  check(worksheet_repeat_rows(sheet, 0, 0), "the printed header");
  // Without a password: a translator who means to change another column can unprotect the sheet.
  lxw_protection protection{};
  protection.format_columns = LXW_TRUE;
  protection.format_rows = LXW_TRUE;
  worksheet_protect(sheet, nullptr, &protection);
  worksheet_activate(sheet);

  check(workbook_close(book.release()), "writing the workbook");
  unhideUnlockedCells(path);
}

bool looksLikeZip(std::string_view bytes) noexcept {
  return bytes.starts_with(std::string_view("PK\x03\x04", 4)) ||
         bytes.starts_with(std::string_view("PK\x05\x06", 4));
}

}  // namespace thornvale::exchange

namespace thornvale::exchange {
namespace {

// minizip reads the archive from memory through these: the bytes were read, bounded, already.
struct Memory {
  std::string_view bytes;
  ZPOS64_T at = 0;
};

voidpf ZCALLBACK openMemory(voidpf opaque, const void*, int) { return opaque; }

uLong ZCALLBACK readMemory(voidpf, voidpf stream, void* buffer, uLong size) {
  Memory& memory = *static_cast<Memory*>(stream);
  if (memory.at >= memory.bytes.size()) return 0;
  const auto n = static_cast<uLong>(std::min<ZPOS64_T>(size, memory.bytes.size() - memory.at));
  std::memcpy(buffer, memory.bytes.data() + memory.at, n);
  memory.at += n;
  return n;
}

uLong ZCALLBACK writeMemory(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T ZCALLBACK tellMemory(voidpf, voidpf stream) { return static_cast<Memory*>(stream)->at; }

long ZCALLBACK seekMemory(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
  Memory& memory = *static_cast<Memory*>(stream);
  const ZPOS64_T size = memory.bytes.size();
  const ZPOS64_T base = origin == ZLIB_FILEFUNC_SEEK_CUR   ? memory.at
                        : origin == ZLIB_FILEFUNC_SEEK_END ? size
                                                           : 0;
  if (base > size || offset > size - base) return -1;
  memory.at = base + offset;
  return 0;
}

int ZCALLBACK closeMemory(voidpf, voidpf) { return 0; }
int ZCALLBACK errorMemory(voidpf, voidpf) { return 0; }

// minizip's zip writer into memory: it writes forward, and seeks back to finish each local header.
struct Output {
  std::string bytes;
  ZPOS64_T at = 0;
};

uLong ZCALLBACK writeOutput(voidpf, voidpf stream, const void* buffer, uLong size) {
  Output& output = *static_cast<Output*>(stream);
  if (output.bytes.size() < output.at + size) output.bytes.resize(output.at + size);
  std::memcpy(output.bytes.data() + output.at, buffer, size);
  output.at += size;
  return size;
}

uLong ZCALLBACK readOutput(voidpf, voidpf, void*, uLong) { return 0; }

ZPOS64_T ZCALLBACK tellOutput(voidpf, voidpf stream) { return static_cast<Output*>(stream)->at; }

long ZCALLBACK seekOutput(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
  Output& output = *static_cast<Output*>(stream);
  const ZPOS64_T base = origin == ZLIB_FILEFUNC_SEEK_CUR   ? output.at
                        : origin == ZLIB_FILEFUNC_SEEK_END ? output.bytes.size()
                                                           : 0;
  output.at = base + offset;
  return 0;
}

struct ZipClose {
  void operator()(void* zip) const noexcept { unzClose(zip); }
};

// The name of a node without its namespace prefix: producers differ in prefixes, not in names.
std::string_view localName(const pugi::xml_node& node) {
  const std::string_view name = node.name();
  const std::size_t colon = name.find(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

std::string_view localName(const pugi::xml_attribute& attribute) {
  const std::string_view name = attribute.name();
  const std::size_t colon = name.find(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

pugi::xml_node child(const pugi::xml_node& node, std::string_view name) {
  for (pugi::xml_node c : node.children()) {
    if (c.type() == pugi::node_element && localName(c) == name) return c;
  }
  return {};
}

int hexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

// Office Open XML writes characters XML cannot hold as _xHHHH_, and a literal "_x" as _x005F_x.
std::string unescaped(std::string_view text) {
  if (text.find("_x") == std::string_view::npos) return std::string(text);
  const std::u16string wide = fromUtf8(text).value_or(u"");
  std::u16string out;
  for (std::size_t i = 0; i < wide.size(); ++i) {
    if (wide[i] == u'_' && i + 6 < wide.size() && wide[i + 1] == u'x' && wide[i + 6] == u'_') {
      int value = 0;
      bool hex = true;
      for (std::size_t k = i + 2; k < i + 6; ++k) {
        const int d = hexDigit(wide[k]);
        hex = hex && d >= 0;
        value = value * 16 + std::max(d, 0);
      }
      if (hex) {
        out += static_cast<char16_t>(value);
        i += 6;
        continue;
      }
    }
    out += wide[i];
  }
  return toUtf8(out);
}

// The text of a string item (<si> or <is>): its <t>, or its runs' <t>s; phonetic runs left out.
std::string itemText(const pugi::xml_node& item) {
  std::string text;
  for (pugi::xml_node part : item.children()) {
    if (part.type() != pugi::node_element) continue;
    if (localName(part) == "t") {
      text += part.text().get();
    } else if (localName(part) == "r") {
      text += child(part, "t").text().get();
    }
  }
  return unescaped(text);
}

// "C12" -> column 2 (0-based), row 12; nullopt for anything else.
std::optional<std::pair<std::size_t, std::size_t>> cellReference(std::string_view reference) {
  std::size_t column = 0;
  std::size_t i = 0;
  for (; i < reference.size() && reference[i] >= 'A' && reference[i] <= 'Z' && i < 3; ++i)
    column = column * 26 + static_cast<std::size_t>(reference[i] - 'A' + 1);
  if (i == 0 || i == reference.size()) return std::nullopt;
  std::size_t row = 0;
  for (; i < reference.size(); ++i) {
    if (reference[i] < '0' || reference[i] > '9' || row > 1'048'576) return std::nullopt;
    row = row * 10 + static_cast<std::size_t>(reference[i] - '0');
  }
  return std::pair{column - 1, row};
}

constexpr std::size_t kMaxParts = 10'000;
constexpr std::size_t kMaxColumns = 16'384;
constexpr std::size_t kMaxRows = 1'048'576;

struct SparseCell {
  std::size_t column = 0;
  std::string value;
  std::optional<CellNote> note;
};

struct SparseRow {
  std::size_t line = 0;
  std::vector<SparseCell> cells;
};

// "C12" for column 2 (0-based) of row 12.
std::string cellName(std::size_t column, std::size_t row) {
  std::string letters;
  for (std::size_t n = column + 1; n > 0; n = (n - 1) / 26)
    letters.insert(letters.begin(), static_cast<char>('A' + (n - 1) % 26));
  return letters + std::to_string(row);
}

bool attributeTrue(const pugi::xml_node& node, const char* name) {
  const std::string_view value = node.attribute(name).value();
  return value == "1" || value == "true";
}

// What a spreadsheet that wrote a formula without working it out needs done.
constexpr std::string_view kRecalculate = "open and save it in a spreadsheet first";

class WorkbookReader {
 public:
  explicit WorkbookReader(std::string_view bytes) : memory_{bytes} {}

  ReadResult read() {
    if (!open()) return std::move(result_);
    if (const std::optional<std::string> type = part("mimetype");
        type && type->find("opendocument") != std::string::npos)
      return fail(
          "this is an OpenDocument file (.ods), not a workbook: save it as .xlsx (Excel 2007-365) or as CSV");
    if (!result_.ok()) return std::move(result_);
    const std::optional<std::string> sheet = firstSheetPart();
    if (!sheet) return std::move(result_);
    readSharedStrings();
    if (!result_.ok()) return std::move(result_);
    readStyles();
    if (!result_.ok()) return std::move(result_);
    std::vector<SparseRow> rows = readSheet(*sheet);
    if (!result_.ok()) return std::move(result_);
    return readTable(table(rows), &kWorkbookFormat);
  }

  bool open() {
    result_.format = &kWorkbookFormat;
    zlib_filefunc64_def calls{openMemory, readMemory,  writeMemory, tellMemory,
                              seekMemory, closeMemory, errorMemory, &memory_};
    zip_.reset(unzOpen2_64("", &calls));
    if (!zip_) {
      problem("the file is not a zip archive that can be read, so no workbook: it is damaged or cut short");
      return false;
    }
    unz_global_info64 info{};
    if (unzGetGlobalInfo64(zip_.get(), &info) != UNZ_OK) {
      problem("the zip archive's directory cannot be read: the workbook is damaged");
      return false;
    }
    if (info.number_entry > kMaxParts) {
      problem("the zip archive has more than " + std::to_string(kMaxParts) + " parts; no workbook has");
      return false;
    }
    return true;
  }

  // A part inflated, within the limits; nullopt when the archive has no such part, or with a
  // problem when it cannot be read.
  std::optional<std::string> part(const std::string& name) {
    if (unzLocateFile(zip_.get(), name.c_str(), 1) != UNZ_OK) return std::nullopt;
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(zip_.get(), &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
      return damaged(name);
    if ((info.flag & 1) != 0) {
      result_.problems.push_back(
          {1, "", "the workbook is encrypted (its part " + name + "); save it without a password"});
      return std::nullopt;
    }
    if (info.uncompressed_size > kMaxInflatedBytes - inflated_) return tooLarge(name);
    if (unzOpenCurrentFile(zip_.get()) != UNZ_OK) return damaged(name);
    std::string out;
    char buffer[1 << 16];
    for (;;) {
      const int n = unzReadCurrentFile(zip_.get(), buffer, sizeof buffer);
      if (n < 0) {
        unzCloseCurrentFile(zip_.get());
        return damaged(name);
      }
      if (n == 0) break;
      out.append(buffer, static_cast<std::size_t>(n));
      inflated_ += static_cast<std::uint64_t>(n);
      const bool bomb = out.size() > (1u << 20) &&
                        out.size() / std::max<std::uint64_t>(info.compressed_size, 1) >= kMaxInflationRatio;
      if (inflated_ > kMaxInflatedBytes || bomb) {
        unzCloseCurrentFile(zip_.get());
        return tooLarge(name);
      }
    }
    if (unzCloseCurrentFile(zip_.get()) != UNZ_OK) return damaged(name);
    return out;
  }

 private:
  void problem(std::string message) { result_.problems.push_back({1, "", std::move(message)}); }

  ReadResult fail(std::string message) {
    problem(std::move(message));
    return std::move(result_);
  }

  std::optional<std::string> damaged(const std::string& name) {
    result_.problems.push_back({1, "", "the workbook is damaged: its part " + name + " cannot be unpacked"});
    return std::nullopt;
  }

  std::optional<std::string> tooLarge(const std::string& name) {
    result_.problems.push_back({1, "",
                                "the workbook unpacks to more than " +
                                    std::to_string(kMaxInflatedBytes >> 20) + " MiB in all, or its part " +
                                    name + " to more than " + std::to_string(kMaxInflationRatio) +
                                    " times its packed size; no sheet of texts does, and it was not read"});
    return std::nullopt;
  }

  bool parse(pugi::xml_document& doc, const std::string& name, const std::string& text) {
    if (const std::size_t line = firstInvalidUtf8Line(text)) {
      result_.problems.push_back({1, "",
                                  "the workbook's part " + name +
                                      " holds bytes that are not UTF-8 (on its line " + std::to_string(line) +
                                      "); nothing of the workbook was read"});
      return false;
    }
    const pugi::xml_parse_result parsed = doc.load_buffer(
        text.data(), text.size(), pugi::parse_default | pugi::parse_ws_pcdata, pugi::encoding_utf8);
    if (!parsed) {
      result_.problems.push_back(
          {1, "", "the workbook's part " + name + " is not well-formed XML: " + parsed.description()});
      return false;
    }
    return true;
  }

  // The workbook's relationships: id to part name, with targets outside the archive refused.
  std::map<std::string, std::string> relationships() {
    std::map<std::string, std::string> targets;
    const std::string name = "xl/_rels/workbook.xml.rels";
    const std::optional<std::string> text = part(name);
    pugi::xml_document doc;
    if (!text || !parse(doc, name, *text)) return targets;
    for (pugi::xml_node r : doc.document_element().children()) {
      if (r.type() != pugi::node_element || localName(r) != "Relationship") continue;
      const std::string type = r.attribute("Type").value();
      if (std::string_view(r.attribute("TargetMode").value()) == "External") continue;
      std::string target = r.attribute("Target").value();
      target = target.starts_with('/') ? target.substr(1) : "xl/" + target;
      targets[r.attribute("Id").value()] = target;
      if (type.ends_with("/sharedStrings")) sharedStringsPart_ = target;
      if (type.ends_with("/styles")) stylesPart_ = target;
    }
    return targets;
  }

  std::optional<std::string> firstSheetPart() {
    const std::string name = "xl/workbook.xml";
    const std::optional<std::string> text = part(name);
    if (!text) {
      if (result_.ok())
        problem(
            "the zip archive holds no workbook (no xl/workbook.xml): save the sheet as .xlsx (Excel "
            "2007-365)");
      return std::nullopt;
    }
    pugi::xml_document doc;
    if (!parse(doc, name, *text)) return std::nullopt;
    // A writer that leaves formulas to be worked out on opening (xlsxwriter) says so here.
    recalculate_ = attributeTrue(child(doc.document_element(), "calcPr"), "fullCalcOnLoad");
    date1904_ = attributeTrue(child(doc.document_element(), "workbookPr"), "date1904");
    const pugi::xml_node sheet = child(child(doc.document_element(), "sheets"), "sheet");
    std::string id;
    for (pugi::xml_attribute a : sheet.attributes()) {
      if (localName(a) == "id" && std::string_view(a.name()) != "id") id = a.value();
    }
    const std::map<std::string, std::string> targets = relationships();
    const auto target = targets.find(id);
    if (!sheet || target == targets.end()) {
      if (result_.ok()) problem("the workbook names no sheet inside it to read");
      return std::nullopt;
    }
    return target->second;
  }

  void readSharedStrings() {
    if (sharedStringsPart_.empty()) sharedStringsPart_ = "xl/sharedStrings.xml";
    const std::optional<std::string> text = part(sharedStringsPart_);
    pugi::xml_document doc;
    if (!text || !parse(doc, sharedStringsPart_, *text)) return;
    hasSharedStrings_ = true;
    for (pugi::xml_node item : doc.document_element().children()) {
      if (item.type() == pugi::node_element && localName(item) == "si") strings_.push_back(itemText(item));
    }
  }

  // The number formats of the cell styles, by style index: each style's format code, "" for General.
  void readStyles() {
    if (stylesPart_.empty()) stylesPart_ = "xl/styles.xml";
    const std::optional<std::string> text = part(stylesPart_);
    pugi::xml_document doc;
    if (!text || !parse(doc, stylesPart_, *text)) return;
    std::map<long long, std::string> custom;
    for (pugi::xml_node format : child(doc.document_element(), "numFmts").children()) {
      if (format.type() == pugi::node_element && localName(format) == "numFmt")
        custom[format.attribute("numFmtId").as_llong(-1)] = format.attribute("formatCode").value();
    }
    for (pugi::xml_node xf : child(doc.document_element(), "cellXfs").children()) {
      if (xf.type() != pugi::node_element || localName(xf) != "xf") continue;
      const long long id = xf.attribute("numFmtId").as_llong(0);
      const auto found = custom.find(id);
      const std::optional<std::string_view> builtIn =
          id >= 0 && id < 1000 ? builtInNumberFormat(static_cast<int>(id)) : std::nullopt;
      formats_.push_back(found != custom.end() ? found->second : std::string(builtIn.value_or("")));
    }
  }

  // A cell as the reader takes it: what the spreadsheet shows, and a note where that is no text.
  // nullopt, with the problem, where it names a shared string the workbook lacks.
  std::optional<SparseCell> value(const pugi::xml_node& cell, std::size_t column, std::size_t line) {
    SparseCell out{column, {}, std::nullopt};
    const std::string_view type = cell.attribute("t").value();
    const pugi::xml_node formula = child(cell, "f");
    const pugi::xml_node cached = child(cell, "v");
    const std::string v = cached.text().get();
    const std::string name = cellName(column, line);
    // The values in a note come from the file: shown escaped, as every message shows them.
    const auto note = [&](const std::string& description, bool unreadable = false) {
      out.note = CellNote{name + ": " + escapeControls(description), unreadable};
    };
    if (formula && v.empty() && type != "inlineStr") {
      note("a formula with no value stored in the file: " + std::string(kRecalculate), true);
      return out;
    }
    if (formula && recalculate_) {
      note(
          "a formula in a workbook marked to be recalculated when it is opened, so the value stored is "
          "not the one it shows: " +
              std::string(kRecalculate),
          true);
      return out;
    }
    if (type == "inlineStr") {
      out.value = itemText(child(cell, "is"));
    } else if (type == "s" && !v.empty()) {
      std::size_t index = 0;
      const auto [end, error] = std::from_chars(v.data(), v.data() + v.size(), index);
      if (error != std::errc() || end != v.data() + v.size() || index >= strings_.size()) {
        problem("the workbook is damaged: its cell " + name + " names shared string " + quote(v) +
                ", and it " +
                (hasSharedStrings_ ? "has " + std::to_string(strings_.size()) : std::string("has none")) +
                "; nothing of it was read: open and save it in a spreadsheet again, or save it as CSV");
        return std::nullopt;
      }
      out.value = strings_[index];
    } else if (type == "str") {
      out.value = unescaped(v);
    } else if (type == "b") {
      out.value = v == "1" ? "TRUE" : "FALSE";
      note("a boolean cell (shown " + out.value + ", stored " + v + ")");
    } else if (type == "e") {
      out.value = v;
      note("an error cell (shown " + v + ")");
    } else if (type == "d") {
      out.value = v;
      note("a date cell (shown " + v + ", stored " + v + ")");
    } else if (!v.empty()) {
      const std::size_t style = cell.attribute("s").as_ullong(0);
      const std::string_view code = style < formats_.size() ? std::string_view(formats_[style]) : "";
      double number = 0;
      const auto [end, error] = std::from_chars(v.data(), v.data() + v.size(), number);
      out.value =
          error == std::errc() && end == v.data() + v.size() ? formatCellValue(number, code, date1904_) : v;
      note(std::string(isDateFormat(code) ? "a date" : "a number") + " cell (shown " + out.value +
           ", stored " + v + ")");
    }
    return out;
  }

  std::vector<SparseRow> readSheet(const std::string& name) {
    std::vector<SparseRow> rows;
    const std::optional<std::string> text = part(name);
    if (!text) {
      if (result_.ok()) problem("the workbook's first sheet (" + name + ") is missing from it");
      return rows;
    }
    pugi::xml_document doc;
    if (!parse(doc, name, *text)) return rows;
    // Cells that name one long shared string each would copy it again and again.
    std::uint64_t cellBytes = 0;
    std::size_t line = 0;
    for (pugi::xml_node row : child(doc.document_element(), "sheetData").children()) {
      if (row.type() != pugi::node_element || localName(row) != "row") continue;
      const std::size_t numbered = row.attribute("r").as_ullong(0);
      line = numbered > line && numbered <= kMaxRows ? numbered : line + 1;
      SparseRow sparse{line, {}};
      std::size_t column = 0;
      for (pugi::xml_node cell : row.children()) {
        if (cell.type() != pugi::node_element || localName(cell) != "c") continue;
        const auto reference = cellReference(cell.attribute("r").value());
        column = reference ? reference->first : column;
        std::optional<SparseCell> v = value(cell, column, line);
        if (!v) return {};
        cellBytes += v->value.size();
        if (cellBytes > kMaxInflatedBytes) {
          problem("the first sheet's cells hold more than " + std::to_string(kMaxInflatedBytes >> 20) +
                  " MiB of text; no sheet of texts does, and it was not read");
          return {};
        }
        if (column < kMaxColumns && (!v->value.empty() || v->note)) sparse.cells.push_back(std::move(*v));
        ++column;
      }
      if (!sparse.cells.empty()) rows.push_back(std::move(sparse));
    }
    return rows;
  }

  // Rows as the table reader takes them, holding only the columns it reads: the first of each name
  // it knows in the header, side by side. A header cell far to the right (column XFD), or a header
  // of names it does not know, then costs nothing per row, and every row kept holds at least one
  // cell of the sheet: memory stays within a few times what the sheet unpacks to.
  static std::vector<TableRow> table(const std::vector<SparseRow>& rows) {
    constexpr std::size_t kUnknownHeaderWidth = 64;
    std::vector<TableRow> out;
    std::map<std::size_t, std::size_t> kept;  // sheet column -> field
    bool header = false;
    for (const SparseRow& row : rows) {
      const bool blank = std::all_of(row.cells.begin(), row.cells.end(), [](const SparseCell& cell) {
        return cell.value.find_first_not_of(" \t") == std::string::npos && !cell.note;
      });
      if (!header && !blank) {
        header = true;
        std::set<std::string> names;
        for (const SparseCell& cell : row.cells) {
          if (knownHeader(cell.value) && names.insert(headerName(cell.value)).second) kept.emplace(cell.column, 0);
        }
        if (kept.empty()) {
          // Nothing the reader knows: the header alone, for the reader to say what it lacks.
          TableRow only{row.line, {}, {}};
          for (const SparseCell& cell : row.cells) {
            if (only.fields.size() == kUnknownHeaderWidth) break;
            only.fields.push_back(cell.value);
          }
          out.push_back(std::move(only));
          return out;
        }
        std::size_t field = 0;
        for (auto& [column, at] : kept) at = field++;
      }
      TableRow compact{row.line, std::vector<std::string>(kept.size()), {}};
      bool any = false;
      for (const SparseCell& cell : row.cells) {
        const auto at = kept.find(cell.column);
        if (at == kept.end()) continue;
        compact.fields[at->second] = cell.value;
        if (cell.note) {
          compact.notes.resize(kept.size());
          compact.notes[at->second] = cell.note;
        }
        any = true;
      }
      if (any || !header) out.push_back(std::move(compact));
    }
    return out;
  }

  Memory memory_;
  std::unique_ptr<void, ZipClose> zip_;
  ReadResult result_;
  std::uint64_t inflated_ = 0;
  std::string sharedStringsPart_;
  std::vector<std::string> strings_;
  bool hasSharedStrings_ = false;
  std::string stylesPart_;
  std::vector<std::string> formats_;  // each cell style's number format code, "" for General
  bool recalculate_ = false;          // formulas are worked out on opening: their values are stale
  bool date1904_ = false;
};

}  // namespace

namespace {

// A custom document property's value ("docProps/custom.xml"), where the workbook has it.
std::optional<std::string> customProperty(std::string_view bytes, std::string_view name) {
  const std::optional<std::string> part = readWorkbookPart(bytes, "docProps/custom.xml");
  if (!part) return std::nullopt;
  pugi::xml_document doc;
  if (!doc.load_buffer(part->data(), part->size(), pugi::parse_default & ~pugi::parse_doctype)) return std::nullopt;
  for (pugi::xml_node property : doc.document_element().children()) {
    if (std::string_view(property.attribute("name").value()) == name) return std::string(property.first_child().text().get());
  }
  return std::nullopt;
}

}  // namespace

ReadResult readWorkbook(std::string_view bytes) {
  ReadResult result = WorkbookReader(bytes).read();
  if (result.ok()) result.tables = customProperty(bytes, kTablesProperty);
  return result;
}

void unhideUnlockedCells(const std::filesystem::path& path) {
  std::string packed;
  {
    std::ifstream in(path, std::ios::binary);
    packed.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in && !in.eof()) throw std::runtime_error("the workbook written cannot be read back");
  }
  Memory memory{packed};
  zlib_filefunc64_def reading{openMemory, readMemory,  writeMemory, tellMemory,
                              seekMemory, closeMemory, errorMemory, &memory};
  const std::unique_ptr<void, ZipClose> source(unzOpen2_64("", &reading));
  Output output;
  zlib_filefunc64_def writing{openMemory, readOutput,  writeOutput, tellOutput,
                              seekOutput, closeMemory, errorMemory, &output};
  zipFile target = zipOpen2_64("", APPEND_STATUS_CREATE, nullptr, &writing);
  if (!source || !target || unzGoToFirstFile(source.get()) != UNZ_OK) {
    if (target != nullptr) zipClose(target, nullptr);
    throw std::runtime_error("the workbook written is no zip archive");
  }
  // Every part but the styles goes over as it was packed, never inflated and deflated again.
  bool ok = true;
  do {
    char name[256] = {};
    unz_file_info64 info{};
    ok = unzGetCurrentFileInfo64(source.get(), &info, name, sizeof name, nullptr, 0, nullptr, 0) == UNZ_OK;
    const bool styles = std::string_view(name) == "xl/styles.xml";
    int method = 0, level = 0;
    ok = ok && unzOpenCurrentFile2(source.get(), &method, &level, styles ? 0 : 1) == UNZ_OK;
    std::string part;
    char buffer[1 << 14];
    for (int n = 0; ok && (n = unzReadCurrentFile(source.get(), buffer, sizeof buffer)) != 0;) {
      ok = n > 0;
      if (ok) part.append(buffer, static_cast<std::size_t>(n));
    }
    ok = unzCloseCurrentFile(source.get()) == UNZ_OK && ok;
    zip_fileinfo time{};
    time.dosDate = info.dosDate;
    if (styles) {
      const std::string_view unlocked = "<protection locked=\"0\"/>";
      for (std::size_t at = part.find(unlocked); at != std::string::npos; at = part.find(unlocked, at + 1))
        part.replace(at, unlocked.size(), "<protection locked=\"0\" hidden=\"0\"/>");
      ok = ok &&
           zipOpenNewFileInZip64(target, name, &time, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                 Z_DEFAULT_COMPRESSION, 0) == ZIP_OK &&
           zipWriteInFileInZip(target, part.data(), static_cast<unsigned>(part.size())) == ZIP_OK &&
           zipCloseFileInZip(target) == ZIP_OK;
    } else {
      ok = ok &&
           zipOpenNewFileInZip2_64(target, name, &time, nullptr, 0, nullptr, 0, nullptr, method, level, 1, 0) ==
               ZIP_OK &&
           zipWriteInFileInZip(target, part.data(), static_cast<unsigned>(part.size())) == ZIP_OK &&
           zipCloseFileInZipRaw64(target, info.uncompressed_size, info.crc) == ZIP_OK;
    }
  } while (ok && unzGoToNextFile(source.get()) == UNZ_OK);
  ok = zipClose(target, nullptr) == ZIP_OK && ok;
  if (!ok) throw std::runtime_error("the workbook written could not be packed again");
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(output.bytes.data(), static_cast<std::streamsize>(output.bytes.size()));
  out.close();
  if (!out) throw std::runtime_error("the workbook could not be written again");
}

std::optional<std::string> readWorkbookPart(std::string_view bytes, const std::string& name) {
  WorkbookReader reader(bytes);
  return reader.open() ? reader.part(name) : std::nullopt;
}

// libxlsxwriter writes a file: it writes in a folder of our own, and the bytes go on from there like
// any other export's, to a replacement of the output or to standard output.
std::string workbookBytes(std::span<const TextRow> texts, const ExportSettings& settings) {
  const ScratchFolder scratch;
  const std::filesystem::path path = scratch.path() / "texts.xlsx";
  {
    // The library's own lines would reach the terminal raw; its reason goes into our sentence.
    const CapturedMessages messages;
    try {
      writeWorkbook(texts, settings, path, scratch.path());
    } catch (const std::runtime_error& e) {
      throw FileError(settings.output, "writing", std::make_error_code(std::errc::io_error),
                      "the workbook could not be made in the temporary folder (" +
                          systemReasonIn(messages.text(), e.what()) + "); nothing was written");
    }
  }
  const File file = File::openExisting(utf8Path(path), File::Access::Read);
  const Bytes bytes = readWhole(file, kMaxExchangeFileSize, "a workbook");
  return std::string(bytes.begin(), bytes.end());
}

namespace {

bool recogniseWorkbook(const Sniff& sniff) { return looksLikeZip(sniff.bytes); }

constexpr std::string_view kWorkbookNames[] = {"xlsx"};
constexpr std::string_view kWorkbookExtensions[] = {".xlsx"};

}  // namespace

extern const FormatRecord kWorkbookFormat{
    .name = "workbook",
    .names = kWorkbookNames,
    .extensions = kWorkbookExtensions,
    .description = "a workbook (.xlsx)",
    .recognise = recogniseWorkbook,
    .read = readWorkbook,
    .write = workbookBytes,
    .carriesSources = true,
    .binary = true,
};

}  // namespace thornvale::exchange
