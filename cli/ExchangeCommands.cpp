#include "cli/ExchangeCommands.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <ostream>

#include "cli/Commands.h"
#include "cli/ImageInfo.h"
#include "cli/Import.h"
#include "cli/TablesInUse.h"
#include "codec/File.h"
#include "codec/FileAccess.h"
#include "codec/FileError.h"
#include "codec/Format.h"
#include "codec/Paths.h"
#include "codec/ReplacementRules.h"
#include "codec/Utf.h"
#include "exchange/Delimited.h"
#include "exchange/Exchange.h"
#include "exchange/Judge.h"

namespace thornvale::cli {
namespace {

constexpr const char* kProgram = "thornvale-text: ";

bool sameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  return std::filesystem::equivalent(fsPath(a), fsPath(b), error) && !error;
}

// "FILE:LINE: ID: message", the form compilers use; control and format characters of a foreign id
// shown as escapes, so that a message stays one line and reads as written.
void printProblem(std::ostream& err, const std::string& file, const exchange::Problem& problem,
                  const char* kind = "") {
  const std::string id = escapeControls(problem.id);
  err << file << ':' << problem.line << ": ";
  if (!id.empty()) err << id << ": ";
  err << kind << problem.message << problem.detail << '\n';
}

std::string plural(std::size_t n, std::string_view one) {
  return std::to_string(n) + ' ' + std::string(one) + (n == 1 ? "" : "s");
}

// The tables a command uses, their set-aside lines warned about.
TableSet tablesFor(const std::string& folder, const std::string& image, std::ostream& err) {
  TableSet tables = tablesInUse(folder, image);
  warnSetAside(tables, err, "thornvale-text");
  return tables;
}

// A file exported with other tables than those in use: its limits were not these.
void warnOtherTables(std::ostream& err, const std::string& file, const exchange::ReadResult& read,
                     const TableSet& tables) {
  if (!read.tables || *read.tables == tables.fingerprint()) return;
  err << kProgram << "warning: " << quote(file) << " was exported with other character tables ("
      << quote(*read.tables) << ") than those in use (" << tables.fingerprint() << ", "
      << (tables.isBuiltIn() ? std::string("the built-in tables") : quote(tables.folder()))
      << "); its texts are checked with the tables in use\n";
}

exchange::Format orXliff(exchange::Format format) { return format ? format : exchange::formatNamed("xliff"); }

// The request's own faults, found before the image is read: the status they end the run with.
std::optional<int> requestProblem(const ExportRequest& request, std::ostream& err) {
  const exchange::FormatRecord& format = *orXliff(request.format);
  for (const std::string* tag :
       {&request.sourceLanguage, request.targetLanguage ? &*request.targetLanguage : nullptr}) {
    if (tag == nullptr) continue;
    if (std::optional<std::string> problem = exchange::languageTagProblem(*tag)) {
      err << kProgram << *problem << '\n';
      return kExitUsage;
    }
  }
  if (request.translated && !request.targetLanguage && format.namesLanguages) {
    err << kProgram
        << "--translated needs --target-language: say which language the translated image is in\n";
    return kExitUsage;
  }
  if (request.weblateFlags && &format != exchange::formatNamed("xliff")) {
    err << kProgram << "--weblate-flags is for XLIFF; a PO file always carries the flags on its #, lines\n";
    return kExitUsage;
  }
  const bool toFile = !request.output.empty() && request.output != "-";
  if (format.binary && request.output.empty()) {
    err << kProgram << "a " << format.name
        << " is no text for a terminal: name the file with -o FILE (-o - writes it to standard output)\n";
    return kExitUsage;
  }
  if (toFile && (sameFile(request.output, request.image) ||
                 (request.translated && sameFile(request.output, *request.translated)))) {
    err << kProgram << quote(request.output) << " is an image; the export would replace it\n";
    return kExitRefused;
  }
  return std::nullopt;
}

template <typename Request>
exchange::JudgeRules rulesOf(const Request& request) {
  return {.includeUnfinished = request.includeUnfinished,
          .leaveUnchanged = true,
          .refuseConversions = !request.acceptConversions,
          .refuseChangedSources = !request.acceptChangedSources};
}

// ", 2 translations made from another revision of the image", where there are such.
std::string changedSourcesNote(const exchange::Judgement& judgement, bool accepted) {
  if (judgement.changedSources == 0) return "";
  return ", " + plural(judgement.changedSources, "translation") + " made from another revision of the image" +
         (accepted ? " (accepted)" : "");
}

// An XLIFF in which no unit has a translation has most likely been through a tool that keeps its
// translations elsewhere: said in one sentence, since nothing else would show it.
void warnIfUntranslatedXliff(std::ostream& err, const std::string& fileName, const exchange::ReadResult& read) {
  const bool untranslated = std::all_of(read.units.begin(), read.units.end(), [](const exchange::Unit& unit) {
    return !unit.target || unit.target->empty();
  });
  if (read.format != exchange::formatNamed("xliff") || read.units.empty() || !untranslated) return;
  err << escapeControls(fileName)
      << ": warning: no unit of this XLIFF holds a translation; if it came back from a translation tool, the tool "
         "did not write its translations into it (OmegaT 3.6 translates only the <target> elements a file already "
         "has: translate the PO export there instead)\n";
}

// A file refused as a whole says so, and no image is read for it.
bool refusedWhole(const exchange::ReadResult& read) {
  return read.units.empty() && read.problems.size() == 1 && read.problems[0].id.empty() &&
         (read.problems[0].line == 1 || read.problems[0].message.find("nothing of") != std::string::npos);
}

// Every problem, then what they mean for the image.
int refuseImport(std::ostream& err, const ImportRequest& request, const exchange::ReadResult& read,
                 const exchange::Judgement& judgement) {
  for (const exchange::Problem& problem : judgement.problems) printProblem(err, request.fileName, problem);
  err << kProgram << quote(request.image) << " was not changed: ";
  if (refusedWhole(read)) {
    err << "nothing of the file was read\n";
  } else {
    const std::string_view word = read.format ? read.format->unitWord : "row";
    err << plural(judgement.problems.size(), word) << " refused";
    if (judgement.changedSources > 0) {
      err << ", " << plural(judgement.changedSources, "translation")
          << " of a source that is not the image's text (made from another revision of the image)";
    }
    err << '\n';
  }
  return kExitRefused;
}

void printImportReport(std::ostream& out, const ImportRequest& request, const ImportReport& report) {
  // Every text the import changes, one line each, so that nothing changes unseen.
  for (const exchange::Change& change : report.changes) {
    out << "position " << change.entry->position << ": " << quote(toUtf8(change.before.value_or(u""))) << " -> "
        << quote(toUtf8(change.after));
    if (change.conversion) out << " (a conversion accepted: " << escapeControls(*change.conversion) << ')';
    if (change.composed) out << " (composed: the file has it decomposed)";
    out << '\n';
  }
  out << request.image << ": ";
  const std::size_t changed = report.changes.size();
  if (changed == 0) {
    out << "nothing to write";
  } else {
    out << changed << (changed == 1 ? " text " : " texts ") << (request.dryRun ? "would be written" : "written");
  }
  out << ", " << report.unchanged << " unchanged";
  const bool units = report.format && report.format->unitWord == "unit";
  if (!units && report.empty > 0) out << ", " << plural(report.empty, "row") << " without a translation";
  if (units) {
    if (report.leftUnfinished > 0) {
      out << ", " << plural(report.leftUnfinished, "unfinished unit")
          << " left alone (--include-unfinished takes them)";
    }
    if (report.unfinished > report.leftUnfinished)
      out << ", " << plural(report.unfinished, "unfinished unit") << " taken";
    out << ", " << plural(report.empty, "unit") << " without a translation";
  }
  out << (request.dryRun ? "; nothing was written (dry run)" : "") << '\n';
}

// A file that cannot be the image the texts are catalogued for (no iNES header, too short) gives
// texts that are garbage: warned about as `info` warns, and refused as `import` refuses it, before
// anything is made of it. The status it ends the run with.
std::optional<int> notAnImage(const std::string& image, const char* outcome, std::ostream& err) {
  const std::vector<Refusal> warnings = imageWarnings(inspectImage(image));
  if (warnings.empty()) return std::nullopt;
  for (const Refusal& warning : warnings) err << kProgram << "warning: " << quote(image) << ": " << warning.message << '\n';
  err << kProgram << quote(image) << " cannot be the image the texts are catalogued for, so " << outcome << '\n';
  return kExitRefused;
}

// An export never replaces an image (another one than IMAGE, which the request refuses already):
// a FILE whose first bytes are an iNES header is refused before anything is written.
void refuseAnImageAsOutput(const std::string& output) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(fsPath(output), error)) return;
  const File existing = File::openExisting(output, File::Access::Read);
  std::uint8_t start[4] = {};
  if (existing.readAt(0, start) == sizeof start && looksLikeImage(start)) refuseImageAsOutput(output);
}

}  // namespace

