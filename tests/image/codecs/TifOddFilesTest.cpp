// TIFF pages other programs write that the reader met less often: wide
// min-is-white greys, floating-point samples, 16-bit and planar colour.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/image/codecs/TifFiles.h"
#include "tests/support/TestSupport.h"

using tiftest::IndexTop;
using tiftest::Page;
using tiftest::RgbTop;

namespace {

struct Loaded {
  gbtest::TempDir dir;
  GbImage image;
  bool ok = false;
  explicit Loaded(const Page& page, int sampleFormat = 0, int predictor = 0) {
    const std::string path = dir.file("t.tif");
    EXPECT_TRUE(Write(path, page, sampleFormat, predictor));
    ok = image.LoadFile(path.c_str(), GB_TYPE_TIF);
  }
  // tiftest::Write plus the tags it does not know.
  static bool Write(const std::string& path, const Page& p, int sampleFormat, int predictor) {
    if (!sampleFormat && !predictor) return tiftest::Write(path, {p});
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (!tif) return false;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, p.width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, p.height);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, p.samples);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, p.bits);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, p.photometric);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, p.planar);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, p.compression);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, p.height);
    if (sampleFormat) TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, sampleFormat);
    if (predictor) TIFFSetField(tif, TIFFTAG_PREDICTOR, predictor);
    std::vector<uint8_t> data = p.data;
    const bool ok = TIFFWriteEncodedStrip(tif, 0, data.data(), tmsize_t(data.size())) >= 0;
    TIFFClose(tif);
    return ok;
  }
};

std::vector<uint8_t> Floats(std::initializer_list<float> values) {
  std::vector<uint8_t> out(values.size() * 4);
  std::memcpy(out.data(), values.begin(), out.size());
  return out;
}

}  // namespace

TEST(TifOddFiles, TwelveBitMinIsWhiteIsInverted) {
  Page p;
  p.width = 3;
  p.height = 1;
  p.bits = 12;
  p.photometric = PHOTOMETRIC_MINISWHITE;
  // 0x000, 0xFFF, 0x800 packed: 000 FFF 800 (+ 4 bits of padding)
  p.data = {0x00, 0x0F, 0xFF, 0x80, 0x00};
  Loaded l(p);
  ASSERT_TRUE(l.ok) << l.image.LastError();
  EXPECT_EQ(RgbTop(l.image, 0, 0), 0xFFFFFFu);
  EXPECT_EQ(RgbTop(l.image, 1, 0), 0x000000u);
  EXPECT_EQ(RgbTop(l.image, 2, 0), 0x7F7F7Fu);
}

TEST(TifOddFiles, FloatingPointSamplesScaleFromOneTo255) {
  Page grey;
  grey.width = 4;
  grey.height = 1;
  grey.bits = 32;
  grey.data = Floats({0.0f, 1.0f, 0.5f, 2.0f});
  Loaded g(grey, SAMPLEFORMAT_IEEEFP);
  ASSERT_TRUE(g.ok) << g.image.LastError();
  EXPECT_EQ(RgbTop(g.image, 0, 0), 0x000000u);
  EXPECT_EQ(RgbTop(g.image, 1, 0), 0xFFFFFFu);
  EXPECT_EQ(RgbTop(g.image, 2, 0), 0x808080u);
  EXPECT_EQ(RgbTop(g.image, 3, 0), 0xFFFFFFu);  // above 1.0: clipped

  Page rgb;
  rgb.width = 2;
  rgb.height = 3;
  rgb.samples = 3;
  rgb.bits = 32;
  rgb.photometric = PHOTOMETRIC_RGB;
  rgb.compression = COMPRESSION_ADOBE_DEFLATE;
  rgb.data = Floats({1, 0, 0, 0, 1, 0, 0, 0, 1, 0.25f, 0.5f, 0.75f, -1, 0, 0, 0.2f, 0.4f, 0.6f});
  for (int predictor : {1, 3}) {
    Loaded c(rgb, SAMPLEFORMAT_IEEEFP, predictor);
    ASSERT_TRUE(c.ok) << predictor << ": " << c.image.LastError();
    EXPECT_EQ(RgbTop(c.image, 0, 0), 0xFF0000u) << predictor;
    EXPECT_EQ(RgbTop(c.image, 1, 0), 0x00FF00u);
    EXPECT_EQ(RgbTop(c.image, 0, 1), 0x0000FFu);
    EXPECT_EQ(RgbTop(c.image, 1, 1), 0x4080BFu);
    EXPECT_EQ(RgbTop(c.image, 0, 2), 0x000000u);
    EXPECT_EQ(RgbTop(c.image, 1, 2), 0x336699u);
  }
}
