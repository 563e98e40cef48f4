#include "cli/ExchangeCommands.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <ostream>

#include "cli/Commands.h"
#include "cli/Import.h"
#include "codec/File.h"
#include "codec/FileAccess.h"
#include "codec/FileError.h"
#include "codec/Format.h"
#include "codec/Paths.h"
#include "codec/ScratchFolder.h"
#include "codec/Utf.h"
#include "exchange/Delimited.h"
#include "exchange/Exchange.h"
#include "exchange/Workbook.h"

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
  err << kind << problem.message << '\n';
}

std::string plural(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + ' ' + (n == 1 ? one : many);
}

}  // namespace

namespace {

// The request's own faults, found before the image is read: the status they end the run with.
std::optional<int> requestProblem(const ExportRequest& request, std::ostream& err) {
  for (const std::string* tag :
       {&request.sourceLanguage, request.targetLanguage ? &*request.targetLanguage : nullptr}) {
    if (tag == nullptr) continue;
    if (std::optional<std::string> problem = exchange::languageTagProblem(*tag)) {
      err << kProgram << *problem << '\n';
      return kExitUsage;
    }
  }
  if (request.translated && !request.targetLanguage && request.format != exchange::Format::Workbook) {
    err << kProgram
        << "--translated needs --target-language: say which language the translated image is in\n";
    return kExitUsage;
  }
  if (request.weblateFlags && request.format != exchange::Format::Xliff) {
    err << kProgram << "--weblate-flags is for XLIFF; a PO file always carries the flags on its #, lines\n";
    return kExitUsage;
  }
  const bool toFile = !request.output.empty() && request.output != "-";
  if (request.format == exchange::Format::Workbook && request.output.empty()) {
    err << kProgram
        << "a workbook is no text for a terminal: name the file with -o FILE (-o - writes it to "
           "standard output)\n";
    return kExitUsage;
  }
  if (toFile && (sameFile(request.output, request.image) ||
                 (request.translated && sameFile(request.output, *request.translated)))) {
    err << kProgram << quote(request.output) << " is an image; the export would replace it\n";
    return kExitRefused;
  }

  return std::nullopt;
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

// libxlsxwriter writes a file: it writes in a folder of our own, and the bytes go on from there like
// any other export's, to a replacement of the output or to standard output.
std::string workbookBytes(std::span<const exchange::ExportText> texts,
                          const exchange::ExportSettings& settings) {
  const ScratchFolder scratch;
  const std::filesystem::path path = scratch.path() / "texts.xlsx";
  try {
    exchange::writeWorkbook(texts, settings, path, scratch.path());
  } catch (const std::runtime_error& e) {
    throw FileError(utf8Path(path), "writing", std::make_error_code(std::errc::io_error),
                    std::string("the workbook library failed: ") + e.what());
  }
  const File file = File::openExisting(utf8Path(path), File::Access::Read);
  const Bytes bytes = readWhole(file, kMaxScriptSize, "a workbook");
  return std::string(bytes.begin(), bytes.end());
}

int exportTexts(const ExportRequest& request, std::ostream& data, std::ostream& out, std::ostream& err,
                bool& changed) {
  if (const std::optional<int> status = requestProblem(request, err)) return *status;
  const bool toFile = !request.output.empty() && request.output != "-";
  const std::vector<ScriptRow> sources = readImageRows(request.image);
  const std::vector<ScriptRow> translated =
      request.translated ? readImageRows(*request.translated) : std::vector<ScriptRow>{};
  const std::vector<exchange::ExportText> texts = exchange::exportTexts(sources, translated);

  exchange::ExportSettings settings;
  settings.sourceLanguage = request.sourceLanguage;
  settings.targetLanguage = request.targetLanguage;
  settings.weblateFlags = request.weblateFlags;
  settings.original = utf8Path(fsPath(request.image).filename());
  settings.version = THORNVALE_VERSION;
  if (settings.targetLanguage) settings.revisionDate = revisionDate();
  const std::string file = request.format == exchange::Format::Workbook ? workbookBytes(texts, settings)
                           : request.format == exchange::Format::Xliff ? exchange::writeXliff(texts, settings)
                                                                       : exchange::writePo(texts, settings);
  if (!toFile) {
    data << file;
    return kExitSuccess;
  }
  Replacement replacement(request.output, Replacement::Target::OutputFile);
  replacement.write(std::span(reinterpret_cast<const std::uint8_t*>(file.data()), file.size()));
  replacement.commit();
  changed = true;
  std::size_t targets = 0;
  for (const exchange::ExportText& text : texts) targets += text.target ? 1 : 0;
  out << request.output << ": " << texts.size() << " texts in " << exchange::formatName(request.format);
  if (request.translated) out << ", " << targets << " of them translated";
  out << '\n';
  return kExitSuccess;
}

// An XLIFF in which no unit has a translation has most likely been through a tool that keeps its
// translations elsewhere: said in one sentence, since nothing else would show it.
void warnIfUntranslatedXliff(std::ostream& err, const std::string& fileName, const exchange::ReadResult& read) {
  const bool untranslated = std::all_of(read.units.begin(), read.units.end(), [](const exchange::Unit& unit) {
    return !unit.target || unit.target->empty();
  });
  if (read.format != exchange::Format::Xliff || read.units.empty() || !untranslated) return;
  err << escapeControls(fileName)
      << ": warning: no unit of this XLIFF holds a translation; if it came back from a translation tool, the tool "
         "did not write its translations into it (OmegaT 3.6 translates only the <target> elements a file already "
         "has: translate the PO export there instead)\n";
}

// Every problem, then what they mean for the image.
int refuseImport(std::ostream& err, const ImportRequest& request,
                 const std::vector<exchange::Problem>& problems, bool tsv, bool fileRefused = false,
                 std::size_t changedSources = 0) {
  for (const exchange::Problem& problem : problems) printProblem(err, request.fileName, problem);
  // A file refused whole says so once, wherever its one problem lies.
  if (problems.size() == 1 && problems[0].id.empty() && fileRefused &&
      (problems[0].line == 1 || problems[0].message.find("nothing of") != std::string::npos)) {
    err << kProgram << quote(request.image) << " was not changed: nothing of the file was read\n";
    return kExitRefused;
  }
  err << kProgram << quote(request.image) << " was not changed: " << problems.size()
      << (problems.size() == 1 ? (tsv ? " row" : " unit") : (tsv ? " rows" : " units")) << " refused";
  if (changedSources > 0) {
    err << ", " << plural(changedSources, "translation", "translations")
        << " of a source that is not the image's text (made from another revision of the image)";
  }
  err << '\n';
  return kExitRefused;
}

// Every text the import changes, one line each, so that nothing changes unseen; a translation taken
// from a number or date cell (under --accept-conversions) says so.
void printChanges(std::ostream& out, const ImportReport& report,
                  const std::map<int, const exchange::Unit*>& units) {
  for (const ImportChange& change : report.changes) {
    out << "position " << change.entry->position << ": " << quote(toUtf8(change.before)) << " -> "
        << quote(toUtf8(change.after));
    const auto unit = units.find(change.entry->position);
    if (unit != units.end() && unit->second->typedCell)
      out << " (a conversion accepted: " << escapeControls(*unit->second->typedCell) << ")";
    out << '\n';
  }
}

void printImportReport(std::ostream& out, const ImportRequest& request, const ImportReport& report,
                       const exchange::Selection& selection, bool tsv,
                       const std::map<int, const exchange::Unit*>& units) {
  printChanges(out, report, units);
  out << request.image << ": ";
  if (report.changed == 0) {
    out << "nothing to write";
  } else {
    out << report.changed << (report.changed == 1 ? " text " : " texts ")
        << (request.dryRun ? "would be written" : "written");
  }
  out << ", " << report.unchanged << " unchanged";
  if (tsv && selection.empty > 0)
    out << ", " << plural(selection.empty, "row", "rows") << " without a translation";
  if (!tsv) {
    if (selection.leftUnfinished > 0) {
      out << ", " << plural(selection.leftUnfinished, "unfinished unit", "unfinished units")
          << " left alone (--include-unfinished takes them)";
    }
    if (selection.unfinished > selection.leftUnfinished) {
      out << ", " << plural(selection.unfinished, "unfinished unit", "unfinished units") << " taken";
    }
    out << ", " << plural(selection.empty, "unit", "units") << " without a translation";
  }
  out << (request.dryRun ? "; nothing was written (dry run)" : "") << '\n';
}

int importFile(const ImportRequest& request, const std::string& content, std::ostream& out, std::ostream& err,
               bool& changed) {
  const exchange::ReadResult read = exchange::readUnits(content, request.format);
  const bool tsv = read.format != exchange::Format::Xliff && read.format != exchange::Format::Po;
  if (!read.ok()) return refuseImport(err, request, read.problems, tsv, read.units.empty());
  const exchange::Selection selection = exchange::selectTexts(read, request.includeUnfinished);
  std::map<int, const exchange::Unit*> units;
  for (const exchange::Unit& unit : read.units) units[unit.entry->position] = &unit;
  const auto id = [&](int position) {
    const auto unit = units.find(position);
    return unit != units.end() ? unit->second->id : std::string();
  };

  // A control character is named as one, before the Save check would call it unstorable.
  std::vector<exchange::Problem> problems;
  for (const ScriptRow& row : selection.rows) {
    if (const std::optional<std::string> control = exchange::controlCharacter(row.text)) {
      problems.push_back({row.line, id(row.entry->position),
                          "the text holds the control character " + *control + ", which no text can store"});
    }
  }
  ImportReport report;
  std::size_t changedSources = 0;
  if (problems.empty()) {
    // A translation that was a number or a date cell is refused where it would change a text.
    // So is one whose unit's source is not the image's text: the file was made from another revision.
    const RowRule rule = [&](const ScriptRow& row,
                             const std::u16string& stored) -> std::optional<std::string> {
      const exchange::Unit& unit = *units[row.entry->position];
      if (unit.source && !unit.source->empty() && *unit.source != stored) {
        ++changedSources;
        if (!request.acceptChangedSources) return exchange::changedSourceProblem(*unit.source, stored);
      }
      if (!unit.typedCell || request.acceptConversions) return std::nullopt;
      return exchange::typedCellProblem(*unit.typedCell);
    };
    report = importRows(request.image, selection.rows, request.dryRun, !request.acceptConversions, rule);
    changed = report.written;
    for (const LineRefusal& failure : report.failures) {
      const auto found = units.find(failure.position);
      const exchange::Unit* unit = found != units.end() ? found->second : nullptr;
      const bool detail = unit && unit->typedCell && request.acceptConversions;
      problems.push_back(
          {failure.line, id(failure.position),
           failure.refusal.message + (detail ? exchange::typedCellDetail(*unit->typedCell) : "")});
    }
  }
  if (!problems.empty()) return refuseImport(err, request, problems, tsv, false, changedSources);
  printImportReport(out, request, report, selection, tsv, units);
  warnIfUntranslatedXliff(err, request.fileName, read);
  if (changedSources > 0) {
    out << request.image << ": " << plural(changedSources, "of them was", "of them were")
        << " made from another revision of the image (--accept-changed-sources)\n";
  }
  return kExitSuccess;
}

int checkFile(const CheckRequest& request, const std::string& content, std::ostream& out, std::ostream& err) {
  const exchange::ReadResult read = exchange::readUnits(content, request.format);
  const std::vector<ScriptRow> image =
      request.image ? readImageRows(*request.image) : std::vector<ScriptRow>{};
  const exchange::CheckReport report = exchange::checkUnits(
      read, request.includeUnfinished, image, !request.acceptConversions, request.acceptChangedSources);
  for (const exchange::Problem& problem : report.problems) printProblem(err, request.fileName, problem);
  for (const exchange::Problem& warning : report.warnings)
    printProblem(err, request.fileName, warning, "warning: ");
  warnIfUntranslatedXliff(err, request.fileName, read);
  out << request.fileName << ": " << exchange::formatName(report.format) << ", "
      << plural(report.finished, "finished", "finished") << ", "
      << plural(report.unfinished, "unfinished", "unfinished") << ", "
      << plural(report.empty, "empty", "empty") << ", " << plural(report.refused, "refused", "refused");
  if (report.changedSources > 0) {
    out << ", " << plural(report.changedSources, "translation", "translations")
        << " made from another revision of the image" << (request.acceptChangedSources ? " (accepted)" : "");
  }
  if (!report.warnings.empty()) out << ", " << plural(report.warnings.size(), "warning", "warnings");
  out << (report.ok() ? ": every finished text would be accepted\n" : "\n");
  return report.ok() ? kExitSuccess : kExitRefused;
}

}  // namespace thornvale::cli
