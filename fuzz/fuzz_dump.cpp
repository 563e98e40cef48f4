#include "fuzz/FuzzChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  thornvale::fuzz::checkDump(data, size);
  return 0;
}
