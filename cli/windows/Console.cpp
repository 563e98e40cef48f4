#include "cli/Console.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstdio>
#include <iostream>

#include "codec/WideString.h"

namespace thornvale::cli {

Console::Console(int, char**) : input_(GetConsoleCP()), output_(GetConsoleOutputCP()) {
  std::ios::sync_with_stdio(false);
  SetConsoleOutputCP(CP_UTF8);
  SetConsoleCP(CP_UTF8);
  for (FILE* stream : {stdin, stdout, stderr}) _setmode(_fileno(stream), _O_BINARY);
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return;
  for (int i = 1; i < count; ++i) arguments_.push_back(windows::narrow(wide[i]));
  LocalFree(wide);
}

Console::~Console() {
  // What is still buffered must reach the console while it reads UTF-8.
  std::cout.flush();
  std::cerr.flush();
  std::fflush(nullptr);
  // Zero where there is no console: nothing to put back.
  if (output_ != 0) SetConsoleOutputCP(output_);
  if (input_ != 0) SetConsoleCP(input_);
}

}  // namespace thornvale::cli
