// RadialWarp and the random operations.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "image/core/GbImage.h"
#include "image/retouch/RetouchRandom.h"
#include "tests/image/retouch/RetouchTestSupport.h"

TEST(RadialWarp, BathroomShiftsColumnsBy32PixelStrips) {
  GbImage img;
  rt::MakeNoise(img, 64, 40, 24, 17);
  const GbImage before(img);
  ASSERT_TRUE(img.RadialWarp(GbImage::WarpKind::kBathroom, 0, 1.0f));
  const long y = 20;  // the middle row lies inside the circle from end to end
  EXPECT_EQ(rt::Rgb(img, 0, y), rt::Rgb(before, 0, 0)) << "x = -16 is outside: pixel (0, 0)";
  EXPECT_EQ(rt::Rgb(img, 16, y), rt::Rgb(before, 16, y));
  EXPECT_EQ(rt::Rgb(img, 20, y), rt::Rgb(before, 24, y));
  EXPECT_EQ(rt::Rgb(img, 40, y), rt::Rgb(before, 32, y));
  EXPECT_EQ(rt::Rgb(img, 63, y), rt::Rgb(before, 0, 0)) << "x = 78 is outside";
}

TEST(RadialWarp, PunchKeepsTheCentreAndTheCornerReadsOutside) {
  for (uint32_t bpp : {24u, 8u}) {
    GbImage img;
    rt::MakeNoise(img, 31, 20, bpp, 23);
    ASSERT_TRUE(img.CreateAlpha());
    ASSERT_TRUE(img.FillAlpha(200));
    const GbImage before(img);
    ASSERT_TRUE(img.RadialWarp(GbImage::WarpKind::kPunch, 0, 100.0f));
    EXPECT_EQ(rt::Rgb(img, 15, 10), rt::Rgb(before, 15, 10));
    EXPECT_EQ(img.ReadAlpha(15, 10), 200);
    // The circle reaches the lower-left corner exactly, so the corner is outside.
    EXPECT_EQ(rt::Rgb(img, 0, 0), rt::Rgb(before, 0, 0));
    EXPECT_EQ(img.ReadAlpha(0, 0), 0) << "outside alpha is 0";
    EXPECT_FALSE(rt::SamePixels(img, before));
  }
}

TEST(RadialWarp, AnUnturnedSwirlMirrorsTheDiscLeftToRight) {
  GbImage img;
  rt::MakeNoise(img, 41, 27, 24, 29);
  const GbImage before(img);
  ASSERT_TRUE(img.RadialWarp(GbImage::WarpKind::kSwirl, 0, 1e30f));
  const long xmid = 20, ymid = 13;
  for (long d = 1; d < 10; ++d) {
    EXPECT_EQ(rt::Rgb(img, xmid + d, ymid), rt::Rgb(before, xmid - d, ymid)) << d;
    EXPECT_EQ(rt::Rgb(img, xmid - d, ymid), rt::Rgb(before, xmid + d, ymid)) << d;
  }
}

TEST(RadialWarp, OnlyTheSelectionChanges) {
  GbImage img;
  rt::MakeNoise(img, 30, 22, 24, 2);
  const GbImage before(img);
  ASSERT_TRUE(img.AddRectToSelection(RECT{12, 15, 20, 6}));
  ASSERT_TRUE(img.RadialWarp(GbImage::WarpKind::kPinch, 0, 100.0f));
  long changed = 0;
  for (long y = 0; y < 22; ++y)
    for (long x = 0; x < 30; ++x) {
      const bool inside = x >= 12 && x <= 20 && y >= 6 && y <= 15;
      if (!inside) {
        EXPECT_EQ(rt::Rgb(img, x, y), rt::Rgb(before, x, y)) << x << "," << y;
      }
      changed += rt::Rgb(img, x, y) != rt::Rgb(before, x, y);
    }
  EXPECT_GT(changed, 0);
}

TEST(Random, StartsLikeTheCLibraryAndRepeatsForASeed) {
  gbretouch::SeedRandom(1);
  EXPECT_EQ(gbretouch::Random(), 16838);
  int low = 32767, high = 0;
  for (int i = 0; i < 100000; ++i) {
    const int r = gbretouch::Random();
    low = std::min(low, r);
    high = std::max(high, r);
  }
  EXPECT_EQ(low, 0);
  EXPECT_EQ(high, 32767);
}

TEST(RandomOperations, SameSeedSamePictureAndOnlyInsideTheSelection) {
  for (uint32_t bpp : {24u, 8u}) {
    GbImage original;
    rt::MakeNoise(original, 25, 14, bpp, 40);
    ASSERT_TRUE(original.CreateAlpha());
    for (long y = 0; y < 14; ++y)
      for (long x = 0; x < 25; ++x) original.WriteAlpha(x, y, uint8_t(x * 10 + y));
    ASSERT_TRUE(original.AddRectToSelection(RECT{3, 11, 19, 2}));
    for (int op = 0; op < 2; ++op) {
      SCOPED_TRACE((op ? "noise at " : "jitter at ") + std::to_string(bpp));
      const auto run = [&](uint32_t seed) {
        GbImage img(original);
        gbretouch::SeedRandom(seed);
        EXPECT_TRUE(op ? img.AddRandomNoise(60) : img.ScatterPixels(2));
        return img;
      };
      const GbImage a = run(42), b = run(42), c = run(43);
      EXPECT_TRUE(rt::SamePixels(a, b));
      EXPECT_FALSE(rt::SamePixels(a, c));
      for (long y = 0; y < 14; ++y)
        for (long x = 0; x < 25; ++x) {
          const bool inside = x >= 3 && x <= 19 && y >= 2 && y <= 11;
          if (!inside) {
            EXPECT_EQ(rt::Rgb(a, x, y), rt::Rgb(original, x, y)) << x << "," << y;
            EXPECT_EQ(a.ReadAlpha(x, y), original.ReadAlpha(x, y));
          }
          if (op == 1) {
            EXPECT_EQ(a.ReadAlpha(x, y), original.ReadAlpha(x, y)) << "noise keeps alpha";
          }
        }
    }
  }
}

TEST(RandomOperations, JitterMovesColourAndAlphaTogether) {
  GbImage img;
  ASSERT_NE(img.Create(9, 8, 24, GB_TYPE_BMP), nullptr);
  ASSERT_TRUE(img.CreateAlpha());
  // Colour and alpha both encode the position, so every moved pixel must
  // carry a matching pair from within two pixels.
  for (long y = 0; y < 8; ++y)
    for (long x = 0; x < 9; ++x) {
      img.WritePixelColor(x, y, RGBQUAD{uint8_t(x), uint8_t(y), 0, 0});
      img.WriteAlpha(x, y, uint8_t(x * 16 + y));
    }
  gbretouch::SeedRandom(7);
  ASSERT_TRUE(img.ScatterPixels(2));
  long moved = 0;
  for (long y = 0; y < 8; ++y)
    for (long x = 0; x < 9; ++x) {
      const RGBQUAD c = img.ReadPixelColor(x, y, false);
      EXPECT_EQ(img.ReadAlpha(x, y), c.rgbBlue * 16 + c.rgbGreen);
      EXPECT_LE(std::abs(long(c.rgbBlue) - x), 2);
      EXPECT_LE(std::abs(long(c.rgbGreen) - y), 2);
      moved += c.rgbBlue != x || c.rgbGreen != y;
    }
  EXPECT_GT(moved, 0);
}
