// Point operations: threshold, negative, gamma, table mapping, rainbow.
#include <gtest/gtest.h>

#include <cmath>

#include "image/core/GbImage.h"
#include "image/retouch/RetouchSupport.h"
#include "tests/image/retouch/RetouchTestSupport.h"

TEST(BinarizeAtLevel, GreyAtTheLevelIsBlackAndOneAboveIsWhite) {
  GbImage img;
  ASSERT_NE(img.Create(5, 2, 8, GB_TYPE_BMP), nullptr);
  img.SetGreyPalette();
  const uint8_t v[5] = {0, 128, 129, 255, 127};
  for (long x = 0; x < 5; ++x) {
    img.WritePixelIndex(x, 0, v[x]);
    img.WritePixelIndex(x, 1, uint8_t(255 - v[x]));
  }
  ASSERT_TRUE(img.BinarizeAtLevel(128));
  ASSERT_EQ(img.BitsPerPixel(), 1u);
  EXPECT_EQ(rt::Rgb(img, 0, 0), 0u);
  EXPECT_EQ(rt::Rgb(img, 1, 0), 0u);
  EXPECT_EQ(rt::Rgb(img, 2, 0), 0xFFFFFFu);
  EXPECT_EQ(rt::Rgb(img, 3, 0), 0xFFFFFFu);
  EXPECT_EQ(rt::Rgb(img, 4, 0), 0u);
  EXPECT_EQ(rt::Rgb(img, 4, 1), 0u) << "255 - 127 = 128";
  const GbImage bw(img);
  ASSERT_TRUE(img.BinarizeAtLevel(0));  // a 1-bit picture stays as it is
  EXPECT_TRUE(rt::SamePixels(img, bw));
}

TEST(BinarizeAtLevel, ColourPicturesGoThroughTheirGreyLevel) {
  GbImage img;
  rt::MakeNoise(img, 9, 4, 24, 6);
  const GbImage before(img);
  ASSERT_TRUE(img.BinarizeAtLevel(100));
  for (long y = 0; y < 4; ++y)
    for (long x = 0; x < 9; ++x) {
      const RGBQUAD c = before.ReadPixelColor(x, y, false);
      EXPECT_EQ(rt::Rgb(img, x, y), gbretouch::LumaOf(c.rgbRed, c.rgbGreen, c.rgbBlue) > 100 ? 0xFFFFFFu : 0u);
    }
}

TEST(InvertColours, TwiceGivesThePictureBackOnEveryDepth) {
  for (const auto& [bpp, grey, select] :
       {std::tuple{24u, false, false}, std::tuple{24u, false, true}, std::tuple{8u, false, false},
        std::tuple{8u, true, false}, std::tuple{8u, true, true}, std::tuple{1u, false, false}}) {
    SCOPED_TRACE(std::to_string(bpp) + (grey ? " grey" : "") + (select ? " selected" : ""));
    GbImage img;
    rt::MakeNoise(img, 10, 7, bpp, 13, grey);
    img.SetBackgroundColor(RGBQUAD{1, 2, 250, 0});
    if (select) {
      ASSERT_TRUE(img.AddRectToSelection(RECT{0, 5, 3, 2}));
    }
    const GbImage before(img);
    ASSERT_TRUE(img.InvertColours());
    // The first pixel is inside any box used here.
    const uint32_t first = rt::Rgb(before, 0, 2);
    EXPECT_EQ(rt::Rgb(img, 0, 2), 0xFFFFFFu - first);
    if (select) {
      EXPECT_EQ(rt::Rgb(img, 9, 6), rt::Rgb(before, 9, 6)) << "outside the box";
    }
    ASSERT_TRUE(img.InvertColours());
    EXPECT_TRUE(rt::SamePixels(img, before));
    const RGBQUAD bg = img.BackgroundColor();
    EXPECT_EQ(bg.rgbRed | bg.rgbGreen << 8 | bg.rgbBlue << 16, 250 | 2 << 8 | 1 << 16);
  }
}

