#pragma once

#include <string>

namespace thornvale {

// While it lives, what anything in the process writes to standard error (a library's own
// "[ERROR]" lines) is kept here instead of reaching the terminal, where it would carry paths'
// control characters raw and speak of files the user never named. text() hands it over, for the
// caller to say in its own words.
class CapturedMessages {
 public:
  CapturedMessages();
  ~CapturedMessages();
  CapturedMessages(const CapturedMessages&) = delete;
  CapturedMessages& operator=(const CapturedMessages&) = delete;

  // What was written so far, at most the first 64 KiB.
  [[nodiscard]] std::string text() const;

 private:
  int saved_ = -1;
  int kept_ = -1;
};

// The system's reason in a library's messages ("... System error = No space left on device"), or
// `otherwise` where they name none.
[[nodiscard]] std::string systemReasonIn(const std::string& messages, const std::string& otherwise);

}  // namespace thornvale
