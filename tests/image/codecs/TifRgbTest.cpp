// 8-bit RGB TIFF pages in tiles of many sizes and with a straight or
// premultiplied alpha sample, read back exactly.
#include <gtest/gtest.h>

#include "tests/image/codecs/TifFiles.h"
#include "tests/support/TestSupport.h"

namespace {

// width x height pixels of samples from a fixed seed; every fourth pixel's
// alpha is low (2), where premultiplying would lose the colour.
tiftest::Page RgbPage(uint32_t width, uint32_t height, uint16_t samples) {
  tiftest::Page p;
  p.width = width;
  p.height = height;
  p.samples = samples;
  p.photometric = PHOTOMETRIC_RGB;
  if (samples == 4) p.extraSample = EXTRASAMPLE_UNASSALPHA;
  uint32_t seed = 99;
  p.data.resize(size_t(width) * height * samples);
  for (size_t i = 0; i < p.data.size(); ++i) {
    seed = seed * 1664525u + 1013904223u;
    p.data[i] = uint8_t(seed >> 24);
    if (samples == 4 && i % 4 == 3) p.data[i] = (i / 4) % 4 == 0 ? 2 : p.data[i];
  }
  return p;
}

// Differences between the page's samples and the decoded picture.
int Mismatches(const tiftest::Page& p, const GbImage& img) {
  int bad = 0;
  for (uint32_t y = 0; y < p.height; ++y)
    for (uint32_t x = 0; x < p.width; ++x) {
      const uint8_t* s = p.data.data() + (size_t(y) * p.width + x) * p.samples;
      bad += tiftest::RgbTop(img, long(x), long(y)) != (uint32_t(s[0]) << 16 | uint32_t(s[1]) << 8 | s[2]);
      if (p.samples == 4) bad += img.ReadAlpha(long(x), long(p.height - 1 - y)) != s[3];
    }
  return bad;
}

}  // namespace

TEST(TifRgb, TilesOfEverySizeAndStripsReadExactly) {
  gbtest::TempDir dir;
  // Sizes that are and are not tile multiples; many small tiles.
  const uint32_t sizes[][2] = {{128, 128}, {70, 45}, {45, 70}};
  for (const auto& size : sizes)
    for (uint16_t samples : {3, 4})
      for (uint16_t compression : {COMPRESSION_NONE, COMPRESSION_LZW})
        for (uint32_t tile : {0u, 16u, 32u, 48u, 64u})
          for (uint32_t strip : {1u, 7u}) {
            if (tile && strip != 1) continue;
            tiftest::Page p = RgbPage(size[0], size[1], samples);
            p.compression = compression;
            p.tile = tile;
            p.rowsPerStrip = strip;
            const std::string what = std::to_string(size[0]) + "x" + std::to_string(size[1]) + " samples " +
                                     std::to_string(samples) + " compression " + std::to_string(compression) +
                                     " tile " + std::to_string(tile) + " strip " + std::to_string(strip);
            const std::string path = dir.file("p.tif");
            ASSERT_TRUE(tiftest::Write(path, {p})) << what;
            GbImage img;
            ASSERT_TRUE(img.LoadFile(path.c_str(), GB_TYPE_TIF)) << what << ": " << img.LastError();
            ASSERT_EQ(img.Width(), size[0]);
            ASSERT_EQ(img.HasAlpha(), samples == 4) << what;
            EXPECT_EQ(Mismatches(p, img), 0) << what;
          }
}

TEST(TifRgb, PremultipliedAlphaIsDividedBack) {
  gbtest::TempDir dir;
  tiftest::Page p = RgbPage(3, 2, 4);
  p.extraSample = EXTRASAMPLE_ASSOCALPHA;
  p.data = {100, 50, 25, 200, 0, 0, 0, 0, 9, 9, 9, 255, 255, 255, 255, 128, 60, 30, 10, 120, 1, 2, 3, 2};
  ASSERT_TRUE(tiftest::Write(dir.file("a.tif"), {p}));
  GbImage img;
  ASSERT_TRUE(img.LoadFile(dir.file("a.tif").c_str(), GB_TYPE_TIF)) << img.LastError();
  EXPECT_EQ(tiftest::RgbTop(img, 0, 0), 0x7F3F1Fu);  // 100 * 255 / 200 ...
  EXPECT_EQ(tiftest::RgbTop(img, 2, 0), 0x090909u);  // opaque: as stored
  EXPECT_EQ(tiftest::RgbTop(img, 0, 1), 0xFFFFFFu);  // colour above its alpha is clipped
  EXPECT_EQ(tiftest::RgbTop(img, 1, 1), 0x7F3F15u);
  EXPECT_EQ(tiftest::RgbTop(img, 2, 1), 0x7FFFFFu);
  EXPECT_EQ(img.ReadAlpha(0, 1), 200);
  EXPECT_EQ(img.ReadAlpha(2, 0), 2);
}
