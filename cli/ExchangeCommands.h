#pragma once

// The commands that move texts between an image and the translators' formats: export, import (of
// any format) and check. Each is a thin layer over the exchange library and the import of
// cli/Import: it reads what it is given, calls them, and reports. They write their messages, each
// begun with the program's name, to `err`, and return the exit status.

#include <iosfwd>
#include <optional>
#include <span>
#include <string>

#include "exchange/Exchange.h"
#include "exchange/Units.h"

namespace thornvale::cli {

struct ExportRequest {
  std::string image;
  exchange::Format format = exchange::Format::Xliff;
  std::string sourceLanguage = "en-US";
  std::optional<std::string> targetLanguage;
  std::optional<std::string> translated;  // a second image whose differing texts become targets
  bool weblateFlags = false;
  std::string output;  // "" or "-": standard output
};

// The workbook of an export as bytes (libxlsxwriter writes it in a scratch folder of our own).
[[nodiscard]] std::string workbookBytes(std::span<const exchange::ExportText> texts,
                                        const exchange::ExportSettings& settings);

[[nodiscard]] int exportTexts(const ExportRequest& request, std::ostream& data, std::ostream& out,
                              std::ostream& err, bool& changed);

struct ImportRequest {
  std::string image;
  std::string fileName;                    // as messages name the file
  std::optional<exchange::Format> format;  // none: told by the content
  bool dryRun = false;
  bool includeUnfinished = false;
  bool acceptConversions = false;     // take texts that look like a spreadsheet's conversion
  bool acceptChangedSources = false;  // take units whose source is not the image's text
};

// `content` is the file, already read within the 1 MiB bound.
[[nodiscard]] int importFile(const ImportRequest& request, const std::string& content, std::ostream& out,
                             std::ostream& err, bool& changed);

struct CheckRequest {
  std::string fileName;
  std::optional<exchange::Format> format;
  std::optional<std::string> image;
  bool includeUnfinished = false;
  bool acceptConversions = false;
  bool acceptChangedSources = false;
};

[[nodiscard]] int checkFile(const CheckRequest& request, const std::string& content, std::ostream& out,
                            std::ostream& err);

}  // namespace thornvale::cli
