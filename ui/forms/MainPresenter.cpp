#include "ui/forms/MainPresenter.h"

#include <array>

#include "codec/Utf.h"
#include "ui/forms/Forms.h"
#include "ui/forms/Keyboard.h"
#include "ui/forms/MainCommands.h"

namespace thornvale::forms {
namespace {

std::u16string utf16(const std::string& ascii) { return fromUtf8(ascii).value_or(std::u16string()); }

using enum ControlEvent;

constexpr std::array<Wire<MainPresenter>, 7> kWiring = {{
    {kTxtlst, Click, &MainPresenter::txtlst_Click},
    {kTxtedit, Change, &MainPresenter::txtedit_Change},
    {kCmdsave, Click, &MainPresenter::cmdsave_Click},
    {kMnuopen, Click, &MainPresenter::mnuopen_Click},
    {kMnumisc, Click, &MainPresenter::mnumisc_Click},
    {kMnuabout, Click, &MainPresenter::mnuabout_Click},
    {kMnuexit, Click, &MainPresenter::mnuexit_Click},
}};

}  // namespace

void MainPresenter::handle(int control, ControlEvent event) {
  dispatch<MainPresenter>(kWiring, *this, control, event);
}

void MainPresenter::Form_Load() {
  const std::optional<MainView::Version> version = view_.programVersion();
  view_.setCaption(version ? captionFor(version->major, version->minor) : caption());
  miscEnabled_ = false;
  view_.enable(kMnumisc, false);
  view_.focus(firstStop(mainfrm()));
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
  if (!miscEnabled_) return;
  const std::unique_ptr<MiscWindow> misc = view_.makeMiscWindow(FileName);
  // After a file failure, which this window shows, the misc data window is not shown at all.
  if (misc->presenter().Form_Load(dialogs_)) misc->showModal();
}

void MainPresenter::mnuabout_Click() { showAbout(dialogs_); }

void MainPresenter::mnuexit_Click() { view_.closeWindow(); }

}  // namespace thornvale::forms