namespace {

// A translated PO's revision date: now, in UTC, or SOURCE_DATE_EPOCH's time where that is set, so
// that a build can make the same file twice. A template keeps xgettext's placeholder.
std::string revisionDate() {
  std::time_t now = std::time(nullptr);
  if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch != nullptr && *epoch != '\0') {
    char* end = nullptr;
    const long long seconds = std::strtoll(epoch, &end, 10);
    if (*end == '\0' && seconds >= 0) now = static_cast<std::time_t>(seconds);
  }
  std::tm utc{};
#ifdef _WIN32
  gmtime_s(&utc, &now);
#else
  gmtime_r(&now, &utc);
#endif
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M+0000", &utc);
  return text;
}

}  // namespace

int exportTexts(const ExportRequest& request, std::ostream& data, std::ostream& out, std::ostream& err,
                bool& changed) {
  if (const std::optional<int> status = requestProblem(request, err)) return *status;
  const exchange::FormatRecord& format = *orXliff(request.format);
  for (const std::string* image : {&request.image, request.translated ? &*request.translated : nullptr}) {
    if (image == nullptr) continue;
    if (const std::optional<int> status = notAnImage(*image, "nothing was exported", err)) return *status;
  }
  const bool toFile = !request.output.empty() && request.output != "-";
  const TableSet tables = tablesFor(request.tables, request.image, err);
  const std::vector<exchange::TextRow> sources = exchange::readImageRows(request.image, nullptr, tables);
  // A translated image has its own tables where it has a folder of them (its font is the new one).
  const std::vector<exchange::TextRow> translated =
      !request.translated ? std::vector<exchange::TextRow>{}
      : request.tables.empty() && TableSet::holdsTableFiles(TableSet::folderFor(*request.translated))
          ? exchange::readImageRows(*request.translated, nullptr, tablesFor("", *request.translated, err))
          : exchange::readImageRows(*request.translated, nullptr, tables);
  const std::vector<exchange::TextRow> rows = exchange::exportRows(sources, translated);

  exchange::ExportSettings settings;
  settings.sourceLanguage = request.sourceLanguage;
  settings.targetLanguage = request.targetLanguage;
  settings.weblateFlags = request.weblateFlags;
  settings.original = utf8Path(fsPath(request.image).filename());
  settings.version = THORNVALE_VERSION;
  settings.tables = tables;
  settings.output = toFile ? request.output : "standard output";
  if (settings.targetLanguage) settings.revisionDate = revisionDate();
  const std::string file = format.write(rows, settings);
  if (!toFile) {
    data << file;
    return kExitSuccess;
  }
  refuseAnImageAsOutput(request.output);
  // A name another format's files have is most likely a slip of --format: said, then written as asked.
  const std::vector<exchange::Format> named = exchange::formatsOfName(request.output);
  if (!named.empty() && std::find(named.begin(), named.end(), &format) == named.end()) {
    err << kProgram << "warning: " << quote(request.output) << " is named as " << named.front()->description
        << " is, but it is written as " << format.description << " (--format " << format.names.front() << ")\n";
  }
  (void)replaceOutput(request.output, [&](Replacement& replacement) {
    replacement.write(std::span(reinterpret_cast<const std::uint8_t*>(file.data()), file.size()));
    return true;
  });
  changed = true;
  std::size_t targets = 0;
  for (const exchange::TextRow& row : rows) targets += row.target ? 1 : 0;
  out << request.output << ": " << rows.size() << " texts in " << format.name;
  if (request.translated) out << ", " << targets << " of them translated";
  out << '\n';
  return kExitSuccess;
}

