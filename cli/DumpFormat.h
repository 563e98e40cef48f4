#pragma once

// The dump format lives in the exchange library with the other formats; the commands and their
// tests call it by these names in their own namespace.
#include "exchange/DumpFormat.h"

namespace thornvale::cli {

using exchange::formatDump;
using exchange::imageRows;
using exchange::kDumpHeader;
using exchange::readImageRows;

}  // namespace thornvale::cli
