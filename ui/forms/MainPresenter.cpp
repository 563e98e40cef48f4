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
    {kTextList, Click, &MainPresenter::txtlst_Click},
    {kEditedText, Change, &MainPresenter::txtedit_Change},
    {kSaveButton, Click, &MainPresenter::cmdsave_Click},
    {kOpenItem, Click, &MainPresenter::mnuopen_Click},
    {kMiscDataItem, Click, &MainPresenter::mnumisc_Click},
    {kAboutItem, Click, &MainPresenter::mnuabout_Click},
    {kExitItem, Click, &MainPresenter::mnuexit_Click},
}};

}  // namespace

void MainPresenter::handle(int control, ControlEvent event) {
  dispatch<MainPresenter>(kWiring, *this, control, event);
}

void MainPresenter::Form_Load() {
  const std::optional<MainView::Version> version = view_.programVersion();
  view_.setCaption(version ? captionFor(version->major, version->minor) : caption());
  miscEnabled_ = false;
  view_.enable(kMiscDataItem, false);
  view_.focus(firstStop(mainfrm()));
}

void MainPresenter::mnuopen_Click() {
  std::optional<OpenedImage> opened = readChosenImage(dialogs_, view_.programFolder());
  if (!opened) return;
  FileName = std::move(opened->path);
  lines_ = std::move(opened->lines);
  miscEnabled_ = true;
  view_.enable(kMiscDataItem, true);
  view_.setLines(kTextList, lines_);
}

void MainPresenter::txtlst_Click() {
  const int position = view_.selectedLine(kTextList);
  if (position < 0 || static_cast<std::size_t>(position) >= lines_.size()) return;
  const std::u16string& line = lines_[static_cast<std::size_t>(position)];
  // Setting the text a box already has may change nothing and so run no change handler; the
  // length box must follow all the same.
  const bool unchanged = view_.text(kEditedText) == line;
  view_.setText(kEditedText, line);
  if (unchanged) txtedit_Change();
  view_.setText(kStoredLength, utf16(lengthText(view_.text(kEditedText))));
}

void MainPresenter::txtedit_Change() {
  view_.setText(kEditedLength, utf16(lengthText(view_.text(kEditedText))));
}

void MainPresenter::cmdsave_Click() {
  saveText(dialogs_, FileName, view_.selectedLine(kTextList), view_.text(kEditedText));
}

void MainPresenter::mnumisc_Click() {
  // A hidden, disabled menu item can still be sent its command.
  if (!miscEnabled_) return;
  const std::unique_ptr<MiscWindow> misc = view_.makeMiscWindow(FileName);
  // After a file failure, which this window shows, the misc data window is not shown at all.
  if (misc->presenter().Form_Load(dialogs_)) misc->showModal();
}

void MainPresenter::mnuabout_Click() { showAbout(dialogs_, FileName); }

void MainPresenter::mnuexit_Click() { view_.closeWindow(); }

}  // namespace thornvale::forms
