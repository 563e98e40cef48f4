#include "cli/Commands.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <istream>
#include <memory>
#include <ostream>
#include <streambuf>

#include "catalogue/MiscData.h"
#include "catalogue/SaveCheck.h"
#include "cli/CharacterTableFiles.h"
#include "cli/DumpFormat.h"
#include "cli/ExchangeCommands.h"
#include "cli/ImageInfo.h"
#include "cli/Import.h"
#include "cli/PatchFile.h"
#include "cli/TablesInUse.h"
#include "codec/FileAccess.h"
#include "codec/FileError.h"
#include "codec/Format.h"
#include "codec/GetTexts.h"
#include "codec/Normalization.h"
#include "codec/Utf.h"
#include "exchange/Exchange.h"
#include "exchange/Judge.h"
#include "exchange/Units.h"
#include "exchange/Workbook.h"

namespace thornvale::cli {
namespace {

constexpr const char* kProgram = "thornvale-text";
constexpr const char* kVersion = THORNVALE_VERSION;

// Passes text on to `target` a line at a time, with every control character and every byte that is
// not UTF-8 escaped: no byte of a path, a file read or an argument reaches a terminal raw. A failure
// of the target (a closed pipe, a full disk) shows as this stream's failure.
class EscapingBuffer : public std::streambuf {
 public:
  explicit EscapingBuffer(std::ostream& target) : target_(target) {}
  EscapingBuffer(const EscapingBuffer&) = delete;
  EscapingBuffer& operator=(const EscapingBuffer&) = delete;
  ~EscapingBuffer() override { sync(); }

 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    line_ += traits_type::to_char_type(c);
    // A line without end is passed on in pieces, so that what is held stays bounded.
    if ((c == '\n' || line_.size() >= kMostHeld) && !forward()) return traits_type::eof();
    return c;
  }
  int sync() override {
    if (!forward()) return -1;
    target_.flush();
    return target_ ? 0 : -1;
  }

 private:
  static constexpr std::size_t kMostHeld = 1 << 16;
  bool forward() {
    if (!line_.empty()) target_ << escapeControls(line_, true);
    line_.clear();
    return static_cast<bool>(target_);
  }
  std::ostream& target_;
  std::string line_;
};

// What a command works with, and what it tells the caller beyond its status.
struct Run {
  std::istream& in;
  // Messages and reports, escaped; `data` is standard output as it is, for what a command prints
  // for other programs to read (a dump).
  std::ostream& out;
  std::ostream& err;
  std::ostream& data;
  // Set once the command has changed a file: a failure after that must not say "refused".
  bool changed = false;
  // What such a failure exits with: the image changed, or only an output of ours written.
  int changedStatus = kExitChangedThenFailed;

