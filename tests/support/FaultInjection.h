#pragma once

// A seam in front of the system's file calls, for the failures a disk or a kernel can bring: the
// test executable defines pwrite, write, fsync, linkat, renameat, close and openat itself, and passes each
// call on to the C library unless a Fault in scope says otherwise. Nothing in the programs knows
// of it.

#include <cstddef>

namespace thornvale::test {

// A failing close still releases the descriptor, as Linux's does.
// UnnamedOpen is an openat() that asks for an unnamed file (O_TMPFILE): failing it with
// EOPNOTSUPP plays a file system without them (FAT, some network file systems).
enum class SystemCall { Pwrite, Write, Fsync, Linkat, Renameat, Close, UnnamedOpen };

class Fault {
 public:
  enum class Kind {
    Error,      // the call fails with `error`
    ShortThen,  // the call writes half of its bytes; the next such call fails with `error`
    Kill,       // the process kills itself with SIGKILL instead of making the call
    FailThenLose,  // the call fails with `error`; every later write of its kind reports all its
                   // bytes written and writes none, as a driver that drops rewrites
  };

  // The `nth` call (1-based) of `call` made while this lives fails as `kind` says.
  Fault(SystemCall call, int nth, Kind kind, int error = 0);
  Fault(const Fault&) = delete;
  Fault& operator=(const Fault&) = delete;
  ~Fault();

  // How many calls of its kind were made while it lived.
  [[nodiscard]] int calls() const;
};

// Counts calls of `call` while it lives, without failing any.
class CallCounter {
 public:
  explicit CallCounter(SystemCall call);
  CallCounter(const CallCounter&) = delete;
  CallCounter& operator=(const CallCounter&) = delete;
  ~CallCounter();
  [[nodiscard]] int calls() const;
};

// The process's open descriptors, for tests that nothing leaks.
[[nodiscard]] std::size_t openDescriptors();

}  // namespace thornvale::test
