#include "app/win32/look/picture.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace zeph::win32 {
namespace {

std::uint32_t Premultiply(std::uint32_t bgra) {
  const std::uint32_t a = bgra >> 24;
  const auto scale = [a](std::uint32_t c) { return (c * a + 127) / 255; };
  return (a << 24) | (scale((bgra >> 16) & 0xFF) << 16) | (scale((bgra >> 8) & 0xFF) << 8) | scale(bgra & 0xFF);
}

// One channel of four neighbours, weighted.
std::uint32_t Mix(const std::uint32_t (&p)[4], const double (&w)[4], int shift) {
  double v = 0;
  for (int i = 0; i < 4; ++i) v += w[i] * ((p[i] >> shift) & 0xFF);
  return static_cast<std::uint32_t>(std::clamp(std::lround(v), 0L, 255L)) << shift;
}

}  // namespace

std::unique_ptr<Picture> Picture::FromResource(const wchar_t* name, std::optional<Recolor> recolor) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, name, MAKEINTRESOURCEW(10));  // RT_RCDATA
  if (!found) return nullptr;
  HGLOBAL loaded = LoadResource(module, found);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  return bytes ? FromBmp(bytes, SizeofResource(module, found), recolor) : nullptr;
}

std::unique_ptr<Picture> Picture::FromBmp(const void* bytes, std::size_t size, std::optional<Recolor> recolor) {
  BITMAPFILEHEADER file;
  BITMAPINFOHEADER info;
  if (size < sizeof file + sizeof info) return nullptr;
  std::memcpy(&file, bytes, sizeof file);
  std::memcpy(&info, static_cast<const char*>(bytes) + sizeof file, sizeof info);
  const bool topDown = info.biHeight < 0;
  const long long width = info.biWidth, height = topDown ? -static_cast<long long>(info.biHeight) : info.biHeight;
  if (file.bfType != 0x4D42 || info.biSize < sizeof info || info.biBitCount != 32 || info.biCompression != BI_RGB ||
      width <= 0 || height <= 0 || width > 4096 || height > 4096 || file.bfOffBits > size ||
      static_cast<unsigned long long>(size - file.bfOffBits) < static_cast<unsigned long long>(width * height * 4)) {
    return nullptr;
  }
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width * height));
  const char* rows = static_cast<const char*>(bytes) + file.bfOffBits;
  for (long long y = 0; y < height; ++y) {
    const char* row = rows + 4 * width * (topDown ? y : height - 1 - y);
    for (long long x = 0; x < width; ++x) {
      std::uint32_t bgra;
      std::memcpy(&bgra, row + 4 * x, 4);
      // Matched on the straight colour, before alpha scales it: exact at every edge pixel.
      if (recolor && (bgra & 0xFFFFFFu) == recolor->from) bgra = (bgra & 0xFF000000u) | (recolor->to & 0xFFFFFFu);
      pixels[static_cast<std::size_t>(y * width + x)] = Premultiply(bgra);
    }
  }
  return std::unique_ptr<Picture>(new Picture(static_cast<int>(width), static_cast<int>(height), std::move(pixels)));
}

Picture::Picture(int width, int height, std::vector<std::uint32_t> pixels)
    : width_(width), height_(height), pixels_(std::move(pixels)) {}

std::vector<std::uint32_t> Picture::Pixels(int width, int height) const {
  if (width == width_ && height == height_) return pixels_;
  std::vector<std::uint32_t> out(static_cast<std::size_t>(std::max(width, 0)) * std::max(height, 0));
  const auto at = [this](int x, int y) {
    return pixels_[static_cast<std::size_t>(std::clamp(y, 0, height_ - 1)) * width_ + std::clamp(x, 0, width_ - 1)];
  };
  for (int y = 0; y < height; ++y) {
    const double sy = (y + 0.5) * height_ / height - 0.5;
    const int y0 = static_cast<int>(std::floor(sy));
    const double fy = sy - y0;
    for (int x = 0; x < width; ++x) {
      const double sx = (x + 0.5) * width_ / width - 0.5;
      const int x0 = static_cast<int>(std::floor(sx));
      const double fx = sx - x0;
      const std::uint32_t p[4] = {at(x0, y0), at(x0 + 1, y0), at(x0, y0 + 1), at(x0 + 1, y0 + 1)};
      const double w[4] = {(1 - fx) * (1 - fy), fx * (1 - fy), (1 - fx) * fy, fx * fy};
      out[static_cast<std::size_t>(y) * width + x] = Mix(p, w, 24) | Mix(p, w, 16) | Mix(p, w, 8) | Mix(p, w, 0);
    }
  }
  return out;
}

void Picture::Draw(HDC dc, const RECT& target) const {
  const int w = target.right - target.left, h = target.bottom - target.top;
  if (w <= 0 || h <= 0) return;
  if (!drawn_ || w != drawnWidth_ || h != drawnHeight_) {
    std::uint32_t* bits = nullptr;
    UniqueHbitmap bitmap = CreatePixelBitmap(dc, w, h, bits);
    if (!bitmap) return;
    const std::vector<std::uint32_t> pixels = Pixels(w, h);
    std::memcpy(bits, pixels.data(), pixels.size() * sizeof pixels[0]);
    drawn_ = std::move(bitmap);
    drawnWidth_ = w;
    drawnHeight_ = h;
  }
  const UniqueMemoryDc source(CreateCompatibleDC(dc));
  const SelectedObject selected(source.get(), drawn_.get());
  const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  GdiAlphaBlend(dc, target.left, target.top, w, h, source.get(), 0, 0, w, h, blend);
}

}  // namespace zeph::win32
