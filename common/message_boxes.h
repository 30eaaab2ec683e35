#pragma once
// The program's message boxes: one seam for every unit that asks the user something
// (the application's errors and questions, the update check's offer). app/win32 shows
// them in the window's look; tests use common/testing/fake_message_boxes.h.
#include <cstdint>
#include <string>

#include "common/window_handle.h"

namespace zeph {

// MessageBoxW flags and answers the program uses.
inline constexpr std::uint32_t kMbOk = 0x0;
inline constexpr std::uint32_t kMbYesNo = 0x4;
inline constexpr std::uint32_t kMbIconError = 0x10;
inline constexpr std::uint32_t kMbIconQuestion = 0x20;
inline constexpr std::uint32_t kMbDefButton2 = 0x100;
inline constexpr std::uint32_t kMbSetForeground = 0x10000;
inline constexpr std::uint32_t kMbTopmost = 0x40000;
inline constexpr int kIdOk = 1;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // MessageBoxW: blocks until answered; returns the button pressed (0 on failure).
  virtual int Show(WindowHandle owner, const std::wstring& text, const std::wstring& caption,
                   std::uint32_t flags) = 0;
};

}  // namespace zeph
