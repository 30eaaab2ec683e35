#pragma once
// The header's logo: a small picture with soft edges, drawn with the system's own
// alpha blending (GdiAlphaBlend, in gdi32). No image decoder and no graphics library
// is loaded for it, so it costs the start nothing but a few thousand pixels.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "app/win32/look/gdi.h"

namespace zeph::win32 {

// A 32-bit BMP file (BITMAPFILEHEADER, BITMAPINFOHEADER with BI_RGB, top-down or
// bottom-up) whose fourth byte per pixel is straight alpha, as resources/make-art.sh
// writes it. Kept premultiplied, as blending wants it.
class Picture {
 public:
  // One colour of the file drawn in another (0xRRGGBB each), at every pixel's own
  // alpha: the logo's dark word mark turns light on a dark header.
  struct Recolor {
    std::uint32_t from = 0, to = 0;
  };
  // From an RCDATA resource of this module; null when it is missing or not such a file.
  static std::unique_ptr<Picture> FromResource(const wchar_t* name, std::optional<Recolor> recolor = {});
  static std::unique_ptr<Picture> FromBmp(const void* bytes, std::size_t size, std::optional<Recolor> recolor = {});
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;

  int Width() const { return width_; }
  int Height() const { return height_; }
  // Blended over what `dc` holds. At another size than its own the picture is first
  // resampled (bilinear, on premultiplied pixels, so edges take no dark fringe) and
  // the result kept for the next paint.
  void Draw(HDC dc, const RECT& target) const;

  // The premultiplied pixels at `width` × `height`, top-down, 0xAARRGGBB.
  std::vector<std::uint32_t> Pixels(int width, int height) const;

 private:
  Picture(int width, int height, std::vector<std::uint32_t> pixels);
  int width_, height_;
  std::vector<std::uint32_t> pixels_;
  mutable UniqueHbitmap drawn_;  // pixels at the last drawn size
  mutable int drawnWidth_ = 0, drawnHeight_ = 0;
};

}  // namespace zeph::win32
