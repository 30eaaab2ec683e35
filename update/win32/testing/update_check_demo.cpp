// update_check_demo: the whole update check with the real Win32 services in a small
// program, for tests/e2e/test_update_https.sh.
//   update_check_demo URL LANG
// Owns a hidden window of class "TwUpdateDemo" titled "Tidewell Update Demo" (the
// prompt's owner and caption) and runs until that window is closed, which asks the
// check to stop. Prints "address box ADDRESS" where the address box would show,
// "proc updated=N data=TEXT" when Proc runs and "worker ended"
// when the worker thread has returned (CR and LF in TEXT written as \r and \n); after
// the window has closed it waits 5 s at most for the worker.
#include <windows.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>  // std::lock_guard
#include <string>

#include "common/win32/threads.h"
#include "update/update.h"
#include "update/win32/testing/console_line.h"
#include "update/win32/platform_win32.h"

namespace {

constexpr wchar_t kClass[] = L"TwUpdateDemo";
constexpr wchar_t kTitle[] = L"Tidewell Update Demo";
constexpr UINT kRunWork = WM_APP + 1;

zeph::win32::Mutex g_printLock;

void Print(const std::wstring& line) {
  const std::string utf8 = zeph::update::testing::ConsoleLine(line);
  const std::lock_guard lock(g_printLock);
  std::fwrite(utf8.data(), 1, utf8.size(), stdout);
  std::fflush(stdout);
}

// Invoke sends the work to the window and reports whether it ran there; once the
// window has been destroyed nothing runs.
class WindowInvoker final : public zeph::UiDispatcher {
 public:
  explicit WindowInvoker(HWND window) : window_(window) {}
  void Queue(std::function<void()>) override {}
  bool Invoke(std::function<void()> work) override {
    bool ran = false;
    std::function<void()> run = [&] {
      work();
      ran = true;
    };
    ::SendMessageW(window_, kRunWork, 0, reinterpret_cast<LPARAM>(&run));
    return ran;
  }

 private:
  HWND window_;
};

class ReportingThreads final : public zeph::ThreadStarter {
 public:
  explicit ReportingThreads(HANDLE ended) : ended_(ended) {}
  void Start(std::function<void()> body) override {
    zeph::win32::Thread([body = std::move(body), ended = ended_] {
      body();
      Print(L"worker ended");
      ::SetEvent(ended);
    }).Detach();
  }

 private:
  HANDLE ended_;
};

// Where the desktop shell cannot open the download page: prints
// "address box ADDRESS" instead of showing it.
class PrintingAddressBox final : public zeph::update::AddressBox {
 public:
  void Show(zeph::update::WindowHandle, const std::wstring&, const std::wstring& address) override {
    Print(L"address box " + address);
  }
};

std::shared_ptr<zeph::update::UpdateCheck> g_check;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kRunWork:
      (*reinterpret_cast<std::function<void()>*>(lParam))();
      return 0;
    case WM_CLOSE:
      if (g_check) g_check->Stop();
      ::DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    fwprintf(stderr, L"usage: update_check_demo URL LANG\n");
    return 2;
  }
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kClass;
  ::RegisterClassW(&windowClass);
  HWND window = ::CreateWindowExW(0, kClass, kTitle, WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                  windowClass.hInstance, nullptr);
  if (!window) return 1;
  zeph::win32::UniqueHandle workerEnded(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  ReportingThreads threads(workerEnded.get());

  auto env = zeph::update::Win32UpdateCheckEnvironment(reinterpret_cast<zeph::WindowHandle>(window), kTitle, argv[2], std::make_shared<WindowInvoker>(window));
  env.addressBox = std::make_shared<PrintingAddressBox>();
  g_check = zeph::update::CheckUpdate(argv[1], false, [](bool updated, const std::wstring& data) {
    Print(L"proc updated=" + std::to_wstring(updated ? 1 : 0) + L" data=" + data);
  }, std::move(env), threads);

  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  g_check.reset();
  // A worker told to stop ends at once. A pause that went on regardless would hold it
  // for 10 s, past this wait, and "worker ended" would never be printed.
  ::WaitForSingleObject(workerEnded.get(), 5000);
  return 0;
}
