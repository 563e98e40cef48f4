#include "codec/FileError.h"

#include "codec/Format.h"

namespace thornvale {
namespace {

std::string describe(const std::string& path, const std::string& operation, const std::string& reason) {
  return "Error while " + operation + " " + quote(path) + ": " + reason;
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

FileError FileError::withMeaning(std::string meaning) const {
  FileError said(path_, operation_, code_, reason_);
  static_cast<std::runtime_error&>(said) =
      std::runtime_error(meaning + " " + describe(path_, operation_, reason_));
  said.meaning_ = std::move(meaning);
  said.fileChanged_ = fileChanged_;
  said.inPlaceStillWorks_ = inPlaceStillWorks_;
  return said;
}

}  // namespace thornvale
