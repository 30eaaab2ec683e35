#include "crash/win32/watcher.h"

#include <shellapi.h>

#include <cstring>
#include <cwchar>
#include <iterator>

#include "crash/watcher_contract.h"
#include "crash/win32/crash_support.h"
#include "crash/win32/dbghelp.h"
#include "crash/win32/stack_walk.h"

namespace zeph::crash {
namespace {

constexpr UINT kCrashExitCode = 3;  // what abort() gives
constexpr std::size_t kReportCapacity = 16 * 1024;

// The crashed process's bounds: until the watcher confirms the report is written,
// and then for the user's choice.
constexpr ULONGLONG kUnconfirmedMs = 14000;
constexpr ULONGLONG kChoiceMs = 60000;
// The watcher's: the stack walk and the report, the dump once the user has chosen,
// and the crashed process's end before a fresh copy starts.
constexpr DWORD kReportMs = 10000;
constexpr DWORD kDumpMs = 30000;
constexpr DWORD kEndMs = 10000;

enum Request : LONG { kNone = 0, kCrash = 1, kRestart = 2 };

// The hand-over block. Handles are the values both processes use: an inherited
// handle keeps its value in the child.
struct alignas(16) Block {
  HandOverHeader header;
  std::uint64_t crashedEvent;
  std::uint64_t handledEvent;
  std::uint64_t parentProcess;
  std::uint64_t trayWindow;
  std::uint32_t trayId;
  std::uint32_t uiThread;
  wchar_t firstArgument[MAX_PATH];
  // Written by the crashed process before it sets "crashed".
  volatile LONG request;
  CrashKind kind;
  std::uint32_t threadId;
  std::uint32_t hasRecord;
  EXCEPTION_RECORD record;
  CONTEXT context;
  EXCEPTION_POINTERS pointers;     // into this block as the crashed process maps it
  std::uint64_t pointersInCrashed; // &pointers there, for the dump
  std::uint64_t frames[kMaxFrames];
  std::uint32_t frameCount;
  wchar_t message[512];
  wchar_t language[16];
  wchar_t caption[128];
  // Written by the watcher.
  volatile LONG reportWritten;
};

HANDLE AsHandle(std::uint64_t value) { return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(value)); }
std::uint64_t AsValue(const void* handle) { return reinterpret_cast<std::uintptr_t>(handle); }

// ---- The main copy's side

Block* volatile g_block = nullptr;  // set once the watcher runs
HANDLE g_watcher = nullptr;
volatile LONG g_starting = 0;

bool WatcherRuns() { return g_block && ::WaitForSingleObject(g_watcher, 0) == WAIT_TIMEOUT; }

// Starts `commandLine` with only `handles` inherited (Windows 7 and later); plain
// inheritance where the attribute list is unavailable.
bool CreateWatcherProcess(wchar_t* commandLine, HANDLE* handles, std::size_t count, PROCESS_INFORMATION& process) {
  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof(STARTUPINFOW);
  alignas(16) static unsigned char attributes[256];
  SIZE_T size = 0;
  ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
  DWORD flags = CREATE_SUSPENDED;
  if (size <= sizeof attributes) {
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributes);
    if (::InitializeProcThreadAttributeList(list, 1, 0, &size)) {
      if (::UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles, count * sizeof(HANDLE),
                                      nullptr, nullptr)) {
        startup.lpAttributeList = list;
        startup.StartupInfo.cb = sizeof startup;
        flags |= EXTENDED_STARTUPINFO_PRESENT;
      } else {
        ::DeleteProcThreadAttributeList(list);
      }
    }
  }
  const bool started = ::CreateProcessW(nullptr, commandLine, nullptr, nullptr, TRUE, flags, nullptr, nullptr,
                                        &startup.StartupInfo, &process) != FALSE;
  if (startup.lpAttributeList) ::DeleteProcThreadAttributeList(startup.lpAttributeList);
  return started;
}

// ---- The watcher's side