int importFile(const ImportRequest& request, const std::string& content, std::ostream& out, std::ostream& err,
               bool& changed) {
  const exchange::ReadResult read = exchange::readUnits(content, request.format);
  const TableSet tables = tablesFor(request.tables, request.image, err);
  warnOtherTables(err, request.fileName, read, tables);
  const ImportReport report = importUnits(request.image, read, request.dryRun,
                                          rulesOf(request), tables);
  changed = report.written;
  if (!report.ok()) return refuseImport(err, request, read, report);
  printImportReport(out, request, report);
  warnIfUntranslatedXliff(err, request.fileName, read);
  if (report.changedSources > 0) {
    out << request.image << ": " << report.changedSources << (report.changedSources == 1 ? " of them was" : " of them were")
        << " made from another revision of the image (--accept-changed-sources)\n";
  }
  return kExitSuccess;
}

int checkFile(const CheckRequest& request, const std::string& content, std::ostream& out, std::ostream& err) {
  if (request.image) {
    if (const std::optional<int> status = notAnImage(*request.image, "nothing was checked against it", err))
      return *status;
  }
  const exchange::ReadResult read = exchange::readUnits(content, request.format);
  const TableSet tables = tablesFor(request.tables, request.image.value_or(""), err);
  warnOtherTables(err, request.fileName, read, tables);
  std::optional<Bytes> image;
  if (request.image && !(read.units.empty() && !read.ok())) {
    File file = openImage(*request.image, File::Access::Read);
    image = readWhole(file, kMaxImageSize, "an image");
  }
  const exchange::Judgement report =
      exchange::judge(read, image ? std::optional<std::span<const std::uint8_t>>(*image) : std::nullopt,
                      rulesOf(request), tables);
  for (const exchange::Problem& problem : report.problems) printProblem(err, request.fileName, problem);
  for (const exchange::Problem& warning : report.warnings)
    printProblem(err, request.fileName, warning, "warning: ");
  warnIfUntranslatedXliff(err, request.fileName, read);
  out << request.fileName << ": " << exchange::formatName(report.format) << ", "
      << std::to_string(report.finished) << " finished, " << std::to_string(report.leftUnfinished)
      << " unfinished, " << std::to_string(report.empty) << " empty, " << std::to_string(report.refused)
      << " refused" << changedSourcesNote(report, request.acceptChangedSources);
  if (!report.warnings.empty()) out << ", " << plural(report.warnings.size(), "warning");
  out << (report.ok() ? ": every finished text would be accepted\n" : "\n");
  return report.ok() ? kExitSuccess : kExitRefused;
}

}  // namespace thornvale::cli
