// The three resizers.
#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <utility>
#include <vector>
#include <cstring>
#include <tuple>

#include "TransformTestSupport.h"
#include "image/transform/Bands.h"

using tt::Str;

namespace {

// ResampleInterpolated pixel by pixel from the documented rules.
void RefResample(const GbImage& src, GbImage& out, long nw, long nh, int m, int o, bool noAveraging) {
  ASSERT_NE(out.Create(uint32_t(nw), uint32_t(nh), src.BitsPerPixel(), 0), nullptr);
  out.SetPalette(src.Palette(), src.PaletteEntryCount());
  if (src.HasAlpha()) {
    ASSERT_TRUE(out.CreateAlpha());
  }
  const double xs = double(src.Width()) / nw, ys = double(src.Height()) / nh;
  const bool point = (xs <= 1 && ys <= 1) || noAveraging;
  for (long y = 0; y < nh; ++y)
    for (long x = 0; x < nw; ++x) {
      const double cx = (x + 0.5) * xs - 0.5, cy = (y + 0.5) * ys - 0.5;
      if (point && m == 1 && src.BitsPerPixel() < 24) {
        out.WritePixelIndex(x, y, src.ReadPixelIndex(long(cx + 0.5), long(cy + 0.5)));
        continue;
      }
      const RGBQUAD c = point ? tt::RefInterp(src, cx, cy, m, o) : tt::RefArea(src, cx, cy, xs, ys, m, o);
      out.WritePixelColor(x, y, c, true);
    }
  if (src.HasAlpha() && !(point && src.BitsPerPixel() == 24))
    for (long y = 0; y < nh; ++y)
      for (long x = 0; x < nw; ++x) out.WriteAlpha(x, y, src.ReadAlpha(long(x * xs), long(y * ys)));
}

TEST(ResampleInterpolated, SameSizeLeavesTheImageAndCopiesIntoADestination) {
  GbImage img, before, dest;
  tt::MakeNoise(img, 9, 4, 24, 1, true);
  before = img;
  EXPECT_TRUE(img.ResampleInterpolated(9, 4, GbImage::kCatmullRom, GbImage::kRepeat));
  EXPECT_TRUE(tt::SamePixels(img, before));
  EXPECT_TRUE(img.ResampleInterpolated(9, 4, GbImage::kCatmullRom, GbImage::kRepeat, &dest));
  EXPECT_TRUE(tt::SamePixels(dest, before));
}

TEST(ResampleInterpolated, HalvingAveragesTwoByTwoAreas) {
  GbImage img;
  tt::MakeNoise(img, 400, 300, 24, 2);
  GbImage out;
  ASSERT_TRUE(img.ResampleInterpolated(200, 150, GbImage::kCatmullRom, GbImage::kRepeat, &out));
  ASSERT_EQ(out.Width(), 200u);
  ASSERT_EQ(out.Height(), 150u);
  for (long y = 0; y < 150; ++y)
    for (long x = 0; x < 200; ++x) {
      const RGBQUAD a = img.ReadPixelColor(2 * x, 2 * y), b = img.ReadPixelColor(2 * x + 1, 2 * y);
      const RGBQUAD c = img.ReadPixelColor(2 * x, 2 * y + 1), d = img.ReadPixelColor(2 * x + 1, 2 * y + 1);
      const RGBQUAD want{uint8_t((a.rgbBlue + b.rgbBlue + c.rgbBlue + d.rgbBlue) / 4),
                         uint8_t((a.rgbGreen + b.rgbGreen + c.rgbGreen + d.rgbGreen) / 4),
                         uint8_t((a.rgbRed + b.rgbRed + c.rgbRed + d.rgbRed) / 4), 0};
      ASSERT_EQ(Str(out.ReadPixelColor(x, y)), Str(want)) << x << "," << y;
    }
}

TEST(ResampleInterpolated, DoublingSamplesBetweenThePixels) {
  GbImage img, out;
  tt::MakeNoise(img, 400, 300, 24, 3);
  ASSERT_TRUE(img.ResampleInterpolated(800, 600, GbImage::kCatmullRom, GbImage::kRepeat, &out));
  for (long y = 0; y < 600; y += 7)
    for (long x = 0; x < 800; ++x) {
      const double sx = (x + 0.5) / 2 - 0.5, sy = (y + 0.5) / 2 - 0.5;
      ASSERT_EQ(Str(out.ReadPixelColor(x, y)), Str(tt::RefInterp(img, sx, sy, 16, 5))) << x << "," << y;
    }
}

// Enlarging, shrinking, shrinking without averaging and mixed scales, for
// every method and overflow, on 24-bit pictures with alpha and on palette
// pictures, against the reference.
TEST(ResampleInterpolated, MatchesReferenceForEveryMethodAndOverflow) {
  struct Size {
    long w, h, nw, nh;
    bool noAvg;
  };
  const Size sizes[] = {
      {7, 5, 13, 9, false}, {13, 11, 5, 4, false}, {13, 11, 5, 4, true}, {7, 5, 13, 3, false}, {9, 8, 4, 19, false}};
  for (uint32_t bpp : {24u, 8u, 4u})
    for (const Size& s : sizes)
      for (int m = 1; m <= 18; ++m)
        for (int o = 1; o <= 6; ++o) {
          GbImage src;
          tt::MakeNoise(src, s.w, s.h, bpp, uint32_t(m * 7 + o), bpp != 4);
          src.SetBackgroundIndex(bpp == 24 ? 0 : 2);
          src.SetBackgroundColor(RGBQUAD{1, 2, 3, 0});
          GbImage got, want;
          ASSERT_TRUE(src.ResampleInterpolated(s.nw, s.nh, GbImage::InterpolationMethod(m), GbImage::OverflowMethod(o),
                                               &got, s.noAvg));
          RefResample(src, want, s.nw, s.nh, m, o, s.noAvg);
          std::string where;
          ASSERT_TRUE(tt::SamePixels(got, want, &where))
              << "bpp " << bpp << " " << s.w << "x" << s.h << " -> " << s.nw << "x" << s.nh
              << (s.noAvg ? " no averaging" : "") << " method " << m << " overflow " << o << " " << where;
        }
}

// The sticker path's scale (18.75 x 16.67) through the fast area path.
TEST(ResampleInterpolated, StickerScaleShrinkMatchesReference) {
  GbImage src, got, want;
  tt::MakeNoise(src, 600, 400, 24, 9, true);
  ASSERT_TRUE(src.ResampleInterpolated(32, 24, GbImage::kCatmullRom, GbImage::kRepeat, &got));
  RefResample(src, want, 32, 24, 16, 5, false);
  std::string where;
  EXPECT_TRUE(tt::SamePixels(got, want, &where)) << where;
}

// A flat colour must stay exactly flat whatever the scale: colour keys are
// taken from resized pictures.
TEST(ResampleInterpolated, FlatColourStaysExact) {
  for (RGBQUAD c : {RGBQUAD{255, 255, 255, 0}, RGBQUAD{100, 150, 201, 0}}) {
    GbImage src;
    tt::Fill24(src, 501, 377, c);
    for (auto [nw, nh] : {std::pair{160L, 120L}, std::pair{333L, 97L}, std::pair{777L, 555L}}) {
      for (int m : {2, 3, 5, 14, 15, 16}) {
        GbImage out;
        ASSERT_TRUE(src.ResampleInterpolated(nw, nh, GbImage::InterpolationMethod(m), GbImage::kRepeat, &out));
        for (long y = 0; y < nh; y += 3)
          for (long x = 0; x < nw; ++x)
            ASSERT_EQ(out.ReadPixelColor(x, y), c)
                << "method " << m << " " << nw << "x" << nh << " at " << x << "," << y;
      }
    }
  }
}

TEST(ResampleInterpolated, ResultKeepsSettingsAndTheSourceStays) {
  GbImage src;
  tt::MakeNoise(src, 20, 10, 8, 4);
  src.SetDpiX(300);
  src.SetDpiY(72);
  src.SetBackgroundIndex(7);
  src.SetJpegQuality(55);
  GbImage before(src), out;
  ASSERT_TRUE(src.ResampleInterpolated(10, 5, GbImage::kBilinear, GbImage::kRepeat, &out));
  EXPECT_TRUE(tt::SamePixels(src, before));
  EXPECT_EQ(out.BitsPerPixel(), 8u);
  EXPECT_EQ(out.FileType(), uint32_t(GB_TYPE_BMP));
  EXPECT_EQ(out.DpiX(), 300);
  EXPECT_EQ(out.DpiY(), 72);
  EXPECT_EQ(out.Header().biXPelsPerMeter, src.Header().biXPelsPerMeter);
  EXPECT_EQ(reinterpret_cast<const BITMAPINFOHEADER*>(out.PackedDib())->biYPelsPerMeter, src.Header().biYPelsPerMeter);
  EXPECT_EQ(out.BackgroundIndex(), 7);
  EXPECT_EQ(out.JpegQuality(), 55);
  EXPECT_EQ(std::memcmp(out.Palette(), src.Palette(), 1024), 0);
  // Progress went row by row on the working image.
  EXPECT_EQ(src.Progress(), 4 * 100 / 5);
}

TEST(ResampleInterpolated, EscapeStopsEarlyAndCommitsWhatThereIs) {
  GbImage img;
  tt::Fill24(img, 40, 30, RGBQUAD{200, 200, 200, 0});
  img.SetEscape(1);
  ASSERT_TRUE(img.ResampleInterpolated(80, 60, GbImage::kCatmullRom, GbImage::kRepeat));
  ASSERT_EQ(img.Width(), 80u);
  for (long y = 0; y < 60; ++y)
    for (long x = 0; x < 80; ++x) ASSERT_EQ(img.ReadPixelColor(x, y), (RGBQUAD{0, 0, 0, 0}));
}

TEST(ResampleInterpolated, FailuresLeaveTheImage) {
  GbImage img, before;
  tt::MakeNoise(img, 6, 6, 24, 5);
  before = img;
  EXPECT_FALSE(img.ResampleInterpolated(0, 5));
  EXPECT_FALSE(img.ResampleInterpolated(5, -1));
  EXPECT_STREQ(img.LastError(), "");
  EXPECT_FALSE(img.ResampleInterpolated(20000, 20000));
  EXPECT_STREQ(img.LastError(), "GBIMAGE_MAX_MEMORY exceeded");
  EXPECT_TRUE(tt::SamePixels(img, before));
  GbImage empty;
  EXPECT_FALSE(empty.ResampleInterpolated(5, 5));
}

// ---- ResampleSimple ------------------------------------------------------------

TEST(ResampleSimple, NearestCopiesSourcePixelsAndIndices) {
  for (uint32_t bpp : {24u, 8u, 4u, 1u}) {
    GbImage src, out;
    tt::MakeNoise(src, 11, 7, bpp, 8, bpp >= 8);
    ASSERT_TRUE(src.ResampleSimple(17, 4, GbImage::ResampleMode::kNearest, &out));
    const double xs = 11.0 / 17, ys = 7.0 / 4;
    for (long y = 0; y < 4; ++y)
      for (long x = 0; x < 17; ++x) {
        const long sx = long(x * xs), sy = long(y * ys);
        ASSERT_EQ(out.ReadPixelColor(x, y), src.ReadPixelColor(sx, sy)) << bpp << " " << x << "," << y;
        if (bpp < 24) {
          ASSERT_EQ(out.ReadPixelIndex(x, y), src.ReadPixelIndex(sx, sy));
        }
      }
  }
}

// A palette holding one colour twice: the key index and its visible twin must
// not merge under nearest-neighbour resizing.
TEST(ResampleSimple, NearestKeepsDuplicatePaletteEntriesApart) {
  GbImage img(4, 4, 8, 0);
  img.SetGreyPalette();
  img.SetPaletteColor(9, 0, 0, 0);  // same as entry 0
  img.Fill(9);
  GbImage out;
  ASSERT_TRUE(img.ResampleSimple(8, 8, GbImage::ResampleMode::kNearest, &out));
  EXPECT_EQ(out.ReadPixelIndex(5, 5), 9);
  ASSERT_TRUE(img.ResampleInterpolated(8, 8, GbImage::kNearestNeighbour, GbImage::kRepeat, &out));
  EXPECT_EQ(out.ReadPixelIndex(5, 5), 9);
}

TEST(ResampleSimple, BicubicIsClampedBSplineAtShiftedPositions) {
  GbImage src, out;
  tt::MakeNoise(src, 9, 6, 24, 12);
  ASSERT_TRUE(src.ResampleSimple(14, 4, GbImage::ResampleMode::kBicubic, &out));
  const double xs = 9.0 / 14, ys = 6.0 / 4;
  for (long y = 0; y < 4; ++y)
    for (long x = 0; x < 14; ++x) {
      const double fx = x * xs - 0.5, fy = y * ys - 0.5;
      const long ix = long(std::floor(fx)), iy = long(std::floor(fy));
      double sum[3] = {0, 0, 0};
      for (long j = -1; j <= 2; ++j)
        for (long i = -1; i <= 2; ++i) {
          const long px = std::clamp(ix + i, 0L, 8L), py = std::clamp(iy + j, 0L, 5L);
          const double w = gbtransform::KernelWeight(3, fx - (ix + i)) * gbtransform::KernelWeight(3, fy - (iy + j));
          const RGBQUAD c = src.ReadPixelColor(px, py);
          sum[0] += w * c.rgbBlue;
          sum[1] += w * c.rgbGreen;
          sum[2] += w * c.rgbRed;
        }
      ASSERT_EQ(Str(out.ReadPixelColor(x, y)), Str(RGBQUAD{tt::Trunc(sum[0]), tt::Trunc(sum[1]), tt::Trunc(sum[2]), 0}))
          << x << "," << y;
    }
}

TEST(ResampleSimple, BilinearAtThePixelCornerWhenEnlargingOrForPalettes) {
  for (auto [bpp, nw, nh] : {std::tuple{24u, 15L, 8L}, std::tuple{8u, 4L, 3L}, std::tuple{8u, 15L, 8L}}) {
    GbImage src, out;
    tt::MakeNoise(src, 7, 5, bpp, 13);
    ASSERT_TRUE(src.ResampleSimple(nw, nh, GbImage::ResampleMode::kBilinear, &out));
    const double xs = 7.0 / nw, ys = 5.0 / nh;
    for (long y = 0; y < nh; ++y)
      for (long x = 0; x < nw; ++x) {
        const double fx = x * xs, fy = y * ys;
        const long ix = long(fx), iy = long(fy);
        const long ix1 = std::min(ix + 1, 6L), iy1 = std::min(iy + 1, 4L);
        const double dx = fx - ix, dy = fy - iy;
        const RGBQUAD a = src.ReadPixelColor(ix, iy), b = src.ReadPixelColor(ix, iy1);
        const RGBQUAD c = src.ReadPixelColor(ix1, iy), d = src.ReadPixelColor(ix1, iy1);
        auto mix = [&](uint8_t RGBQUAD::*ch) {
          const double left = (a.*ch) * (1 - dy) + (b.*ch) * dy, right = (c.*ch) * (1 - dy) + (d.*ch) * dy;
          return tt::Trunc(left * (1 - dx) + right * dx);
        };
        GbImage expect(1, 1, bpp, 0);
        expect.SetPalette(src.Palette(), src.PaletteEntryCount());
        expect.WritePixelColor(0, 0,
                               RGBQUAD{mix(&RGBQUAD::rgbBlue), mix(&RGBQUAD::rgbGreen), mix(&RGBQUAD::rgbRed), 0});
        ASSERT_EQ(Str(out.ReadPixelColor(x, y)), Str(expect.ReadPixelColor(0, 0))) << bpp << " " << x << "," << y;
      }
  }
}

TEST(ResampleSimple, BoxFilterWhenShrinking24Bits) {
  GbImage src, out;
  tt::MakeNoise(src, 3, 3, 24, 14);
  ASSERT_TRUE(src.ResampleSimple(2, 2, GbImage::ResampleMode::kBilinear, &out));
  // Scale 1.5: the middle row and column split half and half.
  auto b = [&](long x, long y) { return int(src.ReadPixelColor(x, y).rgbBlue); };
  EXPECT_EQ(out.ReadPixelColor(0, 0).rgbBlue, (4 * b(0, 0) + 2 * b(1, 0) + 2 * b(0, 1) + b(1, 1)) / 9);
  EXPECT_EQ(out.ReadPixelColor(1, 0).rgbBlue, (2 * b(1, 0) + 4 * b(2, 0) + b(1, 1) + 2 * b(2, 1)) / 9);
  EXPECT_EQ(out.ReadPixelColor(1, 1).rgbBlue, (b(1, 1) + 2 * b(2, 1) + 2 * b(1, 2) + 4 * b(2, 2)) / 9);
  GbImage big;
  tt::MakeNoise(big, 8, 6, 24, 15);
  ASSERT_TRUE(big.ResampleSimple(4, 3, GbImage::ResampleMode::kBilinear, &out));
  for (long y = 0; y < 3; ++y)
    for (long x = 0; x < 4; ++x) {
      int sum = 0;
      for (long j = 0; j < 2; ++j)
        for (long i = 0; i < 2; ++i) sum += big.ReadPixelColor(2 * x + i, 2 * y + j).rgbRed;
      EXPECT_EQ(out.ReadPixelColor(x, y).rgbRed, sum / 4);
    }
  // Scales like 4/3 whose thousandths do not add up still keep a flat area flat.
  GbImage flat;
  tt::Fill24(flat, 400, 300, RGBQUAD{255, 100, 1, 0});
  ASSERT_TRUE(flat.ResampleSimple(300, 225, GbImage::ResampleMode::kBilinear, &out));
  for (long y = 0; y < 225; ++y)
    for (long x = 0; x < 300; ++x) ASSERT_EQ(out.ReadPixelColor(x, y), (RGBQUAD{255, 100, 1, 0})) << x << "," << y;
}

TEST(ResampleSimple, AlphaComesFromTheNearestSourcePixel) {
  using Mode = GbImage::ResampleMode;
  for (Mode mode : {Mode::kBilinear, Mode::kNearest, Mode::kBicubic}) {
    GbImage src, out;
    tt::MakeNoise(src, 10, 9, 24, 16, true);
    ASSERT_TRUE(src.ResampleSimple(4, 13, mode, &out));
    for (long y = 0; y < 13; ++y)
      for (long x = 0; x < 4; ++x) ASSERT_EQ(out.ReadAlpha(x, y), src.ReadAlpha(long(x * 2.5), long(y * 9.0 / 13)));
  }
  GbImage img;
  tt::MakeNoise(img, 5, 5, 24, 17);
  EXPECT_FALSE(img.ResampleSimple(0, 3));
  EXPECT_TRUE(img.ResampleSimple(5, 5));
}

// ---- QIShrink ------------------------------------------------------------------

TEST(QIShrink, CellsOfThreeThenTwo) {
  GbImage src, out;
  tt::MakeNoise(src, 5, 5, 24, 18, true);
  ASSERT_TRUE(src.QIShrink(2, 2, &out));
  const long cols[2][2] = {{0, 3}, {3, 5}};  // [first, end)
  for (long cy = 0; cy < 2; ++cy)
    for (long cx = 0; cx < 2; ++cx) {
      int sum = 0, alpha = 0, n = 0;
      for (long y = cols[cy][0]; y < cols[cy][1]; ++y)
        for (long x = cols[cx][0]; x < cols[cx][1]; ++x, ++n) {
          sum += src.ReadPixelColor(x, y).rgbGreen;
          alpha += src.ReadAlpha(x, y);
        }
      EXPECT_EQ(out.ReadPixelColor(cx, cy).rgbGreen, sum / n) << cx << "," << cy;
      EXPECT_EQ(out.ReadAlpha(cx, cy), alpha / n);
    }
  // Columns move on when the counter exceeds the width, rows when it reaches
  // the height: 4 -> 2 gives column cells of 3 and 1 but row cells of 2 and 2.
  GbImage four;
  tt::MakeNoise(four, 4, 4, 24, 19);
  ASSERT_TRUE(four.QIShrink(2, 2, &out));
  int sum = 0;
  for (long y = 2; y < 4; ++y) sum += four.ReadPixelColor(3, y).rgbBlue;
  EXPECT_EQ(out.ReadPixelColor(1, 1).rgbBlue, sum / 2);
}

TEST(QIShrink, PaletteSourcesAndTheChangeTo24Bits) {
  GbImage src, out24, out8;
  tt::MakeNoise(src, 6, 4, 8, 20);
  ASSERT_TRUE(src.QIShrink(3, 2, &out24, true));
  ASSERT_TRUE(src.QIShrink(3, 2, &out8, false));
  EXPECT_EQ(out24.BitsPerPixel(), 24u);
  EXPECT_EQ(out8.BitsPerPixel(), 8u);
  // 6 -> 3 columns: the counter reaches 6 without exceeding it, so the cells
  // hold 3, 2 and 1 columns; rows pair up.
  const long cols[3][2] = {{0, 3}, {3, 5}, {5, 6}};
  for (long y = 0; y < 2; ++y)
    for (long x = 0; x < 3; ++x) {
      int r = 0, n = 0;
      for (long j = 2 * y; j < 2 * y + 2; ++j)
        for (long i = cols[x][0]; i < cols[x][1]; ++i, ++n) r += src.ReadPixelColor(i, j).rgbRed;
      EXPECT_EQ(out24.ReadPixelColor(x, y).rgbRed, r / n) << x << "," << y;
      GbImage probe(src);
      EXPECT_EQ(out8.ReadPixelIndex(x, y), probe.NearestPaletteIndex(out24.ReadPixelColor(x, y)));
    }
}

TEST(QIShrink, RefusesToEnlarge) {
  GbImage img;
  tt::MakeNoise(img, 5, 5, 24, 21);
  EXPECT_FALSE(img.QIShrink(6, 2));
  EXPECT_STREQ(img.LastError(), "QIShrink can't enlarge image");
  EXPECT_FALSE(img.QIShrink(2, 0));
  GbImage copy;
  EXPECT_TRUE(img.QIShrink(5, 5, &copy));
  EXPECT_TRUE(tt::SamePixels(img, copy));
  img.SetEscape(1);
  ASSERT_TRUE(img.QIShrink(2, 2));
  EXPECT_EQ(img.ReadPixelColor(1, 1), (RGBQUAD{0, 0, 0, 0}));
}

}  // namespace

