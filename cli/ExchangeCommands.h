#pragma once

// The commands that move texts between an image and the exchange formats: export, import and
// check. Each reads what it is given, asks the exchange library's records and its judge, and
// reports; import writes what the judge accepted. They write their messages, each
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
  exchange::Format format = nullptr;  // none: XLIFF
  std::string sourceLanguage = "en-US";
  std::optional<std::string> targetLanguage;
  std::optional<std::string> translated;  // a second image whose differing texts become targets
  bool weblateFlags = false;
  std::string output;  // "" or "-": standard output
  std::string tables;  // --tables DIR; empty: the folder beside the image
};

[[nodiscard]] int exportTexts(const ExportRequest& request, std::ostream& data, std::ostream& out,
                              std::ostream& err, bool& changed);

struct ImportRequest {
  std::string image;
  std::string fileName;                    // as messages name the file
  exchange::Format format = nullptr;  // none: told by the content
  bool dryRun = false;
  bool includeUnfinished = false;
  bool acceptConversions = false;  // take texts that look like a spreadsheet's conversion
  std::string tables;              // --tables DIR; empty: the folder beside the image
  bool acceptChangedSources = false;  // take translations of texts the image no longer holds
};

// `content` is the file, already read within the 1 MiB bound.
[[nodiscard]] int importFile(const ImportRequest& request, const std::string& content, std::ostream& out,
                             std::ostream& err, bool& changed);

struct CheckRequest {
  std::string fileName;
  exchange::Format format = nullptr;
  std::optional<std::string> image;
  bool includeUnfinished = false;
  bool acceptConversions = false;
  std::string tables;  // --tables DIR; empty: the folder beside the image, if there is one
  bool acceptChangedSources = false;
};

// `content` as for importFile.
[[nodiscard]] int checkFile(const CheckRequest& request, const std::string& content, std::ostream& out,
                            std::ostream& err);

}  // namespace thornvale::cli
