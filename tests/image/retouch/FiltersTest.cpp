// Window filters: convolution, rank filters and contour lines, their edge
// rules, the selection box, and bad input.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "image/core/GbImage.h"
#include "image/retouch/RetouchSupport.h"
#include "tests/image/retouch/RetouchTestSupport.h"

namespace {

const int32_t kBlur[9] = {1, 1, 1, 1, 1, 1, 1, 1, 1};
const int32_t kEdge[9] = {-1, -1, -1, -1, 8, -1, -1, -1, -1};

void Make24(GbImage& img, long w, long h, RGBQUAD fill) {
  ASSERT_NE(img.Create(uint32_t(w), uint32_t(h), 24, GB_TYPE_BMP), nullptr);
  for (long y = 0; y < h; ++y)
    for (long x = 0; x < w; ++x) img.WritePixelColor(x, y, fill);
}

RGBQUAD Grey(uint8_t v) { return RGBQUAD{v, v, v, 0}; }

}  // namespace

TEST(ConvolveKernel, BlurOnTwoByTwoIsTheAverageOfTheFour) {
  GbImage img;
  Make24(img, 2, 2, Grey(0));
  const RGBQUAD c[4] = {{10, 200, 255, 0}, {0, 7, 100, 0}, {255, 1, 3, 0}, {40, 90, 254, 0}};
  for (int i = 0; i < 4; ++i) img.WritePixelColor(i % 2, i / 2, c[i]);
  ASSERT_TRUE(img.ConvolveKernel(kBlur, 3, 9, 0));
  // Each pixel uses 4 of the 9 entries: sum x 9 / (9 x 4).
  const int b = (10 + 0 + 255 + 40) * 9 / 36, g = (200 + 7 + 1 + 90) * 9 / 36, r = (255 + 100 + 3 + 254) * 9 / 36;
  for (long y = 0; y < 2; ++y)
    for (long x = 0; x < 2; ++x) EXPECT_EQ(rt::Rgb(img, x, y), uint32_t(r << 16 | g << 8 | b)) << x << "," << y;
}

TEST(ConvolveKernel, EdgeOnFlatGreyIsWhiteEverywhere) {
  GbImage img;
  Make24(img, 7, 4, Grey(100));
  ASSERT_TRUE(img.ConvolveKernel(kEdge, 3, -1, 255));
  for (long y = 0; y < 4; ++y)
    for (long x = 0; x < 7; ++x) EXPECT_EQ(rt::Rgb(img, x, y), 0xFFFFFFu) << x << "," << y;
}

TEST(ConvolveKernel, KernelRowZeroIsTheRowBelowAndAnUnusedKernelGivesTheOffset) {
  GbImage img;
  rt::MakeNoise(img, 6, 5, 24, 3);
  const GbImage before(img);
  const int32_t below[9] = {0, 1, 0, 0, 0, 0, 0, 0, 0};
  ASSERT_TRUE(img.ConvolveKernel(below, 3, 1, 0));
  for (long x = 0; x < 6; ++x) {
    EXPECT_EQ(rt::Rgb(img, x, 0), 0u) << "no entry used on the bottom row: offset + 0";
    for (long y = 1; y < 5; ++y) EXPECT_EQ(rt::Rgb(img, x, y), rt::Rgb(before, x, y - 1)) << x << "," << y;
  }
}

TEST(ConvolveKernel, GreyFastPathMatchesTheColourPath) {
  for (const int32_t* kernel : {kBlur, kEdge}) {
    GbImage grey, colour;
    rt::MakeNoise(grey, 13, 9, 8, 21, true);
    Make24(colour, 13, 9, Grey(0));
    for (long y = 0; y < 9; ++y)
      for (long x = 0; x < 13; ++x) colour.WritePixelColor(x, y, Grey(grey.ReadPixelIndex(x, y)));
    const int32_t factor = kernel == kBlur ? 9 : -1, offset = kernel == kBlur ? 0 : 255;
    ASSERT_TRUE(grey.ConvolveKernel(kernel, 3, factor, offset));
    ASSERT_TRUE(colour.ConvolveKernel(kernel, 3, factor, offset));
    EXPECT_TRUE(grey.IsGreyScale());
    EXPECT_TRUE(rt::SamePixels(grey, [&] {
      GbImage c(colour);
      c.ToGreyScale();
      return c;
    }()));
  }
}

