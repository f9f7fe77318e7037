// The Gaussian blur, its taps and its two users.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "image/core/GbImage.h"
#include "image/retouch/Gaussian.h"
#include "tests/image/retouch/RetouchTestSupport.h"

using gbretouch::BuildGaussianTaps;

TEST(GaussianTaps, CountSymmetryAndShapeFollowTheRadius) {
  const std::pair<float, size_t> sizes[] = {{0.0f, 1}, {1.0f, 3}, {2.0f, 5}, {5.0f, 11}, {-2.0f, 5}};
  for (const auto& [radius, n] : sizes) {
    const std::vector<float> taps = BuildGaussianTaps(radius);
    ASSERT_EQ(taps.size(), n) << radius;
    double total = 0;
    for (size_t i = 0; i < n; ++i) {
      EXPECT_EQ(taps[i], taps[n - 1 - i]);
      total += taps[i];
    }
    EXPECT_NEAR(total, 1.0, 1e-5);
  }
  // Radius 2, worked in double: s = 1.25, reach 2.5, outer taps averaged over
  // 50 sub-steps up to the reach, the centre over 51 from 0.5.
  const double s = 1.25, reach = 2.5;
  std::vector<double> want(5);
  for (int i = 3; i < 5; ++i) {
    double sum = 0;
    for (int j = 1; j <= 50; ++j) {
      const double d = (i - 2 - 0.5) + 0.02 * j;
      if (d <= reach) sum += std::exp(-d * d / (2 * s * s));
    }
    want[size_t(i)] = want[size_t(4 - i)] = sum / 50;
  }
  double centre = 0;
  for (int j = 0; j <= 50; ++j) centre += std::exp(-(0.5 + 0.02 * j) * (0.5 + 0.02 * j) / (2 * s * s));
  want[2] = centre / 51;
  double total = 0;
  for (double t : want) total += t;
  const std::vector<float> taps = BuildGaussianTaps(2.0f);
  for (size_t i = 0; i < 5; ++i) EXPECT_NEAR(taps[i], want[i] / total, 1e-6) << i;
}

TEST(GaussianSmooth, OnePixelWideRowsStayAndColumnsBlur) {
  GbImage img;
  ASSERT_NE(img.Create(1, 6, 24, GB_TYPE_BMP), nullptr);
  const uint8_t column[6] = {0, 0, 255, 0, 90, 200};
  for (long y = 0; y < 6; ++y) img.WritePixelColor(0, y, RGBQUAD{column[y], uint8_t(255 - column[y]), 7, 0});
  ASSERT_TRUE(img.GaussianSmooth(1.0f));
  const std::vector<float> t = BuildGaussianTaps(1.0f);
  for (long y = 0; y < 6; ++y) {
    // Only the taps inside the column count, divided by their sum at the ends.
    float sum = 0, used = 0;
    for (int k = 0; k < 3; ++k) {
      const long q = y + k - 1;
      if (q < 0 || q > 5) continue;
      sum += t[size_t(k)] * float(column[q]);
      used += t[size_t(k)];
    }
    const float v = (y == 0 || y == 5) ? sum / used + 0.5f : sum + 0.5f;
    EXPECT_EQ(img.ReadPixelColor(0, y, false).rgbBlue, uint8_t(v)) << y;
    EXPECT_EQ(img.ReadPixelColor(0, y, false).rgbRed, 7) << y;
  }
}

TEST(GaussianSmooth, PalettePicturesKeepDepthAndPaletteAndDestinationLeavesTheSource) {
  GbImage img;
  rt::MakeNoise(img, 11, 7, 4, 8);
  const GbImage before(img);
  GbImage dest;
  ASSERT_TRUE(img.GaussianSmooth(2.0f, &dest));
  EXPECT_TRUE(rt::SamePixels(img, before));
  EXPECT_EQ(img.BitsPerPixel(), 4u);
  ASSERT_TRUE(img.GaussianSmooth(2.0f));
  EXPECT_TRUE(rt::SamePixels(img, dest));
  EXPECT_EQ(dest.BitsPerPixel(), 4u);
  for (uint32_t i = 0; i < 16; ++i) {
    const RGBQUAD a = dest.PaletteColor(i), b = before.PaletteColor(i);
    EXPECT_EQ(a.rgbRed | a.rgbGreen << 8 | a.rgbBlue << 16, b.rgbRed | b.rgbGreen << 8 | b.rgbBlue << 16) << i;
  }
  EXPECT_FALSE(rt::SamePixels(dest, before));
}

