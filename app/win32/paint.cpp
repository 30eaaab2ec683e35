#include "app/win32/paint.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "app/win32/dpi.h"
#include "app/win32/handles.h"
#include "app/win32/picture.h"

namespace zeph::win32 {
namespace {

void Fill(HDC dc, const RECT& r, COLORREF color) {
  SetBkColor(dc, color);
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

void Caption(HDC dc, RECT r, const std::wstring& text, HFONT font, COLORREF color, UINT format) {
  HGDIOBJ old = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, color);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, format | DT_NOPREFIX);
  SelectObject(dc, old);
}

void RoundFrame(HDC dc, const RECT& r, COLORREF border, COLORREF fill, int radius) {
  UniqueHbrush brush(CreateSolidBrush(fill));
  UniqueAny<GdiTraits<HPEN, DeleteGdiObject>> pen(CreatePen(PS_SOLID, 1, border));
  HGDIOBJ oldBrush = SelectObject(dc, brush.get());
  HGDIOBJ oldPen = SelectObject(dc, pen.get());
  RoundRect(dc, r.left, r.top, r.right, r.bottom, radius, radius);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
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
    UniqueAny<GdiTraits<HPEN, DeleteGdiObject>> pen(CreatePen(PS_SOLID, 1, Blend(p.accent, face, 50)));
    HGDIOBJ oldPen = SelectObject(dc, pen.get());
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    RoundRect(dc, inner.left, inner.top, inner.right, inner.bottom, Scale(5, dpi), Scale(5, dpi));
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
  }
}

void PaintGroupBox(HDC dc, const RECT& r, const std::wstring& caption, HFONT font, const Palette& p,
                   COLORREF background, UINT dpi) {
  Fill(dc, r, background);
  HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  SIZE extent{};
  GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &extent);
  SelectObject(dc, old);

  RECT frame = r;
  frame.top += tm.tmHeight / 2;
  RoundFrame(dc, frame, p.groupFrame, background, Scale(6, dpi));
  if (caption.empty()) return;
  const int gap = Scale(4, dpi);
  RECT label{r.left + Scale(8, dpi), r.top, r.left + Scale(8, dpi) + extent.cx + 2 * gap, r.top + tm.tmHeight};
  Fill(dc, label, background);
  Caption(dc, label, caption, font, p.groupText, DT_CENTER | DT_TOP | DT_SINGLELINE);
}

void PaintIndicator(HDC dc, const RECT& r, int frame, COLORREF dotColor, COLORREF background) {
  Fill(dc, r, background);
  const float w = static_cast<float>(r.right - r.left), h = static_cast<float>(r.bottom - r.top);
  const float size = std::min(w, h);
  const float dotMax = size * 0.09f;
  const float ring = size / 2 - dotMax - 1;
  const float cx = r.left + w / 2, cy = r.top + h / 2;
  SmoothPainter painter(dc);
  // The head moves one place a frame; the dots behind it fade and shrink.
  for (int i = 0; i < kIndicatorDots; ++i) {
    const int age = ((frame - i) % kIndicatorDots + kIndicatorDots) % kIndicatorDots;
    const float fade = 1.0f - static_cast<float>(age) / kIndicatorDots;
    const double angle = 2 * std::numbers::pi * i / kIndicatorDots - std::numbers::pi / 2;
    painter.FillCircle(cx + ring * static_cast<float>(std::cos(angle)), cy + ring * static_cast<float>(std::sin(angle)),
                       dotMax * (0.45f + 0.55f * fade), dotColor, static_cast<BYTE>(40 + 215 * fade));
  }
}

}  // namespace zeph::win32