// Free rotation and the resizers split their result rows into bands over
// threads: forced into three or four bands (even for tiny pictures), every
// depth must give exactly what one thread gives, for sizes that do not
// divide into the bands, one-row and one-column pictures, and with alpha.
TEST(TransformBands, ThreadedBandsMatchOneThreadAtEveryDepthAndShape) {
  struct Restore {
    ~Restore() { gbtransform::SetBandThreads(0); }
  } restore;
  const long sizes[][2] = {{1, 23}, {29, 1}, {37, 19}, {2, 3}};
  uint32_t seed = 4242;
  for (uint32_t bpp : {1u, 4u, 8u, 24u})
    for (bool alpha : {false, true})
      for (const auto& size : sizes) {
        GbImage source;
        tt::MakeNoise(source, size[0], size[1], bpp, seed++, alpha);
        const std::vector<std::pair<const char*, std::function<bool(GbImage&, GbImage&)>>> ops = {
            {"rotate 30 bilinear", [](GbImage& s, GbImage& d) { return s.RotateFree(30.0f, &d); }},
            {"rotate -17 bicubic keep size",
             [](GbImage& s, GbImage& d) {
               return s.RotateFree(-17.0f, &d, GbImage::kBicubic, GbImage::kRepeat, nullptr, true, true);
             }},
            {"rotate 200 nearest",
             [](GbImage& s, GbImage& d) { return s.RotateFree(200.0f, &d, GbImage::kNearestNeighbour); }},
            {"enlarge Catmull-Rom",
             [](GbImage& s, GbImage& d) {
               return s.ResampleInterpolated(long(s.Width()) * 2 + 3, long(s.Height()) * 3 + 1, GbImage::kCatmullRom,
                                             GbImage::kRepeat, &d);
             }},
            {"enlarge bilinear",
             [](GbImage& s, GbImage& d) {
               return s.ResampleInterpolated(long(s.Width()) + 5, long(s.Height()) + 7, GbImage::kBilinear,
                                             GbImage::kBackground, &d);
             }},
            {"shrink area",
             [](GbImage& s, GbImage& d) {
               return s.ResampleInterpolated(std::max(1L, long(s.Width()) / 3), std::max(1L, long(s.Height()) * 2 / 5),
                                             GbImage::kCatmullRom, GbImage::kRepeat, &d);
             }},
            {"shrink without averaging",
             [](GbImage& s, GbImage& d) {
               return s.ResampleInterpolated(std::max(1L, long(s.Width()) / 2), std::max(1L, long(s.Height()) / 2),
                                             GbImage::kBicubic, GbImage::kRepeat, &d, true);
             }},
        };
        for (const auto& [name, op] : ops) {
          SCOPED_TRACE(testing::Message() << name << ", " << bpp << " bits" << (alpha ? " + alpha" : "") << ", "
                                          << size[0] << " x " << size[1]);
          GbImage one, many3, many4;
          gbtransform::SetBandThreads(1);
          ASSERT_TRUE(op(source, one));
          gbtransform::SetBandThreads(3);
          ASSERT_TRUE(op(source, many3));
          gbtransform::SetBandThreads(4);
          ASSERT_TRUE(op(source, many4));
          std::string where;
          EXPECT_TRUE(tt::SamePixels(one, many3, &where)) << where;
          EXPECT_TRUE(tt::SamePixels(one, many4, &where)) << where;
          ASSERT_EQ(one.HasAlpha(), many3.HasAlpha());
          if (one.HasAlpha())
            for (long y = 0; y < long(one.Height()); ++y)
              for (long x = 0; x < long(one.Width()); ++x) {
                ASSERT_EQ(one.ReadAlpha(x, y), many3.ReadAlpha(x, y)) << x << "," << y;
                ASSERT_EQ(one.ReadAlpha(x, y), many4.ReadAlpha(x, y)) << x << "," << y;
              }
        }
      }
}

