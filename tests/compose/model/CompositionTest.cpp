#include <gtest/gtest.h>

#include "compose/model/Composition.h"
#include "tests/compose/model/ComposeTestSupport.h"

using namespace composetest;

namespace {

const RGBQUAD kKey = Rgb(0, 255, 0);
const RGBQUAD kBorder = Rgb(200, 30, 60);

// A frame of w x h: a border colour with a key-coloured window in the middle
// (inset pixels from each edge).
GbImage WindowFrame(uint32_t w, uint32_t h, long inset, RGBQUAD key = kKey, RGBQUAD border = kBorder) {
  GbImage f = Solid(w, h, border);
  for (long y = inset; y < long(h) - inset; ++y)
    for (long x = inset; x < long(w) - inset; ++x) Set(f, x, y, key);
  return f;
}

}  // namespace

TEST(FixedPictures, PlainColoursAtTheirSizes) {
  GbImage bg, empty, base;
  ASSERT_TRUE(MakeStickerBackground(bg));
  ASSERT_TRUE(MakeEmptySlotPicture(empty));
  ASSERT_TRUE(MakeSheetBase(base));
  EXPECT_EQ(bg.Width(), 320u);
  EXPECT_EQ(bg.Height(), 240u);
  EXPECT_EQ(DiffCount(bg, Solid(320, 240, Rgb(255, 255, 253))), 0);
  EXPECT_EQ(DiffCount(empty, Solid(364, 276, Rgb(255, 255, 255))), 0);
  EXPECT_EQ(DiffCount(base, Solid(1, 1, Rgb(0, 0, 0))), 0);
}

TEST(ResizeBitmap, RefusesMissingSourceZeroSizeAndUnknownMethod) {
  const SharedBitmap src = BitmapOfImage(Solid(4, 4, Rgb(1, 2, 3)));
  ASSERT_TRUE(src);
  EXPECT_FALSE(ResizeBitmap(HBITMAP(nullptr), 10, 10, ResizeResample));
  EXPECT_FALSE(ResizeBitmap(src, 0, 10, ResizeResample));
  EXPECT_FALSE(ResizeBitmap(src, 10, 0, ResizeStretch));
  EXPECT_FALSE(ResizeBitmap(src, 10, 10, 1));
  EXPECT_FALSE(ResizeBitmap(src, 10, 10, 3));
}

TEST(ResizeBitmap, StretchRepeatsRowsAndColumnsWithoutAveraging) {
  const GbImage small = Pattern(4, 3);
  const SharedBitmap src = BitmapOfImage(small);
  const GbImage big = Image(ResizeBitmap(src, 8, 6, ResizeStretch));
  ASSERT_EQ(big.Width(), 8u);
  ASSERT_EQ(big.Height(), 6u);
  for (long y = 0; y < 6; ++y)
    for (long x = 0; x < 8; ++x) ASSERT_TRUE(Same(At(big, x, y), At(small, x / 2, y / 2))) << x << "," << y;
  // The source handle is left alone.
  EXPECT_EQ(DiffCount(Image(src), small), 0);
}

TEST(ResizeBitmap, StretchWithKeepAspectScalesBothSidesByTheSmallerFactor) {
  const SharedBitmap wide = BitmapOfImage(Pattern(100, 50));
  const SharedBitmap tall = BitmapOfImage(Pattern(50, 100));
  const SharedBitmap odd = BitmapOfImage(Pattern(7, 3));
  GbImage a = Image(ResizeBitmap(wide, 40, 40, ResizeStretch, true));
  GbImage b = Image(ResizeBitmap(tall, 40, 40, ResizeStretch, true));
  GbImage c = Image(ResizeBitmap(odd, 10, 10, ResizeStretch, true));  // 10/7 < 10/3: 10 x trunc(3*10/7)
  GbImage d = Image(ResizeBitmap(wide, 40, 40, ResizeStretch, false));
  EXPECT_EQ(a.Width(), 40u);
  EXPECT_EQ(a.Height(), 20u);
  EXPECT_EQ(b.Width(), 20u);
  EXPECT_EQ(b.Height(), 40u);
  EXPECT_EQ(c.Width(), 10u);
  EXPECT_EQ(c.Height(), 4u);
  EXPECT_EQ(d.Width(), 40u);
  EXPECT_EQ(d.Height(), 40u);
}

