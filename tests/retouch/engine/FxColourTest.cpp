#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/retouch/engine/FxTestUtil.h"

using namespace fxtest;

namespace {

void MakeRamp(FxImage& img, int bpp = 32) {
  ASSERT_EQ(img.CreateSection(256, 3, bpp), 1);
  for (int x = 0; x < 256; ++x) {
    Set(img, x, 0, {uint8_t(x), uint8_t(255 - x), uint8_t(x / 2)}, 77);
    Set(img, x, 1, Grey(uint8_t(x)), 77);
    Set(img, x, 2, {uint8_t(x * 7), uint8_t(x * 13), uint8_t(x * 29)}, 77);
  }
}

}  // namespace

TEST(FxColour, HundredPercentBrightnessAndContrastChangeNothing) {
  for (int bpp : {24, 32}) {
    FxImage img, ref;
    MakeRamp(img, bpp);
    ref.Duplicate(img);
    EXPECT_TRUE(img.ScaleBrightness(100, 0));
    EXPECT_TRUE(img.ScaleContrast(100));
    EXPECT_TRUE(img.ShiftChannels(0, 0, 0));
    EXPECT_TRUE(SamePixels(img, ref)) << bpp;
  }
}

TEST(FxColour, BrightnessMultipliesAndSaturates) {
  FxImage img;
  MakeRamp(img);
  img.ScaleBrightness(150, 0);  // f = 192
  for (int v : {0, 1, 100, 170, 171, 255}) {
    const int expect = std::min(255, 192 * v / 128);
    EXPECT_EQ(Get(img, v, 1), Grey(uint8_t(expect))) << v;
  }
  img.ScaleBrightness(33, 0);  // f = trunc(42.24) = 42
  EXPECT_EQ(Get(img, 100, 1).b, 150 * 42 / 128);
  EXPECT_EQ(At(img, 100, 1)[3], 77);  // the fourth byte is no colour
}

TEST(FxColour, BrightnessAddModeSaturatesBothWays) {
  FxImage img;
  MakeRamp(img);
  img.ScaleBrightness(-20, 1);
  EXPECT_EQ(Get(img, 10, 1), Grey(0));
  EXPECT_EQ(Get(img, 30, 1), Grey(10));
  img.ScaleBrightness(250, 1);
  EXPECT_EQ(Get(img, 30, 1), Grey(255));
}

TEST(FxColour, ContrastAroundMiddleGrey) {
  FxImage img;
  MakeRamp(img);
  FxImage zero;
  zero.Duplicate(img);
  zero.ScaleContrast(0);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 256; ++x) ASSERT_EQ(Get(zero, x, y), Grey(128)) << x << "," << y;
  img.ScaleContrast(200);  // f = 256: v -> 128 + 2 (v - 128)
  EXPECT_EQ(Get(img, 0, 1), Grey(0));
  EXPECT_EQ(Get(img, 100, 1), Grey(72));
  EXPECT_EQ(Get(img, 127, 1), Grey(126));
  EXPECT_EQ(Get(img, 190, 1), Grey(252));
  EXPECT_EQ(Get(img, 200, 1), Grey(255));
  // Truncation toward zero below the middle: 128 + trunc(64 * -1 / 128) = 128.
  FxImage low;
  MakeRamp(low);
  low.ScaleContrast(50);
  EXPECT_EQ(Get(low, 127, 1), Grey(128));
  EXPECT_EQ(Get(low, 125, 1), Grey(127));
}

TEST(FxColour, ShiftChannelsClampsEachChannelOnItsOwn) {
  FxImage img;
  ASSERT_EQ(img.CreateSection(2, 1, 24), 1);
  Set(img, 0, 0, {10, 20, 250});
  Set(img, 1, 0, {200, 128, 0});
  img.ShiftChannels(10, -30, 128);  // red, green, blue
  EXPECT_EQ(Get(img, 0, 0), (Bgr{138, 0, 255}));
  EXPECT_EQ(Get(img, 1, 0), (Bgr{255, 98, 10}));
}

TEST(FxColour, PaletteImagesChangeTheirPaletteOnly) {
  FxImage img;
  ASSERT_EQ(img.CreateSection(4, 2, 8, BI_RGB, nullptr, true), 1);
  for (int x = 0; x < 4; ++x) img.Row(0)[x] = uint8_t(x * 60);
  img.ScaleBrightness(50, 0);
  for (int x = 0; x < 4; ++x) EXPECT_EQ(img.Row(0)[x], x * 60);
  EXPECT_EQ(img.Palette()[200].rgbGreen, 100);
  img.ShiftChannels(5, 0, 0);
  EXPECT_EQ(img.Palette()[200].rgbRed, 105);
  EXPECT_EQ(img.Palette()[200].rgbBlue, 100);
  img.ScaleContrast(0);
  EXPECT_EQ(img.Palette()[3].rgbBlue, 128);
  img.ScaleHueSaturation(100, 0);
  EXPECT_EQ(img.Palette()[3].rgbRed, img.Palette()[3].rgbGreen);
}

