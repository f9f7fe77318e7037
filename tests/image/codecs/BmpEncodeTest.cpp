// Writing bitmaps, and round trips through both stream kinds.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "image/io/GbIOFile.h"
#include "image/io/GbMemFile.h"
#include "tests/image/codecs/BmpBytes.h"
#include "tests/support/TestSupport.h"

namespace {

uint32_t le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }

// A picture whose every pixel differs from its neighbours.
void Paint(GbImage& img) {
  for (uint32_t i = 0; i < img.PaletteEntryCount(); ++i)
    img.SetPaletteColor(i, uint8_t(i * 37), uint8_t(255 - i * 11), uint8_t(i * 5 + 3), uint8_t(i));
  for (long y = 0; y < long(img.Height()); ++y)
    for (long x = 0; x < long(img.Width()); ++x) {
      if (img.PaletteEntryCount())
        img.WritePixelIndex(x, y, uint8_t(x * 3 + y * 7));
      else
        img.WritePixelColor(x, y, RGBQUAD{uint8_t(x * 9), uint8_t(y * 13), uint8_t(x ^ y), 0});
    }
}

// An alpha plane filled with one value (through the core API only).
uint8_t* AddAlpha(GbImage& img, uint8_t value) {
  const size_t n = size_t(img.Width()) * img.Height();
  GbBuffer plane = GbBuffer::Allocate(n);
  std::memset(plane, value, n);
  img.AdoptAlphaPlane(std::move(plane));
  return img.AlphaPlane();
}

void ExpectSamePixels(const GbImage& a, const GbImage& b) {
  ASSERT_EQ(a.Width(), b.Width());
  ASSERT_EQ(a.Height(), b.Height());
  ASSERT_EQ(a.BitsPerPixel(), b.BitsPerPixel());
  for (long y = 0; y < long(a.Height()); ++y)
    for (long x = 0; x < long(a.Width()); ++x) {
      ASSERT_EQ(bmptest::Rgb(a, x, y), bmptest::Rgb(b, x, y)) << x << "," << y;
      if (a.PaletteEntryCount()) {
        ASSERT_EQ(a.ReadPixelIndex(x, y), b.ReadPixelIndex(x, y));
      }
    }
}

}  // namespace

TEST(BmpEncode, PackedBufferBehindAFileHeaderAtEveryDepth) {
  for (uint32_t bpp : {1u, 4u, 8u, 24u}) {
    GbImage img(13, 5, bpp, GB_TYPE_BMP);
    Paint(img);
    img.SetDpiX(300);
    GbMemFile out;
    ASSERT_TRUE(out.Open());
    ASSERT_TRUE(img.Encode(&out, GB_TYPE_BMP)) << img.LastError();
    const uint8_t* d = out.GetBuffer();
    ASSERT_EQ(size_t(out.Size()), img.PackedSize() + 14) << bpp;
    EXPECT_EQ(d[0], 'B');
    EXPECT_EQ(d[1], 'M');
    EXPECT_EQ(le32(d + 2), img.PackedSize() + 14);
    EXPECT_EQ(le32(d + 10), 54 + 4 * img.PaletteEntryCount());
    EXPECT_EQ(std::memcmp(d + 14 + 40, img.PackedDib() + 40, img.PackedSize() - 40), 0);

    ASSERT_TRUE(out.Seek(0, 0));
    GbImage back;
    ASSERT_TRUE(back.Decode(&out, GB_TYPE_BMP)) << back.LastError();
    ExpectSamePixels(img, back);
    EXPECT_EQ(back.DpiX(), 300);
    EXPECT_EQ(back.DpiY(), 96);
    // Palette entries come back with reserved bytes 0.
    for (uint32_t i = 0; i < back.PaletteEntryCount(); ++i) {
      RGBQUAD want = img.PaletteColor(i);
      want.rgbReserved = 0;
      ASSERT_EQ(back.PaletteColor(i), want) << i;
    }
  }
}

