#include <gtest/gtest.h>

#include <cstring>

#include "tests/retouch/engine/FxTestUtil.h"

using namespace fxtest;

TEST(FxDibSection, RowTableCountsFromTheTop) {
  FxImage img;
  ASSERT_EQ(img.CreateSection(5, 4, 24), 1);
  EXPECT_EQ(img.Stride(), 16u);
  EXPECT_EQ(img.RowTable()[0], img.Bits() + 3 * 16);
  EXPECT_EQ(img.RowTable()[3], img.Bits());
  EXPECT_EQ(img.Header().info.biSize, 108u);
  EXPECT_EQ(img.Header().info.biHeight, 4);
  for (int y = 0; y < 4; ++y)
    for (uint32_t i = 0; i < img.Stride(); ++i) ASSERT_EQ(img.Row(y)[i], 0);  // all black
  // The section the drawing layer sees has the same pixels: the top row
  // is scan line height - 1 of the bottom-up block.
  Set(img, 4, 0, {1, 2, 3});
  size_t size = 0;
  const uint8_t* packed = PackedDibOf(img.Section(), &size);
  ASSERT_NE(packed, nullptr);
  BITMAPINFOHEADER h;
  std::memcpy(&h, packed, sizeof h);
  EXPECT_EQ(h.biSize, 40u);
  EXPECT_EQ(h.biWidth, 5);
  EXPECT_EQ(h.biHeight, 4);
  EXPECT_EQ(h.biBitCount, 24);
  const uint8_t* last = packed + size - 16;
  EXPECT_EQ(last[12], 1);
  EXPECT_EQ(last[14], 3);
}

TEST(FxDibSection, BadSizesFailAndLeaveTheImageEmpty) {
  FxImage img;
  ASSERT_EQ(img.CreateSection(4, 4, 32), 1);
  EXPECT_EQ(img.CreateSection(4, -4, 32), 0);
  EXPECT_TRUE(img.IsEmpty());
  EXPECT_EQ(img.Width(), 0);
  EXPECT_EQ(img.CreateSection(-4, 4, 32), 0);
  EXPECT_EQ(img.CreateSection(4, 4, 12), 0);
  EXPECT_EQ(img.CreateSection(4, 4, 8, BI_BITFIELDS), 0);
  EXPECT_EQ(img.CreateSection(2000000000, 2000000000, 32), 0);
  EXPECT_EQ(img.CreateSection(0x7FFFFFFF, 1, 32), 0);
  EXPECT_TRUE(img.IsEmpty());
  // Effects on an empty image do nothing.
  EXPECT_FALSE(img.ScaleContrast(50));
  EXPECT_FALSE(img.EmbossGrey(3));
  EXPECT_FALSE(img.StripeWave(10, 10));
}

TEST(FxDibSection, ZeroTakesTheDisplaysMeasures) {
  HDC screen = GetDC(nullptr);
  const int w = GetDeviceCaps(screen, HORZRES), h = GetDeviceCaps(screen, VERTRES);
  const int bpp = GetDeviceCaps(screen, BITSPIXEL);
  ReleaseDC(nullptr, screen);
  FxImage img;
  ASSERT_EQ(img.CreateSection(0, 7, 24), 1);
  EXPECT_EQ(img.Width(), w);
  ASSERT_EQ(img.CreateSection(3, 0, 0), 1);
  EXPECT_EQ(img.Height(), h);
  EXPECT_EQ(img.BitsPerPixel(), bpp);
}

