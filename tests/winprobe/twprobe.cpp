// twprobe: looks at Tidewell's windows from outside and presses their controls, for
// the end-to-end tests under Wine. Controls are named by their model names, read
// from the window property of app/win32/form/probe_contract.h. Output is UTF-8.
//
//   twprobe ids                        TW_ID_<name>=<id> for every button id of the program's
//                                      boxes (TIDEWELL_BUTTON_IDS), for a script to eval
//   twprobe find CLASS                 the top-level window's handle; exit 1 if none
//   twprobe pid CLASS                  the id of the process that owns that window
//   twprobe crash CLASS                crashes that process: starts a thread of it at an
//                                      invalid address (the crash reporter's test)
//   twprobe inject CLASS DLL [EXPORT] loads DLL (a file beside twprobe.exe) into that
//                                      process on a thread of it, then starts EXPORT
//                                      (a thread procedure) on a new thread there
//   twprobe window CLASS               visible iconic foreground client=WxH rect=l,t,r,b dpi caption
//   twprobe controls CLASS             one line per child control (see PrintControl)
//   twprobe control CLASS NAME         that control's line; exit 1 if there is none
//   twprobe click CLASS NAME           presses a button or check box (BM_CLICK, posted)
//                                      or clicks any other control at its centre
//   twprobe pick CLASS NAME INDEX      picks a drop-down item as a user does
//   twprobe focus CLASS                the control with the keyboard focus: class, model
//                                      name and id, tab-separated; exit 1 if none
//   twprobe accessible CLASS NAME      what a screen reader learns of the control
//                                      (OBJID_CLIENT, the control itself): role=0x..
//                                      state=0x.. name=..., tab-separated
//   twprobe send CLASS MSG WPARAM LPARAM   SendMessageTimeout (5 s); prints the result
//   twprobe post CLASS MSG WPARAM LPARAM   PostMessage
//   twprobe ping CLASS MS [NAME]       presses NAME first when given, then sends WM_NULL
//                                      (SendMessageTimeout, 2 s) again and again for MS ms;
//                                      prints count= and the slowest round trip max_ms=
//   twprobe menu                       the open pop-up menu's rectangle l,t,r,b; exit 1 if none
//   twprobe msgbox CAPTION             text=, status= (a dialog's status line, where it has
//                                      one) and one button= line per button of the box
//   twprobe press CAPTION BUTTON       presses the box's button by text or id
//   twprobe rect CAPTION               the box's screen rectangle and its client area's,
//                                      window=l,t,r,b client=l,t,r,b
//   twprobe storm CLASS SEED COUNT     a storm of private-range messages (see storm.h)
//   twprobe settingchange AREA         broadcasts WM_SETTINGCHANGE with the area's name as
//                                      Windows does ("ImmersiveColorSet": apps light/dark)
//   twprobe wait MS CONDITION...       polls every 50 ms until CONDITION holds; exit 1 at
//                                      the deadline. CONDITION is one of:
//                                        exists CLASS | gone CLASS | shown CLASS | hidden CLASS
//                                        msgbox CAPTION | nomsgbox CAPTION | menu
//                                        focus CAPTION ID (the box is in front and its
//                                          control ID has the keyboard focus)
//                                        text CLASS NAME TEXT | checked CLASS NAME 0|1
//                                        visible CLASS NAME 0|1
//                                        focused CLASS NAME (the control has the focus)
//                                        dropped CLASS NAME 0|1 (a drop-down's list is open)
// A message box counts once it is visible: before that it may still lack its
// controls. Numbers may be decimal or 0x-hex. Exit status 2 is a usage error.
#include <windows.h>
#include <oleacc.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/win32/form/probe_contract.h"
#include "common/win32/handles.h"
#include "common/win32/optional_functions.h"
#include "tests/winprobe/storm.h"

namespace {

using zeph::win32::kNameProperty;

// Reads wait for a busy window rather than give up on it: a thread that has not
// looked at its messages for five seconds (a start on a loaded machine) counts as
// hung to SMTO_ABORTIFHUNG, even in the moment it opens a message box.
constexpr UINT kSendFlags = SMTO_NORMAL;
constexpr UINT kSendMs = 5000;

void Out(const std::wstring& text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n, nullptr, nullptr);
  bytes += '\n';
  fwrite(bytes.data(), 1, bytes.size(), stdout);
  fflush(stdout);
}

