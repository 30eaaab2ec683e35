#include "crash/report.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace zeph::crash {
namespace {

CodeLocation In(const wchar_t* module, std::uint64_t offset, std::uint64_t address) {
  CodeLocation where;
  std::wcsncpy(where.module, module, kModuleNameCapacity - 1);
  where.offset = offset;
  where.address = address;
  return where;
}

ReportFacts Base() {
  ReportFacts facts;
  facts.programVersion = L"1.0.0.0";
  facts.architecture = L"x64";
  facts.windowsMajor = 10;
  facts.windowsBuild = 19045;
  facts.time = {2026, 12, 9, 3, 15, 2};
  facts.processId = 1234;
  facts.threadId = 77;
  return facts;
}

std::wstring Format(const ReportFacts& facts) {
  wchar_t out[4096];
  const std::size_t length = FormatReport(facts, out, std::size(out));
  EXPECT_EQ(length, std::wcslen(out));
  return out;
}

TEST(CrashReportTest, TheReportSaysWhatHappenedWhereAndOnWhichThread) {
  const CodeLocation frames[] = {In(L"tidewell.exe", 0x1234, 0x140001234), In(L"", 0, 0x10)};
  struct Case {
    const char* name;
    CrashKind kind;
    std::uint32_t code;
    AccessFacts access;
    const wchar_t* message;
    bool uiThread;
    std::vector<std::wstring> lines;  // each must appear as a whole line
  };
  const Case cases[] = {
      {"read", CrashKind::Exception, 0xC0000005u, {true, 0, 0x10}, nullptr, true,
       {L"What: exception 0xC0000005 ACCESS_VIOLATION at tidewell.exe+0x00001234", L"Access: read of 0x00000010",
        L"Thread: 77 (UI thread)"}},
      {"write", CrashKind::Exception, 0xC0000005u, {true, 1, 0x7FF612345678}, nullptr, false,
       {L"Access: write of 0x00007FF612345678", L"Thread: 77 (worker thread)"}},
      {"execute", CrashKind::Exception, 0xC0000005u, {true, 8, 0x10}, nullptr, false, {L"Access: execute of 0x00000010"}},
      {"unknown code", CrashKind::Exception, 0xE0001234u, {}, nullptr, false,
       {L"What: exception 0xE0001234 at tidewell.exe+0x00001234"}},
      {"C++ error", CrashKind::CxxError, 0, {}, L"Invalid data type for 'limit_minute'", true,
       {L"What: unhandled C++ error", L"Error: Invalid data type for 'limit_minute'"}},
      {"terminate", CrashKind::Terminate, 0, {}, L"St13runtime_error", false,
       {L"What: std::terminate", L"Exception type: St13runtime_error"}},
      {"pure virtual", CrashKind::PureVirtualCall, 0, {}, nullptr, true, {L"What: pure virtual function call"}},
  };
  for (const Case& c : cases) {
    ReportFacts facts = Base();
    facts.kind = c.kind;
    facts.code = c.code;
    facts.fault = frames[0];
    facts.access = c.access;
    facts.message = c.message;
    facts.uiThread = c.uiThread;
    facts.frames = frames;
    facts.frameCount = 2;
    const std::wstring report = L"\r\n" + Format(facts);
    for (const std::wstring& line : c.lines) {
      EXPECT_NE(report.find(L"\r\n" + line + L"\r\n"), std::wstring::npos) << c.name << ": " << line;
    }
    for (const wchar_t* line : {L"Program: Tidewell 1.0.0.0 (x64)", L"Windows: 10.0.19045", L"Time: 2026-12-09 03:15:02",
                                L"Process: 1234", L"  #00  tidewell.exe+0x00001234", L"  #01  0x00000010"}) {
      EXPECT_NE(report.find(L"\r\n" + std::wstring(line) + L"\r\n"), std::wstring::npos) << c.name << ": " << line;
    }
    EXPECT_EQ(report.find(L"Access:") != std::wstring::npos, c.access.known) << c.name;
  }
}

TEST(CrashReportTest, AReportTooLargeForItsBufferIsCutShortAndStaysTerminated) {
  ReportFacts facts = Base();
  const std::wstring whole = Format(facts);
  for (std::size_t capacity : {std::size_t{1}, std::size_t{2}, std::size_t{40}, whole.size()}) {
    std::vector<wchar_t> out(capacity + 8, L'#');
    const std::size_t length = FormatReport(facts, out.data(), capacity);
    EXPECT_EQ(length, capacity - 1) << capacity;
    EXPECT_EQ(out[length], L'\0') << capacity;
    EXPECT_EQ(std::wstring(out.data()), whole.substr(0, capacity - 1)) << capacity;
    EXPECT_EQ(out[capacity], L'#') << "wrote beyond the buffer of " << capacity;
  }
  EXPECT_EQ(FormatReport(facts, nullptr, 0), 0u);
}

TEST(CrashReportTest, ExceptionNamesOfKnownCodes) {
  EXPECT_STREQ(ExceptionName(0xC00000FDu), L"STACK_OVERFLOW");
  EXPECT_STREQ(ExceptionName(0xC0000094u), L"INT_DIVIDE_BY_ZERO");
  EXPECT_EQ(ExceptionName(0x20474343u), nullptr);
}

// Which files of the listing the folder's bookkeeping deletes.
std::set<std::wstring> Deleted(const std::vector<std::wstring>& listing) {
  ReportStems stems;
  for (const std::wstring& name : listing) stems.Add(name.c_str());
  const std::size_t old = stems.SortAndCountOld(kReportsKept);
  std::set<std::wstring> deleted;
  for (const std::wstring& name : listing) {
    for (std::size_t i = 0; i < old; ++i) {
      const std::wstring stem = stems[i];
      if (name == stem + L".txt" || name == stem + L".dmp") deleted.insert(name);
    }
  }
  return deleted;
}

std::wstring Stem(int day, int pid) {
  wchar_t out[kStemCapacity];
  FormatReportStem({2026, 11, static_cast<unsigned>(day), 23, 5, 9}, static_cast<std::uint32_t>(pid), out, kStemCapacity);
  return out;
}

TEST(CrashReportTest, TheFolderKeepsTheNewestTenReportsAsPairsAndLeavesOtherFilesAlone) {
  EXPECT_EQ(Stem(9, 1234), L"tidewell-20261109-230509-1234");
  std::vector<std::wstring> listing = {L"notes.txt", L"tidewell-settings.txt", L"tidewell-20261101-230509-1.log",
                                       L"tidewell-2026-11-01.txt"};
  // Eleven reports: day 1 (two processes in the same second), days 3 to 11, the
  // newest a text report alone (an error the program went on from).
  listing.push_back(Stem(1, 999) + L".txt");
  listing.push_back(Stem(1, 999) + L".dmp");
  listing.push_back(Stem(1, 1000) + L".dmp");
  for (int day = 3; day <= 10; ++day) {
    listing.push_back(Stem(day, 7) + L".dmp");
    listing.push_back(Stem(day, 7) + L".TXT");
  }
  listing.push_back(Stem(11, 7) + L".txt");
  EXPECT_EQ(Deleted(listing), (std::set<std::wstring>{Stem(1, 999) + L".txt", Stem(1, 999) + L".dmp"}));

  listing.push_back(Stem(12, 7) + L".txt");
  EXPECT_EQ(Deleted(listing),
            (std::set<std::wstring>{Stem(1, 999) + L".txt", Stem(1, 999) + L".dmp", Stem(1, 1000) + L".dmp"}));
  EXPECT_TRUE(Deleted({L"notes.txt", Stem(3, 1) + L".txt"}).empty());
}

}  // namespace
}  // namespace zeph::crash
