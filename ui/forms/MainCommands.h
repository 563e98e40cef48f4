#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/forms/CommandDialogs.h"

namespace thornvale {

// What the main window's commands decide, for every front end. A window builds its controls,
// hands their contents to these and shows what comes back; the file work is the core's.

// "Thornvale Text Editor - " and the version's major and minor parts in plain decimal.
[[nodiscard]] std::string captionFor(int major, int minor);
// The caption of this build.
[[nodiscard]] std::string caption();

// The About box's one line, naming this build's version.
[[nodiscard]] std::string aboutText();
// The same, and a second line naming the folder of character tables that the open image
// `imageName` is read through, only where that folder holds tables of the user's.
[[nodiscard]] std::string aboutText(const std::string& imageName);
void showAbout(CommandDialogs& dialogs);
void showAbout(CommandDialogs& dialogs, const std::string& imageName);

inline constexpr std::string_view kOpenTitle = "Open a Thornvale PRG0 U NES Rom";
inline constexpr std::array<CommandDialogs::FileType, 1> kOpenFileTypes = {{{"nes (*.nes)", "*.nes"}}};

// What File, Open read: the image's path and its 70 texts in list order.
struct OpenedImage {
  std::string path;
  std::vector<std::u16string> lines;
};

// File, Open. Asks for an image in `programFolder` and reads all 70 texts, through the character
// tables beside it, before anything changes. After a cancel or a failure (shown, with path and
// reason; for a table file that cannot be used, its line) it returns nothing: the window keeps the
// image it had, which a save must still go to.
[[nodiscard]] std::optional<OpenedImage> readChosenImage(CommandDialogs& dialogs, const std::string& programFolder);

enum class SaveOutcome { NothingSelected, Refused, Failed, Written };

// The main window's save button: the text typed for the line at `position` (-1: none selected) goes into
// the image if the entry takes it, encoded through the tables beside the image as they are now.
// Refuses a wrong length first, then characters that the entry's table cannot store; shows a
// refusal or a file failure (a table file that cannot be used among them) and writes nothing then.
SaveOutcome saveText(CommandDialogs& dialogs, const std::string& imageName, int position,
                     std::u16string_view text);

// What a length box shows for a text: its characters, as the save counts them, in decimal.
[[nodiscard]] std::string lengthText(std::u16string_view text);

}  // namespace thornvale