TEST(RankFilters, EvenWindowCoversThePixelItsLeftNeighbourAndTheRowBelow) {
  GbImage img;
  Make24(img, 4, 3, Grey(10));
  img.WritePixelColor(1, 1, Grey(250));
  ASSERT_TRUE(img.MaximumFilter(2));
  for (long y = 0; y < 3; ++y)
    for (long x = 0; x < 4; ++x) {
      const bool lit = (x == 1 || x == 2) && (y == 1 || y == 2);
      EXPECT_EQ(rt::Rgb(img, x, y), lit ? 0xFAFAFAu : 0x0A0A0Au) << x << "," << y;
    }
}

TEST(RankFilters, MinimumMaximumAndRangeWorkPerChannel) {
  GbImage img;
  Make24(img, 3, 3, Grey(0));
  const RGBQUAD a{200, 10, 50, 0}, b{20, 250, 60, 0};
  img.WritePixelColor(0, 0, a);
  img.WritePixelColor(2, 2, b);
  for (long y = 0; y < 3; ++y)
    for (long x = 0; x < 3; ++x)
      if ((x | y) && !(x == 2 && y == 2)) img.WritePixelColor(x, y, RGBQUAD{100, 100, 100, 0});
  GbImage lo(img), hi(img), range(img);
  ASSERT_TRUE(lo.MinimumFilter(3));
  ASSERT_TRUE(hi.MaximumFilter(3));
  ASSERT_TRUE(range.RangeEdge(3));
  // The centre sees all nine.
  EXPECT_EQ(rt::Rgb(lo, 1, 1), 0x320A14u);
  EXPECT_EQ(rt::Rgb(hi, 1, 1), 0x64FAC8u);
  EXPECT_EQ(rt::Rgb(range, 1, 1), uint32_t((255 - (100 - 50)) << 16 | (255 - 240) << 8 | (255 - 180)));
}

TEST(RankFilters, MedianOfNineColoursHasTheFifthLowestLuma) {
  GbImage img;
  ASSERT_NE(img.Create(3, 3, 24, GB_TYPE_BMP), nullptr);
  const RGBQUAD c[9] = {{0, 0, 250, 0},   {255, 0, 0, 0}, {0, 255, 0, 0},   {30, 30, 30, 0},   {200, 200, 200, 0},
                        {0, 120, 120, 0}, {90, 20, 0, 0}, {10, 60, 200, 0}, {250, 250, 250, 0}};
  std::vector<std::pair<int, int>> lumas;
  for (int i = 0; i < 9; ++i) {
    img.WritePixelColor(i % 3, i / 3, c[i]);
    lumas.emplace_back(gbretouch::LumaOf(c[i].rgbRed, c[i].rgbGreen, c[i].rgbBlue), i);
  }
  std::sort(lumas.begin(), lumas.end());
  for (int i = 1; i < 9; ++i) ASSERT_NE(lumas[size_t(i)].first, lumas[size_t(i - 1)].first) << "lumas must differ";
  const RGBQUAD want = c[lumas[4].second];
  ASSERT_TRUE(img.MedianFilter(3));
  const RGBQUAD got = img.ReadPixelColor(1, 1, false);
  EXPECT_EQ(got.rgbRed, want.rgbRed);
  EXPECT_EQ(got.rgbGreen, want.rgbGreen);
  EXPECT_EQ(got.rgbBlue, want.rgbBlue);
}

