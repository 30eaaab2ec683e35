#include "app/win32/look/paint.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "app/win32/look/dpi.h"
#include "app/win32/look/gdi.h"

namespace zeph::win32 {
namespace {

void Fill(HDC dc, const RECT& r, COLORREF color) {
  SetBkColor(dc, color);
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

void Caption(HDC dc, RECT r, const std::wstring& text, HFONT font, COLORREF color, UINT format) {
  const SelectedObject selected(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, color);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, format | DT_NOPREFIX);
}

void RoundFrame(HDC dc, const RECT& r, COLORREF border, COLORREF fill, int radius) {
  UniqueHbrush brush(CreateSolidBrush(fill));
  UniqueHpen pen(CreatePen(PS_SOLID, 1, border));
  const SelectedObject selectedBrush(dc, brush.get());
  const SelectedObject selectedPen(dc, pen.get());
  RoundRect(dc, r.left, r.top, r.right, r.bottom, radius, radius);
}

}  // namespace

COLORREF DisabledButtonFace(const Palette& palette) {
  return palette.themed ? Blend(palette.buttonFace, palette.window, 40) : palette.buttonFace;
}

void PaintHeaderButton(HDC dc, const RECT& r, const std::wstring& caption, HFONT font, const ButtonLook& look,
                       const Palette& p, COLORREF rest, UINT dpi) {
  COLORREF face = rest;
  if (look.down) face = p.headerDown;
  else if (look.pressed) face = Blend(p.headerHot, p.headerLine, 35);
  else if (look.hot) face = p.headerHot;
  Fill(dc, r, face);
  if (look.down) {
    // The page marker: a bar along the bottom in the caption's colour.
    RECT bar = r;
    bar.top = bar.bottom - std::max(2, Scale(3, dpi));
    Fill(dc, bar, p.headerDownText);
  }
  const COLORREF text = !look.enabled ? p.disabledText : look.down ? p.headerDownText : p.headerText;
  Caption(dc, r, caption, font, text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  if (look.focus) {
    RECT f = r;
    InflateRect(&f, -Scale(3, dpi), -Scale(3, dpi));
    SetTextColor(dc, p.headerText);
    DrawFocusRect(dc, &f);
  }
}

void PaintPushButton(HDC dc, const RECT& r, const std::wstring& caption, HFONT font, const ButtonLook& look,
                     const Palette& p, COLORREF parentBackground, UINT dpi) {
  Fill(dc, r, parentBackground);
  COLORREF face = p.buttonFace;
  if (!look.enabled) face = DisabledButtonFace(p);
  else if (look.pressed) face = p.buttonDown;
  else if (look.hot) face = p.buttonHot;
  const COLORREF border = !look.enabled ? Blend(p.buttonBorder, p.window, 50) : look.focus ? p.accent : p.buttonBorder;
  RoundFrame(dc, r, border, face, Scale(6, dpi));
  RECT text = r;
  if (look.pressed) OffsetRect(&text, 0, 1);
  Caption(dc, text, caption, font, look.enabled ? p.buttonText : p.disabledText,
          DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  if (look.focus && look.enabled) {
    // A second inner line makes the focus plain without the dotted rectangle.
    RECT inner = r;
    InflateRect(&inner, -1, -1);
    UniqueHpen pen(CreatePen(PS_SOLID, 1, Blend(p.accent, face, 50)));
    const SelectedObject selectedPen(dc, pen.get());
    const SelectedObject selectedBrush(dc, GetStockObject(NULL_BRUSH));
    RoundRect(dc, inner.left, inner.top, inner.right, inner.bottom, Scale(5, dpi), Scale(5, dpi));
  }
}

void PaintGroupBox(HDC dc, const RECT& r, const std::wstring& caption, HFONT font, const Palette& p,
                   COLORREF background, UINT dpi) {
  Fill(dc, r, background);
  TEXTMETRICW tm{};
  SIZE extent{};
  {
    const SelectedObject selected(dc, font);
    GetTextMetricsW(dc, &tm);
    GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &extent);
  }

  RECT frame = r;
  frame.top += tm.tmHeight / 2;
  RoundFrame(dc, frame, p.groupFrame, background, Scale(6, dpi));
  if (caption.empty()) return;
  const int gap = Scale(4, dpi);
  RECT label{r.left + Scale(8, dpi), r.top, r.left + Scale(8, dpi) + extent.cx + 2 * gap, r.top + tm.tmHeight};
  Fill(dc, label, background);
  Caption(dc, label, caption, font, p.groupText, DT_CENTER | DT_TOP | DT_SINGLELINE);
}

void PaintProgressBar(HDC dc, const RECT& r, int percent, const Palette& p) {
  Fill(dc, r, p.groupFrame);
  RECT track = r;
  InflateRect(&track, -1, -1);
  Fill(dc, track, Blend(p.window, p.groupFrame, 45));
  RECT bar = track;
  bar.right = bar.left + (track.right - track.left) * std::clamp(percent, 0, 100) / 100;
  if (bar.right > bar.left) Fill(dc, bar, p.accent);
}

void PaintIndicator(HDC dc, const RECT& r, int frame, COLORREF dotColor, COLORREF background) {
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return;
  // Drawn pixel by pixel into a bitmap of our own: each pixel takes the share of it
  // that a dot covers, so the dots are round and smooth at every size, with no
  // dependence on how a graphics library antialiases.
  std::uint32_t* px = nullptr;
  UniqueHbitmap bitmap = CreatePixelBitmap(dc, w, h, px);
  if (!bitmap) return;
  const std::uint32_t bg = (GetRValue(background) << 16) | (GetGValue(background) << 8) | GetBValue(background);
  std::fill(px, px + static_cast<std::size_t>(w) * h, bg);

  const double size = std::min(w, h);
  const double dotMax = size * 0.1;
  const double ring = size / 2 - dotMax - 0.5;
  const double cx = w / 2.0, cy = h / 2.0;
  for (int i = 0; i < kIndicatorDots; ++i) {
    // The head moves one place a frame; the dots behind it fade and shrink.
    const int age = ((frame - i) % kIndicatorDots + kIndicatorDots) % kIndicatorDots;
    const double fade = 1.0 - static_cast<double>(age) / kIndicatorDots;
    const double angle = 2 * std::numbers::pi * i / kIndicatorDots - std::numbers::pi / 2;
    const double x = cx + ring * std::cos(angle), y = cy + ring * std::sin(angle);
    const double radius = dotMax * (0.45 + 0.55 * fade);
    const double opacity = 0.15 + 0.85 * fade;
    for (int py = std::max(0, static_cast<int>(y - radius - 1)); py <= std::min(h - 1, static_cast<int>(y + radius + 1)); ++py) {
      for (int qx = std::max(0, static_cast<int>(x - radius - 1)); qx <= std::min(w - 1, static_cast<int>(x + radius + 1)); ++qx) {
        const double d = std::hypot(qx + 0.5 - x, py + 0.5 - y);
        const double a = std::clamp(radius + 0.5 - d, 0.0, 1.0) * opacity;
        if (a <= 0) continue;
        std::uint32_t& p = px[static_cast<std::size_t>(py) * w + qx];
        const auto mix = [a](std::uint32_t under, std::uint32_t over) {
          return static_cast<std::uint32_t>(under + (static_cast<double>(over) - under) * a + 0.5);
        };
        p = (mix((p >> 16) & 0xFF, GetRValue(dotColor)) << 16) | (mix((p >> 8) & 0xFF, GetGValue(dotColor)) << 8) |
            mix(p & 0xFF, GetBValue(dotColor));
      }
    }
  }
  const UniqueMemoryDc mem(CreateCompatibleDC(dc));
  const SelectedObject selected(mem.get(), bitmap.get());
  BitBlt(dc, r.left, r.top, w, h, mem.get(), 0, 0, SRCCOPY);
}

}  // namespace zeph::win32
