// The floor for Tidewell's start-up time and private memory under Wine: a bare
// window (bench/bare_window.cpp) that also does the platform work the main window's
// creation cannot do without, in the same order and with the same calls, and
// nothing else:
//   - a Task Scheduler query over COM on the UI thread (apartment, security,
//     service, connect, root folder, enumerate the tasks, release, leave the
//     apartment), before the window shows;
//   - a background worker, started then, that loads winhttp.dll and sends an HTTPS
//     GET every 10 s to a loopback port that refuses, as the update check does with
//     the network blocked (session per request, TLS 1.2 asked for).
// No implementation of the program can start faster or use less memory than this.
// Built for win64 by bench/startup_wine.sh, never part of the product.
//
//   floor_window.exe [PORT]   (default 9: nothing listens there)
#include <windows.h>
// after windows.h
#include <taskschd.h>
#include <winhttp.h>

#include <cwchar>
#include <cwctype>

namespace {

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// {0F87369F-A4E5-4CFC-BD3E-73E6154572DD}, {2FABA4C7-4DA9-4013-9697-20CC3FD40F85}
constexpr CLSID kClsidTaskScheduler{0x0f87369f, 0xa4e5, 0x4cfc, {0xbd, 0x3e, 0x73, 0xe6, 0x15, 0x45, 0x72, 0xdd}};
constexpr IID kIidTaskService{0x2faba4c7, 0x4da9, 0x4013, {0x96, 0x97, 0x20, 0xcc, 0x3f, 0xd4, 0x0f, 0x85}};

// The query of the autostart box: does the root folder list a task of this name?
bool TaskListed(const wchar_t* name) {
  bool found = false;
  if (FAILED(CoInitialize(nullptr))) return false;
  CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_PKT, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr,
                       EOAC_NONE, nullptr);
  ITaskService* service = nullptr;
  if (SUCCEEDED(CoCreateInstance(kClsidTaskScheduler, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                 kIidTaskService, reinterpret_cast<void**>(&service)))) {
    VARIANT empty;
    VariantInit(&empty);
    ITaskFolder* folder = nullptr;
    BSTR root = SysAllocString(L"\\");
    if (SUCCEEDED(service->Connect(empty, empty, empty, empty)) && SUCCEEDED(service->GetFolder(root, &folder))) {
      IRegisteredTaskCollection* tasks = nullptr;
      LONG count = 0;
      if (SUCCEEDED(folder->GetTasks(0, &tasks)) && SUCCEEDED(tasks->get_Count(&count))) {
        for (LONG i = 1; i <= count && !found; ++i) {
          VARIANT index;
          VariantInit(&index);
          index.vt = VT_I4;
          index.lVal = i;
          IRegisteredTask* task = nullptr;
          BSTR taskName = nullptr;
          if (SUCCEEDED(tasks->get_Item(index, &task)) && SUCCEEDED(task->get_Name(&taskName))) {
            found = std::wcscmp(taskName, name) == 0;
          }
          SysFreeString(taskName);
          if (task) task->Release();
        }
      }
      if (tasks) tasks->Release();
    }
    SysFreeString(root);
    if (folder) folder->Release();
    service->Release();
  }
  CoUninitialize();
  return found;
}

struct WinHttp {
  decltype(&::WinHttpOpen) Open;
  decltype(&::WinHttpSetOption) SetOption;
  decltype(&::WinHttpConnect) Connect;
  decltype(&::WinHttpOpenRequest) OpenRequest;
  decltype(&::WinHttpSendRequest) SendRequest;
  decltype(&::WinHttpReceiveResponse) ReceiveResponse;
  decltype(&::WinHttpCloseHandle) CloseHandle;
};

template <typename F>
bool Resolve(HMODULE dll, const char* name, F& f) {
  f = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
  return f != nullptr;
}

// One GET of the update check's kind: every handle opened and closed for this request.
void Get(const WinHttp& http, INTERNET_PORT port) {
  HINTERNET session =
      http.Open(L"Floor", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
  if (!session) return;
  DWORD protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2;
  http.SetOption(session, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols);
  if (HINTERNET connection = http.Connect(session, L"127.0.0.1", port, 0)) {
    if (HINTERNET request = http.OpenRequest(connection, L"GET", L"/update", nullptr, WINHTTP_NO_REFERER,
                                             WINHTTP_DEFAULT_ACCEPT_TYPES, WINHTTP_FLAG_SECURE)) {
      if (http.SendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0)) {
        http.ReceiveResponse(request, nullptr);
      }
      http.CloseHandle(request);
    }
    http.CloseHandle(connection);
  }
  http.CloseHandle(session);
}

DWORD WINAPI CheckEvery10Seconds(void* parameter) {
  const auto port = static_cast<INTERNET_PORT>(reinterpret_cast<UINT_PTR>(parameter));
  HMODULE dll = LoadLibraryExW(L"winhttp.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  WinHttp http{};
  if (!dll || !Resolve(dll, "WinHttpOpen", http.Open) || !Resolve(dll, "WinHttpSetOption", http.SetOption) ||
      !Resolve(dll, "WinHttpConnect", http.Connect) || !Resolve(dll, "WinHttpOpenRequest", http.OpenRequest) ||
      !Resolve(dll, "WinHttpSendRequest", http.SendRequest) ||
      !Resolve(dll, "WinHttpReceiveResponse", http.ReceiveResponse) ||
      !Resolve(dll, "WinHttpCloseHandle", http.CloseHandle)) {
    return 1;
  }
  for (;;) {
    Get(http, port);
    Sleep(10000);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
  const unsigned long port = std::iswdigit(commandLine[0]) ? std::wcstoul(commandLine, nullptr, 10) : 9;

  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = L"FloorWindow";
  if (!RegisterClassExW(&windowClass)) return 1;

  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  RECT frame{0, 0, 500, 430};
  AdjustWindowRect(&frame, style, FALSE);
  HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"Floor window", style, CW_USEDEFAULT, CW_USEDEFAULT,
                                frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance,
                                nullptr);
  if (!window) return 1;

  // The creation's platform work, between the window's creation and its showing.
  // The answer would tick a box; here only the work counts.
  static_cast<void>(TaskListed(L"Tidewell"));
  HANDLE worker = CreateThread(nullptr, 0, CheckEvery10Seconds, reinterpret_cast<void*>(static_cast<UINT_PTR>(port)),
                               0, nullptr);
  if (worker) CloseHandle(worker);

  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
