// The real start-up services on Wine: a mutex name taken once, a hidden window found
// by its class, a request delivered synchronously, a destroyed window gone. Names are
// unique to this process so that nothing else in the prefix can interfere.
#include "app/win32/services/startup_win32.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "common/win32/handles.h"

#include <string>

namespace zeph::win32 {
namespace {

std::wstring UniqueName(const wchar_t* what) {
  return std::wstring(L"TidewellStartupTest.") + what + L"." + std::to_wstring(GetCurrentProcessId());
}

struct Received {
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  int count = 0;
};
Received g_received;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_USER) {
    g_received = {message, wParam, lParam, g_received.count + 1};
    if (wParam == 2) DestroyWindow(window);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

TEST(Win32InstanceServices, MutexNameIsTakenOnceAndThenReportedAsExisting) {
  Win32InstanceServices services;
  const std::wstring name = UniqueName(L"Mutex");
  EXPECT_EQ(services.CreateNamedMutex(name), app::MutexResult::Created);
  EXPECT_EQ(services.CreateNamedMutex(name), app::MutexResult::AlreadyExists);
  EXPECT_EQ(services.CreateNamedMutex(UniqueName(L"OtherMutex")), app::MutexResult::Created);
}

TEST(Win32InstanceServices, ACopyThatFindsTheNameTakenDoesNotKeepIt) {
  Win32InstanceServices services;
  const std::wstring name = UniqueName(L"HeldMutex");
  UniqueHandle running(CreateMutexW(nullptr, TRUE, name.c_str()));
  ASSERT_TRUE(running);
  EXPECT_EQ(services.CreateNamedMutex(name), app::MutexResult::AlreadyExists);
  // Once the running copy has ended, the name is free for the next main copy.
  running.reset();
  const UniqueHandle after(OpenMutexW(SYNCHRONIZE, FALSE, name.c_str()));
  EXPECT_EQ(after.get(), nullptr);
}

DWORD WINAPI HangingWindowThread(void* parameter) {
  auto* events = static_cast<HANDLE*>(parameter);  // [0]: window made, [1]: end
  const HWND window = CreateWindowExW(0, L"STATIC", L"hung", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  SetWindowLongPtrW(window, GWLP_USERDATA, 0x1234);
  SetEvent(events[0]);
  WaitForSingleObject(events[1], INFINITE);  // never reads its messages meanwhile
  DestroyWindow(window);
  return 0;
}

BOOL CALLBACK FindHungWindow(HWND window, LPARAM found) {
  if (GetWindowLongPtrW(window, GWLP_USERDATA) != 0x1234) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

TEST(Win32InstanceServices, ARequestToAHungCopyGivesUp) {
  const UniqueHandle made(CreateEventW(nullptr, TRUE, FALSE, nullptr)), end(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  HANDLE events[2] = {made.get(), end.get()};
  DWORD threadId = 0;
  const UniqueHandle thread(CreateThread(nullptr, 0, HangingWindowThread, events, 0, &threadId));
  ASSERT_EQ(WaitForSingleObject(events[0], 10000), WAIT_OBJECT_0);
  HWND hung = nullptr;
  EnumThreadWindows(threadId, FindHungWindow, reinterpret_cast<LPARAM>(&hung));
  ASSERT_NE(hung, nullptr);

  Win32InstanceServices services(200);
  EXPECT_EQ(services.SendMessageTo(reinterpret_cast<tray::WindowHandle>(hung), app::kWmUser, 1, 0), 0);

  SetEvent(events[1]);
  WaitForSingleObject(thread.get(), 10000);
}

TEST(Win32InstanceServices, FindsAHiddenWindowByClassSendsAndSeesItGo) {
  Win32InstanceServices services;
  const std::wstring className = UniqueName(L"Class");
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = RecordingProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = className.c_str();
  ASSERT_NE(RegisterClassW(&windowClass), 0);

  EXPECT_EQ(services.FindWindowOfClass(className), 0u) << "no window of the class exists yet";
  // Never shown: a copy hidden in the tray must still be found.
  const HWND window = CreateWindowExW(0, className.c_str(), L"any title", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                      nullptr, nullptr, windowClass.hInstance, nullptr);
  ASSERT_NE(window, nullptr);
  const auto handle = reinterpret_cast<tray::WindowHandle>(window);
  EXPECT_EQ(services.FindWindowOfClass(className), handle);
  EXPECT_TRUE(services.IsWindow(handle));

  g_received = {};
  services.SendMessageTo(handle, app::kWmUser, 1, 0);
  EXPECT_EQ(g_received.count, 1) << "SendMessage returns only after the window handled it";
  EXPECT_EQ(g_received.wParam, 1u);
  EXPECT_EQ(g_received.lParam, 0);

  services.SendMessageTo(handle, app::kWmUser, 2, 0);
  EXPECT_EQ(g_received.count, 2);
  EXPECT_FALSE(services.IsWindow(handle));
  EXPECT_EQ(services.FindWindowOfClass(className), 0u);
  EXPECT_FALSE(services.IsWindow(0));

  UnregisterClassW(className.c_str(), windowClass.hInstance);
}

}  // namespace
}  // namespace zeph::win32