TEST(GammaCorrect, FollowsThePowerCurveAndRefusesZero) {
  GbImage img;
  ASSERT_NE(img.Create(256, 1, 24, GB_TYPE_BMP), nullptr);
  for (long x = 0; x < 256; ++x) img.WritePixelColor(x, 0, RGBQUAD{uint8_t(x), uint8_t(255 - x), uint8_t(x), 0});
  const GbImage before(img);
  EXPECT_FALSE(img.GammaCorrect(0.0f));
  EXPECT_TRUE(rt::SamePixels(img, before));
  ASSERT_TRUE(img.GammaCorrect(1.23f));
  const double p = 1.0 / double(1.23f), m = std::pow(255.0, p);
  for (long x = 0; x < 256; ++x) {
    const int want = int(std::pow(double(x), p) / (m / 255.0));
    EXPECT_EQ(img.ReadPixelColor(x, 0, false).rgbBlue, want) << x;
  }
  EXPECT_EQ(img.ReadPixelColor(0, 0, false).rgbBlue, 0);
  EXPECT_EQ(img.ReadPixelColor(255, 0, false).rgbBlue, 255);
  GbImage same(before);
  ASSERT_TRUE(same.GammaCorrect(1.0f));
  EXPECT_TRUE(rt::SamePixels(same, before));
}

TEST(MapThroughTable, GreySelectionMapsIndicesInTheBoxAndAnEmptyBoxFails) {
  uint8_t table[256];
  for (int i = 0; i < 256; ++i) table[i] = uint8_t(255 - i / 2);
  GbImage img;
  rt::MakeNoise(img, 12, 8, 8, 3, true);
  const GbImage before(img);
  ASSERT_TRUE(img.AddRectToSelection(RECT{2, 6, 9, 1}));
  ASSERT_TRUE(img.MapThroughTable(table));
  EXPECT_TRUE(img.IsGreyScale());
  for (long y = 0; y < 8; ++y)
    for (long x = 0; x < 12; ++x) {
      const uint8_t was = before.ReadPixelIndex(x, y);
      const bool inside = x >= 2 && x <= 9 && y >= 1 && y <= 6;
      EXPECT_EQ(img.ReadPixelIndex(x, y), inside ? table[was] : was) << x << "," << y;
    }
  GbImage empty(before);
  ASSERT_TRUE(empty.CreateSelection());
  EXPECT_FALSE(empty.MapThroughTable(table));
  EXPECT_NE(std::string(empty.LastError()), "");
  // Without a selection a grey picture maps its palette and stays grey.
  GbImage whole(before);
  ASSERT_TRUE(whole.MapThroughTable(table));
  EXPECT_TRUE(whole.IsGreyScale());
  for (long x = 0; x < 12; ++x) EXPECT_EQ(whole.ReadPixelIndex(x, 7), table[before.ReadPixelIndex(x, 7)]);
}

TEST(RainbowPalette, EntriesOfTheGreyRampGoRoundTheHues) {
  GbImage img;
  ASSERT_NE(img.Create(4, 3, 8, GB_TYPE_BMP), nullptr);
  img.SetGreyPalette();
  ASSERT_TRUE(img.RainbowPalette(1.0f));
  const struct {
    uint32_t index;
    uint8_t r, g, b;
  } want[] = {{0, 232, 7, 7}, {64, 118, 232, 7}, {128, 7, 230, 232}, {170, 7, 7, 232}, {255, 232, 7, 7}};
  for (const auto& w : want) {
    const RGBQUAD c = img.PaletteColor(w.index);
    EXPECT_EQ(c.rgbRed, w.r) << w.index;
    EXPECT_EQ(c.rgbGreen, w.g) << w.index;
    EXPECT_EQ(c.rgbBlue, w.b) << w.index;
  }
  GbImage colour;
  rt::MakeNoise(colour, 5, 2, 24, 1);
  const GbImage before(colour);
  EXPECT_TRUE(colour.RainbowPalette(1.0f));
  EXPECT_TRUE(rt::SamePixels(colour, before));
  // Grey quads (saturation 0) are the lightness itself.
  const RGBQUAD g = gbretouch::HslQuadToRgb(RGBQUAD{200, 0, 77, 0});
  EXPECT_EQ(g.rgbRed, 200);
  EXPECT_EQ(g.rgbBlue, 200);
}
