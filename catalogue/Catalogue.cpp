#include "catalogue/Catalogue.h"

#include <algorithm>
#include <limits>

namespace thornvale {
namespace {

constexpr std::array<CatalogueEntry, kCatalogueSize> kEntries = {{
    {0, 0x1404B, 5, 5, "Table2"},    {1, 0x14053, 5, 5, "Table2"},    {2, 0x14246, 5, 5, "Table2"},
    {3, 0x14319, 5, 5, "Table2"},    {4, 0x1431F, 5, 5, "Table2"},    {5, 0x14129, 8, 8, "Table2"},
    {6, 0x14134, 3, 3, "Table2"},    {7, 0x141E1, 20, 20, "Table2"},  {8, 0x32D95, 7, 7, "Table3"},
    {9, 0x32D9F, 10, 10, "Table3"},  {10, 0x32DFA, 7, 7, "Table3"},   {11, 0x32E04, 6, 6, "Table3"},
    {12, 0x32E0D, 4, 4, "Table3"},   {13, 0x32E56, 5, 5, "Table3"},   {14, 0x32E5E, 1, 1, "Table3"},
    {15, 0x32E80, 10, 10, "Table3"}, {16, 0x32EA4, 5, 5, "Table3"},   {17, 0x32EAC, 1, 1, "Table3"},
    {18, 0x32EB1, 3, 3, "Table3"},   {19, 0x32EB7, 6, 6, "Table3"},   {20, 0x32ED8, 7, 7, "Table3"},
    {21, 0x32EE2, 7, 7, "Table3"},   {22, 0x32F32, 7, 7, "Table3"},   {23, 0x32F3C, 9, 9, "Table3"},
    {24, 0x32FDB, 7, 7, "Table3"},   {25, 0x32FE5, 9, 9, "Table3"},   {26, 0x3305F, 5, 5, "Table3"},
    {27, 0x33067, 2, 1, "Table3"},  // read as two bytes, saved as one
    {28, 0x33048, 6, 6, "Table3"},   {29, 0x33051, 2, 2, "Table3"},   {30, 0x33056, 5, 5, "Table3"},
    {31, 0x3C35D, 14, 14, "Table4"}, {32, 0x3C36F, 14, 14, "Table4"}, {33, 0x3012A, 17, 17, "Table1"},
    {34, 0x3013E, 32, 32, "Table1"}, {35, 0x30166, 40, 40, "Table1"}, {36, 0x3018E, 16, 16, "Table1"},
    {37, 0x301A2, 67, 67, "Table1"}, {38, 0x36792, 33, 33, "Table1"}, {39, 0x367B4, 38, 38, "Table1"},
    {40, 0x367DB, 51, 51, "Table1"}, {41, 0x3680F, 50, 50, "Table1"}, {42, 0x36842, 51, 51, "Table1"},
    {43, 0x36876, 82, 82, "Table1"}, {44, 0x368C9, 47, 47, "Table1"}, {45, 0x368F9, 79, 79, "Table1"},
    {46, 0x36979, 28, 28, "Table1"}, {47, 0x36996, 61, 61, "Table1"}, {48, 0x369D4, 47, 47, "Table1"},
    {49, 0x36A04, 10, 10, "Table1"}, {50, 0x36A0F, 87, 87, "Table1"}, {51, 0x36A67, 47, 47, "Table1"},
    {52, 0x36A97, 56, 56, "Table1"}, {53, 0x36ACF, 62, 62, "Table1"}, {54, 0x36B20, 71, 71, "Table1"},
    {55, 0x2CA6E, 59, 59, "Table1"}, {56, 0x2CAAB, 46, 46, "Table1"}, {57, 0x2CADA, 24, 24, "Table1"},
    {58, 0x362C4, 51, 51, "Table1"}, {59, 0x36300, 58, 58, "Table1"}, {60, 0x3633C, 58, 58, "Table1"},
    {61, 0x36378, 58, 58, "Table1"}, {62, 0x363B4, 58, 58, "Table1"}, {63, 0x363F0, 25, 25, "Table1"},
    {64, 0x3642C, 70, 70, "Table1"}, {65, 0x36471, 28, 28, "Table1"}, {66, 0x31AD9, 87, 87, "Table1"},
    {67, 0x5337, 57, 57, "Table1"},  {68, 0x5390, 65, 65, "Table1"},  {69, 0x53EB, 67, 67, "Table1"},
}};

constexpr bool positionsAreIndices() {
  for (std::size_t i = 0; i < kEntries.size(); ++i) {
    if (kEntries[i].position != static_cast<std::int16_t>(i)) return false;
  }
  return true;
}
static_assert(positionsAreIndices());

}  // namespace

std::span<const CatalogueEntry, kCatalogueSize> catalogue() noexcept { return kEntries; }

const CatalogueEntry* catalogueEntry(int position) noexcept {
  if (position < 0 || static_cast<std::size_t>(position) >= kEntries.size()) return nullptr;
  return &kEntries[static_cast<std::size_t>(position)];
}

std::optional<int> parsePosition(std::string_view text) noexcept {
  if (text.empty()) return std::nullopt;
  long long value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = std::min<long long>(value * 10 + (c - '0'), std::numeric_limits<int>::max());
  }
  return static_cast<int>(value);
}

}  // namespace thornvale
