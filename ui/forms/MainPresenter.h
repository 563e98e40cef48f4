#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ui/forms/CommandDialogs.h"
#include "ui/forms/FormView.h"

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
  // Shows the misc data window over this one for `imageName`, and returns when it is closed.
  virtual void showMiscWindow(const std::string& imageName) = 0;
};

// The main window's handlers, for every front end: each front end passes its events here.
class MainPresenter {
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
