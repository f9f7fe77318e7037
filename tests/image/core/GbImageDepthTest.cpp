#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "image/core/GbImage.h"
#include "image/core/NearestColourMap.h"

namespace {

RGBQUAD Rgb(int r, int g, int b, int a = 0) { return RGBQUAD{uint8_t(b), uint8_t(g), uint8_t(r), uint8_t(a)}; }

// A 24-bit grey image from rows given bottom row first.
GbImage GreyRows(const std::vector<std::vector<int>>& rows) {
  GbImage img(uint32_t(rows[0].size()), uint32_t(rows.size()), 24, 0);
  for (size_t y = 0; y < rows.size(); ++y)
    for (size_t x = 0; x < rows[y].size(); ++x) {
      const int v = rows[y][x];
      img.WritePixelColor(long(x), long(y), Rgb(v, v, v));
    }
  return img;
}

void ExpectIndices(const GbImage& img, const std::vector<std::vector<int>>& rows) {
  for (size_t y = 0; y < rows.size(); ++y)
    for (size_t x = 0; x < rows[y].size(); ++x)
      EXPECT_EQ(img.ReadPixelIndex(long(x), long(y)), rows[y][x]) << x << "," << y;
}

}  // namespace

TEST(GbImageGrey, TrueColourToGreyKeepsPlanesSettingsAndKey) {
  GbImage img(3, 2, 24, 4);
  img.Fill(0);
  img.WritePixelColor(0, 0, Rgb(255, 0, 0));
  img.WritePixelColor(1, 0, Rgb(255, 255, 255));
  img.WritePixelColor(2, 0, Rgb(10, 200, 30));
  img.CreateAlpha();
  img.WriteAlpha(1, 1, 17);
  img.AddRectToSelection(RECT{2, 1, 2, 1}, 3);
  img.SetDpiX(300);
  img.SetBackgroundColor(Rgb(10, 200, 30));
  img.SetBackgroundIndex(0);

  ASSERT_TRUE(img.ToGreyScale());
  ASSERT_EQ(img.BitsPerPixel(), 8u);
  EXPECT_TRUE(img.IsGreyScale());
  EXPECT_EQ(img.FileType(), 4u);
  EXPECT_EQ(img.ReadPixelIndex(0, 0), 76);
  EXPECT_EQ(img.ReadPixelIndex(1, 0), 255);  // (306 + 601 + 117) * 255 >> 10
  EXPECT_EQ(img.ReadPixelIndex(2, 0), 123);  // (3060 + 120200 + 3510) >> 10
  EXPECT_EQ(img.ReadPixelIndex(0, 1), 0);
  EXPECT_EQ(img.ReadAlpha(1, 1), 17);
  EXPECT_TRUE(img.SelectionContains(2, 1));
  EXPECT_FALSE(img.SelectionContains(1, 1));
  EXPECT_EQ(img.SelectionBox(), (RECT{2, 2, 3, 1}));
  EXPECT_EQ(img.DpiX(), 300);
  EXPECT_EQ(img.Header().biXPelsPerMeter, GbImage::DpiToPpm(300));
  EXPECT_EQ(img.BackgroundIndex(), 123);  // the key follows its colour
  EXPECT_TRUE(img.IsTransparentAt(2, 0));
}

