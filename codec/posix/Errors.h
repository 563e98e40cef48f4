#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <span>
#include <string>
#include <system_error>

#include "codec/FileError.h"

namespace thornvale::posix {

[[noreturn]] inline void fail(const std::string& path, const char* operation, int error) {
  throw FileError(path, operation, std::error_code(error, std::generic_category()));
}

// Reads until `out` is full or the file ends, and returns how much it read.
std::size_t readAllAt(int fd, const std::string& path, std::int64_t offset, std::span<std::uint8_t> out);

// "a FIFO (named pipe)", "a folder", ... for the refusal of anything but a regular file.
const char* kindOfFile(mode_t mode);

// Throws unless `st` describes a regular file.
void refuseUnlessRegular(const std::string& path, const struct stat& st, const char* operation);

}  // namespace thornvale::posix
