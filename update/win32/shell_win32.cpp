// Opening web addresses. This process is elevated, and whatever it starts directly
// inherits that: the browser, or whatever handler the user's own classes name for
// https. So it asks the desktop's shell view, which lives in Explorer with the
// user's ordinary rights, to open the address; only where no desktop shell runs
// does it open the address itself.
#include <windows.h>
// after windows.h
#include <exdisp.h>
#include <servprov.h>
#include <shellapi.h>
#include <shlguid.h>
#include <shlobj.h>
#include <shldisp.h>

#include "common/win32/com.h"
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

}  // namespace

bool Win32Shell::ExecuteAsDesktopUser(const std::wstring& verb, const std::wstring& file, int showCommand) {
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

void Win32Shell::Execute(WindowHandle owner, const std::wstring& verb, const std::wstring& file, int showCommand) {
  // Protocol handlers may be shell extensions, which need COM on the calling thread.
  const ScopedComApartment com;
  ::ShellExecuteW(static_cast<HWND>(owner), verb.c_str(), file.c_str(), nullptr, nullptr, showCommand);
}

}  // namespace zeph::update
