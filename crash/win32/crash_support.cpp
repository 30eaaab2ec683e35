#include "crash/win32/crash_support.h"

#include <cstring>
#include <cwchar>

#include "common/utf.h"
#include "common/win32/system_library.h"
#include "crash/win32/report_folder.h"
#include "crash/win32/stack_walk.h"

namespace zeph::crash {
namespace {

// Opened at start; on the heap, as a static it would be written into the exe.
ReportFolder* g_reports = nullptr;
wchar_t g_exe[MAX_PATH];
wchar_t g_version[32];
OSVERSIONINFOW g_windows;

wchar_t g_reportFile[MAX_PATH];  // the text report written last

void AppendText(const wchar_t* from, wchar_t* to, std::size_t capacity) {
  const std::size_t length = std::wcslen(to);
  CopyText(from, to + length, capacity - length);
}

// "<stem><extension>" of the report of `facts`.
void ReportName(const ReportFacts& facts, const wchar_t* extension, wchar_t* name, std::size_t capacity) {
  FormatReportStem(facts.time, facts.processId, name, kStemCapacity);
  AppendText(extension, name, capacity);
}

// The exe's own version block, read from its resource without version.dll.
void ReadProgramVersion() {
  const HRSRC found = ::FindResourceW(nullptr, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(16));
  const HGLOBAL loaded = found ? ::LoadResource(nullptr, found) : nullptr;
  const auto* bytes = static_cast<const unsigned char*>(loaded ? ::LockResource(loaded) : nullptr);
  const DWORD size = found ? ::SizeofResource(nullptr, found) : 0;
  for (DWORD at = 0; bytes && at + sizeof(VS_FIXEDFILEINFO) <= size; at += 4) {
    VS_FIXEDFILEINFO info;
    std::memcpy(&info, bytes + at, sizeof info);
    if (info.dwSignature != 0xFEEF04BDu) continue;
    const std::wstring version = DecimalText(HIWORD(info.dwFileVersionMS)) + L"." +
                                 DecimalText(LOWORD(info.dwFileVersionMS)) + L"." +
                                 DecimalText(HIWORD(info.dwFileVersionLS)) + L"." + DecimalText(LOWORD(info.dwFileVersionLS));
    CopyText(version.c_str(), g_version, std::size(g_version));
    return;
  }
}

}  // namespace

void CopyText(const wchar_t* from, wchar_t* to, std::size_t capacity) {
  if (capacity == 0) return;
  std::size_t i = 0;
  for (; from && from[i] && i + 1 < capacity; ++i) to[i] = from[i];
  to[i] = L'\0';
}

void PrepareCrashSupport() {
  if (!g_reports) {
    g_reports = new ReportFolder;
    g_reports->Open();  // no folder: reports are shown, not kept
  }
  if (!g_version[0]) ReadProgramVersion();
  if (!g_exe[0]) {
    const DWORD length = ::GetModuleFileNameW(nullptr, g_exe, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) g_exe[0] = L'\0';
  }
  if (g_windows.dwOSVersionInfoSize == 0) RealWindowsVersion(g_windows);
  PrepareLocate();
}

const wchar_t* ReportFolderPath() { return g_reports ? g_reports->Path() : L""; }

void FillProgramFacts(ReportFacts& facts, CrashKind kind, DWORD processId, DWORD threadId, bool uiThread) {
  facts = ReportFacts{};
  facts.kind = kind;
  facts.programVersion = g_version;
#if defined(_WIN64)
  facts.architecture = L"x64";
#else
  facts.architecture = L"x86";
#endif
  facts.windowsMajor = g_windows.dwMajorVersion;
  facts.windowsMinor = g_windows.dwMinorVersion;
  facts.windowsBuild = g_windows.dwBuildNumber;
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  facts.time = {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
  facts.processId = processId;
  facts.threadId = threadId;
  facts.uiThread = uiThread;
}

void FillExceptionFacts(ReportFacts& facts, HANDLE process, const EXCEPTION_RECORD& record) {
  facts.code = record.ExceptionCode;
  Locate(process, reinterpret_cast<std::uintptr_t>(record.ExceptionAddress), facts.fault);
  if ((record.ExceptionCode == EXCEPTION_ACCESS_VIOLATION || record.ExceptionCode == EXCEPTION_IN_PAGE_ERROR) &&
      record.NumberParameters >= 2) {
    facts.access = {true, record.ExceptionInformation[0], record.ExceptionInformation[1]};
  }
}

HANDLE CreateReportFile(const ReportFacts& facts, const wchar_t* extension) {
  wchar_t name[kStemCapacity + 8];
  ReportName(facts, extension, name, std::size(name));
  return g_reports ? g_reports->CreateReportFile(name) : INVALID_HANDLE_VALUE;
}

bool WriteReportText(ReportFacts& facts, const wchar_t* text, std::size_t length, char* utf8,
                     std::size_t capacity) {
  // With a byte-order mark, so Notepad reads it on any Windows.
  utf8[0] = '\xEF';
  utf8[1] = '\xBB';
  utf8[2] = '\xBF';
  const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), utf8 + 3,
                                          static_cast<int>(capacity - 3), nullptr, nullptr);
  if (bytes <= 0 && length > 0) return false;
  const HANDLE file = CreateReportFile(facts, L".txt");
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = ::WriteFile(file, utf8, static_cast<DWORD>(bytes + 3), &written, nullptr) && written == DWORD(bytes + 3);
  // Closed by hand: this runs in the crashed process, which calls nothing it need not.
  ::CloseHandle(file);
  if (ok) {
    // Where it went, for the dialog's Print: "<folder>\<name>".
    CopyText(ReportFolderPath(), g_reportFile, std::size(g_reportFile));
    AppendText(L"\\", g_reportFile, std::size(g_reportFile));
    wchar_t name[kStemCapacity + 8];
    ReportName(facts, L".txt", name, std::size(name));
    AppendText(name, g_reportFile, std::size(g_reportFile));
    facts.reportFile = g_reportFile;
  }
  return ok;
}

void PruneReports() {
  if (g_reports) g_reports->Prune(kReportsKept);
}

bool BuildRestartCommandLine(const wchar_t* firstArgument, wchar_t* out, std::size_t capacity) {
  if (!g_exe[0] || capacity < MAX_PATH + 4) return false;
  CopyText(L"\"", out, capacity);
  AppendText(g_exe, out, capacity);
  AppendText(L"\"", out, capacity);
  if (!firstArgument || !*firstArgument || std::wcslen(firstArgument) >= MAX_PATH) return true;
  const bool quote = std::wcspbrk(firstArgument, L" \t") != nullptr;
  AppendText(quote ? L" \"" : L" ", out, capacity);
  AppendText(firstArgument, out, capacity);
  if (quote) AppendText(L"\"", out, capacity);
  return true;
}

}  // namespace zeph::crash
