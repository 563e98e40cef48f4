#include "codec/WideString.h"

#include <windows.h>

#include "codec/Utf.h"

namespace thornvale::windows {

std::optional<std::wstring> widen(std::string_view utf8) {
  std::optional<std::u16string> wide = fromUtf8(utf8);
  if (!wide) return std::nullopt;
  return std::wstring(wide->begin(), wide->end());
}

std::string narrow(std::wstring_view utf16) { return toUtf8(std::u16string(utf16.begin(), utf16.end())); }

std::string systemMessage(unsigned long error) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  if (length == 0 || buffer == nullptr) return "system error " + std::to_string(error);
  std::wstring text(buffer, length);
  LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
    text.pop_back();
  }
  return narrow(text);
}

}  // namespace thornvale::windows
