#pragma once

#include <string>

#include "catalogue/MiscData.h"
#include "ui/forms/CommandDialogs.h"
#include "ui/forms/FormView.h"

namespace thornvale::forms {

// The misc data window's handlers, for every front end. It reads the two bytes when it loads and
// writes them only on Save.
class MiscPresenter {
 public:
  // `imageName` is the image name as the main window holds it when the window is asked for.
  MiscPresenter(FormView& view, CommandDialogs& dialogs, std::string imageName)
      : view_(view), dialogs_(dialogs), imageName_(std::move(imageName)) {}

  // Reads the two bytes into the controls. False after a file failure, which it shows through
  // `ownerDialogs`, those of the window that asked for this one: this one is not on the screen,
  // and is then not to be shown.
  [[nodiscard]] bool Form_Load(CommandDialogs& ownerDialogs);
  // Writes what the controls hold and closes; refuses a hit count that is no byte and stays.
  void cmdsave_Click();
  // Closes without writing.
  void cmdcancel_Click();

 private:
  FormView& view_;
  CommandDialogs& dialogs_;
  std::string imageName_;
  MiscData loaded_;
};

}  // namespace thornvale::forms
