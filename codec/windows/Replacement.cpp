// Replacing a whole file on Windows: the new content goes into a file of its own in the target's
// folder, marked to be deleted should the program end before commit(), and given the old file's
// owner, group, DACL, attributes and creation time. commit() clears the mark and renames it over
// the target in one step where the system and the file system can while the target is held open
// (as the writer's own locked handle holds it); elsewhere ReplaceFileW moves the target aside and
// the new file in, and a failure between the two puts the new file in place all the same. Named
// streams (a download's zone mark) are not carried over.

#include <aclapi.h>
#include <sddl.h>
#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <filesystem>
#include <optional>
#include <utility>
#include <string_view>
#include <vector>

#include "codec/File.h"
#include "codec/ReplacementRules.h"
#include "codec/windows/FileCalls.h"

namespace thornvale {
namespace {

using windows::fail;

std::wstring finalPath(HANDLE handle, const std::string& path) {
  std::wstring resolved(MAX_PATH, L'\0');
  // A volume mounted in a folder alone has no drive letter, only its GUID name.
  DWORD volume = VOLUME_NAME_DOS;
  for (;;) {
    const DWORD length = GetFinalPathNameByHandleW(
        handle, resolved.data(), static_cast<DWORD>(resolved.size()), FILE_NAME_NORMALIZED | volume);
    if (length == 0 && volume == VOLUME_NAME_DOS) {
      volume = VOLUME_NAME_GUID;
      continue;
    }
    if (length == 0) fail(path, "finding the folder of", GetLastError());
    if (length < resolved.size()) {
      resolved.resize(length);
      return resolved;
    }
    resolved.resize(length + 1);
  }
}

std::wstring fullPath(const std::wstring& path, const std::string& given) {
  const DWORD length = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  std::wstring full(length, L'\0');
  const DWORD written = GetFullPathNameW(path.c_str(), length, full.data(), nullptr);
  if (written == 0 || written >= length) fail(given, "finding the folder of", GetLastError());
  full.resize(written);
  return full;
}

// A new file that may have become the only copy of the content: ".tmp" becomes ".new".
constexpr std::wstring_view kTempSuffix = L".tmp";
constexpr std::wstring_view kKeptSuffix = L".new";

std::wstring newTemporaryName() {
  return *windows::widen(temporaryName(temporaryScope(), GetCurrentProcessId()));
}

std::wstring keptName(const std::wstring& temporary) {
  return temporary.substr(0, temporary.size() - kTempSuffix.size()) + std::wstring(kKeptSuffix);
}

// The path as the user would write it, without the \\?\ that the system's final paths carry.
std::wstring shownPath(const std::wstring& path) {
  return path.starts_with(L"\\\\?\\") ? path.substr(4) : path;
}

bool processRuns(DWORD pid) {
  KernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  if (!process.valid()) return GetLastError() != ERROR_INVALID_PARAMETER;  // no such process
  DWORD status = 0;
  return !GetExitCodeProcess(process.get(), &status) || status == STILL_ACTIVE;
}

// One SID of this process's token: its user, or the owner it gives the objects it makes.
std::vector<std::byte> tokenSid(HANDLE token, TOKEN_INFORMATION_CLASS which) {
  DWORD size = 0;
  GetTokenInformation(token, which, nullptr, 0, &size);
  std::vector<std::byte> buffer(size);
  if (size == 0 || !GetTokenInformation(token, which, buffer.data(), size, &size)) return {};
  return buffer;
}

// Whether the open file belongs to us: its owner is this process's user, or the owner this process
// gives the files it makes (an administrator's are the Administrators group's).
bool ownedByUs(HANDLE file) {
  HANDLE tokenHandle = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &tokenHandle)) return false;
  const KernelHandle token(tokenHandle);
  const std::vector<std::byte> user = tokenSid(token.get(), TokenUser);
  const std::vector<std::byte> owner = tokenSid(token.get(), TokenOwner);
  PSID fileOwner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &fileOwner, nullptr, nullptr, nullptr,
                      &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  const bool ours =
      fileOwner != nullptr &&
      ((!user.empty() && EqualSid(fileOwner, reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid)) ||
       (!owner.empty() && EqualSid(fileOwner, reinterpret_cast<const TOKEN_OWNER*>(owner.data())->Owner)));
  LocalFree(descriptor);
  return ours;
}

