// TGA: origins, run packets across rows, alpha, colour maps, refusals and
// the writer's header.
#include <gtest/gtest.h>

#include <string>

#include "image/codecs/GbImageTGA.h"
#include "image/io/GbMemFile.h"
#include "tests/image/codecs/BmpBytes.h"

using bmptest::Bytes;
using bmptest::Rgb;

namespace {

Bytes Header(uint8_t type, uint16_t w, uint16_t h, uint8_t depth, uint8_t descriptor = 0, uint8_t mapType = 0,
             uint16_t mapFirst = 0, uint16_t mapLength = 0, uint8_t mapBits = 0, uint8_t idLength = 0) {
  Bytes b;
  b.u8(idLength).u8(mapType).u8(type).u16(mapFirst).u16(mapLength).u8(mapBits);
  b.u16(0).u16(0).u16(w).u16(h).u8(depth).u8(descriptor);
  return b;
}

Bytes Cat(Bytes a, const Bytes& b) {
  a.data.insert(a.data.end(), b.data.begin(), b.data.end());
  return a;
}

bool DecodeTga(GbImage& img, const Bytes& b) { return bmptest::Decode(img, b, GB_TYPE_TGA); }

}  // namespace

TEST(Tga, TopDownRle32KeepsAlphaWithItsPixels) {
  // 2 x 2, first stored row at the top: a run of two red half-transparent
  // pixels, then two literal pixels.
  Bytes px;
  px.u8(0x81).raw({0, 0, 255, 128});
  px.u8(0x01).raw({255, 0, 0, 255}).raw({0, 255, 0, 0});
  GbImage img;
  ASSERT_TRUE(DecodeTga(img, Cat(Header(10, 2, 2, 32, 0x28), px))) << img.LastError();
  ASSERT_EQ(img.BitsPerPixel(), 24u);
  ASSERT_TRUE(img.HasAlpha());
  EXPECT_EQ(Rgb(img, 0, 1), 0xFF0000u);  // top row
  EXPECT_EQ(img.ReadAlpha(0, 1), 128);
  EXPECT_EQ(Rgb(img, 0, 0), 0x0000FFu);
  EXPECT_EQ(img.ReadAlpha(0, 0), 255);
  EXPECT_EQ(Rgb(img, 1, 0), 0x00FF00u);
  EXPECT_EQ(img.ReadAlpha(1, 0), 0);
}

TEST(Tga, RunPacketsCarryOnIntoTheNextRow) {
  // 3 x 2 grey, bottom-up: one run of 4 over both rows, then 2 literals.
  Bytes px;
  px.u8(0x83).u8(9).u8(0x01).u8(1).u8(2);
  GbImage img;
  ASSERT_TRUE(DecodeTga(img, Cat(Header(11, 3, 2, 8), px))) << img.LastError();
  EXPECT_EQ(img.ReadPixelIndex(2, 0), 9);
  EXPECT_EQ(img.ReadPixelIndex(0, 1), 9);
  EXPECT_EQ(img.ReadPixelIndex(1, 1), 1);
  EXPECT_EQ(img.ReadPixelIndex(2, 1), 2);
  EXPECT_EQ(img.PaletteColor(9).rgbGreen, 9);  // grey palette
  // A literal packet crossing the row end works the same way.
  Bytes lit;
  lit.u8(0x04).u8(1).u8(2).u8(3).u8(4).u8(5).u8(0x00).u8(6);
  GbImage img2;
  ASSERT_TRUE(DecodeTga(img2, Cat(Header(11, 3, 2, 8), lit)));
  EXPECT_EQ(img2.ReadPixelIndex(0, 1), 4);
  EXPECT_EQ(img2.ReadPixelIndex(2, 1), 6);
}

TEST(Tga, RightToLeftFilesAreMirrored) {
  Bytes px;
  px.raw({1, 2, 3, 10, 4, 5, 6, 20});
  GbImage img;
  ASSERT_TRUE(DecodeTga(img, Cat(Header(2, 2, 1, 32, 0x10), px)));
  EXPECT_EQ(Rgb(img, 0, 0), 0x060504u);
  EXPECT_EQ(img.ReadAlpha(0, 0), 20);
  EXPECT_EQ(img.ReadAlpha(1, 0), 10);
}