TEST(GbImageGrey, PaletteImagesMoveBackgroundIndexToGreyValue) {
  GbImage img(4, 2, 8, 0);
  img.SetStandardPalette();
  img.SetPaletteColor(5, 0, 128, 255);
  img.SetColorsImportant(16);
  img.Fill(0);
  img.WritePixelIndex(1, 0, 5);
  img.WritePixelIndex(2, 1, 255);
  img.SetBackgroundIndex(5);
  ASSERT_TRUE(img.ToGreyScale());
  EXPECT_TRUE(img.IsGreyScale());
  EXPECT_EQ(img.ReadPixelIndex(1, 0), 104);  // (601 * 128 + 117 * 255) >> 10
  EXPECT_EQ(img.ReadPixelIndex(2, 1), 255);
  EXPECT_EQ(img.ReadPixelIndex(0, 0), 0);
  EXPECT_EQ(img.BackgroundIndex(), 104);
  EXPECT_EQ(img.ColorsImportant(), 0u);  // every grey level is usable

  for (uint32_t bpp : {1u, 4u}) {
    GbImage low(5, 2, bpp, 0);
    low.SetStandardPalette();
    low.Fill(0);
    low.WritePixelIndex(3, 1, bpp == 1 ? 1 : 9);  // white / red
    low.CreateAlpha();
    low.WriteAlpha(4, 0, 8);
    low.SetBackgroundIndex(bpp == 1 ? 1 : 9);
    ASSERT_TRUE(low.ToGreyScale());
    ASSERT_EQ(low.BitsPerPixel(), 8u);
    EXPECT_TRUE(low.IsGreyScale());
    const int grey = bpp == 1 ? 255 : 76;
    EXPECT_EQ(low.ReadPixelIndex(3, 1), grey);
    EXPECT_EQ(low.ReadPixelIndex(0, 0), 0);
    EXPECT_EQ(low.ReadAlpha(4, 0), 8);
    EXPECT_EQ(low.BackgroundIndex(), grey);
  }
  EXPECT_FALSE(GbImage().ToGreyScale());
}

TEST(GbImageRaise, TargetsAndIndexCopies) {
  GbImage img(9, 2, 1, 0);
  img.SetStandardPalette();
  img.Fill(0);
  img.WritePixelIndex(8, 1, 1);
  EXPECT_FALSE(img.RaiseBpp(16));
  EXPECT_FALSE(img.RaiseBpp(2));
  EXPECT_TRUE(img.RaiseBpp(4));
  ASSERT_EQ(img.BitsPerPixel(), 4u);
  EXPECT_EQ(img.ReadPixelIndex(8, 1), 1);
  EXPECT_EQ(img.PaletteColor(1), Rgb(255, 255, 255));
  EXPECT_EQ(img.PaletteColor(2), Rgb(0, 0, 0));
  EXPECT_TRUE(img.RaiseBpp(4));  // already there
  EXPECT_TRUE(img.RaiseBpp(8));
  EXPECT_EQ(img.ReadPixelIndex(8, 1), 1);
  EXPECT_FALSE(img.RaiseBpp(4));  // can't go down
  EXPECT_FALSE(GbImage().RaiseBpp(24));
}

TEST(GbImageRaise, PaletteAlphaBecomesAlphaPlane) {
  GbImage img(3, 1, 8, 0);
  img.SetPaletteColor(0, 10, 20, 30, 0);
  img.SetPaletteColor(1, 40, 50, 60, 128);
  img.SetPaletteColor(3, 70, 80, 90, 255);
  img.WritePixelIndex(0, 0, 1);
  img.WritePixelIndex(1, 0, 3);
  img.WritePixelIndex(2, 0, 0);
  img.SetBackgroundIndex(3);
  ASSERT_TRUE(img.RaiseBpp(24));
  ASSERT_EQ(img.BitsPerPixel(), 24u);
  ASSERT_TRUE(img.HasAlpha());
  EXPECT_EQ(img.ReadPixelColor(0, 0, true), Rgb(40, 50, 60, 128));
  EXPECT_EQ(img.ReadPixelColor(1, 0, true), Rgb(70, 80, 90, 255));
  EXPECT_EQ(img.ReadPixelColor(2, 0, true), Rgb(10, 20, 30, 0));
  // The key becomes the colour of its entry.
  EXPECT_TRUE(img.HasBackgroundIndex());
  EXPECT_EQ(img.BackgroundColor(), Rgb(70, 80, 90));
  EXPECT_TRUE(img.IsTransparentAt(1, 0));
  EXPECT_FALSE(img.IsTransparentAt(0, 0));

  // No palette alpha: no plane; an existing plane wins over the palette.
  GbImage plain(2, 1, 4, 0);
  plain.SetStandardPalette();
  ASSERT_TRUE(plain.RaiseBpp(24));
  EXPECT_FALSE(plain.HasAlpha());
  GbImage both(2, 1, 8, 0);
  both.SetPaletteColor(0, 1, 2, 3, 99);
  both.Fill(0);
  both.CreateAlpha();
  both.WriteAlpha(1, 0, 5);
  ASSERT_TRUE(both.RaiseBpp(24));
  EXPECT_EQ(both.ReadAlpha(0, 0), 255);
  EXPECT_EQ(both.ReadAlpha(1, 0), 5);
}

