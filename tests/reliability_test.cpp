// The writes under real conditions: failing system calls, a process killed at every step, two
// writers at once, files of other users, odd files and oversized input. Every test checks the
// image byte for byte and, where it matters, its owner, mode and links.

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <linux/fs.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <random>
#include <sstream>
#include <thread>
#include <tuple>

#include "catalogue/Catalogue.h"
#include "catalogue/MiscData.h"
#include "cli/CharacterTableFiles.h"
#include "cli/Commands.h"
#include "cli/DumpFormat.h"
#include "cli/Import.h"
#include "cli/PatchFile.h"
#include "codec/FileAccess.h"
#include "codec/FileError.h"
#include "codec/GetTexts.h"
#include "codec/ReplacementRules.h"
#include "tests/support/FaultInjection.h"
#include "tests/support/Process.h"
#include "tests/support/SampleImageFixture.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TestFiles.h"
#include "ui/forms/MainCommands.h"
#include "ui/forms/MiscCommands.h"

namespace thornvale {
namespace {

namespace fs = std::filesystem;
using test::CallCounter;
using test::Fault;
using test::SystemCall;

// What must survive a failed write besides the bytes.
struct FileState {
  test::Bytes bytes;
  mode_t mode = 0;
  uid_t uid = 0;
  gid_t gid = 0;
  nlink_t links = 0;
  ino_t inode = 0;

