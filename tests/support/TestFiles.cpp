#include "tests/support/TestFiles.h"

#ifndef _WIN32
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include "sample/SampleImage.h"
#ifdef _WIN32
#include <windows.h>

#include "codec/WideString.h"
#endif

namespace thornvale::test {

TempDir::TempDir() {
#ifdef _WIN32
  // No mkdtemp; a folder that could be created is one that did not exist.
  std::random_device random;
  for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
    const auto candidate =
        std::filesystem::temp_directory_path() / ("thornvale-test-" + std::to_string(random()));
    if (std::filesystem::create_directory(candidate)) path_ = candidate;
  }
  if (path_.empty()) throw std::runtime_error("cannot make a temporary folder");
#else
  std::string pattern = (std::filesystem::temp_directory_path() / "thornvale-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
#endif
}

TempDir::~TempDir() {
  namespace fs = std::filesystem;
  // A test may leave a folder closed, or a file read-only, which Windows does not delete.
  std::error_code ignored;
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
  for (auto entry = fs::recursive_directory_iterator(path_, ignored);
       entry != fs::recursive_directory_iterator(); entry.increment(ignored)) {
    // Not through a link: it may lead out of the folder.
    if (!entry->is_symlink(ignored)) {
      fs::permissions(entry->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
  }
  fs::remove_all(path_, ignored);
}

std::string systemReason(int error) {
#ifdef _WIN32
  switch (error) {
    case ENOENT: return windows::systemMessage(ERROR_FILE_NOT_FOUND);
    case EACCES: return windows::systemMessage(ERROR_ACCESS_DENIED);
    default: break;  // a folder and the like are refused in our words, which are strerror's
  }
#endif
  return std::strerror(error);
}

void writeBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream out(fsPath(path), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

Bytes readBytes(const std::string& path) {
  std::ifstream in(fsPath(path), std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes writeSampleImage(const std::string& path) {
  Bytes image = buildSampleImage();
  writeBytes(path, image);
  return image;
}

#ifdef _WIN32

ObeyPermissions::ObeyPermissions() = default;
ObeyPermissions::~ObeyPermissions() = default;

FileSizeLimit::FileSizeLimit(std::uint64_t) { throw std::logic_error("no file size limit on Windows"); }
FileSizeLimit::~FileSizeLimit() = default;

#else

namespace {

constexpr std::uint32_t kOverrides = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);

bool capabilities(__user_cap_data_struct (&data)[2], bool set) {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  return ::syscall(set ? SYS_capset : SYS_capget, &header, data) == 0;
}

}  // namespace

ObeyPermissions::ObeyPermissions() {
  __user_cap_data_struct data[2] = {};
  if (!capabilities(data, false) || (data[0].effective & kOverrides) == 0) return;
  saved_[0] = data[0].effective;
  saved_[1] = data[1].effective;
  data[0].effective &= ~kOverrides;
  if (!capabilities(data, true)) throw std::runtime_error("cannot lower capabilities");
  lowered_ = true;
}

ObeyPermissions::~ObeyPermissions() {
  if (!lowered_) return;
  __user_cap_data_struct data[2] = {};
  capabilities(data, false);
  data[0].effective = saved_[0];
  data[1].effective = saved_[1];
  capabilities(data, true);
}

FileSizeLimit::FileSizeLimit(std::uint64_t limit) {
  rlimit current{};
  ::getrlimit(RLIMIT_FSIZE, &current);
  savedSoft_ = current.rlim_cur;
  savedHandler_ = std::signal(SIGXFSZ, SIG_IGN);
  current.rlim_cur = limit;
  if (::setrlimit(RLIMIT_FSIZE, &current) != 0) throw std::runtime_error("cannot limit file size");
}

FileSizeLimit::~FileSizeLimit() {
  rlimit current{};
  ::getrlimit(RLIMIT_FSIZE, &current);
  current.rlim_cur = savedSoft_;
  ::setrlimit(RLIMIT_FSIZE, &current);
  std::signal(SIGXFSZ, savedHandler_);
}

#endif

}  // namespace thornvale::test
