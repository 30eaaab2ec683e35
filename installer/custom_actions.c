// The package's two custom actions, a DLL in the package's Binary table (built by
// scripts/package for each architecture). They carry out the installer's side of the
// program's command-line contract (see the README):
//
//   StartTidewell  after the install: "tidewell.exe /inst", not waited for; the program
//                  registers its log-on task and shows its window.
//   StopTidewell   before an uninstall or an upgrade touches the files: when a copy
//                  runs, "tidewell.exe /uninst", waited for; the running copy removes its
//                  task and quits, so no file is in use.
//
// Why a DLL and not a plain "ExeCommand" custom action: Windows Installer starts an
// EXE custom action with CreateProcess under the installing user's token. Under UAC
// that is the filtered token whenever msiexec itself was not started elevated (a
// double-click on the package, an uninstall from Programs and Features), and
// CreateProcess refuses an exe whose manifest says "requireAdministrator" with
// ERROR_ELEVATION_REQUIRED (740). ShellExecuteEx asks for consent instead, and runs
// the program at once when the token is already elevated (msiexec /qn from an
// administrator, deployment tools).
//
// Both actions always return success: a program that can't be started or stopped must
// never fail or roll back an install, and above all never block an uninstall. What
// they did goes to the installer's log (msiexec /l*v).
#include <windows.h>
#include <msi.h>
#include <msiquery.h>
#include <objbase.h>
#include <shellapi.h>
#include <wchar.h>

// The main window's class, the same text as the program's single-instance mutex.
static const wchar_t kWindowClass[] = L"TFrmTidewell";
// How long StopTidewell waits for "/uninst" (which itself gives the running copy up to
// one second) and then for the running copy's process to end.
static const DWORD kUninstWaitMs = 15000;
static const DWORD kExitWaitMs = 10000;

static void Log(MSIHANDLE install, const wchar_t* format, const wchar_t* value, DWORD number) {
  wchar_t text[1024];
  _snwprintf(text, sizeof text / sizeof text[0] - 1, format, value, number);
  text[sizeof text / sizeof text[0] - 1] = L'\0';
  MSIHANDLE record = MsiCreateRecord(0);
  if (record == 0) return;
  MsiRecordSetStringW(record, 0, text);
  MsiProcessMessage(install, INSTALLMESSAGE_INFO, record);
  MsiCloseHandle(record);
}

// Resolves a formatted string such as "[#TidewellExe]" to the file's full path.
static BOOL Format(MSIHANDLE install, const wchar_t* formatted, wchar_t* out, DWORD size) {
  BOOL ok = FALSE;
  MSIHANDLE record = MsiCreateRecord(0);
  if (record == 0) return FALSE;
  if (MsiRecordSetStringW(record, 0, formatted) == ERROR_SUCCESS &&
      MsiFormatRecordW(install, record, out, &size) == ERROR_SUCCESS && out[0] != L'\0')
    ok = TRUE;
  MsiCloseHandle(record);
  return ok;
}