TEST(EdgePreservingBlur, BlursOnlyWhereTheHighPassStaysInsideTheBand) {
  GbImage img;
  rt::MakeNoise(img, 15, 10, 24, 12);
  // Flat patches give a high-pass of exactly 128.
  for (long y = 0; y < 5; ++y)
    for (long x = 0; x < 6; ++x) img.WritePixelColor(x, y, RGBQUAD{60, 120, 180, 0});
  GbImage wide(img), narrow(img), blurred(img), high(img);
  ASSERT_TRUE(wide.EdgePreservingBlur(1.0f, 255));
  ASSERT_TRUE(blurred.GaussianSmooth(1.0f));
  EXPECT_TRUE(rt::SamePixels(wide, blurred)) << "threshold 255 lets every pixel through";
  EXPECT_FALSE(wide.HasSelection()) << "a picture without a selection gets none";

  ASSERT_TRUE(narrow.EdgePreservingBlur(1.0f, 0));
  const int32_t kHigh[9] = {-100, -100, -100, -100, 801, -100, -100, -100, -100};
  ASSERT_TRUE(high.ConvolveKernel(kHigh, 3, 800, 128));
  long kept = 0, smoothed = 0;
  for (long y = 0; y < 10; ++y)
    for (long x = 0; x < 15; ++x) {
      const bool inBand = rt::Rgb(high, x, y) == 0x808080u;
      EXPECT_EQ(rt::Rgb(narrow, x, y), rt::Rgb(inBand ? blurred : img, x, y)) << x << "," << y;
      (inBand ? smoothed : kept)++;
    }
  EXPECT_GT(kept, 0);
  EXPECT_GT(smoothed, 0);
}

TEST(UnsharpSharpen, PushesEachByteAwayFromTheBlurPastTheThreshold) {
  GbImage img;
  rt::MakeNoise(img, 12, 9, 24, 31);
  GbImage sharp(img), blurred(img), none(img);
  ASSERT_TRUE(blurred.GaussianSmooth(2.0f));
  const float amount = 0.7f;
  const long threshold = 40;
  ASSERT_TRUE(sharp.UnsharpSharpen(2.0f, amount, threshold));
  for (long y = 0; y < 9; ++y)
    for (long x = 0; x < 12; ++x) {
      const uint8_t* in = img.PixelPointer24(x, y);
      const uint8_t* bl = blurred.PixelPointer24(x, y);
      const uint8_t* out = sharp.PixelPointer24(x, y);
      for (int c = 0; c < 3; ++c) {
        const int diff = in[c] - bl[c];
        int want = in[c];
        if (std::abs(diff) >= threshold) {
          const float v = amount * float(diff) + float(in[c]);
          want = v <= 0 ? 0 : v >= 255 ? 255 : int(v);
        }
        EXPECT_EQ(out[c], want) << x << "," << y << " byte " << c;
      }
    }
  ASSERT_TRUE(none.UnsharpSharpen(2.0f, 0.0f, 0));
  EXPECT_TRUE(rt::SamePixels(none, img)) << "amount 0 gives the picture back";
}

TEST(UnsharpSharpen, AnEmptySelectionFailsWithoutTouchingThePicture) {
  GbImage img;
  rt::MakeNoise(img, 6, 4, 8, 2);
  ASSERT_TRUE(img.CreateSelection());  // nothing selected
  const GbImage before(img);
  EXPECT_FALSE(img.UnsharpSharpen(5.0f, 0.5f, 0));
  EXPECT_EQ(img.BitsPerPixel(), 8u);
  EXPECT_TRUE(rt::SamePixels(img, before));
}
