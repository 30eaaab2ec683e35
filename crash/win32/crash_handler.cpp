#include "crash/win32/crash_handler.h"

#include <dbghelp.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <exception>
#include <new>
#include <vector>

#include <cxxabi.h>

#include "common/utf.h"
#include "common/win32/system_library.h"
#include "crash/fault.h"
#include "crash/win32/stack_walk.h"

namespace zeph::crash {
namespace {

// Everything the crash path needs lives here, set up at start or static, so that
// reporting a crash allocates nothing of its own.
constexpr std::size_t kReportCapacity = 16 * 1024;
constexpr UINT kCrashExitCode = 3;  // what abort() gives

wchar_t g_folder[MAX_PATH];
wchar_t g_commandLine[2 * MAX_PATH + 64];
wchar_t g_version[32];
CrashHandlerSetup g_setup;
DWORD g_uiThread = 0;
HANDLE g_instanceMutex = nullptr;
volatile LONG g_entered = 0;

ReportFacts g_facts;

// The last fault of each thread that raised one, kept by the vectored handler
// (slots taken over round robin when more threads fault than there are slots).
struct alignas(16) FaultSlot {
  CONTEXT context;
  EXCEPTION_RECORD record;
  std::uintptr_t frames[kMaxFrames];  // walked at once: after the catch the stack is gone
  std::size_t frameCount;
  volatile LONG threadId;
};
constexpr LONG kFaultSlots = 8;
volatile LONG g_nextSlot = 0;

// The crash path's large buffers, set aside when the handlers are installed rather
// than declared as arrays: with -fdata-sections MinGW's GCC writes zero-filled arrays
// into the exe's file as data (some 90 KB here), while pages from VirtualAlloc cost
// nothing until a crash writes to them.
struct Buffers {
  wchar_t report[kReportCapacity];
  char reportUtf8[kReportCapacity * 3];
  wchar_t message[512];
  CodeLocation frames[kMaxFrames];
  FaultSlot faults[kFaultSlots];
};
Buffers* g_buffers = nullptr;

void SetBuffersAside() {
  if (g_buffers) return;
  void* pages = ::VirtualAlloc(nullptr, sizeof(Buffers), MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  if (pages) g_buffers = new (pages) Buffers;  // zero-filled pages: every slot free, every text empty
}

// What the reporting thread is handed.
struct Crash {
  CrashKind kind;
  DWORD threadId;
  const EXCEPTION_RECORD* record;
  const CONTEXT* context;
  const std::uintptr_t* frames;  // null: walked on the reporter's thread
  std::size_t frameCount;
  std::uintptr_t stackLow, stackHigh;  // the crashed thread's stack
};
EXCEPTION_RECORD g_record;
CONTEXT g_context;
std::uintptr_t g_addresses[kMaxFrames];

[[noreturn]] void EndNow(UINT code) {
  ::TerminateProcess(::GetCurrentProcess(), code);
  std::abort();  // not reached
}

// Structured exceptions that are faults, not notices (debug output, thread names,
// C++ throws): the severity bits say "error".
bool IsFault(DWORD code) { return (code & 0xF0000000u) == 0xC0000000u; }

LONG CALLBACK RecordFault(EXCEPTION_POINTERS* pointers) {
  if (!pointers || !pointers->ExceptionRecord || !pointers->ContextRecord) return EXCEPTION_CONTINUE_SEARCH;
  if (!IsFault(pointers->ExceptionRecord->ExceptionCode)) return EXCEPTION_CONTINUE_SEARCH;
  const LONG self = static_cast<LONG>(::GetCurrentThreadId());
  if (!g_buffers) return EXCEPTION_CONTINUE_SEARCH;
  FaultSlot* slot = nullptr;
  for (FaultSlot& candidate : g_buffers->faults) {
    if (candidate.threadId == self) slot = &candidate;
  }
  if (!slot) {
    slot = &g_buffers->faults[static_cast<ULONG>(::InterlockedIncrement(&g_nextSlot)) % kFaultSlots];
    slot->threadId = self;
  }
  slot->record = *pointers->ExceptionRecord;
  slot->record.ExceptionRecord = nullptr;
  slot->context = *pointers->ContextRecord;
  // After the catch the stack is gone, so it is walked now; not after an overflow,
  // where this handler itself runs on what is left of the stack.
  slot->frameCount = 0;
  if (pointers->ExceptionRecord->ExceptionCode != EXCEPTION_STACK_OVERFLOW) {
    std::uintptr_t low = 0, high = 0;
    CurrentStackBounds(low, high);
    slot->frameCount = WalkStack(slot->context, low, high, false, slot->frames, kMaxFrames);
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

void CopyText(const wchar_t* from, wchar_t* to, std::size_t capacity) {
  std::size_t i = 0;
  for (; from && from[i] && i + 1 < capacity; ++i) to[i] = from[i];
  to[i] = L'\0';
}

void AppendText(const wchar_t* from, wchar_t* to, std::size_t capacity) {
  const std::size_t length = std::wcslen(to);
  CopyText(from, to + length, capacity - length);
}

bool ReadWindowsVersion(ReportFacts& facts) {
  OSVERSIONINFOW info;
  if (!RealWindowsVersion(info)) return false;
  facts.windowsMajor = info.dwMajorVersion;
  facts.windowsMinor = info.dwMinorVersion;
  facts.windowsBuild = info.dwBuildNumber;
  return true;
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

void FindFolder() {
  wchar_t base[MAX_PATH];
  DWORD length = ::GetEnvironmentVariableW(L"LOCALAPPDATA", base, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    length = ::GetEnvironmentVariableW(L"USERPROFILE", base, MAX_PATH);
    if (length == 0 || length >= MAX_PATH - 16) return;
    AppendText(L"\\AppData\\Local", base, MAX_PATH);
  }
  if (std::wcslen(base) + 20 >= MAX_PATH) return;
  CopyText(base, g_folder, MAX_PATH);
  AppendText(L"\\Tidewell\\Crashes", g_folder, MAX_PATH);
}

void CreateFolder() {
  wchar_t parent[MAX_PATH];
  CopyText(g_folder, parent, MAX_PATH);
  if (wchar_t* last = std::wcsrchr(parent, L'\\')) *last = L'\0';
  ::CreateDirectoryW(parent, nullptr);
  ::CreateDirectoryW(g_folder, nullptr);
}

void BuildCommandLine(const wchar_t* firstArgument) {
  wchar_t exe[MAX_PATH];
  const DWORD length = ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  CopyText(L"\"", g_commandLine, std::size(g_commandLine));
  AppendText(exe, g_commandLine, std::size(g_commandLine));
  AppendText(L"\"", g_commandLine, std::size(g_commandLine));
  if (!firstArgument || !*firstArgument || std::wcslen(firstArgument) >= MAX_PATH) return;
  const bool quote = std::wcspbrk(firstArgument, L" \t") != nullptr;
  AppendText(quote ? L" \"" : L" ", g_commandLine, std::size(g_commandLine));
  AppendText(firstArgument, g_commandLine, std::size(g_commandLine));
  if (quote) AppendText(L"\"", g_commandLine, std::size(g_commandLine));
}

void Fill(ReportFacts& facts, CrashKind kind, DWORD threadId) {
  facts = ReportFacts{};
  facts.kind = kind;
  facts.programVersion = g_version;
#if defined(_WIN64)
  facts.architecture = L"x64";
#else
  facts.architecture = L"x86";
#endif
  ReadWindowsVersion(facts);
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  facts.time = {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
  facts.processId = ::GetCurrentProcessId();
  facts.threadId = threadId;
  facts.uiThread = threadId == g_uiThread;
}

void FillException(ReportFacts& facts, const EXCEPTION_RECORD& record) {
  facts.code = record.ExceptionCode;
  Locate(reinterpret_cast<std::uintptr_t>(record.ExceptionAddress), facts.fault);
  if ((record.ExceptionCode == EXCEPTION_ACCESS_VIOLATION || record.ExceptionCode == EXCEPTION_IN_PAGE_ERROR) &&
      record.NumberParameters >= 2) {
    facts.access = {true, record.ExceptionInformation[0], record.ExceptionInformation[1]};
  }
}

// "<folder>\<stem><extension>" into `path`; false when there is no folder.
bool ReportPath(const ReportFacts& facts, const wchar_t* extension, wchar_t (&path)[MAX_PATH]) {
  if (!g_folder[0]) return false;
  wchar_t stem[kStemCapacity];
  FormatReportStem(facts.time, facts.processId, stem, kStemCapacity);
  CopyText(g_folder, path, MAX_PATH);
  AppendText(L"\\", path, MAX_PATH);
  AppendText(stem, path, MAX_PATH);
  AppendText(extension, path, MAX_PATH);
  return true;
}

// The report as UTF-8 with a byte-order mark, so Notepad reads it on any Windows.
bool WriteText(const wchar_t* path, const wchar_t* text, std::size_t length, char* utf8, std::size_t capacity) {
  utf8[0] = '\xEF';
  utf8[1] = '\xBB';
  utf8[2] = '\xBF';
  const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), utf8 + 3,
                                          static_cast<int>(capacity - 3), nullptr, nullptr);
  if (bytes <= 0 && length > 0) return false;
  const HANDLE file = ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = ::WriteFile(file, utf8, static_cast<DWORD>(bytes + 3), &written, nullptr) && written == DWORD(bytes + 3);
  ::CloseHandle(file);
  return ok;
}

void WriteDump(const wchar_t* path, DWORD threadId, const EXCEPTION_RECORD* record, const CONTEXT* context) {
  using MiniDumpWriteDumpFn = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE, PMINIDUMP_EXCEPTION_INFORMATION,
                                            PMINIDUMP_USER_STREAM_INFORMATION, PMINIDUMP_CALLBACK_INFORMATION);
  // dbghelp.dll is no KnownDLL: taken from System32 alone, and only now.
  const HMODULE dbghelp = LoadSystemLibrary(L"dbghelp.dll");
  const auto write = dbghelp ? SystemFunction<MiniDumpWriteDumpFn>(dbghelp, "MiniDumpWriteDump") : nullptr;
  if (!write) return;
  const HANDLE file = ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  EXCEPTION_POINTERS pointers{const_cast<EXCEPTION_RECORD*>(record), const_cast<CONTEXT*>(context)};
  MINIDUMP_EXCEPTION_INFORMATION exception{threadId, &pointers, FALSE};
  write(::GetCurrentProcess(), ::GetCurrentProcessId(), file,
        static_cast<MINIDUMP_TYPE>(MiniDumpNormal | MiniDumpWithThreadInfo), record && context ? &exception : nullptr,
        nullptr, nullptr);
  ::CloseHandle(file);
}

// Keeps the newest kReportsKept reports; each pair goes together, other files stay.
void PruneReports() {
  ReportStems stems;
  wchar_t pattern[MAX_PATH];
  CopyText(g_folder, pattern, MAX_PATH);
  AppendText(L"\\tidewell-*", pattern, MAX_PATH);
  WIN32_FIND_DATAW found;
  const HANDLE search = ::FindFirstFileW(pattern, &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    stems.Add(found.cFileName);
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  const std::size_t old = stems.SortAndCountOld(kReportsKept);
  for (std::size_t i = 0; i < old; ++i) {
    for (const wchar_t* extension : {L".txt", L".dmp"}) {
      wchar_t path[MAX_PATH];
      CopyText(g_folder, path, MAX_PATH);
      AppendText(L"\\", path, MAX_PATH);
      AppendText(stems[i], path, MAX_PATH);
      AppendText(extension, path, MAX_PATH);
      ::DeleteFileW(path);
    }
  }
}

// Runs on a thread of its own, so it has a whole stack even after a stack overflow,
// and the dump shows the crashed thread as it stood.
DWORD WINAPI ReportOnOwnThread(void* parameter) {
  const Crash& crash = *static_cast<const Crash*>(parameter);
  Fill(g_facts, crash.kind, crash.threadId);
  if (crash.record) FillException(g_facts, *crash.record);
  Buffers* const b = g_buffers;
  if (!b) {
    // Windows had no pages for the buffers at start: the dump alone tells what happened.
    wchar_t path[MAX_PATH];
    if (g_folder[0] && ReportPath(g_facts, L".dmp", path)) {
      CreateFolder();
      WriteDump(path, crash.threadId, crash.record, crash.context);
    }
    CloseProgram();
  }
  if (b->message[0]) g_facts.message = b->message;
  const std::uintptr_t* frames = crash.frames;
  std::size_t frameCount = crash.frameCount;
  if (!frames && crash.context) {
    frameCount = WalkStack(*crash.context, crash.stackLow, crash.stackHigh, true, g_addresses, kMaxFrames);
    frames = g_addresses;
  }
  g_facts.frames = b->frames;
  g_facts.frameCount = frameCount;
  for (std::size_t i = 0; i < frameCount; ++i) Locate(frames[i], b->frames[i]);
  const std::size_t length = FormatReport(g_facts, b->report, kReportCapacity);
  if (g_folder[0]) {
    CreateFolder();
    wchar_t path[MAX_PATH];
    if (ReportPath(g_facts, L".txt", path)) WriteText(path, b->report, length, b->reportUtf8, sizeof b->reportUtf8);
    if (ReportPath(g_facts, L".dmp", path)) WriteDump(path, crash.threadId, crash.record, crash.context);
    PruneReports();
  }
  const bool restart = g_setup.dialog && g_setup.dialog(g_facts, b->report, g_folder);
  if (restart) RestartProgram();
  CloseProgram();
}

// `frames`: the stack as it was walked when the fault happened; null: the reporter's
// thread walks it. Little runs here: after a stack overflow this is what is left of
// the stack.
[[noreturn]] void Report(CrashKind kind, const EXCEPTION_RECORD* record, const CONTEXT* context,
                         const std::uintptr_t* frames = nullptr, std::size_t frameCount = 0) {
  // A second crash, in the reporter or on another thread meanwhile, ends at once.
  if (::InterlockedExchange(&g_entered, 1) != 0) EndNow(kCrashExitCode);
  if (record) g_record = *record;
  if (context) {
    g_context = *context;
  } else {
    ::RtlCaptureContext(&g_context);
  }
  static Crash crash;
  crash = {kind, ::GetCurrentThreadId(), record ? &g_record : nullptr, &g_context, frames, frameCount, 0, 0};
  CurrentStackBounds(crash.stackLow, crash.stackHigh);
  const HANDLE thread = ::CreateThread(nullptr, 256 * 1024, ReportOnOwnThread, &crash, 0, nullptr);
  if (!thread) ReportOnOwnThread(&crash);
  ::WaitForSingleObject(thread, INFINITE);
  EndNow(kCrashExitCode);
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* pointers) {
  Report(CrashKind::Exception, pointers ? pointers->ExceptionRecord : nullptr,
         pointers ? pointers->ContextRecord : nullptr);
}

// A fault a catch (...) caught: the stack has unwound, so the vectored handler's
// copy of it is what is left.
void OnForeignFault() {
  const LONG self = static_cast<LONG>(::GetCurrentThreadId());
  for (const FaultSlot& slot : g_buffers->faults) {
    if (slot.threadId == self) Report(CrashKind::Exception, &slot.record, &slot.context, slot.frames, slot.frameCount);
  }
  Report(CrashKind::Exception, nullptr, nullptr);
}

void OnTerminate() {
  // Only a C++ exception has a type to name (see crash/fault.cpp).
  const std::type_info* type = std::current_exception() ? abi::__cxa_current_exception_type() : nullptr;
  if (type && g_buffers) {
    wchar_t* const message = g_buffers->message;
    ::MultiByteToWideChar(CP_UTF8, 0, type->name(), -1, message, static_cast<int>(std::size(g_buffers->message)));
    message[std::size(g_buffers->message) - 1] = L'\0';
  }
  Report(CrashKind::Terminate, nullptr, nullptr);
}

void __cdecl OnInvalidParameter(const wchar_t*, const wchar_t*, const wchar_t*, unsigned, std::uintptr_t) {
  Report(CrashKind::InvalidParameter, nullptr, nullptr);
}

void EnableCallbackFaults() {
  // 64-bit Windows may swallow a fault in a window procedure the kernel called back;
  // with this it reaches the filter. Windows 7 SP1 and later; absent on Wine.
  using GetPolicyFn = BOOL(WINAPI*)(LPDWORD);
  using SetPolicyFn = BOOL(WINAPI*)(DWORD);
  constexpr DWORD kCallbackFilterEnabled = 0x1;
  const HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
  const auto get = SystemFunction<GetPolicyFn>(kernel32, "GetProcessUserModeExceptionPolicy");
  const auto set = SystemFunction<SetPolicyFn>(kernel32, "SetProcessUserModeExceptionPolicy");
  DWORD flags = 0;
  if (get && set && get(&flags)) set(flags | kCallbackFilterEnabled);
}

void CatchInvalidParameters() {
  // msvcrt.dll of older Windows may lack it.
  using Handler = void(__cdecl*)(const wchar_t*, const wchar_t*, const wchar_t*, unsigned, std::uintptr_t);
  using SetHandlerFn = Handler(__cdecl*)(Handler);
  if (const auto set = SystemFunction<SetHandlerFn>(::GetModuleHandleW(L"msvcrt.dll"), "_set_invalid_parameter_handler")) {
    set(OnInvalidParameter);
  }
}

[[noreturn]] void Leave(bool restart) {
  if (g_setup.beforeExit) g_setup.beforeExit();
  if (restart && g_commandLine[0]) {
    // The fresh copy must find no mutex, or it would hand itself over to this one.
    if (g_instanceMutex) ::CloseHandle(g_instanceMutex);
    g_instanceMutex = nullptr;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    static wchar_t commandLine[std::size(g_commandLine)];
    CopyText(g_commandLine, commandLine, std::size(commandLine));
    if (::CreateProcessW(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
      ::CloseHandle(process.hThread);
      ::CloseHandle(process.hProcess);
    }
  }
  EndNow(kCrashExitCode);
}

}  // namespace

void InstallFaultRecorder() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  SetBuffersAside();
  ::AddVectoredExceptionHandler(1, RecordFault);
  SetForeignFaultHandler(OnForeignFault);
}

void InstallCrashHandler(const CrashHandlerSetup& setup) {
  g_setup = setup;
  g_uiThread = ::GetCurrentThreadId();
  FindFolder();
  BuildCommandLine(setup.firstArgument);
  ReadProgramVersion();
  InstallFaultRecorder();
  ::SetUnhandledExceptionFilter(OnUnhandledException);
  std::set_terminate(OnTerminate);
  CatchInvalidParameters();
  EnableCallbackFaults();
}

void SetInstanceMutex(HANDLE mutex) { g_instanceMutex = mutex; }

const wchar_t* CrashFolder() { return g_folder; }

bool LastFault(EXCEPTION_RECORD& record, CONTEXT& context) {
  const LONG self = static_cast<LONG>(::GetCurrentThreadId());
  if (!g_buffers) return false;
  for (FaultSlot& slot : g_buffers->faults) {
    if (slot.threadId != self) continue;
    record = slot.record;
    context = slot.context;
    return true;
  }
  return false;
}

std::wstring SaveErrorReport(const std::wstring& message) {
  ReportFacts facts;
  Fill(facts, CrashKind::CxxError, ::GetCurrentThreadId());
  facts.message = message.c_str();
  CONTEXT here;
  ::RtlCaptureContext(&here);
  std::uintptr_t low = 0, high = 0;
  CurrentStackBounds(low, high);
  std::uintptr_t addresses[kMaxFrames];
  std::vector<CodeLocation> frames(kMaxFrames);
  facts.frames = frames.data();
  facts.frameCount = WalkStack(here, low, high, true, addresses, kMaxFrames);
  for (std::size_t i = 0; i < facts.frameCount; ++i) Locate(addresses[i], frames[i]);
  std::wstring text(kReportCapacity, L'\0');
  text.resize(FormatReport(facts, text.data(), text.size()));
  wchar_t path[MAX_PATH];
  if (ReportPath(facts, L".txt", path)) {
    CreateFolder();
    std::vector<char> utf8(text.size() * 3 + 4);
    WriteText(path, text.c_str(), text.size(), utf8.data(), utf8.size());
    PruneReports();
  }
  return text;
}

void RestartProgram() { Leave(true); }
void CloseProgram() { Leave(false); }

void ReportPureVirtualCall() { Report(CrashKind::PureVirtualCall, nullptr, nullptr); }

}  // namespace zeph::crash
