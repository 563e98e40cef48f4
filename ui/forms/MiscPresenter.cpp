#include "ui/forms/MiscPresenter.h"

#include <optional>

#include "codec/Utf.h"
#include "ui/forms/MiscCommands.h"
#include "ui/forms/Forms.h"

namespace thornvale::forms {

bool MiscPresenter::Form_Load(CommandDialogs& ownerDialogs) {
  const std::optional<MiscData> loaded = loadMisc(ownerDialogs, imageName_);
  if (!loaded) return false;
  loaded_ = *loaded;
  const MiscShown shown = miscShown(loaded_);
  view_.check(kOpdebugd, shown.option == DebugMenu::Disabled);
  view_.check(kOpdebuge, shown.option == DebugMenu::Enabled);
  view_.setText(kText1, fromUtf8(shown.hitCount).value_or(std::u16string()));
  return true;
}

void MiscPresenter::cmdsave_Click() {
  const DebugMenu chosen = view_.checked(kOpdebugd)   ? DebugMenu::Disabled
                           : view_.checked(kOpdebuge) ? DebugMenu::Enabled
                                                      : DebugMenu::Unknown;
  if (saveMisc(dialogs_, imageName_, loaded_, chosen, view_.text(kText1))) view_.closeWindow();
}

void MiscPresenter::cmdcancel_Click() { view_.closeWindow(); }

}  // namespace thornvale::forms