  std::ostream& error() { return err << kProgram << ": "; }
};

// A command adds its options to `app` and returns what runs it once they are parsed.
using Command = std::function<int(Run&)>;
using CommandMaker = Command (*)(CLI::App& app);

constexpr const char* kTablesHelp =
    "A folder of character tables (Table1.tbl .. Table4.tbl, any of them) to use instead of the folder "
    "beside the image (IMAGE's name with .tables for its extension)";

// --tables DIR on every command that reads, writes, checks or exports texts.
std::shared_ptr<std::string> addTables(CLI::App& app) {
  auto folder = std::make_shared<std::string>();
  app.add_option("--tables", *folder, kTablesHelp);
  return folder;
}

// The tables a command on `image` uses, its set-aside lines warned about.
TableSet tablesFor(Run& run, const std::string& folder, const std::string& image) {
  TableSet tables = tablesInUse(folder, image);
  warnSetAside(tables, run.err, kProgram);
  return tables;
}

Command dump(CLI::App& app) {
  auto image = std::make_shared<std::string>();
  auto json = std::make_shared<bool>(false);
  app.add_option("IMAGE", *image, "The image to read")->required();
  app.add_flag("--json", *json, "Print a JSON array of objects instead");
  auto folder = addTables(app);
  return [=](Run& run) {
    std::optional<Refusal> shortImage;
    const TableSet tables = tablesFor(run, *folder, *image);
    const std::vector<exchange::TextRow> rows = readImageRows(*image, &shortImage, tables);
    run.data << exchange::formatNamed(*json ? "json" : "tsv")->write(rows, {});
    if (shortImage) run.error() << "warning: " << quote(*image) << ' ' << shortImage->message << '\n';
    return kExitSuccess;
  };
}

// A file to import or check from its path or, for "-", standard input; both bounded, since it is
// read whole.
std::string readExchangeFile(const std::string& path, std::istream& in) {
  if (path != "-") {
    const File file = File::openExisting(path, File::Access::Read);
    if (file.size() > kMaxExchangeFileSize) {
      // A workbook that large holds more than a sheet of texts: say what to save instead.
      Bytes start(4);
      start.resize(file.readAt(0, start));
      if (exchange::looksLikeZip(std::string_view(reinterpret_cast<const char*>(start.data()), start.size()))) {
        throw FileError(path, "reading", std::make_error_code(std::errc::file_too_large),
                        "the workbook has " + std::to_string(file.size()) +
                            " bytes, more than the 1 MiB a file to import may have (an export of ours has "
                            "some 12 KiB); it was not read: keep only the sheet of texts, without pictures or "
                            "other sheets, or save it as CSV");
      }
    }
    const Bytes bytes = readWhole(file, kMaxExchangeFileSize, "a file to import");
    return std::string(bytes.begin(), bytes.end());
  }
  std::string text(static_cast<std::size_t>(kMaxExchangeFileSize) + 1, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(in.gcount()));
  if (text.size() > static_cast<std::size_t>(kMaxExchangeFileSize)) {
    throw FileError("standard input", "reading", std::make_error_code(std::errc::file_too_large),
                    "more than the 1 MiB that a file to import may have; it was not read");
  }
  return text;
}

// --format: one of the names of the exchange formats that `pick` takes, into `name`; the command
// then takes the format by that name.
CLI::Option* addFormat(CLI::App& app, std::string& name, bool (*pick)(const exchange::FormatRecord&),
                       const std::string& what) {
  std::vector<std::string> names;
  for (const exchange::FormatRecord* record : exchange::formats()) {
    if (!pick(*record)) continue;
    for (std::string_view n : record->names) names.emplace_back(n);
  }
  return app.add_option("--format", name, what + ": " + exchange::formatNames(pick))
      ->check(CLI::IsMember(names).description(""))
      ->option_text("FORMAT");
}

// What FILE may be, for help.
std::string readableFiles() {
  std::string out;
  const auto all = exchange::formats();
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (!exchange::readable(*all[i])) continue;
    if (!out.empty()) out += i + 1 == all.size() ? " or " : ", ";
    out += all[i]->description;
  }
  return out;
}

Command import(CLI::App& app) {
  auto request = std::make_shared<ImportRequest>();
  auto file = std::make_shared<std::string>();
  app.add_option("IMAGE", request->image, "The image to change")->required();
  app.add_option("FILE", *file, "The file: " + readableFiles() + "; - reads standard input")->required();
  auto format = std::make_shared<std::string>();
  addFormat(app, *format, exchange::readable, "Its format, where its content does not tell");
  app.add_flag("--dry-run", request->dryRun, "Check and report, write nothing");
  app.add_flag("--accept-conversions", request->acceptConversions,
               "Take texts that look like a spreadsheet's number or date conversion of the image's");
  app.add_flag("--accept-changed-sources", request->acceptChangedSources,
               "Take translations whose source is not the image's text (a file made from another revision)");
  app.add_flag("--include-unfinished", request->includeUnfinished,
               "Also take the targets the file calls unfinished (PO fuzzy, XLIFF needs-* states)");
  app.add_option("--tables", request->tables, kTablesHelp);
  return [=](Run& run) {
    request->fileName = *file == "-" ? "standard input" : *file;
    request->format = exchange::formatNamed(*format);
    return importFile(*request, readExchangeFile(*file, run.in), run.out, run.err, run.changed);
  };
}