TEST(RankFilters, WindowsLargerThanThePictureCoverItAll) {
  GbImage a;
  rt::MakeNoise(a, 7, 5, 24, 9);
  GbImage b(a);
  ASSERT_TRUE(a.MedianFilter(15));
  ASSERT_TRUE(b.MedianFilter(1000001));
  EXPECT_TRUE(rt::SamePixels(a, b));
  GbImage c(b);
  ASSERT_TRUE(c.MinimumFilter(1));  // a one-pixel window is the pixel itself
  EXPECT_TRUE(rt::SamePixels(b, c));
}

TEST(ContourLines, KeepsTheFirstNeighbourValueThatBeatsTheDifference) {
  GbImage img;
  Make24(img, 3, 3, Grey(100));
  img.WritePixelColor(0, 0, Grey(130));  // visited first: m = 130
  img.WritePixelColor(2, 2, Grey(200));  // difference 100 does not beat m = 130
  ASSERT_TRUE(img.ContourLines());
  EXPECT_EQ(rt::Rgb(img, 1, 1), 0x7D7D7Du);  // 255 - 130
  EXPECT_EQ(rt::Rgb(img, 2, 2), 0xFFFFFFu);  // nothing brighter around the brightest
}

// Inside the box the result is the whole-picture result (neighbours are read
// from the unchanged picture); outside nothing moves.
TEST(Selection, LimitsEveryWindowFilterToTheBoxOnEveryDepth) {
  struct Depth {
    uint32_t bpp;
    bool grey;
  };
  const std::vector<std::pair<std::string, std::function<bool(GbImage&)>>> ops = {
      {"Blur", [](GbImage& i) { return i.ConvolveKernel(kBlur, 3, 9, 0); }},
      {"Edge", [](GbImage& i) { return i.ConvolveKernel(kEdge, 3, -1, 255); }},
      {"Erode", [](GbImage& i) { return i.MinimumFilter(3); }},
      {"Dilate", [](GbImage& i) { return i.MaximumFilter(3); }},
      {"RangeEdge", [](GbImage& i) { return i.RangeEdge(2); }},
      {"Median", [](GbImage& i) { return i.MedianFilter(3); }},
      {"Contour", [](GbImage& i) { return i.ContourLines(); }},
      {"Gaussian", [](GbImage& i) { return i.GaussianSmooth(2.0f); }},
      {"Unsharp", [](GbImage& i) { return i.UnsharpSharpen(5.0f, 0.5f, 0); }},
  };
  for (const Depth d : {Depth{24, false}, Depth{8, false}, Depth{8, true}, Depth{1, false}}) {
    GbImage original;
    rt::MakeNoise(original, 37, 23, d.bpp, 77, d.grey);
    for (const auto& [name, op] : ops) {
      SCOPED_TRACE(name + " at " + std::to_string(d.bpp) + (d.grey ? " grey" : ""));
      GbImage whole(original), boxed(original);
      ASSERT_TRUE(op(whole));
      ASSERT_TRUE(boxed.AddRectToSelection(RECT{5, 18, 25, 4}));
      ASSERT_TRUE(op(boxed));
      EXPECT_EQ(boxed.BitsPerPixel(), d.bpp);
      long changed = 0;
      for (long y = 0; y < 23; ++y)
        for (long x = 0; x < 37; ++x) {
          const bool inside = x >= 5 && x <= 25 && y >= 4 && y <= 18;
          const uint32_t want = rt::Rgb(inside ? whole : original, x, y);
          ASSERT_EQ(rt::Rgb(boxed, x, y), want) << x << "," << y;
          changed += inside && want != rt::Rgb(original, x, y);
        }
      // Sharpening black and white only pushes them further out: nothing to see.
      if (!(name == "Unsharp" && d.bpp == 1)) {
        EXPECT_GT(changed, 0) << "the filter must do something inside the box";
      }
    }
  }
}