TEST(ResizeBitmap, ResampleKeepsAPlainColourExactly) {
  const SharedBitmap src = BitmapOfImage(Solid(320, 240, Rgb(12, 200, 99)));
  const GbImage small = Image(ResizeBitmap(src, 84, 62, ResizeResample));
  const GbImage big = Image(ResizeBitmap(src, 500, 400, ResizeResample));
  EXPECT_EQ(DiffCount(small, Solid(84, 62, Rgb(12, 200, 99))), 0);
  EXPECT_EQ(DiffCount(big, Solid(500, 400, Rgb(12, 200, 99))), 0);
}

TEST(KeyColour, CentreOrTopLeftPixel) {
  GbImage even = Pattern(6, 4), odd = Pattern(5, 3);
  ApplyKeyColour(even, false);
  ApplyKeyColour(odd, false);
  EXPECT_TRUE(Same(even.BackgroundColor(), even.ReadPixelColor(3, 2, false)));  // (w/2, h/2) from the bottom
  EXPECT_TRUE(Same(odd.BackgroundColor(), odd.ReadPixelColor(2, 1, false)));
  EXPECT_TRUE(even.HasBackgroundIndex());
  GbImage corner = Pattern(6, 4);
  ApplyKeyColour(corner, true);
  EXPECT_TRUE(Same(corner.BackgroundColor(), At(corner, 0, 0)));
  EXPECT_TRUE(corner.IsTransparentAt(0, 3));
  EXPECT_FALSE(corner.IsTransparentAt(1, 3));

  // A palette picture is keyed by the index of the key pixel.
  GbImage pal;
  pal.Create(4, 4, 8, GB_TYPE_BMP);
  pal.SetGreyPalette();
  for (long y = 0; y < 4; ++y)
    for (long x = 0; x < 4; ++x) pal.WritePixelIndex(x, y, uint8_t(x + 10 * y));
  ApplyKeyColour(pal, false);
  EXPECT_EQ(pal.BackgroundIndex(), 22);
}

TEST(PasteWithAnchor, NineAnchorsPlaceTheSourceAtTheirCorners) {
  // Destination 10 x 8, source 3 x 2; expected top-left corner, top-down.
  struct Case {
    int anchor;
    long x, y;       // arguments, GbImage terms
    long left, top;  // where the source lands, top-down
  } cases[] = {
      {AnchorNone, 2, 1, 2, 5},       {AnchorLeft, 4, 1, 0, 5},     {AnchorRight, 4, 1, 7, 5},
      {AnchorTop, 4, 1, 4, 0},        {AnchorBottom, 4, 3, 4, 6},   {AnchorTopLeft, 4, 3, 0, 0},
      {AnchorBottomLeft, 4, 3, 0, 6}, {AnchorTopRight, 4, 3, 7, 0}, {AnchorBottomRight, 4, 3, 7, 6},
  };
  const GbImage src = Pattern(3, 2, 50);
  for (const Case& c : cases) {
    GbImage dst = Solid(10, 8, Rgb(0, 0, 0));
    ASSERT_TRUE(PasteWithAnchor(dst, src, c.anchor, c.x, c.y, false, false));
    long changed = 0;
    for (long y = 0; y < 8; ++y)
      for (long x = 0; x < 10; ++x) {
        const bool inside = x >= c.left && x < c.left + 3 && y >= c.top && y < c.top + 2;
        if (inside) {
          EXPECT_TRUE(Same(At(dst, x, y), At(src, x - c.left, y - c.top))) << "anchor " << c.anchor;
          ++changed;
        } else {
          EXPECT_TRUE(Same(At(dst, x, y), Rgb(0, 0, 0))) << "anchor " << c.anchor << " at " << x << "," << y;
        }
      }
    EXPECT_EQ(changed, 6) << "anchor " << c.anchor;
  }
}