  static FileState of(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return {test::readBytes(path), st.st_mode, st.st_uid, st.st_gid, st.st_nlink, st.st_ino};
  }
  bool sameFileAs(const FileState& other) const {
    return bytes == other.bytes && mode == other.mode && uid == other.uid && gid == other.gid &&
           links == other.links && inode == other.inode;
  }
};

// The dump of `image` with the given rows' texts replaced.
std::string editedDump(const std::string& image, const std::vector<std::pair<int, std::u16string>>& edits) {
  std::vector<exchange::TextRow> rows = cli::readImageRows(image);
  for (const auto& [position, text] : edits) rows[static_cast<std::size_t>(position)].source = text;
  return cli::formatDump(rows);
}

// A dump of only the given rows, as a translator's partial dump would be.
std::string partialDump(const std::vector<std::pair<int, std::u16string>>& edits) {
  std::vector<exchange::TextRow> rows;
  for (const auto& [position, text] : edits) rows.push_back({catalogueEntry(position), text, std::nullopt});
  return cli::formatDump(rows);
}

std::string readTextAt(const std::string& image, int position) {
  const CatalogueEntry& e = *catalogueEntry(position);
  const std::u16string text = ReadText(e.offset, image, e.length, e.tableName);
  return std::string(text.begin(), text.end());
}

// Skips the test where the file system its files are on lacks what it needs (FAT, exFAT and NTFS
// through FUSE keep no owners, modes or links), saying which.
#define SKIP_WITHOUT(feature)                                                                   \
  if (const std::string lacking = test::lacks(dir.path(), test::FileSystemFeature::feature); \
      !lacking.empty())                                                                         \
  GTEST_SKIP() << lacking

class ReliabilityTest : public test::SampleImageFixture {
 protected:
  // The image of user 1234, writable by its group 4322, in a folder open to all.
  void giveImageToUser1234OfGroup4322() {
    ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
    ASSERT_EQ(::chown(imagePath.c_str(), 1234, 4322), 0);
    ASSERT_EQ(::chmod(imagePath.c_str(), 0664), 0);
  }
  std::vector<std::string> folder() const {
    std::vector<std::string> names;
    for (const auto& item : fs::directory_iterator(dir.path())) names.push_back(item.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
};

// ---- A failing system call part-way: all or nothing -------------------------------------------

struct FaultCase {
  const char* name;
  SystemCall call;
  int nth;
  Fault::Kind kind;
  int error;
};

const FaultCase kWriteFaults[] = {
    {"ShortWriteThenEio", SystemCall::Pwrite, 1, Fault::Kind::ShortThen, EIO},
    {"NoSpace", SystemCall::Pwrite, 1, Fault::Kind::Error, ENOSPC},
    {"FlushFails", SystemCall::Fsync, 1, Fault::Kind::Error, EIO},
    // The misc data's second byte, far from its first; a text is one write.
    {"SecondWriteNoSpace", SystemCall::Pwrite, 2, Fault::Kind::Error, ENOSPC},
};

TEST_F(ReliabilityTest, AFailingSaveOrMiscWritePutsBackWhatItWrote) {
  const FileState before = FileState::of(imagePath);
  for (const FaultCase& c : kWriteFaults) {
    SCOPED_TRACE(c.name);
    if (c.nth == 1) {
      const Fault fault(c.call, c.nth, c.kind, c.error);
      const CatalogueEntry& e = *catalogueEntry(50);
      EXPECT_THROW(WriteText(e.offset, imagePath, std::u16string(87, u'a'), e.saveLength, e.tableName),
                   FileError);
    }
    EXPECT_TRUE(FileState::of(imagePath).sameFileAs(before));
    try {
      const Fault fault(c.call, c.nth, c.kind, c.error);
      WriteMiscData(imagePath, {kDebugMenuEnabled, 9});
      ADD_FAILURE() << "no failure";
    } catch (const FileError& e) {
      EXPECT_NE(std::string(e.what()).find(std::strerror(c.error)), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find("put back"), std::string::npos) << e.what();
      EXPECT_FALSE(e.fileChanged());
    }
    EXPECT_TRUE(FileState::of(imagePath).sameFileAs(before));
  }
  EXPECT_EQ(folder(), std::vector<std::string>{"thornvale.nes"});
}

TEST_F(ReliabilityTest, AFailingImportOrPatchChangesNothingAndLeavesNothing) {
  const std::string dump = editedDump(imagePath, {{0, u"MOPLE"}});
  const std::string patch = dir.file("out.ips");
  test::writeBytes(patch, {'o', 'l', 'd'});
  const std::string edited = dir.file("edited.nes");
  test::Bytes editedBytes = image;
  editedBytes[100] ^= 1;
  test::writeBytes(edited, editedBytes);

  const FileState imageState = FileState::of(imagePath);
  const FileState oldPatch = FileState::of(patch);
  const FaultCase cases[] = {
      {"WriteNoSpace", SystemCall::Write, 1, Fault::Kind::Error, ENOSPC},
      {"ShortWriteThenEio", SystemCall::Write, 1, Fault::Kind::ShortThen, EIO},
      {"FlushFails", SystemCall::Fsync, 1, Fault::Kind::Error, EIO},
      {"NamingFails", SystemCall::Linkat, 1, Fault::Kind::Error, ENOSPC},
      {"RenameFails", SystemCall::Renameat, 1, Fault::Kind::Error, EIO},
  };
  // Without unnamed files the new content is named when it is made, by no link.
  const bool unnamed = test::lacks(dir.path(), test::FileSystemFeature::UnnamedFiles).empty();
  for (const FaultCase& c : cases) {
    SCOPED_TRACE(c.name);
    if (!unnamed && c.call == SystemCall::Linkat) continue;
    {
      const Fault fault(c.call, c.nth, c.kind, c.error);
      EXPECT_THROW((void)cli::importDump(imagePath, dump, false), FileError);
    }
    EXPECT_TRUE(FileState::of(imagePath).sameFileAs(imageState));
    {
      const Fault fault(c.call, c.nth, c.kind, c.error);
      EXPECT_THROW((void)cli::writePatchFile(imagePath, edited, patch, cli::PatchFormat::Ips), FileError);
    }
    EXPECT_TRUE(FileState::of(patch).sameFileAs(oldPatch));
    EXPECT_EQ(folder(), (std::vector<std::string>{"edited.nes", "out.ips", "thornvale.nes"}));
  }
}

// A put-back that the file system reports done but does not keep is said as a change that may
// remain, never as put back.
TEST_F(ReliabilityTest, APutBackTheFileSystemDropsIsNotCalledPutBack) {
  try {
    // The misc data's second write fails; putting back its first is dropped.
    const Fault fault(SystemCall::Pwrite, 2, Fault::Kind::FailThenLose, ENOSPC);
    WriteMiscData(imagePath, {kDebugMenuEnabled, 9});
    ADD_FAILURE() << "no failure";
  } catch (const FileError& e) {
    EXPECT_TRUE(e.fileChanged()) << e.what();
    EXPECT_EQ(std::string(e.what()).find("were put back"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("may hold part of the change"), std::string::npos) << e.what();
  }
  // What remains is the first byte written, nothing else.
  const test::Bytes now = test::readBytes(imagePath);
  std::vector<std::size_t> changed;
  for (std::size_t i = 0; i < now.size(); ++i)
    if (now[i] != image[i]) changed.push_back(i);
  ASSERT_EQ(changed.size(), 1u);
  EXPECT_TRUE(changed[0] == kDebugMenuOffset || changed[0] == kHitCountOffset) << changed[0];
}

// Whatever close fails during an import, a change made is reported as made: by the report, or by
// an error that says the file changed.
TEST_F(ReliabilityTest, AFailingCloseNeverHidesAMadeChange) {
  const std::string dump = editedDump(imagePath, {{0, u"MOPLE"}});
  int closes = 0;
  {
    const CallCounter counter(SystemCall::Close);
    ASSERT_TRUE(cli::importDump(imagePath, dump, false).written);
    closes = counter.calls();
  }
  ASSERT_GT(closes, 0);
  for (int nth = 1; nth <= closes; ++nth) {
    SCOPED_TRACE(nth);
    test::writeBytes(imagePath, image);
    bool reported = false;
    try {
      const Fault fault(SystemCall::Close, nth, Fault::Kind::Error, EIO);
      reported = cli::importDump(imagePath, dump, false).written;
    } catch (const FileError& e) {
      reported = e.fileChanged();
    }
    EXPECT_EQ(reported, test::readBytes(imagePath) != image);
  }
}

// ---- Killed at every step ------------------------------------------------------------------------

// Runs `work` in a child that kills itself at the nth call of `call`; true if it died there.
bool killedAt(SystemCall call, int nth, const std::function<void()>& work) {
  const pid_t child = ::fork();
  if (child == 0) {
    try {
      const Fault fault(call, nth, Fault::Kind::Kill);
      work();
    } catch (...) {
    }
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

TEST_F(ReliabilityTest, AnImportKilledAtAnyStepLeavesTheOldImageOrTheNewAndNothingBeside) {
  const std::string dump = editedDump(imagePath, {{0, u"MOPLE"}, {66, std::u16string(87, u'z')}});
  const auto import = [&] { (void)cli::importDump(imagePath, dump, false); };
  test::writeBytes(dir.file("scratch.nes"), image);
  (void)cli::importDump(dir.file("scratch.nes"), dump, false);
  const test::Bytes edited = test::readBytes(dir.file("scratch.nes"));
  fs::remove(dir.file("scratch.nes"));

  int kills = 0;
  for (SystemCall call : {SystemCall::Write, SystemCall::Fsync, SystemCall::Linkat, SystemCall::Renameat}) {
    for (int nth = 1;; ++nth) {
      test::writeBytes(imagePath, image);
      if (!killedAt(call, nth, import)) break;
      ++kills;
      const test::Bytes now = test::readBytes(imagePath);
      EXPECT_TRUE(now == image || now == edited) << "call " << static_cast<int>(call) << " #" << nth;
      // A kill between naming the new image and renaming it may leave that name; the next
      // replacement in the folder removes it, which this import shows.
      ASSERT_TRUE(cli::importDump(imagePath, editedDump(imagePath, {{1, u"TIGRE"}}), false).ok());
      EXPECT_EQ(folder(), std::vector<std::string>{"thornvale.nes"})
          << "call " << static_cast<int>(call) << " #" << nth;
    }
  }
  // Without unnamed files, no link names the new image.
  EXPECT_GE(kills, test::lacks(dir.path(), test::FileSystemFeature::UnnamedFiles).empty() ? 5 : 4);
}

// The workbook library writes files; they go into a scratch folder of ours in TMPDIR, which a
// kill -9 at any of its writes may leave, and the next export removes.
class ExportTest : public ReliabilityTest {
 protected:
  void SetUp() override {
    ReliabilityTest::SetUp();
    fs::create_directory(temporary);
    const char* old = std::getenv("TMPDIR");
    saved = old != nullptr ? std::optional<std::string>(old) : std::nullopt;
    ::setenv("TMPDIR", temporary.c_str(), 1);
    // An export trusts TMPDIR by its mode, which a file system without modes shows as 0777.
    SKIP_WITHOUT(Modes);
  }
  void TearDown() override {
    if (saved) ::setenv("TMPDIR", saved->c_str(), 1);
    if (!saved) ::unsetenv("TMPDIR");
  }
  int exportTo(const std::string& output, std::string* message = nullptr) {
    std::istringstream in;
    std::ostringstream out, err;
    const int status = cli::runThornvaleText({"export", imagePath, "--format", "xlsx", "-o", output}, in, out, err);
    if (message != nullptr) *message = err.str();
    return status;
  }
  std::vector<std::string> scratch() const {
    std::vector<std::string> names;
    for (const auto& item : fs::directory_iterator(temporary)) names.push_back(item.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string temporary = dir.file("tmp");
  std::optional<std::string> saved;
};

TEST_F(ExportTest, AnExportKilledAtAnyWriteLeavesTheOldFileOrTheNewAndTheNextRunCleansUp) {
  const std::string output = dir.file("texts.xlsx");
  test::writeBytes(output, {1, 2, 3});
  const test::Bytes old = test::readBytes(output);
  int kills = 0;
  int left = 0;
  for (SystemCall call : {SystemCall::Write, SystemCall::Fsync, SystemCall::Linkat, SystemCall::Renameat}) {
    for (int nth = 1;; ++nth) {
      test::writeBytes(output, old);
      if (!killedAt(call, nth, [&] { (void)exportTo(output); })) break;
      ++kills;
      const test::Bytes now = test::readBytes(output);
      EXPECT_TRUE(now == old || (now.size() > 4 && now[0] == 'P' && now[1] == 'K'));
      left += scratch().empty() ? 0 : 1;
      ASSERT_EQ(exportTo(output), cli::kExitSuccess);
      EXPECT_EQ(scratch(), std::vector<std::string>{}) << "call " << static_cast<int>(call) << " #" << nth;
      EXPECT_EQ(folder(), (std::vector<std::string>{"texts.xlsx", "thornvale.nes", "tmp"}));
    }
  }
  EXPECT_GE(kills, 3);

  // The library's own writes go through the C library's buffers, where no fault reaches: signals
  // from outside at random moments, of which all but SIGKILL wait until the folder is gone.
  std::mt19937 random(11);
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGKILL}) {
    for (int round = 0; round < 10; ++round) {
      test::writeBytes(output, old);
      test::RunningProcess exporting({THORNVALE_TEXT, "export", imagePath, "--format", "xlsx", "-o", output}, "",
                                     true);
      std::this_thread::sleep_for(std::chrono::microseconds(random() % 6000));
      exporting.signal(signal);
      (void)exporting.wait();
      const test::Bytes now = test::readBytes(output);
      EXPECT_TRUE(now == old || (now.size() > 4 && now[0] == 'P' && now[1] == 'K'));
      if (signal != SIGKILL) {
        EXPECT_EQ(scratch(), std::vector<std::string>{}) << signal;
      }
      left += scratch().empty() ? 0 : 1;
    }
  }
  ASSERT_EQ(exportTo(output), cli::kExitSuccess);
  EXPECT_EQ(scratch(), std::vector<std::string>{});
  RecordProperty("scratch folders left by a kill until the next run", left);
}

TEST_F(ExportTest, OnlyScratchFoldersCertainlyOursAndDeadAreRemoved) {
  SKIP_WITHOUT(Owners);
  SKIP_WITHOUT(SymbolicLinks);
  const std::string scope = temporaryScope();
  const std::string dead = temporaryName(scope, 4'000'000);
  const std::string living = temporaryName(scope, static_cast<std::uint64_t>(::getpid()));
  const std::string foreign = temporaryName(scope, 4'000'001);
  const std::string link = temporaryName(scope, 4'000'002);
  const std::string otherScope = temporaryName("ab", 4'000'003);
  for (const std::string& name : {dead, living, foreign, otherScope}) fs::create_directory(temporary + "/" + name);
  test::writeBytes(temporary + "/" + dead + "/tmp.abc", {1});
  ASSERT_EQ(::chown((temporary + "/" + foreign).c_str(), 1234, 1234), 0);
  fs::create_directory_symlink(dir.path(), temporary + "/" + link);
  ASSERT_EQ(exportTo(dir.file("texts.xlsx")), cli::kExitSuccess);
  std::vector<std::string> expected{living, foreign, link, otherScope};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(scratch(), expected);
  EXPECT_TRUE(fs::exists(imagePath));  // nothing followed through the link
}

TEST_F(ExportTest, ATemporaryFolderOthersCouldSwapOrThatIsMissingIsRefusedNamingIt) {
  const std::string output = dir.file("texts.xlsx");
  test::writeBytes(output, {1, 2, 3});
  struct Case {
    const char* what;
    mode_t mode;
    std::string tmpdir;
    const char* says;
  };
  const Case cases[] = {
      {"writable by all, not sticky", 0777, temporary, "may be changed by other users"},
      {"writable by its group, not sticky", 0775, temporary, "may be changed by other users"},
      {"missing", 0700, dir.file("gone"), "opening the temporary folder (TMPDIR)"},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(::chmod(temporary.c_str(), c.mode), 0);
    ::setenv("TMPDIR", c.tmpdir.c_str(), 1);
    std::string message;
    EXPECT_EQ(exportTo(output, &message), cli::kExitRefused) << c.what;
    EXPECT_NE(message.find(c.says), std::string::npos) << c.what << ": " << message;
    EXPECT_NE(message.find(c.tmpdir), std::string::npos) << c.what << ": " << message;
    EXPECT_EQ(test::readBytes(output), (test::Bytes{1, 2, 3})) << c.what;
    EXPECT_EQ(scratch(), std::vector<std::string>{}) << c.what;
  }
  // Sticky, as /tmp is: others may write but not rename ours.
  ASSERT_EQ(::chmod(temporary.c_str(), 01777), 0);
  ::setenv("TMPDIR", temporary.c_str(), 1);
  EXPECT_EQ(exportTo(output), cli::kExitSuccess);
  EXPECT_EQ(scratch(), std::vector<std::string>{});
}

TEST_F(ReliabilityTest, SignalsDuringImportsLeaveTheOldImageOrTheNewAndNothingBeside) {
  const std::string dump = editedDump(imagePath, {{0, u"MOPLE"}});
  test::writeBytes(dir.file("scratch.nes"), image);
  (void)cli::importDump(dir.file("scratch.nes"), dump, false);
  const test::Bytes edited = test::readBytes(dir.file("scratch.nes"));
  fs::remove(dir.file("scratch.nes"));

  std::mt19937 random(7);
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGKILL}) {
    for (int round = 0; round < 8; ++round) {
      test::writeBytes(imagePath, image);
      test::RunningProcess import({THORNVALE_TEXT, "import", imagePath, "-"}, dump, true);
      std::this_thread::sleep_for(std::chrono::microseconds(random() % 4000));
      import.signal(signal);
      const test::ProcessOutcome outcome = import.wait();
      const test::Bytes now = test::readBytes(imagePath);
      EXPECT_TRUE(now == image || now == edited) << signal;
      if (outcome.status == 0) {
        EXPECT_EQ(now, edited);
      }
      if (signal != SIGKILL) {
        EXPECT_EQ(folder(), std::vector<std::string>{"thornvale.nes"}) << signal;
      }
    }
  }
}

// ---- Two writers -----------------------------------------------------------------------------------

TEST_F(ReliabilityTest, TwoImportsStartedTogetherBothLand) {
  for (int round = 0; round < 10; ++round) {
    test::writeBytes(imagePath, image);
    const std::string first = partialDump({{0, u"MOPLE"}});
    const std::string partial = partialDump({{1, u"TIGRE"}});
    test::RunningProcess a({THORNVALE_TEXT, "import", imagePath, "-"}, first, true);
    test::RunningProcess b({THORNVALE_TEXT, "import", imagePath, "-"}, partial, true);
    EXPECT_EQ(a.wait().status, 0);
    EXPECT_EQ(b.wait().status, 0);
    EXPECT_EQ(readTextAt(imagePath, 0), "MOPLE") << round;
    EXPECT_EQ(readTextAt(imagePath, 1), "TIGRE") << round;
  }
  EXPECT_EQ(folder(), std::vector<std::string>{"thornvale.nes"});
}

// Exports to one file, new or there, wait for each other's lock: each lands whole, none is refused,
// and nothing is left beside the file.
TEST_F(ReliabilityTest, ExportsToOneFileLandOneAfterTheOther) {
  const std::string output = dir.file("fr.po");
  std::string po, xliff;
  for (int round = 0; round < 12; ++round) {
    if (round % 2 == 0) std::filesystem::remove(test::fsPath(output));
    test::RunningProcess a({THORNVALE_TEXT, "export", imagePath, "--format", "po", "-o", output}, {}, true);
    test::RunningProcess b({THORNVALE_TEXT, "export", imagePath, "--format", "xliff", "-o", output}, {}, true);
    const test::ProcessOutcome first = a.wait(), second = b.wait();
    EXPECT_EQ(first.status, 0) << round << first.err;
    EXPECT_EQ(second.status, 0) << round << second.err;
    const test::Bytes bytes = test::readBytes(output);
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_TRUE(text.starts_with("#") || text.starts_with("<?xml")) << round;
    EXPECT_TRUE(text.ends_with("\n")) << round;
    EXPECT_EQ(folder(), (std::vector<std::string>{"fr.po", "thornvale.nes"})) << round;
  }
  EXPECT_EQ(test::readBytes(imagePath), image);
}

TEST_F(ReliabilityTest, ASetDuringAnImportComesBeforeOrAfterItNeverLost) {
  std::mt19937 random(11);
  const std::string dump = partialDump({{66, std::u16string(87, u'z')}});
  for (int round = 0; round < 15; ++round) {
    test::writeBytes(imagePath, image);
    test::RunningProcess import({THORNVALE_TEXT, "import", imagePath, "-"}, dump, true);
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 3000));
    test::RunningProcess set({THORNVALE_TEXT, "set", imagePath, "0", "MOPLE"}, {}, true);
    EXPECT_EQ(set.wait().status, 0);
    EXPECT_EQ(import.wait().status, 0);
    EXPECT_EQ(readTextAt(imagePath, 0), "MOPLE") << round;
    EXPECT_EQ(readTextAt(imagePath, 66), std::string(87, 'z')) << round;
  }
}

// A child process that holds the image's lock until it is told to let go.
class LockHolder {
 public:
  LockHolder(const std::string& path, File::Lock kind) {
    int ready[2], release[2];
    EXPECT_EQ(::pipe(ready), 0);
    EXPECT_EQ(::pipe(release), 0);
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(ready[0]);
      ::close(release[1]);  // or the read below would wait for our own end
      File file = File::openExisting(path, File::Access::Write);
      if (!file.tryLock(kind, std::chrono::seconds(5))) ::_exit(1);
      char c = 1;
      (void)!::write(ready[1], &c, 1);
      (void)!::read(release[0], &c, 1);
      ::_exit(0);
    }
    char c = 0;
    EXPECT_EQ(::read(ready[0], &c, 1), 1);
    release_ = release[1];
    ::close(ready[0]);
    ::close(ready[1]);
    ::close(release[0]);
  }
  LockHolder(const LockHolder&) = delete;
  LockHolder& operator=(const LockHolder&) = delete;
  ~LockHolder() {
    ::close(release_);
    int status = 0;
    ::waitpid(pid_, &status, 0);
  }