TEST(BadInput, FailsWithAMessageAndLeavesThePictureAlone) {
  const std::vector<std::pair<std::string, std::function<bool(GbImage&)>>> bad = {
      {"ConvolveKernel 0", [](GbImage& i) { return i.ConvolveKernel(kBlur, 0, 9, 0); }},
      {"ConvolveKernel null", [](GbImage& i) { return i.ConvolveKernel(nullptr, 3, 9, 0); }},
      {"MinimumFilter 0", [](GbImage& i) { return i.MinimumFilter(0); }},
      {"MaximumFilter -3", [](GbImage& i) { return i.MaximumFilter(-3); }},
      {"RangeEdge 0", [](GbImage& i) { return i.RangeEdge(0); }},
      {"MedianFilter 0", [](GbImage& i) { return i.MedianFilter(0); }},
      {"ScatterPixels -1", [](GbImage& i) { return i.ScatterPixels(-1); }},
      {"GaussianSmooth -1", [](GbImage& i) { return i.GaussianSmooth(-1.0f); }},
      {"GaussianSmooth NaN", [](GbImage& i) { return i.GaussianSmooth(std::nanf("")); }},
      {"GaussianSmooth inf", [](GbImage& i) { return i.GaussianSmooth(INFINITY); }},
      {"EdgePreservingBlur -2", [](GbImage& i) { return i.EdgePreservingBlur(-2.0f, 25); }},
      {"UnsharpSharpen -5", [](GbImage& i) { return i.UnsharpSharpen(-5.0f, 0.5f, 0); }},
      {"UnsharpSharpen amount NaN", [](GbImage& i) { return i.UnsharpSharpen(5.0f, std::nanf(""), 0); }},
      {"GammaCorrect 0", [](GbImage& i) { return i.GammaCorrect(0.0f); }},
      {"GammaCorrect -1", [](GbImage& i) { return i.GammaCorrect(-1.0f); }},
      {"GammaCorrect NaN", [](GbImage& i) { return i.GammaCorrect(std::nanf("")); }},
      {"MapThroughTable null", [](GbImage& i) { return i.MapThroughTable(nullptr); }},
      {"RainbowPalette NaN", [](GbImage& i) { return i.RainbowPalette(std::nanf("")); }},
      {"RadialWarp kind 5", [](GbImage& i) { return i.RadialWarp(GbImage::WarpKind(5), 0, 100.0f); }},
      {"RadialWarp rmax -1", [](GbImage& i) { return i.RadialWarp(GbImage::WarpKind::kPunch, -1, 100.0f); }},
      {"RadialWarp koeff inf", [](GbImage& i) { return i.RadialWarp(GbImage::WarpKind::kSwirl, 0, INFINITY); }},
  };
  for (uint32_t bpp : {24u, 4u}) {
    GbImage original;
    rt::MakeNoise(original, 9, 6, bpp, 5);
    for (const auto& [name, op] : bad) {
      SCOPED_TRACE(name + " at " + std::to_string(bpp));
      GbImage img(original);
      EXPECT_FALSE(op(img));
      EXPECT_NE(std::string(img.LastError()), "");
      EXPECT_EQ(img.BitsPerPixel(), bpp);
      EXPECT_TRUE(rt::SamePixels(img, original));
    }
  }
}

