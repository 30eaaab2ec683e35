#pragma once
// A window manager in miniature: windows have a visible and a minimised state, one
// is in front, each belongs to a thread. The foreground can be locked, in which
// case SetForegroundWindow only succeeds while the lock time-out is 0. Every call
// is recorded as text ("ShowWindow(512,0)") so tests compare whole sequences.
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/tray/window_system.h"

namespace zeph::tray::testing {

class FakeWindowSystem : public WindowSystem {
 public:
  void ShowWindow(WindowHandle window, int command) override {
    Record("ShowWindow(" + std::to_string(window) + "," + std::to_string(command) + ")");
    switch (command) {
      case kSwHide:
        visible.erase(window);
        break;
      case kSwShowMinimized:
      case kSwMinimize:
        visible.insert(window);
        iconic.insert(window);
        break;
      case kSwRestore:
      case kSwShowNormal:
        visible.insert(window);
        iconic.erase(window);
        break;
      default:
        visible.insert(window);
        break;
    }
  }
  bool IsIconic(WindowHandle window) override {
    Record("IsIconic(" + std::to_string(window) + ")");
    return iconic.count(window) != 0;
  }
  bool IsWindowVisible(WindowHandle window) override {
    Record("IsWindowVisible(" + std::to_string(window) + ")");
    return visible.count(window) != 0;
  }
  WindowHandle GetForegroundWindow() override {
    Record("GetForegroundWindow");
    return foreground;
  }
  std::uint32_t GetWindowThreadId(WindowHandle window) override {
    Record("GetWindowThreadProcessId(" + std::to_string(window) + ")");
    auto it = threadOf.find(window);
    return it == threadOf.end() ? 0 : it->second;
  }
  bool AttachThreadInput(std::uint32_t attach, std::uint32_t attachTo, bool doAttach) override {
    Record("AttachThreadInput(" + std::to_string(attach) + "," + std::to_string(attachTo) + "," +
           (doAttach ? "1" : "0") + ")");
    return attachSucceeds;
  }
  void BringWindowToTop(WindowHandle window) override {
    Record("BringWindowToTop(" + std::to_string(window) + ")");
  }
  void SetForegroundWindow(WindowHandle window) override {
    Record("SetForegroundWindow(" + std::to_string(window) + ")");
    if (!foregroundLocked || lockTimeout == 0) foreground = window;
  }
  std::uint32_t GetForegroundLockTimeout() override {
    Record("SPI_GETFOREGROUNDLOCKTIMEOUT");
    return lockTimeout;
  }
  void SetForegroundLockTimeout(std::uint32_t milliseconds) override {
    Record("SPI_SETFOREGROUNDLOCKTIMEOUT(" + std::to_string(milliseconds) + ")");
    lockTimeout = milliseconds;
  }
  void Sleep(std::uint32_t milliseconds) override { Record("Sleep(" + std::to_string(milliseconds) + ")"); }
  std::uint32_t OsMajorVersion() override {
    Record("OsMajorVersion");
    return osMajor;
  }
  std::uint32_t RegisteredMessage(const std::wstring& name) override {
    Record("RegisteredMessage");
    // Registered messages are numbered from 0xC000, the same number for the same name.
    return registeredMessages.try_emplace(name, 0xC000 + registeredMessages.size()).first->second;
  }
  bool AllowMessageFromLowerIntegrity(WindowHandle window, std::uint32_t message) override {
    Record("AllowMessageFromLowerIntegrity(" + std::to_string(window) + "," + std::to_string(message) + ")");
    return true;
  }
  void SetWindowText(WindowHandle window, const std::wstring& text) override {
    Record("SetWindowText(" + std::to_string(window) + ")");
    texts[window] = text;
  }
  ScreenPoint GetCursorPos() override {
    Record("GetCursorPos");
    return cursor;
  }
  void ProcessMessages() override {
    Record("ProcessMessages");
    if (duringProcessMessages) duringProcessMessages();
  }
  ui::Font IconTitleFont() override {
    Record("IconTitleFont");
    return iconTitleFont;
  }

  void Record(std::string call) { calls.push_back(std::move(call)); }

  std::set<WindowHandle> visible;
  std::set<WindowHandle> iconic;
  WindowHandle foreground = 0;
  std::map<WindowHandle, std::uint32_t> threadOf;
  bool attachSucceeds = true;
  bool foregroundLocked = false;
  std::uint32_t lockTimeout = 200000;
  std::uint32_t osMajor = 10;
  std::map<WindowHandle, std::wstring> texts;
  std::map<std::wstring, std::uint32_t> registeredMessages;
  ScreenPoint cursor{1200, 700};
  // What the waiting messages do when they are handled (a quit request, a log-off).
  std::function<void()> duringProcessMessages;
  ui::Font iconTitleFont{.Name = L"Segoe UI", .Height = -12};
  std::vector<std::string> calls;
};

}  // namespace zeph::tray::testing