TEST(GbImageRaise, EscapeCommitsADefinedPartialResult) {
  GbImage img(4, 3, 8, 0);
  img.SetStandardPalette();
  img.Fill(15);
  img.SetEscape(1);
  ASSERT_TRUE(img.RaiseBpp(24));
  for (long y = 0; y < 3; ++y) EXPECT_EQ(img.ReadPixelColor(2, y, false), Rgb(0, 0, 0));
}

TEST(GbImageDecrease, DepthRules) {
  GbImage four(3, 3, 4, 0);
  EXPECT_FALSE(four.DecreaseBpp(8, false));
  EXPECT_STREQ(four.LastError(), "DecreaseBpp: target BPP greater than source BPP");
  GbImage eight(3, 3, 8, 0);
  EXPECT_FALSE(eight.DecreaseBpp(16, false));
  EXPECT_STREQ(eight.LastError(), "DecreaseBpp: target BPP greater than source BPP");

  GbImage rgb = GreyRows({{1, 2, 3}, {4, 5, 6}});
  rgb.WritePixelColor(1, 1, Rgb(9, 8, 7));
  ASSERT_TRUE(rgb.DecreaseBpp(16, false));
  EXPECT_EQ(rgb.BitsPerPixel(), 24u);
  EXPECT_EQ(rgb.ReadPixelColor(1, 1, false), Rgb(9, 8, 7));
  EXPECT_EQ(rgb.ReadPixelColor(2, 0, false), Rgb(3, 3, 3));

  // Same depth: nothing to do without a count, or when the image already
  // uses fewer important colours than asked.
  eight.SetStandardPalette();
  eight.Fill(200);
  ASSERT_TRUE(eight.DecreaseBpp(8, false));
  EXPECT_EQ(eight.ReadPixelIndex(0, 0), 200);
  eight.SetColorsImportant(10);
  ASSERT_TRUE(eight.DecreaseBpp(8, false, nullptr, 16));
  EXPECT_EQ(eight.ReadPixelIndex(0, 0), 200);
  EXPECT_EQ(eight.ColorsImportant(), 10u);
  ASSERT_TRUE(eight.DecreaseBpp(8, false, nullptr, 4));
  EXPECT_LT(eight.ReadPixelIndex(0, 0), 4);
  EXPECT_EQ(eight.ColorsImportant(), 4u);
  EXPECT_FALSE(GbImage().DecreaseBpp(1, false));
}

TEST(GbImageDecrease, TwoBitRequestReadsOnlyFourGivenColours) {
  // The caller's palette has exactly the 2^2 entries a 2-bit request needs;
  // the 4-bit result must not read past them (the sanitizer build notices).
  const std::unique_ptr<RGBQUAD[]> four(
      new RGBQUAD[4]{Rgb(0, 0, 0), Rgb(255, 0, 0), Rgb(0, 0, 255), Rgb(255, 255, 255)});
  GbImage img = GreyRows({{0, 250}, {255, 10}});
  img.WritePixelColor(0, 0, Rgb(250, 10, 10));
  ASSERT_TRUE(img.DecreaseBpp(2, false, four.get()));
  EXPECT_EQ(img.BitsPerPixel(), 4u);
  EXPECT_EQ(img.ReadPixelIndex(0, 0), 1);
  EXPECT_EQ(img.ReadPixelIndex(1, 0), 3);
  EXPECT_EQ(img.ReadPixelIndex(0, 1), 3);
  EXPECT_EQ(img.ReadPixelIndex(1, 1), 0);
  EXPECT_EQ(img.Palette()[3], Rgb(255, 255, 255));
}

