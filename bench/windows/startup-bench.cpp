// Start-up of the editor against a bare Windows API window, both started the same way in the same
// run: from CreateProcessW until the program's first window is shown and it waits for input
// (WaitForInputIdle), then closed. Prints the medians and their ratio; asserts nothing.
//
//   startup-bench EDITOR.exe BARE.exe [RUNS]

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

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: startup-bench EDITOR.exe BARE.exe [RUNS]\n");
    return 2;
  }
  const int runs = argc > 3 ? std::max(1, _wtoi(argv[3])) : 15;
  std::vector<double> editor, bare;
  // Once each first, not counted: the first start of a program reads it from the disk.
  startOnce(argv[1]);
  startOnce(argv[2]);
  // Alternating, so that whatever the machine does meanwhile falls on both alike.
  for (int i = 0; i < runs; ++i) {
    const double e = startOnce(argv[1]);
    const double b = startOnce(argv[2]);
    if (e < 0 || b < 0) {
      std::fprintf(stderr, "startup-bench: a program showed no window\n");
      return 1;
    }
    editor.push_back(e);
    bare.push_back(b);
  }
  // The median, and the fastest start, which other load on a shared machine can only slow down.
  const double e = median(editor);
  const double b = median(bare);
  const double eFast = *std::min_element(editor.begin(), editor.end());
  const double bFast = *std::min_element(bare.begin(), bare.end());
  std::printf(
      "start-up under Wine, %d runs each: editor %.1f ms, bare window %.1f ms, ratio %.2f (median); "
      "%.1f ms, %.1f ms, ratio %.2f (fastest); goal: at most 1.2\n",
      runs, e, b, e / b, eFast, bFast, eFast / bFast);
  return 0;
}
