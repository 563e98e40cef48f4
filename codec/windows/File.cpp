// The file layer on Windows: CreateFileW and the other wide-character calls, positioned reads and
// writes through OVERLAPPED offsets, LockFileEx for the advisory lock. Paths arrive as UTF-8.

#include "codec/File.h"

#include <windows.h>

#include <algorithm>
#include <thread>

#include "codec/ProcessSignals.h"
#include "codec/windows/FileCalls.h"

namespace thornvale {

const File::Handle File::kClosed = reinterpret_cast<File::Handle>(INVALID_HANDLE_VALUE);

namespace windows {

BY_HANDLE_FILE_INFORMATION refuseUnlessDiskFile(const std::string& path, HANDLE handle,
                                                const char* operation) {
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    refuse(path, operation, std::errc::invalid_argument,
           "a device or a pipe, not a regular file; nothing was read or written");
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(handle, &info)) fail(path, "examining", GetLastError());
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    throw FileError(path, operation, std::make_error_code(std::errc::is_a_directory));
  }
  return info;
}

}  // namespace windows

namespace {

using windows::fail;

HANDLE toHandle(File::Handle handle) { return reinterpret_cast<HANDLE>(handle); }

// Byte-range locks on Windows are mandatory: a lock over the data would make the locking
// program's own reads through a second handle fail. The lock is taken on one byte far past the end
// of any image instead, which only other lockers ever meet: an advisory lock of the whole file.
constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;
constexpr DWORD kLockOffsetLow = 0xFFFFFFFE;

OVERLAPPED at(std::uint64_t offset) {
  OVERLAPPED where{};
  where.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
  where.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return where;
}

// At most this much per call: a DWORD counts the bytes of one ReadFile or WriteFile.
constexpr std::size_t kMostPerCall = 1u << 30;

}  // namespace

File File::openExisting(std::string path, Access access) {
  const std::wstring wide = windows::widePath(path, "opening");
  const DWORD rights = access == Access::Read ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
  // Where a file held open cannot be renamed over (Wine, FAT), a replacement of ours moves the old
  // file aside and the new one in, and for that moment the name names nothing: a file not found is
  // looked for again for a little while before it counts.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
  auto pause = std::chrono::milliseconds(1);
  KernelHandle handle;
  DWORD error = ERROR_SUCCESS;
  for (;;) {
    // Backup semantics let a folder open too, so that it is refused as a folder rather than with
    // "Access is denied", which would send the user looking for a permission problem.
    handle.reset(CreateFileW(wide.c_str(), rights, windows::kShareAll, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    error = handle.valid() ? ERROR_SUCCESS : GetLastError();
    if (error != ERROR_FILE_NOT_FOUND || std::chrono::steady_clock::now() >= deadline) break;
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::milliseconds(10));
  }
  if (!handle.valid()) {
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      throw FileError(path, "opening", std::make_error_code(std::errc::is_a_directory));
    }
    const FileError failure(path, "opening", windows::portableCode(error), windows::systemMessage(error));
    // The system's words alone ("Access denied.", "Sharing violation.") leave a user guessing.
    if (access == Access::Write && error == ERROR_ACCESS_DENIED) {
      throw failure.withMeaning(
          "The file is read-only, or you may not change it, so nothing was written to it.");
    }
    if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) {
      throw failure.withMeaning(
          "Another program has the file open and keeps others out; close it there and try again.");
    }
    if (access == Access::Write && error == ERROR_WRITE_PROTECT) {
      throw failure.withMeaning("The disk is write-protected, so nothing was written to the file.");
    }
    throw failure;
  }
  // Owns the handle from here, whatever is thrown.
  File file(std::move(path), reinterpret_cast<Handle>(handle.release()));
  const BY_HANDLE_FILE_INFORMATION info =
      windows::refuseUnlessDiskFile(file.path_, toHandle(file.handle_), "opening");
  file.identity_[0] = info.dwVolumeSerialNumber;
  file.identity_[1] = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
  return file;
}

