#pragma once

#include <optional>
#include <string>

namespace thornvale::win32 {

struct Version {
  int major;
  int minor;
};

// The version in this program's VERSIONINFO resource, which the build fills from the project's
// version; nothing for a program built without one.
[[nodiscard]] std::optional<Version> programVersion();

// The folder that holds this program's executable, UTF-8.
[[nodiscard]] std::string programFolder();

}  // namespace thornvale::win32