TEST(FxDibSection, GreyRampPalettes) {
  FxImage img;
  ASSERT_EQ(img.CreateSection(3, 3, 1, BI_RGB, nullptr, true), 1);
  ASSERT_EQ(img.PaletteSize(), 2);
  EXPECT_EQ(img.Palette()[1], (RGBQUAD{255, 255, 255, 0}));
  ASSERT_EQ(img.CreateSection(3, 3, 4, BI_RGB, nullptr, true), 1);
  ASSERT_EQ(img.PaletteSize(), 16);
  EXPECT_EQ(img.Palette()[5], (RGBQUAD{85, 85, 85, 0}));
  ASSERT_EQ(img.CreateSection(3, 3, 8, BI_RGB, nullptr, false), 1);
  ASSERT_EQ(img.PaletteSize(), 256);
  EXPECT_EQ(img.Palette()[200], (RGBQUAD{0, 0, 0, 0}));
  ASSERT_EQ(img.CreateSection(3, 3, 8, BI_RGB, nullptr, true), 1);
  EXPECT_EQ(img.Palette()[200], (RGBQUAD{200, 200, 200, 0}));
  ASSERT_EQ(img.CreateSection(3, 3, 24), 1);
  EXPECT_EQ(img.PaletteSize(), 0);
  EXPECT_EQ(img.Palette(), nullptr);
}

TEST(FxDibCopy, DuplicateIsDeepAndIgnoresSelfAndEmpty) {
  FxImage a;
  ASSERT_EQ(a.CreateSection(9, 5, 8, BI_RGB, nullptr, true), 1);
  a.Row(2)[3] = 77;
  a.Palette()[77] = RGBQUAD{1, 2, 3, 0};
  a.PaletteChanged();
  FxImage b;
  b.Duplicate(a);
  ASSERT_FALSE(b.IsEmpty());
  EXPECT_NE(b.Bits(), a.Bits());
  EXPECT_NE(b.Section(), a.Section());
  EXPECT_TRUE(SamePixels(a, b));
  EXPECT_EQ(b.Palette()[77], (RGBQUAD{1, 2, 3, 0}));
  a.Row(2)[3] = 5;
  EXPECT_EQ(b.Row(2)[3], 77);
  uint8_t* before = b.Bits();
  b.Duplicate(b);
  EXPECT_EQ(b.Bits(), before);
  FxImage empty;
  b.Duplicate(empty);
  EXPECT_EQ(b.Width(), 9);
  const uint32_t masks[3] = {0xF800, 0x07E0, 0x001F};
  FxImage c;
  ASSERT_EQ(c.CreateSection(2, 2, 16, BI_BITFIELDS, masks), 1);
  b.Duplicate(c);
  EXPECT_EQ(b.Header().info.biCompression, uint32_t(BI_BITFIELDS));
  EXPECT_EQ(b.Header().greenMask, 0x07E0u);
}

