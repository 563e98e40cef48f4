#pragma once

// A number cell of a workbook as the spreadsheet shows it: its value through its number format
// ("yyyy/mm/dd", "0.00", "General"). Enough of the format language for a translator to recognise
// what the cell showed in a message, not a spreadsheet's every locale and rounding rule.

#include <optional>
#include <string>
#include <string_view>

namespace thornvale::exchange {

// The format code of a built-in number format id ("0.00" for 2, "m/d/yyyy" for 14, as the en-US
// locale shows them); nullopt for an id with no code of its own (General, and ids we do not know).
[[nodiscard]] std::optional<std::string_view> builtInNumberFormat(int id) noexcept;

// Whether the code formats a date or a time (it has y, m, d, h or s outside quotes and brackets).
[[nodiscard]] bool isDateFormat(std::string_view code);

// The value as the code shows it; an empty code or "General" as a spreadsheet's General format
// does (up to 10 significant digits, 1E+20 past them). `date1904`: serial day 0 is 1904-01-01, not
// 1899-12-30.
[[nodiscard]] std::string formatCellValue(double value, std::string_view code, bool date1904 = false);

}  // namespace thornvale::exchange