// A crash between a commit's two steps can leave a new file under its temporary name. Such a name
// is removed only where it is certainly ours and certainly dead: our exact name form made on this
// machine, a file of one name (never a link or a folder) that we own, and no process of its
// number. It is removed through the handle that was checked.
void removeStrayNames(const std::filesystem::path& folder) {
  WIN32_FIND_DATAW found{};
  const std::wstring pattern = (folder / L".thornvale-*.tmp").wstring();
  const HANDLE search = FindFirstFileW(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::optional<std::uint64_t> pid =
        strayProcess(windows::narrow(found.cFileName), temporaryScope(), 0xFFFFFFFFu);
    if (!pid || processRuns(static_cast<DWORD>(*pid))) continue;
    KernelHandle stray(CreateFileW(
        (folder / found.cFileName).c_str(), DELETE | READ_CONTROL | FILE_READ_ATTRIBUTES, windows::kShareAll,
        nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!stray.valid() || !GetFileInformationByHandle(stray.get(), &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0 ||
        info.nNumberOfLinks != 1 || !ownedByUs(stray.get())) {
      continue;
    }
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    SetFileInformationByHandle(stray.get(), FileDispositionInfo, &disposition, sizeof disposition);
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

bool markForDeletion(HANDLE file, bool remove) {
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = remove ? TRUE : FALSE;
  return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition);
}

// The owner of an open file by name ("DOMAIN\\user"), or by its SID where it has none.
std::string ownerName(HANDLE file) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (file == nullptr || GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                                         nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
    return "another user";
  }
  std::string name = "another user";
  wchar_t account[256], domain[256];
  DWORD accountSize = 256, domainSize = 256;
  SID_NAME_USE use{};
  LPWSTR text = nullptr;
  if (LookupAccountSidW(nullptr, owner, account, &accountSize, domain, &domainSize, &use)) {
    name = windows::narrow(domainSize > 0 ? std::wstring(domain) + L"\\" + account : std::wstring(account));
  } else if (ConvertSidToStringSidW(owner, &text)) {
    name = windows::narrow(text);
    LocalFree(text);
  }
  LocalFree(descriptor);
  return name;
}

// Owner, group and DACL of `from` given to `to`, the DACL's inheritance as it was. An owner or group
// that is already the new file's is left alone: setting one needs a right that setting the
// DACL does not. The system's error, or ERROR_SUCCESS.
DWORD copySecurity(HANDLE from, HANDLE to) {
  PSID owner = nullptr, group = nullptr, newOwner = nullptr, newGroup = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR old = nullptr, fresh = nullptr;
  constexpr SECURITY_INFORMATION kParts =
      OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
  DWORD error = GetSecurityInfo(from, SE_FILE_OBJECT, kParts, &owner, &group, &dacl, nullptr, &old);
  if (error == ERROR_SUCCESS) {
    error = GetSecurityInfo(to, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION,
                            &newOwner, &newGroup, nullptr, nullptr, &fresh);
  }
  if (error == ERROR_SUCCESS) {
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    GetSecurityDescriptorControl(old, &control, &revision);
    SECURITY_INFORMATION parts = DACL_SECURITY_INFORMATION |
                                 ((control & SE_DACL_PROTECTED) != 0 ? PROTECTED_DACL_SECURITY_INFORMATION
                                                                     : UNPROTECTED_DACL_SECURITY_INFORMATION);
    const bool sameOwner = owner == nullptr || (newOwner != nullptr && EqualSid(owner, newOwner));
    const bool sameGroup = group == nullptr || (newGroup != nullptr && EqualSid(group, newGroup));
    if (!sameOwner) parts |= OWNER_SECURITY_INFORMATION;
    error = SetSecurityInfo(to, SE_FILE_OBJECT, parts | (sameGroup ? 0 : GROUP_SECURITY_INFORMATION),
                            sameOwner ? nullptr : owner, sameGroup ? nullptr : group, dacl, nullptr);
    // The primary group means nothing to Windows' own access checks: the file goes without it
    // rather than the replacement without the user's permissions.
    if (error != ERROR_SUCCESS && !sameGroup) {
      error = SetSecurityInfo(to, SE_FILE_OBJECT, parts, sameOwner ? nullptr : owner, nullptr, dacl, nullptr);
    }
  }
  LocalFree(fresh);
  LocalFree(old);
  return error;
}

// The old file's creation time and the attributes that describe it rather than its content; the
// times of the content stay the new file's.
bool copyBasicInfo(HANDLE from, HANDLE to) {
  FILE_BASIC_INFO info{};
  if (!GetFileInformationByHandleEx(from, FileBasicInfo, &info, sizeof info)) return false;
  constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  FILE_BASIC_INFO kept{};
  kept.CreationTime = info.CreationTime;
  // Archive whatever the old file said: the content is new, and a backup must take it.
  kept.FileAttributes = (info.FileAttributes & kKept) | FILE_ATTRIBUTE_ARCHIVE;
  return SetFileInformationByHandle(to, FileBasicInfo, &kept, sizeof kept);
}

// Renames the open file over `target` in one step, even where others hold the target open (with
// delete sharing, as all our programs do): the POSIX semantics of current Windows on NTFS. False,
// with the system's error, where the system or the file system does not offer them.
bool renameOverOpen(HANDLE file, const std::wstring& target) {
  // FileRenameInfoEx, which the headers declare only for later targets than ours.
  constexpr auto kRenameInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(22);
  std::vector<std::byte> buffer(sizeof(FILE_RENAME_INFO) + target.size() * sizeof(wchar_t));
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->Flags = FILE_RENAME_FLAG_REPLACE_IF_EXISTS | FILE_RENAME_FLAG_POSIX_SEMANTICS;
  rename->RootDirectory = nullptr;
  rename->FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
  std::copy(target.begin(), target.end(), rename->FileName);
  return SetFileInformationByHandle(file, kRenameInfoEx, rename, static_cast<DWORD>(buffer.size()));
}

}  // namespace

std::string temporaryScope() {
  // This machine, which is where a process number means something: a folder on a share is also
  // seen by other machines' processes, whose names we must leave alone.
  static const std::string scope = [] {
    wchar_t guid[64] = {};
    DWORD size = sizeof guid;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Cryptography", L"MachineGuid",
                     RRF_RT_REG_SZ | RRF_SUBKEY_WOW6464KEY, nullptr, guid, &size) != ERROR_SUCCESS) {
      return std::string();
    }
    std::string hex;
    for (const wchar_t* c = guid; *c != 0; ++c) {
      if (*c >= L'0' && *c <= L'9') hex += static_cast<char>(*c);
      if (*c >= L'a' && *c <= L'f') hex += static_cast<char>(*c);
      if (*c >= L'A' && *c <= L'F') hex += static_cast<char>(*c - L'A' + L'a');
    }
    return hex.size() == 32 ? hex : std::string();
  }();
  return scope;
}

