#include "ui/forms/MiscPresenter.h"

#include <array>
#include <optional>

#include "codec/Utf.h"
#include "ui/forms/Forms.h"
#include "ui/forms/Keyboard.h"
#include "ui/forms/MiscCommands.h"

namespace thornvale::forms {
namespace {

constexpr std::array<Wire<MiscPresenter>, 2> kWiring = {{
    {kMiscSaveButton, ControlEvent::Click, &MiscPresenter::cmdsave_Click},
    {kMiscCancelButton, ControlEvent::Click, &MiscPresenter::cmdcancel_Click},
}};

}  // namespace

bool MiscPresenter::Form_Load(CommandDialogs& ownerDialogs) {
  const std::optional<MiscData> loaded = loadMisc(ownerDialogs, imageName_);
  if (!loaded) return false;
  loaded_ = *loaded;
  const MiscShown shown = miscShown(loaded_);
  view_.check(kDebugDisabledOption, shown.option == DebugMenu::Disabled);
  view_.check(kDebugEnabledOption, shown.option == DebugMenu::Enabled);
  view_.setText(kHitCount, fromUtf8(shown.hitCount).value_or(std::u16string()));
  view_.focus(firstStop(miscfrm()));
  return true;
}

void MiscPresenter::cmdsave_Click() {
  const DebugMenu chosen = view_.checked(kDebugDisabledOption)  ? DebugMenu::Disabled
                           : view_.checked(kDebugEnabledOption) ? DebugMenu::Enabled
                                                                : DebugMenu::Unknown;
  if (saveMisc(dialogs_, imageName_, loaded_, chosen, view_.text(kHitCount))) view_.closeWindow();
}

void MiscPresenter::cmdcancel_Click() { view_.closeWindow(); }

void MiscPresenter::handle(int control, ControlEvent event) {
  dispatch<MiscPresenter>(kWiring, *this, control, event);
}

void MiscPresenter::escapePressed() { view_.closeWindow(); }

}  // namespace thornvale::forms
