#include "ui/forms/MainPresenter.h"

#include "codec/Utf.h"
#include "ui/forms/MainCommands.h"
#include "ui/forms/Forms.h"

namespace thornvale::forms {
namespace {

std::u16string utf16(const std::string& ascii) { return fromUtf8(ascii).value_or(std::u16string()); }

}  // namespace

void MainPresenter::Form_Load() {
  const std::optional<MainView::Version> version = view_.programVersion();
  view_.setCaption(version ? captionFor(version->major, version->minor) : caption());
  miscEnabled_ = false;
  view_.enable(kMnumisc, false);
}

void MainPresenter::mnuopen_Click() {
  std::optional<OpenedImage> opened = readChosenImage(dialogs_, view_.programFolder());
  if (!opened) return;
  FileName = std::move(opened->path);
  lines_ = std::move(opened->lines);
  miscEnabled_ = true;
  view_.enable(kMnumisc, true);
  view_.setLines(kTxtlst, lines_);
}

void MainPresenter::txtlst_Click() {
  const int position = view_.selectedLine(kTxtlst);
  if (position < 0 || static_cast<std::size_t>(position) >= lines_.size()) return;
  const std::u16string& line = lines_[static_cast<std::size_t>(position)];
  // Setting the text a box already has may change nothing and so run no change handler; the
  // length box must follow all the same.
  const bool unchanged = view_.text(kTxtedit) == line;
  view_.setText(kTxtedit, line);
  if (unchanged) txtedit_Change();
  view_.setText(kTxtindex, utf16(lengthText(view_.text(kTxtedit))));
}

void MainPresenter::txtedit_Change() { view_.setText(kTxtlength, utf16(lengthText(view_.text(kTxtedit)))); }

void MainPresenter::cmdsave_Click() {
  saveText(dialogs_, FileName, view_.selectedLine(kTxtlst), view_.text(kTxtedit));
}

void MainPresenter::mnumisc_Click() {
  // A hidden, disabled menu item can still be sent its command.
  if (miscEnabled_) view_.showMiscWindow(FileName);
}

void MainPresenter::mnuabout_Click() { showAbout(dialogs_); }

void MainPresenter::mnuexit_Click() { view_.closeWindow(); }

}  // namespace thornvale::forms
