#include <gtest/gtest.h>

#include <climits>

#include "image/core/GbImage.h"

namespace {

using Op = GbImage::MixOperation;

RGBQUAD Rgb(int r, int g, int b, int a = 0) { return RGBQUAD{uint8_t(b), uint8_t(g), uint8_t(r), uint8_t(a)}; }

// A 24-bit image of one pixel, with an alpha plane when alpha >= 0.
GbImage Pixel(RGBQUAD c, int alpha = -1) {
  GbImage img(1, 1, 24, 0);
  img.WritePixelColor(0, 0, c);
  if (alpha >= 0) {
    img.CreateAlpha();
    img.WriteAlpha(0, 0, uint8_t(alpha));
  }
  return img;
}

// Mixes one source pixel into one destination pixel; returns colour and alpha.
RGBQUAD MixOne(Op op, RGBQUAD d, int dAlpha, RGBQUAD s, int sAlpha, bool mixAlpha, RGBQUAD bg = RGBQUAD{},
               uint8_t sourceAlphaMax = 255) {
  GbImage dst = Pixel(d, dAlpha);
  dst.SetBackgroundColor(bg);
  GbImage src = Pixel(s, sAlpha);
  src.SetAlphaMax(sourceAlphaMax);
  EXPECT_TRUE(dst.MixWith(src, op, 0, 0, mixAlpha));
  return dst.ReadPixelColor(0, 0, true);
}

void ExpectColour(RGBQUAD got, int r, int g, int b, int a) {
  EXPECT_EQ(got.rgbRed, r);
  EXPECT_EQ(got.rgbGreen, g);
  EXPECT_EQ(got.rgbBlue, b);
  EXPECT_EQ(got.rgbReserved, a);
}

}  // namespace

TEST(GbImageMix, ChannelArithmeticWithAndWithoutAlpha) {
  const RGBQUAD d = Rgb(200, 100, 0x5A), s = Rgb(100, 201, 0x3C);
  ExpectColour(MixOne(Op::Add, d, 200, s, 100, true), 255, 255, 0x96, 255);
  ExpectColour(MixOne(Op::And, d, 0xF0, s, 0x3C, true), 200 & 100, 100 & 201, 0x5A & 0x3C, 0x30);
  ExpectColour(MixOne(Op::Xor, d, 0xF0, s, 0x3C, true), 200 ^ 100, 100 ^ 201, 0x5A ^ 0x3C, 0xCC);
  ExpectColour(MixOne(Op::Or, d, 0xF0, s, 0x3C, true), 200 | 100, 100 | 201, 0x5A | 0x3C, 0xFC);
  ExpectColour(MixOne(Op::Subtract, d, 50, s, 80, true), 100, 0, 0x1E, 0);
  ExpectColour(MixOne(Op::Average, Rgb(201, 0, 255), 7, Rgb(100, 1, 254), 0, true), 150, 0, 254, 3);
  // Without mixing alpha the destination plane stays as it was.
  ExpectColour(MixOne(Op::Add, d, 200, s, 100, false), 255, 255, 0x96, 200);
  // A source without a plane never mixes alpha, and a destination without
  // one gets a plane only when alpha is mixed.
  ExpectColour(MixOne(Op::Average, d, 40, s, -1, true), 150, 150, 0x4B, 40);
  GbImage dst = Pixel(d);
  GbImage src = Pixel(s, 60);
  ASSERT_TRUE(dst.MixWith(src, Op::Subtract, 0, 0, true));
  EXPECT_EQ(dst.ReadAlpha(0, 0), 255 - 60);
}