TEST(FxDibDepth, ConvertsEveryDepthToTrueColour) {
  FxImage one;
  ASSERT_EQ(one.CreateSection(10, 1, 1), 1);
  one.Palette()[1] = RGBQUAD{10, 20, 30, 0};
  one.Row(0)[0] = 0x81;  // pixels 0 and 7 set
  one.Row(0)[1] = 0x40;  // pixel 9
  one.ConvertDepth(24);
  ASSERT_EQ(one.BitsPerPixel(), 24);
  EXPECT_EQ(one.PaletteSize(), 0);
  EXPECT_EQ(Get(one, 0, 0), (Bgr{10, 20, 30}));
  EXPECT_EQ(Get(one, 1, 0), Grey(0));
  EXPECT_EQ(Get(one, 7, 0), (Bgr{10, 20, 30}));
  EXPECT_EQ(Get(one, 8, 0), Grey(0));
  EXPECT_EQ(Get(one, 9, 0), (Bgr{10, 20, 30}));

  FxImage four;
  ASSERT_EQ(four.CreateSection(3, 1, 4, BI_RGB, nullptr, true), 1);
  four.Row(0)[0] = 0x2F;
  four.Row(0)[1] = 0x10;
  four.ConvertDepth(32);
  EXPECT_EQ(Get(four, 0, 0), Grey(34));
  EXPECT_EQ(Get(four, 1, 0), Grey(255));
  EXPECT_EQ(Get(four, 2, 0), Grey(17));

  FxImage eight;
  ASSERT_EQ(eight.CreateSection(2, 2, 8, BI_RGB, nullptr, true), 1);
  eight.Row(1)[1] = 99;
  eight.ConvertDepth(32);
  EXPECT_EQ(Get(eight, 1, 1), Grey(99));
  EXPECT_EQ(At(eight, 1, 1)[3], 0);

  FxImage five;
  ASSERT_EQ(five.CreateSection(2, 1, 16), 1);
  const uint16_t w555 = (31 << 10) | (16 << 5) | 1;
  std::memcpy(five.Row(0), &w555, 2);
  five.ConvertDepth(24);
  EXPECT_EQ(Get(five, 0, 0), (Bgr{8, 132, 255}));
  EXPECT_EQ(Get(five, 1, 0), Grey(0));

  const uint32_t masks[3] = {0xF800, 0x07E0, 0x001F};
  FxImage six;
  ASSERT_EQ(six.CreateSection(1, 1, 16, BI_BITFIELDS, masks), 1);
  const uint16_t w565 = (1 << 11) | (63 << 5) | 31;
  std::memcpy(six.Row(0), &w565, 2);
  six.ConvertDepth(32);
  EXPECT_EQ(Get(six, 0, 0), (Bgr{255, 255, 8}));

  FxImage deep;
  ASSERT_EQ(deep.CreateSection(2, 2, 32), 1);
  Set(deep, 1, 0, {4, 5, 6}, 200);
  deep.ConvertDepth(24);
  EXPECT_EQ(deep.BitsPerPixel(), 24);
  EXPECT_EQ(Get(deep, 1, 0), (Bgr{4, 5, 6}));
  uint8_t* before = deep.Bits();
  deep.ConvertDepth(24);  // already there
  deep.ConvertDepth(8);   // not a target depth
  EXPECT_EQ(deep.Bits(), before);
}

TEST(FxDibDevice, BitmapRoundTripsAtEveryDepth) {
  FxImage src;
  ASSERT_EQ(src.CreateSection(13, 7, 32), 1);
  FillPattern(src, 11);
  HBITMAP device = src.MakeDeviceBitmap();
  ASSERT_NE(device, nullptr);
  FxImage back;
  ASSERT_EQ(back.LoadFromBitmap(device, 32), 1);
  EXPECT_EQ(back.Width(), 13);
  EXPECT_EQ(back.Height(), 7);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 13; ++x) ASSERT_EQ(Get(back, x, y), Get(src, x, y)) << x << "," << y;
  FxImage as24;
  ASSERT_EQ(as24.LoadFromBitmap(device, 24), 1);
  EXPECT_EQ(Get(as24, 12, 6), Get(src, 12, 6));
  DeleteObject(fx::AsObject(device));

  // A palette picture keeps its indices and fetches its colour table.
  FxImage pal;
  ASSERT_EQ(pal.CreateSection(5, 3, 8, BI_RGB, nullptr, true), 1);
  pal.Row(0)[4] = 250;
  pal.Row(2)[0] = 3;
  FxImage from8;
  ASSERT_EQ(from8.LoadFromBitmap(pal.Section(), 8), 1);
  EXPECT_EQ(from8.Row(0)[4], 250);
  EXPECT_EQ(from8.Row(2)[0], 3);
  EXPECT_EQ(from8.Palette()[250], (RGBQUAD{250, 250, 250, 0}));
  HBITMAP dev8 = pal.MakeDeviceBitmap();
  FxImage true8;
  ASSERT_EQ(true8.LoadFromBitmap(dev8, 32), 1);
  EXPECT_EQ(Get(true8, 4, 0), Grey(250));
  DeleteObject(fx::AsObject(dev8));

  FxImage none;
  EXPECT_EQ(none.LoadFromBitmap(nullptr, 32), 0);
  EXPECT_EQ(none.MakeDeviceBitmap(), nullptr);
}