struct Watch {
  Block* block;
  HANDLE parent;
  DWORD parentId;
  HANDLE thread;  // the crashed thread
  EXCEPTION_RECORD record;
  CONTEXT context;
  ReportFacts base;    // the facts without the stack
  ReportFacts walked;  // with it
  CodeLocation frames[kMaxFrames];
  wchar_t report[kReportCapacity];
  wchar_t shortReport[kReportCapacity];
  char utf8[kReportCapacity * 3 + 3];
  HANDLE reportReady;
};

// The one thread that calls dbghelp: walks the crashed thread's stack, writes the
// report, says so, then writes the minidump.
DWORD WINAPI ReportAndDump(void* parameter) {
  Watch& w = *static_cast<Watch*>(parameter);
  Block& b = *w.block;
  std::uintptr_t addresses[kMaxFrames];
  std::size_t count = 0;
  if (b.frameCount > 0) {
    for (; count < b.frameCount && count < kMaxFrames; ++count) addresses[count] = static_cast<std::uintptr_t>(b.frames[count]);
  } else {
    count = dbghelp::WalkStack(w.parent, w.thread, w.context, addresses, kMaxFrames);
  }
  w.walked = w.base;
  for (std::size_t i = 0; i < count; ++i) Locate(w.parent, addresses[i], w.frames[i]);
  w.walked.frames = w.frames;
  w.walked.frameCount = count;
  const std::size_t length = FormatReport(w.walked, w.report, kReportCapacity);
  WriteReportText(w.walked, w.report, length, w.utf8, sizeof w.utf8);
  PruneReports();
  b.reportWritten = 1;
  ::SetEvent(w.reportReady);

  const HANDLE file = CreateReportFile(w.walked, L".dmp");
  if (file == INVALID_HANDLE_VALUE) return 0;
  MINIDUMP_EXCEPTION_INFORMATION exception{b.threadId,
                                           reinterpret_cast<PEXCEPTION_POINTERS>(static_cast<std::uintptr_t>(b.pointersInCrashed)),
                                           TRUE};
  dbghelp::WriteDump(w.parent, w.parentId, file, b.hasRecord ? &exception : nullptr);
  // Closed by hand, as every handle of the watcher's crash-time code.
  ::CloseHandle(file);
  return 0;
}

void RemoveTrayIcon(const Block& b) {
  if (!b.trayWindow) return;
  NOTIFYICONDATAW icon{};
  icon.cbSize = sizeof icon;
  icon.hWnd = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(b.trayWindow));
  icon.uID = b.trayId;
  ::Shell_NotifyIconW(NIM_DELETE, &icon);
}

// Ends the crashed copy and, when asked, starts a fresh one once it has ended, so
// the fresh copy never meets the old one's mutex.
void EndParent(const Block& b, HANDLE parent, bool restart) {
  ::SetEvent(AsHandle(b.handledEvent));
  ::TerminateProcess(parent, kCrashExitCode);
  const bool ended = ::WaitForSingleObject(parent, kEndMs) == WAIT_OBJECT_0;
  RemoveTrayIcon(b);
  if (!restart || !ended) return;
  static wchar_t commandLine[2 * MAX_PATH + 8];
  wchar_t firstArgument[MAX_PATH];
  CopyText(b.firstArgument, firstArgument, MAX_PATH);
  if (!BuildRestartCommandLine(firstArgument, commandLine, std::size(commandLine))) return;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (::CreateProcessW(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    // Closed by hand, as every handle of the watcher's crash-time code.
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
  }
}

// A crash of the watcher itself ends it at once, so the crashed copy, which watches
// its process, reports in-process instead.
LONG WINAPI EndTheWatcher(EXCEPTION_POINTERS*) {
  ::TerminateProcess(::GetCurrentProcess(), kCrashExitCode);
  return EXCEPTION_EXECUTE_HANDLER;
}

void HandleCrash(Block& b, HANDLE parent, DWORD parentId, const WatcherDialog& dialog) {
  // The watcher did not crash: its heap serves. (A static one would be written into
  // the exe as zeros.)
  Watch& w = *new Watch{};
  w.block = &b;
  w.parent = parent;
  w.parentId = parentId;
  w.record = b.record;
  w.record.ExceptionRecord = nullptr;
  w.context = b.context;
  w.thread = ::OpenThread(THREAD_GET_CONTEXT | THREAD_QUERY_INFORMATION | THREAD_SUSPEND_RESUME, FALSE, b.threadId);
  FillProgramFacts(w.base, b.kind, parentId, b.threadId, b.threadId == b.uiThread);
  b.message[std::size(b.message) - 1] = L'\0';
  if (b.message[0]) w.base.message = b.message;
  if (b.hasRecord) FillExceptionFacts(w.base, parent, w.record);
  w.reportReady = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  const HANDLE worker = ::CreateThread(nullptr, 0, ReportAndDump, &w, 0, nullptr);

  const ReportFacts* facts = &w.walked;
  const wchar_t* report = w.report;
  if (!worker || ::WaitForSingleObject(w.reportReady, kReportMs) != WAIT_OBJECT_0) {
    // The walk does not come back: the dialog gets the report without the stack.
    FormatReport(w.base, w.shortReport, kReportCapacity);
    facts = &w.base;
    report = w.shortReport;
  }
  bool restart = false;
  if (dialog.dialog) {
    b.language[std::size(b.language) - 1] = L'\0';
    b.caption[std::size(b.caption) - 1] = L'\0';
    if (dialog.prepare) dialog.prepare(b.language, b.caption);
    restart = dialog.dialog(*facts, report, ReportFolderPath());
  }
  if (worker) ::WaitForSingleObject(worker, kDumpMs);
  EndParent(b, parent, restart);
}

}  // namespace

