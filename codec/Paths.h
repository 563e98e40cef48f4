#pragma once

#include <filesystem>
#include <string>

namespace thornvale {

// Paths are UTF-8 strings everywhere above the file layer. std::filesystem reads a narrow string
// in the ANSI code page on Windows, which mangles any other character, so every crossing goes
// through these.
[[nodiscard]] inline std::filesystem::path fsPath(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

[[nodiscard]] inline std::string utf8Path(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace thornvale