std::wstring Text(HWND hwnd) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, kSendFlags, kSendMs, &length)) return L"";
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), kSendFlags, kSendMs,
                      &copied);
  text.resize(copied);
  // One line per control: line breaks in a caption are shown escaped.
  std::wstring flat;
  for (wchar_t c : text) flat += c == L'\r' ? L"\\r" : c == L'\n' ? L"\\n" : std::wstring(1, c);
  return flat;
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[256] = {};
  GetClassNameW(hwnd, name, 256);
  return name;
}

std::wstring NameOf(HWND hwnd) {
  const auto atom = static_cast<ATOM>(reinterpret_cast<UINT_PTR>(GetPropW(hwnd, kNameProperty)));
  wchar_t name[256] = {};
  if (atom == 0 || GlobalGetAtomNameW(atom, name, 256) == 0) return L"";
  return name;
}

LRESULT Send(HWND hwnd, UINT msg, WPARAM w = 0, LPARAM l = 0) {
  DWORD_PTR result = 0;
  SendMessageTimeoutW(hwnd, msg, w, l, kSendFlags, kSendMs, &result);
  return static_cast<LRESULT>(result);
}

// A named CALLBACK, not a lambda: on 32-bit Windows a lambda converts to a cdecl
// pointer, and the enumeration calls stdcall.
BOOL CALLBACK CollectChild(HWND hwnd, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(hwnd);
  return TRUE;
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> found;
  EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&found));
  return found;
}

HWND FindControl(HWND top, const std::wstring& name) {
  for (HWND child : Children(top)) {
    if (NameOf(child) == name) return child;
  }
  return nullptr;
}

bool IsCheckable(HWND hwnd) {
  const LONG type = GetWindowLongW(hwnd, GWL_STYLE) & BS_TYPEMASK;
  return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON ||
         type == BS_3STATE || type == BS_AUTO3STATE;
}

// name id class visible enabled checked selection rect text, tab-separated.
// visible is IsWindowVisible (the control and all its parents), checked is -1 for
// controls that are not check boxes, selection -1 for those that are not drop-downs.
std::wstring ControlLine(HWND hwnd) {
  const std::wstring cls = ClassOf(hwnd);
  long checked = -1, selection = -1;
  if (_wcsicmp(cls.c_str(), L"Button") == 0 && IsCheckable(hwnd)) checked = static_cast<long>(Send(hwnd, BM_GETCHECK));
  if (_wcsicmp(cls.c_str(), L"ComboBox") == 0) selection = static_cast<long>(Send(hwnd, CB_GETCURSEL));
  RECT r{};
  GetWindowRect(hwnd, &r);
  wchar_t head[512];
  swprintf(head, 512, L"%ls\t%d\t%ls\t%d\t%d\t%ld\t%ld\t%ld,%ld,%ld,%ld\t", NameOf(hwnd).c_str(), GetDlgCtrlID(hwnd),
           cls.c_str(), IsWindowVisible(hwnd) ? 1 : 0, IsWindowEnabled(hwnd) ? 1 : 0, checked, selection, r.left, r.top,
           r.right, r.bottom);
  return head + Text(hwnd);
}

HWND FindTop(const std::wstring& cls) { return FindWindowW(cls.c_str(), nullptr); }

// A message box of this process tree is a #32770 dialog with the caption.
HWND AnyBox(const std::wstring& caption) { return FindWindowW(L"#32770", caption.c_str()); }
HWND FindBox(const std::wstring& caption) {
  HWND box = AnyBox(caption);
  return IsWindowVisible(box) ? box : nullptr;
}

