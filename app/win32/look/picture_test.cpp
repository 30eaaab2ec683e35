#include "app/win32/look/picture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace zeph::win32 {
namespace {

// A 2 × 2 BMP file as resources/make-art.sh writes one; rows listed top first.
std::string Bmp(const std::uint32_t (&topFirst)[4], bool topDown = true, int bits = 32) {
  BITMAPFILEHEADER file{0x4D42, 0, 0, 0, sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)};
  BITMAPINFOHEADER info{sizeof info, 2, topDown ? -2 : 2, 1, static_cast<WORD>(bits), BI_RGB, 16, 0, 0, 0, 0};
  std::string out(reinterpret_cast<const char*>(&file), sizeof file);
  out.append(reinterpret_cast<const char*>(&info), sizeof info);
  const int order[4] = {topDown ? 0 : 2, topDown ? 1 : 3, topDown ? 2 : 0, topDown ? 3 : 1};
  for (int i : order) out.append(reinterpret_cast<const char*>(&topFirst[i]), 4);
  return out;
}

TEST(PictureTest, ReadsStraightAlphaBmpsPremultipliedAndRejectsOthers) {
  const std::uint32_t straight[4] = {0xFFFF0000, 0x80FFFFFF, 0x00FFFFFF, 0x40204060};
  const std::vector<std::uint32_t> premultiplied = {0xFFFF0000, 0x80808080, 0x00000000, 0x40081018};
  for (bool topDown : {true, false}) {
    const std::string file = Bmp(straight, topDown);
    const auto picture = Picture::FromBmp(file.data(), file.size());
    ASSERT_TRUE(picture) << topDown;
    EXPECT_EQ(picture->Width(), 2);
    EXPECT_EQ(picture->Height(), 2);
    EXPECT_EQ(picture->Pixels(2, 2), premultiplied) << topDown;
  }
  for (const std::string& bad : {Bmp(straight, true, 24), Bmp(straight).substr(0, 60), std::string("BM")}) {
    EXPECT_FALSE(Picture::FromBmp(bad.data(), bad.size()));
  }
}

// Only the exact colour changes, at each pixel's own alpha.
TEST(PictureTest, RecolorsOneColourKeepingItsAlpha) {
  const std::uint32_t straight[4] = {0xFF1F3B57, 0x801F3B57, 0xFF1F3B58, 0x00000000};
  const std::string file = Bmp(straight);
  const auto picture = Picture::FromBmp(file.data(), file.size(), Picture::Recolor{0x1F3B57, 0xE4E8EC});
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->Pixels(2, 2), (std::vector<std::uint32_t>{0xFFE4E8EC, 0x80727476, 0xFF1F3B58, 0x00000000}));
}

TEST(PictureTest, DrawsBlendedAtItsOwnSizeAndResampledAtAnother) {
  const std::uint32_t white = 0xFFFFFFFF, clear = 0x00000000;
  const std::uint32_t pixels[4] = {0xFF000000, 0x80000000, clear, clear};
  const std::string file = Bmp(pixels);
  const auto picture = Picture::FromBmp(file.data(), file.size());
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->Pixels(4, 4)[0], 0xFF000000u) << "an opaque corner stays opaque";
  EXPECT_EQ(picture->Pixels(4, 4)[15], clear) << "a clear corner stays clear";

  const UniqueMemoryDc memoryDc(CreateCompatibleDC(nullptr));
  const HDC dc = memoryDc.get();
  BITMAPINFO info{};
  info.bmiHeader = {sizeof info.bmiHeader, 3, -2, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  std::uint32_t* bits = nullptr;
  const UniqueHbitmap canvas(CreateDIBSection(dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0));
  const SelectedObject selected(dc, canvas.get());
  std::fill(bits, bits + 6, white);
  picture->Draw(dc, RECT{1, 0, 3, 2});
  GdiFlush();
  EXPECT_EQ(bits[0] & 0xFFFFFF, 0xFFFFFFu) << "left of the picture is untouched";
  EXPECT_EQ(bits[1] & 0xFFFFFF, 0x000000u) << "opaque black";
  EXPECT_NEAR(static_cast<int>(bits[2] & 0xFF), 127, 1) << "half black over white";
  EXPECT_EQ(bits[4] & 0xFFFFFF, 0xFFFFFFu) << "clear";
}

}  // namespace
}  // namespace zeph::win32