void File::closeQuietly(Handle handle) noexcept { (void)CloseHandle(toHandle(handle)); }

std::int64_t File::size() const {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(toHandle(handle_), &size)) fail(path_, "examining", GetLastError());
  return size.QuadPart;
}

namespace windows {

std::size_t readAllAt(HANDLE handle, const std::string& path, std::int64_t offset,
                      std::span<std::uint8_t> out) {
  std::size_t done = 0;
  while (done < out.size()) {
    const auto want = static_cast<DWORD>(std::min(out.size() - done, kMostPerCall));
    OVERLAPPED where = at(static_cast<std::uint64_t>(offset) + done);
    DWORD got = 0;
    if (!ReadFile(handle, out.data() + done, want, &got, &where)) {
      const DWORD error = GetLastError();
      if (error == ERROR_HANDLE_EOF) break;  // the end of the file
      fail(path, "reading", error);
    }
    if (got == 0) break;
    done += got;
  }
  return done;
}

}  // namespace windows

std::size_t File::readAt(std::int64_t offset, std::span<std::uint8_t> out) const {
  return windows::readAllAt(toHandle(handle_), path_, offset, out);
}

void File::writeAt(std::int64_t offset, std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const auto want = static_cast<DWORD>(std::min(bytes.size() - done, kMostPerCall));
    OVERLAPPED where = at(static_cast<std::uint64_t>(offset) + done);
    DWORD put = 0;
    if (!WriteFile(toHandle(handle_), bytes.data() + done, want, &put, &where)) {
      fail(path_, "writing", GetLastError());
    }
    if (put == 0) fail(path_, "writing", ERROR_WRITE_FAULT);
    done += put;
  }
}

void File::flush() {
  if (!FlushFileBuffers(toHandle(handle_))) fail(path_, "flushing", GetLastError());
}

void File::close() {
  const Handle handle = handle_;
  handle_ = kClosed;
  if (handle != kClosed && !CloseHandle(toHandle(handle))) fail(path_, "closing", GetLastError());
}

bool File::tryLock(Lock kind, std::chrono::milliseconds timeout) {
  const DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (kind == Lock::Exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  auto pause = std::chrono::milliseconds(1);
  for (;;) {
    OVERLAPPED where{};
    where.Offset = kLockOffsetLow;
    where.OffsetHigh = kLockOffsetHigh;
    if (LockFileEx(toHandle(handle_), flags, 0, 1, 0, &where)) return true;
    const DWORD error = GetLastError();
    if (error != ERROR_LOCK_VIOLATION && error != ERROR_IO_PENDING) fail(path_, "locking", error);
    if (std::chrono::steady_clock::now() >= deadline) return false;
    // A waiting LockFileEx could not be given up when the time is over.
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::milliseconds(25));
  }
}

bool File::stillNamedByPath() const {
  // A file deleted while we waited for it may share its number with the one now at its name, where
  // the number is a place in a folder (FAT): it is the image no longer, whatever the numbers say.
  FILE_STANDARD_INFO standard{};
  if (!GetFileInformationByHandleEx(toHandle(handle_), FileStandardInfo, &standard, sizeof standard) ||
      standard.DeletePending || standard.NumberOfLinks == 0) {
    return false;
  }
  const std::optional<std::wstring> wide = windows::widen(path_);
  if (!wide) return false;
  // No rights asked: the file's identity can be read where its contents could not.
  KernelHandle named(CreateFileW(wide->c_str(), 0, windows::kShareAll, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION current{};
  if (!named.valid() || !GetFileInformationByHandle(named.get(), &current)) return false;
  return current.dwVolumeSerialNumber == identity_[0] &&
         ((std::uint64_t{current.nFileIndexHigh} << 32) | current.nFileIndexLow) == identity_[1];
}

}  // namespace thornvale

namespace thornvale {

void reportFailedWritesAsErrors() {}

}  // namespace thornvale
