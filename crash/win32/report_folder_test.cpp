// Runs under Wine (win64 preset): the crash folder on the real file system, under a
// scratch root of the test's own in the temp folder, never the real ProgramData.
//
// Links: Wine 8 makes no reparse points (FSCTL_SET_REPARSE_POINT answers
// ERROR_NOT_SUPPORTED, CreateSymbolicLinkW succeeds and makes nothing), so where no
// junction can be made a Unix symbolic link stands in for it, made by /bin/ln, which
// Wine starts like a Windows program. Wine lists a link to a folder as a reparse point.
// Wine also keeps no security descriptors (it shows one made from the Unix mode bits,
// owned by the Wine user), so an existing folder's descriptor is judged by a check the
// test passes, and the check itself is tested on descriptors built here.
#include "crash/win32/report_folder.h"

#include <aclapi.h>
#include <gtest/gtest.h>
#include <sddl.h>
#include <winioctl.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "crash/report.h"

namespace zeph::crash {
namespace {

using Names = std::vector<std::wstring>;

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void Write(const std::wstring& path, const char* text = "report") {
  const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << "cannot write " << Narrow(path);
  DWORD written = 0;
  ::WriteFile(file, text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
  ::CloseHandle(file);
}

// The entries of `folder`, sorted; a link is listed, not entered.
Names List(const std::wstring& folder) {
  Names names;
  WIN32_FIND_DATAW found;
  const HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::wstring name = found.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

void RemoveTree(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    for (const std::wstring& name : List(path)) RemoveTree(path + L"\\" + name);
  }
  // A junction goes with RemoveDirectoryW, Wine's Unix link to a folder with DeleteFileW.
  if (!::RemoveDirectoryW(path.c_str())) ::DeleteFileW(path.c_str());
}

bool UnderWine() { return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

// Until `done` holds, at most 20 s.
bool WaitFor(const std::function<bool()>& done) {
  for (int i = 0; i < 2000; ++i) {
    if (done()) return true;
    ::Sleep(10);
  }
  return done();
}

// Starts the Unix program /bin/`program` with `arguments` (Windows paths, made Unix
// paths) and waits until `done` holds: Wine's handle of a Unix process does not wait
// for its end. False when there are no Unix programs (Windows) or `done` never holds.
bool RunUnix(const wchar_t* program, const std::vector<std::wstring>& arguments, const std::function<bool()>& done) {
  using UnixNameFn = char*(CDECL*)(const wchar_t*);
  const auto unixName = reinterpret_cast<UnixNameFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!UnderWine() || !unixName) return false;
  std::wstring line = program;
  for (const std::wstring& argument : arguments) {
    char* name = argument[0] == L'-' ? nullptr : unixName(argument.c_str());
    const std::string text = name ? name : std::string(argument.begin(), argument.end());
    if (name) ::HeapFree(::GetProcessHeap(), 0, name);
    line += L" \"" + std::wstring(text.begin(), text.end()) + L"\"";
  }
  const std::wstring exe = std::wstring(L"Z:\\bin\\") + program;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    return false;
  }
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return WaitFor(done);
}

// Removes the tree at `path` without following a link in it (Wine: Unix rm).
void Remove(const std::wstring& path) {
  if (!Exists(path)) return;  // a Unix rm started now could run after the path is made again
  if (!RunUnix(L"rm", {L"-rf", path}, [&] { return !Exists(path); })) RemoveTree(path);
}

// A junction at `link` to the folder `target`, as a user plants one.
bool MakeJunction(const std::wstring& link, const std::wstring& target) {
  if (!::CreateDirectoryW(link.c_str(), nullptr)) return false;
  const HANDLE folder = ::CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  bool made = false;
  if (folder != INVALID_HANDLE_VALUE) {
    const std::wstring substitute = L"\\??\\" + target;
    const auto substituteBytes = static_cast<USHORT>(substitute.size() * sizeof(wchar_t));
    const auto printBytes = static_cast<USHORT>(target.size() * sizeof(wchar_t));
    // REPARSE_DATA_BUFFER's mount-point form: tag, sizes, then both names.
    std::vector<unsigned char> data(16 + substituteBytes + printBytes + 4);
    const USHORT header[4] = {0, substituteBytes, static_cast<USHORT>(substituteBytes + 2), printBytes};
    const ULONG tag = IO_REPARSE_TAG_MOUNT_POINT;
    const auto length = static_cast<USHORT>(data.size() - 8);
    std::memcpy(data.data(), &tag, 4);
    std::memcpy(data.data() + 4, &length, 2);
    std::memcpy(data.data() + 8, header, sizeof header);
    std::memcpy(data.data() + 16, substitute.c_str(), substituteBytes);
    std::memcpy(data.data() + 16 + substituteBytes + 2, target.c_str(), printBytes);
    DWORD returned = 0;
    made = ::DeviceIoControl(folder, FSCTL_SET_REPARSE_POINT, data.data(), static_cast<DWORD>(data.size()), nullptr,
                             0, &returned, nullptr);
    ::CloseHandle(folder);
  }
  if (!made) ::RemoveDirectoryW(link.c_str());
  return made;
}

// A link at `link` to the folder `target`: a junction where the file system makes
// one, else a Unix link under Wine. It must show as a reparse point.
bool PlantFolderLink(const std::wstring& link, const std::wstring& target) {
  const auto planted = [&] {
    const DWORD attributes = ::GetFileAttributesW(link.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
  };
  return (MakeJunction(link, target) || RunUnix(L"ln", {L"-s", target, link}, planted)) && planted();
}

std::wstring Stem(unsigned year, unsigned day, std::uint32_t processId) {
  wchar_t stem[kStemCapacity];
  FormatReportStem(LocalTime{year, 12, day, 10, 0, 0}, processId, stem, kStemCapacity);
  return stem;
}

// `count` report pairs of `year`, oldest first; returns their stems.
Names PlantReports(const std::wstring& folder, unsigned year, unsigned count) {
  Names stems;
  for (unsigned i = 0; i < count; ++i) {
    stems.push_back(Stem(year, 1 + i, 7 + 1000 * (i % 3)));  // process ids of 1 to 4 digits
    Write(folder + L"\\" + stems.back() + L".txt");
    Write(folder + L"\\" + stems.back() + L".dmp");
  }
  return stems;
}

bool Accept(HANDLE) { return true; }  // an existing folder's descriptor: see the top
bool Refuse(HANDLE) { return false; }

class ReportFolderTest : public ::testing::Test {
 public:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    ASSERT_GT(::GetTempPathW(MAX_PATH, temp), 0u);
    const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    root_ = std::wstring(temp) + L"tidewell-folder-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
            std::wstring(test.begin(), test.end());
    Remove(root_);
    ASSERT_TRUE(::CreateDirectoryW(root_.c_str(), nullptr));
    Use(root_);
  }
  void TearDown() override { Remove(root_); }

  // Roots the folder at `base`, with a folder "outside" beside it that holds what
  // a link would lead to: reports of an older year (so a prune there would delete
  // them) and a file that is not a report.
  void Use(const std::wstring& base) {
    base_ = base;
    tidewell_ = base + L"\\Tidewell";
    crashes_ = tidewell_ + L"\\Crashes";
    outside_ = base + L"\\outside";
    ASSERT_TRUE(::CreateDirectoryW(outside_.c_str(), nullptr));
    PlantReports(outside_, 2001, kReportsKept + 2);
    Write(outside_ + L"\\victim.txt", "not yours");
    outsideBefore_ = List(outside_);
  }

  std::wstring root_, base_, tidewell_, crashes_, outside_;
  Names outsideBefore_;
};

std::wstring Sddl(PSECURITY_DESCRIPTOR descriptor) {
  wchar_t* text = nullptr;
  if (!::ConvertSecurityDescriptorToStringSecurityDescriptorW(
          descriptor, SDDL_REVISION_1, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &text, nullptr)) {
    return L"(none)";
  }
  const std::wstring sddl = text;
  ::LocalFree(text);
  return sddl;
}

constexpr wchar_t kFolderSddl[] = L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

TEST(FolderSecurityTest, BuildsAProtectedDescriptorThatLetsOnlyAdministratorsChangeTheFolder) {
  FolderSecurity security;
  ASSERT_TRUE(security.Build());
  EXPECT_EQ(Sddl(security.Descriptor()), kFolderSddl);
  EXPECT_TRUE(OnlyAdministratorsCanChange(security.Descriptor()));
}

TEST(FolderSecurityTest, JudgesAnExistingFoldersDescriptor) {
  const struct {
    const wchar_t* sddl;
    bool only;
  } cases[] = {
      {kFolderSddl, true},
      {L"O:SYD:P(D;OICI;FA;;;BU)(A;OICI;FA;;;BA)", true},                    // a deny is no way in
      {L"O:BUD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", false},                   // a user's folder
      {L"O:S-1-5-21-1-2-3-1001D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", false},  // one user's
      {L"O:BAD:(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", false},                    // inherits what ProgramData grants
      {L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;CI;0x116;;;BU)", false},  // users create files and folders
      {L"O:BAD:P(A;OICI;FA;;;SY)(A;OICIIO;GA;;;CO)", false},                 // creators own what they add
      {L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;WD)", false},                   // everyone
      {L"O:BA", false},                                                      // no DACL: everyone
  };
  for (const auto& c : cases) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(c.sddl, SDDL_REVISION_1, &descriptor, nullptr))
        << Narrow(c.sddl);
    EXPECT_EQ(OnlyAdministratorsCanChange(descriptor), c.only) << Narrow(c.sddl);
    ::LocalFree(descriptor);
  }
}

