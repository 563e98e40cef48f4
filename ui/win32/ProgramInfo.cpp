#include "ui/win32/ProgramInfo.h"

#include <windows.h>

#include <cstring>

#include "codec/WideString.h"

namespace thornvale::win32 {
namespace {

std::wstring programPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace

std::optional<Version> programVersion() {
  // The program's own resource, read in place: GetFileVersionInfoW would load version.dll and read
  // the file again, for four numbers that are already in memory.
  HMODULE self = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(self, MAKEINTRESOURCEW(VS_VERSION_INFO), MAKEINTRESOURCEW(16));  // RT_VERSION
  if (found == nullptr) return std::nullopt;
  HGLOBAL loaded = LoadResource(self, found);
  const auto* block = static_cast<const std::byte*>(LockResource(loaded));
  const DWORD size = SizeofResource(self, found);
  if (block == nullptr) return std::nullopt;
  // VS_FIXEDFILEINFO starts with its signature, on a 32-bit boundary after the block's key.
  for (DWORD at = 0; at + sizeof(VS_FIXEDFILEINFO) <= size; at += 4) {
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, block + at, sizeof fixed);
    if (fixed.dwSignature == VS_FFI_SIGNATURE) {
      return Version{HIWORD(fixed.dwProductVersionMS), LOWORD(fixed.dwProductVersionMS)};
    }
  }
  return std::nullopt;
}

std::string programFolder() {
  std::wstring path = programPath();
  const auto slash = path.find_last_of(L"\\/");
  path.resize(slash == std::wstring::npos ? 0 : slash);
  return windows::narrow(path);
}

}  // namespace thornvale::win32
