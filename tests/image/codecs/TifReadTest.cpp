// Reading TIFF pages: depths and palettes of the own reader, the 16-bit
// gain, CIELab, alpha, orientation, pages and damaged files.
#include <gtest/gtest.h>

#include <string>

#include "image/codecs/GbImageTIF.h"
#include "image/io/GbIOFile.h"
#include "image/io/GbMemFile.h"
#include "tests/image/codecs/TifFiles.h"
#include "tests/support/TestSupport.h"

using tiftest::IndexTop;
using tiftest::Page;
using tiftest::RgbTop;

namespace {

// Writes the pages and loads page `frame` as the program does.
struct Loaded {
  gbtest::TempDir dir;
  GbImage image;
  bool ok = false;
  Loaded(const std::vector<Page>& pages, long frame = 0) {
    const std::string path = dir.file("t.tif");
    EXPECT_TRUE(tiftest::Write(path, pages));
    image.SetFrame(frame);
    ok = image.LoadFile(path.c_str(), GB_TYPE_TIF);
  }
};

Page Grey(uint32_t w, uint32_t h, uint16_t bits, std::vector<uint8_t> data) {
  Page p;
  p.width = w;
  p.height = h;
  p.bits = bits;
  p.data = std::move(data);
  return p;
}

}  // namespace

TEST(TifRead, OneBitPalettesFollowMinIsWhiteOrBlack) {
  Page p = Grey(8, 1, 1, {0x0F});  // left half 0, right half 1
  p.photometric = PHOTOMETRIC_MINISWHITE;
  Loaded white({p});
  ASSERT_TRUE(white.ok) << white.image.LastError();
  EXPECT_EQ(white.image.BitsPerPixel(), 1u);
  EXPECT_EQ(RgbTop(white.image, 0, 0), 0xFFFFFFu);
  EXPECT_EQ(RgbTop(white.image, 7, 0), 0x000000u);
  EXPECT_EQ(white.image.PaletteColor(0).rgbRed, 255);

  p.photometric = PHOTOMETRIC_MINISBLACK;
  Loaded black({p});
  ASSERT_TRUE(black.ok);
  EXPECT_EQ(RgbTop(black.image, 0, 0), 0x000000u);
  EXPECT_EQ(RgbTop(black.image, 7, 0), 0xFFFFFFu);
  EXPECT_EQ(IndexTop(black.image, 7, 0), 1);
}

TEST(TifRead, SmallAndWideGreySamples) {
  // 2 bits: an 8-bit image holding 0..3 over a 0, 85, 170, 255 ramp.
  Loaded two({Grey(4, 1, 2, {0x1B})});  // 00 01 10 11
  ASSERT_TRUE(two.ok) << two.image.LastError();
  EXPECT_EQ(two.image.BitsPerPixel(), 8u);
  for (int x = 0; x < 4; ++x) {
    EXPECT_EQ(IndexTop(two.image, x, 0), x);
    EXPECT_EQ(two.image.PaletteColor(uint32_t(x)).rgbGreen, 85 * x);
  }
  // 12 bits: the top 8 bits of each sample.
  Loaded twelve({Grey(2, 1, 12, {0xABC >> 4, uint8_t((0xABC << 4) | (0x123 >> 8)), 0x23})});
  ASSERT_TRUE(twelve.ok);
  EXPECT_EQ(IndexTop(twelve.image, 0, 0), 0xAB);
  EXPECT_EQ(IndexTop(twelve.image, 1, 0), 0x12);
  // 4 bits stay 4 bits; min-is-white inverts the ramp.
  Page four = Grey(2, 1, 4, {0x0F});
  four.photometric = PHOTOMETRIC_MINISWHITE;
  Loaded inv({four});
  ASSERT_TRUE(inv.ok);
  EXPECT_EQ(inv.image.BitsPerPixel(), 4u);
  EXPECT_EQ(RgbTop(inv.image, 0, 0), 0xFFFFFFu);
  EXPECT_EQ(RgbTop(inv.image, 1, 0), 0x000000u);
}

