#pragma once

#include <string>
#include <vector>

namespace thornvale::test {

struct ProcessOutcome {
  int status = -1;  // the exit status, or -1 for a process ended by a signal
  int signal = 0;   // the signal that ended it, if one did
  std::string out;
  std::string err;
};

// The program `argv[0]` (a path) started as a real process with `input` as its standard input.
// Standard output and error are kept unless `discardOutput`. The destructor waits for it.
class RunningProcess {
 public:
  explicit RunningProcess(const std::vector<std::string>& argv, const std::string& input = {},
                          bool discardOutput = false);
  RunningProcess(const RunningProcess&) = delete;
  RunningProcess& operator=(const RunningProcess&) = delete;
  ~RunningProcess();

  // On Windows, where there are no signals, the process ends at once with `number` as its status.
  void signal(int number);
  ProcessOutcome wait();

 private:
#ifdef _WIN32
  void* process_ = nullptr;  // HANDLEs
  void* out_ = nullptr;
  void* err_ = nullptr;
#else
  int pid_ = -1;
  int out_ = -1;
  int err_ = -1;
#endif
  bool discard_;
};

// Starts the program and waits for it.
inline ProcessOutcome runProcess(const std::vector<std::string>& argv, const std::string& input = {},
                                 bool discardOutput = false) {
  return RunningProcess(argv, input, discardOutput).wait();
}

}  // namespace thornvale::test
