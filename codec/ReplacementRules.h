#pragma once

// What every system's replacement keeps to, written once: the names it gives its new content
// beside the target, which of them a later replacement may remove, and the words of its refusals. A process
// killed between naming the new content and renaming it over the target leaves such a name behind; the next
// replacement in that folder removes it, but only where it is certainly ours and certainly dead: a stray left
// is litter, a live name removed is a failed import of another process. Each system adds the checks only it
// can make (a regular file, owned by the caller, of a process that is gone).

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>

namespace thornvale {

// ".thornvale-SCOPE-PID-NONCE.tmp". SCOPE says where PID names a process: this boot and PID
// namespace on Linux, this machine on Windows; a folder shared with a container or another
// machine sees names of other scopes, whose processes it cannot ask after. NONCE, random, keeps
// apart the names of one process and of a process that reused a number.
[[nodiscard]] std::string temporaryName(std::string_view scope, std::uint64_t pid);

// The process that made `name`, where the name has exactly the form above (no leading zeros, a
// process number from 1 to `maxPid`, 16 hex digits of nonce) and was made in `scope`. Nothing
// for any other name, and for every name where the scope is not known (empty).
[[nodiscard]] std::optional<std::uint64_t> strayProcess(std::string_view name, std::string_view scope,
                                                        std::uint64_t maxPid);

// The scope of names this process makes: lower-case hex digits, or empty where the system did not
// tell (names are then still made, as scope "0", and none is ever removed).
[[nodiscard]] std::string temporaryScope();

// ---- Refusals ----
// An existing image that cannot be replaced and stay the user's is refused before anything is
// written. These throw a FileError for `target` saying so, marked as one that a write in place
// can get past: the caller may say which of its commands still can.
[[noreturn]] void refuseToReplace(const std::string& target, std::error_code code, const std::string& why);
[[noreturn]] void refuseLinkedFile(const std::string& target, std::uint64_t links);
[[noreturn]] void refuseForeignOwner(const std::string& target, std::error_code code,
                                     const std::string& owner, const std::string& systemWords);
[[noreturn]] void refuseAttribute(const std::string& target, std::error_code code, const std::string& name,
                                  const std::string& systemWords);
// A folder, or the file itself, marked so that nothing may be renamed over the file. `image`: the
// target is an image, which stays as it was; an output is simply not written.
[[noreturn]] void refuseFixed(const std::string& path, bool folder, bool immutable,
                              const std::string& target, bool image = true);

// ---- Outputs (a workbook, a PO file, a patch, a table file) ----
// An output replaces only what a shell's `>` could write into, never an image, nor a file of
// several hard links; these refusals write nothing and name no command that writes in place.
[[nodiscard]] bool looksLikeImage(std::span<const std::uint8_t> start) noexcept;
[[noreturn]] void refuseImageAsOutput(const std::string& target);
// The same refusal as an image's, without the advice of a write in place, which fits no output.
[[noreturn]] void rethrowForOutput(const class FileError& error);
// The target names another file than the one examined (or read) before: another program replaced,
// moved or made it meanwhile. Nothing was written; `image` says which words fit.
[[noreturn]] void refuseChangedMeanwhile(const std::string& target, bool image);
// An output at a symbolic link that names nothing: the link stays as it is.
[[noreturn]] void refuseDanglingLink(const std::string& target);

}  // namespace thornvale