 private:
  pid_t pid_ = -1;
  int release_ = -1;
};

TEST_F(ReliabilityTest, AWriterWaitsForTheLockAndRefusesWhenItCannotHaveIt) {
  {
    const LockHolder writer(imagePath, File::Lock::Exclusive);
    for (File::Access access : {File::Access::Read, File::Access::Write}) {
      try {
        (void)openImage(imagePath, access, std::chrono::milliseconds(200));
        ADD_FAILURE() << "the lock was had twice";
      } catch (const FileError& e) {
        EXPECT_NE(e.reason().find("another program is using the image"), std::string::npos) << e.what();
        EXPECT_EQ(e.path(), imagePath);
      }
    }
  }
  {
    // Readers share: a reader waits for no other reader.
    const LockHolder reader(imagePath, File::Lock::Shared);
    EXPECT_EQ(readTextAt(imagePath, 0), "MAPLE");
    EXPECT_THROW((void)openImage(imagePath, File::Access::Write, std::chrono::milliseconds(100)), FileError);
  }
  EXPECT_EQ(test::readBytes(imagePath), image);
}

TEST_F(ReliabilityTest, TheRealProgramRefusesAfterTenSecondsWithAnImageChangeNowhere) {
  const LockHolder writer(imagePath, File::Lock::Exclusive);
  const auto start = std::chrono::steady_clock::now();
  const test::ProcessOutcome set = test::runProcess({THORNVALE_TEXT, "set", imagePath, "0", "MOPLE"});
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(set.status, cli::kExitRefused);
  EXPECT_NE(set.err.find("another program is using the image"), std::string::npos) << set.err;
  EXPECT_GE(waited, std::chrono::seconds(9));
  EXPECT_EQ(test::readBytes(imagePath), image);
}

TEST_F(ReliabilityTest, AWriterThatWaitedWritesIntoTheFileThatReplacedTheImage) {
  // The holder replaces the image while the writer waits; the writer must follow the path.
  const std::string replacement = dir.file("new.nes");
  test::Bytes newer = image;
  newer[kHitCountOffset] = 42;
  test::writeBytes(replacement, newer);
  const pid_t child = ::fork();
  if (child == 0) {
    File file = File::openExisting(imagePath, File::Access::Write);
    if (!file.tryLock(File::Lock::Exclusive, std::chrono::seconds(5))) ::_exit(1);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ::rename(replacement.c_str(), imagePath.c_str());
    ::_exit(0);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  WriteText(catalogueEntry(0)->offset, imagePath, u"MOPLE", 5, "Table2");
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_EQ(readTextAt(imagePath, 0), "MOPLE");
  EXPECT_EQ(ReadMiscData(imagePath).hitCount, 42);
}

// ---- The file stays the user's ------------------------------------------------------------------

TEST_F(ReliabilityTest, AnImportKeepsOwnerGroupModeAclAndExtendedAttributes) {
  SKIP_WITHOUT(Owners);
  SKIP_WITHOUT(Modes);
  ASSERT_EQ(::geteuid(), 0u) << "giving files away needs root";
  ASSERT_EQ(::chown(imagePath.c_str(), 4321, 4322), 0);
  ASSERT_EQ(::chmod(imagePath.c_str(), 0640), 0);
  ASSERT_EQ(::setxattr(imagePath.c_str(), "user.origin", "dump 1", 6, 0), 0);
  // A named user's entry with write permission; its mask is the mode's group bits.
  const std::uint32_t acl[] = {2,          0x0006'0001, 0xFFFFFFFF, 0x0006'0002, 1001,      0x0004'0004,
                               0xFFFFFFFF, 0x0004'0010, 0xFFFFFFFF, 0x0000'0020, 0xFFFFFFFF};
  const bool acls = ::setxattr(imagePath.c_str(), "system.posix_acl_access", acl, sizeof acl, 0) == 0;
  struct stat before {};
  ::stat(imagePath.c_str(), &before);
  std::vector<char> aclBefore(256);
  aclBefore.resize(static_cast<std::size_t>(
      std::max<ssize_t>(0, ::getxattr(imagePath.c_str(), "system.posix_acl_access", aclBefore.data(), 256))));

  ASSERT_TRUE(cli::importDump(imagePath, editedDump(imagePath, {{0, u"MOPLE"}}), false).ok());
  struct stat after {};
  ::stat(imagePath.c_str(), &after);
  EXPECT_EQ(after.st_uid, 4321u);
  EXPECT_EQ(after.st_gid, 4322u);
  EXPECT_EQ(after.st_mode, before.st_mode);
  char origin[16] = {};
  EXPECT_EQ(::getxattr(imagePath.c_str(), "user.origin", origin, sizeof origin), 6);
  EXPECT_STREQ(origin, "dump 1");
  if (acls) {
    std::vector<char> aclAfter(256);
    aclAfter.resize(static_cast<std::size_t>(std::max<ssize_t>(
        0, ::getxattr(imagePath.c_str(), "system.posix_acl_access", aclAfter.data(), 256))));
    EXPECT_EQ(aclAfter, aclBefore);
  }
  EXPECT_EQ(readTextAt(imagePath, 0), "MOPLE");
}

// In a child that is `uid` with primary group `gid` and the supplementary `groups`.
int asUser(uid_t uid, gid_t gid, std::vector<gid_t> groups, const std::function<int()>& work) {
  const pid_t child = ::fork();
  if (child == 0) {
    if (::setgroups(groups.size(), groups.data()) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)
      ::_exit(99);
    // Whatever the work throws ends the child here, not in the rest of the suite as that user.
    try {
      ::_exit(work());
    } catch (...) {
      ::_exit(98);
    }
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// In a child that is user 4321, a member of the image's group 4322 but not its owner.
int asGroupMember(const std::function<int()>& work) { return asUser(4321, 4321, {4322}, work); }

TEST_F(ReliabilityTest, AGroupMembersImportIsRefusedButTheirSetWorks) {
  SKIP_WITHOUT(Owners);
  SKIP_WITHOUT(Modes);
  ASSERT_EQ(::geteuid(), 0u) << "playing another user needs root";
  giveImageToUser1234OfGroup4322();
  const FileState before = FileState::of(imagePath);
  const std::string dump = editedDump(imagePath, {{0, u"MOPLE"}});

  EXPECT_EQ(asGroupMember([&] {
              try {
                (void)cli::importDump(imagePath, dump, false);
                return 1;
              } catch (const FileError& e) {
                const std::string what = e.what();
                return what.find("belongs to user 1234") != std::string::npos && e.inPlaceStillWorks() ? 0
                                                                                                       : 2;
              }
            }),
            0);
  // The command line says what can still change such an image.
  EXPECT_EQ(asGroupMember([&] {
              std::istringstream in(dump);
              std::ostringstream out, err;
              const int status = cli::runThornvaleText({"import", imagePath, "-"}, in, out, err);
              return status == cli::kExitRefused && err.str().find("`set` or the editor") != std::string::npos
                         ? 0
                         : 2;
            }),
            0);
  EXPECT_TRUE(FileState::of(imagePath).sameFileAs(before));
  EXPECT_EQ(folder(), std::vector<std::string>{"thornvale.nes"});

  EXPECT_EQ(asGroupMember([&] {
              WriteText(catalogueEntry(0)->offset, imagePath, u"MOPLE", 5, "Table2");
              return 0;
            }),
            0);
  const FileState after = FileState::of(imagePath);
  EXPECT_EQ(after.uid, 1234u);
  EXPECT_EQ(after.gid, 4322u);
  EXPECT_EQ(after.mode, before.mode);
  EXPECT_EQ(readTextAt(imagePath, 0), "MOPLE");
}

// Where the file system keeps no owners (FAT, exFAT, NTFS through FUSE) every file shows the
// mounting user's, and anyone who may write replaces it: no owner, mode or ACL of the old file
// stands in the way.
TEST_F(ReliabilityTest, AnyoneWhoMayWriteReplacesWhereTheFileSystemKeepsNoOwners) {
  if (test::lacks(dir.path(), test::FileSystemFeature::Owners).empty())
    GTEST_SKIP() << "this file system keeps owners, which the tests above cover";
  ASSERT_EQ(::geteuid(), 0u) << "playing another user needs root";
  const std::string script = editedDump(imagePath, {{0, u"MOPLE"}});
  EXPECT_EQ(asGroupMember([&] {
              try {
                return cli::importDump(imagePath, script, false).written ? 0 : 1;
              } catch (const FileError& e) {
                std::fprintf(stderr, "%s\n", e.what());
                return 2;
              }
            }),
            0);
  EXPECT_EQ(readTextAt(imagePath, 0), "MOPLE");
  EXPECT_EQ(folder(), std::vector<std::string>{"thornvale.nes"});
}

TEST_F(ReliabilityTest, AnyNameTheFileSystemAllowsWorks) {
  const std::string name = dir.file(std::string(250, 'n') + ".nes");
  fs::rename(imagePath, name);
  ASSERT_TRUE(cli::importDump(name, editedDump(name, {{0, u"MOPLE"}}), false).ok());
  EXPECT_EQ(readTextAt(name, 0), "MOPLE");
  EXPECT_EQ(folder().size(), 1u);
}

// ---- Only regular files, never a hang ----------------------------------------------------------

TEST_F(ReliabilityTest, OddFilesAreRefusedAtOnce) {
  SKIP_WITHOUT(SpecialFiles);
  const std::string fifo = dir.file("fifo.nes");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string socketPath = dir.file("socket.nes");
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath.c_str());
  const bool haveSocket = ::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;

  std::vector<std::string> odd = {fifo, "/dev/null", "/dev/zero", dir.path().string()};
  if (haveSocket) odd.push_back(socketPath);
  const auto start = std::chrono::steady_clock::now();
  for (const std::string& path : odd) {
    SCOPED_TRACE(path);
    EXPECT_THROW((void)cli::readImageRows(path), FileError);
    EXPECT_THROW(WriteText(0, path, u"A", 1, "Table1"), FileError);
    EXPECT_THROW(WriteMiscData(path, {kDebugMenuEnabled, 1}), FileError);
    std::ostringstream out, err;
    std::istringstream in;
    EXPECT_EQ(cli::runThornvaleText({"import", imagePath, path}, in, out, err), cli::kExitRefused)
        << err.str();
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  try {
    (void)cli::readImageRows(fifo);
  } catch (const FileError& e) {
    EXPECT_NE(std::string(e.what()).find("FIFO"), std::string::npos) << e.what();
  }
  ::close(sock);
  EXPECT_EQ(test::readBytes(imagePath), image);
}

TEST_F(ReliabilityTest, OutputsFollowLinksThroughTheSystemAndRefuseDanglingOnes) {
  SKIP_WITHOUT(SymbolicLinks);
  const std::string tables = dir.file("tables");
  fs::create_directory(tables);
  const std::string elsewhere = dir.file("elsewhere.tbl");
  test::writeBytes(elsewhere, {'x'});
  fs::create_symlink(elsewhere, tables + "/Table1.tbl");
  fs::create_symlink(dir.file("nowhere.tbl"), tables + "/Table2.tbl");

  EXPECT_THROW((void)cli::writeTableFiles(tables), FileError);
  EXPECT_TRUE(fs::is_symlink(tables + "/Table2.tbl"));
  EXPECT_FALSE(fs::exists(dir.file("nowhere.tbl")));
  // The link that names a file stays a link, and the file it names was replaced.
  EXPECT_TRUE(fs::is_symlink(tables + "/Table1.tbl"));
  EXPECT_NE(test::readBytes(elsewhere), test::Bytes{'x'});

  const std::string patchLink = dir.file("dangling.ips");
  fs::create_symlink(dir.file("missing.ips"), patchLink);
  EXPECT_THROW((void)cli::writePatchFile(imagePath, imagePath, patchLink, cli::PatchFormat::Ips), FileError);
  EXPECT_TRUE(fs::is_symlink(patchLink));
  EXPECT_FALSE(fs::exists(dir.file("missing.ips")));
}

// ---- Bounded input -------------------------------------------------------------------------------

TEST_F(ReliabilityTest, OversizedExchangeFilesAndImagesAreRefusedBeforeTheyAreRead) {
  const std::string bigFile = dir.file("big.tsv");
  test::writeBytes(bigFile, test::Bytes((1 << 20) + 1, 'a'));
  const std::string bigImage = dir.file("big.nes");
  test::Bytes big = image;
  big.resize((16 << 20) + 1);
  test::writeBytes(bigImage, big);

  struct Case {
    std::vector<std::string> args;
    std::string input;
    std::string says;
  };
  const Case cases[] = {
      {{"import", imagePath, bigFile}, {}, "1 MiB"},
      {{"import", imagePath, "-"}, std::string((1 << 20) + 1, 'a'), "1 MiB"},
      {{"dump", bigImage}, {}, "16 MiB"},
      {{"patch", bigImage, imagePath, dir.file("p.bps"), "--format", "bps"}, {}, "16 MiB"},
      {{"import", bigImage, "-"}, "position\toffset\tlength\tsave_length\ttable\ttext\n", "16 MiB"},
      {{"set", bigImage, "0", "MOPLE"}, {}, "16 MiB"},
      {{"misc", bigImage}, {}, "16 MiB"},
      {{"misc", bigImage, "--hits", "3"}, {}, "16 MiB"},
      {{"info", bigImage}, {}, "16 MiB"},
  };
  for (const Case& c : cases) {
    std::ostringstream out, err;
    std::istringstream in(c.input);
    EXPECT_EQ(cli::runThornvaleText(c.args, in, out, err), cli::kExitRefused) << c.args[0];
    EXPECT_NE(err.str().find(c.says), std::string::npos) << err.str();
  }
  EXPECT_EQ(test::readBytes(imagePath), image);
  EXPECT_EQ(test::readBytes(bigImage), big);
  EXPECT_FALSE(fs::exists(dir.file("p.bps")));
}

// ---- Exit statuses that tell the truth -----------------------------------------------------------

TEST_F(ReliabilityTest, AChangeWhoseReportCannotBeWrittenExitsThreeOrFourForAnOutput) {
  const std::string program = THORNVALE_TEXT;
  for (const char* redirect : {">/dev/full", ">&-"}) {
    SCOPED_TRACE(redirect);
    test::writeBytes(imagePath, image);
    const test::ProcessOutcome set = test::runProcess(
        {"/bin/sh", "-c", "exec \"$0\" set \"$1\" 0 MOPLE " + std::string(redirect), program, imagePath});
    EXPECT_EQ(set.status, cli::kExitChangedThenFailed) << set.err;
    EXPECT_EQ(readTextAt(imagePath, 0), "MOPLE");

    const test::ProcessOutcome import = test::runProcess(
        {"/bin/sh", "-c", "exec \"$0\" import \"$1\" - " + std::string(redirect), program, imagePath},
        partialDump({{1, u"TIGRE"}}));
    EXPECT_EQ(import.status, cli::kExitChangedThenFailed) << import.err;
    EXPECT_EQ(readTextAt(imagePath, 1), "TIGRE");

    // Only an output of ours written, the image untouched: a status of its own.
    const std::string po = dir.file("fr.po");
    const test::ProcessOutcome exported = test::runProcess(
        {"/bin/sh", "-c", "exec \"$0\" export \"$1\" --format po -o \"$2\" " + std::string(redirect), program,
         imagePath, po});
    EXPECT_EQ(exported.status, cli::kExitWrittenThenFailed) << exported.err;
    EXPECT_TRUE(test::readBytes(po).size() > 1000);

    // Nothing to change: a failed report is a plain failure.
    const test::ProcessOutcome dump = test::runProcess(
        {"/bin/sh", "-c", "exec \"$0\" dump \"$1\" " + std::string(redirect), program, imagePath});
    EXPECT_EQ(dump.status, cli::kExitRefused) << dump.err;
  }
}

TEST_F(ReliabilityTest, ATextThatBeginsWithADashIsTakenAsTheText) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{THORNVALE_TEXT, "set", imagePath, "36", "-hank you kindly"},
        std::vector<std::string>{THORNVALE_TEXT, "set", imagePath, "36", "--", "-hank you kindly"},
        std::vector<std::string>{THORNVALE_TEXT, "set", imagePath, "36", "--help"}}) {
    const test::ProcessOutcome outcome = test::runProcess(args);
    EXPECT_EQ(outcome.status, cli::kExitRefused) << args.back() << outcome.out;
    EXPECT_EQ(outcome.out, "");
    EXPECT_NE(outcome.err.find("position 36"), std::string::npos) << outcome.err;
  }
  EXPECT_EQ(test::runProcess({THORNVALE_TEXT, "set", imagePath, "36", "Thank you kindly"}).status, 0);
  EXPECT_EQ(test::readBytes(imagePath), image);
}

// ---- Descriptors --------------------------------------------------------------------------------

TEST_F(ReliabilityTest, NoFailureLeavesADescriptorOpen) {
  SKIP_WITHOUT(SpecialFiles);
  SKIP_WITHOUT(HardLinks);
  const std::string fifo = dir.file("fifo.nes");
  ::mkfifo(fifo.c_str(), 0600);
  const std::string linked = dir.file("linked.nes");
  test::writeBytes(linked, image);
  fs::create_hard_link(linked, dir.file("second-name.nes"));
  const std::string folder = dir.path().string();
  const std::string dump = editedDump(imagePath, {{0, u"MOPLE"}});
  const std::vector<std::pair<const char*, std::function<void()>>> failures = {
      {"read a folder", [&] { (void)ReadText(0, folder, 1, "Table1"); }},
      {"write a folder", [&] { WriteText(0, folder, u"A", 1, "Table1"); }},
      {"read a FIFO", [&] { (void)ReadText(0, fifo, 1, "Table1"); }},
      {"read nothing", [&] { (void)ReadText(0, dir.file("missing"), 1, "Table1"); }},
      {"write past the end", [&] { WriteText(1 << 30, imagePath, u"A", 1, "Table1"); }},
      {"a failing write",
       [&] {
         const Fault fault(SystemCall::Pwrite, 1, Fault::Kind::Error, ENOSPC);
         WriteText(0x5337, imagePath, u"A", 1, "Table1");
       }},
      {"a hard-linked import", [&] { (void)cli::importDump(linked, dump, false); }},
      {"a failing import",
       [&] {
         const Fault fault(SystemCall::Renameat, 1, Fault::Kind::Error, EIO);
         (void)cli::importDump(imagePath, dump, false);
       }},
      {"the lock",
       [&] {
         const LockHolder holder(imagePath, File::Lock::Exclusive);
         (void)openImage(imagePath, File::Access::Write, std::chrono::milliseconds(1));
       }},
  };
  for (const auto& [name, failure] : failures) {
    const std::size_t before = test::openDescriptors();
    for (int i = 0; i < 20; ++i) EXPECT_THROW(failure(), FileError) << name;
    EXPECT_EQ(test::openDescriptors(), before) << name;
  }
  EXPECT_EQ(test::readBytes(imagePath), image);
}

// ---- The new file is the old file's, exactly -----------------------------------------------------

// A POSIX ACL as the kernel stores it: a version, then (tag, permissions, id) entries.
std::string aclBytes(std::initializer_list<std::tuple<std::uint16_t, std::uint16_t, std::uint32_t>> entries) {
  std::string bytes(4, '\0');
  bytes[0] = 2;
  for (const auto& [tag, perm, id] : entries) {
    const char entry[8] = {static_cast<char>(tag & 0xFF),        static_cast<char>(tag >> 8),
                           static_cast<char>(perm & 0xFF),       static_cast<char>(perm >> 8),
                           static_cast<char>(id & 0xFF),         static_cast<char>((id >> 8) & 0xFF),
                           static_cast<char>((id >> 16) & 0xFF), static_cast<char>(id >> 24)};
    bytes.append(entry, 8);
  }
  return bytes;
}
constexpr std::uint16_t kUserObj = 1, kUser = 2, kGroupObj = 4, kMask = 0x10, kOther = 0x20;
constexpr std::uint32_t kNoId = 0xFFFFFFFF;

std::optional<std::string> accessAcl(const std::string& path) {
  char buffer[512];
  const ssize_t n = ::getxattr(path.c_str(), "system.posix_acl_access", buffer, sizeof buffer);
  if (n < 0) return std::nullopt;
  return std::string(buffer, static_cast<std::size_t>(n));
}

// An image of its owner's own group in a setgid folder of another group: the new file would take
// the folder's group, opening the image to that group. It keeps its own; and one whose group
// cannot be given back is refused before anything is written.
TEST_F(ReliabilityTest, AnImportInASetgidFolderKeepsTheImagesOwnGroup) {
  SKIP_WITHOUT(Owners);
  SKIP_WITHOUT(Modes);
  ASSERT_EQ(::geteuid(), 0u) << "playing another user needs root";
  ASSERT_EQ(::chown(dir.path().c_str(), 0, 4400), 0);
  ASSERT_EQ(::chmod(dir.path().c_str(), 02775), 0);
  ASSERT_EQ(::chown(imagePath.c_str(), 4321, 4321), 0);
  ASSERT_EQ(::chmod(imagePath.c_str(), 0640), 0);
  std::string dump = editedDump(imagePath, {{0, u"MOPLE"}});
  const auto import = [&] {
    try {
      return cli::importDump(imagePath, dump, false).written ? 0 : 1;
    } catch (const FileError& e) {
      std::fprintf(stderr, "%s\n", e.what());
      return std::string(e.what()).find("group 4500") != std::string::npos ? 2 : 3;
    }
  };
  EXPECT_EQ(asUser(4321, 4321, {4321, 4400}, import), 0);
  FileState after = FileState::of(imagePath);
  EXPECT_EQ(after.uid, 4321u);
  EXPECT_EQ(after.gid, 4321u);
  EXPECT_EQ(after.mode & 07777, 0640u);
  EXPECT_EQ(readTextAt(imagePath, 0), "MOPLE");

  // A group the owner is no member of: the new file cannot have it.
  ASSERT_EQ(::chown(imagePath.c_str(), 4321, 4500), 0);
  dump = editedDump(imagePath, {{1, u"TIGRE"}});
  const FileState before = FileState::of(imagePath);
  EXPECT_EQ(asUser(4321, 4321, {4321, 4400}, import), 2);
  EXPECT_TRUE(FileState::of(imagePath).sameFileAs(before));
  EXPECT_EQ(folder(), std::vector<std::string>{"thornvale.nes"});
}

// A folder's default ACL is for new files; the image is no new file. It keeps no ACL where it had
// none, its own where it had one, and its group's permissions either way.
TEST_F(ReliabilityTest, AnImportInAFolderWithADefaultAclKeepsTheImagesOwnAcl) {
  const std::string folderDefault = aclBytes(
      {{kUserObj, 7, kNoId}, {kUser, 6, 4323}, {kGroupObj, 5, kNoId}, {kMask, 7, kNoId}, {kOther, 5, kNoId}});
  if (::setxattr(dir.path().c_str(), "system.posix_acl_default", folderDefault.data(), folderDefault.size(),
                 0) != 0) {
    GTEST_SKIP() << "this file system has no ACLs: " << std::strerror(errno);
  }
  SKIP_WITHOUT(Owners);
  ASSERT_EQ(::geteuid(), 0u) << "playing another user needs root";
  ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
  ASSERT_EQ(::chown(imagePath.c_str(), 4321, 4321), 0);
  ASSERT_EQ(::chmod(imagePath.c_str(), 0664), 0);
  ASSERT_FALSE(accessAcl(imagePath));
  const std::string dump = editedDump(imagePath, {{0, u"MOPLE"}});
  EXPECT_EQ(
      asUser(4321, 4321, {4321}, [&] { return cli::importDump(imagePath, dump, false).written ? 0 : 1; }), 0);
  EXPECT_FALSE(accessAcl(imagePath)) << "the folder's default ACL came with the new file";
  EXPECT_EQ(FileState::of(imagePath).mode & 07777, 0664u);
  EXPECT_EQ(FileState::of(imagePath).gid, 4321u);

  const std::string own = aclBytes(
      {{kUserObj, 6, kNoId}, {kUser, 6, 1001}, {kGroupObj, 4, kNoId}, {kMask, 6, kNoId}, {kOther, 0, kNoId}});
  ASSERT_EQ(::setxattr(imagePath.c_str(), "system.posix_acl_access", own.data(), own.size(), 0), 0);
  const mode_t mode = FileState::of(imagePath).mode;
  ASSERT_TRUE(cli::importDump(imagePath, editedDump(imagePath, {{1, u"TIGRE"}}), false).ok());
  EXPECT_EQ(accessAcl(imagePath), own);
  EXPECT_EQ(FileState::of(imagePath).mode, mode);
  EXPECT_EQ(readTextAt(imagePath, 1), "TIGRE");
  EXPECT_EQ(folder(), std::vector<std::string>{"thornvale.nes"});
}

// Where the file system has no unnamed files, the new content has a name from the start: a
// refusal while it is made ready (here an owner it cannot be given) takes that name away too.
TEST_F(ReliabilityTest, WithoutUnnamedFilesNothingIsLeftBesideTheImage) {
  SKIP_WITHOUT(Owners);
  SKIP_WITHOUT(Modes);
  ASSERT_EQ(::geteuid(), 0u) << "playing another user needs root";
  giveImageToUser1234OfGroup4322();
  const FileState before = FileState::of(imagePath);
  const std::string dump = editedDump(imagePath, {{0, u"MOPLE"}});
  const auto importWithoutUnnamedFiles = [&] {
    const Fault fault(SystemCall::UnnamedOpen, 1, Fault::Kind::Error, EOPNOTSUPP);
    try {
      (void)cli::importDump(imagePath, dump, false);
      return fault.calls() == 1 ? 0 : 1;
    } catch (const FileError& e) {
      return fault.calls() == 1 && std::string(e.what()).find("belongs to user 1234") != std::string::npos
                 ? 2
                 : 3;
    }
  };
  EXPECT_EQ(asGroupMember(importWithoutUnnamedFiles), 2);
  EXPECT_TRUE(FileState::of(imagePath).sameFileAs(before));
  EXPECT_EQ(folder(), std::vector<std::string>{"thornvale.nes"});

  // And where nothing is refused, the named new file becomes the image.
  EXPECT_EQ(importWithoutUnnamedFiles(), 0);
  EXPECT_EQ(readTextAt(imagePath, 0), "MOPLE");
  EXPECT_EQ(FileState::of(imagePath).uid, 1234u);
  EXPECT_EQ(folder(), std::vector<std::string>{"thornvale.nes"});
}

// A folder marked append-only lets a name be made but never removed or renamed over: an import
// must find that out before it writes, or a full copy of the image stays beside it for good.
TEST_F(ReliabilityTest, AnAppendOnlyFolderIsRefusedBeforeAnythingIsWritten) {
  ASSERT_EQ(::geteuid(), 0u) << "marking a folder append-only needs root";
  const int folderFd = ::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY);
  int flags = 0;
  if (::ioctl(folderFd, FS_IOC_GETFLAGS, &flags) != 0) {
    ::close(folderFd);
    GTEST_SKIP() << "this file system has no inode flags";
  }
  const int appendOnly = flags | FS_APPEND_FL;
  ASSERT_EQ(::ioctl(folderFd, FS_IOC_SETFLAGS, &appendOnly), 0) << std::strerror(errno);
  struct Unmark {
    int fd, flags;
    ~Unmark() {
      ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
      ::close(fd);
    }
  } unmark{folderFd, flags};