TEST(BmpEncode, TrueColourWithAlphaBecomesA32BitFile) {
  GbImage img(5, 3, 24, GB_TYPE_BMP);
  Paint(img);
  uint8_t* alpha = AddAlpha(img, 0);
  for (long y = 0; y < 3; ++y)
    for (long x = 0; x < 5; ++x) alpha[y * 5 + x] = uint8_t(x * 50 + y);
  GbMemFile out;
  ASSERT_TRUE(out.Open());
  ASSERT_TRUE(img.Encode(&out, GB_TYPE_BMP)) << img.LastError();
  ASSERT_EQ(out.Size(), 54 + 4 * 5 * 3);
  const uint8_t* d = out.GetBuffer();
  EXPECT_EQ(le32(d + 2), 54u + 60u);
  EXPECT_EQ(le32(d + 10), 54u);
  EXPECT_EQ(d[14 + 14], 32);         // bit count
  EXPECT_EQ(le32(d + 14 + 16), 0u);  // uncompressed
  EXPECT_EQ(le32(d + 14 + 20), 60u);
  // Pixel (1, 2): blue, green, red, alpha.
  const uint8_t* p = d + 54 + 4 * (2 * 5 + 1);
  const uint8_t* src = img.PixelPointer24(1, 2);
  EXPECT_EQ(p[0], src[0]);
  EXPECT_EQ(p[1], src[1]);
  EXPECT_EQ(p[2], src[2]);
  EXPECT_EQ(p[3], 52);

  ASSERT_TRUE(out.Seek(0, 0));
  GbImage back;
  ASSERT_TRUE(back.Decode(&out, GB_TYPE_BMP));
  ExpectSamePixels(img, back);
  ASSERT_NE(back.AlphaPlane(), nullptr);
  EXPECT_EQ(std::memcmp(back.AlphaPlane(), img.AlphaPlane(), 15), 0);
}

TEST(BmpEncode, PaletteImagesDropTheirAlpha) {
  GbImage img(4, 4, 8, GB_TYPE_BMP);
  Paint(img);
  AddAlpha(img, 7);
  GbMemFile out;
  ASSERT_TRUE(out.Open());
  ASSERT_TRUE(img.Encode(&out, GB_TYPE_BMP));
  EXPECT_EQ(size_t(out.Size()), img.PackedSize() + 14);
  ASSERT_TRUE(out.Seek(0, 0));
  GbImage back;
  ASSERT_TRUE(back.Decode(&out, GB_TYPE_BMP));
  EXPECT_EQ(back.AlphaPlane(), nullptr);
  ExpectSamePixels(img, back);
}

TEST(BmpEncode, RoundTripsThroughFilesAndHandles) {
  gbtest::TempDir dir;
  for (uint32_t bpp : {1u, 4u, 8u, 24u}) {
    for (bool alpha : {false, true}) {
      GbImage img(33, 17, bpp, GB_TYPE_BMP);
      Paint(img);
      if (alpha) {
        uint8_t* plane = AddAlpha(img, 255);
        for (long x = 0; x < 33; ++x) plane[3 * 33 + x] = uint8_t(x);
      }
      const std::string path = dir.file("rt" + std::to_string(bpp) + (alpha ? "a" : "") + ".bmp");
      ASSERT_TRUE(img.SaveFile(path.c_str(), GB_TYPE_BMP)) << img.LastError();
      GbImage back(path.c_str(), GB_TYPE_BMP);
      ASSERT_TRUE(back.HasPixels()) << back.LastError();
      ExpectSamePixels(img, back);
      EXPECT_EQ(back.AlphaPlane() != nullptr, alpha && bpp == 24);
      if (alpha && bpp == 24) {
        EXPECT_EQ(back.AlphaPlane()[3 * 33 + 9], 9);
        EXPECT_EQ(back.AlphaPlane()[4 * 33 + 9], 255);
      }

      // The C-handle forms wrap the handle without closing it.
      std::FILE* fp = std::fopen(dir.file("handle.bmp").c_str(), "w+b");
      ASSERT_NE(fp, nullptr);
      ASSERT_TRUE(img.Encode(fp, GB_TYPE_BMP));
      std::rewind(fp);
      GbImage viaHandle;
      ASSERT_TRUE(viaHandle.Decode(fp, GB_TYPE_BMP)) << viaHandle.LastError();
      EXPECT_EQ(std::fclose(fp), 0);
      ExpectSamePixels(img, viaHandle);
    }
  }
}

TEST(BmpEncode, RefusesEmptyImagesNullStreamsAndReportsWriteErrors) {
  GbImage empty;
  GbMemFile out;
  ASSERT_TRUE(out.Open());
  EXPECT_FALSE(empty.Encode(&out, GB_TYPE_BMP));
  EXPECT_STREQ(empty.LastError(), "null image!!!");
  EXPECT_EQ(out.Size(), 0);

  GbImage img(2, 2, 24, GB_TYPE_BMP);
  img.Fill(0);
  EXPECT_FALSE(img.Encode(static_cast<GbFile*>(nullptr), GB_TYPE_BMP));
  EXPECT_STREQ(img.LastError(), "null file handler");

  // A stream that takes nothing: the failure is reported, not hidden.
  gbtest::TempDir dir;
  gbtest::WriteFile(dir.file("ro.bmp"), "x");
  GbIOFile readOnly;
  ASSERT_TRUE(readOnly.Open(dir.file("ro.bmp").c_str(), "rb"));
  EXPECT_FALSE(img.Encode(&readOnly, GB_TYPE_BMP));
  EXPECT_STREQ(img.LastError(), "Error writing BMP");
}