struct Replacement::Native {
  Replacement::Target kind;
  std::wstring resolved;   // the file that commit() replaces
  std::wstring temporary;  // the new content's own name beside it
  KernelHandle file;
  bool exists = false;
  std::pair<std::uint64_t, std::uint64_t> old;  // the examined file's volume and index
  bool committed = false;
};

namespace {

// The old file's owner, group, DACL, attributes and creation time given to the new one. What the
// user's image had must all be kept, or the replacement is refused here, before the image is
// touched; an output file of ours may do without what cannot be copied.
void keepWhatTheOldFileHad(const Replacement::Native& n, const std::string& target) {
  KernelHandle old(CreateFileW(n.resolved.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES, windows::kShareAll,
                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  DWORD error = old.valid() ? DWORD{ERROR_SUCCESS} : GetLastError();
  if (old.valid()) {
    // A file system without ACLs (FAT on a memory card) has no security to keep.
    DWORD features = 0;
    if (!GetVolumeInformationByHandleW(old.get(), nullptr, 0, nullptr, nullptr, &features, nullptr, 0)) {
      features = FILE_PERSISTENT_ACLS;
    }
    if ((features & FILE_PERSISTENT_ACLS) != 0) error = copySecurity(old.get(), n.file.get());
  }
  if (n.kind != Replacement::Target::ExistingImage) {
    if (old.valid()) copyBasicInfo(old.get(), n.file.get());
    return;
  }
  if (error != ERROR_SUCCESS) {
    refuseForeignOwner(target, windows::portableCode(error), ownerName(old.valid() ? old.get() : nullptr),
                       windows::systemMessage(error));
  }
  if (!copyBasicInfo(old.get(), n.file.get())) fail(target, "keeping the attributes of", GetLastError());
}

// Where a file held open cannot be renamed over: ReplaceFileW moves the old file aside and the new
// one in, and a failure between the two puts the new file in place all the same.
void replaceMovingAside(Replacement::Native& n, const std::string& target) {
  // ReplaceFileW may end with the old file gone and the new one under its own name, then the only
  // copy: it gets a name that the clean-up of stray names leaves alone.
  const std::wstring kept = keptName(n.temporary);
  if (!MoveFileExW(n.temporary.c_str(), kept.c_str(), 0)) {
    const DWORD error = GetLastError();
    DeleteFileW(n.temporary.c_str());
    fail(target, "replacing", error);
  }
  // The security and attributes are the new file's already.
  constexpr DWORD kFlags = REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS;
  if (ReplaceFileW(n.resolved.c_str(), kept.c_str(), nullptr, kFlags, nullptr, nullptr)) return;
  const DWORD error = GetLastError();
  // Documented for a failure after the old file was moved away; any failure that leaves no file at
  // the target's name is taken alike, whatever it says.
  if (error != ERROR_UNABLE_TO_MOVE_REPLACEMENT &&
      GetFileAttributesW(n.resolved.c_str()) != INVALID_FILE_ATTRIBUTES) {
    // The target is as it was.
    DeleteFileW(kept.c_str());
    fail(target, "replacing", error);
  }
  // The old file is gone: the new one takes the target's name now, or stays where the message
  // says.
  if (MoveFileExW(kept.c_str(), n.resolved.c_str(), MOVEFILE_WRITE_THROUGH)) return;
  const DWORD second = GetLastError();
  FileError stranded(target, "replacing", windows::portableCode(second),
                     windows::systemMessage(second) +
                         " The old file was removed, and the new content is in " +
                         windows::narrow(shownPath(kept)) + "; rename it to the file's name");
  stranded.markFileChanged();
  throw stranded;
}

// Gives the committed new file the target's name.
void putInPlace(Replacement::Native& n, const std::string& target) {
  if (n.exists && renameOverOpen(n.file.get(), n.resolved)) {
    // The rename on the disk too, as a flush of the renamed file makes it on NTFS.
    const bool flushed = FlushFileBuffers(n.file.get());
    const DWORD error = GetLastError();
    n.file.reset();
    if (!flushed) {
      FileError failure(target, "flushing after replacing", windows::portableCode(error),
                        windows::systemMessage(error));
      failure.markFileChanged();
      throw failure;
    }
    return;
  }
  n.file.reset();
  if (n.exists) {
    replaceMovingAside(n, target);
    return;
  }
  // Onto no file: one that another program made meanwhile stays.
  if (!MoveFileExW(n.temporary.c_str(), n.resolved.c_str(), MOVEFILE_WRITE_THROUGH)) {
    const DWORD error = GetLastError();
    DeleteFileW(n.temporary.c_str());
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) refuseChangedMeanwhile(target, false);
    fail(target, "replacing", error);
  }
}
}  // namespace

namespace {

// Fills in the file that commit() replaces: what the target names, a link followed as the system
// follows it, or where an output file that does not exist yet will be.
void findTarget(Replacement::Native& n, const std::wstring& wide, const std::string& target) {
  KernelHandle current(CreateFileW(wide.c_str(), 0, windows::kShareAll, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (current.valid()) {
    windows::refuseUnlessDiskFile(target, current.get(), "replacing");
    n.exists = true;
    // The name asked for; only a link's target is learnt from the file it opened.
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    n.resolved = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0
                     ? finalPath(current.get(), target)
                     : fullPath(wide, target);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(current.get(), &info)) fail(target, "examining", GetLastError());
    n.old = {info.dwVolumeSerialNumber, (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
    if (info.nNumberOfLinks > 1) refuseLinkedFile(target, info.nNumberOfLinks);
    return;
  }
  const DWORD error = GetLastError();
  if (n.kind != Replacement::Target::OutputFile || error != ERROR_FILE_NOT_FOUND)
    fail(target, "opening", error);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    refuseDanglingLink(target);
  }
  n.resolved = fullPath(wide, target);
}

// Whether the resolved name still names the file examined (or, where there was none, nothing): a
// program that takes no locks may have replaced or moved it since.
bool stillThere(const Replacement::Native& n) {
  KernelHandle named(CreateFileW(n.resolved.c_str(), 0, windows::kShareAll, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!named.valid()) {
    const DWORD error = GetLastError();
    return !n.exists && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND);
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!n.exists || !GetFileInformationByHandle(named.get(), &info)) return false;
  return n.old == std::pair<std::uint64_t, std::uint64_t>(
                      info.dwVolumeSerialNumber, (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow);
}

// The new file beside the target, marked so that the system removes it should the program end
// before commit().
void createNewFile(Replacement::Native& n) {
  const std::filesystem::path where(n.resolved);
  const std::string folder = windows::narrow(shownPath(where.parent_path().wstring()));
  // The right to give the file to another owner, where the folder grants it; only an image of
  // another owner needs it, and only that one is refused without it.
  constexpr DWORD kAccess = GENERIC_READ | GENERIC_WRITE | DELETE | WRITE_DAC;
  DWORD error = ERROR_FILE_EXISTS;
  // A taken name, in either form, is passed over.
  for (int attempt = 0; attempt < 100 && error == ERROR_FILE_EXISTS; ++attempt) {
    n.temporary = (where.parent_path() / newTemporaryName()).wstring();
    if (GetFileAttributesW(keptName(n.temporary).c_str()) != INVALID_FILE_ATTRIBUTES) continue;
    n.file.reset(CreateFileW(n.temporary.c_str(), kAccess | WRITE_OWNER, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!n.file.valid() && GetLastError() == ERROR_ACCESS_DENIED) {
      n.file.reset(
          CreateFileW(n.temporary.c_str(), kAccess, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    }
    error = n.file.valid() ? DWORD{ERROR_SUCCESS} : GetLastError();
  }
  if (!n.file.valid()) fail(folder, "creating a new file in", error);
  if (!markForDeletion(n.file.get(), true)) {
    error = GetLastError();
    n.file.reset();
    DeleteFileW(n.temporary.c_str());
    fail(folder, "creating a new file in", error);
  }
}

}  // namespace

Replacement::Replacement(std::string target, Target kind, const File* read)
    : target_(std::move(target)), native_(std::make_unique<Native>()) {
  try {
    start(kind, read);
  } catch (const FileError& error) {
    if (kind == Target::OutputFile) rethrowForOutput(error);
    throw;
  }
}

void Replacement::start(Target kind, const File* read) {
  Native& n = *native_;
  n.kind = kind;
  findTarget(n, windows::widePath(target_, "opening"), target_);
  if ((read != nullptr && (!n.exists || read->identity() != n.old)) || !stillThere(n))
    refuseChangedMeanwhile(target_, kind == Target::ExistingImage);
  createNewFile(n);
  if (n.exists) keepWhatTheOldFileHad(n, target_);
}

Replacement::~Replacement() {
  if (native_ && !native_->committed && native_->file.valid()) {
    markForDeletion(native_->file.get(), true);
    native_->file.reset();
    DeleteFileW(native_->temporary.c_str());
  }
}

void Replacement::write(std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const auto want = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
    DWORD put = 0;
    if (!WriteFile(native_->file.get(), bytes.data(), want, &put, nullptr)) {
      fail(target_, "writing the new content of", GetLastError());
    }
    if (put == 0) fail(target_, "writing the new content of", ERROR_WRITE_FAULT);
    bytes = bytes.subspan(put);
  }
}

Bytes Replacement::readBack() const {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(native_->file.get(), &size))
    fail(target_, "examining the new content of", GetLastError());
  Bytes bytes(static_cast<std::size_t>(size.QuadPart));
  bytes.resize(windows::readAllAt(native_->file.get(), target_, 0, bytes));
  return bytes;
}

void Replacement::commit() {
  Native& n = *native_;
  if (!FlushFileBuffers(n.file.get())) fail(target_, "flushing the new content of", GetLastError());
  if (!stillThere(n)) {
    // The new content goes at once, not when the object does.
    n.file.reset();
    DeleteFileW(n.temporary.c_str());
    refuseChangedMeanwhile(target_, n.kind == Target::ExistingImage);
  }
  // A mark that stayed would delete the file once it is the image.
  if (!markForDeletion(n.file.get(), false)) fail(target_, "keeping the new content of", GetLastError());
  // From here until the new content has its place, only a crash could leave it behind.
  n.committed = true;
  putInPlace(n, target_);
  removeStrayNames(std::filesystem::path(n.resolved).parent_path());
}

}  // namespace thornvale