TEST(GbImageMix, MaskAndTransparencyDrivenCopies) {
  const RGBQUAD bg = Rgb(1, 2, 3);
  ExpectColour(MixOne(Op::Mask, Rgb(9, 9, 9), -1, Rgb(0, 0, 0), -1, false, bg), 1, 2, 3, 0);
  ExpectColour(MixOne(Op::Mask, Rgb(9, 9, 9), -1, Rgb(0, 0, 1), -1, false, bg), 9, 9, 9, 0);

  ExpectColour(MixOne(Op::CopyIntoTransparent, Rgb(9, 9, 9), 0, Rgb(5, 6, 7), 30, true), 5, 6, 7, 30);
  ExpectColour(MixOne(Op::CopyIntoTransparent, Rgb(9, 9, 9), 1, Rgb(5, 6, 7), 30, true), 9, 9, 9, 1);
  ExpectColour(MixOne(Op::CopyOpaqueSource, Rgb(9, 9, 9), 40, Rgb(5, 6, 7), 0, true), 9, 9, 9, 40);
  ExpectColour(MixOne(Op::CopyOpaqueSource, Rgb(9, 9, 9), 40, Rgb(5, 6, 7), 1, true), 5, 6, 7, 1);

  // Mask over a whole image: black source pixels turn into the background.
  GbImage dst(3, 2, 24, 0);
  dst.Fill(0x80);
  dst.SetBackgroundColor(Rgb(0, 0, 255));
  GbImage src(3, 2, 24, 0);
  src.Fill(0);
  src.WritePixelColor(1, 1, Rgb(0, 7, 0));
  ASSERT_TRUE(dst.MixWith(src, Op::Mask));
  for (long y = 0; y < 2; ++y)
    for (long x = 0; x < 3; ++x)
      EXPECT_EQ(dst.ReadPixelColor(x, y, false), (x == 1 && y == 1) ? Rgb(0x80, 0x80, 0x80) : Rgb(0, 0, 255));
}

TEST(GbImageMix, BlendNearBackgroundByDistance) {
  const RGBQUAD bg = Rgb(100, 100, 100), s = Rgb(0, 50, 255);
  // dist 15: (1 * s + 15 * d) / 16, truncated.
  ExpectColour(MixOne(Op::BlendNearBackground, Rgb(115, 115, 115), -1, s, -1, false, bg), 107, 110, 123, 0);
  // (45 + 0 + 0) / 3 = 15 as well, but the channels differ.
  ExpectColour(MixOne(Op::BlendNearBackground, Rgb(145, 100, 100), -1, s, -1, false, bg), 135, 96, 109, 0);
  // dist 16 weighs the destination fully; from 17 on it stays as it is.
  ExpectColour(MixOne(Op::BlendNearBackground, Rgb(116, 116, 116), -1, s, -1, false, bg), 116, 116, 116, 0);
  ExpectColour(MixOne(Op::BlendNearBackground, Rgb(117, 117, 117), -1, s, -1, false, bg), 117, 117, 117, 0);
  // 1 / 3 = 0: all source.
  ExpectColour(MixOne(Op::BlendNearBackground, Rgb(101, 100, 100), -1, s, -1, false, bg), 0, 50, 255, 0);
  // A transparent destination takes the source even far from the background.
  ExpectColour(MixOne(Op::BlendNearBackground, Rgb(250, 0, 0), 0, s, 70, true, bg), 0, 50, 255, 70);
}

TEST(GbImageMix, AlphaOverScalesBySourceAlphaMaximum) {
  const RGBQUAD d = Rgb(10, 20, 30), s = Rgb(250, 130, 70);
  // a = 200 * 128 / 255 = 100; channel = (d * 155 + s * 100) / 255; alpha = 100 * 200 / 255.
  ExpectColour(MixOne(Op::AlphaOver, d, 200, s, 128, true, RGBQUAD{}, 200), 104, 63, 45, 78);
  // The same blend without alpha mixing keeps the destination alpha.
  ExpectColour(MixOne(Op::AlphaOver, d, 200, s, 128, false, RGBQUAD{}, 200), 104, 63, 45, 200);
  // Full opacity gives the source, zero the destination.
  ExpectColour(MixOne(Op::AlphaOver, d, 200, s, 255, true), 250, 130, 70, 255);
  ExpectColour(MixOne(Op::AlphaOver, d, 200, s, 0, true), 10, 20, 30, 200);
  // Opaque by the plane but scaled down to 0: the destination stays.
  ExpectColour(MixOne(Op::AlphaOver, d, 200, s, 2, true, RGBQUAD{}, 100), 10, 20, 30, 200);
  // a = 1: barely any source, and the alpha falls to 1 * 200 / 255 = 0.
  ExpectColour(MixOne(Op::AlphaOver, d, 200, s, 1, true), 10, 20, 30, 0);
  ExpectColour(MixOne(Op::AlphaOver, d, -1, s, -1, false), 250, 130, 70, 0);  // no plane: opaque

  // A keyed source pixel counts as transparent.
  GbImage dst = Pixel(d);
  GbImage src = Pixel(s);
  src.SetBackgroundColor(s);
  src.SetBackgroundIndex(0);
  ASSERT_TRUE(dst.MixWith(src, Op::AlphaOver));
  EXPECT_EQ(dst.ReadPixelColor(0, 0, false), d);
}

