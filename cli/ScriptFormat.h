#pragma once

// The dump format lives in the exchange library with XLIFF and PO; the commands and their tests
// keep calling it by its old names.
#include "exchange/ScriptFormat.h"

namespace thornvale::cli {

using exchange::formatScript;
using exchange::imageRows;
using exchange::kScriptHeader;
using exchange::readImageRows;

}  // namespace thornvale::cli
