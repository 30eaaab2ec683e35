#pragma once
// The crash report's text and the crash folder's bookkeeping, as pure functions.
// They run inside a process that has just faulted, where the heap may be broken:
// nothing here allocates; text goes into buffers the caller owns and is cut short,
// never overrun, when a buffer is too small.
#include <cstddef>
#include <cstdint>

namespace zeph::crash {

enum class CrashKind {
  Exception,         // a structured exception (access violation, ...) no code handled
  CxxError,          // a C++ error that reached the application's error handler
  Terminate,         // std::terminate
  PureVirtualCall,   // a call through a vtable slot of an abstract class
  InvalidParameter,  // the C runtime was handed an invalid parameter
};

inline constexpr std::size_t kModuleNameCapacity = 48;
inline constexpr std::size_t kMaxFrames = 32;

// A code address: the module that holds it (empty: none does) and its offset there.
struct CodeLocation {
  std::uint64_t address = 0;
  wchar_t module[kModuleNameCapacity] = {};
  std::uint64_t offset = 0;
};

struct LocalTime {
  unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// An access violation's own two facts: what the code tried (EXCEPTION_RECORD's
// first parameter: 0 read, 1 write, 8 execute) and where.
struct AccessFacts {
  bool known = false;
  std::uint64_t operation = 0;
  std::uint64_t target = 0;
};

struct ReportFacts {
  CrashKind kind = CrashKind::Exception;
  const wchar_t* programVersion = L"";  // "1.0.0.0"; empty: unknown
  const wchar_t* architecture = L"";    // "x64", "x86"
  unsigned windowsMajor = 0, windowsMinor = 0, windowsBuild = 0;
  LocalTime time;
  std::uint32_t processId = 0;
  std::uint32_t threadId = 0;
  bool uiThread = false;
  std::uint32_t code = 0;   // Exception: the exception code
  CodeLocation fault;       // Exception: where it was raised
  AccessFacts access;       // Exception: an access violation's operation and target
  const wchar_t* message = nullptr;  // CxxError: its text; Terminate: the exception type, if any
  const CodeLocation* frames = nullptr;
  std::size_t frameCount = 0;
  const wchar_t* reportFile = nullptr;  // the saved text report's path; null or empty: none was saved
};

// "ACCESS_VIOLATION" for 0xC0000005 and the other codes Windows defines for
// faults; null for a code it does not know.
const wchar_t* ExceptionName(std::uint32_t code);

// The report as CRLF text into `out`, always terminated; returns its length. Text
// that does not fit is cut off at the end.
std::size_t FormatReport(const ReportFacts& facts, wchar_t* out, std::size_t capacity);

// The report's "What" in one line: "exception 0xC0000005 ACCESS_VIOLATION",
// "std::terminate", ...; returns its length.
std::size_t FormatSummary(const ReportFacts& facts, wchar_t* out, std::size_t capacity);

// One sentence for the user about a crash, in plain words (Korean: the key of its
// translation among the program's texts).
const wchar_t* PlainWords(const ReportFacts& facts);

// ---------------------------------------------------------------------------
// The crash folder: each report is a pair "tidewell-YYYYMMDD-HHMMSS-PID.txt" and
// ".dmp" of the same stem; only the newest kReportsKept pairs stay.

inline constexpr std::size_t kReportsKept = 10;
inline constexpr std::size_t kStemCapacity = 40;  // "tidewell-20261209-031502-4294967295" and more

// "tidewell-20261209-031502-1234": the stem of the report written at `time` by the
// process `processId`; returns its length.
std::size_t FormatReportStem(const LocalTime& time, std::uint32_t processId, wchar_t* out, std::size_t capacity);

// The report stems found in the folder, without doubles, so that deciding which
// pairs go needs no allocation. Names that are not reports' are ignored.
class ReportStems {
 public:
  static constexpr std::size_t kCapacity = 64;  // more than kReportsKept ever leaves behind
  // Adds the stem of `fileName` when it names a report.
  void Add(const wchar_t* fileName);
  // Sorts oldest first and answers how many of the first stems are beyond the newest `kept`.
  std::size_t SortAndCountOld(std::size_t kept);
  std::size_t Size() const { return size_; }
  const wchar_t* operator[](std::size_t index) const { return stems_[index]; }

 private:
  wchar_t stems_[kCapacity][kStemCapacity] = {};
  std::size_t size_ = 0;
};

}  // namespace zeph::crash
