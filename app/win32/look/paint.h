#pragma once
// The controls this program draws itself: the flat header buttons, the themed push
// buttons, the group frames and the activity indicator's ring of dots.
#include <windows.h>

#include <string>

#include "app/win32/look/palette.h"

namespace zeph::win32 {

struct ButtonLook {
  bool enabled = true;
  bool pressed = false;  // the mouse button is held on it
  bool hot = false;      // under the mouse
  bool focus = false;    // draw the keyboard focus
  bool down = false;     // a header button of a group that is down
};

// `rest` is the face of a button that is neither down nor under the mouse: the band's colour.
void PaintHeaderButton(HDC dc, const RECT& r, const std::wstring& caption, HFONT font, const ButtonLook& look,
                       const Palette& palette, COLORREF rest, UINT dpi);
void PaintPushButton(HDC dc, const RECT& r, const std::wstring& caption, HFONT font, const ButtonLook& look,
                     const Palette& palette, COLORREF parentBackground, UINT dpi);
// The frame with the caption set into its top edge, over the whole client rectangle.
void PaintGroupBox(HDC dc, const RECT& r, const std::wstring& caption, HFONT font, const Palette& palette,
                   COLORREF background, UINT dpi);

// The theme's progress bar: a flat track with a hairline frame, filled `percent` of
// its width in the accent colour.
void PaintProgressBar(HDC dc, const RECT& r, int percent, const Palette& palette);

// The frames of one turn of the indicator.
inline constexpr int kIndicatorDots = 10;
void PaintIndicator(HDC dc, const RECT& r, int frame, COLORREF dotColor, COLORREF background);

// The face colour of a themed push button that is disabled (the indicator sits on one).
COLORREF DisabledButtonFace(const Palette& palette);

}  // namespace zeph::win32