TEST(GbImageDecrease, NoDiffusionPicksNearestStandardEntry) {
  GbImage img(16, 16, 24, 0);
  for (long y = 0; y < 16; ++y)
    for (long x = 0; x < 16; ++x) img.WritePixelColor(x, y, Rgb(int(x * 17), int(y * 16), int((x * y) % 256)));
  const GbImage original(img);
  img.CreateAlpha();
  img.WriteAlpha(3, 3, 42);
  ASSERT_TRUE(img.DecreaseBpp(8, false));
  ASSERT_EQ(img.BitsPerPixel(), 8u);
  EXPECT_EQ(img.ReadAlpha(3, 3), 42);
  GbImage standard(1, 1, 8, 0);
  standard.SetStandardPalette();
  for (long y = 0; y < 16; ++y)
    for (long x = 0; x < 16; ++x) {
      const RGBQUAD c = original.ReadPixelColor(x, y, false);
      const int got = img.ReadPixelIndex(x, y);
      EXPECT_EQ(img.PaletteColor(uint32_t(got)), standard.PaletteColor(uint32_t(got)));
      auto dist = [&](int i) {
        const RGBQUAD p = standard.PaletteColor(uint32_t(i));
        const int db = p.rgbBlue - c.rgbBlue, dg = p.rgbGreen - c.rgbGreen, dr = p.rgbRed - c.rgbRed;
        return db * db + dg * dg + dr * dr;
      };
      // Nearest, and the lowest index among equally near entries.
      for (int i = 0; i < 256; ++i) {
        ASSERT_GE(dist(i), dist(got)) << x << "," << y;
        if (i < got) {
          ASSERT_GT(dist(i), dist(got)) << x << "," << y;
        }
      }
    }
}

TEST(GbImageDecrease, ErrorDiffusionMatchesHandWorkedValues) {
  // 1 bit, standard black/white. Bottom row 100, 150, 200: 100 -> black and
  // passes 700/16 = 43 right (150 -> 193), 25 up, 6 up-right (120 -> 126);
  // 193 -> white passes -62 on: -27, -7, -15, -3 (truncated toward zero) ...
  // the upper middle pixel ends at 130 and turns white, where a plain
  // threshold of 120 would give black.
  GbImage bw = GreyRows({{100, 150, 200}, {50, 120, 250}});
  GbImage plain(bw);
  ASSERT_TRUE(bw.DecreaseBpp(1, true));
  ASSERT_EQ(bw.BitsPerPixel(), 1u);
  ExpectIndices(bw, {{0, 1, 1}, {0, 1, 1}});
  ASSERT_TRUE(plain.DecreaseBpp(1, false));
  ExpectIndices(plain, {{0, 1, 1}, {0, 0, 1}});

  // 4 bits through a given palette of 16 greys (steps of 17). These values
  // tell truncation from flooring and the 7/2/4/1 weights from 7/3/5/1.
  RGBQUAD greys[16];
  for (int i = 0; i < 16; ++i) greys[i] = Rgb(17 * i, 17 * i, 17 * i);
  GbImage img = GreyRows({{10, 30, 60, 95}, {130, 160, 200, 245}, {5, 250, 120, 77}});
  ASSERT_TRUE(img.DecreaseBpp(4, true, greys, 0));
  ASSERT_EQ(img.BitsPerPixel(), 4u);
  EXPECT_EQ(img.PaletteColor(15), Rgb(255, 255, 255));
  ExpectIndices(img, {{1, 2, 3, 6}, {8, 9, 12, 14}, {0, 15, 7, 5}});
}

