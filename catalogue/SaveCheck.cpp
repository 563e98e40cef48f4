#include "catalogue/SaveCheck.h"

#include "codec/CharacterTables.h"
#include "codec/Utf.h"

namespace thornvale {

SaveCheck checkSave(const CatalogueEntry& entry, std::u16string_view text) {
  if (text.size() != static_cast<std::size_t>(entry.saveLength)) {
    return {SaveCheck::Verdict::WrongLength, {}};
  }
  std::u16string missing = unencodableCharacters(entry.tableName, text);
  if (!missing.empty()) return {SaveCheck::Verdict::Unencodable, std::move(missing)};
  return {};
}

std::string unencodableMessage(std::u16string_view characters) {
  std::string list;
  for (std::size_t i = 0; i < characters.size(); ++i) {
    // A character beyond U+FFFF comes as two code units; name it as the one character it is.
    std::size_t units = 1;
    if (characters[i] >= 0xD800 && characters[i] <= 0xDBFF && i + 1 < characters.size() &&
        characters[i + 1] >= 0xDC00 && characters[i + 1] <= 0xDFFF) {
      units = 2;
    }
    if (!list.empty()) list += ", ";
    list += '"' + toUtf8(characters.substr(i, units)) + '"';
    i += units - 1;
  }
  return "Cannot save Text, these characters cannot be stored in this text: " + list +
         ". Nothing was saved.";
}

std::string refusalMessage(const SaveCheck& check) {
  switch (check.verdict) {
    case SaveCheck::Verdict::Ok: return {};
    case SaveCheck::Verdict::WrongLength: return std::string(kWrongLengthMessage);
    case SaveCheck::Verdict::Unencodable: return unencodableMessage(check.unencodable);
  }
  return {};
}

}  // namespace thornvale
