// Opening pages, folders and files. This process is elevated, and whatever it
// starts itself inherits that: the browser, or whatever handler the user's own
// classes name for https. So it only ever asks the desktop's shell view, which
// lives in Explorer with the user's ordinary rights, to open them. That is a call
// into another process, which can hang (Explorer restarting, not yet up at log-on),
// so it runs on a thread of its own and the caller waits a few seconds at most.
#include <windows.h>
// after windows.h
#include <exdisp.h>
#include <servprov.h>
#include <shellapi.h>
#include <shlguid.h>
#include <shlobj.h>
#include <shldisp.h>

#include <functional>
#include <memory>

#include "common/error.h"
#include "common/win32/com.h"
#include "common/win32/handles.h"
#include "update/update.h"
#include "update/win32/platform_win32.h"

namespace zeph::update {
namespace {

// The shell's automation object (IShellDispatch2) of the desktop's shell view, and
// the desktop window that Explorer's process owns.
HRESULT DesktopShellDispatch(ComPtr<IShellDispatch2>& out, HWND& desktop) {
  ComPtr<IShellWindows> windows;
  HRESULT hr = Got(::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                      reinterpret_cast<void**>(windows.put())),
                   windows);
  if (FAILED(hr)) return hr;

  Variant location;
  location.SetI4(CSIDL_DESKTOP);
  Variant root;
  LONG window = 0;
  ComPtr<IDispatch> desktopDispatch;
  hr = windows.get()->FindWindowSW(const_cast<VARIANT*>(&location.get()), const_cast<VARIANT*>(&root.get()),
                                   SWC_DESKTOP, &window, SWFO_NEEDDISPATCH, desktopDispatch.put());
  if (hr != S_OK) return FAILED(hr) ? hr : E_FAIL;  // S_FALSE: there is no desktop window
  if (FAILED(hr = Got(hr, desktopDispatch))) return hr;
  desktop = reinterpret_cast<HWND>(static_cast<LONG_PTR>(window));

  ComPtr<IServiceProvider> services;
  if (FAILED(hr = QueryInto(desktopDispatch.get(), IID_IServiceProvider, services))) return hr;
  ComPtr<IShellBrowser> browser;
  hr = services.get()->QueryService(SID_STopLevelBrowser, IID_IShellBrowser,
                                    reinterpret_cast<void**>(browser.put()));
  if (FAILED(hr = Got(hr, browser))) return hr;
  ComPtr<IShellView> view;
  if (FAILED(hr = Got(browser.get()->QueryActiveShellView(view.put()), view))) return hr;
  ComPtr<IDispatch> background;
  hr = view.get()->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, reinterpret_cast<void**>(background.put()));
  if (FAILED(hr = Got(hr, background))) return hr;
  ComPtr<IShellFolderViewDual> folderView;
  if (FAILED(hr = QueryInto(background.get(), IID_IShellFolderViewDual, folderView))) return hr;
  ComPtr<IDispatch> application;
  if (FAILED(hr = Got(folderView.get()->get_Application(application.put()), application))) return hr;
  return QueryInto(application.get(), IID_IShellDispatch2, out);
}

// The COM chain, on the calling thread in an apartment of its own.
bool OpenThroughDesktopShell(const std::wstring& verb, const std::wstring& file, int showCommand) {
  const ScopedComApartment com;
  ComPtr<IShellDispatch2> shell;
  HWND desktop = nullptr;
  if (FAILED(DesktopShellDispatch(shell, desktop))) return false;

  UniqueBstr target;
  Variant arguments, directory, operation, show;
  if (FAILED(MakeBstr(file, target)) || FAILED(operation.Set(verb))) return false;
  show.SetI4(showCommand);
  // The user just asked for the page, so this process may come to the front; pass
  // that on to Explorer, or the browser it starts would open behind this window.
  DWORD explorer = 0;
  if (desktop && ::GetWindowThreadProcessId(desktop, &explorer) != 0) ::AllowSetForegroundWindow(explorer);
  return SUCCEEDED(
      shell.get()->ShellExecute(target.get(), arguments.get(), directory.get(), operation.get(), show.get()));
}

DWORD WINAPI RunBody(void* parameter) {
  const std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(parameter));
  (*body)();  // BoundedCall's body catches what the call throws
  return 0;
}

// A detached system thread per call; nobody joins it, as a hung one may never end.
class SystemThreads final : public ThreadStarter {
 public:
  void Start(std::function<void()> body) override {
    auto owned = std::make_unique<std::function<void()>>(std::move(body));
    const win32::UniqueHandle thread(::CreateThread(nullptr, 0, RunBody, owned.get(), 0, nullptr));
    if (!thread) throw Error(L"Windows could not start a thread.");
    owned.release();  // the thread owns it now
  }
};

}  // namespace

bool Win32Shell::ExecuteAsDesktopUser(const std::wstring& verb, const std::wstring& file, int showCommand) {
  SystemThreads threads;
  return BoundedCall(threads, std::make_shared<Win32StopEvent>(),
                     [verb, file, showCommand] { return OpenThroughDesktopShell(verb, file, showCommand); },
                     timeoutMilliseconds_);
}

}  // namespace zeph::update
