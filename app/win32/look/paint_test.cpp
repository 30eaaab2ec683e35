#include "app/win32/look/paint.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "common/win32/handles.h"

namespace zeph::win32 {
namespace {

// Paints one indicator frame into a 32-bit bitmap and reads its pixels back.
class Canvas {
 public:
  explicit Canvas(int size) : size_(size), dc_(CreateCompatibleDC(nullptr)) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size;
    info.bmiHeader.biHeight = -size;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    bitmap_.reset(CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0));
    old_ = SelectObject(dc_, bitmap_.get());
  }
  ~Canvas() {
    SelectObject(dc_, old_);
    bitmap_.reset();
    DeleteDC(dc_);
  }
  void Indicator(int frame) {
    PaintIndicator(dc_, RECT{0, 0, size_, size_}, frame, RGB(0, 0, 0), RGB(255, 255, 255));
    GdiFlush();
  }
  // 0 (black) to 255 (white) at a point.
  int Level(double x, double y) const { return bits_[static_cast<int>(y) * size_ + static_cast<int>(x)] & 0xFF; }
  // The darkness around dot `i` of the ring.
  int DotLevel(int i) const {
    const double angle = 2 * std::numbers::pi * i / kIndicatorDots - std::numbers::pi / 2;
    const double ring = size_ / 2 - size_ * 0.1 - 0.5;
    return Level(size_ / 2.0 + ring * std::cos(angle), size_ / 2.0 + ring * std::sin(angle));
  }

 private:
  int size_;
  HDC dc_;
  UniqueHbitmap bitmap_;
  HGDIOBJ old_ = nullptr;
  std::uint32_t* bits_ = nullptr;
};

TEST(PaintTest, IndicatorIsARingWhoseDarkestDotMovesOnePlaceAFrame) {
  for (int size : {32, 48}) {  // 96 and 144 DPI
    Canvas canvas(size);
    for (int frame : {0, 1, 5, kIndicatorDots - 1, kIndicatorDots + 3}) {
      canvas.Indicator(frame);
      EXPECT_EQ(canvas.Level(size / 2.0, size / 2.0), 255) << "the middle stays empty";
      EXPECT_EQ(canvas.Level(0, 0), 255) << "the corners stay empty";
      const int head = frame % kIndicatorDots;
      std::vector<int> levels;
      for (int i = 0; i < kIndicatorDots; ++i) levels.push_back(canvas.DotLevel(i));
      EXPECT_LT(levels[head], 40) << "size " << size << " frame " << frame;
      // Behind the head each dot is lighter than the one before it.
      for (int age = 1; age < kIndicatorDots; ++age) {
        const int dot = (head - age + kIndicatorDots) % kIndicatorDots;
        const int newer = (dot + 1) % kIndicatorDots;
        EXPECT_GT(levels[dot], levels[newer]) << "size " << size << " frame " << frame << " dot " << dot;
        EXPECT_LT(levels[dot], 255) << "every dot of the ring shows";
      }
    }
  }
}

}  // namespace
}  // namespace zeph::win32
