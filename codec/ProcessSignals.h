#pragma once

namespace thornvale {

// Called first by each program of ours. A write to a pipe whose reader is gone (SIGPIPE) or past
// a file-size limit (SIGXFSZ) then fails with an error that the program reports, where the signal
// would end it without a word, halfway between a change and its report. Nothing to do on Windows.
void reportFailedWritesAsErrors();

}  // namespace thornvale