bool StartCrashWatcher(const WatcherStart& start) {
  if (::InterlockedExchange(&g_starting, 1) != 0) return false;
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  const HANDLE section =
      ::CreateFileMappingW(INVALID_HANDLE_VALUE, &inherited, PAGE_READWRITE, 0, sizeof(Block), nullptr);
  if (!section) return false;
  auto* block = static_cast<Block*>(::MapViewOfFile(section, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeof(Block)));
  const HANDLE crashed = ::CreateEventW(&inherited, FALSE, FALSE, nullptr);
  const HANDLE handled = ::CreateEventW(&inherited, TRUE, FALSE, nullptr);
  HANDLE self = nullptr;
  ::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentProcess(), ::GetCurrentProcess(), &self,
                    PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_DUP_HANDLE | SYNCHRONIZE | PROCESS_TERMINATE,
                    TRUE, 0);
  bool started = false;
  if (block && crashed && handled && self) {
    block->header.magic = kHandOverMagic;
    block->header.version = kHandOverVersion;
    block->header.size = sizeof(Block);
    block->header.parentProcessId = ::GetCurrentProcessId();
    block->crashedEvent = AsValue(crashed);
    block->handledEvent = AsValue(handled);
    block->parentProcess = AsValue(self);
    block->trayWindow = AsValue(start.trayWindow);
    block->trayId = start.trayId;
    block->uiThread = start.uiThread;
    CopyText(start.firstArgument, block->firstArgument, MAX_PATH);
    block->pointers.ExceptionRecord = &block->record;
    block->pointers.ContextRecord = &block->context;
    block->pointersInCrashed = AsValue(&block->pointers);

    static wchar_t commandLine[2 * MAX_PATH + 64];
    wchar_t argument[64];
    CopyText(kWatcherArgumentPrefix, argument, std::size(argument));
    std::size_t at = std::wcslen(argument);
    std::uint64_t value = AsValue(section);
    wchar_t digits[17];
    std::size_t count = 0;
    do {
      digits[count++] = L"0123456789abcdef"[value % 16];
      value /= 16;
    } while (value != 0);
    while (count > 0) argument[at++] = digits[--count];
    argument[at] = L'\0';
    HANDLE handles[] = {section, crashed, handled, self};
    PROCESS_INFORMATION process{};
    if (BuildRestartCommandLine(argument, commandLine, std::size(commandLine)) &&
        CreateWatcherProcess(commandLine, handles, std::size(handles), process)) {
      // Only this very process may take the block for its own.
      block->header.watcherProcessId = process.dwProcessId;
      ::ResumeThread(process.hThread);
      ::CloseHandle(process.hThread);
      g_watcher = process.hProcess;
      started = true;
    }
  }
  // The watcher has its own copies; this process keeps the events and the view.
  if (self) ::CloseHandle(self);
  ::CloseHandle(section);
  if (started) {
    g_block = block;
    return true;
  }
  if (block) ::UnmapViewOfFile(block);
  if (crashed) ::CloseHandle(crashed);
  if (handled) ::CloseHandle(handled);
  return false;
}

