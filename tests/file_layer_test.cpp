// The file layer's contract, which each system's implementation keeps alike: what opens, the
// advisory lock between two opens, the identity behind a path, and whole replacements.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "codec/File.h"
#include "codec/FileError.h"
#include "codec/ReplacementRules.h"
#include "tests/support/TestFiles.h"

#ifdef _WIN32
#include <aclapi.h>
#include <sddl.h>
#include <windows.h>

#include "codec/WideString.h"
#endif

namespace thornvale {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

class FileLayerTest : public ::testing::Test {
 protected:
  std::vector<std::string> namesInFolder() {
    std::vector<std::string> names;
    for (const auto& item : fs::directory_iterator(dir.path()))
      names.push_back(test::utf8Path(item.path().filename()));
    std::sort(names.begin(), names.end());
    return names;
  }

  test::TempDir dir;
  std::string path = dir.file("fïle.bin");
  test::Bytes bytes{1, 2, 3, 4, 5, 6, 7, 8};
};

TEST_F(FileLayerTest, OpensOnlyAnExistingFileAndReadsWhatItHolds) {
  test::writeBytes(path, bytes);
  const auto code = [](const std::string& p, File::Access access) {
    try {
      (void)File::openExisting(p, access);
    } catch (const FileError& e) {
      return e.code();
    }
    return std::error_code();
  };
#ifdef _WIN32
  const std::string device = "NUL";
#else
  const std::string device = "/dev/null";
#endif
  for (const File::Access access : {File::Access::Read, File::Access::Write}) {
    EXPECT_EQ(code(dir.file("missing.bin"), access), std::errc::no_such_file_or_directory);
    EXPECT_EQ(code(test::utf8Path(dir.path()), access), std::errc::is_a_directory);
    EXPECT_EQ(code(device, access), std::errc::invalid_argument);
  }
  EXPECT_FALSE(fs::exists(test::fsPath(dir.file("missing.bin"))));

  File file = File::openExisting(path, File::Access::Write);
  EXPECT_EQ(file.size(), 8);
  std::vector<std::uint8_t> out(6, 0xEE);
  EXPECT_EQ(file.readAt(5, out), 3u);  // fewer only where the file ends
  EXPECT_EQ(out, (std::vector<std::uint8_t>{6, 7, 8, 0xEE, 0xEE, 0xEE}));
  const std::vector<std::uint8_t> two{0xAA, 0xBB};
  file.writeAt(2, two);
  file.flush();
  file.close();
  EXPECT_EQ(test::readBytes(path), (test::Bytes{1, 2, 0xAA, 0xBB, 5, 6, 7, 8}));
}

TEST_F(FileLayerTest, LocksKeepWritersApartAndLetReadersShare) {
  test::writeBytes(path, bytes);
  struct Case {
    const char* name;
    File::Lock held;
    File::Lock wanted;
    bool granted;
  };
  const Case cases[] = {
      {"shared, shared", File::Lock::Shared, File::Lock::Shared, true},
      {"shared, exclusive", File::Lock::Shared, File::Lock::Exclusive, false},
      {"exclusive, shared", File::Lock::Exclusive, File::Lock::Shared, false},
      {"exclusive, exclusive", File::Lock::Exclusive, File::Lock::Exclusive, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    File holder = File::openExisting(path, File::Access::Write);
    ASSERT_TRUE(holder.tryLock(c.held, 0ms));
    File other = File::openExisting(path, File::Access::Write);
    EXPECT_EQ(other.tryLock(c.wanted, 50ms), c.granted);
    // The lock is advisory: the holder's data stays readable and writable to the other open.
    std::vector<std::uint8_t> out(8);
    EXPECT_EQ(other.readAt(0, out), 8u);
    holder.close();
    EXPECT_TRUE(other.tryLock(c.wanted, 1000ms));
  }
  EXPECT_EQ(test::readBytes(path), bytes);
}

TEST_F(FileLayerTest, AReplacementIsAllOrNothingAndKeepsTheFolderClean) {
  test::writeBytes(path, bytes);
  const test::Bytes fresh{9, 9, 9};
  {
    Replacement abandoned(path, Replacement::Target::ExistingImage);
    abandoned.write(fresh);
  }
  EXPECT_EQ(test::readBytes(path), bytes);
  EXPECT_EQ(namesInFolder(), std::vector<std::string>{"fïle.bin"});

  // An image held open and locked, as import holds it, is replaced all the same; the open file
  // then no longer is the one its path names.
  File held = File::openExisting(path, File::Access::Read);
  ASSERT_TRUE(held.tryLock(File::Lock::Exclusive, 0ms));
  EXPECT_TRUE(held.stillNamedByPath());
  Replacement replacement(path, Replacement::Target::ExistingImage);
  replacement.write(fresh);
  EXPECT_EQ(replacement.readBack(), fresh);
  replacement.commit();
  EXPECT_FALSE(held.stillNamedByPath());
  held.close();
  EXPECT_EQ(test::readBytes(path), fresh);
  EXPECT_EQ(namesInFolder(), std::vector<std::string>{"fïle.bin"});

  // An output file that is not there yet is made.
  const std::string output = dir.file("nëw.ips");
  Replacement made(output, Replacement::Target::OutputFile);
  made.write(bytes);
  made.commit();
  EXPECT_EQ(test::readBytes(output), bytes);
}

// Another program that takes no locks (an emulator, an editor, a second export) may replace, move
// or make the file between our look at it and the commit: the new content then lands nowhere, and
// what that program put at the name stays, with nothing beside it.
TEST_F(FileLayerTest, AReplacementLandsAtTheNameAskedForOrNowhere) {
  const test::Bytes theirs{7, 7, 7, 7};
  const test::Bytes ours{9, 9, 9};
  const std::string other = dir.file("other.bin");
  const std::string moved = dir.file("moved.bin");
  struct Case {
    const char* what;
    bool existed;
    Replacement::Target kind;
    void (*meanwhile)(const std::string& path, const std::string& other, const std::string& moved);
    std::vector<std::string> left;  // the folder afterwards
    bool pathHoldsTheirs;
  };
  const auto renameOver = [](const std::string& p, const std::string& o, const std::string&) {
    fs::rename(test::fsPath(o), test::fsPath(p));
  };
  const auto moveAway = [](const std::string& p, const std::string&, const std::string& m) {
    fs::rename(test::fsPath(p), test::fsPath(m));
  };
  const auto makeIt = [](const std::string& p, const std::string& o, const std::string&) {
    fs::rename(test::fsPath(o), test::fsPath(p));
  };
  const std::vector<Case> cases = {
      {"an image renamed over", true, Replacement::Target::ExistingImage, renameOver, {"fïle.bin"}, true},
      {"an output renamed over", true, Replacement::Target::OutputFile, renameOver, {"fïle.bin"}, true},
      {"an image moved away", true, Replacement::Target::ExistingImage, moveAway, {"moved.bin", "other.bin"}, false},
      {"an output moved away", true, Replacement::Target::OutputFile, moveAway, {"moved.bin", "other.bin"}, false},
      {"a new output made meanwhile", false, Replacement::Target::OutputFile, makeIt, {"fïle.bin"}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (const auto& item : fs::directory_iterator(dir.path())) fs::remove(item.path());
    if (c.existed) test::writeBytes(path, bytes);
    test::writeBytes(other, theirs);
    Replacement replacement(path, c.kind);
    replacement.write(ours);
    c.meanwhile(path, other, moved);
    try {
      replacement.commit();
      ADD_FAILURE() << "the commit landed";
    } catch (const FileError& e) {
      EXPECT_EQ(e.code(), std::errc::operation_canceled);
      EXPECT_NE(e.reason().find(c.kind == Replacement::Target::ExistingImage
                                    ? "another program changed the image and nothing was written"
                                    : "nothing was written"),
                std::string::npos)
          << e.what();
    }
    EXPECT_EQ(namesInFolder(), c.left);
    EXPECT_EQ(test::readBytes(c.pathHoldsTheirs ? path : moved), c.pathHoldsTheirs ? theirs : bytes);
  }

#ifndef _WIN32
  // An image read under its lock and replaced before the replacement starts is refused at once
  // (Windows lets no one rename over a file held open).
  test::writeBytes(path, bytes);
  test::writeBytes(other, theirs);
  File read = File::openExisting(path, File::Access::Write);
  fs::rename(test::fsPath(other), test::fsPath(path));
  EXPECT_THROW(Replacement(path, Replacement::Target::ExistingImage, &read), FileError);
  read.close();
  EXPECT_EQ(test::readBytes(path), theirs);
  EXPECT_EQ(namesInFolder(), std::vector<std::string>{"fïle.bin"});
#endif
}

std::string processNumber() {
#ifdef _WIN32
  return std::to_string(GetCurrentProcessId());
#else
  return std::to_string(::getpid());
#endif
}

// A crash between a commit's steps can leave a new file under its temporary name. The next
// replacement in that folder removes such a name only where it is certainly ours and certainly
// dead; everything else that merely looks like one stays: the names of other scopes (another PID
// namespace or machine sharing the folder), of living processes, of other forms or of other kinds
// of file, and a new file that may hold the only copy of an image (".new").
TEST_F(FileLayerTest, AReplacementRemovesOnlyNamesCertainlyOursAndDead) {
  test::writeBytes(path, bytes);
  const std::string scope = temporaryScope();
  ASSERT_FALSE(scope.empty());
  constexpr std::uint64_t kGone = 4'000'000;  // above any process number in use
  const std::string gone = temporaryName(scope, kGone);
  std::string otherScope = scope;
  otherScope.back() = otherScope.back() == '0' ? '1' : '0';
  const std::string kept[] = {
      temporaryName(otherScope, kGone),
      temporaryName(scope, std::stoull(processNumber())),
      ".thornvale-4000000-0.tmp",  // an earlier release's form, whose scope no one can tell
      ".thornvale-2147483648-0.tmp",
      gone.substr(0, gone.size() - 4) + "-notmine.tmp",
      ".thornvale-" + scope + "-04000000-0123456789abcdef.tmp",
      ".thornvale-" + scope + "-4000000-0123456789ABCDEF.tmp",
      ".thornvale-" + scope + "-4000000-0123456789abcdef.new",
  };
  test::writeBytes(dir.file(gone), bytes);
  for (const std::string& name : kept) test::writeBytes(dir.file(name), bytes);
  // A folder under a dead name is no file of ours either.
  const std::string folderNamed = temporaryName(scope, kGone);
  fs::create_directory(test::fsPath(dir.file(folderNamed)));

  Replacement replacement(path, Replacement::Target::ExistingImage);
  replacement.write(bytes);
  replacement.commit();
  std::vector<std::string> expected(std::begin(kept), std::end(kept));
  expected.push_back(folderNamed);
  expected.push_back("fïle.bin");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(namesInFolder(), expected);
}

// A crashed process of an earlier release whose number this one now has left names of the form
// that release wrote; whatever they are, they stay, and the replacement works beside them.
TEST_F(FileLayerTest, NamesLeftByAnEarlierProcessOfTheSameNumberArePassedOver) {
  test::writeBytes(path, bytes);
  const std::string self = processNumber();
  std::vector<std::string> left;
  for (int n = 0; n < 40; ++n) {
    left.push_back(".thornvale-" + self + "-" + std::to_string(n) + (n % 4 == 3 ? ".new" : ".tmp"));
    test::writeBytes(dir.file(left.back()), {});
  }
  Replacement replacement(path, Replacement::Target::ExistingImage);
  replacement.write(test::Bytes{5});
  replacement.commit();
  EXPECT_EQ(test::readBytes(path), test::Bytes{5});
  std::vector<std::string> expected = left;
  expected.push_back("fïle.bin");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(namesInFolder(), expected);
}

TEST(TemporaryNameTest, ANameSaysItsScopeAndProcessAndNothingElseParses) {
  const std::string name = temporaryName("00ff", 1234);
  EXPECT_TRUE(name.starts_with(".thornvale-00ff-1234-")) << name;
  EXPECT_EQ(strayProcess(name, "00ff", 4'194'304), 1234u);
  EXPECT_NE(temporaryName("00ff", 1234), name);  // its nonce sets it apart
  for (const char* other :
       {"", ".thornvale-00ff-1234-0123456789abcdef.tm", ".thornvale-00ff-1234-0123456789abcde.tmp",
        ".thornvale-00ff-+1234-0123456789abcdef.tmp", ".thornvale-00ff-0-0123456789abcdef.tmp",
        ".thornvale-00ff-4194305-0123456789abcdef.tmp", ".thornvale-00ff--1-0123456789abcdef.tmp",
        ".thornvale-00f-1234-0123456789abcdef.tmp", ".thornvale-00ff-1234-0123456789abcdeg.tmp",
        ".thornvale-00ff-99999999999999999999999-0123456789abcdef.tmp"}) {
    EXPECT_FALSE(strayProcess(other, "00ff", 4'194'304)) << other;
  }
  EXPECT_FALSE(strayProcess(name, "", 4'194'304));  // a scope unknown removes nothing
}

TEST_F(FileLayerTest, AnImageWithSeveralHardLinksIsNotReplaced) {
#ifndef _WIN32
  if (const std::string lacking = test::lacks(dir.path(), test::FileSystemFeature::HardLinks); !lacking.empty())
    GTEST_SKIP() << lacking;
#endif
  test::writeBytes(path, bytes);
  fs::create_hard_link(test::fsPath(path), test::fsPath(dir.file("other.bin")));
  EXPECT_THROW(Replacement(path, Replacement::Target::ExistingImage), FileError);
  EXPECT_EQ(test::readBytes(path), bytes);
  EXPECT_EQ(namesInFolder(), (std::vector<std::string>{"fïle.bin", "other.bin"}));
}

#ifdef _WIN32
// What Windows keeps of a file beside its bytes: the DACL (as SDDL), the attributes that are not
// about the content, and the creation time.
struct Kept {
  std::wstring dacl;
  DWORD attributes = 0;
  LONGLONG created = 0;
  bool operator==(const Kept&) const = default;
};

std::wstring userSid() {
  HANDLE token = nullptr;
  OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
  std::vector<std::byte> buffer(256);
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, buffer.data(), static_cast<DWORD>(buffer.size()), &size);
  CloseHandle(token);
  wchar_t* text = nullptr;
  ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text);
  std::wstring sid = text != nullptr ? text : L"";
  LocalFree(text);
  return sid;
}

Kept keptOf(const std::string& path) {
  HANDLE file = CreateFileW(windows::widen(path)->c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES, 7, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(file, INVALID_HANDLE_VALUE);
  Kept kept;
  PSECURITY_DESCRIPTOR sd = nullptr;
  if (GetSecurityInfo(file, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr, nullptr,
                      &sd) == ERROR_SUCCESS) {
    wchar_t* text = nullptr;
    if (ConvertSecurityDescriptorToStringSecurityDescriptorW(sd, SDDL_REVISION_1, DACL_SECURITY_INFORMATION,
                                                             &text, nullptr)) {
      kept.dacl = text;
      LocalFree(text);
    }
    LocalFree(sd);
  }
  FILE_BASIC_INFO info{};
  GetFileInformationByHandleEx(file, FileBasicInfo, &info, sizeof info);
  kept.attributes = info.FileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
  kept.created = info.CreationTime.QuadPart;
  CloseHandle(file);
  return kept;
}

TEST_F(FileLayerTest, AReplacedImageKeepsItsPermissionsAttributesAndCreationTime) {
  constexpr LONGLONG kCreated = 126227808000000000LL;  // 2001-01-01
  test::writeBytes(path, bytes);
  {
    HANDLE file = CreateFileW(windows::widen(path)->c_str(), READ_CONTROL | WRITE_DAC | FILE_WRITE_ATTRIBUTES,
                              7, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    // A DACL of the user's own, not inherited from the folder: the user alone may open the file.
    PSECURITY_DESCRIPTOR sd = nullptr;
    const std::wstring sddl = L"D:P(A;;FA;;;" + userSid() + L")";
    ASSERT_TRUE(
        ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &sd, nullptr));
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted);
    EXPECT_EQ(
        SetSecurityInfo(file, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                        nullptr, nullptr, dacl, nullptr),
        static_cast<DWORD>(ERROR_SUCCESS));
    LocalFree(sd);
    FILE_BASIC_INFO info{};
    info.CreationTime.QuadPart = kCreated;
    info.FileAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE;
    ASSERT_TRUE(SetFileInformationByHandle(file, FileBasicInfo, &info, sizeof info));
    CloseHandle(file);
  }
  const Kept before = keptOf(path);
  ASSERT_EQ(before.attributes, static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));