// A new folder is made with the descriptor (Wine keeps of it what Unix mode bits can
// say: nothing for everyone), not judged, and takes new files by plain names only.
TEST_F(ReportFolderTest, CreatesTheFolderWithItsDescriptorAndNewFilesByPlainNameOnly) {
  ReportFolder folder(base_.c_str(), Refuse);
  ASSERT_TRUE(folder.Open());
  EXPECT_EQ(folder.Path(), crashes_);
  for (const std::wstring& path : {tidewell_, crashes_}) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(::GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                      nullptr, nullptr, nullptr, nullptr, &descriptor),
              DWORD{ERROR_SUCCESS});
    EXPECT_EQ(Sddl(descriptor).find(L";;;WD)"), std::wstring::npos) << Narrow(Sddl(descriptor));
    ::LocalFree(descriptor);
  }
  const std::wstring name = Stem(2026, 9, 42) + L".txt";
  const HANDLE file = folder.CreateReportFile(name.c_str());
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  EXPECT_TRUE(::WriteFile(file, "x", 1, &written, nullptr));
  ::CloseHandle(file);
  EXPECT_TRUE(Exists(crashes_ + L"\\" + name));
  for (const wchar_t* refused : {name.c_str(), L"", L".", L"..", L"..\\outside\\x.txt", L"a/b.txt", L"a\\b.txt",
                                 L"x.txt:stream", L"C:x.txt", L"*.txt"}) {
    EXPECT_EQ(folder.CreateReportFile(refused), INVALID_HANDLE_VALUE) << Narrow(refused);
  }
  EXPECT_EQ(List(base_), (Names{L"Tidewell", L"outside"}));
  EXPECT_EQ(List(crashes_), Names{name});
}