  std::ostringstream out, err;
  std::istringstream in(partialDump({{0, u"MOPLE"}}));
  EXPECT_EQ(cli::runThornvaleText({"import", imagePath, "-"}, in, out, err), cli::kExitRefused);
  EXPECT_NE(err.str().find("does not allow replacing files"), std::string::npos) << err.str();
  EXPECT_EQ(test::readBytes(imagePath), image);
  EXPECT_EQ(folder(), std::vector<std::string>{"thornvale.nes"});
  // Writing in place is still allowed there.
  WriteText(catalogueEntry(0)->offset, imagePath, u"MOPLE", 5, "Table2");
  EXPECT_EQ(readTextAt(imagePath, 0), "MOPLE");
}

// FAT keeps no owner and no permissions: there is nothing to carry over, and every command that
// replaces a file works on it, leaving nothing beside it.
TEST_F(ReliabilityTest, ReplacementsWorkOnAFatFileSystem) {
  if (std::system("command -v fusefat >/dev/null && command -v mkfs.vfat >/dev/null") != 0) {
    GTEST_SKIP() << "fusefat or mkfs.vfat is not installed";
  }
  const std::string volume = dir.file("fat.img"), mount = dir.file("mnt");
  fs::create_directory(mount);
  const std::string make = "truncate -s 4M '" + volume + "' && mkfs.vfat '" + volume + "' >/dev/null";
  ASSERT_EQ(std::system(make.c_str()), 0);
  if (std::system(("fusefat -o rw+ '" + volume + "' '" + mount + "' >/dev/null 2>&1").c_str()) != 0) {
    GTEST_SKIP() << "this machine cannot mount a FUSE file system";
  }
  struct Unmount {
    std::string at;
    ~Unmount() {
      (void)!std::system(("fusermount -u '" + at + "' 2>/dev/null || umount '" + at + "'").c_str());
    }
  } unmount{mount};

  const std::string fatImage = mount + "/game.nes";
  test::writeBytes(fatImage, image);
  std::istringstream in(partialDump({{0, u"MOPLE"}}));
  std::ostringstream out, err;
  EXPECT_EQ(cli::runThornvaleText({"import", fatImage, "-"}, in, out, err), cli::kExitSuccess) << err.str();
  EXPECT_EQ(readTextAt(fatImage, 0), "MOPLE");
  EXPECT_EQ(cli::runThornvaleText({"patch", imagePath, fatImage, mount + "/game.ips"}, in, out, err),
            cli::kExitSuccess)
      << err.str();
  EXPECT_EQ(cli::runThornvaleText({"tables", mount + "/tables"}, in, out, err), cli::kExitSuccess)
      << err.str();
  std::vector<std::string> names;
  for (const auto& item : fs::directory_iterator(mount)) names.push_back(item.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"game.ips", "game.nes", "tables"}));
}

