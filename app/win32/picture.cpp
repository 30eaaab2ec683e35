#include "app/win32/picture.h"

#include <objidl.h>
#include <shlwapi.h>
// gdiplus.h needs the COM and property-storage types WIN32_LEAN_AND_MEAN leaves out.
#include <propidl.h>
#include <gdiplus.h>

namespace zeph::win32 {
namespace flat = Gdiplus::DllExports;
namespace {

// GDI+ is started once and left running until the process ends: pictures may
// be drawn up to the last message, and the process ending releases it.
bool EnsureGdiplus() {
  static const bool started = [] {
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    return Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
  }();
  return started;
}

}  // namespace

std::unique_ptr<Picture> Picture::FromResource(const wchar_t* name) {
  if (!EnsureGdiplus()) return nullptr;
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, name, MAKEINTRESOURCEW(10));  // RT_RCDATA
  if (!found) return nullptr;
  HGLOBAL loaded = LoadResource(module, found);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  const DWORD size = SizeofResource(module, found);
  if (!bytes || size == 0) return nullptr;
  IStream* stream = SHCreateMemStream(static_cast<const BYTE*>(bytes), size);
  if (!stream) return nullptr;
  Gdiplus::GpBitmap* bitmap = nullptr;
  const auto status = flat::GdipCreateBitmapFromStream(stream, &bitmap);
  stream->Release();  // the bitmap keeps its own reference
  if (status != Gdiplus::Ok || !bitmap) return nullptr;
  return std::unique_ptr<Picture>(new Picture(bitmap));
}

Picture::Picture(void* bitmap) : bitmap_(bitmap) {
  UINT w = 0, h = 0;
  flat::GdipGetImageWidth(static_cast<Gdiplus::GpImage*>(bitmap_), &w);
  flat::GdipGetImageHeight(static_cast<Gdiplus::GpImage*>(bitmap_), &h);
  width_ = static_cast<int>(w);
  height_ = static_cast<int>(h);
}

Picture::~Picture() { flat::GdipDisposeImage(static_cast<Gdiplus::GpImage*>(bitmap_)); }

void Picture::Draw(HDC dc, const RECT& target) const {
  Gdiplus::GpGraphics* graphics = nullptr;
  if (flat::GdipCreateFromHDC(dc, &graphics) != Gdiplus::Ok) return;
  flat::GdipSetInterpolationMode(graphics, Gdiplus::InterpolationModeHighQualityBicubic);
  flat::GdipSetPixelOffsetMode(graphics, Gdiplus::PixelOffsetModeHalf);
  flat::GdipDrawImageRectI(graphics, static_cast<Gdiplus::GpImage*>(bitmap_), target.left, target.top,
                           target.right - target.left, target.bottom - target.top);
  flat::GdipDeleteGraphics(graphics);
}

}  // namespace zeph::win32