// The folder an earlier run made is used again. Where the file system keeps no
// descriptors (Wine) it cannot be judged by its own, and the other checks decide.
TEST_F(ReportFolderTest, AFolderAnEarlierRunMadeIsUsedAgain) {
  for (int run = 0; run < 2; ++run) {
    ReportFolder folder(base_.c_str(), nullptr);
    EXPECT_TRUE(folder.Open()) << "run " << run;
  }
  EXPECT_EQ(List(base_), (Names{L"Tidewell", L"outside"}));  // no probe left behind
}

// A folder planted before the program starts: Open refuses it, and nothing is
// written or deleted where it leads.
TEST_F(ReportFolderTest, RefusesAPlantedFolderAndTouchesNothingWhereItLeads) {
  const struct {
    const char* what;
    FolderSecurityCheck check;
    std::function<bool(const ReportFolderTest&)> plant;
  } cases[] = {
      {"Tidewell is a link", Accept, [](const ReportFolderTest& t) { return PlantFolderLink(t.tidewell_, t.outside_); }},
      {"Crashes is a link", Accept,
       [](const ReportFolderTest& t) {
         return ::CreateDirectoryW(t.tidewell_.c_str(), nullptr) && PlantFolderLink(t.crashes_, t.outside_);
       }},
      {"Crashes is a file", Accept,
       [](const ReportFolderTest& t) {
         if (!::CreateDirectoryW(t.tidewell_.c_str(), nullptr)) return false;
         Write(t.crashes_);
         return Exists(t.crashes_);
       }},
      {"the folders let others change them", Refuse,
       [](const ReportFolderTest& t) {
         return ::CreateDirectoryW(t.tidewell_.c_str(), nullptr) && ::CreateDirectoryW(t.crashes_.c_str(), nullptr);
       }},
  };
  int index = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::wstring base = root_ + L"\\case" + std::to_wstring(index++);
    ASSERT_TRUE(::CreateDirectoryW(base.c_str(), nullptr));
    Use(base);
    ASSERT_TRUE(c.plant(*this)) << "could not plant it";
    ReportFolder folder(base_.c_str(), c.check);
    EXPECT_FALSE(folder.Open());
    EXPECT_STREQ(folder.Path(), L"");
    EXPECT_EQ(folder.CreateReportFile((Stem(2026, 9, 1) + L".txt").c_str()), INVALID_HANDLE_VALUE);
    folder.Prune(kReportsKept);
    EXPECT_EQ(List(outside_), outsideBefore_);
  }
}

