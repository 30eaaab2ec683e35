#include "app/win32/look/buffered.h"

#include <gtest/gtest.h>

namespace zeph::win32 {
namespace {

struct Format {
  bool dibSection;
  int bitsPerPixel;
};

Format FormatOf(HBITMAP bitmap) {
  DIBSECTION dib{};
  const int size = GetObjectW(bitmap, sizeof dib, &dib);
  return {size == static_cast<int>(sizeof dib), dib.dsBm.bmBitsPixel};
}

// A window's DC on a 32-bit display gets a DIB section of that format; any other
// target the bitmap CreateCompatibleBitmap makes for it, whose format follows the
// target's (a memory DC holds a monochrome bitmap until a bitmap is selected).
TEST(BufferedTest, BackBufferHasTheTargetsFormat) {
  const WindowDc screen(nullptr);
  ASSERT_TRUE(screen.get());
  const int screenBits = GetDeviceCaps(screen.get(), BITSPIXEL);
  const UniqueMemoryDc fresh(CreateCompatibleDC(screen.get()));
  const UniqueMemoryDc holding(CreateCompatibleDC(screen.get()));
  std::uint32_t* pixels = nullptr;
  const UniqueHbitmap held = CreatePixelBitmap(screen.get(), 4, 4, pixels);
  const SelectedObject selected(holding.get(), held.get());
  const struct {
    const char* target;
    HDC dc;
    Format expected;
  } cases[] = {
      {"screen", screen.get(), {screenBits == 32, screenBits}},
      {"memory DC as created", fresh.get(), {false, 1}},
      {"memory DC holding a DIB section", holding.get(), {true, 32}},
  };
  for (const auto& c : cases) {
    const UniqueHbitmap bitmap = BackBuffer(c.dc, 30, 20);
    ASSERT_TRUE(bitmap) << c.target;
    const Format format = FormatOf(bitmap.get());
    EXPECT_EQ(format.dibSection, c.expected.dibSection) << c.target;
    EXPECT_EQ(format.bitsPerPixel, c.expected.bitsPerPixel) << c.target;
  }
}

}  // namespace
}  // namespace zeph::win32
