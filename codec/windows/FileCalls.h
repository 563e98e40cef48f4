#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <system_error>
#include <utility>

#include "codec/FileError.h"
#include "codec/OwnedHandle.h"
#include "codec/WideString.h"

namespace thornvale::windows {

// The portable condition of a Windows error where there is one, so that a code compares alike on
// both systems; other errors keep the system's own code.
inline std::error_code portableCode(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH: return std::make_error_code(std::errc::no_such_file_or_directory);
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_WRITE_PROTECT: return std::make_error_code(std::errc::permission_denied);
    case ERROR_LOCK_VIOLATION: return std::make_error_code(std::errc::resource_unavailable_try_again);
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return std::make_error_code(std::errc::no_space_on_device);
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return std::make_error_code(std::errc::file_exists);
    case ERROR_DIRECTORY: return std::make_error_code(std::errc::not_a_directory);
    case ERROR_FILENAME_EXCED_RANGE: return std::make_error_code(std::errc::filename_too_long);
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME: return std::make_error_code(std::errc::invalid_argument);
    default: return {static_cast<int>(error), std::system_category()};
  }
}

// A failure with the system's own words for `error` (FormatMessageW).
[[noreturn]] inline void fail(const std::string& path, const char* operation, DWORD error) {
  throw FileError(path, operation, portableCode(error), systemMessage(error));
}

// A refusal of ours, in our words.
[[noreturn]] inline void refuse(const std::string& path, const char* operation, std::errc code,
                                std::string reason) {
  throw FileError(path, operation, std::make_error_code(code), std::move(reason));
}

// The UTF-16 form of a UTF-8 path for the wide calls; the ANSI code page is never involved.
inline std::wstring widePath(const std::string& path, const char* operation) {
  if (path.empty()) fail(path, operation, ERROR_PATH_NOT_FOUND);
  std::optional<std::wstring> wide = widen(path);
  if (!wide) refuse(path, operation, std::errc::illegal_byte_sequence, "the name is not valid UTF-8");
  return *wide;
}

// Everyone may read, write, rename and delete a file while we hold it open, as on Linux: our own
// lock keeps our programs apart, and a replacement may rename over an image we hold.
inline constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Reads until `out` is full or the file ends, and returns how much it read.
std::size_t readAllAt(HANDLE handle, const std::string& path, std::int64_t offset,
                      std::span<std::uint8_t> out);

// Anything but a file on a disk (a folder, a device such as NUL or COM1, a pipe) is refused
// before a byte is read or written. Returns what the system says of the file.
BY_HANDLE_FILE_INFORMATION refuseUnlessDiskFile(const std::string& path, HANDLE handle,
                                                const char* operation);

}  // namespace thornvale::windows
