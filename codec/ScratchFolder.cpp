#include "codec/ScratchFolder.h"

#include <random>
#include <string>
#include <system_error>

#include "codec/FileError.h"
#include "codec/Paths.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <cstdlib>
#endif

namespace thornvale {

ScratchFolder::ScratchFolder() {
  std::error_code error;
  const std::filesystem::path base = std::filesystem::temp_directory_path(error);
  if (error) throw FileError("the temporary folder", "finding", error);
#ifdef _WIN32
  std::random_device random;
  for (int attempt = 0;; ++attempt) {
    const std::filesystem::path candidate =
        base / ("thornvale-" + std::to_string(random()) + "-" + std::to_string(GetCurrentProcessId()));
    if (CreateDirectoryW(candidate.c_str(), nullptr)) {
      // Some libraries open files through the ANSI code page: the short name keeps a folder under a
      // user name of any script reachable for them.
      std::wstring shortName(MAX_PATH, L'\0');
      const DWORD length = GetShortPathNameW(candidate.c_str(), shortName.data(), MAX_PATH);
      shortName.resize(length > 0 && length < MAX_PATH ? length : 0);
      path_ = shortName.empty() ? candidate : std::filesystem::path(shortName);
      return;
    }
    const DWORD code = GetLastError();
    if (code != ERROR_ALREADY_EXISTS || attempt == 16)
      throw FileError(utf8Path(candidate), "creating",
                      std::error_code(static_cast<int>(code), std::system_category()));
  }
#else
  std::string name = (base / "thornvale-XXXXXX").string();
  if (mkdtemp(name.data()) == nullptr)
    throw FileError(name, "creating", std::error_code(errno, std::generic_category()));
  path_ = name;
#endif
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace thornvale
