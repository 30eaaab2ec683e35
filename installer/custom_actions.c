// The package's custom actions, a DLL in the package's Binary table (built by
// scripts/package for each architecture). They carry out what install_plan.c decides
// for the program's command-line contract (see the README):
//
//   StopTidewell   immediate, before InstallValidate looks for files in use. Notes the
//                  copy running in this session (shown, hidden, none) for StartTidewell.
//                  Uninstall: when a copy runs, "tidewell.exe /uninst", waited for; the
//                  copy removes its task and quits. Upgrade: ends the copy as the end of
//                  a log-on does (WM_QUERYENDSESSION), which leaves the task alone, and
//                  adds the installed exes to Windows Installer's Restart Manager session,
//                  which closes any copy left (another session, a higher integrity level)
//                  the same way at InstallValidate.
//   StartTidewell  after the install, only in an active interactive session: a first
//                  install "tidewell.exe /inst" (registers the log-on task); an upgrade
//                  starts the new version where a copy ran ("/start" when it sat in
//                  the tray), which finds the task as the user left it.
//
// Every copy must be gone before RemoveExistingProducts runs the replaced package's own
// uninstall: a released package's StopTidewell sends "/uninst" to a copy it finds. Only
// immediate actions and InstallValidate come before it (no deferred action may precede
// the removal of the old product), and an immediate action of a double-clicked package
// runs with the user's filtered token, whose messages User Interface Privilege Isolation
// keeps from the elevated window. InstallValidate's Restart Manager runs in the installer
// service and reaches it; a released version understands nothing else that would leave
// its task alone.
//
// Why StartTidewell goes through the shell, not a plain "ExeCommand" custom action:
// Windows Installer starts an EXE custom action with CreateProcess under the installing
// user's token. Under UAC that is the filtered token whenever msiexec itself was not
// started elevated, and CreateProcess refuses an exe whose manifest says
// "requireAdministrator" with ERROR_ELEVATION_REQUIRED (740). ShellExecuteEx asks for
// consent instead, and runs the program at once when the token is already elevated.
//
// Every action returns success: a program that can't be started or stopped must never
// fail or roll back an install, and above all never block an uninstall. What they did
// goes to the installer's log (msiexec /l*v), each line beginning "Tidewell: ".
#include <windows.h>
#include <msi.h>
#include <msiquery.h>
#include <objbase.h>
#include <restartmanager.h>
#include <shellapi.h>
#include <wchar.h>
#include <wtsapi32.h>

#include "installer/install_plan.h"

// The main window's class, the same text as the program's single-instance mutex.
static const wchar_t kWindowClass[] = L"TFrmTidewell";
// The copy StopTidewell saw, for StartTidewell: "shown", "hidden" or empty. A private
// property (lower case): it can't be given on msiexec's command line.
static const wchar_t kCopyProperty[] = L"TidewellCopy";
// How long StopTidewell waits for "/uninst" (which itself gives the running copy up to
// one second) and then for the running copy's process to end.
static const DWORD kUninstWaitMs = 15000;
static const DWORD kExitWaitMs = 10000;
// How long a window may take to answer the end of the session.
static const UINT kEndSessionAnswerMs = 5000;

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

// Resolves a formatted string such as "[INSTALLDIR]tidewell.exe".
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

// A property's value; empty when it is not set or longer than the buffer.
static void Property(MSIHANDLE install, const wchar_t* name, wchar_t* out, DWORD size) {
  if (MsiGetPropertyW(install, name, out, &size) != ERROR_SUCCESS) out[0] = L'\0';
}

static BOOL PropertySet(MSIHANDLE install, const wchar_t* name) {
  wchar_t value[2] = L"";
  DWORD size = sizeof value / sizeof value[0];
  // ERROR_MORE_DATA: longer than one character, so set.
  const UINT status = MsiGetPropertyW(install, name, value, &size);
  return (status == ERROR_SUCCESS && value[0] != L'\0') || status == ERROR_MORE_DATA;
}

