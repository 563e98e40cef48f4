#include "ui/forms/MiscCommands.h"

#include "codec/FileAccess.h"
#include "codec/FileError.h"

namespace thornvale {
namespace {

bool blank(std::u16string_view text) { return text.find_first_not_of(u" \t") == std::u16string_view::npos; }

}  // namespace

std::optional<MiscData> loadMisc(CommandDialogs& dialogs, const std::string& imageName) {
  try {
    return ReadMiscData(imageName);
  } catch (const FileError& error) {
    showError(dialogs, error);
    return std::nullopt;
  }
}

MiscShown miscShown(const MiscData& loaded) {
  MiscShown shown;
  if (loaded.debugMenu) shown.option = debugMenuState(*loaded.debugMenu);
  if (loaded.hitCount) shown.hitCount = std::to_string(*loaded.hitCount);
  return shown;
}

bool saveMisc(CommandDialogs& dialogs, const std::string& imageName, const MiscData& loaded, DebugMenu chosen,
              std::u16string_view hitCount) {
  MiscData values;
  if (chosen == DebugMenu::Disabled) values.debugMenu = kDebugMenuDisabled;
  if (chosen == DebugMenu::Enabled) values.debugMenu = kDebugMenuEnabled;
  // An empty box for a byte the file does not have is no hit count to refuse: the debug menu
  // can still be saved. Anything typed there is the user's wish and goes to the core, which
  // refuses a byte past the end.
  if (loaded.hitCount || !blank(hitCount)) {
    values.hitCount = parseHitCount(hitCount);
    if (!values.hitCount) {
      showRefusal(dialogs, hitCountRefusal());
      return false;
    }
  }
  if (!values.debugMenu && !values.hitCount) return true;
  try {
    WriteMiscData(imageName, values);
  } catch (const FileError& error) {
    // The message says first whether the values are in the file; the window closes if they are.
    showError(dialogs, error);
    return savedButNotClosed(error);
  }
  return true;
}

}  // namespace thornvale