TEST(GbImageDecrease, ColoursImportantLimitsThePalette) {
  GbImage img(64, 4, 24, 0);
  for (long y = 0; y < 4; ++y)
    for (long x = 0; x < 64; ++x) img.WritePixelColor(x, y, Rgb(int(x * 4), int(x * 4), int(x * 4)));
  RGBQUAD ramp[256];
  for (int i = 0; i < 256; ++i) ramp[i] = Rgb(i, i, i);
  ASSERT_TRUE(img.DecreaseBpp(8, true, ramp, 16));
  EXPECT_EQ(img.ColorsImportant(), 16u);
  int highest = 0;
  for (long y = 0; y < 4; ++y)
    for (long x = 0; x < 64; ++x) highest = std::max<int>(highest, img.ReadPixelIndex(x, y));
  EXPECT_EQ(highest, 15);
  EXPECT_EQ(img.ReadPixelIndex(0, 0), 0);
}

TEST(GbImageDecrease, KeyFollowsItsColourIntoTheNewPalette) {
  GbImage img(2, 1, 24, 0);
  img.WritePixelColor(0, 0, Rgb(0, 0, 255));
  img.WritePixelColor(1, 0, Rgb(200, 10, 10));
  img.SetBackgroundColor(Rgb(0, 0, 255));
  img.SetBackgroundIndex(0);
  ASSERT_TRUE(img.DecreaseBpp(4, false));
  EXPECT_EQ(img.BackgroundIndex(), 12);  // blue in the 16-colour palette
  EXPECT_TRUE(img.IsTransparentAt(0, 0));
  EXPECT_FALSE(img.IsTransparentAt(1, 0));
}

// The reduction's palette search must pick exactly what the image's own
// nearest-colour scan picks (least squared distance, lowest index among
// equals), also for palettes full of equal and equidistant entries; the
// reference below diffuses with that scan, pixel by pixel.
TEST(GbImageDecrease, DiffusionPicksWhatTheFullScanPicks) {
  uint32_t seed = 12345;
  const auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) & 0xFF;
  };
  GbImage source(97, 41, 24, 0);
  for (long y = 0; y < 41; ++y)
    for (long x = 0; x < 97; ++x) source.WritePixelColor(x, y, Rgb(int(next()), int(next()), int(next())));

  RGBQUAD coarse[256];  // few levels: many equidistant and repeated entries
  for (int i = 0; i < 256; ++i) coarse[i] = Rgb(int(next() & 0xC0), int(next() & 0x80), int(next() & 0xE0));
  coarse[200] = coarse[3];
  for (const RGBQUAD* palette : {static_cast<const RGBQUAD*>(nullptr), static_cast<const RGBQUAD*>(coarse)})
    for (uint32_t important : {0u, 37u}) {
      for (bool diffuse : {false, true}) {
        SCOPED_TRACE(testing::Message() << (palette ? "coarse" : "standard") << " palette, " << important
                                        << " important, diffusion " << diffuse);
        GbImage fast(source);
        ASSERT_TRUE(fast.DecreaseBpp(8, diffuse, palette, important));

        GbImage work(source), expected(97, 41, 8, 0);
        if (palette)
          expected.SetPalette(palette, important ? important : 256);
        else
          expected.SetStandardPalette();
        if (important) expected.SetColorsImportant(important);
        for (long y = 0; y < 41; ++y)
          for (long x = 0; x < 97; ++x) {
            const RGBQUAD c = work.ReadPixelColor(x, y);
            const uint8_t index = expected.NearestPaletteIndex(Rgb(c.rgbRed, c.rgbGreen, c.rgbBlue));
            expected.WritePixelIndex(x, y, index);
            if (!diffuse) continue;
            const RGBQUAD q = expected.PaletteColor(index);
            const int e[3] = {c.rgbRed - q.rgbRed, c.rgbGreen - q.rgbGreen, c.rgbBlue - q.rgbBlue};
            const long dx[4] = {1, -1, 0, 1}, dy[4] = {0, 1, 1, 1};
            const int w[4] = {7, 2, 4, 1};
            for (int k = 0; k < 4; ++k) {
              const long nx = x + dx[k], ny = y + dy[k];
              if (nx < 0 || nx >= 97 || ny >= 41) continue;
              const RGBQUAD n = work.ReadPixelColor(nx, ny);
              const auto add = [&](int v, int err) { return std::clamp(v + err * w[k] / 16, 0, 255); };
              work.WritePixelColor(nx, ny, Rgb(add(n.rgbRed, e[0]), add(n.rgbGreen, e[1]), add(n.rgbBlue, e[2])));
            }
          }
        for (long y = 0; y < 41; ++y)
          for (long x = 0; x < 97; ++x)
            ASSERT_EQ(fast.ReadPixelIndex(x, y), expected.ReadPixelIndex(x, y)) << x << "," << y;
      }
    }
}