static tw_operation CurrentOperation(MSIHANDLE install) {
  wchar_t remove[16];
  Property(install, L"REMOVE", remove, sizeof remove / sizeof remove[0]);
  return tw_operation_of(PropertySet(install, L"Installed"), _wcsicmp(remove, L"ALL") == 0,
                         PropertySet(install, L"WIX_UPGRADE_DETECTED"));
}

// Whether a program this process starts would show on a desktop a user sees.
static BOOL InActiveInteractiveSession(MSIHANDLE install) {
  DWORD session = 0;
  if (!ProcessIdToSessionId(GetCurrentProcessId(), &session)) return FALSE;
  WTS_CONNECTSTATE_CLASS* state = NULL;
  DWORD bytes = 0;
  const BOOL known = WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, session, WTSConnectState,
                                                 (LPWSTR*)&state, &bytes) &&
                     state != NULL && bytes >= sizeof *state;
  const BOOL active = known && *state == WTSActive;
  if (state != NULL) WTSFreeMemory(state);
  USEROBJECTFLAGS flags;
  ZeroMemory(&flags, sizeof flags);
  const BOOL visible = GetUserObjectInformationW(GetProcessWindowStation(), UOI_FLAGS, &flags, sizeof flags, NULL) &&
                       (flags.dwFlags & WSF_VISIBLE);
  const int interactive = tw_session_is_interactive(session, known, active, visible);
  if (!interactive)
    Log(install, L"Tidewell: not an active interactive session%ls (session %lu)", known ? L"" : L", its state unknown",
        session);
  return interactive;
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
  info.lpParameters = arguments[0] != L'\0' ? arguments : NULL;
  info.lpDirectory = slash ? folder : NULL;
  info.nShow = SW_SHOWNORMAL;
  // The shell may hand the start to COM objects; it wants an apartment for that.
  const HRESULT com = CoInitializeEx(NULL, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  const BOOL started = ShellExecuteExW(&info);
  const DWORD error = started ? 0 : GetLastError();
  if (SUCCEEDED(com)) CoUninitialize();
  wchar_t command[MAX_PATH * 3];
  _snwprintf(command, sizeof command / sizeof command[0] - 1, arguments[0] != L'\0' ? L"\"%ls\" %ls" : L"\"%ls\"%ls",
             path, arguments);
  command[sizeof command / sizeof command[0] - 1] = L'\0';
  if (!started) {
    Log(install, L"Tidewell: could not start %ls (error %lu)", command, error);
    return FALSE;
  }
  Log(install, L"Tidewell: started %ls", command, 0);
  if (process) *process = info.hProcess;  // may be null when the shell reused a process
  return TRUE;
}

// Waits, bounded, for the copy that owns the window to end: on its process when this
// process may wait on it (it runs elevated), else on the window.
static void WaitForCopyToEnd(MSIHANDLE install, HWND window, HANDLE running) {
  BOOL ended;
  if (running != NULL) {
    ended = WaitForSingleObject(running, kExitWaitMs) == WAIT_OBJECT_0;
  } else {
    for (DWORD waited = 0; waited < kExitWaitMs && IsWindow(window); waited += 100) Sleep(100);
    ended = !IsWindow(window);
  }
  Log(install, ended ? L"Tidewell: the running copy has ended%ls" : L"Tidewell: the running copy is still there%ls",
      L"", 0);
}

static HANDLE OpenCopy(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return pid != 0 ? OpenProcess(SYNCHRONIZE, FALSE, pid) : NULL;
}

