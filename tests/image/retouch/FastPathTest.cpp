// The filters against plain loops written from the rules, on random pictures
// large enough to be split over threads, at every depth.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "image/core/GbImage.h"
#include "image/retouch/Gaussian.h"
#include "image/retouch/RetouchSupport.h"
#include "tests/image/retouch/RetouchTestSupport.h"

namespace {

struct Depth {
  uint32_t bpp;
  bool grey;
};
const Depth kDepths[] = {{24, false}, {8, true}, {8, false}, {4, false}, {1, false}};

uint8_t Clamp(long long v) { return uint8_t(std::clamp<long long>(v, 0, 255)); }

// ConvolveKernel read pixel by pixel through ReadPixelColor and written
// through WritePixelColor.
void PlainConvolve(const GbImage& in, GbImage& out, const int32_t* k, long K, long factor, long offset) {
  out.CopyFrom(in);
  long long total = 0;
  for (long i = 0; i < K * K; ++i) total += k[i];
  for (long y = 0; y < long(in.Height()); ++y)
    for (long x = 0; x < long(in.Width()); ++x) {
      long long s[3] = {0, 0, 0}, used = 0;
      for (long dy = -(K / 2); dy <= K - K / 2 - 1; ++dy)
        for (long dx = -(K / 2); dx <= K - K / 2 - 1; ++dx) {
          if (!in.Contains(x + dx, y + dy)) continue;
          const long long e = k[(dy + K / 2) * K + dx + K / 2];
          const RGBQUAD c = in.ReadPixelColor(x + dx, y + dy, false);
          s[0] += e * c.rgbBlue;
          s[1] += e * c.rgbGreen;
          s[2] += e * c.rgbRed;
          used += e;
        }
      uint8_t v[3];
      for (int i = 0; i < 3; ++i) {
        long long r = s[i];
        if (factor != 0 && used != 0) r = used == total ? s[i] / factor : s[i] * total / (factor * used);
        v[i] = Clamp(offset + r);
      }
      out.WritePixelColor(x, y, RGBQUAD{v[0], v[1], v[2], 0});
    }
}

// The blur as two passes of SmoothLine: rows, then each column gathered.
void PlainSmooth(const GbImage& in, GbImage& out, float radius) {
  const long w = long(in.Width()), h = long(in.Height());
  const int bytes = in.BitsPerPixel() == 24 ? 3 : 1;
  const std::vector<float> taps = gbretouch::BuildGaussianTaps(radius);
  GbImage rows(in);
  out.CopyFrom(in);
  for (long y = 0; y < h; ++y)
    gbretouch::SmoothLine(in.RowBits(uint32_t(y)), rows.RowBits(uint32_t(y)), w, bytes, taps);
  std::vector<uint8_t> col(size_t(h) * bytes), res(size_t(h) * bytes);
  for (long x = 0; x < w; ++x) {
    for (long y = 0; y < h; ++y) std::memcpy(&col[size_t(y) * bytes], rows.RowBits(uint32_t(y)) + x * bytes, bytes);
    gbretouch::SmoothLine(col.data(), res.data(), h, bytes, taps);
    for (long y = 0; y < h; ++y) std::memcpy(out.RowBits(uint32_t(y)) + x * bytes, &res[size_t(y) * bytes], bytes);
  }
}

}  // namespace

TEST(FastPaths, ConvolutionMatchesThePlainLoopOnEveryDepth) {
  const int32_t kernel[9] = {1, -2, 3, 0, 9, 1, -1, 2, 4};
  for (const Depth d : kDepths) {
    SCOPED_TRACE(std::to_string(d.bpp) + (d.grey ? " grey" : ""));
    GbImage img, want;
    rt::MakeNoise(img, 231, 149, d.bpp, 99, d.grey);
    PlainConvolve(img, want, kernel, 3, 5, 11);
    ASSERT_TRUE(img.ConvolveKernel(kernel, 3, 5, 11));
    EXPECT_TRUE(rt::SamePixels(img, want));
  }
}