namespace {

// The plain reduction: every pixel looked up by the image's own full scan,
// the error carried pixel by pixel through the checked accessors.
GbImage PlainReduction(const GbImage& source, uint32_t bits, bool diffuse, const RGBQUAD* palette, uint32_t count) {
  GbImage work(source), expected(source.Width(), source.Height(), bits, 0);
  if (palette)
    expected.SetPalette(palette, count);
  else
    expected.SetStandardPalette();
  const long w = long(source.Width()), h = long(source.Height());
  for (long y = 0; y < h; ++y)
    for (long x = 0; x < w; ++x) {
      const RGBQUAD c = work.ReadPixelColor(x, y);
      const uint8_t index = expected.NearestPaletteIndex(Rgb(c.rgbRed, c.rgbGreen, c.rgbBlue));
      expected.WritePixelIndex(x, y, index);
      if (!diffuse) continue;
      const RGBQUAD q = expected.PaletteColor(index);
      const int e[3] = {c.rgbRed - q.rgbRed, c.rgbGreen - q.rgbGreen, c.rgbBlue - q.rgbBlue};
      const long dx[4] = {1, -1, 0, 1}, dy[4] = {0, 1, 1, 1};
      const int wt[4] = {7, 2, 4, 1};
      for (int k = 0; k < 4; ++k) {
        const long nx = x + dx[k], ny = y + dy[k];
        if (nx < 0 || nx >= w || ny >= h) continue;
        const RGBQUAD n = work.ReadPixelColor(nx, ny);
        const auto add = [&](int v, int err) { return std::clamp(v + err * wt[k] / 16, 0, 255); };
        work.WritePixelColor(nx, ny, Rgb(add(n.rgbRed, e[0]), add(n.rgbGreen, e[1]), add(n.rgbBlue, e[2])));
      }
    }
  return expected;
}

}  // namespace

