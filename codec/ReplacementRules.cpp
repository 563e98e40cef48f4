#include "codec/ReplacementRules.h"

#include <charconv>
#include <random>

#include "codec/FileError.h"
#include "codec/Format.h"

namespace thornvale {
namespace {

constexpr std::string_view kPrefix = ".thornvale-";
constexpr std::string_view kSuffix = ".tmp";
constexpr std::size_t kNonceDigits = 16;
constexpr std::size_t kMaxScopeDigits = 64;

bool lowerHex(std::string_view text) {
  return !text.empty() && text.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

// Splits off the text before the next '-'.
std::optional<std::string_view> field(std::string_view& rest) {
  const std::size_t dash = rest.find('-');
  if (dash == std::string_view::npos) return std::nullopt;
  const std::string_view part = rest.substr(0, dash);
  rest.remove_prefix(dash + 1);
  return part;
}

}  // namespace

std::string temporaryName(std::string_view scope, std::uint64_t pid) {
  static std::random_device random;
  const std::uint64_t nonce = (std::uint64_t{random()} << 32) ^ random();
  std::string hex = formatHex(nonce, kNonceDigits);
  for (char& c : hex) c = static_cast<char>(c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);
  return std::string(kPrefix) + std::string(scope.empty() ? "0" : scope) + '-' + std::to_string(pid) + '-' +
         hex + std::string(kSuffix);
}

std::optional<std::uint64_t> strayProcess(std::string_view name, std::string_view scope,
                                          std::uint64_t maxPid) {
  if (scope.empty() || !name.starts_with(kPrefix) || !name.ends_with(kSuffix)) return std::nullopt;
  std::string_view rest = name.substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
  const std::optional<std::string_view> madeIn = field(rest);
  const std::optional<std::string_view> number = field(rest);
  if (!madeIn || !number || *madeIn != scope || madeIn->size() > kMaxScopeDigits) return std::nullopt;
  if (rest.size() != kNonceDigits || !lowerHex(rest)) return std::nullopt;
  if (number->empty() || number->front() == '0' || number->size() > 20) return std::nullopt;
  std::uint64_t pid = 0;
  const auto [end, error] = std::from_chars(number->data(), number->data() + number->size(), pid);
  if (error != std::errc() || end != number->data() + number->size() || pid > maxPid) return std::nullopt;
  return pid;
}

void refuseToReplace(const std::string& target, std::error_code code, const std::string& why) {
  FileError refusal(target, "replacing", code, why + "; nothing was written");
  refusal.markInPlaceStillWorks();
  throw refusal;
}

void refuseLinkedFile(const std::string& target, std::uint64_t links) {
  refuseToReplace(target, std::make_error_code(std::errc::too_many_links),
                  "the file has " + std::to_string(links) + " hard links, and replacing it would split them");
}

void refuseForeignOwner(const std::string& target, std::error_code code, const std::string& owner,
                        const std::string& systemWords) {
  refuseToReplace(target, code,
                  "the file belongs to " + owner + ", and a new file of ours could not be given to them (" +
                      systemWords + ")");
}

void refuseAttribute(const std::string& target, std::error_code code, const std::string& name,
                     const std::string& systemWords) {
  refuseToReplace(target, code, name + " could not be carried over to a new file (" + systemWords + ")");
}

void refuseFixed(const std::string& path, bool folder, bool immutable, const std::string& target, bool image) {
  const std::string marked = immutable ? "immutable" : "append-only";
  FileError refusal(path, folder ? "replacing files in" : "replacing",
                    std::make_error_code(std::errc::operation_not_permitted),
                    !folder ? "the file is marked " + marked + ", so it cannot be replaced; nothing was written"
                    : image ? "the folder is marked " + marked + " and does not allow replacing files, so " +
                                  quote(target) + " was not changed and nothing was written beside it"
                            : "the folder is marked " + marked + " and does not allow replacing files, so " +
                                  quote(target) + " was not written");
  if (folder && image) refusal.markInPlaceStillWorks();
  throw refusal;
}

bool looksLikeImage(std::span<const std::uint8_t> start) noexcept {
  return start.size() >= 4 && start[0] == 'N' && start[1] == 'E' && start[2] == 'S' && start[3] == 0x1A;
}

void refuseImageAsOutput(const std::string& target) {
  throw FileError(target, "replacing", std::make_error_code(std::errc::file_exists),
                  "the file is an NES image (its header says so), and an output never replaces an image; "
                  "nothing was written. Choose another name");
}

void rethrowForOutput(const FileError& error) {
  if (!error.inPlaceStillWorks()) throw error;
  throw FileError(error.path(), error.operation(), error.code(), error.reason());
}

void refuseChangedMeanwhile(const std::string& target, bool image) {
  throw FileError(target, "replacing", std::make_error_code(std::errc::operation_canceled),
                  image ? "another program changed the image and nothing was written; read it again and "
                          "repeat the import"
                        : "another program replaced, moved or made the file meanwhile, and nothing was "
                          "written; try again");
}

void refuseDanglingLink(const std::string& target) {
  throw FileError(target, "writing", std::make_error_code(std::errc::no_such_file_or_directory),
                  "a symbolic link to a file that does not exist; it was left as it is");
}

}  // namespace thornvale