// "tidewell.exe /uninst" when a copy runs, then the copy's end. Only the installed exe
// is ever started, never the one the running window's process was started from: that
// may be any program that made a window of this class, and this action may run with an
// administrator's full token.
static void AskToUninstall(MSIHANDLE install, HWND window) {
  wchar_t path[MAX_PATH * 2] = L"";
  if (!Format(install, L"[INSTALLDIR]tidewell.exe", path, sizeof path / sizeof path[0]) || !FileExists(path)) {
    Log(install, L"Tidewell: a copy runs, but there is no installed exe (%ls) to ask it to quit", path, 0);
    return;
  }
  HANDLE running = OpenCopy(window);
  HANDLE uninst = NULL;
  if (ShellStart(install, path, L"/uninst", &uninst)) {  // consent refused, for one
    if (uninst != NULL) {
      if (WaitForSingleObject(uninst, kUninstWaitMs) == WAIT_TIMEOUT)
        Log(install, L"Tidewell: \"%ls\" /uninst did not end in time", path, 0);
      CloseHandle(uninst);
    }
    // "/uninst" stops waiting after a second; the copy may still be closing.
    WaitForCopyToEnd(install, window, running);
  }
  if (running != NULL) CloseHandle(running);
}

// Ends the copy as the end of a log-on does: every version closes at once on
// WM_QUERYENDSESSION and leaves its task alone. Under UAC, from a filtered token, User
// Interface Privilege Isolation refuses the message (access denied); InstallValidate's
// Restart Manager closes the copy then.
static void CloseAsAtLogOff(MSIHANDLE install, HWND window) {
  HANDLE running = OpenCopy(window);
  DWORD_PTR answer = 0;
  const LRESULT sent = SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP,
                                           SMTO_ABORTIFHUNG | SMTO_BLOCK, kEndSessionAnswerMs, &answer);
  if (sent != 0 && answer != 0) {
    DWORD_PTR ignored;
    SendMessageTimeoutW(window, WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                        kEndSessionAnswerMs, &ignored);
    Log(install, L"Tidewell: asked the running copy to close as at the end of a log-on%ls", L"", 0);
    WaitForCopyToEnd(install, window, running);
  } else {
    Log(install, L"Tidewell: the running copy did not take the end of the session here (error %lu)", L"",
        sent != 0 ? 0 : GetLastError());
  }
  if (running != NULL) CloseHandle(running);
}

enum { kMaxExes = 4, kExePathSize = MAX_PATH + 16 };

// Adds an exe to the list unless it is there already or missing.
static UINT AddExe(wchar_t exes[][kExePathSize], UINT count, const wchar_t* path) {
  if (count == kMaxExes || !FileExists(path)) return count;
  for (UINT i = 0; i < count; ++i)
    if (_wcsicmp(exes[i], path) == 0) return count;
  wcsncpy(exes[count], path, kExePathSize - 1);
  exes[count][kExePathSize - 1] = L'\0';
  return count + 1;
}

// The installed exes: the new package's path and each replaced product's, which may be
// elsewhere (the other architecture's Program Files, a chosen folder).
static UINT InstalledExes(MSIHANDLE install, wchar_t exes[][kExePathSize]) {
  wchar_t path[kExePathSize];
  UINT count = 0;
  if (Format(install, L"[INSTALLDIR]tidewell.exe", path, kExePathSize)) count = AddExe(exes, count, path);
  wchar_t codes[39 * 8 + 1];
  Property(install, L"WIX_UPGRADE_DETECTED", codes, sizeof codes / sizeof codes[0]);
  for (wchar_t* code = codes; *code != L'\0';) {
    wchar_t* end = wcschr(code, L';');
    if (end != NULL) *end = L'\0';
    wchar_t folder[MAX_PATH];
    DWORD size = sizeof folder / sizeof folder[0];
    if (MsiGetProductInfoW(code, INSTALLPROPERTY_INSTALLLOCATION, folder, &size) == ERROR_SUCCESS &&
        folder[0] != L'\0') {
      _snwprintf(path, kExePathSize - 1, L"%ls%lstidewell.exe", folder, folder[wcslen(folder) - 1] == L'\\' ? L"" : L"\\");
      path[kExePathSize - 1] = L'\0';
      count = AddExe(exes, count, path);
    }
    if (end == NULL) break;
    code = end + 1;
  }
  return count;
}

