#pragma once

#include <functional>
#include <memory>

#include "ui/forms/CommandDialogs.h"

namespace thornvale::forms {

// The dialogs one window asks through: the platform's, made for and owned by that window, unless
// a test gives answers of its own, which the windows it opens then use too.
class WindowDialogs {
 public:
  WindowDialogs(CommandDialogs* answers, const std::function<std::unique_ptr<CommandDialogs>()>& platform)
      : own_(answers == nullptr ? platform() : nullptr), dialogs_(answers == nullptr ? *own_ : *answers) {}

  [[nodiscard]] CommandDialogs& get() const { return dialogs_; }
  // What a window opened from this one is to answer with: null for dialogs of its own.
  [[nodiscard]] CommandDialogs* answersForOpened() const { return own_ == nullptr ? &dialogs_ : nullptr; }

 private:
  std::unique_ptr<CommandDialogs> own_;
  CommandDialogs& dialogs_;
};

}  // namespace thornvale::forms
