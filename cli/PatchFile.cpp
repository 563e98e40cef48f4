#include "cli/PatchFile.h"

#include <filesystem>
#include <optional>

#include "cli/PatchReaders.h"
#include "codec/FileAccess.h"
#include "codec/Format.h"
#include "codec/Paths.h"

namespace thornvale::cli {
namespace {

bool sameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  return std::filesystem::equivalent(fsPath(a), fsPath(b), error) && !error;
}

Bytes readImage(const std::string& path) {
  File file = openImage(path, File::Access::Read);
  Bytes bytes = readWhole(file, kMaxImageSize, "an image");
  file.close();
  return bytes;
}

}  // namespace

std::optional<Refusal> writePatchFile(const std::string& original, const std::string& edited,
                                      const std::string& out, PatchFormat format, const PatchMaker& maker) {
  if (sameFile(out, original) || sameFile(out, edited)) {
    return Refusal{quote(out) + " is one of the two images; the patch would replace it"};
  }
  const Bytes source = readImage(original);
  const Bytes target = readImage(edited);
  if (format == PatchFormat::Ips) {
    if (auto refusal = ipsRefusal(source.size(), target.size())) {
      return Refusal{quote(edited) + ": " + refusal->message};
    }
  }
  const PatchMaker& make =
      maker ? maker : (format == PatchFormat::Ips ? PatchMaker(makeIpsPatch) : PatchMaker(makeBpsPatch));
  const Bytes patch = make(source, target);

  std::optional<Refusal> refused;
  (void)replaceOutput(out, [&](Replacement& file) {
    file.write(patch);
    // Check what reached the disk, not what we meant to write.
    const Bytes written = file.readBack();
    const PatchApplication applied =
        format == PatchFormat::Ips ? applyIpsPatch(written, source) : applyBpsPatch(written, source);
    if (!applied.ok()) {
      refused = Refusal{quote(out) + " was not written: the patch failed its check (" + applied.refusal->message +
                        ")"};
    } else if (applied.result != target) {
      refused = Refusal{quote(out) + " was not written: the patch applied to " + quote(original) +
                        " does not give " + quote(edited)};
    }
    return !refused;
  });
  return refused;
}

}  // namespace thornvale::cli