Command exportCommand(CLI::App& app) {
  auto request = std::make_shared<ExportRequest>();
  auto target = std::make_shared<std::string>();
  auto translated = std::make_shared<std::string>();
  app.add_option("IMAGE", request->image, "The image whose texts are the sources")->required();
  auto format = std::make_shared<std::string>();
  addFormat(app, *format, exchange::exportable, "The format to write")->required();
  app.add_option("-o,--output", request->output,
                 "The file to write, replaced all or nothing; - or none: standard output");
  app.add_option("--source-language", request->sourceLanguage, "BCP 47 tag of the sources (default en-US)");
  app.add_option("--target-language", *target, "BCP 47 tag of the translation, such as fr or pt-BR");
  app.add_option(
      "--translated", *translated,
      "A translated image: each text that differs there becomes its unit's target, marked translated");
  app.add_flag(
      "--weblate-flags", request->weblateFlags,
      "XLIFF: add Weblate's weblate-flags attribute (max-length, the exact regex, ignore-*-space); the "
      "file is then valid against XLIFF's transitional schema only, not the strict one");
  app.add_option("--tables", request->tables, kTablesHelp);
  return [=](Run& run) {
    request->format = exchange::formatNamed(*format);
    if (!target->empty()) request->targetLanguage = *target;
    if (!translated->empty()) request->translated = *translated;
    run.changedStatus = kExitWrittenThenFailed;
    return exportTexts(*request, run.data, run.out, run.err, run.changed);
  };
}

Command check(CLI::App& app) {
  auto request = std::make_shared<CheckRequest>();
  auto file = std::make_shared<std::string>();
  auto image = std::make_shared<std::string>();
  app.add_option("FILE", *file, "The file: " + readableFiles() + "; - reads standard input")->required();
  auto format = std::make_shared<std::string>();
  addFormat(app, *format, exchange::readable, "Its format, where its content does not tell");
  app.add_option("--image", *image,
                 "Also compare the sources with this image's texts: a translation of another source is "
                 "refused, and an untranslated one warned about");
  app.add_flag("--include-unfinished", request->includeUnfinished,
               "Also check the targets the file calls unfinished");
  app.add_flag("--accept-changed-sources", request->acceptChangedSources,
               "With --image: take translations whose source is not the image's text");
  app.add_flag("--accept-conversions", request->acceptConversions,
               "Take texts that look like a spreadsheet's number or date conversion of the image's");
  app.add_option("--tables", request->tables, kTablesHelp);
  return [=](Run& run) {
    request->fileName = *file == "-" ? "standard input" : *file;
    request->format = exchange::formatNamed(*format);
    if (!image->empty()) request->image = *image;
    return checkFile(*request, readExchangeFile(*file, run.in), run.out, run.err);
  };
}

Command set(CLI::App& app) {
  auto image = std::make_shared<std::string>();
  auto position = std::make_shared<std::string>();
  auto text = std::make_shared<std::string>();
  app.add_option("IMAGE", *image, "The image to change")->required();
  app.add_option("POSITION", *position, "The text's list position, 0 to 69")->required();
  app.add_option("TEXT", *text,
                 "The new text, exactly as long as the entry's save length; a text that begins with - is "
                 "taken as the text")
      ->required();
  auto folder = addTables(app);
  return [=](Run& run) {
    const std::optional<int> number = parsePosition(*position);
    const CatalogueEntry* entry = number ? catalogueEntry(*number) : nullptr;
    if (entry == nullptr) {
      run.error() << "there is no text at position " << quote(*position) << "; positions run from 0 to "
                  << kCatalogueSize - 1 << '\n';
      return kExitUsage;
    }
    const std::optional<std::u16string> decoded = fromUtf8(*text);
    if (!decoded) {
      run.error() << "the text for position " << entry->position
                  << " is not valid UTF-8; nothing was saved\n";
      return kExitRefused;
    }
    const TableSet tables = tablesFor(run, *folder, *image);
    if (const std::optional<exchange::Problem> problem = exchange::judgeTyped(*entry, *decoded, tables)) {
      run.error() << quote(*image) << ", position " << entry->position << ": " << problem->message
                  << problem->detail << '\n';
      return kExitRefused;
    }
    WriteText(entry->offset, *image, composed(*decoded), entry->saveLength, entry->tableName, tables);
    run.changed = true;
    run.out << *image << ": position " << entry->position << " saved\n";
    return kExitSuccess;
  };
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
    out << "unknown (" << formatHex0x(*data.debugMenu, 2) << ")";
  }
  out << "\nhit count: ";
  if (data.hitCount) {
    out << static_cast<unsigned>(*data.hitCount);
  } else {
    out << missing(kHitCountOffset);
  }
  out << '\n';
}