TEST(Tga, FiveBitColoursAndColourMaps) {
  // 0x7FFF is white at 5 bits per channel: each widened by << 3.
  Bytes px;
  px.u16(0x7FFF).u16(0x001F).u16(0x7C00);
  GbImage img;
  ASSERT_TRUE(DecodeTga(img, Cat(Header(2, 3, 1, 16), px)));
  EXPECT_EQ(Rgb(img, 0, 0), 0xF8F8F8u);
  EXPECT_EQ(Rgb(img, 1, 0), 0x0000F8u);
  EXPECT_EQ(Rgb(img, 2, 0), 0xF80000u);

  // A 16-bit colour map starting at entry 5, after an identification field.
  Bytes b = Header(1, 2, 1, 8, 0, 1, 5, 2, 16, 3);
  b.raw({'a', 'b', 'c'}).u16(0x03E0).u16(0x7C00).u8(5).u8(6);
  GbImage mapped;
  ASSERT_TRUE(DecodeTga(mapped, b)) << mapped.LastError();
  EXPECT_EQ(Rgb(mapped, 0, 0), 0x00F800u);
  EXPECT_EQ(Rgb(mapped, 1, 0), 0xF80000u);

  // 16-bit grey files hold grey and alpha.
  Bytes ga = Header(3, 1, 1, 16);
  ga.u8(77).u8(200);
  GbImage grey;
  ASSERT_TRUE(DecodeTga(grey, ga));
  EXPECT_EQ(grey.BitsPerPixel(), 8u);
  EXPECT_EQ(Rgb(grey, 0, 0), 0x4D4D4Du);
  EXPECT_EQ(grey.ReadAlpha(0, 0), 200);
}

TEST(Tga, BrokenFilesAreRefusedWithTheirMessage) {
  struct Case {
    Bytes bytes;
    const char* message;
  } cases[] = {
      {Bytes().raw({0, 0, 2}), "Not a TGA"},
      {Header(4, 1, 1, 8), "Unknown TGA image type"},
      {Header(2, 0, 1, 24), "bad TGA header"},
      {Header(2, 1, 1, 12), "bad TGA header"},
      {Header(1, 1, 1, 8, 0, 1, 0, 300, 24), "bad TGA header"},
      {Header(3, 1, 1, 32), "bad TGA header"},
      {Cat(Header(2, 2, 2, 24), Bytes().zeros(11)), "corrupted TGA"},
      {Cat(Header(10, 4000, 4000, 24), Bytes().u8(0xFF).raw({1, 2, 3})), "corrupted TGA"},
  };
  for (const Case& c : cases) {
    GbImage img;
    EXPECT_FALSE(DecodeTga(img, c.bytes));
    EXPECT_STREQ(img.LastError(), c.message);
  }
  GbImage probe;
  ASSERT_TRUE(bmptest::Probe(probe, Header(2, 640, 480, 24), GB_TYPE_TGA));
  EXPECT_EQ(probe.Width(), 640u);
  EXPECT_FALSE(probe.HasPixels());
}

TEST(Tga, WriterRefusesFourBitsAndRoundTripsTheRest) {
  GbImage four(4, 4, 4, GB_TYPE_BMP);
  GbMemFile out;
  ASSERT_TRUE(out.Open());
  EXPECT_FALSE(four.Encode(&out, GB_TYPE_TGA));
  EXPECT_STREQ(four.LastError(), "Bit depth must be 8 or 24");

  GbImage rgba(3, 2, 24, GB_TYPE_BMP);
  ASSERT_TRUE(rgba.CreateAlpha());
  for (long y = 0; y < 2; ++y)
    for (long x = 0; x < 3; ++x) {
      rgba.WritePixelColor(x, y, RGBQUAD{uint8_t(x), uint8_t(y), 200, 0});
      rgba.WriteAlpha(x, y, uint8_t(x * 100));
    }
  GbMemFile file;
  ASSERT_TRUE(file.Open());
  ASSERT_TRUE(rgba.Encode(&file, GB_TYPE_TGA));
  const uint8_t* h = file.GetBuffer();
  EXPECT_EQ(h[2], 2);
  EXPECT_EQ(h[16], 32);
  EXPECT_EQ(h[17], 8);  // eight alpha bits, bottom-up
  EXPECT_EQ(file.Size(), 18 + 3 * 2 * 4);
  file.Seek(0, GB_SEEK_SET);
  GbImage back;
  ASSERT_TRUE(back.Decode(&file, GB_TYPE_TGA));
  for (long y = 0; y < 2; ++y)
    for (long x = 0; x < 3; ++x) {
      EXPECT_EQ(Rgb(back, x, y), Rgb(rgba, x, y));
      EXPECT_EQ(back.ReadAlpha(x, y), rgba.ReadAlpha(x, y));
    }

  GbImage pal(5, 3, 8, GB_TYPE_BMP);
  pal.SetStandardPalette();
  for (long i = 0; i < 15; ++i) pal.WritePixelIndex(i % 5, i / 5, uint8_t(i * 16));
  GbMemFile file8;
  ASSERT_TRUE(file8.Open());
  ASSERT_TRUE(pal.Encode(&file8, GB_TYPE_TGA));
  EXPECT_EQ(file8.GetBuffer()[1], 1);
  EXPECT_EQ(file8.Size(), 18 + 768 + 15);
  file8.Seek(0, GB_SEEK_SET);
  GbImage back8;
  ASSERT_TRUE(back8.Decode(&file8, GB_TYPE_TGA));
  for (long i = 0; i < 15; ++i) {
    EXPECT_EQ(back8.ReadPixelIndex(i % 5, i / 5), uint8_t(i * 16));
    EXPECT_EQ(Rgb(back8, i % 5, i / 5), Rgb(pal, i % 5, i / 5));
  }
}
