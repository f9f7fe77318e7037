// PCX: run bytes, bit planes, odd widths, palettes, refusals and round trips.
#include <gtest/gtest.h>

#include <string>

#include "image/codecs/GbImagePCX.h"
#include "image/io/GbMemFile.h"
#include "tests/image/codecs/BmpBytes.h"

using bmptest::Bytes;
using bmptest::Rgb;

namespace {

Bytes Header(uint8_t bits, uint16_t w, uint16_t h, uint8_t planes, uint16_t lineBytes, uint8_t encoding = 1) {
  Bytes b;
  b.u8(10).u8(5).u8(encoding).u8(bits).u16(0).u16(0).u16(w - 1).u16(h - 1).u16(150).u16(75);
  for (int i = 0; i < 16; ++i) b.u8(i * 16).u8(255 - i * 16).u8(i);  // header colour map
  b.u8(0).u8(planes).u16(lineBytes).u16(1).zeros(58);
  return b;
}

Bytes Cat(Bytes a, const Bytes& b) {
  a.data.insert(a.data.end(), b.data.begin(), b.data.end());
  return a;
}

bool DecodePcx(GbImage& img, const Bytes& b) { return bmptest::Decode(img, b, GB_TYPE_PCX); }

Bytes Encoded(GbImage& img) {
  GbMemFile out;
  EXPECT_TRUE(out.Open());
  EXPECT_TRUE(img.Encode(&out, GB_TYPE_PCX)) << img.LastError();
  Bytes b;
  b.data.assign(out.GetBuffer(), out.GetBuffer() + out.Size());
  return b;
}

}  // namespace

TEST(Pcx, RunBytesAndTheLoneHighByte) {
  // 8-bit, 4 x 1: C1 C5 is one 0xC5; C3 07 three 7s; the palette follows.
  Bytes px;
  px.raw({0xC1, 0xC5, 0xC3, 0x07}).u8(12);
  for (int i = 0; i < 256; ++i) px.u8(i).u8(0).u8(255 - i);
  GbImage img;
  ASSERT_TRUE(DecodePcx(img, Cat(Header(8, 4, 1, 1, 4), px))) << img.LastError();
  EXPECT_EQ(img.ReadPixelIndex(0, 0), 0xC5);
  EXPECT_EQ(img.ReadPixelIndex(3, 0), 7);
  EXPECT_EQ(Rgb(img, 0, 0), 0xC5003Au);
  EXPECT_EQ(img.DpiX(), 150);
  EXPECT_EQ(img.DpiY(), 75);

  // The writer codes a lone 0xC5 the same way.
  GbImage one(1, 1, 8, GB_TYPE_BMP);
  one.WritePixelIndex(0, 0, 0xC5);
  const Bytes b = Encoded(one);
  EXPECT_EQ(b.data[128], 0xC1);
  EXPECT_EQ(b.data[129], 0xC5);
  EXPECT_EQ(b.data[130], 0);  // odd width: the pad byte
}

TEST(Pcx, OddWidthEightBitLayout) {
  GbImage img(5, 2, 8, GB_TYPE_BMP);
  img.SetGreyPalette();
  for (long x = 0; x < 5; ++x) {
    img.WritePixelIndex(x, 1, uint8_t(x + 1));  // top row 1 2 3 4 5
    img.WritePixelIndex(x, 0, 9);               // bottom row a run of five
  }
  const Bytes b = Encoded(img);
  EXPECT_EQ(b.data[66] | (b.data[67] << 8), 6);  // bytes per line = width + 1
  EXPECT_EQ(b.data[65], 1);
  const std::vector<uint8_t> rows = {1, 2, 3, 4, 5, 0, 0xC5, 9, 0};
  EXPECT_EQ(std::vector<uint8_t>(b.data.begin() + 128, b.data.begin() + 128 + rows.size()), rows);
  ASSERT_EQ(b.size(), 128 + rows.size() + 1 + 768);
  EXPECT_EQ(b.data[128 + rows.size()], 12);
  GbImage back;
  ASSERT_TRUE(DecodePcx(back, b));
  for (long x = 0; x < 5; ++x) EXPECT_EQ(back.ReadPixelIndex(x, 1), x + 1);
}

