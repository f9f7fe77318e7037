#include <gtest/gtest.h>

#include <cstring>

#include "image/core/GbImage.h"
#include "platform/gdi/Gdi.h"

namespace {

// An image whose every pixel differs from its neighbours, at any depth.
GbImage Patterned(uint32_t w, uint32_t h, uint32_t bpp) {
  GbImage img(w, h, bpp, 0);
  img.Fill(0);
  if (bpp <= 8) {
    const uint32_t n = img.PaletteEntryCount();
    for (uint32_t i = 0; i < n; ++i) img.SetPaletteColor(i, uint8_t(i * 7), uint8_t(255 - i), uint8_t(i * 13));
    for (uint32_t y = 0; y < h; ++y)
      for (uint32_t x = 0; x < w; ++x) img.WritePixelIndex(long(x), long(y), uint8_t((x * 3 + y * 5) % n));
  } else {
    for (uint32_t y = 0; y < h; ++y)
      for (uint32_t x = 0; x < w; ++x)
        img.WritePixelColor(long(x), long(y), RGBQUAD{uint8_t(x * 20), uint8_t(y * 30), uint8_t(x + y), 0});
  }
  return img;
}

bool SamePixels(const GbImage& a, const GbImage& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height() || a.BitsPerPixel() != b.BitsPerPixel()) return false;
  if (a.PaletteEntryCount() && std::memcmp(a.Palette(), b.Palette(), 4 * size_t(a.PaletteEntryCount())) != 0)
    return false;
  for (uint32_t y = 0; y < a.Height(); ++y)
    for (uint32_t x = 0; x < a.Width(); ++x)
      if (!(a.ReadPixelColor(long(x), long(y), false) == b.ReadPixelColor(long(x), long(y), false))) return false;
  return true;
}

}  // namespace

TEST(DeviceBitmap, RoundTripAtEveryDepth) {
  for (uint32_t bpp : {1u, 4u, 8u, 24u}) {
    const GbImage img = Patterned(13, 5, bpp);
    HBITMAP bmp = img.MakeDibSection();
    ASSERT_NE(bmp, nullptr) << bpp;
    DIBSECTION ds;
    ASSERT_EQ(GetObject(bmp, sizeof ds, &ds), int(sizeof ds));
    EXPECT_EQ(ds.dsBm.bmWidth, 13);
    EXPECT_EQ(ds.dsBm.bmHeight, 5);
    EXPECT_EQ(ds.dsBm.bmBitsPixel, bpp);
    EXPECT_GT(ds.dsBmih.biHeight, 0);
    // The pixel rows are the image's own bytes.
    EXPECT_EQ(std::memcmp(ds.dsBm.bmBits, img.RowBits(0), size_t(img.RowStride()) * 5), 0);

    GbImage back;
    ASSERT_TRUE(back.CreateFromBitmap(bmp)) << bpp;
    EXPECT_TRUE(SamePixels(img, back)) << bpp;
    EXPECT_EQ(std::memcmp(back.RowBits(0), img.RowBits(0), size_t(img.RowStride()) * 5), 0) << bpp;
    DeleteObject(bmp);
  }
  // A context may be given; it is left as it was.
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP withDc = Patterned(2, 2, 24).MakeDibSection(dc);
  EXPECT_NE(withDc, nullptr);
  DeleteObject(withDc);
  DeleteDC(dc);
  EXPECT_EQ(GbImage().MakeDibSection(), nullptr);
}

TEST(DeviceBitmap, DeepAndTopDownBitmapsBecomeTrueColour) {
  // A 32-bit device bitmap and a top-down 16-bit section, painted the same.
  HDC screen = GetDC(nullptr);
  HBITMAP b32 = CreateCompatibleBitmap(screen, 3, 2);
  ReleaseDC(nullptr, screen);
  BITMAPINFO info{};
  info.bmiHeader = BITMAPINFOHEADER{40, 3, -2, 1, 16, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP b16 = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits);
  HDC dc = CreateCompatibleDC(nullptr);
  for (HBITMAP b : {b32, b16}) {
    HGDIOBJ old = SelectObject(dc, b);
    SetPixel(dc, 0, 0, RGB(255, 0, 0));  // top left
    SetPixel(dc, 2, 1, RGB(0, 0, 255));  // bottom right
    SelectObject(dc, old);
    GbImage img;
    ASSERT_TRUE(img.CreateFromBitmap(b));
    EXPECT_EQ(img.BitsPerPixel(), 24u);
    EXPECT_EQ(img.ReadPixelColor(0, 1, false), (RGBQUAD{0, 0, 255, 0}));  // row 1 is the top
    EXPECT_EQ(img.ReadPixelColor(2, 0, false), (RGBQUAD{255, 0, 0, 0}));
    EXPECT_EQ(img.ReadPixelColor(1, 0, false), (RGBQUAD{0, 0, 0, 0}));
  }
  DeleteDC(dc);
  DeleteObject(b32);
  DeleteObject(b16);
}

TEST(DeviceBitmap, CreateFromBitmapRefusals) {
  GbImage img = Patterned(4, 4, 24);
  EXPECT_FALSE(img.CreateFromBitmap(nullptr));
  EXPECT_FALSE(img.HasPixels());  // released first
}
