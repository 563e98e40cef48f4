#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace thornvale {

class FileError;
struct Refusal;

// The modal questions that the window commands ask, without a toolkit: each front end answers
// them with its own message boxes and open dialog, owned by the window that asks, and tests
// answer them from a script. Every string is UTF-8.
class CommandDialogs {
 public:
  enum class Icon { None, Stop };

  // One line of an open dialog's file-type list: "nes (*.nes)" showing the files "*.nes". The
  // lists are constants of the commands.
  struct FileType {
    std::string_view description;
    std::string_view pattern;
    friend bool operator==(const FileType&, const FileType&) = default;
  };
  struct OpenRequest {
    std::string title;
    std::vector<FileType> types;
    std::string initialFolder;
  };

  virtual ~CommandDialogs() = default;

  // A modal message box with a single OK button.
  virtual void message(const std::string& title, const std::string& text, Icon icon) = 0;

  // A modal open dialog. The chosen path, or empty when cancelled.
  virtual std::string openFile(const OpenRequest& request) = 0;
};

// How a command reports a file that failed it: the path and the system's reason, under "Error".
void showError(CommandDialogs& dialogs, const FileError& error);

// How a command says no to what the user asked of it, also under "Error".
void showRefusal(CommandDialogs& dialogs, const Refusal& refusal);

}  // namespace thornvale