// ---- The clean-up removes only what we made ------------------------------------------------------

// The scope a process in a new PID namespace gives its names, told through a pipe.
std::string scopeInANewPidNamespace() {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return {};
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pipeFds[0]);
    if (::unshare(CLONE_NEWPID) != 0) ::_exit(1);
    const pid_t inner = ::fork();  // the first process in the new namespace
    if (inner == 0) {
      const std::string scope = temporaryScope();
      (void)!::write(pipeFds[1], scope.data(), scope.size());
      ::_exit(0);
    }
    int status = 0;
    ::waitpid(inner, &status, 0);
    ::_exit(0);
  }
  ::close(pipeFds[1]);
  std::string scope(128, '\0');
  const ssize_t n = ::read(pipeFds[0], scope.data(), scope.size());
  scope.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  ::close(pipeFds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  return scope;
}

// A container that shares the folder numbers its processes apart: a name of its live import looks
// dead from here. So do files of other users, links and names of our form that we did not make.
TEST_F(ReliabilityTest, TheCleanUpLeavesNamesOfOtherNamespacesUsersAndKinds) {
  SKIP_WITHOUT(Owners);
  SKIP_WITHOUT(SymbolicLinks);
  ASSERT_EQ(::geteuid(), 0u) << "a new PID namespace and files of other users need root";
  const std::string other = scopeInANewPidNamespace();
  ASSERT_FALSE(other.empty());
  ASSERT_NE(other, temporaryScope());
  constexpr std::uint64_t kGone = 4'000'000;
  const std::string ofContainer = temporaryName(other, kGone);
  const std::string ofAnotherUser = temporaryName(temporaryScope(), kGone);
  const std::string aLink = temporaryName(temporaryScope(), kGone);
  const std::string dead = temporaryName(temporaryScope(), kGone);
  for (const std::string& name : {ofContainer, ofAnotherUser, dead}) test::writeBytes(dir.file(name), image);
  ASSERT_EQ(::chown(dir.file(ofAnotherUser).c_str(), 4321, 4321), 0);
  fs::create_symlink(dir.file(dead), dir.file(aLink));

  ASSERT_TRUE(cli::importDump(imagePath, editedDump(imagePath, {{0, u"MOPLE"}}), false).ok());
  std::vector<std::string> expected = {ofContainer, ofAnotherUser, aLink, "thornvale.nes"};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(folder(), expected);
}

