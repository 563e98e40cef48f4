#pragma once

// How the programs use the file layer for an image: under the lock that every writer of ours
// respects, with bounded reads, and with writes that land whole or not at all.

#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "codec/File.h"
#include "codec/FileError.h"

namespace thornvale {

// How long a reader or writer waits for another program of ours before it refuses.
inline constexpr std::chrono::milliseconds kLockWait{10'000};

// The largest inputs read whole: far above any image of the game (256 KiB) or any file of its
// texts to import (a dump of about 5 KiB, a workbook of some 12 KiB), far below what would strain
// memory.
inline constexpr std::int64_t kMaxImageSize = 16 << 20;
inline constexpr std::int64_t kMaxExchangeFileSize = 1 << 20;

// Opens an existing image for one operation and locks it: shared to read, exclusive to write.
// Once a writer holds the lock it makes sure the path still names the file it locked (a
// replacement may have come meanwhile) and starts again on the new one if not. Throws FileError, also when
// the lock cannot be had within `wait`, saying that another program is using the image, and for
// an image larger than kMaxImageSize.
[[nodiscard]] File openImage(const std::string& path, File::Access access,
                             std::chrono::milliseconds wait = kLockWait);

// Replaces the output at `path` (a file of the user's naming, not an image) all or nothing: `fill`
// writes the new content into the replacement (and may check what reached the disk: false drops it
// and writes nothing), then it lands. Under an exclusive lock on the file that is there, so that
// two programs of ours writing one file land one after the other, each whole; a file replaced or
// made meanwhile is locked and replaced in its turn, until `wait` is up. Throws FileError. Returns
// whether it landed.
bool replaceOutput(const std::string& path, const std::function<bool(Replacement&)>& fill,
                   std::chrono::milliseconds wait = kLockWait);

// Refuses (FileError, naming the limit) a file larger than `limit` bytes; `what` names its role
// in that message ("an image", "a file to import").
void refuseLargerThan(const File& file, std::int64_t limit, const char* what);

// Bytes at or past the end of the file read as 0x00.
void readPadded(const File& file, std::int64_t offset, std::span<std::uint8_t> out);

// The whole file; one larger than `limit` is refused (FileError, naming the limit) before any of
// it is read. `what` names the file's role in that message ("an image", "a file to import").
[[nodiscard]] Bytes readWhole(const File& file, std::int64_t limit, const char* what);

// One run of bytes to write at an offset.
struct Change {
  std::int64_t offset;
  std::span<const std::uint8_t> bytes;
};

// Writes every change and flushes them to the disk. Should any write or the flush fail, it puts
// back the bytes that were there before (read first) and then throws, saying whether that worked:
// the file ends with all of the changes or none.
void writeAllOrNothing(File& file, std::span<const Change> changes);

// Closes a file after writeAllOrNothing() changed it. A failure here comes after the change was
// written and flushed: it is thrown marked as a change made, saying so first.
void closeAfterWriting(File& file);
// Whether `error` is such a failure: the whole change is in the file.
[[nodiscard]] bool savedButNotClosed(const FileError& error) noexcept;

}  // namespace thornvale
