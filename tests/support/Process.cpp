#include "tests/support/Process.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <stdexcept>

namespace thornvale::test {
namespace {

// Unnamed in-memory files: a process's streams leave nothing on the disk and cannot fill a pipe.
int memoryFile(const char* name, const std::string& content = {}) {
  const int fd = ::memfd_create(name, 0);
  if (fd < 0) throw std::runtime_error("memfd_create failed");
  if (!content.empty() &&
      ::pwrite(fd, content.data(), content.size(), 0) != static_cast<ssize_t>(content.size())) {
    throw std::runtime_error("cannot prepare standard input");
  }
  return fd;
}

std::string contentOf(int fd) {
  std::string text;
  char buffer[4096];
  for (off_t at = 0;;) {
    const ssize_t n = ::pread(fd, buffer, sizeof buffer, at);
    if (n <= 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
    at += n;
  }
  ::close(fd);
  return text;
}

}  // namespace

RunningProcess::RunningProcess(const std::vector<std::string>& argv, const std::string& input,
                               bool discardOutput)
    : discard_(discardOutput) {
  const int in = memoryFile("stdin", input);
  out_ = discardOutput ? ::open("/dev/null", O_WRONLY | O_CLOEXEC) : memoryFile("stdout");
  err_ = discardOutput ? ::open("/dev/null", O_WRONLY | O_CLOEXEC) : memoryFile("stderr");
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);

  pid_ = ::fork();
  if (pid_ == 0) {
    ::dup2(in, 0);
    ::dup2(out_, 1);
    ::dup2(err_, 2);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  ::close(in);
}

RunningProcess::~RunningProcess() {
  if (pid_ > 0) (void)wait();
}

void RunningProcess::signal(int number) {
  if (pid_ > 0) ::kill(pid_, number);
}

ProcessOutcome RunningProcess::wait() {
  ProcessOutcome outcome;
  if (pid_ <= 0) return outcome;
  int status = 0;
  while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
  outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  outcome.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  if (discard_) {
    ::close(out_);
    ::close(err_);
  } else {
    outcome.out = contentOf(out_);
    outcome.err = contentOf(err_);
  }
  return outcome;
}

}  // namespace thornvale::test