Command misc(CLI::App& app) {
  enum class Switch { Off, On };
  auto image = std::make_shared<std::string>();
  auto debugMenu = std::make_shared<std::optional<Switch>>();
  auto hits = std::make_shared<std::optional<std::string>>();
  app.add_option("IMAGE", *image, "The image")->required();
  app.add_option("--debug-menu", *debugMenu, "Switch the debug menu on or off")
      ->transform(
          CLI::CheckedTransformer(std::map<std::string, Switch>{{"on", Switch::On}, {"off", Switch::Off}}));
  app.add_option("--hits", *hits, "Hits to defeat a Grumkin, 0 to 255");
  return [=](Run& run) {
    MiscData values;
    if (*debugMenu) values.debugMenu = **debugMenu == Switch::On ? kDebugMenuEnabled : kDebugMenuDisabled;
    if (*hits) {
      const std::optional<std::u16string> text = fromUtf8(**hits);
      values.hitCount = text ? parseHitCount(*text) : std::nullopt;
      if (!values.hitCount) {
        run.error() << "--hits " << quote(**hits) << ": " << hitCountRefusal().message << '\n';
        return kExitRefused;
      }
    }
    if (values.debugMenu || values.hitCount) {
      WriteMiscData(*image, values);
      run.changed = true;
    }
    printMisc(*image, run.out);
    return kExitSuccess;
  };
}

Command tables(CLI::App& app) {
  auto folder = std::make_shared<std::string>();
  auto image = std::make_shared<std::string>();
  app.add_option("DIR", *folder, "The folder to write into; made if missing")->required();
  app.add_option("--image", *image,
                 "Write the tables this image is read through (those of the folder beside it) instead of "
                 "the built-in ones");
  return [=](Run& run) {
    const TableSet tables = tablesFor(run, "", *image);
    std::vector<std::string> written;
    try {
      (void)writeTableFiles(
          *folder,
          [&](const std::string& path) {
            run.changed = true;
            written.push_back(path);
            run.out << path << '\n';
          },
          tables);
    } catch (const FileError& e) {
      if (written.empty()) throw;
      run.error() << e.what() << "; written before the failure:";
      for (const std::string& path : written) run.err << ' ' << quote(path);
      run.err << '\n';
      return kExitChangedThenFailed;
    }
    return kExitSuccess;
  };
}

Command patch(CLI::App& app) {
  auto original = std::make_shared<std::string>();
  auto edited = std::make_shared<std::string>();
  auto target = std::make_shared<std::string>();
  auto format = std::make_shared<PatchFormat>(PatchFormat::Ips);
  app.add_option("ORIGINAL", *original, "The unchanged image")->required();
  app.add_option("EDITED", *edited, "The edited image")->required();
  app.add_option("OUT", *target, "The patch file to write")->required();
  app.add_option("--format", *format, "ips (the default) or bps")
      ->transform(CLI::CheckedTransformer(
          std::map<std::string, PatchFormat>{{"ips", PatchFormat::Ips}, {"bps", PatchFormat::Bps}}));
  return [=](Run& run) {
    if (const std::optional<Refusal> refusal = writePatchFile(*original, *edited, *target, *format)) {
      run.error() << refusal->message << '\n';
      return kExitRefused;
    }
    run.changed = true;
    run.changedStatus = kExitWrittenThenFailed;
    run.out << *target << ": " << (*format == PatchFormat::Ips ? "IPS" : "BPS")
            << " patch written and checked\n";
    return kExitSuccess;
  };
}

