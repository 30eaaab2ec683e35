#pragma once
// An HWND, carried opaquely so the logic needs no Windows headers; 0 is none. The one
// spelling every unit uses (the tray, the application, the update check).
#include <cstdint>

namespace zeph {

using WindowHandle = std::uintptr_t;

}  // namespace zeph
