#pragma once

// The exchange formats as one library: TSV (our dump), XLIFF 1.2 and gettext PO. A file becomes a
// list of units or a list of problems; a list of texts becomes a file. The commands of
// thornvale-text (export, import, check) are thin layers over this, and an editor could be one too.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/ScriptFormat.h"
#include "exchange/Units.h"

namespace thornvale::exchange {

// What a file is, told by its content: XML is XLIFF, the dump's header line is TSV, and gettext's
// keywords and comments are PO. nullopt when it is none of them.
[[nodiscard]] std::optional<Format> detectFormat(std::string_view bytes);

// Reads a file of the given format, or of the format its content shows. Every unit it returns
// names a catalogue entry, once; whatever is wrong with the file (not UTF-8, malformed, an unknown
// or repeated id, a place that is not ours, a plural entry) is a problem with its line.
[[nodiscard]] ReadResult readUnits(std::string_view bytes, std::optional<Format> format = std::nullopt);

// The readers of the single formats; readUnits checks ids and places after them. Exposed for the
// fuzzers and the tests.
[[nodiscard]] ReadResult readXliff(std::string_view text);
[[nodiscard]] ReadResult readPo(std::string_view text);

// The first line holding bytes that are not UTF-8, or 0 when all are.
[[nodiscard]] std::size_t firstInvalidUtf8Line(std::string_view bytes);

// Which units an import takes and which it leaves alone, in file order.
struct Selection {
  std::vector<ScriptRow> rows;     // filled targets to write: finished ones, unfinished ones on request
  std::size_t finished = 0;        // units with a filled target the format calls finished
  std::size_t unfinished = 0;      // units with a filled target the format calls unfinished
  std::size_t leftUnfinished = 0;  // of those, the ones left alone
  std::size_t empty = 0;           // units without a target, or with an empty one
};
[[nodiscard]] Selection selectTexts(const ReadResult& read, bool includeUnfinished);

// What `check` says of one selected text without writing it: nullopt when an import would accept
// it, else why not (the editor's Save check, and no control character). `stored` is the image's
// text for the entry where one is known: a text equal to it is left alone by an import, whatever
// its length. Without an image, a unit's own source stands for the image's text, and a TSV row of
// the stored length where that differs from the save length (entry 27 of a dump) is taken as
// unchanged.
[[nodiscard]] std::optional<std::string> textProblem(const CatalogueEntry& entry, const std::u16string& text,
                                                     const std::optional<std::u16string>& stored);

// What follows the editor's refusal of a text of the wrong length on the command line: the count
// (" The text has 1 character, needs 3 (spaces count)") and, where `stored` is the same text but
// for spaces at its ends, how many were lost. Empty for a text of the right length.
[[nodiscard]] std::string lengthDetail(const CatalogueEntry& entry, std::u16string_view text,
                                       std::optional<std::u16string_view> stored);

// The control character a text holds, as "0x09"; nullopt when it holds none. No table stores one.
[[nodiscard]] std::optional<std::string> controlCharacter(std::u16string_view text);

// A BCP 47 language tag's problem, or nullopt when it is well formed (language, script, region,
// variants, extensions, private use, and the private-use-only "x-..." tag).
[[nodiscard]] std::optional<std::string> languageTagProblem(std::string_view tag);

// One text to export: its source and, where the translated image differs, its target.
struct ExportText {
  const CatalogueEntry* entry = nullptr;
  std::u16string source;
  std::optional<std::u16string> target;
};

struct ExportSettings {
  std::string sourceLanguage = "en-US";
  std::optional<std::string> targetLanguage;  // none: a PO template (POT), an XLIFF without one
  bool weblateFlags = false;                  // XLIFF only: Weblate's weblate-flags attribute
  std::string original;                       // the image's file name, for XLIFF's <file original>
  std::string version;                        // thornvale-text's version
  // A PO's PO-Revision-Date ("2026-12-08 01:40+0000"); empty: xgettext's placeholder
  // "YEAR-MO-DA HO:MI+ZONE", as a template has it.
  std::string revisionDate;
};

[[nodiscard]] std::string writeXliff(std::span<const ExportText> texts, const ExportSettings& settings);
[[nodiscard]] std::string writePo(std::span<const ExportText> texts, const ExportSettings& settings);

// The texts of an export: IMAGE's as sources, and with a translated image, each text that differs
// there as its target, cut to the save length where it reads longer (entry 27).
[[nodiscard]] std::vector<ExportText> exportTexts(std::span<const ScriptRow> sources,
                                                  std::span<const ScriptRow> translated);

}  // namespace thornvale::exchange

namespace thornvale::exchange {

// What `check` finds in a file: every problem a read or an import would refuse (the file's own,
// then each selected text's), counted, and with an image the units whose source differs from it.
struct CheckReport {
  Format format = Format::Tsv;
  std::size_t finished = 0;
  std::size_t unfinished = 0;  // left alone
  std::size_t empty = 0;
  std::size_t refused = 0;         // units refused (their own problems, or the file's for them)
  std::vector<Problem> problems;   // in line order
  std::vector<Problem> warnings;   // sources that differ from the image's texts
  std::size_t changedSources = 0;  // translations of a source that is not the image's text

  [[nodiscard]] bool ok() const noexcept { return problems.empty(); }
};

// Checks `read` as an import into an image would, without one: `image` (empty for none) gives the
// image's texts in catalogue order where there is one.
// With `refuseConversions`, a text that is a spreadsheet's conversion of the image's (or, without
// an image, of its unit's source) is refused as an import refuses it.
// With an image, a translation whose unit's source is not the image's text is refused (unless
// `acceptChangedSources`, or the translation is the image's text already) and counted.
[[nodiscard]] CheckReport checkUnits(const ReadResult& read, bool includeUnfinished,
                                     std::span<const ScriptRow> image, bool refuseConversions = false,
                                     bool acceptChangedSources = false);

}  // namespace thornvale::exchange