static BOOL FileExists(const wchar_t* path) {
  const DWORD attributes = GetFileAttributesW(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Starts "path arguments" in the exe's folder through the shell, which asks for
// consent when the program needs an elevation the caller's token lacks. Gives the
// process handle when asked.
static BOOL ShellStart(MSIHANDLE install, const wchar_t* path, const wchar_t* arguments, HANDLE* process) {
  wchar_t folder[MAX_PATH * 2];
  wcsncpy(folder, path, sizeof folder / sizeof folder[0] - 1);
  folder[sizeof folder / sizeof folder[0] - 1] = L'\0';
  wchar_t* slash = wcsrchr(folder, L'\\');
  if (slash) *slash = L'\0';
  SHELLEXECUTEINFOW info;
  ZeroMemory(&info, sizeof info);
  info.cbSize = sizeof info;
  // NOASYNC: the call completes before it returns (this DLL may be unloaded at once);
  // FLAG_NO_UI: no error box can stop a silent install. Neither suppresses UAC consent.
  info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI | (process ? SEE_MASK_NOCLOSEPROCESS : 0);
  info.lpVerb = L"open";
  info.lpFile = path;
  info.lpParameters = arguments;
  info.lpDirectory = slash ? folder : NULL;
  info.nShow = SW_SHOWNORMAL;
  // The shell may hand the start to COM objects; it wants an apartment for that.
  const HRESULT com = CoInitializeEx(NULL, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  const BOOL started = ShellExecuteExW(&info);
  const DWORD error = started ? 0 : GetLastError();
  if (SUCCEEDED(com)) CoUninitialize();
  wchar_t command[MAX_PATH * 3];
  _snwprintf(command, sizeof command / sizeof command[0] - 1, L"\"%ls\" %ls", path, arguments);
  command[sizeof command / sizeof command[0] - 1] = L'\0';
  if (!started) {
    Log(install, L"Tidewell: could not start %ls (error %lu)", command, error);
    return FALSE;
  }
  Log(install, L"Tidewell: started %ls", command, 0);
  if (process) *process = info.hProcess;  // may be null when the shell reused a process
  return TRUE;
}

// After the install: "tidewell.exe /inst", not waited for.
__declspec(dllexport) UINT __stdcall StartTidewell(MSIHANDLE install) {
  wchar_t path[MAX_PATH * 2] = L"";
  if (!Format(install, L"[#TidewellExe]", path, sizeof path / sizeof path[0]) || !FileExists(path)) {
    Log(install, L"Tidewell: no installed program to start (%ls)", path, 0);
    return ERROR_SUCCESS;
  }
  ShellStart(install, path, L"/inst", NULL);
  return ERROR_SUCCESS;
}

// Before files are removed or replaced: when a copy runs in this session, the
// installed exe with "/uninst", waited for, then the copy's end. With no copy running
// nothing is started: "/uninst" would only end at once, and starting it
// could cost the user a consent prompt for nothing.
//
// Only the installed exe is ever started, never the one the running window's process
// was started from: that may be any program that made a window of this class, and
// this action may run with an administrator's full token.
__declspec(dllexport) UINT __stdcall StopTidewell(MSIHANDLE install) {
  HWND window = FindWindowW(kWindowClass, NULL);
  if (window == NULL) {
    Log(install, L"Tidewell: no running copy%ls", L"", 0);
    return ERROR_SUCCESS;
  }
  wchar_t path[MAX_PATH * 2] = L"";
  if (!Format(install, L"[#TidewellExe]", path, sizeof path / sizeof path[0]) || !FileExists(path)) {
    Log(install, L"Tidewell: a copy runs, but there is no installed exe (%ls) to ask it to quit", path, 0);
    return ERROR_SUCCESS;
  }

  // The running copy's process, to see it end; this process may not be allowed to
  // wait on it (it runs elevated), and then the window's end has to do.
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  HANDLE running = pid != 0 ? OpenProcess(SYNCHRONIZE, FALSE, pid) : NULL;

  HANDLE uninst = NULL;
  if (!ShellStart(install, path, L"/uninst", &uninst)) {  // consent refused, for one
    if (running) CloseHandle(running);
    return ERROR_SUCCESS;
  }
  if (uninst != NULL) {
    if (WaitForSingleObject(uninst, kUninstWaitMs) == WAIT_TIMEOUT)
      Log(install, L"Tidewell: \"%ls\" /uninst did not end in time", path, 0);
    CloseHandle(uninst);
  }
  // "/uninst" stops waiting after a second; the copy may still be closing.
  BOOL ended;
  if (running != NULL) {
    ended = WaitForSingleObject(running, kExitWaitMs) == WAIT_OBJECT_0;
    CloseHandle(running);
  } else {
    for (DWORD waited = 0; waited < kExitWaitMs && IsWindow(window); waited += 100) Sleep(100);
    ended = !IsWindow(window);
  }
  Log(install, ended ? L"Tidewell: the running copy has ended%ls" : L"Tidewell: the running copy is still there%ls",
      L"", 0);
  return ERROR_SUCCESS;
}