TEST(TifRead, SixteenBitGreyGainStrippedButHighByteTiled) {
  // Largest sample 4095: every pixel becomes sample >> 4, although each
  // strip row on its own would allow another gain.
  Page p = Grey(2, 2, 16, tiftest::Words({4095, 16, 255, 100}));
  p.rowsPerStrip = 1;
  Loaded stripped({p});
  ASSERT_TRUE(stripped.ok) << stripped.image.LastError();
  EXPECT_EQ(IndexTop(stripped.image, 0, 0), 255);
  EXPECT_EQ(IndexTop(stripped.image, 1, 0), 1);
  EXPECT_EQ(IndexTop(stripped.image, 0, 1), 15);
  EXPECT_EQ(IndexTop(stripped.image, 1, 1), 6);

  // Samples below 256 keep their low bytes.
  Loaded low({Grey(2, 1, 16, tiftest::Words({200, 7}))});
  ASSERT_TRUE(low.ok);
  EXPECT_EQ(IndexTop(low.image, 0, 0), 200);
  EXPECT_EQ(IndexTop(low.image, 1, 0), 7);

  p.tile = 16;
  Loaded tiled({p});
  ASSERT_TRUE(tiled.ok) << tiled.image.LastError();
  EXPECT_EQ(IndexTop(tiled.image, 0, 0), 4095 >> 8);
  EXPECT_EQ(IndexTop(tiled.image, 0, 1), 0);
}

TEST(TifRead, ColourMapsTakenAsTheyAreOrScaled) {
  Page p = Grey(2, 1, 1, {0x40});
  p.photometric = PHOTOMETRIC_PALETTE;
  p.colorMap[0] = {10, 200};
  p.colorMap[1] = {20, 100};
  p.colorMap[2] = {30, 0};
  Loaded small({p});
  ASSERT_TRUE(small.ok) << small.image.LastError();
  EXPECT_EQ(RgbTop(small.image, 0, 0), 0x0A141Eu);
  EXPECT_EQ(RgbTop(small.image, 1, 0), 0xC86400u);

  p.colorMap[0] = {65535, 257};
  p.colorMap[1] = {32768, 0};
  p.colorMap[2] = {0, 65535};
  Loaded wide({p});
  ASSERT_TRUE(wide.ok);
  EXPECT_EQ(RgbTop(wide.image, 0, 0), 0xFF7F00u);  // 32768 * 255 / 65535 = 127
  EXPECT_EQ(RgbTop(wide.image, 1, 0), 0x0100FFu);

  // Indices of more than 8 bits make a 24-bit picture through the map.
  Page big = Grey(2, 1, 16, tiftest::Words({0, 300}));
  big.photometric = PHOTOMETRIC_PALETTE;
  for (int c = 0; c < 3; ++c) big.colorMap[c].assign(65536, 0);
  big.colorMap[0][300] = 65535;
  big.colorMap[2][0] = 65535;
  Loaded large({big});
  ASSERT_TRUE(large.ok) << large.image.LastError();
  EXPECT_EQ(large.image.BitsPerPixel(), 24u);
  EXPECT_EQ(RgbTop(large.image, 0, 0), 0x0000FFu);
  EXPECT_EQ(RgbTop(large.image, 1, 0), 0xFF0000u);
}

