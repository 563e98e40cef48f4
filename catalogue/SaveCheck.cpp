#include "catalogue/SaveCheck.h"

#include "codec/CharacterTables.h"
#include "codec/Format.h"
#include "codec/GetTexts.h"
#include "codec/Normalization.h"
#include "codec/Utf.h"

namespace thornvale {
namespace {

std::string unencodableMessage(std::u16string_view characters) {
  std::string list;
  for (std::size_t i = 0; i < characters.size();) {
    const std::size_t units = characterUnits(characters, i);
    if (!list.empty()) list += ", ";
    list += quote(toUtf8(characters.substr(i, units)));
    i += units;
  }
  return "Cannot save Text, these characters cannot be stored in this text: " + list + ". Nothing was saved.";
}

}  // namespace

std::optional<Refusal> checkSave(const CatalogueEntry& entry, std::u16string_view typed,
                                 const TableSet& tables) {
  const std::u16string text = composed(typed);
  if (text.size() != static_cast<std::size_t>(entry.saveLength))
    return Refusal{std::string(kWrongLengthMessage)};
  const std::u16string missing = unencodableCharacters(tables, entry.tableName, text);
  if (!missing.empty()) return Refusal{unencodableMessage(missing)};
  return std::nullopt;
}

std::optional<Refusal> saveEntry(const std::string& imageName, const CatalogueEntry& entry,
                                 std::u16string_view text, const TableSet& tables) {
  if (std::optional<Refusal> refusal = checkSave(entry, text, tables)) return refusal;
  WriteText(entry.offset, imageName, composed(text), entry.saveLength, entry.tableName, tables);
  return std::nullopt;
}

}  // namespace thornvale
