// The JSON of `dump --json`: an array of objects keyed by the dump's header names, read back as
// the dump's rows are.

#include <nlohmann/json.hpp>

#include <algorithm>

#include "codec/Format.h"
#include "codec/Utf.h"
#include "exchange/Delimited.h"
#include "exchange/Formats.h"
#include "exchange/Judge.h"

namespace thornvale::exchange {
namespace {

// The line of the `index`th object: our own dump writes one "position" key in each.
std::size_t objectLine(std::string_view text, std::size_t index) {
  std::size_t at = 0;
  for (std::size_t i = 0; i <= index; ++i) {
    at = text.find("\"position\"", at == 0 && i == 0 ? 0 : at + 1);
    if (at == std::string_view::npos) return 1;
  }
  return 1 + static_cast<std::size_t>(
                 std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(at), '\n'));
}

std::optional<std::string> field(const nlohmann::json& object, const char* name) {
  const auto it = object.find(name);
  if (it == object.end()) return std::nullopt;
  return it->is_string() ? it->get<std::string>() : it->dump();
}

// One object of the array: its unit, or the problem.
std::optional<std::string> jsonUnit(const nlohmann::json& object, Unit& unit) {
  if (!object.is_object()) return "each element must be an object, as dump --json writes";
  const auto position = object.find("position");
  const auto text = object.find("text");
  if (position == object.end() || !position->is_number_integer() || text == object.end() ||
      !text->is_string())
    return "an object needs a whole-number \"position\" and a string \"text\"";
  unit.id = position->dump();
  unit.target = fromUtf8(text->get<std::string>());
  unit.place = {field(object, "offset"), field(object, "length"), field(object, "save_length"),
                field(object, "table"), unit.line};
  return std::nullopt;
}

ReadResult readJson(std::string_view bytes) {
  ReadResult result;
  result.format = formatNamed("json");
  Problem problem;
  const std::optional<std::string> text = textOfFile(bytes, problem);
  if (!text) {
    result.problems.push_back(std::move(problem));
    return result;
  }
  const nlohmann::json array = nlohmann::json::parse(*text, nullptr, false);
  if (!array.is_array()) {
    result.problems.push_back({1, "", "not the JSON array dump --json writes", {}});
    return result;
  }
  for (std::size_t i = 0; i < array.size(); ++i) {
    Unit unit;
    unit.line = unit.targetLine = objectLine(*text, i);
    if (std::optional<std::string> wrong = jsonUnit(array[i], unit)) {
      result.problems.push_back({unit.line, "", std::move(*wrong), {}});
    } else {
      result.units.push_back(std::move(unit));
    }
  }
  resolveUnits(result, Naming::Position);
  return result;
}

std::string writeJson(std::span<const TextRow> rows, const ExportSettings&) {
  nlohmann::ordered_json array = nlohmann::ordered_json::array();
  for (const TextRow& row : rows) {
    const CatalogueEntry& e = *row.entry;
    array.push_back({{"position", e.position},
                     {"offset", formatHex0x(static_cast<std::uint32_t>(e.offset))},
                     {"length", e.length},
                     {"save_length", e.saveLength},
                     {"table", std::string(e.tableName)},
                     {"text", toUtf8(row.source)}});
  }
  return array.dump(2) + '\n';
}

bool recogniseJson(const Sniff& sniff) { return sniff.start().starts_with('['); }

constexpr std::string_view kJsonNames[] = {"json"};
constexpr std::string_view kJsonExtensions[] = {".json"};

}  // namespace

extern const FormatRecord kJsonFormat{
    .name = "JSON",
    .names = kJsonNames,
    .extensions = kJsonExtensions,
    .description = "a dump as JSON",
    .recognise = recogniseJson,
    .read = readJson,
    .write = writeJson,
};

}  // namespace thornvale::exchange