Command info(CLI::App& app) {
  auto image = std::make_shared<std::string>();
  app.add_option("IMAGE", *image, "The image to examine")->required();
  auto folder = addTables(app);
  return [=](Run& run) {
    const TableSet tables = tablesFor(run, *folder, *image);
    const ImageInfo facts = inspectImage(*image);
    run.out << formatImageInfo(facts) << formatTablesInUse(tables);
    const std::vector<Refusal> warnings = imageWarnings(facts);
    for (const Refusal& warning : warnings) {
      run.error() << "warning: " << quote(*image) << ": " << warning.message << '\n';
    }
    return warnings.empty() ? kExitSuccess : kExitRefused;
  };
}

struct CommandKind {
  const char* name;
  const char* description;
  CommandMaker make;
};

constexpr CommandKind kCommands[] = {
    {"dump", "Print every text in catalogue order: tab-separated UTF-8, or JSON with --json.", dump},
    {"import", "Check every text of a file (a dump, a sheet, a workbook, XLIFF or PO) as a save would, then write them all or nothing.", import},
    {"export", "Write the texts for translators (XLIFF 1.2, PO or an xlsx workbook, made in TMPDIR first), each "
     "with its limits.",
     exportCommand},
    {"check", "Check a file as import would, with or without an image, writing nothing.", check},
    {"set", "Save one text, with the editor's checks.", set},
    {"misc", "Print, or with options write, the debug menu and the hit count.", misc},
    {"tables", "Write the four character tables in use as Table1.tbl .. Table4.tbl.", tables},
    {"patch", "Write a patch that turns ORIGINAL into EDITED, and check it.", patch},
    {"info", "Check that a file can be the image the texts are catalogued for.", info},
};

constexpr const char* kExitStatuses =
    "Exit status: 0 done; 1 refused or failed, the image unchanged; 2 wrong usage, nothing changed; "
    "3 the image was changed, but a later step failed (the report on standard output, closing the "
    "file, a flush after the change, or a later file of tables); 4 the output FILE of export or OUT of "
    "patch was written, the image untouched, but the report on standard output failed.";

// `set IMAGE POSITION TEXT [--tables DIR]`: the text is the user's words, even where it begins
// with "-", so it never reads as an option or as a request for help.
std::vector<std::string> withTextAsText(std::vector<std::string> args) {
  const auto isOption = [](const std::string& a) { return a.starts_with('-'); };
  if (args.size() >= 4 && args[0] == "set" && !isOption(args[1]) && !isOption(args[2]) && args[3] != "--") {
    // --tables DIR after the text is still the option: it moves before the "--".
    std::vector<std::string> tables;
    for (std::size_t i = 4; i < args.size();) {
      const std::size_t take = args[i] == "--tables" && i + 1 < args.size() ? 2 : args[i].starts_with("--tables=") ? 1 : 0;
      if (take == 0) {
        ++i;
        continue;
      }
      tables.insert(tables.end(), args.begin() + static_cast<std::ptrdiff_t>(i),
                    args.begin() + static_cast<std::ptrdiff_t>(i + take));
      args.erase(args.begin() + static_cast<std::ptrdiff_t>(i), args.begin() + static_cast<std::ptrdiff_t>(i + take));
    }
    args.insert(args.begin() + 3, "--");
    args.insert(args.begin() + 3, tables.begin(), tables.end());
  }
  return args;
}

}  // namespace