TEST(TifRead, AlphaFromTheExtraSample) {
  Page p;
  p.width = 3;
  p.photometric = PHOTOMETRIC_RGB;
  p.samples = 4;
  p.extraSample = EXTRASAMPLE_UNASSALPHA;
  p.data = {255, 0, 0, 255, 0, 255, 0, 0, 200, 100, 50, 128};
  Loaded rgba({p});
  ASSERT_TRUE(rgba.ok) << rgba.image.LastError();
  ASSERT_TRUE(rgba.image.HasAlpha());
  EXPECT_EQ(RgbTop(rgba.image, 0, 0), 0xFF0000u);
  EXPECT_EQ(rgba.image.ReadAlpha(0, 0), 255);
  EXPECT_EQ(rgba.image.ReadAlpha(1, 0), 0);
  EXPECT_EQ(rgba.image.ReadAlpha(2, 0), 128);
  // Straight colours survive libtiff's premultiplication within its rounding.
  const RGBQUAD c = rgba.image.ReadPixelColor(2, 0, false);
  EXPECT_NEAR(c.rgbRed, 200, 2);
  EXPECT_NEAR(c.rgbGreen, 100, 2);
  EXPECT_NEAR(c.rgbBlue, 50, 2);

  // Grey and alpha in separate planes.
  Page ga = Grey(2, 1, 8, {10, 20, 255, 0});
  ga.samples = 2;
  ga.planar = PLANARCONFIG_SEPARATE;
  ga.extraSample = EXTRASAMPLE_UNASSALPHA;
  Loaded grey({ga});
  ASSERT_TRUE(grey.ok) << grey.image.LastError();
  EXPECT_EQ(IndexTop(grey.image, 0, 0), 10);
  EXPECT_EQ(IndexTop(grey.image, 1, 0), 20);
  EXPECT_EQ(grey.image.ReadAlpha(0, 0), 255);
  EXPECT_EQ(grey.image.ReadAlpha(1, 0), 0);
}

TEST(TifRead, ThreeSamplesOfTheOwnReaderAreCieLab) {
  Page p = Grey(3, 1, 8, {255, 0, 0, 0, 0, 0, 138, 80, 67});
  p.samples = 3;
  p.photometric = PHOTOMETRIC_CIELAB;
  Loaded lab({p});
  ASSERT_TRUE(lab.ok) << lab.image.LastError();
  ASSERT_EQ(lab.image.BitsPerPixel(), 24u);
  // From the conversion formulas: plain cubes, so L = 0 is not quite black.
  EXPECT_EQ(RgbTop(lab.image, 0, 0), 0xFFFEFEu);
  EXPECT_EQ(RgbTop(lab.image, 1, 0), 0x080808u);
  EXPECT_EQ(RgbTop(lab.image, 2, 0), 0xFF0B03u);
}

TEST(TifRead, OrientationTurnsTheOwnReadersPages) {
  // Stored 3 x 2: top row a b c, bottom row d e f.
  Page p = Grey(3, 2, 8, {1, 2, 3, 4, 5, 6});
  p.orientation = ORIENTATION_BOTRIGHT;  // 3: turned half way
  Loaded half({p});
  ASSERT_TRUE(half.ok);
  EXPECT_EQ(IndexTop(half.image, 0, 0), 6);
  EXPECT_EQ(IndexTop(half.image, 2, 1), 1);

  p.orientation = ORIENTATION_RIGHTTOP;  // 6: a quarter clockwise
  Loaded quarter({p});
  ASSERT_TRUE(quarter.ok);
  ASSERT_EQ(quarter.image.Width(), 2u);
  ASSERT_EQ(quarter.image.Height(), 3u);
  EXPECT_EQ(IndexTop(quarter.image, 0, 0), 4);
  EXPECT_EQ(IndexTop(quarter.image, 1, 0), 1);
  EXPECT_EQ(IndexTop(quarter.image, 1, 2), 3);
}

TEST(TifRead, PagesFrameCountAndProbe) {
  std::vector<Page> pages;
  for (uint8_t i = 0; i < 3; ++i) pages.push_back(Grey(1 + i, 1, 8, std::vector<uint8_t>(1 + i, uint8_t(10 * i))));
  Loaded second(pages, 1);
  ASSERT_TRUE(second.ok);
  EXPECT_EQ(second.image.Width(), 2u);
  EXPECT_EQ(second.image.FrameCount(), 3);
  EXPECT_EQ(IndexTop(second.image, 1, 0), 10);

  Loaded missing(pages, 3);
  EXPECT_FALSE(missing.ok);
  EXPECT_STREQ(missing.image.LastError(), "Error: page not present in TIFF file");
  EXPECT_EQ(missing.image.FrameCount(), 3);

  gbtest::TempDir dir;
  const std::string path = dir.file("p.tif");
  ASSERT_TRUE(tiftest::Write(path, {Grey(300, 200, 8, std::vector<uint8_t>(60000))}));
  GbImage probe;
  GbIOFile file;
  ASSERT_TRUE(file.Open(path.c_str(), "rb"));
  uint32_t width = 0, height = 0;
  ASSERT_TRUE(probe.ProbeSize(&file, GB_TYPE_TIF, width, height));
  EXPECT_FALSE(probe.HasPixels());
  EXPECT_EQ(probe.Width(), 300u);
  EXPECT_EQ(probe.Height(), 200u);
  EXPECT_STREQ(probe.LastError(), "output dimensions returned");
}

