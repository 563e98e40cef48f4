#include "ui/forms/CommandDialogs.h"

#include "codec/FileError.h"
#include "codec/Refusal.h"

namespace thornvale {

void showError(CommandDialogs& dialogs, const FileError& error) {
  // what() names the path as the command handed it to the core, and the system's reason.
  dialogs.message("Error", error.what(), CommandDialogs::Icon::Stop);
}

void showRefusal(CommandDialogs& dialogs, const Refusal& refusal) {
  dialogs.message("Error", refusal.message, CommandDialogs::Icon::Stop);
}

}  // namespace thornvale