namespace {

// The parser: every command's options, each command's runner setting `status` once parsed.
// `only`, where it names a command, is the one that is built: the others' options would cost every
// start of that command and be asked nothing.
void addCommands(CLI::App& app, Run& run, int& status, std::string_view only) {
  app.require_subcommand(1);
  // A "/" begins a path or a text on every system, never an option (CLI11 would take "/x" for one
  // on Windows); the subcommands inherit it.
  app.allow_windows_style_options(false);
  app.set_version_flag("--version", std::string(kProgram) + " " + kVersion);
  app.footer(kExitStatuses);
  const bool one = std::any_of(std::begin(kCommands), std::end(kCommands),
                               [&](const CommandKind& kind) { return only == kind.name; });
  for (const CommandKind& kind : kCommands) {
    if (one && only != kind.name) continue;
    CLI::App* sub = app.add_subcommand(kind.name, kind.description);
    sub->callback([&status, &run, command = kind.make(*sub)] { status = command(run); });
  }
}

// Parses and runs the command: nothing when it ran to its end, else the status that ends the run
// (help shown, a usage error, a failure reported).
std::optional<int> parseAndRun(CLI::App& app, const std::vector<std::string>& args, Run& run,
                               std::ostream& out, std::ostream& err) {
  try {
    std::vector<std::string> reversed(args.rbegin(), args.rend());  // CLI11 takes them back to front
    app.parse(reversed);
    return std::nullopt;
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) {  // --help, --version
      app.exit(e, out, err);
      return kExitSuccess;
    }
    run.error() << e.what() << " (see " << kProgram << " --help)\n";
    return kExitUsage;
  } catch (const FileError& e) {
    run.error() << e.what();
    if (e.inPlaceStillWorks())
      run.err << ". `set` or the editor, which write in place, can still change one text at a time";
    run.err << '\n';
    return run.changed ? run.changedStatus : e.fileChanged() ? kExitChangedThenFailed : kExitRefused;
  } catch (const std::exception& e) {
    run.error() << e.what() << '\n';
    return run.changed ? run.changedStatus : kExitRefused;
  }
}

}  // namespace

int runThornvaleText(const std::vector<std::string>& arguments, std::istream& in, std::ostream& out,
                     std::ostream& err) {
  EscapingBuffer outBuffer(out), errBuffer(err);
  std::ostream escapedOut(&outBuffer), escapedErr(&errBuffer);
  Run run{in, escapedOut, escapedErr, out};
  int status = kExitSuccess;
  // The version alone needs none of the parser: building every command's options and unwinding
  // CLI11's exception for it were most of such a start.
  if (arguments.size() == 1 && arguments.front() == "--version") {
    out << kProgram << ' ' << kVersion << '\n';
    out.flush();
    if (!out) {
      run.error() << "could not write standard output\n";
      return kExitRefused;
    }
    return kExitSuccess;
  }
  CLI::App app(
      "Reads, checks and writes the texts of a Thornvale image: dumps, files for translators, patches.",
      kProgram);
  const std::vector<std::string> args = withTextAsText(arguments);
  addCommands(app, run, status, args.empty() ? std::string_view() : std::string_view(args.front()));

  // Unnamed, an unknown command would only bring CLI11's "A subcommand is required".
  if (!args.empty() && !args.front().starts_with('-') &&
      std::none_of(std::begin(kCommands), std::end(kCommands),
                   [&](const CommandKind& kind) { return args.front() == kind.name; })) {
    run.error() << "there is no command " << quote(args.front()) << " (see " << kProgram << " --help)\n";
    return kExitUsage;
  }
  if (const std::optional<int> ended = parseAndRun(app, args, run, out, err)) return *ended;

  errno = 0;
  escapedOut.flush();
  out.flush();
  if (!out || !escapedOut) {
    const int why = errno;
    run.error() << "could not write standard output"
                << (why != 0 ? std::string(": ") + std::strerror(why) : "") << '\n';
    return run.changed ? run.changedStatus : kExitRefused;
  }
  return status;
}

}  // namespace thornvale::cli