TEST(TifRead, SettingsFromTheTags) {
  Page p = Grey(1, 1, 8, {0});
  p.dpi = 300;
  p.compression = COMPRESSION_LZW;
  Loaded img({p});
  ASSERT_TRUE(img.ok);
  EXPECT_EQ(img.image.DpiX(), 300);
  EXPECT_EQ(img.image.BackgroundIndex(), -1);
  EXPECT_EQ(img.image.CodecOption(GB_TYPE_TIF), uint32_t(COMPRESSION_LZW));
  EXPECT_EQ(img.image.FileType(), uint32_t(GB_TYPE_TIF));
}

namespace {

// Points strip `strip` of a classic little-endian file past its end.
void BreakStrip(std::string& bytes, uint32_t strip) {
  auto u16 = [&](size_t at) { return uint32_t(uint8_t(bytes[at]) | (uint8_t(bytes[at + 1]) << 8)); };
  auto u32 = [&](size_t at) { return u16(at) | (u16(at + 2) << 16); };
  const size_t ifd = u32(4);
  for (uint32_t e = 0; e < u16(ifd); ++e) {
    const size_t entry = ifd + 2 + 12 * size_t(e);
    if (u16(entry) != TIFFTAG_STRIPOFFSETS) continue;
    const size_t at = u32(entry + 8) + 4 * size_t(strip);
    bytes[at + 3] = 0x7F;
    return;
  }
  ADD_FAILURE() << "no strip offsets";
}

}  // namespace

TEST(TifRead, DamagedFilesEndCleanly) {
  gbtest::TempDir dir;
  const std::string path = dir.file("d.tif");
  Page p = Grey(4, 4, 8, std::vector<uint8_t>(16, 200));
  p.rowsPerStrip = 1;
  ASSERT_TRUE(tiftest::Write(path, {p}));
  std::string bytes = gbtest::ReadFile(path);
  ASSERT_EQ(bytes.substr(0, 2), "II");
  BreakStrip(bytes, 2);
  gbtest::WriteFile(path, bytes);
  // An unreadable strip ends the page: the rows before it stay, the rest is black.
  GbImage partial;
  ASSERT_TRUE(partial.LoadFile(path.c_str(), GB_TYPE_TIF)) << partial.LastError();
  EXPECT_EQ(IndexTop(partial, 3, 1), 200);
  EXPECT_EQ(IndexTop(partial, 0, 2), 0);
  EXPECT_EQ(IndexTop(partial, 3, 3), 0);

  // Cut before its directory, a file does not open.
  gbtest::WriteFile(path, bytes.substr(0, 20));
  GbImage cut;
  EXPECT_FALSE(cut.LoadFile(path.c_str(), GB_TYPE_TIF));
  EXPECT_STREQ(cut.LastError(), "Error encountered while opening TIFF file");

  for (const std::string& junk : {std::string("II*\0garbage", 11), std::string("MM\0*\0\0\0\x08", 8), std::string()}) {
    GbMemFile stream(reinterpret_cast<uint8_t*>(const_cast<char*>(junk.data())), int32_t(junk.size()));
    GbImage bad;
    EXPECT_FALSE(bad.Decode(&stream, GB_TYPE_TIF));
    EXPECT_STRNE(bad.LastError(), "");
  }
}
