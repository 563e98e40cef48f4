#include "cli/PatchFile.h"

#include <filesystem>

#include "cli/FileBytes.h"
#include "cli/PatchReaders.h"
#include "cli/ReplacementFile.h"

namespace thornvale::cli {
namespace {

bool sameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  return std::filesystem::equivalent(a, b, error) && !error;
}

}  // namespace

std::string writePatchFile(const std::string& original, const std::string& edited, const std::string& out,
                           PatchFormat format, const PatchMaker& maker) {
  if (sameFile(out, original) || sameFile(out, edited)) {
    return "\"" + out + "\" is one of the two images; the patch would replace it";
  }
  const Bytes source = readWholeFile(original);
  const Bytes target = readWholeFile(edited);
  if (format == PatchFormat::Ips) {
    if (auto refusal = ipsRefusal(source.size(), target.size())) return "\"" + edited + "\": " + *refusal;
  }
  const PatchMaker& make = maker ? maker : (format == PatchFormat::Ips ? PatchMaker(makeIpsPatch)
                                                                       : PatchMaker(makeBpsPatch));
  const Bytes patch = make(source, target);

  ReplacementFile file(out);
  file.write(patch);
  // Check what reached the disk, not what we meant to write.
  const Bytes written = readWholeFile(file.path());
  const PatchApplication applied =
      format == PatchFormat::Ips ? applyIpsPatch(written, source) : applyBpsPatch(written, source);
  if (!applied.ok()) {
    return "\"" + out + "\" was not written: the patch failed its check (" + applied.error + ")";
  }
  if (applied.result != target) {
    return "\"" + out + "\" was not written: the patch applied to \"" + original +
           "\" does not give \"" + edited + "\"";
  }
  file.commit();
  return {};
}

}  // namespace thornvale::cli