TEST(Pcx, BitPlanesMakeIndices) {
  // 4 planes of 1 bit, 3 x 1: pixel 0 sets planes 0 and 2, pixel 2 plane 3.
  Bytes px;
  px.raw({0x80, 0}).raw({0x40, 0}).raw({0x80, 0}).raw({0x20, 0});
  GbImage img;
  ASSERT_TRUE(DecodePcx(img, Cat(Header(1, 3, 1, 4, 2), px))) << img.LastError();
  EXPECT_EQ(img.BitsPerPixel(), 4u);
  EXPECT_EQ(img.ReadPixelIndex(0, 0), 5);
  EXPECT_EQ(img.ReadPixelIndex(1, 0), 2);
  EXPECT_EQ(img.ReadPixelIndex(2, 0), 8);
  EXPECT_EQ(Rgb(img, 0, 0), 0x50AF05u);  // header colour map entry 5

  // One plane of 1 bit is black and white.
  Bytes mono;
  mono.raw({0xA0, 0x00});
  GbImage bw;
  ASSERT_TRUE(DecodePcx(bw, Cat(Header(1, 3, 1, 1, 2), mono)));
  EXPECT_EQ(Rgb(bw, 0, 0), 0xFFFFFFu);
  EXPECT_EQ(Rgb(bw, 1, 0), 0x000000u);

  // Two bits in one plane, high bits first.
  Bytes two;
  two.raw({0x1B, 0x00});
  GbImage img2;
  ASSERT_TRUE(DecodePcx(img2, Cat(Header(2, 4, 1, 1, 2), two)));
  EXPECT_EQ(img2.BitsPerPixel(), 4u);
  for (long x = 0; x < 4; ++x) EXPECT_EQ(img2.ReadPixelIndex(x, 0), x);
}

TEST(Pcx, RoundTripsEveryDepth) {
  for (uint32_t bpp : {1u, 4u, 8u, 24u}) {
    GbImage img(19, 5, bpp, GB_TYPE_BMP);
    if (bpp == 1) {
      img.SetPaletteColor(0, 255, 255, 255);  // entry 0 lighter: written inverted
      img.SetPaletteColor(1, 0, 0, 0);
    } else if (bpp < 24) {
      img.SetStandardPalette();
    }
    for (long y = 0; y < 5; ++y)
      for (long x = 0; x < 19; ++x) {
        if (bpp < 24)
          img.WritePixelIndex(x, y, uint8_t((x * 3 + y) % img.PaletteEntryCount()));
        else
          img.WritePixelColor(x, y, RGBQUAD{uint8_t(x * 13), uint8_t(y * 50), 0xC7, 0});
      }
    if (bpp == 24) {
      ASSERT_TRUE(img.CreateAlpha());
      img.WriteAlpha(4, 2, 9);
    }
    GbImage back;
    ASSERT_TRUE(DecodePcx(back, Encoded(img))) << bpp << ": " << back.LastError();
    EXPECT_EQ(back.BitsPerPixel(), bpp);
    for (long y = 0; y < 5; ++y)
      for (long x = 0; x < 19; ++x) EXPECT_EQ(Rgb(back, x, y), Rgb(img, x, y)) << bpp << " at " << x << "," << y;
    if (bpp == 24) {
      EXPECT_EQ(back.ReadAlpha(4, 2), 9);
    }
  }
}

TEST(Pcx, BrokenFilesAreRefusedWithTheirMessage) {
  Bytes notPcx = Header(8, 1, 1, 1, 2);
  notPcx.data[0] = 11;
  Bytes badSig = Cat(Header(8, 2, 1, 1, 2), Bytes().raw({1, 2, 11}).zeros(768));
  struct Case {
    Bytes bytes;
    const char* message;
  } cases[] = {
      {Bytes().zeros(100), "Can't read PCX image"},
      {notPcx, "Error: Not a PCX file"},
      {Header(8, 1, 1, 1, 2, 0), "PCX file has unknown encoding scheme"},
      {Cat(Header(1, 8, 1, 5, 2), Bytes().zeros(20)), "Can't handle image with more than 4 planes"},
      {Cat(Header(8, 2, 2, 1, 2), Bytes().raw({0xC2, 1, 0xC3, 1})), "repeat count spans end of image"},
      {Cat(Header(8, 2, 2, 1, 2), Bytes().raw({1, 2, 3})), "corrupted PCX"},
      {badSig, "bad color map signature"},
      {Cat(Header(4, 4, 1, 2, 2), Bytes().zeros(8)),
       "PCX_UnpackPixels: Can't handle packed pixels with more than 1 plane"},
      {Cat(Header(8, 9, 1, 1, 4), Bytes().zeros(8)), "corrupted PCX"},  // lines shorter than the width
      {Cat(Header(8, 4000, 4000, 3, 4000), Bytes().raw({0xFF, 0})), "corrupted PCX"},
  };
  for (const Case& c : cases) {
    GbImage img;
    EXPECT_FALSE(DecodePcx(img, c.bytes));
    EXPECT_STREQ(img.LastError(), c.message);
  }
}