// Free rotation blends the 24-bit positions whose 2 x 2 block lies inside the
// source in its own loop; every result pixel must be what the sampler gives
// at the same position, inside, on the edges and in the corners, with and
// without alpha, on threads and on one.
TEST(TransformBands, BilinearRotationMatchesTheSamplerAtEveryPixel) {
  struct Restore {
    ~Restore() { gbtransform::SetBandThreads(0); }
  } restore;
  const long sizes[][2] = {{1, 23}, {29, 1}, {37, 19}, {130, 61}, {2, 2}};
  uint32_t seed = 9191;
  for (bool alpha : {false, true})
    for (const auto& size : sizes)
      for (float angle : {30.0f, -17.5f, 93.0f, 181.25f})
        for (unsigned threads : {1u, 3u}) {
          // Outside positions take the colour, or fold back inside.
          const GbImage::OverflowMethod overflow = threads == 1 ? GbImage::kColor : GbImage::kRepeat;
          SCOPED_TRACE(testing::Message() << size[0] << " x " << size[1] << (alpha ? " + alpha" : "") << ", " << angle
                                          << " degrees, " << threads << " threads, overflow " << overflow);
          GbImage source, turned;
          tt::MakeNoise(source, size[0], size[1], 24, seed++, alpha);
          gbtransform::SetBandThreads(threads);
          ASSERT_TRUE(
              source.RotateFree(angle, &turned, GbImage::kBilinear, overflow, nullptr, false));  // never snapped
          // The result's geometry, worked out the same way as the rotation does.
          const float ang = -angle * 3.14159265f / 180.0f;
          const float c = std::cos(ang), s = std::sin(ang);
          const float w = float(size[0]), h = float(size[1]);
          float cx[4] = {-0.5f, w - 0.5f, -0.5f, w - 0.5f}, cy[4] = {-0.5f, -0.5f, h - 0.5f, h - 0.5f};
          for (int k = 0; k < 4; ++k) {
            const float x = cx[k], y = cy[k];
            cx[k] = c * x - s * y;
            cy[k] = s * x + c * y;
          }
          const float minx = *std::min_element(cx, cx + 4), maxx = *std::max_element(cx, cx + 4);
          const float miny = *std::min_element(cy, cy + 4), maxy = *std::max_element(cy, cy + 4);
          const long newW = long(std::floor(maxx - minx + 0.5f)), newH = long(std::floor(maxy - miny + 0.5f));
          ASSERT_EQ(long(turned.Width()), newW);
          ASSERT_EQ(long(turned.Height()), newH);
          const float sx = ((maxx + minx) - float(newW - 1)) / 2.0f, sy = ((maxy + miny) - float(newH - 1)) / 2.0f;
          long inside = 0, wrong = 0;
          for (long j = 0; j < newH; ++j)
            for (long i = 0; i < newW; ++i) {
              const float X = sx + float(i), Y = sy + float(j);
              const float px = c * X + s * Y, py = c * Y - s * X;
              if (px >= 0.0f && py >= 0.0f && px < w - 1.0f && py < h - 1.0f) ++inside;
              const RGBQUAD want = source.SampleInterpolated(px, py, GbImage::kBilinear, overflow);
              const RGBQUAD got = turned.ReadPixelColor(i, j, false);
              const bool same =
                  got.rgbBlue == want.rgbBlue && got.rgbGreen == want.rgbGreen && got.rgbRed == want.rgbRed &&
                  (!alpha || turned.AlphaPlane()[size_t(j) * size_t(newW) + size_t(i)] == want.rgbReserved);
              if (!same && wrong++ < 3) ADD_FAILURE() << "pixel " << i << ", " << j;
            }
          EXPECT_EQ(wrong, 0);
          // The larger pictures must reach the inner loop, or the test shows nothing.
          if (size[0] > 2 && size[1] > 2) {
            EXPECT_GT(inside, 0);
          }
        }
}
