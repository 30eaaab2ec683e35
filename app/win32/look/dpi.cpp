#include "app/win32/look/dpi.h"

#include "common/win32/handles.h"
#include "common/win32/optional_functions.h"

namespace zeph::win32 {
namespace {

BYTE GdiQuality(ui::FontQuality quality) {
  switch (quality) {
    case ui::FontQuality::NonAntialiased: return NONANTIALIASED_QUALITY;
    case ui::FontQuality::Antialiased: return ANTIALIASED_QUALITY;
    case ui::FontQuality::ClearType: return CLEARTYPE_QUALITY;
    case ui::FontQuality::Default: break;
  }
  return DEFAULT_QUALITY;
}

}  // namespace

void EnablePerMonitorDpiAwareness() {
  // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2; fails harmlessly when already set.
  if (auto set = User32().SetProcessDpiAwarenessContext) {
    if (set(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4)))) return;
  }
  if (auto setAware = User32().SetProcessDPIAware) setAware();
}

UINT SystemDpi() {
  if (auto get = User32().GetDpiForSystem) return get();
  const int dpi = GetDeviceCaps(WindowDc(nullptr).get(), LOGPIXELSY);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

UINT WindowDpi(HWND window) {
  const auto get = User32().GetDpiForWindow;
  if (get && window) {
    if (const UINT dpi = get(window)) return dpi;
  }
  return SystemDpi();
}

SIZE FrameSizeForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, UINT dpi) {
  RECT r{0, 0, Scale(clientWidth, dpi), Scale(clientHeight, dpi)};
  const auto adjust = User32().AdjustWindowRectExForDpi;
  if (!adjust || !adjust(&r, style, FALSE, exStyle, dpi)) AdjustWindowRectEx(&r, style, FALSE, exStyle);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

ui::Font IconTitleFont() {
  LOGFONTW lf{};
  ui::Font font;
  if (!SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof lf, &lf, 0)) return font;
  font.Name = lf.lfFaceName;
  font.Height = MulDiv(lf.lfHeight, 96, static_cast<int>(SystemDpi()));
  font.Weight = lf.lfWeight;
  font.Italic = lf.lfItalic != 0;
  font.Underline = lf.lfUnderline != 0;
  // Our texts are Unicode: the character set only steers the font mapper, and the
  // one Windows reports (ANSI under some set-ups) would pick a face without Hangul.
  font.Charset = DEFAULT_CHARSET;
  return font;
}

HFONT CreateFontAt(const ui::Font& font, UINT dpi) {
  LOGFONTW lf{};
  lf.lfHeight = Scale(font.Height, dpi);
  lf.lfWeight = font.Weight;
  lf.lfItalic = font.Italic;
  lf.lfUnderline = font.Underline;
  lf.lfCharSet = font.Charset;
  lf.lfQuality = GdiQuality(font.Quality);
  lstrcpynW(lf.lfFaceName, font.Name.c_str(), LF_FACESIZE);
  return CreateFontIndirectW(&lf);
}

}  // namespace zeph::win32