// The keyboard focus of the window's thread, as GetGUIThreadInfo reports it.
HWND FocusOf(HWND hwnd) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!hwnd || !GetGUIThreadInfo(GetWindowThreadProcessId(hwnd, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

// A pop-up menu that is open is a visible window of the system class #32768.
HWND OpenMenu() {
  for (HWND w = FindWindowExW(nullptr, nullptr, L"#32768", nullptr); w; w = FindWindowExW(nullptr, w, L"#32768", nullptr)) {
    if (IsWindowVisible(w)) return w;
  }
  return nullptr;
}

void PrintBox(HWND box) {
  constexpr int kStatusId = 0xFFFD;  // the program's dialogs' status line
  std::wstring text;
  std::vector<HWND> buttons;
  for (HWND child : Children(box)) {
    const std::wstring cls = ClassOf(child);
    if (GetDlgCtrlID(child) == kStatusId) continue;
    if (_wcsicmp(cls.c_str(), L"Static") == 0 && !Text(child).empty()) text = Text(child);
    if (_wcsicmp(cls.c_str(), L"Button") == 0 && IsWindowVisible(child)) buttons.push_back(child);
  }
  Out(L"text=" + text);
  if (HWND status = GetDlgItem(box, kStatusId)) Out(L"status=" + Text(status));
  HWND focus = FocusOf(box);
  for (HWND b : buttons) {
    const bool isDefault = (GetWindowLongW(b, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    Out(L"button=" + std::to_wstring(GetDlgCtrlID(b)) + L"\t" + Text(b) + (isDefault ? L"\tdefault" : L"") +
        (b == focus ? L"\tfocus" : L"") + (IsWindowEnabled(b) ? L"" : L"\tdisabled"));
  }
}

long long Number(const wchar_t* text) { return static_cast<long long>(std::wcstoull(text, nullptr, 0)); }

int Click(HWND control) {
  if (_wcsicmp(ClassOf(control).c_str(), L"Button") == 0) {
    PostMessageW(control, BM_CLICK, 0, 0);
  } else {
    RECT r{};
    GetClientRect(control, &r);
    const LPARAM at = MAKELPARAM((r.right - r.left) / 2, (r.bottom - r.top) / 2);
    PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(control, WM_LBUTTONUP, 0, at);
  }
  return 0;
}

int Pick(HWND combo, long long index) {
  if (Send(combo, CB_GETCOUNT) <= index) return 1;
  Send(combo, CB_SETCURSEL, static_cast<WPARAM>(index));
  PostMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(combo));
  return 0;
}

int Press(HWND box, const std::wstring& which) {
  for (HWND child : Children(box)) {
    if (_wcsicmp(ClassOf(child).c_str(), L"Button") != 0) continue;
    std::wstring plain;  // "&Yes" matches "Yes"
    for (wchar_t c : Text(child)) {
      if (c != L'&') plain += c;
    }
    if (plain == which || std::to_wstring(GetDlgCtrlID(child)) == which) {
      PostMessageW(child, BM_CLICK, 0, 0);
      return 0;
    }
  }
  return 1;
}

// A thread of the process that starts at an address holding no code faults at once,
// on a thread of its own, as a wild jump in the program would.
int CrashProcess(DWORD pid) {
  const zeph::win32::UniqueHandle process(OpenProcess(
      PROCESS_CREATE_THREAD | PROCESS_QUERY_INFORMATION | PROCESS_VM_OPERATION | PROCESS_VM_WRITE | PROCESS_VM_READ,
      FALSE, pid));
  if (!process) return 1;
  const auto start = reinterpret_cast<LPTHREAD_START_ROUTINE>(static_cast<UINT_PTR>(0x10));
  const zeph::win32::UniqueHandle thread(CreateRemoteThread(process.get(), nullptr, 0, start, nullptr, 0, nullptr));
  return thread ? 0 : 1;
}

// The base of the module `name` (its file name) in `process`; null when not loaded.
UINT_PTR RemoteModule(HANDLE process, const std::wstring& name) {
  HMODULE modules[1024];
  DWORD bytes = 0;
  if (!EnumProcessModules(process, modules, sizeof modules, &bytes)) return 0;
  for (DWORD i = 0; i < bytes / sizeof(HMODULE) && i < 1024; ++i) {
    wchar_t base[MAX_PATH] = {};
    if (GetModuleBaseNameW(process, modules[i], base, MAX_PATH) && _wcsicmp(base, name.c_str()) == 0) {
      return reinterpret_cast<UINT_PTR>(modules[i]);
    }
  }
  return 0;
}

// `local`, a function of this process's module `module`, at its place in `process`.
UINT_PTR RemoteFunction(HANDLE process, const wchar_t* module, HMODULE localModule, FARPROC local) {
  const UINT_PTR remote = RemoteModule(process, module);
  if (!remote || !local) return 0;
  return remote + (reinterpret_cast<UINT_PTR>(local) - reinterpret_cast<UINT_PTR>(localModule));
}

HANDLE StartRemote(HANDLE process, UINT_PTR start, void* parameter) {
  return CreateRemoteThread(process, nullptr, 0, reinterpret_cast<LPTHREAD_START_ROUTINE>(start), parameter, 0,
                            nullptr);
}

// Loads `dll` into the process as a thread of it would (its DllMain runs there),
// then starts `exported` on a thread of it. A DllMain that faults never returns
// from the load: then there is no export to start.
int Inject(DWORD pid, const std::wstring& dll, const std::wstring& exported) {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 1;
  std::wstring file(path);
  file = file.substr(0, file.find_last_of(L"\\/") + 1) + dll;
  const zeph::win32::UniqueHandle owner(OpenProcess(PROCESS_ALL_ACCESS, FALSE, pid));
  const HANDLE process = owner.get();
  if (!process) return 1;
  const std::size_t bytes = (file.size() + 1) * sizeof(wchar_t);
  void* remotePath = VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  int status = 1;
  const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
  const UINT_PTR load = RemoteFunction(process, L"kernel32.dll", kernel32, GetProcAddress(kernel32, "LoadLibraryW"));
  if (remotePath && load && WriteProcessMemory(process, remotePath, file.c_str(), bytes, nullptr)) {
    if (const zeph::win32::UniqueHandle loader(StartRemote(process, load, remotePath)); loader) {
      status = 0;
      if (!exported.empty()) {
        status = 1;
        // Bounded: a load that does not come back is what the caller looks for.
        if (WaitForSingleObject(loader.get(), 10000) == WAIT_OBJECT_0) {
          const HMODULE local = LoadLibraryExW(file.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
          char name[128] = {};
          WideCharToMultiByte(CP_ACP, 0, exported.c_str(), -1, name, sizeof name, nullptr, nullptr);
          const UINT_PTR start = RemoteFunction(process, dll.c_str(), local, local ? GetProcAddress(local, name) : nullptr);
          if (const zeph::win32::UniqueHandle thread(start ? StartRemote(process, start, nullptr) : nullptr); thread) {
            status = 0;
          }
        }
      }
    }
  }
  return status;
}

// One test of a wait condition; args points at the condition's words.
bool Holds(const std::vector<std::wstring>& a) {
  const auto& what = a[0];
  if (what == L"exists" && a.size() == 2) return FindTop(a[1]) != nullptr;
  if (what == L"gone" && a.size() == 2) return FindTop(a[1]) == nullptr;
  if (what == L"shown" && a.size() == 2) return IsWindowVisible(FindTop(a[1])) != FALSE;
  if (what == L"hidden" && a.size() == 2) {
    HWND top = FindTop(a[1]);
    return top && !IsWindowVisible(top);
  }
  if (what == L"menu" && a.size() == 1) return OpenMenu() != nullptr;
  if (what == L"msgbox" && a.size() == 2) {  // and its thread reads its messages
    HWND box = FindBox(a[1]);
    DWORD_PTR result = 0;
    return box && SendMessageTimeoutW(box, WM_NULL, 0, 0, kSendFlags, kSendMs, &result);
  }
  if (what == L"nomsgbox" && a.size() == 2) return AnyBox(a[1]) == nullptr;
  if (what == L"focus" && a.size() == 3) {
    HWND box = FindBox(a[1]);
    HWND focus = FocusOf(box);
    return box && GetForegroundWindow() == box && focus && GetParent(focus) == box &&
           std::to_wstring(GetDlgCtrlID(focus)) == a[2];
  }
  if (what == L"focused" && a.size() == 3) {
    HWND top = FindTop(a[1]);
    HWND focus = FocusOf(top);
    return top && focus && NameOf(focus) == a[2];
  }
  if (what == L"dropped" && a.size() == 4) {
    HWND top = FindTop(a[1]);
    HWND control = top ? FindControl(top, a[2]) : nullptr;
    return control && std::to_wstring(Send(control, CB_GETDROPPEDSTATE) ? 1 : 0) == a[3];
  }
  if ((what == L"text" || what == L"checked" || what == L"visible") && a.size() == 4) {
    HWND top = FindTop(a[1]);
    HWND control = top ? FindControl(top, a[2]) : nullptr;
    if (!control) return false;
    if (what == L"text") return Text(control) == a[3];
    if (what == L"visible") return std::to_wstring(IsWindowVisible(control) ? 1 : 0) == a[3];
    return std::to_wstring(Send(control, BM_GETCHECK)) == a[3];
  }
  throw std::invalid_argument("condition");
}

// The control as a screen reader sees it, through the window's WM_GETOBJECT answer.
int PrintAccessible(HWND control) {
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  IAccessible* object = nullptr;
  int status = 1;
  if (SUCCEEDED(AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                           reinterpret_cast<void**>(&object))) &&
      object) {
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    VARIANT role{}, state{};
    BSTR name = nullptr;
    const HRESULT hrRole = object->get_accRole(self, &role);
    const HRESULT hrState = object->get_accState(self, &state);
    const HRESULT hrName = object->get_accName(self, &name);
    wchar_t line[128];
    swprintf(line, 128, L"role=0x%lx\tstate=0x%lx\tname=", SUCCEEDED(hrRole) && role.vt == VT_I4 ? role.lVal : -1L,
             SUCCEEDED(hrState) && state.vt == VT_I4 ? state.lVal : -1L);
    Out(line + std::wstring(SUCCEEDED(hrName) && name ? name : L""));
    SysFreeString(name);
    object->Release();
    status = 0;
  }
  CoUninitialize();
  return status;
}

// How long the window's thread takes to answer, measured from outside while it works.
int Ping(HWND top, long long ms, const std::wstring& press) {
  if (!press.empty()) {
    HWND control = FindControl(top, press);
    if (!control) return 1;
    PostMessageW(control, BM_CLICK, 0, 0);
  }
  LARGE_INTEGER frequency{}, start{}, end{};
  QueryPerformanceFrequency(&frequency);
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(ms);
  double slowest = 0;
  int count = 0;
  do {
    DWORD_PTR result = 0;
    QueryPerformanceCounter(&start);
    if (!SendMessageTimeoutW(top, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &result)) return 1;
    QueryPerformanceCounter(&end);
    slowest = std::max(slowest, 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                                    static_cast<double>(frequency.QuadPart));
    ++count;
    Sleep(1);
  } while (GetTickCount64() < deadline);
  wchar_t line[64];
  swprintf(line, 64, L"count=%d max_ms=%.1f", count, slowest);
  Out(line);
  return 0;
}

int Usage() {
  fwprintf(stderr, L"usage: twprobe ids|find|pid|crash|inject|window|controls|control|click|pick|send|post|ping|storm|msgbox|press|"
                   L"rect|wait|settingchange ...\n");
  return 2;
}

int Run(const std::vector<std::wstring>& a) {
  const size_t n = a.size();
  if (n == 1 && a[0] == L"ids") {
#define TWPROBE_PRINT_ID(name, id) Out(L"TW_ID_" #name "=" + std::to_wstring(id));
    TIDEWELL_BUTTON_IDS(TWPROBE_PRINT_ID)
#undef TWPROBE_PRINT_ID
    return 0;
  }
  if (n == 1 && a[0] == L"menu") {
    HWND menu = OpenMenu();
    if (!menu) return 1;
    RECT r{};
    GetWindowRect(menu, &r);
    Out(std::to_wstring(r.left) + L"," + std::to_wstring(r.top) + L"," + std::to_wstring(r.right) + L"," +
        std::to_wstring(r.bottom));
    return 0;
  }
  if (n < 2) return Usage();
  const std::wstring& cmd = a[0];
  if (cmd == L"settingchange" && n == 2) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(a[1].c_str()),
                               SMTO_ABORTIFHUNG, kSendMs, &result)
               ? 0
               : 1;
  }
  if (cmd == L"msgbox" || cmd == L"press" || cmd == L"rect") {
    HWND box = FindBox(a[1]);
    if (!box) return 1;
    if (cmd == L"msgbox") {
      PrintBox(box);
      return 0;
    }
    if (cmd == L"rect") {
      RECT r{}, c{};
      GetWindowRect(box, &r);
      GetClientRect(box, &c);
      MapWindowPoints(box, nullptr, reinterpret_cast<POINT*>(&c), 2);
      wchar_t line[128];
      swprintf(line, 128, L"window=%ld,%ld,%ld,%ld client=%ld,%ld,%ld,%ld", r.left, r.top, r.right, r.bottom, c.left,
               c.top, c.right, c.bottom);
      Out(line);
      return 0;
    }
    return n == 3 ? Press(box, a[2]) : Usage();
  }
  if (cmd == L"wait") {
    if (n < 3) return Usage();
    const std::vector<std::wstring> condition(a.begin() + 2, a.end());
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(Number(a[1].c_str()));
    for (;;) {
      if (Holds(condition)) return 0;
      if (GetTickCount64() >= deadline) return 1;
      Sleep(50);
    }
  }

  HWND top = FindTop(a[1]);
  if (!top) return 1;
  if (cmd == L"find") {
    Out(std::to_wstring(reinterpret_cast<UINT_PTR>(top)));
    return 0;
  }
  if (cmd == L"pid" || cmd == L"crash" || cmd == L"inject") {
    DWORD pid = 0;
    GetWindowThreadProcessId(top, &pid);
    if (cmd == L"inject") return n == 3 || n == 4 ? Inject(pid, a[2], n == 4 ? a[3] : L"") : Usage();
    if (cmd == L"pid") {
      Out(std::to_wstring(pid));
      return 0;
    }
    return CrashProcess(pid);
  }
  if (cmd == L"window") {
    RECT client{}, r{};
    GetClientRect(top, &client);
    GetWindowRect(top, &r);
    const auto getDpi = zeph::win32::User32().GetDpiForWindow;
    wchar_t line[256];
    swprintf(line, 256, L"visible=%d iconic=%d foreground=%d client=%ldx%ld rect=%ld,%ld,%ld,%ld dpi=%u caption=",
             IsWindowVisible(top) ? 1 : 0, IsIconic(top) ? 1 : 0, GetForegroundWindow() == top ? 1 : 0, client.right,
             client.bottom, r.left, r.top, r.right, r.bottom, getDpi ? getDpi(top) : 96u);
    Out(line + Text(top));
    return 0;
  }
  if (cmd == L"controls") {
    for (HWND child : Children(top)) Out(ControlLine(child));
    return 0;
  }
  if (cmd == L"send" || cmd == L"post") {
    if (n != 5) return Usage();
    const auto msg = static_cast<UINT>(Number(a[2].c_str()));
    const auto w = static_cast<WPARAM>(Number(a[3].c_str()));
    const auto l = static_cast<LPARAM>(Number(a[4].c_str()));
    if (cmd == L"post") return PostMessageW(top, msg, w, l) ? 0 : 1;
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(top, msg, w, l, kSendFlags, kSendMs, &result)) return 1;
    Out(std::to_wstring(static_cast<long long>(result)));
    return 0;
  }
  if (cmd == L"storm" && n == 4) return twprobe::Storm(top, static_cast<unsigned long long>(Number(a[2].c_str())),
                                               static_cast<int>(Number(a[3].c_str())));
  if (cmd == L"ping" && (n == 3 || n == 4)) return Ping(top, Number(a[2].c_str()), n == 4 ? a[3] : L"");
  if (cmd == L"focus" && n == 2) {
    HWND focus = FocusOf(top);
    if (!focus) return 1;
    Out(ClassOf(focus) + L"\t" + NameOf(focus) + L"\t" + std::to_wstring(GetDlgCtrlID(focus)));
    return 0;
  }
  if (n < 3) return Usage();
  HWND control = FindControl(top, a[2]);
  if (!control) return 1;
  if (cmd == L"control") {
    Out(ControlLine(control));
    return 0;
  }
  if (cmd == L"click") return Click(control);
  if (cmd == L"accessible" && n == 3) return PrintAccessible(control);
  if (cmd == L"pick" && n == 4) return Pick(control, Number(a[3].c_str()));
  return Usage();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::wstring> args(argv + 1, argv + argc);
  try {
    return Run(args);
  } catch (const std::exception&) {
    return Usage();
  }
}
