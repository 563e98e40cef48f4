#pragma once

#include <string>
#include <string_view>

#include "catalogue/Catalogue.h"

namespace thornvale {

// What every front end asks before it writes an edited text over an entry.
struct SaveCheck {
  enum class Verdict { Ok, WrongLength, Unencodable };
  Verdict verdict = Verdict::Ok;
  // For Unencodable: each character the entry's table cannot store, once, in order.
  std::u16string unencodable;

  [[nodiscard]] bool ok() const noexcept { return verdict == Verdict::Ok; }
};

// The length comes first: a text of the wrong length is refused whatever its characters.
[[nodiscard]] SaveCheck checkSave(const CatalogueEntry& entry, std::u16string_view text);

inline constexpr std::string_view kWrongLengthMessage =
    "Cannot save Text, it is either shorter or longer then the original.";

// The refusal for an Unencodable verdict, naming the characters; UTF-8.
[[nodiscard]] std::string unencodableMessage(std::u16string_view characters);

// The refusal message for a failed check, UTF-8; empty when the check passed.
[[nodiscard]] std::string refusalMessage(const SaveCheck& check);

}  // namespace thornvale
