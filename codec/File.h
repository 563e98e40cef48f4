#pragma once

// The one door to the operating system's files. Everything above it (the codec, the catalogue's
// misc data, the command line, the windows) opens, reads, writes and replaces files only through
// these types; each operating system has one implementation of them (codec/posix/,
// codec/windows/). Paths are UTF-8 everywhere. Every failure throws FileError with the path, what
// was being done, and the system's own reason.

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace thornvale {

using Bytes = std::vector<std::uint8_t>;

class File {
 public:
  // The system's own handle, as each system's part of the file layer reads it: a descriptor
  // (POSIX) or a HANDLE (Windows).
  using Handle = std::intptr_t;

  enum class Access { Read, Write };
  enum class Lock { Shared, Exclusive };

  // An existing regular file only: it never creates one and never blocks, and anything else (a
  // folder, FIFO, device or socket) is refused before a byte is read or written. The system
  // follows symbolic links itself, so its protections against planted links apply.
  [[nodiscard]] static File openExisting(std::string path, Access access);

  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  // Closes a file that close() was not reached for, on an error path; that close cannot report.
  ~File();

  [[nodiscard]] const std::string& path() const noexcept { return path_; }
  [[nodiscard]] std::int64_t size() const;

  // Reads up to out.size() bytes at `offset` and returns how many it read: fewer only where the
  // file ends.
  [[nodiscard]] std::size_t readAt(std::int64_t offset, std::span<std::uint8_t> out) const;
  // All of `bytes` or a FileError; after one, part of them may have been written.
  void writeAt(std::int64_t offset, std::span<const std::uint8_t> bytes);
  // Returns once what was written is on the disk.
  void flush();
  // Closes the file and reports a failure to do so; the object is then closed either way.
  void close();

  // An advisory lock on the whole file, which every writer of ours takes and other programs
  // (emulators, hex editors) do not. Waits up to `timeout`; false when it could not be had. The
  // lock goes with the file's close.
  [[nodiscard]] bool tryLock(Lock kind, std::chrono::milliseconds timeout);

  // Whether the path still names this very file, and not one that replaced it meanwhile.
  [[nodiscard]] bool stillNamedByPath() const;
  // Which file this is, as the system tells it at the open: equal for two opens of one file only.
  [[nodiscard]] std::pair<std::uint64_t, std::uint64_t> identity() const noexcept {
    return {identity_[0], identity_[1]};
  }

 private:
  File(std::string path, Handle handle) noexcept;
  // For the destructor and moves, where a failure cannot be reported.
  static void closeQuietly(Handle handle) noexcept;

  static const Handle kClosed;
  std::string path_;
  Handle handle_;
  // Which file this is, as the system tells it at the open: device and file number (POSIX) or
  // volume and file index (Windows).
  std::uint64_t identity_[2] = {0, 0};
};

// A new whole content for a file, built where no other program sees it and put in the file's
// place in one step at commit(): a crash, a signal or a full disk leaves the old file or the new
// one, never half of each, and nothing beside it. Until commit() the target is not touched.
class Replacement {
 public:
  enum class Target {
    // The file must exist and stay the user's: same owner, group, mode, ACLs and extended
    // attributes, and no other hard link to it; whatever of that cannot be kept is refused here,
    // before anything is written.
    ExistingImage,
    // A file we make for the user (a patch, a table file): replacing one keeps its mode,
    // owner and group as far as we may; a new one gets the usual mode of a new file.
    OutputFile,
  };

  // `read`, where given, is the open file whose content the new one was made from (an image read
  // under its lock): should the target name another file by commit() (a program that takes no
  // locks replaced or moved it), the replacement refuses and writes nothing. Without it, the file
  // found here is the one that must still be there. Either way the new content lands at the name
  // asked for (a symbolic link's target, read as names), or nowhere.
  Replacement(std::string target, Target kind, const File* read = nullptr);
  Replacement(const Replacement&) = delete;
  Replacement& operator=(const Replacement&) = delete;
  ~Replacement();

  // The path given; a symbolic link there stays a link and the file it names is replaced.
  [[nodiscard]] const std::string& target() const noexcept { return target_; }

  // Appends to the new content.
  void write(std::span<const std::uint8_t> bytes);
  // The new content as it reached the disk, for a check before commit().
  [[nodiscard]] Bytes readBack() const;
  // Puts the new content on the disk, then in the target's place, and that on the disk too.
  void commit();

  struct Native;

 private:
  void start(Target kind, const File* read);

  std::string target_;
  std::unique_ptr<Native> native_;
};

}  // namespace thornvale
