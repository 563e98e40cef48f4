#include "ui/forms/MainCommands.h"

#include "catalogue/Catalogue.h"
#include "catalogue/SaveCheck.h"
#include "codec/FileAccess.h"
#include "codec/FileError.h"
#include "codec/Format.h"
#include "codec/GetTexts.h"
#include "codec/Normalization.h"
#include "codec/TableSet.h"
#include "exchange/Judge.h"

namespace thornvale {

std::string captionFor(int major, int minor) {
  return "Thornvale Text Editor - " + std::to_string(major) + "." + std::to_string(minor);
}

std::string caption() { return captionFor(THORNVALE_VERSION_MAJOR, THORNVALE_VERSION_MINOR); }

std::string aboutText() {
  return "Thornvale Text Editor " THORNVALE_VERSION ", made by the Thornvale editor team. MIT licence.";
}

std::string aboutText(const std::string& imageName) {
  if (imageName.empty()) return aboutText();
  const std::string folder = TableSet::folderFor(imageName);
  if (!TableSet::holdsTableFiles(folder)) return aboutText();
  return aboutText() + "\nCharacter tables of your own, from " + quote(folder) + ".";
}

void showAbout(CommandDialogs& dialogs) { dialogs.message("About", aboutText(), CommandDialogs::Icon::None); }

void showAbout(CommandDialogs& dialogs, const std::string& imageName) {
  dialogs.message("About", aboutText(imageName), CommandDialogs::Icon::None);
}

std::optional<OpenedImage> readChosenImage(CommandDialogs& dialogs, const std::string& programFolder) {
  OpenedImage opened;
  opened.path = dialogs.openFile(
      {std::string(kOpenTitle), {kOpenFileTypes.begin(), kOpenFileTypes.end()}, programFolder});
  if (opened.path.empty()) return std::nullopt;
  opened.lines.reserve(kCatalogueSize);
  try {
    const TableSet tables = TableSet::besideImage(opened.path);
    for (const CatalogueEntry& entry : catalogue()) {
      opened.lines.push_back(ReadText(entry.offset, opened.path, entry.length, entry.tableName, tables));
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
    // Read again for this save, as the image is: no table outlives the command that used it.
    const TableSet tables = TableSet::besideImage(imageName);
    if (const std::optional<exchange::Problem> problem = exchange::judgeTyped(*entry, text, tables)) {
      showRefusal(dialogs, Refusal{problem->message});
      return SaveOutcome::Refused;
    }
    WriteText(entry->offset, imageName, composed(text), entry->saveLength, entry->tableName, tables);
  } catch (const FileError& error) {
    // The message says first whether the text is in the file.
    showError(dialogs, error);
    return savedButNotClosed(error) ? SaveOutcome::Written : SaveOutcome::Failed;
  }
  return SaveOutcome::Written;
}

std::string lengthText(std::u16string_view text) { return std::to_string(text.size()); }

}  // namespace thornvale
