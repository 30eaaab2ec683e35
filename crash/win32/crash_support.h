#pragma once
// What the in-process reporter and the crash watcher share: the facts every report
// carries, the report folder's files, and the command line a restart runs. All of it
// is looked up once at start (PrepareCrashSupport), so that at a crash it loads and
// allocates nothing: it may run inside a process whose locks a crashed thread holds.
#include <windows.h>

#include <cstddef>

#include "crash/report.h"

namespace zeph::crash {

// Once at start, on the thread that installs the reporter.
void PrepareCrashSupport();

// The report folder, "%ProgramData%\Tidewell\Crashes" (see report_folder.h); empty
// when there is none.
const wchar_t* ReportFolderPath();

// The facts of the program and the system, the time now, and who crashed.
void FillProgramFacts(ReportFacts& facts, CrashKind kind, DWORD processId, DWORD threadId, bool uiThread);

// The exception's code, where it was raised (a code address of `process`) and an
// access violation's operation and target.
void FillExceptionFacts(ReportFacts& facts, HANDLE process, const EXCEPTION_RECORD& record);

// The report file "<stem><extension>" of `facts`, created for writing in the report
// folder, never over an existing file; INVALID_HANDLE_VALUE when it cannot be.
HANDLE CreateReportFile(const ReportFacts& facts, const wchar_t* extension);

// The report `text` as "<stem>.txt" in UTF-8 with a byte-order mark, through `utf8`
// (at least 3 * length + 3 bytes). Once written, facts.reportFile names the file.
bool WriteReportText(ReportFacts& facts, const wchar_t* text, std::size_t length, char* utf8,
                     std::size_t capacity);

// Keeps the newest kReportsKept reports; each pair goes together, other files stay.
void PruneReports();

// "\"<this exe>\" <firstArgument>" into `out`; false when the exe's path is unknown.
bool BuildRestartCommandLine(const wchar_t* firstArgument, wchar_t* out, std::size_t capacity);

// Copies at most capacity - 1 characters and terminates.
void CopyText(const wchar_t* from, wchar_t* to, std::size_t capacity);

}  // namespace zeph::crash
