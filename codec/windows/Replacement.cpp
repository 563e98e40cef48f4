// Replacing a whole file on Windows: the new content goes into a file of its own in the target's
// folder, marked to be deleted should the program end before commit(); commit() clears the mark
// and puts it in the target's place with ReplaceFileW, which keeps the old file's security
// descriptor, attributes and creation time, or with MoveFileExW for a file that is new.

#include <windows.h>

#include <atomic>
#include <filesystem>
#include <optional>

#include "codec/File.h"
#include "codec/windows/Errors.h"

namespace thornvale {
namespace {

using windows::fail;
using windows::OwnedHandle;

std::wstring finalPath(HANDLE handle, const std::string& path) {
  std::wstring resolved(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetFinalPathNameByHandleW(
        handle, resolved.data(), static_cast<DWORD>(resolved.size()), FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
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

std::wstring temporaryName() {
  static std::atomic<unsigned> counter{0};
  return L".thornvale-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(counter++) +
         L".tmp";
}

void markForDeletion(HANDLE file, bool remove) {
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = remove ? TRUE : FALSE;
  SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition);
}

}  // namespace

struct Replacement::Native {
  Replacement::Target kind;
  std::wstring resolved;   // the file that commit() replaces
  std::wstring temporary;  // the new content's own name beside it
  OwnedHandle file;
  bool exists = false;
  bool committed = false;
};

Replacement::Replacement(std::string target, Target kind)
    : target_(std::move(target)), native_(std::make_unique<Native>()) {
  Native& n = *native_;
  n.kind = kind;
  const std::wstring wide = windows::widePath(target_, "opening");

  // The system follows a link at the target; what it found is what gets replaced.
  OwnedHandle current(CreateFileW(wide.c_str(), 0, windows::kShareAll, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (current.valid()) {
    windows::refuseUnlessDiskFile(target_, current.get(), "replacing");
    n.exists = true;
    n.resolved = finalPath(current.get(), target_);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(current.get(), &info)) fail(target_, "examining", GetLastError());
    if (kind == Target::ExistingImage && info.nNumberOfLinks > 1) {
      throw FileError(target_, "replacing", std::make_error_code(std::errc::too_many_links),
                      "the file has " + std::to_string(info.nNumberOfLinks) +
                          " hard links, and replacing it would split them; nothing was written. "
                          "`set` or the editor can still change one text at a time");
    }
  } else {
    const DWORD error = GetLastError();
    if (kind != Target::OutputFile || (error != ERROR_FILE_NOT_FOUND)) fail(target_, "opening", error);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
      throw FileError(target_, "writing", std::make_error_code(std::errc::no_such_file_or_directory),
                      "a symbolic link to a file that does not exist; it was left as it is");
    }
    n.resolved = fullPath(wide, target_);
  }

  const std::filesystem::path where(n.resolved);
  n.temporary = (where.parent_path() / temporaryName()).wstring();
  n.file.reset(CreateFileW(n.temporary.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!n.file.valid())
    fail(windows::narrow(where.parent_path().wstring()), "creating a new file in", GetLastError());
  // Should the program end before commit(), the system removes the new file with its handle.
  markForDeletion(n.file.get(), true);
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
  std::size_t done = 0;
  while (done < bytes.size()) {
    OVERLAPPED where{};
    where.Offset = static_cast<DWORD>(done & 0xFFFFFFFFu);
    where.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(done) >> 32);
    DWORD got = 0;
    const auto want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
    if (!ReadFile(native_->file.get(), bytes.data() + done, want, &got, &where)) {
      const DWORD error = GetLastError();
      if (error == ERROR_HANDLE_EOF) break;
      fail(target_, "reading back the new content of", error);
    }
    if (got == 0) break;
    done += got;
  }
  bytes.resize(done);
  return bytes;
}

void Replacement::commit() {
  Native& n = *native_;
  if (!FlushFileBuffers(n.file.get())) fail(target_, "flushing the new content of", GetLastError());
  markForDeletion(n.file.get(), false);
  n.file.reset();
  // From here until the new content has its place, only a crash could leave it behind.
  n.committed = true;
  bool replaced = false;
  if (n.exists) {
    // An output file of ours may lose an ACL entry we cannot copy; the user's image may not.
    const DWORD flags = n.kind == Target::OutputFile
                            ? REPLACEFILE_IGNORE_ACL_ERRORS | REPLACEFILE_IGNORE_MERGE_ERRORS
                            : REPLACEFILE_IGNORE_MERGE_ERRORS;
    replaced = ReplaceFileW(n.resolved.c_str(), n.temporary.c_str(), nullptr, flags, nullptr, nullptr);
  } else {
    replaced = MoveFileExW(n.temporary.c_str(), n.resolved.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  }
  if (!replaced) {
    const DWORD error = GetLastError();
    DeleteFileW(n.temporary.c_str());
    fail(target_, "replacing", error);
  }
}

}  // namespace thornvale