TEST(FastPaths, GaussianMatchesRowAndColumnPassesOnEveryDepth) {
  for (const Depth d : kDepths) {
    SCOPED_TRACE(std::to_string(d.bpp) + (d.grey ? " grey" : ""));
    GbImage img, want;
    rt::MakeNoise(img, 611, 307, d.bpp, 5, d.grey);
    GbImage work(img);
    const bool raise = d.bpp != 24 && !d.grey;
    if (raise) {
      ASSERT_TRUE(work.RaiseBpp(24));
    }
    PlainSmooth(work, want, 5.0f);
    if (raise) {
      ASSERT_TRUE(want.DecreaseBpp(d.bpp, false, img.Palette()));
    }
    ASSERT_TRUE(img.GaussianSmooth(5.0f));
    EXPECT_EQ(img.BitsPerPixel(), d.bpp);
    EXPECT_TRUE(rt::SamePixels(img, want));
  }
}

// The row pass does the pixels whose taps all fit a run of bytes at a time;
// lines shorter than the taps, one pixel wide or tall, and radii whose taps
// outreach the picture must still match the pixel-by-pixel passes.
TEST(FastPaths, GaussianMatchesThePlainPassesOnEdgeShapes) {
  const long sizes[][2] = {{1, 37}, {41, 1}, {10, 13}, {11, 12}, {1031, 3}, {3, 5}};
  uint32_t seed = 808;
  for (const Depth d : kDepths)
    for (const auto& size : sizes)
      for (float radius : {0.0f, 1.0f, 2.5f, 5.0f, 23.0f}) {
        SCOPED_TRACE(testing::Message() << d.bpp << (d.grey ? " grey " : " ") << size[0] << " x " << size[1]
                                        << " radius " << radius);
        GbImage img, want;
        rt::MakeNoise(img, size[0], size[1], d.bpp, seed++, d.grey);
        GbImage work(img);
        const bool raise = d.bpp != 24 && !d.grey;
        if (raise) {
          ASSERT_TRUE(work.RaiseBpp(24));
        }
        PlainSmooth(work, want, radius);
        if (raise) {
          ASSERT_TRUE(want.DecreaseBpp(d.bpp, false, img.Palette()));
        }
        ASSERT_TRUE(img.GaussianSmooth(radius));
        EXPECT_TRUE(rt::SamePixels(img, want));
      }
}

TEST(FastPaths, MedianMatchesAStableSortByLuma) {
  GbImage img;
  rt::MakeNoise(img, 203, 151, 24, 61);
  // Few distinct lumas, so that ties are common.
  for (long y = 0; y < 151; ++y)
    for (long x = 0; x < 203; ++x) {
      const RGBQUAD c = img.ReadPixelColor(x, y, false);
      img.WritePixelColor(x, y,
                          RGBQUAD{uint8_t(c.rgbBlue & 0xC0), uint8_t(c.rgbGreen & 0xC0), uint8_t(c.rgbRed & 0xC0), 0});
    }
  GbImage want(img);
  for (long y = 0; y < 151; ++y)
    for (long x = 0; x < 203; ++x) {
      std::vector<RGBQUAD> window;
      for (long dy = -1; dy <= 1; ++dy)
        for (long dx = -1; dx <= 1; ++dx)
          if (img.Contains(x + dx, y + dy)) window.push_back(img.ReadPixelColor(x + dx, y + dy, false));
      std::stable_sort(window.begin(), window.end(), [](const RGBQUAD& a, const RGBQUAD& b) {
        return gbretouch::LumaOf(a.rgbRed, a.rgbGreen, a.rgbBlue) < gbretouch::LumaOf(b.rgbRed, b.rgbGreen, b.rgbBlue);
      });
      want.WritePixelColor(x, y, window[window.size() / 2]);
    }
  ASSERT_TRUE(img.MedianFilter(3));
  EXPECT_TRUE(rt::SamePixels(img, want));
}

