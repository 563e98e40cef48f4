#include "codec/FileError.h"

namespace thornvale {
namespace {

std::string describe(const std::string& path, const std::string& operation, const std::string& reason) {
  return "Error while " + operation + " \"" + path + "\": " + reason;
}

}  // namespace

FileError::FileError(std::string path, std::string operation, std::error_code code)
    : FileError(std::move(path), std::move(operation), code, code.message()) {}

FileError::FileError(std::string path, std::string operation, std::error_code code, std::string reason)
    : std::runtime_error(describe(path, operation, reason)),
      path_(std::move(path)),
      operation_(std::move(operation)),
      code_(code),
      reason_(std::move(reason)) {}

}  // namespace thornvale
