#include "codec/CapturedMessages.h"

#include <cstdio>
#include <string_view>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace thornvale {
namespace {

constexpr std::size_t kMaxKept = 64 << 10;

#ifdef _WIN32
int duplicate(int fd) { return _dup(fd); }
void redirect(int from, int to) { _dup2(from, to); }
void closeFd(int fd) { _close(fd); }
long readAt(int fd, char* buffer, unsigned size) {
  _lseek(fd, 0, SEEK_SET);
  return _read(fd, buffer, size);
}
// A file of its own that the system removes when it is closed.
int keptFile() {
  wchar_t folder[MAX_PATH + 1];
  wchar_t name[MAX_PATH + 1];
  if (GetTempPathW(MAX_PATH + 1, folder) == 0 || GetTempFileNameW(folder, L"tvm", 0, name) == 0) return -1;
  const HANDLE handle = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return -1;
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDWR | _O_BINARY);
  if (fd < 0) CloseHandle(handle);
  return fd;
}
#else
int duplicate(int fd) { return ::fcntl(fd, F_DUPFD_CLOEXEC, 0); }
void redirect(int from, int to) { ::dup2(from, to); }
void closeFd(int fd) { ::close(fd); }
long readAt(int fd, char* buffer, unsigned size) { return ::pread(fd, buffer, size, 0); }
// In memory: no name in any folder.
int keptFile() { return ::memfd_create("thornvale-messages", MFD_CLOEXEC); }
#endif

}  // namespace

CapturedMessages::CapturedMessages() {
  std::fflush(stderr);
  kept_ = keptFile();
  if (kept_ < 0) return;
  saved_ = duplicate(2);
  if (saved_ < 0) {
    closeFd(kept_);
    kept_ = -1;
    return;
  }
  redirect(kept_, 2);
}

CapturedMessages::~CapturedMessages() {
  if (saved_ < 0) return;
  std::fflush(stderr);
  redirect(saved_, 2);
  closeFd(saved_);
  closeFd(kept_);
}

std::string CapturedMessages::text() const {
  if (kept_ < 0) return {};
  std::fflush(stderr);
  std::string text(kMaxKept, '\0');
  const long n = readAt(kept_, text.data(), static_cast<unsigned>(text.size()));
  text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return text;
}

std::string systemReasonIn(const std::string& messages, const std::string& otherwise) {
  constexpr std::string_view kMark = "System error = ";
  const std::size_t at = messages.rfind(kMark);
  if (at == std::string::npos) return otherwise;
  const std::size_t start = at + kMark.size();
  const std::size_t end = messages.find_first_of("\r\n", start);
  const std::string reason = messages.substr(start, end == std::string::npos ? std::string::npos : end - start);
  return reason.empty() ? otherwise : reason;
}

}  // namespace thornvale
