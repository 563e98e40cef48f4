#include "ui/forms/MainCommands.h"

#include "catalogue/Catalogue.h"
#include "catalogue/SaveCheck.h"
#include "codec/FileAccess.h"
#include "codec/FileError.h"
#include "codec/GetTexts.h"

namespace thornvale {

std::string captionFor(int major, int minor) {
  return "Thornvale Text Editor - " + std::to_string(major) + "." + std::to_string(minor);
}

std::string caption() { return captionFor(THORNVALE_VERSION_MAJOR, THORNVALE_VERSION_MINOR); }

std::string aboutText() {
  return "Thornvale Text Editor " THORNVALE_VERSION ", made by the Thornvale editor team. MIT licence.";
}

void showAbout(CommandDialogs& dialogs) { dialogs.message("About", aboutText(), CommandDialogs::Icon::None); }

std::optional<OpenedImage> readChosenImage(CommandDialogs& dialogs, const std::string& programFolder) {
  OpenedImage opened;
  opened.path = dialogs.openFile(
      {std::string(kOpenTitle), {kOpenFileTypes.begin(), kOpenFileTypes.end()}, programFolder});
  if (opened.path.empty()) return std::nullopt;
  opened.lines.reserve(kCatalogueSize);
  try {
    for (const CatalogueEntry& entry : catalogue()) {
      opened.lines.push_back(ReadText(entry.offset, opened.path, entry.length, entry.tableName));
    }
  } catch (const FileError& error) {
    showError(dialogs, error);
    return std::nullopt;
  }
  return opened;
}

SaveOutcome saveText(CommandDialogs& dialogs, const std::string& imageName, int position,
                     std::u16string_view text) {
  const CatalogueEntry* entry = catalogueEntry(position);
  if (entry == nullptr) return SaveOutcome::NothingSelected;
  try {
    if (const std::optional<Refusal> refusal = saveEntry(imageName, *entry, text)) {
      showRefusal(dialogs, *refusal);
      return SaveOutcome::Refused;
    }
  } catch (const FileError& error) {
    // The message says first whether the text is in the file.
    showError(dialogs, error);
    return savedButNotClosed(error) ? SaveOutcome::Written : SaveOutcome::Failed;
  }
  return SaveOutcome::Written;
}

std::string lengthText(std::u16string_view text) { return std::to_string(text.size()); }

}  // namespace thornvale