// The inverse colour map behind the reduction against the plain full scan:
// every source depth, every target depth, odd sizes, one row, one column,
// and palettes with repeated and equidistant entries.
TEST(GbImageDecrease, InverseMapMatchesThePlainScanAtEveryDepthAndShape) {
  uint32_t seed = 777;
  const auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return int((seed >> 16) & 0xFF);
  };
  RGBQUAD coarse[256];
  for (int i = 0; i < 256; ++i) coarse[i] = Rgb(next() & 0xE0, next() & 0xC0, next() & 0xF0);
  coarse[255] = coarse[0];
  coarse[17] = Rgb(0, 0, 0);
  coarse[18] = Rgb(0, 0, 0);
  const long sizes[][2] = {{1, 1}, {1, 37}, {53, 1}, {67, 29}};
  for (uint32_t sourceBits : {24u, 8u, 4u, 1u})
    for (const auto& size : sizes) {
      GbImage source{uint32_t(size[0]), uint32_t(size[1]), sourceBits, 0};
      if (sourceBits != 24) {
        RGBQUAD pal[256];
        for (auto& e : pal) e = Rgb(next(), next(), next());
        source.SetPalette(pal, 1u << sourceBits);
      }
      for (long y = 0; y < size[1]; ++y)
        for (long x = 0; x < size[0]; ++x) {
          if (sourceBits == 24)
            source.WritePixelColor(x, y, Rgb(next(), next(), next()));
          else
            source.WritePixelIndex(x, y, uint8_t(next() & ((1 << sourceBits) - 1)));
        }
      for (uint32_t bits : {8u, 4u, 1u}) {
        if (bits > sourceBits) continue;
        for (const RGBQUAD* palette : {static_cast<const RGBQUAD*>(nullptr), static_cast<const RGBQUAD*>(coarse)})
          for (bool diffuse : {false, true}) {
            SCOPED_TRACE(testing::Message()
                         << sourceBits << " -> " << bits << " bits, " << size[0] << " x " << size[1]
                         << (palette ? ", coarse" : ", standard") << " palette" << (diffuse ? ", diffused" : ""));
            GbImage fast(source);
            if (bits == sourceBits) fast.SetColorsImportant(0);
            const uint32_t count = 1u << bits;
            if (!fast.DecreaseBpp(bits, diffuse, palette, bits == sourceBits ? count : 0)) {
              ADD_FAILURE() << fast.LastError();
              continue;
            }
            const GbImage plain = PlainReduction(source, bits, diffuse, palette, count);
            ASSERT_EQ(fast.BitsPerPixel(), bits);
            for (long y = 0; y < size[1]; ++y)
              for (long x = 0; x < size[0]; ++x)
                ASSERT_EQ(fast.ReadPixelIndex(x, y), plain.ReadPixelIndex(x, y)) << x << "," << y;
          }
      }
    }
}

// The map on its own, over the whole colour cube in a coarse stride plus
// every colour of one cell, against the image's scan.
TEST(GbImageDecrease, InverseMapAnswersTheFullScanOverTheCube) {
  GbImage img(2, 3, 8, 0);
  RGBQUAD pal[256];
  for (int i = 0; i < 256; ++i) pal[i] = Rgb((i * 37) & 0xF8, (i * 11) & 0xF0, (i * 5) & 0xFC);
  pal[250] = pal[12];
  img.SetPalette(pal, 256);
  img.SetColorsImportant(251);
  gbimage::NearestColourMap map(img);
  for (int r = 0; r < 256; r += 5)
    for (int g = 1; g < 256; g += 7)
      for (int b = 2; b < 256; b += 3)
        ASSERT_EQ(map(r, g, b), img.NearestPaletteIndex(Rgb(r, g, b))) << r << "," << g << "," << b;
  for (int r = 248; r < 256; ++r)
    for (int g = 0; g < 8; ++g)
      for (int b = 120; b < 128; ++b)
        ASSERT_EQ(map(r, g, b), img.NearestPaletteIndex(Rgb(r, g, b))) << r << "," << g << "," << b;
  // An entry that only touches a cell's bound at one corner still ties
  // there and, with the lower index, wins: (7,7,7) is 147 from both.
  const RGBQUAD corner[3] = {Rgb(14, 14, 14), Rgb(0, 0, 0), Rgb(255, 255, 255)};
  GbImage three(1, 1, 8, 0);
  three.SetPalette(corner, 3);
  gbimage::NearestColourMap cornerMap(corner, 3);
  EXPECT_EQ(cornerMap(7, 7, 7), 0);
  EXPECT_EQ(three.NearestPaletteIndex(Rgb(7, 7, 7)), 0);
  EXPECT_EQ(cornerMap(6, 7, 7), 1);
  EXPECT_EQ(cornerMap(8, 8, 8), 0);
  gbimage::NearestColourMap empty(nullptr, 0);
  EXPECT_EQ(empty(1, 2, 3), 0);
}