TEST(BadInput, EveryOperationRefusesAPictureWithoutPixels) {
  const uint8_t table[256] = {};
  GbImage empty;
  EXPECT_FALSE(empty.ConvolveKernel(kBlur, 3, 9, 0));
  EXPECT_FALSE(empty.MinimumFilter(3));
  EXPECT_FALSE(empty.MaximumFilter(3));
  EXPECT_FALSE(empty.RangeEdge(2));
  EXPECT_FALSE(empty.MedianFilter(3));
  EXPECT_FALSE(empty.ContourLines());
  EXPECT_FALSE(empty.ScatterPixels(2));
  EXPECT_FALSE(empty.AddRandomNoise(25));
  EXPECT_FALSE(empty.GaussianSmooth(1.0f));
  EXPECT_FALSE(empty.EdgePreservingBlur(1.0f, 25));
  EXPECT_FALSE(empty.UnsharpSharpen(5.0f, 0.5f, 0));
  EXPECT_FALSE(empty.InvertColours());
  EXPECT_FALSE(empty.BinarizeAtLevel(128));
  EXPECT_FALSE(empty.GammaCorrect(1.23f));
  EXPECT_FALSE(empty.MapThroughTable(table));
  EXPECT_FALSE(empty.RainbowPalette(1.0f));
  EXPECT_FALSE(empty.RadialWarp(GbImage::WarpKind::kPunch, 0, 100.0f));
  EXPECT_FALSE(empty.HasPixels());
}

TEST(Escape, StopsTheRowsAndKeepsWhatWasDone) {
  GbImage img;
  rt::MakeNoise(img, 8, 6, 24, 4);
  const GbImage before(img);
  img.SetEscape(1);
  ASSERT_TRUE(img.MedianFilter(3));
  EXPECT_TRUE(rt::SamePixels(img, before));
}

// Extreme arguments must clamp, not overflow (the sanitizer build checks the
// arithmetic); the pictures stay valid.
TEST(BadInput, ExtremeArgumentsStayWithinRange) {
  GbImage original;
  rt::MakeNoise(original, 23, 17, 24, 8);
  const int32_t huge[9] = {INT32_MAX, INT32_MIN, INT32_MAX, INT32_MIN, INT32_MAX,
                           INT32_MIN, INT32_MAX, INT32_MIN, INT32_MAX};
  const std::vector<std::pair<std::string, std::function<bool(GbImage&)>>> ops = {
      {"Convolve huge", [&](GbImage& i) { return i.ConvolveKernel(huge, 3, INT32_MIN, INT32_MAX); }},
      {"Convolve factor 0", [&](GbImage& i) { return i.ConvolveKernel(huge, 3, 0, INT32_MIN); }},
      {"Noise", [](GbImage& i) { return i.AddRandomNoise(LONG_MAX); }},
      {"Noise negative", [](GbImage& i) { return i.AddRandomNoise(LONG_MIN); }},
      {"Scatter", [](GbImage& i) { return i.ScatterPixels(LONG_MAX); }},
      {"Unsharp", [](GbImage& i) { return i.UnsharpSharpen(1.0f, 1e30f, LONG_MIN); }},
      {"Unsharp negative", [](GbImage& i) { return i.UnsharpSharpen(10000.0f, -1e30f, 0); }},
      {"Gamma tiny", [](GbImage& i) { return i.GammaCorrect(1e-30f); }},
      {"Gamma huge", [](GbImage& i) { return i.GammaCorrect(1e30f); }},
      {"Pinch far", [](GbImage& i) { return i.RadialWarp(GbImage::WarpKind::kPinch, LONG_MAX, 100.0f); }},
      {"Swirl tight", [](GbImage& i) { return i.RadialWarp(GbImage::WarpKind::kSwirl, 0, 1e-30f); }},
      {"Cylinder far", [](GbImage& i) { return i.RadialWarp(GbImage::WarpKind::kCylinder, LONG_MAX, 1.0f); }},
  };
  for (const auto& [name, op] : ops) {
    SCOPED_TRACE(name);
    GbImage img(original);
    EXPECT_TRUE(op(img));
    EXPECT_EQ(img.Width(), 23u);
    EXPECT_EQ(img.BitsPerPixel(), 24u);
  }
  GbImage pal;
  rt::MakeNoise(pal, 5, 4, 8, 1);
  EXPECT_TRUE(pal.RainbowPalette(1e30f));
  EXPECT_TRUE(pal.RainbowPalette(-3.5f));
}
