// Flips, turns, free rotation, crop, canvas expansion and skew.
#include <algorithm>
#include <cmath>

#include "TransformTestSupport.h"

using tt::Str;

namespace {

void AddPlanes(GbImage& img, uint32_t seed) {
  uint32_t s = seed;
  ASSERT_TRUE(img.CreateAlpha());
  ASSERT_TRUE(img.CreateSelection());
  for (long y = 0; y < long(img.Height()); ++y)
    for (long x = 0; x < long(img.Width()); ++x) {
      img.WriteAlpha(x, y, uint8_t(tt::NextRandom(s)));
      img.WriteSelection(x, y, uint8_t(tt::NextRandom(s) & 3));
    }
  ImageInfo& info = img.Info();
  info.selLeft = 1, info.selRight = 3, info.selBottom = 2, info.selTop = 4;
}

uint8_t Sel(const GbImage& img, long x, long y) { return img.ReadSelectionUnchecked(x, y); }

TEST(FlipVertical, ReversesRowsAndTheChosenPlanes) {
  for (uint32_t bpp : {1u, 4u, 8u, 24u}) {
    GbImage img;
    tt::MakeNoise(img, 13, 5, bpp, bpp);
    AddPlanes(img, 1);
    GbImage before(img);
    ASSERT_TRUE(img.FlipVertical(false, true));
    for (long y = 0; y < 5; ++y)
      for (long x = 0; x < 13; ++x) {
        ASSERT_EQ(img.ReadPixelColor(x, y), before.ReadPixelColor(x, 4 - y)) << bpp;
        ASSERT_EQ(Sel(img, x, y), Sel(before, x, y));  // selection untouched
      }
    EXPECT_EQ(img.SelectionBox(), before.SelectionBox());
    img = before;
    ASSERT_TRUE(img.FlipVertical(true, false));
    for (long y = 0; y < 5; ++y)
      for (long x = 0; x < 13; ++x) {
        ASSERT_EQ(Sel(img, x, y), Sel(before, x, 4 - y));
        ASSERT_EQ(img.ReadAlpha(x, y), before.ReadAlpha(x, y));
      }
    EXPECT_EQ(img.SelectionBox(), (RECT{1, 5 - 2, 3, 5 - 4}));
  }
}

TEST(MirrorHorizontal, ReversesEveryRowAndTheChosenPlanes) {
  for (uint32_t bpp : {1u, 4u, 8u, 24u}) {
    GbImage img;
    tt::MakeNoise(img, 13, 4, bpp, bpp + 1);
    AddPlanes(img, 2);
    img.SetDpiX(200);
    GbImage before(img);
    ASSERT_TRUE(img.MirrorHorizontal(true, false));
    EXPECT_EQ(img.DpiX(), 200);
    for (long y = 0; y < 4; ++y)
      for (long x = 0; x < 13; ++x) {
        ASSERT_EQ(img.ReadPixelIndex(x, y), before.ReadPixelIndex(12 - x, y)) << bpp;
        ASSERT_EQ(img.ReadPixelColor(x, y, false), before.ReadPixelColor(12 - x, y, false)) << bpp;
        ASSERT_EQ(Sel(img, x, y), Sel(before, 12 - x, y));
        ASSERT_EQ(img.ReadAlpha(x, y), before.ReadAlpha(x, y));  // carried, not mirrored
      }
    EXPECT_EQ(img.SelectionBox(), (RECT{13 - 3, 4, 13 - 1, 2}));
    img = before;
    ASSERT_TRUE(img.MirrorHorizontal(false, true));
    EXPECT_EQ(img.ReadAlpha(0, 1), before.ReadAlpha(12, 1));
    EXPECT_EQ(Sel(img, 0, 1), Sel(before, 0, 1));
  }
  GbImage empty;
  EXPECT_FALSE(empty.MirrorHorizontal());
  EXPECT_FALSE(empty.FlipVertical());
}

// Sizes cross the 64-pixel tiles and leave odd bits in the last byte.
TEST(QuarterTurns, MovePixelsAndPlanesTileByTile) {
  for (uint32_t bpp : {1u, 4u, 8u, 24u}) {
    GbImage src;
    tt::MakeNoise(src, 70, 131, bpp, bpp + 2);
    AddPlanes(src, 3);
    const long w = 70, h = 131;
    GbImage r, l, half;
    src.SetEscape(1);  // turns do not stop on escape
    ASSERT_TRUE(src.RotateQuarterRight(&r));
    ASSERT_TRUE(src.RotateQuarterLeft(&l));
    ASSERT_TRUE(src.RotateHalfTurn(&half));
    ASSERT_EQ(r.Width(), uint32_t(h));
    ASSERT_EQ(r.Height(), uint32_t(w));
    ASSERT_EQ(l.Width(), uint32_t(h));
    for (long y = 0; y < w; ++y)
      for (long x = 0; x < h; ++x) {
        ASSERT_EQ(r.ReadPixelIndex(x, y), src.ReadPixelIndex(w - 1 - y, x));
        ASSERT_EQ(r.ReadPixelColor(x, y), src.ReadPixelColor(w - 1 - y, x)) << bpp << " " << x << "," << y;
        ASSERT_EQ(Sel(r, x, y), Sel(src, w - 1 - y, x));
        ASSERT_EQ(l.ReadPixelColor(x, y), src.ReadPixelColor(y, h - 1 - x)) << bpp << " " << x << "," << y;
        ASSERT_EQ(Sel(l, x, y), Sel(src, y, h - 1 - x));
      }
    for (long y = 0; y < h; ++y)
      for (long x = 0; x < w; ++x)
        ASSERT_EQ(half.ReadPixelColor(w - 1 - x, h - 1 - y), src.ReadPixelColor(x, y)) << bpp;
    EXPECT_FALSE(half.HasSelection());
    EXPECT_TRUE(half.HasAlpha());
    // Box (left 1, right 3, bottom 2, top 4) remapped.
    EXPECT_EQ(r.SelectionBox(), (RECT{2, 70 - 1, 4, 70 - 3}));
    EXPECT_EQ(l.SelectionBox(), (RECT{131 - 4, 3, 131 - 2, 1}));
    // Four right turns, or a right and a left turn, give the picture back.
    GbImage round(src);
    for (int k = 0; k < 4; ++k) ASSERT_TRUE(round.RotateQuarterRight());
    EXPECT_TRUE(tt::SamePixels(round, src));
    ASSERT_TRUE(r.RotateQuarterLeft());
    EXPECT_TRUE(tt::SamePixels(r, src));
  }
}

// ---- RotateFree ------------------------------------------------------------------

// The expected rotation from the documented geometry, sampled by the reference.
void RefRotate(const GbImage& src, GbImage& out, float angle, int m, int o, bool keep) {
  const float ang = -angle * 3.14159265f / 180.0f;
  const float c = std::cos(ang), s = std::sin(ang);
  const float w = float(src.Width()), h = float(src.Height());
  float cx[4] = {-0.5f, w - 0.5f, -0.5f, w - 0.5f}, cy[4] = {-0.5f, -0.5f, h - 0.5f, h - 0.5f};
  if (!keep)
    for (int k = 0; k < 4; ++k) {
      const float x = cx[k], y = cy[k];
      cx[k] = c * x - s * y;
      cy[k] = s * x + c * y;
    }
  const float minx = std::min(std::min(cx[0], cx[1]), std::min(cx[2], cx[3]));
  const float maxx = std::max(std::max(cx[0], cx[1]), std::max(cx[2], cx[3]));
  const float miny = std::min(std::min(cy[0], cy[1]), std::min(cy[2], cy[3]));
  const float maxy = std::max(std::max(cy[0], cy[1]), std::max(cy[2], cy[3]));
  const long nw = long(std::floor(maxx - minx + 0.5f)), nh = long(std::floor(maxy - miny + 0.5f));
  float sx = ((maxx + minx) - float(nw - 1)) / 2.0f, sy = ((maxy + miny) - float(nh - 1)) / 2.0f;
  if (keep) sx -= w / 2.0f, sy -= h / 2.0f;
  ASSERT_NE(out.Create(uint32_t(nw), uint32_t(nh), src.BitsPerPixel(), 0), nullptr);
  out.SetPalette(src.Palette(), src.PaletteEntryCount());
  if (src.HasAlpha()) {
    ASSERT_TRUE(out.CreateAlpha());
  }
  for (long j = 0; j < nh; ++j)
    for (long i = 0; i < nw; ++i) {
      const float X = sx + float(i), Y = sy + float(j);
      float px = c * X + s * Y, py = c * Y - s * X;
      if (keep) px += float(nw) / 2.0f, py += float(nh) / 2.0f;
      out.WritePixelColor(i, j, tt::RefInterp(src, px, py, m, o), true);
    }
}

TEST(RotateFree, RightAnglesBecomeExactTurns) {
  GbImage src;
  tt::MakeNoise(src, 3, 2, 24, 30, true);
  GbImage want, got;
  ASSERT_TRUE(src.RotateQuarterRight(&want));
  ASSERT_TRUE(src.RotateFree(90, &got, GbImage::kBicubic2, GbImage::kColor, nullptr, true, false));
  EXPECT_EQ(got.Width(), 2u);
  EXPECT_EQ(got.Height(), 3u);
  EXPECT_TRUE(tt::SamePixels(got, want));
  ASSERT_TRUE(src.RotateQuarterLeft(&want));
  ASSERT_TRUE(src.RotateFree(-90, &got, GbImage::kBicubic2, GbImage::kColor, nullptr, true, false));
  EXPECT_TRUE(tt::SamePixels(got, want));
  ASSERT_TRUE(src.RotateHalfTurn(&want));
  ASSERT_TRUE(src.RotateFree(180.05f, &got, GbImage::kBicubic2, GbImage::kColor, nullptr, true, false));
  EXPECT_TRUE(tt::SamePixels(got, want));
  ASSERT_TRUE(src.RotateFree(360, &got, GbImage::kBicubic2, GbImage::kColor, nullptr, true, false));
  EXPECT_TRUE(tt::SamePixels(got, src));
  // Without the flag the turn is sampled; nearest neighbour lands on the same pixels.
  GbImage big, turned, sampled;
  tt::MakeNoise(big, 37, 23, 24, 31);
  ASSERT_TRUE(big.RotateQuarterRight(&turned));
  ASSERT_TRUE(big.RotateFree(90, &sampled, GbImage::kNearestNeighbour, GbImage::kColor, nullptr, false, false));
  std::string where;
  EXPECT_TRUE(tt::SamePixels(sampled, turned, &where)) << where;
}

TEST(RotateFree, KeepSizeTurnsAboutTheCentreWithOverflowCorners) {
  GbImage src, out, want;
  tt::MakeNoise(src, 40, 30, 24, 32);
  ASSERT_TRUE(src.RotateFree(30, &out, GbImage::kNearestNeighbour, GbImage::kColor, nullptr, true, true));
  ASSERT_EQ(out.Width(), 40u);
  ASSERT_EQ(out.Height(), 30u);
  for (auto [x, y] : {std::pair{0L, 0L}, std::pair{39L, 0L}, std::pair{0L, 29L}, std::pair{39L, 29L}})
    EXPECT_EQ(out.ReadPixelColor(x, y), tt::kWhite) << x << "," << y;
  RefRotate(src, want, 30, 1, 1, true);
  std::string where;
  EXPECT_TRUE(tt::SamePixels(out, want, &where)) << where;
  const RGBQUAD green{0, 255, 0, 0};
  ASSERT_TRUE(src.RotateFree(30, &out, GbImage::kNearestNeighbour, GbImage::kColor, &green, true, true));
  EXPECT_EQ(out.ReadPixelColor(0, 0), green);
}

TEST(RotateFree, GrowsToTheRotatedBoxAndMatchesReference) {
  for (uint32_t bpp : {24u, 8u}) {
    GbImage src;
    tt::MakeNoise(src, 23, 17, bpp, 33, true);
    for (float angle : {30.0f, -12.5f, 135.0f}) {
      for (auto [m, o] : {std::pair{2, 1}, std::pair{2, 5}, std::pair{16, 6}, std::pair{1, 4}}) {
        GbImage out, want;
        ASSERT_TRUE(src.RotateFree(angle, &out, GbImage::InterpolationMethod(m), GbImage::OverflowMethod(o)));
        RefRotate(src, want, angle, m, o, false);
        std::string where;
        ASSERT_TRUE(tt::SamePixels(out, want, &where)) << bpp << " " << angle << " " << m << "/" << o << " " << where;
      }
    }
    // 30 degrees: the box of the turned corners.
    GbImage out;
    ASSERT_TRUE(src.RotateFree(30, &out));
    EXPECT_EQ(out.Width(), uint32_t(std::floor(23 * std::cos(0.5236) + 17 * 0.5 + 0.5)));
    EXPECT_FALSE(out.HasSelection());
  }
}

TEST(RotateFree, EscapeStopsEarly) {
  GbImage img;
  tt::Fill24(img, 20, 20, RGBQUAD{9, 9, 9, 0});
  img.SetEscape(1);
  ASSERT_TRUE(img.RotateFree(10, nullptr, GbImage::kBilinear, GbImage::kRepeat));
  EXPECT_GT(img.Width(), 20u);
  EXPECT_EQ(img.ReadPixelColor(long(img.Width()) / 2, long(img.Height()) / 2), (RGBQUAD{0, 0, 0, 0}));
  GbImage empty;
  EXPECT_FALSE(empty.RotateFree(10));
  EXPECT_FALSE(img.RotateFree(NAN));
}

// ---- CropTo ----------------------------------------------------------------------

TEST(CropTo, TopDownCoordinatesClampedAndSwapped) {
  GbImage img;
  tt::MakeNoise(img, 100, 100, 24, 40, true);
  EXPECT_FALSE(img.CropTo(10, 10, 10, 50));
  EXPECT_FALSE(img.CropTo(10, 10, 50, 10));
  EXPECT_FALSE(img.CropTo(120, 0, 150, 10));  // both clamp to the right edge
  GbImage out;
  ASSERT_TRUE(img.CropTo(-5, 0, 20, 10, &out));
  ASSERT_EQ(out.Width(), 20u);
  ASSERT_EQ(out.Height(), 10u);
  for (long y = 0; y < 10; ++y)
    for (long x = 0; x < 20; ++x) {
      ASSERT_EQ(out.ReadPixelColor(x, y), img.ReadPixelColor(x, 90 + y));  // the top rows
      ASSERT_EQ(out.ReadAlpha(x, y), img.ReadAlpha(x, 90 + y));
    }
  GbImage swapped;
  ASSERT_TRUE(img.CropToRect(RECT{20, 10, 0, 0}, &swapped));
  EXPECT_TRUE(tt::SamePixels(swapped, out));
}

TEST(CropTo, PaletteDepthsKeepPaletteAndBackgroundButNotSelection) {
  for (uint32_t bpp : {1u, 4u, 8u}) {
    GbImage img;
    tt::MakeNoise(img, 29, 11, bpp, 41);
    img.SetBackgroundIndex(1);
    img.SetBackgroundColor(RGBQUAD{4, 5, 6, 0});
    ASSERT_TRUE(img.CreateSelection());
    GbImage before(img);
    ASSERT_TRUE(img.CropTo(3, 2, 26, 9));
    ASSERT_EQ(img.Width(), 23u);
    ASSERT_EQ(img.Height(), 7u);
    for (long y = 0; y < 7; ++y)
      for (long x = 0; x < 23; ++x) ASSERT_EQ(img.ReadPixelIndex(x, y), before.ReadPixelIndex(3 + x, 2 + y)) << bpp;
    EXPECT_EQ(img.PaletteColor(1), before.PaletteColor(1));
    EXPECT_EQ(img.BackgroundIndex(), 1);
    EXPECT_EQ(img.Info().backgroundColor, (RGBQUAD{4, 5, 6, 0}));
    EXPECT_FALSE(img.HasSelection());
  }
}

// ---- ExpandCanvas ------------------------------------------------------------------

TEST(ExpandCanvas, PlacesThePictureAndPaintsTheMargins) {
  GbImage img;
  tt::MakeNoise(img, 10, 10, 24, 50, true);
  AddPlanes(img, 5);
  GbImage out;
  const RGBQUAD red{0, 0, 255, 99};
  ASSERT_TRUE(img.ExpandCanvas(1, 2, 3, 4, red, &out));
  ASSERT_EQ(out.Width(), 14u);
  ASSERT_EQ(out.Height(), 16u);
  for (long y = 0; y < 16; ++y)
    for (long x = 0; x < 14; ++x) {
      const bool inside = x >= 1 && x < 11 && y >= 4 && y < 14;
      if (inside) {
        ASSERT_EQ(out.ReadPixelColor(x, y), img.ReadPixelColor(x - 1, y - 4));
        ASSERT_EQ(Sel(out, x, y), Sel(img, x - 1, y - 4));
      } else {
        ASSERT_EQ(out.ReadPixelColor(x, y), red) << x << "," << y;  // alpha = the colour's reserved byte
        ASSERT_EQ(Sel(out, x, y), 0);
      }
    }
  EXPECT_EQ(out.SelectionBox(), (RECT{2, 8, 4, 6}));
  EXPECT_FALSE(img.ExpandCanvas(-1, 0, 0, 0, red));
}

TEST(ExpandCanvas, PaletteMarginsTakeTheNearestIndex) {
  for (uint32_t bpp : {1u, 4u, 8u}) {
    GbImage img;
    tt::MakeNoise(img, 7, 3, bpp, 51);
    img.SetStandardPalette();
    GbImage out;
    ASSERT_TRUE(img.ExpandCanvas(3, 1, 2, 2, RGBQUAD{250, 250, 250, 0}, &out));
    ASSERT_EQ(out.Width(), 12u);
    ASSERT_EQ(out.Height(), 6u);
    GbImage probe(img);
    const uint8_t margin = probe.NearestPaletteIndex(RGBQUAD{250, 250, 250, 0});
    for (long y = 0; y < 6; ++y)
      for (long x = 0; x < 12; ++x) {
        const bool inside = x >= 3 && x < 10 && y >= 2 && y < 5;
        ASSERT_EQ(out.ReadPixelIndex(x, y), inside ? img.ReadPixelIndex(x - 3, y - 2) : margin)
            << bpp << " " << x << "," << y;
      }
  }
}

// ---- SkewBy ------------------------------------------------------------------------

TEST(SkewBy, PointCopyFromTheShearedPosition) {
  GbImage img;
  tt::MakeNoise(img, 8, 6, 24, 60, true);
  GbImage before(img);
  ASSERT_TRUE(img.SkewBy(0.5f, -0.25f, 2, 3, false));
  for (long y = 0; y < 6; ++y)
    for (long x = 0; x < 8; ++x) {
      const float nx = float(x) + 0.5f * float(y - 3), ny = float(y) + -0.25f * float(x - 2);
      const long ix = long(nx), iy = long(ny);
      RGBQUAD want = before.ReadPixelColor(ix, iy, false);
      want.rgbReserved = 0;  // outside reads fall back to pixel (0, 0) with its alpha
      ASSERT_EQ(img.ReadPixelColor(x, y, false), want) << x << "," << y;
      ASSERT_EQ(img.ReadAlpha(x, y), before.Contains(ix, iy) ? before.ReadAlpha(ix, iy) : 0);
    }
  GbImage pal;
  tt::MakeNoise(pal, 8, 6, 8, 61);
  pal.SetBackgroundIndex(5);
  GbImage palBefore(pal);
  ASSERT_TRUE(pal.SkewBy(1.5f, 0, 0, 0, false));
  for (long y = 0; y < 6; ++y)
    for (long x = 0; x < 8; ++x)
      ASSERT_EQ(pal.ReadPixelIndex(x, y), palBefore.ReadPixelIndex(long(float(x) + 1.5f * float(y)), y));
}

TEST(SkewBy, InterpolatedInsideTheSelectionOnly) {
  GbImage img;
  tt::MakeNoise(img, 9, 7, 24, 62, true);
  ASSERT_TRUE(img.AddRectToSelection(RECT{2, 5, 6, 1}));
  GbImage before(img);
  ASSERT_TRUE(img.SkewBy(0.3f, 0.2f, 4, 3, true));
  for (long y = 0; y < 7; ++y)
    for (long x = 0; x < 9; ++x) {
      const bool selected = x >= 2 && x <= 6 && y >= 1 && y <= 5;
      RGBQUAD want = before.ReadPixelColor(x, y);
      if (selected) {
        const float nx = float(x) + 0.3f * float(y - 3), ny = float(y) + 0.2f * float(x - 4);
        want = tt::RefInterp(before, nx, ny, 2, 2);
      }
      ASSERT_EQ(Str(img.ReadPixelColor(x, y)), Str(want)) << x << "," << y;
    }
}

}  // namespace
