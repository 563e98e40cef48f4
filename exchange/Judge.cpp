#include "exchange/Judge.h"

#include <algorithm>
#include <map>
#include <set>

#include "catalogue/EntryText.h"
#include "catalogue/SaveCheck.h"
#include "codec/Format.h"
#include "codec/Normalization.h"
#include "codec/TextCodec.h"
#include "codec/Utf.h"
#include "exchange/Delimited.h"
#include "exchange/Limits.h"

namespace thornvale::exchange {
namespace {


// One text a unit asks to write, with what the image (or its stand-in) holds there.
struct Candidate {
  const Unit* unit = nullptr;
  std::u16string text;
  std::optional<std::u16string> stored;
  bool changed = false;
  bool composed = false;  // the file's text was decomposed; `text` is composed
};

// What the image holds at the entry, or the best stand-in for it without one: the unit's source,
// or a dump's own row of entry 27, which lists its stored characters, not its save length.
std::optional<std::u16string> storedText(const Unit& unit, const std::u16string& text,
                                         std::optional<std::span<const std::uint8_t>> image, const TableSet& tables) {
  const CatalogueEntry& e = *unit.entry;
  if (image) return entryText(*image, e, std::nullopt, tables);
  if (unit.source) return unit.source;
  if (e.length != e.saveLength && text.size() == static_cast<std::size_t>(e.length)) return text;
  return std::nullopt;
}

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

bool overlap(const CatalogueEntry& a, const CatalogueEntry& b) {
  return a.offset < b.offset + b.saveLength && b.offset < a.offset + a.saveLength;
}

// A translation of a source that is not the image's text: the file was made from another revision
// of the image. An empty source is none (a sheet without a source column).
bool changedSource(const Candidate& c, std::optional<std::span<const std::uint8_t>> image) {
  const Unit& unit = *c.unit;
  return image && unit.source && !unit.source->empty() && c.stored && *unit.source != *c.stored;
}

// Why one text may not be written, or nothing.
std::optional<Problem> refusal(const Candidate& c, std::optional<std::span<const std::uint8_t>> image,
                               const JudgeRules& rules, const TableSet& tables) {
  const Unit& unit = *c.unit;
  const CatalogueEntry& e = *unit.entry;
  const auto problem = [&](std::string message, std::string detail = {}) {
    return Problem{unit.targetLine, unit.id, std::move(message), std::move(detail)};
  };
  if (std::optional<std::string> control = controlCharacter(c.text))
    return problem("the text holds the control character " + *control + ", which no text can store");
  if (rules.refuseChangedSources && changedSource(c, image))
    return problem(changedSourceProblem(*unit.source, *c.stored));
  if (rules.refuseConversions && unit.typedCell) return problem(typedCellProblem(*unit.typedCell));
  if (rules.refuseConversions && c.stored) {
    if (std::optional<std::string> conversion = conversionProblem(*c.stored, c.text))
      return problem(std::move(*conversion));
  }
  if (std::optional<Refusal> refused = checkSave(e, c.text, tables)) {
    // A cell that held a number shows what was read of it ("7" for "007").
    return problem(refused->message,
                   lengthDetail(e, c.text, c.stored ? std::optional<std::u16string_view>(*c.stored) : std::nullopt) +
                       (unit.typedCell ? typedCellDetail(*unit.typedCell) : ""));
  }
  if (image && static_cast<std::size_t>(e.offset) + static_cast<std::size_t>(e.saveLength) > image->size()) {
    return problem(fileEndsBefore(static_cast<std::int64_t>(image->size()), "the end of this text's place"));
  }
  return std::nullopt;
}

// Writing one text can change another where their bytes overlap (entries 64 and 65 share one):
// every text the file gives must read back as it says once all accepted texts are written. The
// image's bytes, or without an image the stand-ins' own, are what is written over.
void checkReadBack(std::vector<Candidate>& accepted, std::optional<std::span<const std::uint8_t>> image,
                   Judgement& judgement, const TableSet& tables) {
  std::vector<std::uint8_t> bytes;
  if (image) {
    bytes.assign(image->begin(), image->end());
  } else {
    std::size_t end = 0;
    for (const CatalogueEntry& e : catalogue())
      end = std::max(end, static_cast<std::size_t>(e.offset) + static_cast<std::size_t>(e.length));
    bytes.assign(end, 0);
    for (const Candidate& c : accepted) {
      if (!c.stored) continue;
      const auto encoded = encodeEntry(*c.unit->entry, *c.stored, c.unit->entry->length, tables);
      applyEncoded(encoded, std::span(bytes).subspan(static_cast<std::size_t>(c.unit->entry->offset),
                                                     encoded.size()));
    }
  }
  for (const Candidate& c : accepted) {
    if (!c.changed) continue;
    const auto encoded = encodeEntry(*c.unit->entry, c.text, std::nullopt, tables);
    applyEncoded(encoded,
                 std::span(bytes).subspan(static_cast<std::size_t>(c.unit->entry->offset), encoded.size()));
  }
  for (const Candidate& c : accepted) {
    const CatalogueEntry& e = *c.unit->entry;
    const Candidate* writer = nullptr;  // the other written text that shares a byte with this one
    for (const Candidate& other : accepted) {
      if (&other != &c && other.changed && overlap(*other.unit->entry, e)) writer = &other;
    }
    if (!c.changed && writer == nullptr) continue;
    const std::u16string readBack = entryText(bytes, e, c.changed ? e.saveLength : e.length, tables);
    if (readBack == c.text) continue;
    std::string because;
    if (writer != nullptr) {
      const std::int32_t shared = std::max(writer->unit->entry->offset, e.offset);
      because = ": it shares the byte at " + formatHex0x(static_cast<std::uint32_t>(shared)) + " with " +
                writer->unit->id + " (line " + std::to_string(writer->unit->targetLine) +
                "), and the two want different characters there";
    }
    judgement.problems.push_back({c.unit->targetLine, c.unit->id,
                                  "it would read " + quote(toUtf8(readBack)) + " after the import" + because});
    ++judgement.refused;
  }
}

}  // namespace

std::optional<std::string> controlCharacter(std::u16string_view text) {
  for (char16_t c : text) {
    if (c < 0x20 || (c >= 0x7F && c < 0xA0)) return formatHex0x(c, 2);
  }
  return std::nullopt;
}

std::string lengthDetail(const CatalogueEntry& entry, std::u16string_view text,
                         std::optional<std::u16string_view> stored) {
  const auto need = static_cast<std::size_t>(entry.saveLength);
  if (text.size() == need) return "";
  return " The text has " + std::to_string(text.size()) + (text.size() == 1 ? " character" : " characters") +
         ", needs " + std::to_string(need) + " (spaces count)" + (stored ? spacesLost(text, *stored) : "");
}

Judgement judge(const ReadResult& read, std::optional<std::span<const std::uint8_t>> image,
                const JudgeRules& rules, const TableSet& tables) {
  Judgement judgement;
  judgement.format = read.format;
  judgement.problems = read.problems;
  // The file's own faults (an unknown id, a malformed part) each refuse a unit.
  judgement.refused = read.problems.size();

  std::vector<Candidate> accepted;
  std::set<const Unit*> refusedForSource;  // warned about in their refusal already
  for (const Unit& unit : read.units) {
    // A unit with a source is a translation, and an empty one is no text; a unit without is a
    // text, each row of a dump one to write.
    if (unit.source && (!unit.target || unit.target->empty())) {
      ++judgement.empty;
      continue;
    }
    if (unit.unfinished) {
      ++judgement.unfinished;
      if (!rules.includeUnfinished) {
        ++judgement.leftUnfinished;
        continue;
      }
    } else {
      ++judgement.finished;
    }
    Candidate c{&unit, composed(unit.target.value_or(u"")), std::nullopt, true};
    c.composed = unit.target && c.text != *unit.target;
    c.stored = storedText(unit, c.text, image, tables);
    if (rules.leaveUnchanged && c.stored && c.text == *c.stored && !unit.typedCell) {
      ++judgement.unchanged;
      c.changed = false;
      accepted.push_back(std::move(c));
      continue;
    }
    const bool changed = changedSource(c, image);
    judgement.changedSources += changed ? 1 : 0;
    if (std::optional<Problem> problem = refusal(c, image, rules, tables)) {
      if (changed && rules.refuseChangedSources) refusedForSource.insert(&unit);
      judgement.problems.push_back(std::move(*problem));
      ++judgement.refused;
      continue;
    }
    accepted.push_back(std::move(c));
  }
  checkReadBack(accepted, image, judgement, tables);
  for (const Candidate& c : accepted) {
    if (!c.changed) continue;
    judgement.changes.push_back({c.unit->targetLine, c.unit->id, c.unit->entry,
                                 image ? c.stored : std::nullopt, c.text, c.unit->typedCell, c.composed});
  }
  if (!judgement.ok()) judgement.changes.clear();

  // With an image: the units whose source is not the image's text, made from another revision.
  for (const Unit& unit : read.units) {
    if (!image || !unit.source) continue;
    const std::u16string text = entryText(*image, *unit.entry, std::nullopt, tables);
    if (unit.source->empty() || refusedForSource.contains(&unit)) continue;
    if (*unit.source != text) {
      judgement.warnings.push_back({unit.line, unit.id,
                                    "the source " + quote(toUtf8(*unit.source)) +
                                        " differs from the image's text " + quote(toUtf8(text)) +
                                        ": was the file made from another revision?",
                                    {}});
    }
  }
  std::stable_sort(judgement.problems.begin(), judgement.problems.end(),
                   [](const Problem& a, const Problem& b) { return a.line < b.line; });
  return judgement;
}

std::optional<Problem> judgeTyped(const CatalogueEntry& entry, std::u16string_view text,
                                  const TableSet& tables) {
  ReadResult read;
  Unit unit;
  unit.line = unit.targetLine = 1;
  unit.id = "position " + std::to_string(entry.position);
  unit.entry = &entry;
  unit.target = std::u16string(text);
  read.units.push_back(std::move(unit));
  Judgement judgement =
      judge(read, std::nullopt, {.leaveUnchanged = false, .refuseConversions = false}, tables);
  if (judgement.ok()) return std::nullopt;
  return std::move(judgement.problems.front());
}

std::vector<std::uint8_t> applyChanges(std::span<const std::uint8_t> image, const Judgement& judgement,
                                       const TableSet& tables) {
  std::vector<std::uint8_t> bytes(image.begin(), image.end());
  for (const Change& change : judgement.changes) {
    const auto encoded = encodeEntry(*change.entry, change.after, std::nullopt, tables);
    applyEncoded(encoded, std::span(bytes).subspan(static_cast<std::size_t>(change.entry->offset), encoded.size()));
  }
  return bytes;
}

void UnitResolver::add(Unit&& unit, ReadResult& result) {
  if (unit.entry == nullptr) {
    if (naming_ == Naming::Id) {
      unit.entry = entryForId(unit.id);
    } else if (const std::optional<int> position = parsePosition(unit.id)) {
      unit.entry = catalogueEntry(*position);
    }
  }
  if (unit.entry == nullptr) {
    result.problems.push_back({unit.line, "",
                               "no text is named " + quote(unit.id) +
                                   ": texts are named by their position, 0 to " +
                                   std::to_string(kCatalogueSize - 1) + ", or by their id, " +
                                   unitId(catalogue().front()) + " to " + unitId(catalogue().back()),
                               {}});
    return;
  }
  if (naming_ == Naming::Position) unit.id = "position " + std::to_string(unit.entry->position);
  if (std::optional<std::string> mismatch = placeMismatch(*unit.entry, unit.place)) {
    result.problems.push_back({unit.place.line ? unit.place.line : unit.line, unit.id, std::move(*mismatch), {}});
    return;
  }
  const auto [where, fresh] = seen_.emplace(unit.entry, unit.line);
  if (!fresh) {
    result.problems.push_back(
        {unit.line, unit.id, "the text appears again (first on line " + std::to_string(where->second) + ")", {}});
    return;
  }
  result.units.push_back(std::move(unit));
}

void UnitResolver::finish(ReadResult& result) {
  std::stable_sort(result.problems.begin(), result.problems.end(),
                   [](const Problem& a, const Problem& b) { return a.line < b.line; });
}

void resolveUnits(ReadResult& result, Naming naming) {
  std::vector<Unit> units = std::move(result.units);
  result.units.clear();
  UnitResolver resolver(naming);
  for (Unit& unit : units) resolver.add(std::move(unit), result);
  UnitResolver::finish(result);
}

}  // namespace thornvale::exchange