TEST(FastPaths, RankFiltersAndContourMatchPlainLoops) {
  GbImage img;
  rt::MakeNoise(img, 211, 143, 24, 17);
  GbImage low(img), range(img), contour(img);
  GbImage wantLow(img), wantRange(img), wantContour(img);
  for (long y = 0; y < 143; ++y)
    for (long x = 0; x < 211; ++x) {
      const RGBQUAD centre = img.ReadPixelColor(x, y, false);
      int lo[3] = {255, 255, 255}, hi2[3] = {0, 0, 0}, lo2[3] = {255, 255, 255}, m[3] = {0, 0, 0};
      for (long dy = -1; dy <= 1; ++dy)
        for (long dx = -1; dx <= 1; ++dx) {
          if (!img.Contains(x + dx, y + dy)) continue;
          const RGBQUAD c = img.ReadPixelColor(x + dx, y + dy, false);
          const int v[3] = {c.rgbBlue, c.rgbGreen, c.rgbRed}, z[3] = {centre.rgbBlue, centre.rgbGreen, centre.rgbRed};
          for (int i = 0; i < 3; ++i) {
            lo[i] = std::min(lo[i], v[i]);
            if (v[i] - z[i] > m[i]) m[i] = v[i];
            if (dx <= 0 && dy <= 0) {  // the 2 x 2 window: the pixel, its left neighbour, the row below
              lo2[i] = std::min(lo2[i], v[i]);
              hi2[i] = std::max(hi2[i], v[i]);
            }
          }
        }
      wantLow.WritePixelColor(x, y, RGBQUAD{uint8_t(lo[0]), uint8_t(lo[1]), uint8_t(lo[2]), 0});
      wantRange.WritePixelColor(x, y,
                                RGBQUAD{uint8_t(255 - (hi2[0] - lo2[0])), uint8_t(255 - (hi2[1] - lo2[1])),
                                        uint8_t(255 - (hi2[2] - lo2[2])), 0});
      wantContour.WritePixelColor(x, y, RGBQUAD{uint8_t(255 - m[0]), uint8_t(255 - m[1]), uint8_t(255 - m[2]), 0});
    }
  ASSERT_TRUE(low.MinimumFilter(3));
  ASSERT_TRUE(range.RangeEdge(2));
  ASSERT_TRUE(contour.ContourLines());
  EXPECT_TRUE(rt::SamePixels(low, wantLow));
  EXPECT_TRUE(rt::SamePixels(range, wantRange));
  EXPECT_TRUE(rt::SamePixels(contour, wantContour));
}

// RadialWarp split over threads against the same transform done a row at a
// time: each one-row selection is too small to be split.
TEST(FastPaths, RadialWarpMatchesRowByRowOnEveryDepth) {
  for (const Depth d : kDepths) {
    SCOPED_TRACE(std::to_string(d.bpp) + (d.grey ? " grey" : ""));
    GbImage img;
    rt::MakeNoise(img, 197, 133, d.bpp, 71, d.grey);
    GbImage whole(img), rows(img);
    ASSERT_TRUE(whole.RadialWarp(GbImage::WarpKind::kSwirl, 0, 100.0f));
    const long rmax = long(std::sqrt(float(98 * 98 + 66 * 66)));  // from the whole picture's corner
    for (long y = 0; y < 133; ++y) {
      GbImage one(img);
      ASSERT_TRUE(one.AddRectToSelection(RECT{0, LONG(y), 196, LONG(y)}));
      ASSERT_TRUE(one.RadialWarp(GbImage::WarpKind::kSwirl, rmax, 100.0f));
      for (long x = 0; x < 197; ++x) rows.WritePixelColor(x, y, one.ReadPixelColor(x, y, false));
    }
    EXPECT_TRUE(rt::SamePixels(whole, rows));
  }
}
