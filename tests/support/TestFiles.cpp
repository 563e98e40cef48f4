#include "tests/support/TestFiles.h"

#ifndef _WIN32
#include <fcntl.h>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/stat.h>
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

namespace {

// A call that succeeds without effect, as ntfs-3g's chown without a user mapping.
constexpr int kIgnored = -1;

// Tries `feature` on scratch names in `folder`: 0, the error of the call that refused, or kIgnored.
int tryFeature(const std::string& folder, FileSystemFeature feature) {
  const std::string probe = folder + "/.probe-" + std::to_string(::getpid());
  const std::string other = probe + "-2";
  const auto created = [&](const std::string& name) {
    const int fd = ::open(name.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0) return errno;
    ::close(fd);
    return 0;
  };
  const auto withFile = [&](auto&& attempt) {
    if (const int error = created(probe); error != 0) return error;
    const int error = attempt();
    ::unlink(other.c_str());
    ::unlink(probe.c_str());
    return error;
  };
  const auto result = [](bool ok) { return ok ? 0 : errno; };
  struct stat st {};
  switch (feature) {
    case FileSystemFeature::HardLinks:
      return withFile([&] { return result(::link(probe.c_str(), other.c_str()) == 0); });
    case FileSystemFeature::SymbolicLinks:
      return withFile([&] { return result(::symlink(probe.c_str(), other.c_str()) == 0); });
    case FileSystemFeature::SpecialFiles: {
      const int error = result(::mkfifo(probe.c_str(), 0600) == 0);
      ::unlink(probe.c_str());
      return error;
    }
    case FileSystemFeature::Owners:
      return withFile([&] {
        if (::chown(probe.c_str(), 4321, 4322) != 0) return errno;
        return ::stat(probe.c_str(), &st) == 0 && st.st_uid == 4321 && st.st_gid == 4322 ? 0 : kIgnored;
      });
    case FileSystemFeature::Modes: {
      int error = ::mkdir(probe.c_str(), 0700) == 0 && ::chmod(probe.c_str(), 01750) == 0 ? 0 : errno;
      if (error == 0 && (::stat(probe.c_str(), &st) != 0 || (st.st_mode & 07777) != 01750)) error = kIgnored;
      ::rmdir(probe.c_str());
      if (error != 0) return error;
      return withFile([&] {
        if (::chmod(probe.c_str(), 0640) != 0) return errno;
        return ::stat(probe.c_str(), &st) == 0 && (st.st_mode & 07777) == 0640 ? 0 : kIgnored;
      });
    }
    case FileSystemFeature::UnnamedFiles: {
      const int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
      if (fd < 0) return errno;
      ::close(fd);
      return 0;
    }
    case FileSystemFeature::OddBytesInNames: {
      const std::string odd = probe + "\x1b[2J\x9b";
      const int error = created(odd);
      ::unlink(odd.c_str());
      return error;
    }
    case FileSystemFeature::FileSizeLimit:
      return withFile([&] {
        const int fd = ::open(probe.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd < 0) return errno;
        ssize_t written = 0;
        {
          const FileSizeLimit limit(4);
          written = ::write(fd, "12345678", 8);
        }
        const int error = written < 0 ? errno : 0;
        ::close(fd);
        return written == 4 || error == EFBIG ? 0 : kIgnored;
      });
  }
  return EINVAL;
}

}  // namespace

std::string lacks(const std::filesystem::path& folder, FileSystemFeature feature) {
  static constexpr const char* kWhat[] = {
      "hard links", "symbolic links", "FIFOs", "files of other users and groups",
      "permission bits", "unnamed files (O_TMPFILE)", "control characters or bytes that are no UTF-8 in file names",
      "the file size limit (RLIMIT_FSIZE)",
  };
  const int error = tryFeature(folder.string(), feature);
  if (error == 0) return {};
  return std::string("the file system of ") + folder.string() + " has no " +
         kWhat[static_cast<int>(feature)] + " (" + (error == kIgnored ? "accepted and ignored" : std::strerror(error)) + ")";
}

#endif

}  // namespace thornvale::test
