#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "catalogue/MiscData.h"
#include "ui/forms/CommandDialogs.h"

namespace thornvale {

// What the misc data window decides, for every front end.

// Reads the two bytes for the window. After a file failure, which it shows, it returns nothing
// and the window is not shown.
[[nodiscard]] std::optional<MiscData> loadMisc(CommandDialogs& dialogs, const std::string& imageName);

// What the window shows of what it read: the option to select (Unknown: neither) and the text
// of the hit-count box, empty for a byte past the end of the file.
struct MiscShown {
  DebugMenu option = DebugMenu::Unknown;
  std::string hitCount;
};
[[nodiscard]] MiscShown miscShown(const MiscData& loaded);

// Save: writes the option chosen (Unknown: neither, which leaves the byte alone) and the hit
// count typed. True when the window may close: the values are in the file (a failure to close it
// afterwards is shown, saying so). False after a refusal or a file failure, which it shows, having
// written nothing.
[[nodiscard]] bool saveMisc(CommandDialogs& dialogs, const std::string& imageName, const MiscData& loaded,
                            DebugMenu chosen, std::u16string_view hitCount);

}  // namespace thornvale
