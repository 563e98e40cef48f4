// Running a program on Windows: CreateProcessW with a command line quoted as the C runtime
// splits it, the streams in temporary files that vanish when closed.

#include <windows.h>

#include <stdexcept>

#include "codec/WideString.h"
#include "tests/support/Process.h"

namespace thornvale::test {
namespace {

// One argument as CommandLineToArgvW and the C runtime read it back: quotes around it, a quote
// inside escaped, and backslashes doubled only where a quote follows them.
std::wstring quoted(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
  std::wstring out = L"\"";
  for (std::size_t i = 0;; ++i) {
    std::size_t backslashes = 0;
    while (i < arg.size() && arg[i] == L'\\') ++i, ++backslashes;
    if (i == arg.size()) {
      out.append(backslashes * 2, L'\\');
      break;
    }
    out.append(arg[i] == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    out += arg[i];
  }
  return out + L"\"";
}

HANDLE scratchFile(const std::string& content = {}) {
  wchar_t folder[MAX_PATH + 1];
  wchar_t name[MAX_PATH + 1];
  GetTempPathW(MAX_PATH + 1, folder);
  if (GetTempFileNameW(folder, L"tvp", 0, name) == 0) throw std::runtime_error("cannot name a scratch file");
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE file =
      CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot make a scratch file");
  DWORD written = 0;
  if (!content.empty() &&
      !WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr)) {
    throw std::runtime_error("cannot prepare standard input");
  }
  SetFilePointer(file, 0, nullptr, FILE_BEGIN);
  return file;
}

std::string contentOf(HANDLE file) {
  std::string text;
  SetFilePointer(file, 0, nullptr, FILE_BEGIN);
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
  CloseHandle(file);
  return text;
}

}  // namespace

RunningProcess::RunningProcess(const std::vector<std::string>& argv, const std::string& input,
                               bool discardOutput)
    : discard_(discardOutput) {
  std::wstring commandLine;
  for (const std::string& arg : argv) {
    if (!commandLine.empty()) commandLine += L' ';
    commandLine += quoted(windows::widen(arg).value());
  }
  HANDLE in = scratchFile(input);
  out_ = scratchFile();
  err_ = scratchFile();
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out_;
  startup.hStdError = err_;
  PROCESS_INFORMATION process{};
  const std::wstring program = windows::widen(argv.at(0)).value();
  const bool started = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                      CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process);
  const DWORD error = GetLastError();
  CloseHandle(in);
  if (!started) {
    CloseHandle(out_);
    CloseHandle(err_);
    throw std::runtime_error("cannot start " + argv[0] + ": " + windows::systemMessage(error));
  }
  CloseHandle(process.hThread);
  process_ = process.hProcess;
}

RunningProcess::~RunningProcess() {
  if (process_ != nullptr) (void)wait();
}

void RunningProcess::signal(int number) { TerminateProcess(process_, static_cast<UINT>(number)); }

ProcessOutcome RunningProcess::wait() {
  WaitForSingleObject(process_, INFINITE);
  DWORD status = 0;
  GetExitCodeProcess(process_, &status);
  CloseHandle(process_);
  process_ = nullptr;
  ProcessOutcome outcome;
  outcome.status = static_cast<int>(status);
  if (discard_) {
    CloseHandle(out_);
    CloseHandle(err_);
  } else {
    outcome.out = contentOf(out_);
    outcome.err = contentOf(err_);
  }
  return outcome;
}

}  // namespace thornvale::test