// Only plain report files count and go: a folder or a link named like the newest
// report pushes no real report out, and its target stays whole.
TEST_F(ReportFolderTest, PruneKeepsTheNewestReportPairsAndLeavesEverythingElse) {
  ReportFolder folder(base_.c_str(), Accept);
  ASSERT_TRUE(folder.Open());
  const Names stems = PlantReports(crashes_, 2026, kReportsKept + 2);
  const std::wstring newest = Stem(2026, 31, 1);
  ASSERT_TRUE(::CreateDirectoryW((crashes_ + L"\\" + newest + L".txt").c_str(), nullptr));
  ASSERT_TRUE(PlantFolderLink(crashes_ + L"\\" + newest + L".dmp", outside_));
  const Names others = {L"notes.txt", L"tidewell-notes.txt", Stem(2026, 30, 5) + L".log"};
  for (const std::wstring& name : others) Write(crashes_ + L"\\" + name);

  folder.Prune(kReportsKept);

  Names expected = others;
  expected.push_back(newest + L".dmp");
  expected.push_back(newest + L".txt");
  for (std::size_t i = 2; i < stems.size(); ++i) {
    expected.push_back(stems[i] + L".dmp");
    expected.push_back(stems[i] + L".txt");
  }
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(List(crashes_), expected);
  EXPECT_EQ(List(outside_), outsideBefore_);
}

// The folder replaced after Open, as a user would between a check and its use: held
// open without delete sharing, Windows refuses to rename it; swapped behind Windows'
// back (Wine: a Unix rename), the writes and the prune still go to the held folder.
TEST_F(ReportFolderTest, AFolderSwappedAfterOpenSteersNoWriteAndNoDelete) {
  ReportFolder folder(base_.c_str(), Accept);
  ASSERT_TRUE(folder.Open());
  PlantReports(crashes_, 2026, kReportsKept + 2);
  const std::wstring away = tidewell_ + L"\\away";
  EXPECT_FALSE(::MoveFileExW(crashes_.c_str(), away.c_str(), 0));
  EXPECT_FALSE(::RemoveDirectoryW(crashes_.c_str()));
  if (!RunUnix(L"mv", {crashes_, away}, [&] { return !Exists(crashes_) && Exists(away); })) GTEST_SKIP() << "no way to swap a held folder here (only Wine has one)";
  ASSERT_TRUE(PlantFolderLink(crashes_, outside_));

  const std::wstring name = Stem(2026, 28, 9) + L".txt";
  const HANDLE file = folder.CreateReportFile(name.c_str());
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  ::CloseHandle(file);
  folder.Prune(kReportsKept);

  EXPECT_TRUE(Exists(away + L"\\" + name));
  EXPECT_EQ(List(outside_), outsideBefore_);
}

}  // namespace
}  // namespace zeph::crash
