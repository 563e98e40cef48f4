#include "codec/FileAccess.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "codec/FileError.h"

namespace thornvale {
namespace {

std::string sizeInWords(std::int64_t bytes) {
  return bytes % (1 << 20) == 0 ? std::to_string(bytes >> 20) + " MiB" : std::to_string(bytes) + " bytes";
}

// Writes back only the runs that differ from `old`: what the failed write did reach. The rest may
// lie where writing fails again (a full disk, a size limit), and needs no write.
void putBack(File& file, std::int64_t offset, std::span<const std::uint8_t> old) {
  Bytes now(old.size());
  readPadded(file, offset, now);
  for (std::size_t k = 0; k < old.size();) {
    if (now[k] == old[k]) {
      ++k;
      continue;
    }
    std::size_t end = k;
    while (end < old.size() && now[end] != old[end]) ++end;
    file.writeAt(offset + static_cast<std::int64_t>(k), old.subspan(k, end - k));
    k = end;
  }
  // Read again: a driver may report a write done and keep the bytes it had (fusefat drops a
  // second write to the same bytes through one descriptor); "put back" must then not be said.
  readPadded(file, offset, now);
  if (!std::equal(now.begin(), now.end(), old.begin(), old.end())) {
    throw FileError(file.path(), "putting back", std::make_error_code(std::errc::io_error),
                    "the file system kept other bytes than were written");
  }
}

}  // namespace

File openImage(const std::string& path, File::Access access, std::chrono::milliseconds wait) {
  const File::Lock kind = access == File::Access::Read ? File::Lock::Shared : File::Lock::Exclusive;
  const auto deadline = std::chrono::steady_clock::now() + wait;
  const auto busy = [&] {
    return FileError(path, access == File::Access::Read ? "reading" : "writing",
                     std::make_error_code(std::errc::device_or_resource_busy),
                     "another program is using the image; nothing was " +
                         std::string(access == File::Access::Read ? "read" : "written") +
                         ". Try again when it has finished");
  };
  for (;;) {
    File file = File::openExisting(path, access);
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (!file.tryLock(kind, std::max(left, std::chrono::milliseconds(0)))) throw busy();
    // A reader of a file replaced meanwhile still reads one whole image; a writer would write
    // into a file that is no longer the image, and starts again on the new one, until its time
    // is up: a file system that never shows the same file twice must not hold it for ever.
    if (access == File::Access::Read || file.stillNamedByPath()) {
      // One limit for every reader and writer of an image, before any of it is read.
      refuseLargerThan(file, kMaxImageSize, "an image");
      return file;
    }
    if (std::chrono::steady_clock::now() >= deadline) throw busy();
  }
}

namespace {

// The regular file at an output's name, locked exclusively and still named there; none where there
// is no file there to lock (or none we may open: the replacement then says why it cannot write).
std::optional<File> lockOutput(const std::string& path, std::chrono::steady_clock::time_point deadline) {
  for (;;) {
    std::optional<File> file;
    try {
      file.emplace(File::openExisting(path, File::Access::Read));
    } catch (const FileError&) {
      return std::nullopt;
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (file->tryLock(File::Lock::Exclusive, std::max(left, std::chrono::milliseconds(0))) &&
        file->stillNamedByPath()) {
      return file;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      throw FileError(path, "writing", std::make_error_code(std::errc::device_or_resource_busy),
                      "another program is writing the file; nothing was written. Try again when it has "
                      "finished");
    }
  }
}

}  // namespace

bool replaceOutput(const std::string& path, const std::function<bool(Replacement&)>& fill,
                   std::chrono::milliseconds wait) {
  const auto deadline = std::chrono::steady_clock::now() + wait;
  for (;;) {
    const std::optional<File> held = lockOutput(path, deadline);
    try {
      Replacement replacement(path, Replacement::Target::OutputFile, held ? &*held : nullptr);
      if (!fill(replacement)) return false;
      replacement.commit();
      return true;
    } catch (const FileError& error) {
      // Another writer's file landed between the look and the lock: the name asked for is still
      // ours to write, now over that file.
      const bool meanwhile = error.code() == std::errc::operation_canceled && !error.fileChanged();
      if (!meanwhile || std::chrono::steady_clock::now() >= deadline) throw;
    }
  }
}

void readPadded(const File& file, std::int64_t offset, std::span<std::uint8_t> out) {
  const std::size_t n = file.readAt(offset, out);
  std::fill(out.begin() + static_cast<std::ptrdiff_t>(n), out.end(), std::uint8_t{0});
}

void refuseLargerThan(const File& file, std::int64_t limit, const char* what) {
  const std::int64_t size = file.size();
  if (size > limit) {
    throw FileError(file.path(), "reading", std::make_error_code(std::errc::file_too_large),
                    "the file has " + std::to_string(size) + " bytes, more than the " + sizeInWords(limit) +
                        " that " + what + " may have; it was not read");
  }
}

Bytes readWhole(const File& file, std::int64_t limit, const char* what) {
  const std::int64_t size = file.size();
  if (size > limit) refuseLargerThan(file, limit, what);
  Bytes bytes(static_cast<std::size_t>(size));
  bytes.resize(file.readAt(0, bytes));
  return bytes;
}

void writeAllOrNothing(File& file, std::span<const Change> changes) {
  std::vector<Bytes> before;
  before.reserve(changes.size());
  for (const Change& change : changes) {
    Bytes old(change.bytes.size());
    readPadded(file, change.offset, old);
    before.push_back(std::move(old));
  }
  try {
    for (const Change& change : changes) file.writeAt(change.offset, change.bytes);
    file.flush();
  } catch (const FileError& error) {
    std::string outcome = "; the bytes that were there before were put back";
    bool restored = true;
    try {
      for (std::size_t i = 0; i < changes.size(); ++i) putBack(file, changes[i].offset, before[i]);
      file.flush();
    } catch (const FileError& again) {
      outcome = "; putting back the bytes that were there before failed too (" + again.reason() +
                "), so the file may hold part of the change";
      restored = false;
    }
    FileError failure(error.path(), error.operation(), error.code(), error.reason() + outcome);
    if (!restored) failure.markFileChanged();
    throw failure;
  }
}

void closeAfterWriting(File& file) {
  try {
    file.close();
  } catch (const FileError& error) {
    FileError failure = error.withMeaning("The change was saved, but the file could not be closed cleanly.");
    failure.markFileChanged();
    throw failure;
  }
}

bool savedButNotClosed(const FileError& error) noexcept {
  return error.fileChanged() && error.operation() == "closing";
}

}  // namespace thornvale
