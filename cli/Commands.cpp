#include "cli/Commands.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <istream>
#include <iterator>
#include <ostream>

#include "cli/CharacterTableFiles.h"
#include "codec/FileError.h"
#include "cli/FileBytes.h"
#include "codec/GetTexts.h"
#include "codec/ImageFile.h"
#include "cli/ImageInfo.h"
#include "cli/Import.h"
#include "catalogue/MiscData.h"
#include "cli/PatchFile.h"
#include "catalogue/SaveCheck.h"
#include "cli/ScriptFormat.h"
#include "codec/Utf.h"

namespace thornvale::cli {
namespace {

constexpr const char* kProgram = "thornvale-text";

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

std::ostream& error(std::ostream& err) { return err << kProgram << ": "; }

std::string hex2(unsigned value) {
  char text[5];
  std::snprintf(text, sizeof text, "0x%02X", value);
  return text;
}

int dump(const std::string& image, bool json, std::ostream& out, std::ostream& err) {
  const std::vector<ScriptRow> rows = readImageRows(image);
  out << (json ? formatJson(rows) : formatScript(rows));

  ImageFile file(image, ImageFile::Access::Read);
  const std::int64_t size = file.size();
  file.close();
  for (const ScriptRow& row : rows) {
    if (row.entry->offset + row.entry->length > size) {
      error(err) << "warning: " << quoted(image) << " ends at byte " << size << ", before the end of position "
                 << row.entry->position << "; its missing bytes read as 0x00\n";
      break;
    }
  }
  return kExitSuccess;
}

int importCommand(const std::string& image, const std::string& script, bool dryRun, std::istream& in,
                  std::ostream& out, std::ostream& err) {
  const std::string text =
      script == "-" ? std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>())
                    : readUntilEnd(script);
  const ImportReport report = importScript(image, text, dryRun);
  const std::string scriptName = script == "-" ? "standard input" : script;
  for (const ImportFailure& failure : report.failures) {
    err << scriptName << ':' << failure.line << ": ";
    if (failure.position >= 0) err << "position " << failure.position << ": ";
    err << failure.message << '\n';
  }
  if (!report.ok()) {
    error(err) << quoted(image) << " was not changed: " << report.failures.size()
               << (report.failures.size() == 1 ? " row" : " rows") << " refused\n";
    return kExitRefused;
  }
  out << image << ": ";
  if (report.changed == 0) {
    out << "nothing to write";
  } else {
    out << report.changed << (report.changed == 1 ? " text " : " texts ")
        << (dryRun ? "would be written" : "written");
  }
  out << ", " << report.unchanged << " unchanged" << (dryRun ? "; nothing was written (dry run)" : "") << '\n';
  return kExitSuccess;
}

int set(const std::string& image, const std::string& positionText, const std::string& textUtf8,
        std::ostream& out, std::ostream& err) {
  const bool digits = !positionText.empty() && positionText.size() <= 4 &&
                      positionText.find_first_not_of("0123456789") == std::string::npos;
  const CatalogueEntry* entry = digits ? catalogueEntry(std::stoi(positionText)) : nullptr;
  if (entry == nullptr) {
    error(err) << "there is no text at position " << quoted(positionText) << "; positions run from 0 to "
               << kCatalogueSize - 1 << '\n';
    return kExitUsage;
  }
  const std::optional<std::u16string> text = fromUtf8(textUtf8);
  if (!text) {
    error(err) << "the text for position " << entry->position << " is not valid UTF-8; nothing was saved\n";
    return kExitRefused;
  }
  const SaveCheck check = checkSave(*entry, *text);
  if (!check.ok()) {
    error(err) << quoted(image) << ", position " << entry->position << ": " << refusalMessage(check) << '\n';
    return kExitRefused;
  }
  WriteText(entry->offset, image, *text, entry->saveLength, entry->tableName);
  out << image << ": position " << entry->position << " saved\n";
  return kExitSuccess;
}

void printMisc(const std::string& image, std::ostream& out) {
  const MiscData data = ReadMiscData(image);
  const auto missing = [](std::int32_t offset) {
    return "missing (the file ends before byte " + std::to_string(offset) + ")";
  };
  out << "debug menu: ";
  if (!data.debugMenu) {
    out << missing(kDebugMenuOffset);
  } else if (debugMenuState(*data.debugMenu) == DebugMenu::Enabled) {
    out << "enabled";
  } else if (debugMenuState(*data.debugMenu) == DebugMenu::Disabled) {
    out << "disabled";
  } else {
    out << "unknown (" << hex2(*data.debugMenu) << ")";
  }
  out << "\nhit count: ";
  if (data.hitCount) {
    out << static_cast<unsigned>(*data.hitCount);
  } else {
    out << missing(kHitCountOffset);
  }
  out << '\n';
}

int misc(const std::string& image, const std::string& debugMenu, const std::optional<std::string>& hits,
         std::ostream& out, std::ostream& err) {
  MiscData values;
  if (!debugMenu.empty()) values.debugMenu = debugMenu == "on" ? kDebugMenuEnabled : kDebugMenuDisabled;
  if (hits) {
    const std::optional<std::u16string> text = fromUtf8(*hits);
    values.hitCount = text ? parseHitCount(*text) : std::nullopt;
    if (!values.hitCount) {
      error(err) << "--hits " << quoted(*hits) << " is not a whole number from 0 to 255; nothing was written\n";
      return kExitRefused;
    }
  }
  if (values.debugMenu || values.hitCount) WriteMiscData(image, values);
  printMisc(image, out);
  return kExitSuccess;
}

int tables(const std::string& folder, std::ostream& out) {
  for (const std::string& path : writeTableFiles(folder)) out << path << '\n';
  return kExitSuccess;
}

int patch(const std::string& original, const std::string& edited, const std::string& target,
          const std::string& formatName, std::ostream& out, std::ostream& err) {
  const PatchFormat format = formatName == "bps" ? PatchFormat::Bps : PatchFormat::Ips;
  if (const std::string refusal = writePatchFile(original, edited, target, format); !refusal.empty()) {
    error(err) << refusal << '\n';
    return kExitRefused;
  }
  out << target << ": " << (format == PatchFormat::Ips ? "IPS" : "BPS") << " patch written and checked\n";
  return kExitSuccess;
}

int info(const std::string& image, std::ostream& out, std::ostream& err) {
  const ImageInfo facts = inspectImage(image);
  out << formatImageInfo(facts);
  const std::vector<std::string> warnings = imageWarnings(facts);
  for (const std::string& warning : warnings) error(err) << "warning: " << quoted(image) << ": " << warning << '\n';
  return warnings.empty() ? kExitSuccess : kExitRefused;
}

}  // namespace