TEST(GbImageMix, UnknownOperationChangesNothing) {
  GbImage dst = Pixel(Rgb(1, 2, 3), 4);
  GbImage src = Pixel(Rgb(9, 9, 9), 9);
  EXPECT_FALSE(dst.MixWith(src, Op(11), 0, 0, true));
  EXPECT_FALSE(dst.MixWith(src, Op(-1), 0, 0, true));
  ExpectColour(dst.ReadPixelColor(0, 0, true), 1, 2, 3, 4);
  GbImage noAlpha = Pixel(Rgb(1, 2, 3));
  EXPECT_FALSE(noAlpha.MixWith(src, Op(11), 0, 0, true));
  EXPECT_FALSE(noAlpha.HasAlpha());
}

TEST(GbImageMix, OffsetsSelectionsAndPaletteDestination) {
  // Source pixel (x + dx, y + dy) lands on (x, y); the area is clipped to both.
  GbImage src(4, 3, 24, 0);
  for (long y = 0; y < 3; ++y)
    for (long x = 0; x < 4; ++x) src.WritePixelColor(x, y, Rgb(int(x * 10), int(y * 10), 0));
  GbImage dst(4, 3, 24, 0);
  dst.Fill(1);
  ASSERT_TRUE(dst.MixWith(src, Op::Or, 1, 1));
  for (long y = 0; y < 3; ++y)
    for (long x = 0; x < 4; ++x) {
      const bool mixed = x < 3 && y < 2;
      const RGBQUAD want = mixed ? Rgb(int((x + 1) * 10) | 1, int((y + 1) * 10) | 1, 1) : Rgb(1, 1, 1);
      EXPECT_EQ(dst.ReadPixelColor(x, y, false), want) << x << "," << y;
    }

  // Negative offsets reach outside the source: those pixels are skipped.
  dst.Fill(1);
  ASSERT_TRUE(dst.MixWith(src, Op::Or, -2, 0));
  EXPECT_EQ(dst.ReadPixelColor(1, 0, false), Rgb(1, 1, 1));
  EXPECT_EQ(dst.ReadPixelColor(2, 0, false), Rgb(1, 1, 1));  // source (0, 0) is black
  EXPECT_EQ(dst.ReadPixelColor(3, 1, false), Rgb(11, 11, 1));

  // Only pixels selected in both images are touched.
  dst.Fill(1);
  dst.AddRectToSelection(RECT{0, 0, 1, 0}, 1);
  src.AddRectToSelection(RECT{1, 0, 3, 2}, 1);
  ASSERT_TRUE(dst.MixWith(src, Op::Or));
  EXPECT_EQ(dst.ReadPixelColor(0, 0, false), Rgb(1, 1, 1));
  EXPECT_EQ(dst.ReadPixelColor(1, 0, false), Rgb(11, 1, 1));
  EXPECT_EQ(dst.ReadPixelColor(2, 0, false), Rgb(1, 1, 1));

  // A palette destination stores the nearest palette colour.
  GbImage pal(1, 1, 4, 0);
  pal.SetStandardPalette();
  pal.Fill(0);
  GbImage red = Pixel(Rgb(250, 10, 0));
  ASSERT_TRUE(pal.MixWith(red, Op::Add));
  EXPECT_EQ(pal.ReadPixelIndex(0, 0), 9);
}

