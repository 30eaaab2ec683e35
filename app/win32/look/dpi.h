#pragma once
// Per-monitor DPI on every Windows from 7 on: the newer user32 calls are looked up
// at run time, with the system DPI standing in where they are missing. The model's
// positions and font heights are at 96 DPI; Scale turns them into pixels.
#include <windows.h>

#include "app/ui/component.h"

namespace zeph::win32 {

// Asks for per-monitor (v2) awareness unless the manifest already gave it.
void EnablePerMonitorDpiAwareness();

UINT SystemDpi();
UINT WindowDpi(HWND window);
inline int Scale(int value96, UINT dpi) { return MulDiv(value96, static_cast<int>(dpi), 96); }

// The frame for a client area of the given size with the window's styles at `dpi`.
SIZE FrameSizeForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, UINT dpi);

// The desktop's icon-title font, its height converted to 96 DPI.
ui::Font IconTitleFont();

// A GDI font for the model's font at `dpi`; the caller owns it.
HFONT CreateFontAt(const ui::Font& font, UINT dpi);

}  // namespace zeph::win32