// ---- Every exit status tells the truth -----------------------------------------------------------

// `set` and `misc` write in place and then close; a close that fails after the write and its flush
// is a change made, never "unchanged".
TEST_F(ReliabilityTest, AFailingCloseAfterSetOrMiscIsAChangeMade) {
  const std::vector<std::vector<std::string>> commands = {{"set", imagePath, "0", "MOPLE"},
                                                          {"misc", imagePath, "--hits", "9"}};
  for (const auto& args : commands) {
    SCOPED_TRACE(args[0]);
    int closes = 0;
    {
      test::writeBytes(imagePath, image);
      const CallCounter counter(SystemCall::Close);
      std::ostringstream out, err;
      std::istringstream in;
      ASSERT_EQ(cli::runThornvaleText(args, in, out, err), cli::kExitSuccess) << err.str();
      closes = counter.calls();
    }
    for (int nth = 1; nth <= closes; ++nth) {
      SCOPED_TRACE(nth);
      test::writeBytes(imagePath, image);
      std::ostringstream out, err;
      std::istringstream in;
      int status = 0;
      {
        const Fault fault(SystemCall::Close, nth, Fault::Kind::Error, EIO);
        status = cli::runThornvaleText(args, in, out, err);
      }
      const bool changed = test::readBytes(imagePath) != image;
      EXPECT_EQ(status, changed ? cli::kExitChangedThenFailed : cli::kExitRefused) << err.str();
      // The first close is the image's, right after its write.
      if (nth == 1) {
        EXPECT_NE(err.str().find("was saved, but the file could not be closed"), std::string::npos);
      }
    }
  }
}

