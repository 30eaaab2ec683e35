#include "crash/win32/crash_handler.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <exception>
#include <new>
#include <vector>

#include <cxxabi.h>

#include "common/win32/system_library.h"
#include "crash/fault.h"
#include "crash/watcher_contract.h"
#include "crash/win32/crash_support.h"
#include "crash/win32/dbghelp.h"
#include "crash/win32/stack_walk.h"
#include "crash/win32/watcher.h"

namespace zeph::crash {
namespace {

// Everything the crash path needs lives here, set up at start or static, so that
// reporting a crash allocates nothing of its own.
constexpr std::size_t kReportCapacity = 16 * 1024;
constexpr UINT kCrashExitCode = 3;  // what abort() gives

// The in-process reporter's bounds (when no watcher runs): until the report is
// written and the dialog called, and then for the user's choice and the dump.
constexpr ULONGLONG kReportMs = 12000;
constexpr ULONGLONG kChoiceMs = 60000;

wchar_t g_firstArgument[MAX_PATH];
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
  HANDLE thread;                       // the crashed thread, for dbghelp's walk
};
// How far the reporter thread got; the crashed thread waits on it.
volatile LONG g_reportPhase = 0;  // 1: the report is written and the dialog called
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
    slot->frameCount = WalkStack(slot->context, low, high, nullptr, slot->frames, kMaxFrames);
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

void Fill(ReportFacts& facts, CrashKind kind, DWORD threadId) {
  FillProgramFacts(facts, kind, ::GetCurrentProcessId(), threadId, threadId == g_uiThread);
}

void WriteDump(const ReportFacts& facts, DWORD threadId, const EXCEPTION_RECORD* record, const CONTEXT* context) {
  const HANDLE file = CreateReportFile(facts, L".dmp");
  if (file == INVALID_HANDLE_VALUE) return;
  EXCEPTION_POINTERS pointers{const_cast<EXCEPTION_RECORD*>(record), const_cast<CONTEXT*>(context)};
  MINIDUMP_EXCEPTION_INFORMATION exception{threadId, &pointers, FALSE};
  dbghelp::WriteDump(::GetCurrentProcess(), ::GetCurrentProcessId(), file, record && context ? &exception : nullptr);
  // Closed by hand: this runs in the crashed process, which calls nothing it need not.
  ::CloseHandle(file);
}

// The in-process reporter, for a crash while no watcher runs (before it started, or
// after it failed). It runs on a thread of its own, so it has a whole stack even
// after a stack overflow, while the crashed thread waits for it with a bound: here
// the crashed thread's locks are still held, and what this thread does may wait on
// them. The dump comes after the dialog, which must not wait for Wine's slow writer.
DWORD WINAPI ReportOnOwnThread(void* parameter) {
  const Crash& crash = *static_cast<const Crash*>(parameter);
  Fill(g_facts, crash.kind, crash.threadId);
  if (crash.record) FillExceptionFacts(g_facts, ::GetCurrentProcess(), *crash.record);
  Buffers* const b = g_buffers;
  if (!b) {
    // Windows had no pages for the buffers at start: the dump alone tells what happened.
    WriteDump(g_facts, crash.threadId, crash.record, crash.context);
    CloseProgram();
  }
  if (b->message[0]) g_facts.message = b->message;
  const std::uintptr_t* frames = crash.frames;
  std::size_t frameCount = crash.frameCount;
  if (!frames && crash.context) {
    frameCount = WalkStack(*crash.context, crash.stackLow, crash.stackHigh, crash.thread, g_addresses, kMaxFrames);
    frames = g_addresses;
  }
  g_facts.frames = b->frames;
  g_facts.frameCount = frameCount;
  for (std::size_t i = 0; i < frameCount; ++i) Locate(::GetCurrentProcess(), frames[i], b->frames[i]);
  const std::size_t length = FormatReport(g_facts, b->report, kReportCapacity);
  WriteReportText(g_facts, b->report, length, b->reportUtf8, sizeof b->reportUtf8);
  PruneReports();
  g_reportPhase = 1;
  const bool restart = g_setup.dialog && g_setup.dialog(g_facts, b->report, ReportFolderPath());
  WriteDump(g_facts, crash.threadId, crash.record, crash.context);
  if (restart) RestartProgram();
  CloseProgram();
}

// `frames`: the stack as it was walked when the fault happened; null: walked later.
// Little runs here, and nothing that allocates, loads or takes a lock: after a stack
// overflow this is what is left of the stack, and the crashed thread may hold the
// heap's lock, the loader's or the unwinder's.
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
  static wchar_t language[16], caption[128];
  if (g_setup.describe) g_setup.describe(language, std::size(language), caption, std::size(caption));
  CrashNotice notice;
  notice.kind = kind;
  notice.threadId = ::GetCurrentThreadId();
  notice.record = record ? &g_record : nullptr;
  notice.context = &g_context;
  notice.frames = frames;
  notice.frameCount = frameCount;
  notice.message = g_buffers ? g_buffers->message : nullptr;
  notice.language = language;
  notice.caption = caption;
  HandCrashToWatcher(notice);  // returns only when no watcher takes the crash

