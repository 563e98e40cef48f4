#pragma once

// The one judge of every way into an image: `check`, `import` and its dry run, `set` and the
// editor's Save all ask `judge` what a list of units would write and why it refuses, and only the
// writing differs between them. Each refusal is worded here once, whatever format the text came
// in; the format adds only where (a line, a cell, a unit's id).

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "codec/TableSet.h"
#include "exchange/Units.h"

namespace thornvale::exchange {

// What the door asking allows.
struct JudgeRules {
  // Take the translations the file calls unfinished (PO fuzzy, XLIFF needs-* states).
  bool includeUnfinished = false;
  // Leave a text equal to the image's alone, whatever its length: a file's untouched rows. The
  // editor's Save and `set` write what they are given, and so check its length too.
  bool leaveUnchanged = true;
  // Refuse a text that is exactly what a spreadsheet's number or date conversion (or an editor's
  // trimming) makes of the image's, and a cell that held a number or a date instead of text.
  bool refuseConversions = true;
  // Refuse a translation whose source is not the image's text (the file was made from another
  // revision of the image), unless it already equals the image's text: it would write an old text
  // back over a newer one.
  bool refuseChangedSources = true;
};

// A text the judge accepts: where it came from and what it changes.
struct Change {
  std::size_t line = 0;
  std::string id;
  const CatalogueEntry* entry = nullptr;
  std::optional<std::u16string> before;  // the image's text, where an image is known
  std::u16string after;                   // composed: as it is stored
  std::optional<std::string> conversion;  // a typed cell taken as the spreadsheet shows it
  bool composed = false;                  // the file has the text decomposed; `after` is composed
};

struct Judgement {
  Format format = nullptr;
  std::vector<Change> changes;  // in file order
  std::size_t unchanged = 0;    // texts the image already holds
  std::size_t finished = 0;     // translations the file calls finished
  std::size_t unfinished = 0;   // translations it calls unfinished
  std::size_t leftUnfinished = 0;  // of those, the ones left alone
  std::size_t empty = 0;           // units without a translation
  std::size_t refused = 0;         // units refused, for the file's own faults too
  std::size_t changedSources = 0;  // of those, the ones made from another revision of the image
  std::vector<Problem> problems;   // the file's own and each text's, in line order
  std::vector<Problem> warnings;   // sources that differ from the image's texts

  [[nodiscard]] bool ok() const noexcept { return problems.empty(); }
};

// Judges `read` against the image's bytes, or without an image where there is none: a unit's
// source then stands for the image's text where it has one. With an image, a text is also refused
// where it would not read back as the file says once every accepted text is written (entries that
// share bytes must agree), and where its place lies past the image's end. Texts are read, checked
// and encoded through `tables`, the tables in use, and compared composed (NFC).
[[nodiscard]] Judgement judge(const ReadResult& read, std::optional<std::span<const std::uint8_t>> image,
                              const JudgeRules& rules = {}, const TableSet& tables = TableSet::builtIn());

// A text typed by hand for one entry (the editor's Save, `set`), judged by the rules of a door that
// writes what it is given: the first problem, or nothing when it may be written.
[[nodiscard]] std::optional<Problem> judgeTyped(const CatalogueEntry& entry, std::u16string_view text,
                                                const TableSet& tables = TableSet::builtIn());

// `image` with every change of `judgement` in place, for a door that writes the whole image.
[[nodiscard]] std::vector<std::uint8_t> applyChanges(std::span<const std::uint8_t> image,
                                                     const Judgement& judgement,
                                                     const TableSet& tables = TableSet::builtIn());

// The control character a text holds, as "0x09"; nullopt when it holds none. No table stores one.
[[nodiscard]] std::optional<std::string> controlCharacter(std::u16string_view text);

// What follows the editor's refusal of a text of the wrong length on the command line: the count
// (" The text has 1 character, needs 3 (spaces count)") and, where `stored` is the same text but
// for spaces at its ends, how many were lost. Empty for a text of the right length.
[[nodiscard]] std::string lengthDetail(const CatalogueEntry& entry, std::u16string_view text,
                                       std::optional<std::u16string_view> stored);

// How a file names its texts, for `resolveUnits`.
enum class Naming { Position, Id };

// The step every reader ends with: each unit's id (a position, or "text-NN") to its entry, the
// place the file records compared with ours, and a text named twice refused; units that fail are
// dropped and their problems added, in line order.
void resolveUnits(ReadResult& result, Naming naming);

// The same step a unit at a time, for a reader of many rows: a unit refused leaves only its problem
// behind, never the unit. `finish` puts the problems in line order.
class UnitResolver {
 public:
  explicit UnitResolver(Naming naming) : naming_(naming) {}
  void add(Unit&& unit, ReadResult& result);
  static void finish(ReadResult& result);

 private:
  Naming naming_;
  std::map<const CatalogueEntry*, std::size_t> seen_;  // each text's first line
};

}  // namespace thornvale::exchange