// The editor's Save and the misc window's share that code, and say that the text or the values are
// in the file; the misc window then closes.
TEST_F(ReliabilityTest, TheWindowsSayAValueWasSavedWhenOnlyTheCloseFailed) {
  test::ScriptedDialogs dialogs;
  {
    const Fault fault(SystemCall::Close, 1, Fault::Kind::Error, EIO);
    EXPECT_EQ(saveText(dialogs, imagePath, 0, u"MOPLE"), SaveOutcome::Written);
  }
  EXPECT_EQ(readTextAt(imagePath, 0), "MOPLE");
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_TRUE(dialogs.messages[0].text.starts_with("The change was saved, but the file could not be closed"))
      << dialogs.messages[0].text;
  {
    const Fault fault(SystemCall::Close, 2, Fault::Kind::Error, EIO);  // the first is the load's
    const MiscData loaded = ReadMiscData(imagePath);
    EXPECT_TRUE(saveMisc(dialogs, imagePath, loaded, DebugMenu::Enabled, u"9"));
  }
  EXPECT_EQ(ReadMiscData(imagePath).hitCount, 9);
  EXPECT_EQ(dialogs.messages.size(), 2u);
}

// The real program with SIGPIPE and SIGXFSZ as a shell leaves them, standard output a pipe whose
// reader is gone where `closedPipe`, and at most `sizeLimit` bytes in any file it writes.
test::ProcessOutcome runUntamed(const std::vector<std::string>& args, bool closedPipe, rlim_t sizeLimit) {
  test::TempDir scratch;
  const std::string errPath = scratch.file("err");
  const pid_t child = ::fork();
  if (child == 0) {
    std::signal(SIGPIPE, SIG_DFL);
    std::signal(SIGXFSZ, SIG_DFL);
    int pipeFds[2];
    if (closedPipe && (::pipe(pipeFds) != 0 || ::dup2(pipeFds[1], 1) < 0 || ::close(pipeFds[0]) != 0))
      ::_exit(97);
    const int errFd = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (errFd < 0 || ::dup2(errFd, 2) < 0) ::_exit(98);
    const rlimit limit{sizeLimit, RLIM_INFINITY};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(99);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(THORNVALE_TEXT));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(96);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  test::ProcessOutcome outcome;
  outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  outcome.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  const test::Bytes err = test::readBytes(errPath);
  outcome.err.assign(err.begin(), err.end());
  return outcome;
}

TEST_F(ReliabilityTest, AReaderGoneAfterTheChangeIsAFailedReportNotASignal) {
  const std::string dumpFile = dir.file("edit.tsv");
  const std::string text = partialDump({{1, u"TIGRE"}});
  test::writeBytes(dumpFile, test::Bytes(text.begin(), text.end()));
  for (const std::vector<std::string>& args : {std::vector<std::string>{"set", imagePath, "0", "MOPLE"},
                                               std::vector<std::string>{"import", imagePath, dumpFile},
                                               std::vector<std::string>{"misc", imagePath, "--hits", "9"}}) {
    SCOPED_TRACE(args[0]);
    test::writeBytes(imagePath, image);
    const test::ProcessOutcome outcome = runUntamed(args, true, RLIM_INFINITY);
    EXPECT_EQ(outcome.signal, 0);
    EXPECT_EQ(outcome.status, cli::kExitChangedThenFailed) << outcome.err;
    EXPECT_NE(outcome.err.find("could not write standard output"), std::string::npos) << outcome.err;
    EXPECT_NE(test::readBytes(imagePath), image);
  }
}

TEST_F(ReliabilityTest, AFileSizeLimitIsARefusalWithTheSystemsReason) {
  SKIP_WITHOUT(FileSizeLimit);
  const test::TempDir elsewhere;
  const std::string dumpFile = elsewhere.file("edit.tsv");
  const std::string text = partialDump({{1, u"TIGRE"}});
  test::writeBytes(dumpFile, test::Bytes(text.begin(), text.end()));
  // Every write of these lies past 8 KiB: the import's whole new image, the text at 0x1404B and
  // the hit count at 0x319A.
  for (const std::vector<std::string>& args : {std::vector<std::string>{"set", imagePath, "0", "MOPLE"},
                                               std::vector<std::string>{"import", imagePath, dumpFile},
                                               std::vector<std::string>{"misc", imagePath, "--hits", "9"}}) {
    SCOPED_TRACE(args[0]);
    const test::ProcessOutcome outcome = runUntamed(args, false, 8 << 10);
    EXPECT_EQ(outcome.signal, 0);
    EXPECT_EQ(outcome.status, cli::kExitRefused) << outcome.err;
    EXPECT_NE(outcome.err.find(std::strerror(EFBIG)), std::string::npos) << outcome.err;
    EXPECT_EQ(test::readBytes(imagePath), image);
    EXPECT_EQ(folder(), std::vector<std::string>{"thornvale.nes"});
  }
}

TEST_F(ReliabilityTest, TablesThatFailPartWayExitThreeNamingWhatWasWritten) {
  const std::string tables = dir.file("tables");
  fs::create_directories(tables + "/Table3.tbl");  // a folder where the third file goes
  std::ostringstream out, err;
  std::istringstream in;
  EXPECT_EQ(cli::runThornvaleText({"tables", tables}, in, out, err), cli::kExitChangedThenFailed);
  EXPECT_NE(err.str().find("Table1.tbl"), std::string::npos) << err.str();
  EXPECT_NE(err.str().find("Table2.tbl"), std::string::npos) << err.str();
  EXPECT_TRUE(fs::is_regular_file(tables + "/Table2.tbl"));
}

// ---- Nothing the input holds reaches the terminal raw --------------------------------------------