  static Crash crash;
  crash = {kind, notice.threadId, notice.record, &g_context, frames, frameCount, 0, 0, nullptr};
  CurrentStackBounds(crash.stackLow, crash.stackHigh);
  ::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentThread(), ::GetCurrentProcess(), &crash.thread, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
  const HANDLE thread = ::CreateThread(nullptr, 256 * 1024, ReportOnOwnThread, &crash, 0, nullptr);
  if (!thread) EndNow(kCrashExitCode);
  // Every wait bounded: a reporter stuck on a lock this thread holds ends with the process.
  ULONGLONG deadline = ::GetTickCount64() + kReportMs;
  bool dialog = false;
  while (::GetTickCount64() < deadline) {
    if (::WaitForSingleObject(thread, 100) != WAIT_TIMEOUT) break;
    if (!dialog && g_reportPhase != 0) {
      dialog = true;
      deadline = ::GetTickCount64() + kChoiceMs;
    }
  }
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
  const HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
  const auto get = SystemFunction<GetPolicyFn>(kernel32, "GetProcessUserModeExceptionPolicy");
  const auto set = SystemFunction<SetPolicyFn>(kernel32, "SetProcessUserModeExceptionPolicy");
  DWORD flags = 0;
  if (get && set && get(&flags)) set(PolicyLettingCallbackFaultsThrough(flags));
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
  // At most one fresh copy, however often this is reached.
  static volatile LONG restarted = 0;
  if (restart && ::InterlockedExchange(&restarted, 1) == 0 && !HandRestartToWatcher()) {
    // No watcher to wait for this process's end: the fresh copy must find no mutex,
    // or it would hand itself over to this one.
    // Closed by hand: the crashed process's own handle, kept raw from the start for here.
    if (g_instanceMutex) ::CloseHandle(g_instanceMutex);
    g_instanceMutex = nullptr;
    static wchar_t commandLine[2 * MAX_PATH + 8];
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (BuildRestartCommandLine(g_firstArgument, commandLine, std::size(commandLine)) &&
        ::CreateProcessW(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
      // Closed by hand: this runs in the crashed process, which calls nothing it need not.
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
  CopyText(setup.firstArgument, g_firstArgument, MAX_PATH);
  PrepareCrashSupport();
  InstallFaultRecorder();
  ::SetUnhandledExceptionFilter(OnUnhandledException);
  std::set_terminate(OnTerminate);
  CatchInvalidParameters();
  EnableCallbackFaults();
}

void SetInstanceMutex(HANDLE mutex) { g_instanceMutex = mutex; }

const wchar_t* CrashFolder() { return ReportFolderPath(); }

bool StartWatcher(HWND trayWindow, UINT trayId) {
  WatcherStart start;
  start.firstArgument = g_firstArgument;
  start.uiThread = g_uiThread;
  start.trayWindow = trayWindow;
  start.trayId = trayId;
  return StartCrashWatcher(start);
}

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
  facts.frameCount = WalkStack(here, low, high, ::GetCurrentThread(), addresses, kMaxFrames);
  for (std::size_t i = 0; i < facts.frameCount; ++i) Locate(::GetCurrentProcess(), addresses[i], frames[i]);
  std::wstring text(kReportCapacity, L'\0');
  text.resize(FormatReport(facts, text.data(), text.size()));
  std::vector<char> utf8(text.size() * 3 + 4);
  if (WriteReportText(facts, text.c_str(), text.size(), utf8.data(), utf8.size())) PruneReports();
  return text;
}

void RestartProgram() { Leave(true); }
void CloseProgram() { Leave(false); }

void ReportPureVirtualCall() { Report(CrashKind::PureVirtualCall, nullptr, nullptr); }

}  // namespace zeph::crash
