#pragma once

#include <sys/stat.h>

#include <csignal>

#include <cstdint>
#include <functional>
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

// Throws unless `mode` is a regular file's.
void refuseUnlessRegular(const std::string& path, mode_t mode, const char* operation);

// Calls `remove` for each name in the open folder `folder` that a process of ours left when it was
// killed: our exact name form and scope (temporaryName), not a link, owned by us, and no process
// of its number alive. `remove` checks the kind of file it expects.
void forEachDeadStray(int folder, const std::function<void(const char* name, const struct stat& st)>& remove);

// open(), again where a signal interrupted it; -1 and errno on failure.
int openRetrying(const std::string& path, int flags);

// What the file layer asks of a file's status. Only these: asking for more (as fstat does) can
// make the next write's flush write the inode a second time on some file systems.
inline constexpr unsigned kExamined = STATX_TYPE | STATX_MODE | STATX_INO | STATX_SIZE;

// The signals a user sends to stop a program, held while the object lives and let through after:
// a replacement does not stop between its two steps, nor a scratch folder before it is removed.
class SignalsHeld {
 public:
  SignalsHeld() {
    sigset_t held;
    sigemptyset(&held);
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE}) sigaddset(&held, s);
    ::pthread_sigmask(SIG_BLOCK, &held, &saved_);
  }
  SignalsHeld(const SignalsHeld&) = delete;
  SignalsHeld& operator=(const SignalsHeld&) = delete;
  ~SignalsHeld() { ::pthread_sigmask(SIG_SETMASK, &saved_, nullptr); }

 private:
  sigset_t saved_;
};

// statx() with kExamined, or a FileError for `path`.
struct statx examine(int fd, const char* name, int flags, const std::string& path);

}  // namespace thornvale::posix
