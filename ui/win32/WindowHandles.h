#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "codec/OwnedHandle.h"
#include "codec/Utf.h"

namespace thornvale::win32 {

inline BOOL WINAPI deleteFont(HFONT font) { return DeleteObject(font); }

using FontHandle = OwnedHandle<HFONT, deleteFont>;
using MenuHandle = OwnedHandle<HMENU, DestroyMenu>;

// A control's text, UTF-16 as the control holds it; one code unit per character of a text.
[[nodiscard]] inline std::u16string controlText(HWND control) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
  return std::u16string(text.begin(), text.end());
}

inline void setControlText(HWND control, std::u16string_view text) {
  const std::wstring wide(text.begin(), text.end());
  SetWindowTextW(control, wide.c_str());
}

// For the commands' UTF-8 strings.
inline void setControlText(HWND control, const std::string& utf8) {
  setControlText(control, fromUtf8(utf8).value_or(std::u16string()));
}

// The form tables' captions and names, which are ASCII: each byte is its own UTF-16 code unit.
[[nodiscard]] inline std::wstring asciiWide(std::string_view ascii) {
  return std::wstring(ascii.begin(), ascii.end());
}

}  // namespace thornvale::win32