bool HandCrashToWatcher(const CrashNotice& notice) {
  if (!WatcherRuns()) return false;
  Block& b = *g_block;
  b.kind = notice.kind;
  b.threadId = notice.threadId;
  b.hasRecord = notice.record && notice.context ? 1 : 0;
  if (notice.record) {
    std::memcpy(&b.record, notice.record, sizeof b.record);
    b.record.ExceptionRecord = nullptr;
  }
  if (notice.context) std::memcpy(&b.context, notice.context, sizeof b.context);
  b.frameCount = 0;
  for (std::size_t i = 0; notice.frames && i < notice.frameCount && i < kMaxFrames; ++i) {
    b.frames[i] = notice.frames[i];
    b.frameCount = static_cast<std::uint32_t>(i + 1);
  }
  CopyText(notice.message, b.message, std::size(b.message));
  CopyText(notice.language, b.language, std::size(b.language));
  CopyText(notice.caption, b.caption, std::size(b.caption));
  b.request = kCrash;
  ::SetEvent(AsHandle(b.crashedEvent));
  // The watcher ends this process; these bounds are for a watcher that does not.
  const HANDLE waits[] = {AsHandle(b.handledEvent), g_watcher};
  const ULONGLONG start = ::GetTickCount64();
  ULONGLONG deadline = start + kUnconfirmedMs;
  bool confirmed = false;
  while (::GetTickCount64() < deadline) {
    const DWORD woke = ::WaitForMultipleObjects(2, waits, FALSE, 100);
    if (!confirmed && b.reportWritten) {
      confirmed = true;
      deadline = ::GetTickCount64() + kChoiceMs;
    }
    if (woke == WAIT_OBJECT_0) break;
    // A watcher that ended before it wrote the report leaves it to this process.
    if (woke == WAIT_OBJECT_0 + 1) {
      if (!b.reportWritten) return false;
      break;
    }
    if (woke == WAIT_FAILED) break;
  }
  ::TerminateProcess(::GetCurrentProcess(), kCrashExitCode);
  return true;  // not reached
}

bool HandRestartToWatcher() {
  if (!WatcherRuns()) return false;
  Block& b = *g_block;
  b.request = kRestart;
  ::SetEvent(AsHandle(b.crashedEvent));
  // The watcher ends this process now; one that does not within the bound leaves
  // the restart to this process.
  ::WaitForSingleObject(g_watcher, kEndMs + 5000);
  return false;
}

bool RunCrashWatcherIfAsked(const wchar_t* firstArgument, const WatcherDialog& dialog) {
  std::uint64_t value = 0;
  if (!ParseWatcherArgument(firstArgument, value) || value > UINTPTR_MAX) return false;
  void* view = ::MapViewOfFile(AsHandle(value), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, 0);
  if (!view) return false;
  MEMORY_BASIC_INFORMATION region{};
  auto* block = static_cast<Block*>(view);
  const bool big = ::VirtualQuery(view, &region, sizeof region) == sizeof region && region.RegionSize >= sizeof(Block);
  const HANDLE parent = big ? AsHandle(block->parentProcess) : nullptr;
  const DWORD parentId = parent ? ::GetProcessId(parent) : 0;
  if (!big || !IsHandOverFor(block->header, region.RegionSize, sizeof(Block), ::GetCurrentProcessId(), parentId)) {
    ::UnmapViewOfFile(view);
    return false;
  }
  ::SetUnhandledExceptionFilter(EndTheWatcher);
  PrepareCrashSupport();
  const HANDLE waits[] = {AsHandle(block->crashedEvent), parent};
  // Until the main copy crashes, asks for a restart or ends.
  while (::WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0) {
    if (block->request == kCrash) {
      HandleCrash(*block, parent, parentId, dialog);
      break;
    }
    if (block->request == kRestart) {
      EndParent(*block, parent, true);
      break;
    }
  }
  return true;
}

}  // namespace zeph::crash
