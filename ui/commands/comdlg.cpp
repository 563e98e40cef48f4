#include "ui/commands/comdlg.h"

#include <string_view>

namespace thornvale {
namespace {

std::string trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

}  // namespace

void comdlg::ShowOpen() { FileName = dialogs_.openFile({DialogTitle, fileTypes(Filter), InitDir}); }

std::vector<CommandDialogs::FileType> comdlg::fileTypes(const std::string& filter) {
  std::vector<std::string> parts;
  std::string_view rest = filter;
  for (;;) {
    const auto bar = rest.find('|');
    parts.push_back(trimmed(rest.substr(0, bar)));
    if (bar == std::string_view::npos) break;
    rest.remove_prefix(bar + 1);
  }
  std::vector<CommandDialogs::FileType> types;
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) types.push_back({parts[i], parts[i + 1]});
  return types;
}

}  // namespace thornvale
