#pragma once
// Pictures through the GDI+ flat API (gdiplus.dll ships
// with every Windows, so the exe stays statically linked otherwise).
#include <windows.h>

#include <memory>

namespace zeph::win32 {

// A PNG (or any GDI+ format) read from an RCDATA resource of this module.
class Picture {
 public:
  static std::unique_ptr<Picture> FromResource(const wchar_t* name);
  ~Picture();
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;

  int Width() const { return width_; }
  int Height() const { return height_; }
  // Drawn into `target` with high-quality scaling, keeping its transparency.
  void Draw(HDC dc, const RECT& target) const;

 private:
  explicit Picture(void* bitmap);
  void* bitmap_;
  int width_ = 0, height_ = 0;
};

}  // namespace zeph::win32