// Adds the installed exes to Windows Installer's own Restart Manager session, which
// InstallValidate, next, acts on from the installer service: it closes every process
// that runs one of them, in any session and at any integrity level, through
// WM_QUERYENDSESSION with ENDSESSION_CLOSEAPP (a silent install always, one with a user
// interface after asking). Without this it would only look at files the package
// replaces, not at an exe of the same version or one in another folder.
static void AddToInstallerRestartManager(MSIHANDLE install) {
  wchar_t exes[kMaxExes][kExePathSize];
  const UINT count = InstalledExes(install, exes);
  const wchar_t* paths[kMaxExes];
  for (UINT i = 0; i < count; ++i) {
    paths[i] = exes[i];
    Log(install, L"Tidewell: installed exe %ls", paths[i], 0);
  }
  wchar_t key[CCH_RM_SESSION_KEY + 1];
  Property(install, L"MsiRestartManagerSessionKey", key, sizeof key / sizeof key[0]);
  if (key[0] == L'\0') {  // turned off by policy or by the package's properties
    Log(install, L"Tidewell: Windows Installer uses no Restart Manager here%ls", L"", 0);
    return;
  }
  if (count == 0) return;
  DWORD session;
  DWORD status = RmJoinSession(&session, key);
  if (status == ERROR_SUCCESS) {
    status = RmRegisterResources(session, count, paths, 0, NULL, 0, NULL);
    RmEndSession(session);
  }
  Log(install, status == ERROR_SUCCESS ? L"Tidewell: the Restart Manager closes any copy still running%ls"
                                       : L"Tidewell: the Restart Manager refused the exes%ls (error %lu)",
      L"", status);
}

__declspec(dllexport) UINT __stdcall StopTidewell(MSIHANDLE install) {
  HWND window = FindWindowW(kWindowClass, NULL);
  const tw_running_copy copy = window == NULL ? TW_COPY_NONE : IsWindowVisible(window) ? TW_COPY_SHOWN : TW_COPY_HIDDEN;
  MsiSetPropertyW(install, kCopyProperty, copy == TW_COPY_SHOWN ? L"shown" : copy == TW_COPY_HIDDEN ? L"hidden" : L"");
  if (copy == TW_COPY_NONE) Log(install, L"Tidewell: no running copy%ls", L"", 0);
  // Only the plan's stop is used here; the session matters to what is started.
  const tw_install_plan plan = tw_plan_install(CurrentOperation(install), copy, FALSE);
  if (plan.stop == TW_STOP_UNINST) AskToUninstall(install, window);
  if (plan.stop == TW_STOP_CLOSE) {
    if (window != NULL) CloseAsAtLogOff(install, window);
    AddToInstallerRestartManager(install);
  }
  return ERROR_SUCCESS;
}

__declspec(dllexport) UINT __stdcall StartTidewell(MSIHANDLE install) {
  wchar_t seen[16];
  Property(install, kCopyProperty, seen, sizeof seen / sizeof seen[0]);
  const tw_running_copy copy = wcscmp(seen, L"shown") == 0    ? TW_COPY_SHOWN
                               : wcscmp(seen, L"hidden") == 0 ? TW_COPY_HIDDEN
                                                              : TW_COPY_NONE;
  const tw_install_plan plan = tw_plan_install(CurrentOperation(install), copy, InActiveInteractiveSession(install));
  if (!plan.start) {
    Log(install, L"Tidewell: nothing to start%ls", L"", 0);
    return ERROR_SUCCESS;
  }
  wchar_t path[MAX_PATH * 2] = L"";
  if (!Format(install, L"[INSTALLDIR]tidewell.exe", path, sizeof path / sizeof path[0]) || !FileExists(path)) {
    Log(install, L"Tidewell: no installed program to start (%ls)", path, 0);
    return ERROR_SUCCESS;
  }
  ShellStart(install, path, plan.start_argument, NULL);
  return ERROR_SUCCESS;
}
