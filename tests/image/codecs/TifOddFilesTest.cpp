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
  for (uint32_t tile : {0u, 16u}) {
    p.tile = tile;
    Loaded l(p);
    ASSERT_TRUE(l.ok) << l.image.LastError();
    EXPECT_EQ(RgbTop(l.image, 0, 0), 0xFFFFFFu) << tile;
    EXPECT_EQ(RgbTop(l.image, 1, 0), 0x000000u) << tile;
    EXPECT_EQ(RgbTop(l.image, 2, 0), 0x7F7F7Fu) << tile;
  }
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

namespace {

// Packs samples of `bits` bits, high bits first, a row at a time.
std::vector<uint8_t> Pack(const std::vector<uint32_t>& samples, unsigned bits, size_t perRow) {
  std::vector<uint8_t> out;
  for (size_t start = 0; start < samples.size(); start += perRow) {
    uint64_t acc = 0;
    unsigned held = 0;
    for (size_t i = start; i < start + perRow; ++i) {
      acc = (acc << bits) | samples[i];
      held += bits;
      while (held >= 8) {
        out.push_back(uint8_t(acc >> (held - 8)));
        held -= 8;
      }
    }
    if (held) out.push_back(uint8_t(acc << (8 - held)));
  }
  return out;
}

}  // namespace

TEST(TifOddFiles, WideAndPlanarColourAndCmykWithAlpha) {
  // 10- and 12-bit RGB, contiguous and in separate planes: the top 8 bits.
  for (uint16_t bits : {10, 12})
    for (uint16_t planar : {PLANARCONFIG_CONTIG, PLANARCONFIG_SEPARATE}) {
      Page p;
      p.width = 3;
      p.height = 2;
      p.samples = 3;
      p.bits = bits;
      p.photometric = PHOTOMETRIC_RGB;
      p.planar = planar;
      const uint32_t top = (1u << bits) - 1;
      // Pixel i: red top, green i * 64 << (bits - 8), blue 0.
      std::vector<uint32_t> s;
      for (uint32_t i = 0; i < 6; ++i) s.insert(s.end(), {top, (i * 40) << (bits - 8), 0});
      if (planar == PLANARCONFIG_CONTIG) {
        p.data = Pack(s, bits, 9);
      } else {
        std::vector<uint32_t> planes;
        for (int c = 0; c < 3; ++c)
          for (uint32_t i = 0; i < 6; ++i) planes.push_back(s[i * 3 + c]);
        p.data = Pack(planes, bits, 3);
      }
      Loaded l(p);
      ASSERT_TRUE(l.ok) << bits << " " << planar << ": " << l.image.LastError();
      for (uint32_t i = 0; i < 6; ++i)
        EXPECT_EQ(RgbTop(l.image, long(i % 3), long(i / 3)), 0xFF0000u | (i * 40) << 8) << bits << " " << i;
    }

  // 16-bit CMYK: inks over white.
  Page cmyk;
  cmyk.width = 2;
  cmyk.height = 1;
  cmyk.samples = 4;
  cmyk.bits = 16;
  cmyk.photometric = PHOTOMETRIC_SEPARATED;
  cmyk.data = tiftest::Words({0xFFFF, 0, 0, 0, 0, 0, 0, 0x8000});
  Loaded c(cmyk);
  ASSERT_TRUE(c.ok) << c.image.LastError();
  EXPECT_EQ(RgbTop(c.image, 0, 0), 0x00FFFFu);  // full cyan
  EXPECT_EQ(RgbTop(c.image, 1, 0), 0x7F7F7Fu);  // half black
  EXPECT_FALSE(c.image.HasAlpha());

  // CMYK with an alpha sample keeps it.
  Page inked;
  inked.width = 2;
  inked.height = 1;
  inked.samples = 5;
  inked.photometric = PHOTOMETRIC_SEPARATED;
  inked.extraSample = EXTRASAMPLE_UNASSALPHA;
  inked.data = {0, 255, 0, 0, 200, 0, 0, 0, 0, 3};
  Loaded a(inked);
  ASSERT_TRUE(a.ok) << a.image.LastError();
  EXPECT_EQ(RgbTop(a.image, 0, 0), 0xFF00FFu);  // magenta
  EXPECT_EQ(RgbTop(a.image, 1, 0), 0xFFFFFFu);
  ASSERT_TRUE(a.image.HasAlpha());
  EXPECT_EQ(a.image.ReadAlpha(0, 0), 200);
  EXPECT_EQ(a.image.ReadAlpha(1, 0), 3);
}
