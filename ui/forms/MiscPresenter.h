#pragma once

#include <string>

#include "catalogue/MiscData.h"
#include "ui/forms/CommandDialogs.h"
#include "ui/forms/FormPresenter.h"
#include "ui/forms/FormView.h"

namespace thornvale::forms {

// The misc data window's handlers, for every front end. It reads the two bytes when it loads and
// writes them only on Save.
class MiscPresenter final : public FormPresenter {
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

  void handle(int control, ControlEvent event) override;
  // Closes like the close box, writing nothing.
  void escapePressed() override;
  // Closes, writing nothing.
  [[nodiscard]] bool closeRequested() override { return true; }

 private:
  FormView& view_;
  CommandDialogs& dialogs_;
  std::string imageName_;
  MiscData loaded_;
};

// The misc data window as the window that asks for it sees it: made, not yet shown.
class MiscWindow {
 public:
  virtual ~MiscWindow() = default;

  [[nodiscard]] virtual MiscPresenter& presenter() = 0;
  // Shows the window over its owner and returns when it is closed; the owner takes no input
  // meanwhile.
  virtual void showModal() = 0;
};

}  // namespace thornvale::forms