TEST_F(ReliabilityTest, NoControlCharacterOfTheInputReachesTheOutputRaw) {
  SKIP_WITHOUT(OddBytesInNames);
  const std::string titled = "\x1B]0;owned\x07\x1B[2J";
  const std::string oddImage = dir.file("odd\x1B[2J\x9B.nes");
  test::writeBytes(oddImage, image);
  std::u16string utf16Dump =
      u"\uFEFFposition\toffset\tlength\tsave_length\ttable\ttext\n0\t0x1404B\t5\t5\tTable2\tMOPLE\n";
  std::string utf16Bytes;
  for (char16_t c : utf16Dump) utf16Bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  struct Case {
    std::vector<std::string> args;
    std::string input;
  };
  const std::string header = "position\toffset\tlength\tsave_length\ttable\ttext\n";
  const Case cases[] = {
      {{"set", imagePath, titled, "X"}, ""},
      {{"set", imagePath, "0",
        "MO\x1B"
        "LE"},
       ""},
      {{"set", imagePath, "0",
        "M\xC2\x9B\x7F"
        "L"},
       ""},
      {{"import", imagePath, "-"}, header + titled + "\t0x1404B\t5\t5\tTable2\tMOPLE\n"},
      {{"import", imagePath, "-"}, header + "0\t" + titled + "\t5\t5\tTable2\tMOPLE\n"},
      {{"import", imagePath, "-"}, header + "0\t0x1404B\t5\t5\t\xFF" + titled + "\tMOPLE\n"},
      {{"import", imagePath, "-"}, utf16Bytes},
      {{"import", oddImage, "-"}, partialDump({{0, u"MOPLE"}})},
      {{"dump", dir.file("missing\x1B[2J.nes")}, ""},
  };
  for (const Case& c : cases) {
    std::ostringstream out, err;
    std::istringstream in(c.input);
    (void)cli::runThornvaleText(c.args, in, out, err);
    const std::string all = out.str() + err.str();
    SCOPED_TRACE(all);
    EXPECT_FALSE(all.empty());
    for (std::size_t i = 0; i < all.size(); ++i) {
      const auto byte = static_cast<unsigned char>(all[i]);
      EXPECT_FALSE((byte < 0x20 && byte != '\n') || byte == 0x7F || byte == 0xFF) << "byte " << i;
      if (byte == 0xC2 && i + 1 < all.size()) {
        EXPECT_GE(static_cast<unsigned char>(all[i + 1]), 0xA0);  // no C1 control
      }
    }
  }
}

// ---- Smaller things users met --------------------------------------------------------------------

TEST_F(ReliabilityTest, AReadOnlyImageSaysSoFirst) {
  SKIP_WITHOUT(Modes);
  ASSERT_EQ(::chmod(imagePath.c_str(), 0444), 0);
  const test::ObeyPermissions obey;
  try {
    WriteText(catalogueEntry(0)->offset, imagePath, u"MOPLE", 5, "Table2");
    ADD_FAILURE() << "written";
  } catch (const FileError& e) {
    EXPECT_TRUE(std::string(e.what()).starts_with("The file is read-only for you")) << e.what();
    EXPECT_NE(std::string(e.what()).find(std::strerror(EACCES)), std::string::npos) << e.what();
  }
  EXPECT_EQ(test::readBytes(imagePath), image);
}

TEST_F(ReliabilityTest, TheOwnerRefusalNamesUsersAndGroupsByName) {
  SKIP_WITHOUT(Owners);
  SKIP_WITHOUT(Modes);
  ASSERT_EQ(::geteuid(), 0u) << "playing another user needs root";
  ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
  ASSERT_EQ(::chown(imagePath.c_str(), 0, 4322), 0);
  ASSERT_EQ(::chmod(imagePath.c_str(), 0664), 0);
  const std::string dump = editedDump(imagePath, {{0, u"MOPLE"}});
  EXPECT_EQ(asGroupMember([&] {
              try {
                (void)cli::importDump(imagePath, dump, false);
                return 1;
              } catch (const FileError& e) {
                return std::string(e.what()).find("belongs to user root and group 4322") != std::string::npos
                           ? 0
                           : 2;
              }
            }),
            0);
  EXPECT_EQ(test::readBytes(imagePath), image);
}


// `-o FILE` writes what a shell's `>` could, keeps its owner and group or refuses, and never
// takes an image or splits hard links; each refusal, made by another user than root, leaves FILE
// byte for byte.
TEST_F(ExportTest, AnOutputIsReplacedOnlyWhereAShellsRedirectionCouldWriteIt) {
  SKIP_WITHOUT(Owners);
  ASSERT_EQ(::geteuid(), 0u) << "playing another user needs root";
  const std::string output = dir.file("texts.xlsx");
  ASSERT_EQ(::chmod(temporary.c_str(), 01777), 0);
  struct Case {
    const char* what;
    uid_t owner;
    mode_t mode;
    mode_t folderMode;  // the folder belongs to group 4322
    const char* says;
  };
  const Case cases[] = {
      {"read-only", 4321, 0444, 0777, "Permission denied"},
      {"another user's in a group-writable folder", 1234, 0644, 0775, "Permission denied"},
      {"another user's that the group may write", 1234, 0664, 0777, "belongs to user 1234"},
      {"an NES image", 4321, 0644, 0777, "is an NES image"},
      {"hard-linked", 4321, 0644, 0777, "2 hard links"},
  };
  for (const Case& c : cases) {
    fs::remove(dir.file("second.xlsx"));
    test::writeBytes(output, std::string_view(c.what) == "an NES image" ? image : test::Bytes{1, 2, 3});
    if (std::string_view(c.what) == "hard-linked") fs::create_hard_link(output, dir.file("second.xlsx"));
    ASSERT_EQ(::chown(dir.path().c_str(), 0, 4322), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), c.folderMode), 0);
    ASSERT_EQ(::chown(output.c_str(), c.owner, 4322), 0);
    ASSERT_EQ(::chmod(output.c_str(), c.mode), 0);
    const FileState before = FileState::of(output);
    EXPECT_EQ(asGroupMember([&] {
                std::string message;
                const int status = exportTo(output, &message);
                const bool said = message.find(c.says) != std::string::npos && message.find("`set`") == std::string::npos;
                if (!said) std::fprintf(stderr, "%s\n", message.c_str());
                return status == cli::kExitRefused && said ? 0 : 2;
              }),
              0)
        << c.what;
    EXPECT_TRUE(FileState::of(output).sameFileAs(before)) << c.what;
    EXPECT_EQ(scratch(), std::vector<std::string>{}) << c.what;
  }
  ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
  fs::remove(dir.file("second.xlsx"));

  // Root may give the new file back to its owner: replaced, the owner, group and mode kept.
  test::writeBytes(output, {1, 2, 3});
  ASSERT_EQ(::chown(output.c_str(), 1234, 4321), 0);
  ASSERT_EQ(::chmod(output.c_str(), 0640), 0);
  ASSERT_EQ(exportTo(output), cli::kExitSuccess);
  const FileState after = FileState::of(output);
  EXPECT_EQ(after.uid, 1234u);
  EXPECT_EQ(after.gid, 4321u);
  EXPECT_EQ(after.mode & 07777, 0640u);
  EXPECT_EQ(after.bytes[0], 'P');
}

// The workbook library's own "[ERROR]" lines, with a path's control characters raw, never reach
// the terminal: one line of ours names FILE, escaped, and the system's reason.
TEST_F(ExportTest, TheWorkbookLibrarysFailuresAreSaidInOneLineOfOurs) {
  SKIP_WITHOUT(OddBytesInNames);
  const std::string output = dir.file("out\x1B]0;x\a.xlsx");
  test::writeBytes(output, {1, 2, 3});
  const std::string tiny = dir.file("tiny");
  fs::create_directory(tiny);
  const bool mounted = ::mount("tmpfs", tiny.c_str(), "tmpfs", 0, "size=12k,mode=0700") == 0;
  struct Case {
    const char* what;
    std::string tmpdir;
    std::uint64_t sizeLimit;
    const char* reason;
  };
  const Case cases[] = {
      {"a file-size limit", temporary, 4096, "File too large"},
      {"a full temporary folder", tiny, 0, "No space left on device"},
  };
  for (const Case& c : cases) {
    if (c.tmpdir == tiny && !mounted) {
      std::printf("skipped %s: mounting a small tmpfs needs root (%s)\n", c.what, std::strerror(errno));
      continue;
    }
    ::setenv("TMPDIR", c.tmpdir.c_str(), 1);
    test::ProcessOutcome outcome;
    {
      std::optional<test::FileSizeLimit> limit;
      if (c.sizeLimit != 0) limit.emplace(c.sizeLimit);
      outcome = test::runProcess({THORNVALE_TEXT, "export", imagePath, "--format", "xlsx", "-o", output});
    }
    EXPECT_EQ(outcome.status, cli::kExitRefused) << c.what;
    EXPECT_EQ(outcome.err,
              "thornvale-text: Error while writing \"" + dir.file("out\\x1B]0;x\\x07.xlsx") +
                  "\": the workbook could not be made in the temporary folder (" + c.reason +
                  "); nothing was written\n")
        << c.what;
    EXPECT_EQ(test::readBytes(output), (test::Bytes{1, 2, 3})) << c.what;
    EXPECT_TRUE(fs::is_empty(c.tmpdir)) << c.what;
  }
  if (mounted) ::umount(tiny.c_str());
}

}  // namespace
}  // namespace thornvale