  // Held open and locked, as import holds it.
  File held = File::openExisting(path, File::Access::Write);
  ASSERT_TRUE(held.tryLock(File::Lock::Exclusive, 0ms));
  Replacement replacement(path, Replacement::Target::ExistingImage);
  replacement.write(test::Bytes{7, 7});
  replacement.commit();
  held.close();
  EXPECT_EQ(test::readBytes(path), (test::Bytes{7, 7}));
  const Kept after = keptOf(path);
  EXPECT_EQ(after.dacl, before.dacl);
  EXPECT_EQ(after.attributes, before.attributes);
  // Wine keeps no creation time but the file system's own.
  if (before.created == kCreated) {
    EXPECT_EQ(after.created, before.created);
  }
  EXPECT_EQ(namesInFolder(), std::vector<std::string>{"fïle.bin"});
}

// Where the system cannot rename over a file held open, a replacement moves the old file aside and
// the new one in; an open meanwhile finds the new file rather than nothing.
TEST_F(FileLayerTest, AnImageMovedAsideForAMomentStillOpens) {
  test::writeBytes(path, bytes);
  const std::string aside = dir.file("aside.bin");
  fs::rename(test::fsPath(path), test::fsPath(aside));
  std::thread back([&] {
    std::this_thread::sleep_for(20ms);
    fs::rename(test::fsPath(aside), test::fsPath(path));
  });
  File file = File::openExisting(path, File::Access::Write);
  back.join();
  EXPECT_EQ(file.size(), 8);
}

// "Sharing violation." alone leaves a user guessing; the message says first what it means.
TEST_F(FileLayerTest, AFileAnotherProgramKeepsToItselfSaysSoFirst) {
  test::writeBytes(path, bytes);
  const std::wstring wide = *windows::widen(path);
  const HANDLE held = CreateFileW(wide.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  try {
    (void)File::openExisting(path, File::Access::Write);
    ADD_FAILURE() << "opened";
  } catch (const FileError& e) {
    EXPECT_TRUE(std::string(e.what()).starts_with("Another program has the file open")) << e.what();
    EXPECT_NE(std::string(e.what()).find(windows::systemMessage(ERROR_SHARING_VIOLATION)), std::string::npos)
        << e.what();
  }
  CloseHandle(held);
}
#endif

}  // namespace
}  // namespace thornvale