TEST(PasteWithAnchor, KeyLeavesOutTheKeyColourWithoutMarkingTheSource) {
  GbImage src = Solid(5, 3, Rgb(9, 9, 9));
  Set(src, 0, 0, Rgb(50, 60, 70));
  Set(src, 4, 2, Rgb(50, 60, 70));
  GbImage dst = Solid(5, 3, Rgb(1, 1, 1));
  ASSERT_TRUE(PasteWithAnchor(dst, src, AnchorNone, 0, 0, true, false));  // centre (9,9,9) keyed
  EXPECT_TRUE(Same(At(dst, 2, 1), Rgb(1, 1, 1)));
  EXPECT_TRUE(Same(At(dst, 0, 0), Rgb(50, 60, 70)));
  EXPECT_TRUE(Same(At(dst, 4, 2), Rgb(50, 60, 70)));
  EXPECT_FALSE(src.HasBackgroundIndex());

  GbImage dst2 = Solid(5, 3, Rgb(1, 1, 1));
  ASSERT_TRUE(PasteWithAnchor(dst2, src, AnchorNone, 0, 0, true, true));  // corner (50,60,70) keyed
  EXPECT_TRUE(Same(At(dst2, 0, 0), Rgb(1, 1, 1)));
  EXPECT_TRUE(Same(At(dst2, 4, 2), Rgb(1, 1, 1)));
  EXPECT_TRUE(Same(At(dst2, 2, 1), Rgb(9, 9, 9)));
}

TEST(PasteFrame, KeyColouredPixelsShowTheStickerAtEveryOpacity) {
  GbImage base = Pattern(320, 240);
  Set(base, 160, 120, Rgb(0, 0, 0));  // a black photo pixel under the key
  const GbImage frame = WindowFrame(320, 240, 40);
  for (int opacity : {0, 1, 64, 128, 200, 254, 255, 300}) {
    GbImage sticker(base);
    ASSERT_TRUE(PasteFrame(sticker, frame, AnchorTopLeft, 0, 0, opacity, false));
    for (long y = 40; y < 200; ++y)
      for (long x = 40; x < 280; ++x)
        ASSERT_TRUE(Same(At(sticker, x, y), At(base, x, y))) << "opacity " << opacity << " at " << x << "," << y;
    EXPECT_TRUE(Same(At(sticker, 160, 120), Rgb(0, 0, 0)));
    if (opacity == 255) {
      EXPECT_TRUE(Same(At(sticker, 5, 5), kBorder));
    }
    if (opacity == 0) {
      EXPECT_EQ(DiffCount(sticker, base), 0);
    }
  }
}

TEST(PasteFrame, BlendTruncatesTowardZeroAndClamps) {
  struct Case {
    RGBQUAD s, f;
    int a;
    RGBQUAD want;
  } cases[] = {
      {Rgb(0, 0, 0), Rgb(255, 255, 255), 128, Rgb(128, 128, 128)},
      {Rgb(200, 200, 200), Rgb(10, 10, 10), 100, Rgb(126, 126, 126)},  // 200 - 74.5 -> 126, not 125
      {Rgb(100, 100, 100), Rgb(200, 250, 0), 300, Rgb(217, 255, 0)},   // beyond 255: pushed and clamped
      {Rgb(10, 20, 30), Rgb(90, 80, 70), 1, Rgb(10, 20, 30)},
      {Rgb(10, 20, 30), Rgb(90, 80, 70), 254, Rgb(89, 79, 69)},
  };
  for (const Case& c : cases) {
    GbImage sticker = Solid(12, 9, c.s);
    GbImage frame = Solid(12, 9, c.f);
    Set(frame, 6, 4, kKey);  // the centre, so the frame's own colour stays
    ASSERT_TRUE(PasteFrame(sticker, frame, AnchorTopLeft, 0, 0, c.a, false));
    EXPECT_TRUE(Same(At(sticker, 0, 0), c.want)) << Str(At(sticker, 0, 0)) << " want " << Str(c.want);
    EXPECT_TRUE(Same(At(sticker, 6, 4), c.s));
  }
}

