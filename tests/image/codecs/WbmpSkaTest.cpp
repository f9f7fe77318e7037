// WBMP and SKA: row layouts, header numbers, refusals and round trips.
#include <gtest/gtest.h>

#include "image/codecs/GbImageSKA.h"
#include "image/codecs/GbImageWBMP.h"
#include "image/io/GbMemFile.h"
#include "tests/image/codecs/BmpBytes.h"

using bmptest::Bytes;
using bmptest::Rgb;

namespace {

Bytes Encoded(GbImage& img, uint32_t type) {
  GbMemFile out;
  EXPECT_TRUE(out.Open());
  EXPECT_TRUE(img.Encode(&out, type)) << img.LastError();
  Bytes b;
  b.data.assign(out.GetBuffer(), out.GetBuffer() + out.Size());
  return b;
}

}  // namespace

TEST(Wbmp, RowsOfWholeBytesOneIsWhite) {
  // 9 x 2: two bytes per row; top row white at x = 0 and x = 8.
  Bytes b;
  b.raw({0, 0, 9, 2}).raw({0x80, 0x80}).raw({0x00, 0x00});
  GbImage img;
  ASSERT_TRUE(bmptest::Decode(img, b, GB_TYPE_WBMP)) << img.LastError();
  EXPECT_EQ(img.BitsPerPixel(), 1u);
  EXPECT_EQ(Rgb(img, 0, 1), 0xFFFFFFu);
  EXPECT_EQ(Rgb(img, 8, 1), 0xFFFFFFu);
  EXPECT_EQ(Rgb(img, 1, 1), 0x000000u);
  EXPECT_EQ(Rgb(img, 0, 0), 0x000000u);

  // The writer: multi-byte sizes and ceil(width / 8) bytes per row.
  GbImage wide(200, 3, 1, GB_TYPE_BMP);
  wide.SetGreyPalette();
  wide.Fill(0);
  wide.WritePixelIndex(199, 2, 1);
  const Bytes out = Encoded(wide, GB_TYPE_WBMP);
  EXPECT_EQ(std::vector<uint8_t>(out.data.begin(), out.data.begin() + 5), (std::vector<uint8_t>{0, 0, 0x81, 0x48, 3}));
  ASSERT_EQ(out.size(), 5u + 3 * 25);
  EXPECT_EQ(out.data[5 + 24], 0x01);
  GbImage back;
  ASSERT_TRUE(bmptest::Decode(back, out, GB_TYPE_WBMP));
  EXPECT_EQ(back.Width(), 200u);
  EXPECT_EQ(Rgb(back, 199, 2), 0xFFFFFFu);
}

TEST(Wbmp, InvertedPalettesKeepTheirLookAndOthersAreRefused) {
  GbImage img(3, 1, 1, GB_TYPE_BMP);
  img.SetPaletteColor(0, 255, 255, 255);
  img.SetPaletteColor(1, 0, 0, 0);
  img.Fill(0);
  img.WritePixelIndex(1, 0, 1);  // white, black, white
  const Bytes out = Encoded(img, GB_TYPE_WBMP);
  EXPECT_EQ(out.data.back(), 0xA0);

  GbImage eight(3, 1, 8, GB_TYPE_BMP);
  GbMemFile f;
  ASSERT_TRUE(f.Open());
  EXPECT_FALSE(eight.Encode(&f, GB_TYPE_WBMP));
  EXPECT_STREQ(eight.LastError(), "Can't save this image as WBMP");

  struct Case {
    Bytes bytes;
    const char* message;
  } cases[] = {
      {Bytes().raw({1, 0, 1, 1, 0}), "Unsupported WBMP type"},
      {Bytes().raw({0, 0, 0, 1}), "Not a WBMP"},
      {Bytes().raw({0, 0x80, 1, 1, 0}), "Not a WBMP"},
      {Bytes().raw({0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 1}), "Not a WBMP"},
      {Bytes().raw({0, 0, 16, 2, 1, 2, 3}), "Corrupted WBMP"},
  };
  for (const Case& c : cases) {
    GbImage bad;
    EXPECT_FALSE(bmptest::Decode(bad, c.bytes, GB_TYPE_WBMP));
    EXPECT_STREQ(bad.LastError(), c.message);
  }
}

TEST(Ska, OneBitImagesAreWrittenAsEightBit) {
  GbImage img(3, 2, 1, GB_TYPE_BMP);
  img.SetPaletteColor(0, 10, 20, 30);
  img.SetPaletteColor(1, 200, 100, 0);
  img.Fill(0);
  img.WritePixelIndex(2, 1, 1);
  const Bytes out = Encoded(img, GB_TYPE_SKA);
  ASSERT_EQ(out.size(), 9u + 768 + 6);
  EXPECT_EQ(std::vector<uint8_t>(out.data.begin(), out.data.begin() + 9),
            (std::vector<uint8_t>{3, 0, 2, 0, 3, 0, 0, 0, 1}));
  EXPECT_EQ(out.data[9 + 3], 200);  // entry 1 red
  EXPECT_EQ(out.data[9 + 6], 0);    // unused entries are black
  EXPECT_EQ(std::vector<uint8_t>(out.data.end() - 6, out.data.end()), (std::vector<uint8_t>{0, 0, 1, 0, 0, 0}));
  GbImage back;
  ASSERT_TRUE(bmptest::Decode(back, out, GB_TYPE_SKA)) << back.LastError();
  EXPECT_EQ(back.BitsPerPixel(), 8u);
  EXPECT_EQ(back.FileType(), uint32_t(GB_TYPE_SKA));
  for (long y = 0; y < 2; ++y)
    for (long x = 0; x < 3; ++x) EXPECT_EQ(Rgb(back, x, y), Rgb(img, x, y));
}

TEST(Ska, RefusalsAndForeignBytes) {
  GbImage deep(2, 2, 24, GB_TYPE_BMP);
  GbMemFile f;
  ASSERT_TRUE(f.Open());
  EXPECT_FALSE(deep.Encode(&f, GB_TYPE_SKA));
  EXPECT_STREQ(deep.LastError(), "SKA Images must be 8 bit or less");
  GbImage huge(32768, 1, 1, GB_TYPE_BMP);
  EXPECT_FALSE(huge.Encode(&f, GB_TYPE_SKA));
  EXPECT_EQ(f.Size(), 0);

  // Without the fixed bytes after the size, a file is not taken for SKA.
  Bytes other;
  other.raw({2, 0, 1, 0, 3, 0, 0, 0, 2}).zeros(770);
  GbImage img;
  EXPECT_FALSE(bmptest::Decode(img, other, GB_TYPE_SKA));
  Bytes shortData;
  shortData.raw({2, 0, 1, 0, 3, 0, 0, 0, 1}).zeros(769);
  EXPECT_FALSE(bmptest::Decode(img, shortData, GB_TYPE_SKA));
  EXPECT_FALSE(img.HasPixels());
}