TEST(GbImagePaste, KeyedPixelsSkippedAndEdgesClipped) {
  GbImage src(10, 10, 24, 0);
  for (long y = 0; y < 10; ++y)
    for (long x = 0; x < 10; ++x) src.WritePixelColor(x, y, Rgb(int(x), int(y), 200));
  GbImage dst(8, 8, 24, 0);
  dst.Fill(0);
  ASSERT_TRUE(dst.PasteFrom(src, -5, -5));
  for (long y = 0; y < 8; ++y)
    for (long x = 0; x < 8; ++x) {
      const RGBQUAD want = (x < 5 && y < 5) ? Rgb(int(x + 5), int(y + 5), 200) : Rgb(0, 0, 0);
      EXPECT_EQ(dst.ReadPixelColor(x, y, false), want) << x << "," << y;
    }
  EXPECT_TRUE(dst.PasteFrom(src, 8, 0));  // nothing overlaps

  // Without a key every pixel goes, alpha 0 included; the destination's
  // alpha plane is left alone.
  GbImage small(2, 1, 24, 0);
  small.WritePixelColor(0, 0, Rgb(50, 60, 70));
  small.WritePixelColor(1, 0, Rgb(80, 90, 100));
  small.CreateAlpha();
  small.WriteAlpha(1, 0, 0);
  GbImage target(3, 1, 24, 0);
  target.Fill(0);
  target.CreateAlpha();
  target.FillAlpha(33);
  ASSERT_TRUE(target.PasteFrom(small, 1, 0));
  EXPECT_EQ(target.ReadPixelColor(1, 0, false), Rgb(50, 60, 70));
  EXPECT_EQ(target.ReadPixelColor(2, 0, false), Rgb(80, 90, 100));
  EXPECT_EQ(target.ReadAlpha(2, 0), 33);

  // With a key, key-coloured pixels and alpha-0 pixels are skipped.
  target.Fill(0);
  small.SetBackgroundColor(Rgb(50, 60, 70));
  small.SetBackgroundIndex(0);
  ASSERT_TRUE(target.PasteFrom(small, 0, 0));
  EXPECT_EQ(target.ReadPixelColor(0, 0, false), Rgb(0, 0, 0));
  EXPECT_EQ(target.ReadPixelColor(1, 0, false), Rgb(0, 0, 0));

  // Palette source onto palette destination: by colour, key by index.
  GbImage palSrc(3, 1, 4, 0);
  palSrc.SetStandardPalette();
  palSrc.WritePixelIndex(0, 0, 9);
  palSrc.WritePixelIndex(1, 0, 3);
  palSrc.WritePixelIndex(2, 0, 12);
  palSrc.SetBackgroundIndex(3);
  GbImage palDst(3, 1, 8, 0);
  palDst.SetStandardPalette();
  palDst.Fill(7);
  ASSERT_TRUE(palDst.PasteFrom(palSrc, 0, 0));
  EXPECT_EQ(palDst.ReadPixelColor(0, 0, false), palSrc.PaletteColor(9));
  EXPECT_EQ(palDst.ReadPixelIndex(1, 0), 7);
  EXPECT_EQ(palDst.ReadPixelColor(2, 0, false), palSrc.PaletteColor(12));
}

TEST(GbImagePaste, OntoItselfReadsTheOriginal) {
  GbImage img(4, 1, 24, 0);
  for (long x = 0; x < 4; ++x) img.WritePixelColor(x, 0, Rgb(int(x), 0, 0));
  ASSERT_TRUE(img.PasteFrom(img, 1, 0));
  for (long x = 1; x < 4; ++x) EXPECT_EQ(img.ReadPixelColor(x, 0, false).rgbRed, x - 1);
}

TEST(GbImageMix, ExtremeOffsetsTouchNothing) {
  GbImage dst(3, 2, 24, 0);
  dst.Fill(5);
  GbImage src(3, 2, 24, 0);
  src.Fill(9);
  for (long off : {LONG_MIN, LONG_MIN + 1, -3L, 3L, LONG_MAX}) {
    EXPECT_TRUE(dst.MixWith(src, Op::Add, off, 0));
    EXPECT_TRUE(dst.MixWith(src, Op::Add, 0, off));
    EXPECT_TRUE(dst.PasteFrom(src, off, 0));
    EXPECT_TRUE(dst.PasteFrom(src, 0, off));
  }
  for (long y = 0; y < 2; ++y)
    for (long x = 0; x < 3; ++x) EXPECT_EQ(dst.ReadPixelColor(x, y, false), Rgb(5, 5, 5));
}