TEST(PasteFrame, RedCentreMakesEveryPureRedPixelTransparent) {
  const RGBQUAD red = Rgb(255, 0, 0);
  GbImage frame = Solid(32, 24, Rgb(30, 60, 200));
  const long reds[][2] = {{16, 11}, {0, 0}, {31, 23}, {5, 20}, {30, 1}};  // (16, 11): the centre
  for (const auto& p : reds) Set(frame, p[0], p[1], red);
  Set(frame, 10, 10, Rgb(254, 0, 0));  // nearly red is not the key
  const GbImage base = Pattern(32, 24, 3);
  for (int opacity : {255, 128}) {
    GbImage sticker(base);
    ASSERT_TRUE(PasteFrame(sticker, frame, AnchorTopLeft, 0, 0, opacity, false));
    for (const auto& p : reds) EXPECT_TRUE(Same(At(sticker, p[0], p[1]), At(base, p[0], p[1])));
    EXPECT_FALSE(Same(At(sticker, 10, 10), At(base, 10, 10)));
    EXPECT_FALSE(Same(At(sticker, 3, 3), At(base, 3, 3)));
  }
}

TEST(PasteFrame, ZeroAlphaFramePixelsAndSmallerFramesAtTheTopLeft) {
  GbImage frame = Solid(6, 4, Rgb(40, 40, 40));
  Set(frame, 3, 1, kKey);  // the centre
  ASSERT_TRUE(frame.CreateAlpha());
  frame.FillAlpha(255);
  frame.WriteAlpha(0, 3, 0);  // top-left pixel: alpha 0
  for (int opacity : {255, 100}) {
    GbImage sticker = Solid(10, 8, Rgb(250, 250, 250));
    ASSERT_TRUE(PasteFrame(sticker, frame, AnchorTopLeft, 7, 7, opacity, false));  // anchor overrides x, y
    EXPECT_TRUE(Same(At(sticker, 0, 0), Rgb(250, 250, 250)));                      // alpha 0
    EXPECT_TRUE(Same(At(sticker, 3, 1), Rgb(250, 250, 250)));                      // key
    EXPECT_FALSE(Same(At(sticker, 1, 0), Rgb(250, 250, 250)));
    EXPECT_FALSE(Same(At(sticker, 5, 3), Rgb(250, 250, 250)));
    EXPECT_TRUE(Same(At(sticker, 6, 0), Rgb(250, 250, 250)));  // right of the frame
    EXPECT_TRUE(Same(At(sticker, 0, 4), Rgb(250, 250, 250)));  // below it
  }
}

TEST(PasteFrame, FrameHangingOffTheStickerIsClipped) {
  const GbImage frame = Solid(8, 8, Rgb(10, 20, 30));  // centre is its only colour: all keyed
  GbImage f2 = Solid(8, 8, Rgb(10, 20, 30));
  Set(f2, 4, 3, kKey);  // the centre: (4, 4) from the bottom
  for (int opacity : {255, 77}) {
    GbImage sticker = Solid(6, 6, Rgb(200, 200, 200));
    ASSERT_TRUE(PasteFrame(sticker, frame, AnchorNone, -3, 2, opacity, false));
    EXPECT_EQ(DiffCount(sticker, Solid(6, 6, Rgb(200, 200, 200))), 0);
    ASSERT_TRUE(PasteFrame(sticker, f2, AnchorNone, -3, 2, opacity, false));
    // GbImage offset (-3, 2): frame columns 3..7 cover sticker columns 0..4
    // and frame rows 0..3 sticker rows 2..5 (from the bottom); the keyed
    // centre (4, 4) falls above the sticker.
    for (long y = 0; y < 6; ++y)
      for (long x = 0; x < 6; ++x)
        EXPECT_EQ(Same(sticker.ReadPixelColor(x, y, false), Rgb(200, 200, 200)), x > 4 || y < 2)
            << x << "," << y << " opacity " << opacity;
    EXPECT_TRUE(PasteFrame(sticker, f2, AnchorNone, 1L << 40, 0, opacity, false));
  }
}
