// Start-up of Windows programs against the first one named, all started the same way in the same
// run: from CreateProcessW until the program's first window is shown and it waits for input
// (WaitForInputIdle), then closed. Prints the medians, the fastest starts and their ratios to the
// first program's; asserts nothing.
//
//   startup-bench RUNS FLOOR.exe PROGRAM.exe...

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Found {
  DWORD process;
  HWND window = nullptr;
};

BOOL CALLBACK findShown(HWND window, LPARAM found) {
  auto* f = reinterpret_cast<Found*>(found);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != f->process || !IsWindowVisible(window)) return TRUE;
  f->window = window;
  return FALSE;
}

// Milliseconds until the program shows a window and waits for input; -1 when it fails to.
double startOnce(const std::wstring& program) {
  std::wstring commandLine = L"\"" + program + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  LARGE_INTEGER frequency, begin, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&begin);
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return -1;
  }
  Found found{process.dwProcessId};
  WaitForInputIdle(process.hProcess, 30000);
  while (found.window == nullptr && WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) {
    EnumWindows(findShown, reinterpret_cast<LPARAM>(&found));
    if (found.window == nullptr) Sleep(1);
  }
  QueryPerformanceCounter(&end);
  if (found.window != nullptr) PostMessageW(found.window, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  if (found.window == nullptr) return -1;
  return 1000.0 * static_cast<double>(end.QuadPart - begin.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

std::wstring fileName(const std::wstring& path) {
  const auto slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: startup-bench RUNS FLOOR.exe PROGRAM.exe...\n");
    return 2;
  }
  const int runs = std::max(1, _wtoi(argv[1]));
  const std::vector<std::wstring> programs(argv + 2, argv + argc);
  std::vector<std::vector<double>> times(programs.size());
  // Once each first, not counted: the first start of a program reads it from the disk.
  for (const std::wstring& program : programs) startOnce(program);
  // In turn, so that whatever the machine does meanwhile falls on all alike.
  for (int i = 0; i < runs; ++i) {
    for (std::size_t p = 0; p < programs.size(); ++p) {
      const double t = startOnce(programs[p]);
      if (t < 0) {
        std::fprintf(stderr, "startup-bench: %ls showed no window\n", fileName(programs[p]).c_str());
        return 1;
      }
      times[p].push_back(t);
    }
  }
  // The median, and the fastest start, which other load on a shared machine can only slow down.
  std::printf("start-up under Wine, %d runs each: median (fastest), and as a ratio to the first\n", runs);
  const double floor = median(times[0]);
  const double floorFast = *std::min_element(times[0].begin(), times[0].end());
  for (std::size_t p = 0; p < programs.size(); ++p) {
    const double m = median(times[p]);
    const double fast = *std::min_element(times[p].begin(), times[p].end());
    std::printf("  %-22ls %6.1f ms (%5.1f ms)  %.2fx (%.2fx)\n", fileName(programs[p]).c_str(), m, fast,
                m / floor, fast / floorFast);
  }
  return 0;
}