int runThornvaleText(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                     std::ostream& err) {
  CLI::App app("Reads, checks and writes the texts of a Thornvale image, for translators' scripts and patches.",
               kProgram);
  app.require_subcommand(1);

  std::string image, script, position, text, folder, original, edited, target, debugMenu;
  std::string format = "ips";
  std::optional<std::string> hits;
  bool json = false, dryRun = false;

  CLI::App* dumpCmd = app.add_subcommand("dump", "Print every text in catalogue order, tab-separated UTF-8.");
  dumpCmd->add_option("IMAGE", image, "The image to read")->required();
  dumpCmd->add_flag("--json", json, "Print a JSON array of objects instead");

  CLI::App* importCmd = app.add_subcommand(
      "import", "Check every row of a script in the dump format, then write them all or nothing.");
  importCmd->add_option("IMAGE", image, "The image to change")->required();
  importCmd->add_option("SCRIPT", script, "The script; - reads standard input")->required();
  importCmd->add_flag("--dry-run", dryRun, "Check and report, write nothing");

  CLI::App* setCmd = app.add_subcommand("set", "Save one text, with the editor's checks.");
  setCmd->add_option("IMAGE", image, "The image to change")->required();
  setCmd->add_option("POSITION", position, "The text's list position, 0 to 69")->required();
  setCmd->add_option("TEXT", text, "The new text, exactly as long as the entry's save length; put -- before a text that begins with -")->required();

  CLI::App* miscCmd = app.add_subcommand("misc", "Print, or with options write, the debug menu and the hit count.");
  miscCmd->add_option("IMAGE", image, "The image")->required();
  miscCmd->add_option("--debug-menu", debugMenu, "Switch the debug menu on or off")
      ->check(CLI::IsMember({"on", "off"}));
  miscCmd->add_option("--hits", hits, "Hits to defeat a Grumkin, 0 to 255");

  CLI::App* tablesCmd = app.add_subcommand("tables", "Write the four character tables as Table1.tbl .. Table4.tbl.");
  tablesCmd->add_option("DIR", folder, "The folder to write into; made if missing")->required();

  CLI::App* patchCmd = app.add_subcommand("patch", "Write a patch that turns ORIGINAL into EDITED, and check it.");
  patchCmd->add_option("ORIGINAL", original, "The unchanged image")->required();
  patchCmd->add_option("EDITED", edited, "The edited image")->required();
  patchCmd->add_option("OUT", target, "The patch file to write")->required();
  patchCmd->add_option("--format", format, "ips (the default) or bps")->check(CLI::IsMember({"ips", "bps"}));

  CLI::App* infoCmd = app.add_subcommand("info", "Check that a file can be the image the texts are catalogued for.");
  infoCmd->add_option("IMAGE", image, "The image to examine")->required();

  // Unnamed, an unknown command would only bring CLI11's "A subcommand is required".
  if (!args.empty() && !args.front().starts_with('-')) {
    const auto& known = app.get_subcommands([](const CLI::App*) { return true; });
    const bool found = std::any_of(known.begin(), known.end(),
                                   [&](const CLI::App* cmd) { return cmd->get_name() == args.front(); });
    if (!found) {
      error(err) << "there is no command " << quoted(args.front()) << " (see " << kProgram << " --help)\n";
      return kExitUsage;
    }
  }

  try {
    std::vector<std::string> reversed(args.rbegin(), args.rend());  // CLI11 takes them back to front
    app.parse(reversed);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) {  // --help
      app.exit(e, out, err);
      return kExitSuccess;
    }
    error(err) << e.what() << " (see " << kProgram << " --help)\n";
    return kExitUsage;
  }

  int status = kExitSuccess;
  try {
    if (dumpCmd->parsed()) status = dump(image, json, out, err);
    if (importCmd->parsed()) status = importCommand(image, script, dryRun, in, out, err);
    if (setCmd->parsed()) status = set(image, position, text, out, err);
    if (miscCmd->parsed()) status = misc(image, debugMenu, hits, out, err);
    if (tablesCmd->parsed()) status = tables(folder, out);
    if (patchCmd->parsed()) status = patch(original, edited, target, format, out, err);
    if (infoCmd->parsed()) status = info(image, out, err);
  } catch (const FileError& e) {
    error(err) << e.what() << '\n';
    return kExitRefused;
  } catch (const std::exception& e) {
    error(err) << e.what() << '\n';
    return kExitRefused;
  }
  errno = 0;
  out.flush();
  if (!out) {
    const int why = errno;
    error(err) << "could not write standard output" << (why != 0 ? std::string(": ") + std::strerror(why) : "")
               << '\n';
    return kExitRefused;
  }
  return status;
}

}  // namespace thornvale::cli
