#include "cli/windows/Console.h"

#include <windows.h>
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <iostream>

#include "codec/windows/WideString.h"

namespace thornvale::cli {

std::vector<std::string> utf8Arguments() {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> args;
  if (wide == nullptr) return args;
  for (int i = 1; i < count; ++i) args.push_back(windows::narrow(wide[i]));
  LocalFree(wide);
  return args;
}

Utf8Console::Utf8Console() : input_(GetConsoleCP()), output_(GetConsoleOutputCP()) {
  SetConsoleOutputCP(CP_UTF8);
  SetConsoleCP(CP_UTF8);
  for (FILE* stream : {stdin, stdout, stderr}) _setmode(_fileno(stream), _O_BINARY);
}

Utf8Console::~Utf8Console() {
  // What is still buffered must reach the console while it reads UTF-8.
  std::cout.flush();
  std::cerr.flush();
  std::fflush(nullptr);
  // Zero where there is no console: nothing to put back.
  if (output_ != 0) SetConsoleOutputCP(output_);
  if (input_ != 0) SetConsoleCP(input_);
}

}  // namespace thornvale::cli
