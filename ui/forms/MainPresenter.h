#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/forms/CommandDialogs.h"
#include "ui/forms/FormPresenter.h"
#include "ui/forms/FormView.h"
#include "ui/forms/MiscPresenter.h"

namespace thornvale::forms {

// What the main window needs of its front end beyond its controls.
class MainView : public FormView {
 public:
  struct Version {
    int major;
    int minor;
  };

  // The folder of the running program, UTF-8: the Open dialog starts there.
  [[nodiscard]] virtual std::string programFolder() const = 0;
  // The version the program itself carries, where the platform keeps one; else this build's.
  [[nodiscard]] virtual std::optional<Version> programVersion() const = 0;
  // The misc data window over this one for `imageName`, made but not yet loaded or shown.
  [[nodiscard]] virtual std::unique_ptr<MiscWindow> makeMiscWindow(const std::string& imageName) = 0;
};

// The main window's handlers, for every front end: each front end passes its events here.
class MainPresenter final : public FormPresenter {
 public:
  MainPresenter(MainView& view, CommandDialogs& dialogs) : view_(view), dialogs_(dialogs) {}

  void Form_Load();
  void mnuopen_Click();
  void txtlst_Click();
  void txtedit_Change();
  void cmdsave_Click();
  void mnumisc_Click();
  void mnuabout_Click();
  void mnuexit_Click();

  void handle(int control, ControlEvent event) override;
  // Nothing: the main window has no cancel button.
  void escapePressed() override {}
  // Nothing is asked and nothing is saved: an unsaved edit is lost, as the user chose.
  [[nodiscard]] bool closeRequested() override { return true; }

  // The image name: the one place where the window keeps it, set only by an Open that read it.
  std::string FileName;

 private:
  MainView& view_;
  CommandDialogs& dialogs_;
  // What the list shows, as it was read.
  std::vector<std::u16string> lines_;
  bool miscEnabled_ = false;
};

}  // namespace thornvale::forms
