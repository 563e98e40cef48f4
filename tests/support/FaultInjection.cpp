#include "tests/support/FaultInjection.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <filesystem>

namespace thornvale::test {
namespace {

struct Armed {
  bool active = false;
  SystemCall call{};
  int nth = 0;
  Fault::Kind kind{};
  int error = 0;
  int calls = 0;
  bool failNext = false;
  bool loseLater = false;
};

Armed armed;

template <class F>
F real(const char* name) {
  return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

enum class Verdict { Pass, Fail, Halve, Lose };

Verdict verdict(SystemCall call) {
  if (!armed.active || armed.call != call) return Verdict::Pass;
  ++armed.calls;
  if (armed.loseLater) return Verdict::Lose;
  if (armed.failNext) {
    armed.failNext = false;
    return Verdict::Fail;
  }
  if (armed.calls != armed.nth) return Verdict::Pass;
  switch (armed.kind) {
    case Fault::Kind::Error: return Verdict::Fail;
    case Fault::Kind::ShortThen: armed.failNext = true; return Verdict::Halve;
    case Fault::Kind::Kill: ::kill(::getpid(), SIGKILL); return Verdict::Fail;
    case Fault::Kind::FailThenLose: armed.loseLater = true; return Verdict::Fail;
  }
  return Verdict::Pass;
}

}  // namespace

Fault::Fault(SystemCall call, int nth, Kind kind, int error) {
  armed = Armed{true, call, nth, kind, error, 0, false, false};
}
Fault::~Fault() { armed.active = false; }
int Fault::calls() const { return armed.calls; }

CallCounter::CallCounter(SystemCall call) { armed = Armed{true, call, -1, Fault::Kind::Error, 0, 0, false}; }
CallCounter::~CallCounter() { armed.active = false; }
int CallCounter::calls() const { return armed.calls; }

std::size_t openDescriptors() {
  std::size_t n = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
  return n;
}

}  // namespace thornvale::test

using thornvale::test::SystemCall;
using thornvale::test::verdict;
using thornvale::test::Verdict;

extern "C" {

ssize_t pwrite(int fd, const void* buffer, size_t n, off_t offset) {
  static const auto next = thornvale::test::real<ssize_t (*)(int, const void*, size_t, off_t)>("pwrite");
  switch (verdict(SystemCall::Pwrite)) {
    case Verdict::Pass: return next(fd, buffer, n, offset);
    case Verdict::Halve: return next(fd, buffer, n / 2 == 0 ? n : n / 2, offset);
    case Verdict::Lose: return static_cast<ssize_t>(n);
    case Verdict::Fail: errno = thornvale::test::armed.error; return -1;
  }
  return -1;
}

ssize_t pwrite64(int fd, const void* buffer, size_t n, off_t offset) { return pwrite(fd, buffer, n, offset); }

ssize_t write(int fd, const void* buffer, size_t n) {
  static const auto next = thornvale::test::real<ssize_t (*)(int, const void*, size_t)>("write");
  switch (verdict(SystemCall::Write)) {
    case Verdict::Pass: return next(fd, buffer, n);
    case Verdict::Halve: return next(fd, buffer, n / 2 == 0 ? n : n / 2);
    case Verdict::Lose: return static_cast<ssize_t>(n);
    case Verdict::Fail: errno = thornvale::test::armed.error; return -1;
  }
  return -1;
}

int fsync(int fd) {
  static const auto next = thornvale::test::real<int (*)(int)>("fsync");
  if (verdict(SystemCall::Fsync) == Verdict::Pass) return next(fd);
  errno = thornvale::test::armed.error;
  return -1;
}

int linkat(int fromDir, const char* from, int toDir, const char* to, int flags) {
  static const auto next = thornvale::test::real<int (*)(int, const char*, int, const char*, int)>("linkat");
  if (verdict(SystemCall::Linkat) == Verdict::Pass) return next(fromDir, from, toDir, to, flags);
  errno = thornvale::test::armed.error;
  return -1;
}

int renameat(int fromDir, const char* from, int toDir, const char* to) {
  static const auto next = thornvale::test::real<int (*)(int, const char*, int, const char*)>("renameat");
  if (verdict(SystemCall::Renameat) == Verdict::Pass) return next(fromDir, from, toDir, to);
  errno = thornvale::test::armed.error;
  return -1;
}

int close(int fd) {
  static const auto next = thornvale::test::real<int (*)(int)>("close");
  const int closed = next(fd);
  if (verdict(SystemCall::Close) == Verdict::Pass) return closed;
  errno = thornvale::test::armed.error;
  return -1;
}

// The mode comes only with a new file; the others are called without one.
mode_t modeOf(int flags, va_list arguments) {
  return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(arguments, mode_t) : 0;
}

int openUnlessUnnamed(int dir, const char* name, int flags, mode_t mode) {
  static const auto next = thornvale::test::real<int (*)(int, const char*, int, ...)>("openat");
  if ((flags & O_TMPFILE) != O_TMPFILE || verdict(SystemCall::UnnamedOpen) == Verdict::Pass)
    return next(dir, name, flags, mode);
  errno = thornvale::test::armed.error;
  return -1;
}

int openat(int dir, const char* name, int flags, ...) {
  va_list arguments;
  va_start(arguments, flags);
  const mode_t mode = modeOf(flags, arguments);
  va_end(arguments);
  return openUnlessUnnamed(dir, name, flags, mode);
}

int openat64(int dir, const char* name, int flags, ...) {
  va_list arguments;
  va_start(arguments, flags);
  const mode_t mode = modeOf(flags, arguments);
  va_end(arguments);
  return openUnlessUnnamed(dir, name, flags, mode);
}

}  // extern "C"