TEST(FxColour, SixteenBitImagesAreLeftAlone) {
  FxImage img;
  ASSERT_EQ(img.CreateSection(3, 3, 16), 1);
  img.Row(1)[2] = 0x55;
  EXPECT_FALSE(img.ScaleBrightness(50, 0));
  EXPECT_FALSE(img.ScaleContrast(0));
  EXPECT_FALSE(img.ScaleHueSaturation(0, 0));
  EXPECT_FALSE(img.ShiftChannels(9, 9, 9));
  EXPECT_EQ(img.Row(1)[2], 0x55);
  EXPECT_EQ(img.Row(1)[0], 0);
}

TEST(FxHueSaturation, IdentityLosesAtMostOneStep) {
  FxImage img, ref;
  ASSERT_EQ(img.CreateSection(64, 64, 32), 1);
  FillPattern(img, 7);
  ref.Duplicate(img);
  img.ScaleHueSaturation(100, 100);
  int changed = 0;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      const uint8_t* a = At(img, x, y);
      const uint8_t* b = At(ref, x, y);
      for (int c = 0; c < 3; ++c) {
        ASSERT_LE(std::abs(a[c] - b[c]), 1) << x << "," << y;
        changed += a[c] != b[c];
      }
      ASSERT_EQ(a[3], b[3]);
    }
  EXPECT_LT(changed, 64 * 64 * 3);
}

TEST(FxHueSaturation, HueIsScaledNotRotated) {
  FxImage img;
  ASSERT_EQ(img.CreateSection(4, 1, 24), 1);
  Set(img, 0, 0, {0, 255, 0});     // green, hue 1/3
  Set(img, 1, 0, {255, 0, 0});     // blue, hue 2/3
  Set(img, 2, 0, {64, 64, 64});    // grey has no hue
  Set(img, 3, 0, {0, 128, 255});   // orange, hue 128/255/6
  img.ScaleHueSaturation(0, 100);  // every hue becomes red
  EXPECT_EQ(Get(img, 0, 0), (Bgr{0, 0, 255}));
  EXPECT_EQ(Get(img, 1, 0), (Bgr{0, 0, 255}));
  EXPECT_EQ(Get(img, 2, 0), Grey(64));
  EXPECT_EQ(Get(img, 3, 0), (Bgr{0, 0, 255}));

  FxImage twice;
  ASSERT_EQ(twice.CreateSection(2, 1, 24), 1);
  Set(twice, 0, 0, {0, 255, 0});    // hue 1/3 -> 2/3: blue
  Set(twice, 1, 0, {0, 255, 255});  // yellow, hue 1/6 -> 1/3: green
  twice.ScaleHueSaturation(200, 100);
  EXPECT_EQ(Get(twice, 0, 0), (Bgr{255, 0, 0}));
  EXPECT_EQ(Get(twice, 1, 0), (Bgr{0, 255, 0}));
}

TEST(FxHueSaturation, SaturationScalesTowardGrey) {
  FxImage img;
  ASSERT_EQ(img.CreateSection(2, 1, 24), 1);
  Set(img, 0, 0, {0, 0, 255});    // red: l = 0.5, s = 1
  Set(img, 1, 0, {51, 51, 153});  // l = 0.4, s = 0.5
  img.ScaleHueSaturation(100, 0);
  // No saturation: every channel is the lightness, 0.5 * 255 -> 127.
  EXPECT_EQ(Get(img, 0, 0), Grey(127));
  EXPECT_EQ(Get(img, 1, 0), Grey(102));

  FxImage half;
  ASSERT_EQ(half.CreateSection(1, 1, 24), 1);
  Set(half, 0, 0, {0, 0, 255});
  half.ScaleHueSaturation(100, 50);  // s = 64/128: m2 = 0.75, m1 = 0.25
  EXPECT_EQ(Get(half, 0, 0), (Bgr{63, 63, 191}));
}

TEST(FxColour, ProgressEndsAtHundredInTheGivenSink) {
  FxImage img;
  MakeRamp(img);
  ProgressSink sink{-5};
  img.Progress().store(-1);
  img.ScaleContrast(80, &sink);
  EXPECT_EQ(sink.load(), 100);
  EXPECT_EQ(img.Progress().load(), -1);
  img.ScaleHueSaturation(90, 110);
  EXPECT_EQ(img.Progress().load(), 100);
}
