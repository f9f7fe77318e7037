#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "image/core/GbImage.h"
#include "platform/gdi/GlobalMemory.h"
#include "tests/support/TestSupport.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Put32(Bytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

// A 40-byte header for a block under construction.
Bytes Header(int32_t w, int32_t h, uint16_t bpp, uint32_t compression, uint32_t clrUsed = 0, int32_t ppm = 3780) {
  Bytes b;
  Put32(b, 40);
  Put32(b, uint32_t(w));
  Put32(b, uint32_t(h));
  b.push_back(1), b.push_back(0);
  b.push_back(uint8_t(bpp)), b.push_back(0);
  Put32(b, compression);
  Put32(b, 0);
  Put32(b, uint32_t(ppm));
  Put32(b, uint32_t(ppm));
  Put32(b, clrUsed);
  Put32(b, 0);
  return b;
}

bool Load(GbImage& img, const Bytes& b) {
  HGLOBAL g = GlobalFromBytes(b.data(), b.size());
  const bool ok = img.CreateFromGlobalDib(g);
  GlobalFree(g);
  return ok;
}

RGBQUAD At(const GbImage& img, long x, long y) { return img.ReadPixelColor(x, y, false); }

}  // namespace

TEST(PackedDib, GlobalBlockIsThePackedBuffer) {
  GbImage img(5, 3, 8, 0);
  img.SetGreyPalette();
  for (long i = 0; i < 15; ++i) img.WritePixelIndex(i % 5, i / 5, uint8_t(i * 9));
  img.SetDpiX(300);
  HGLOBAL g = img.CopyToGlobalDib();
  ASSERT_NE(g, nullptr);
  ASSERT_EQ(GlobalSize(g), img.PackedSize());
  EXPECT_EQ(std::memcmp(GlobalLock(g), img.PackedDib(), img.PackedSize()), 0);
  GlobalUnlock(g);
  GbImage back;
  ASSERT_TRUE(back.CreateFromGlobalDib(g));
  EXPECT_EQ(back.DpiX(), 300);
  EXPECT_EQ(back.DpiY(), 96);
  EXPECT_EQ(std::memcmp(back.PackedDib() + 40, img.PackedDib() + 40, img.PackedSize() - 40), 0);
  GlobalFree(g);
  EXPECT_EQ(GbImage().CopyToGlobalDib(), nullptr);
  // Empty and missing blocks fail.
  HGLOBAL empty = GlobalAlloc(GHND, 0);
  EXPECT_FALSE(back.CreateFromGlobalDib(empty));
  EXPECT_FALSE(back.HasPixels());
  GlobalFree(empty);
  EXPECT_FALSE(back.CreateFromGlobalDib(nullptr));
}

TEST(PackedDib, TrueColourLayoutsAndRowOrder) {
  // 32 bits, no compression: blue, green, red, ignored; no alpha plane.
  Bytes b = Header(2, 2, 32, BI_RGB);
  for (uint8_t v : {1, 2, 3, 99, 4, 5, 6, 0, 7, 8, 9, 1, 10, 11, 12, 200}) b.push_back(v);
  GbImage img;
  ASSERT_TRUE(Load(img, b));
  EXPECT_EQ(img.BitsPerPixel(), 24u);
  EXPECT_EQ(img.AlphaPlane(), nullptr);
  EXPECT_EQ(At(img, 0, 0), (RGBQUAD{1, 2, 3, 0}));
  EXPECT_EQ(At(img, 1, 0), (RGBQUAD{4, 5, 6, 0}));
  EXPECT_EQ(At(img, 1, 1), (RGBQUAD{10, 11, 12, 0}));

  // The same rows marked top-down: the first stored row is the top one.
  Bytes t = Header(2, -2, 32, BI_RGB);
  t.insert(t.end(), b.begin() + 40, b.end());
  ASSERT_TRUE(Load(img, t));
  EXPECT_EQ(img.Height(), 2u);
  EXPECT_EQ(At(img, 0, 1), (RGBQUAD{1, 2, 3, 0}));
  EXPECT_EQ(At(img, 1, 0), (RGBQUAD{10, 11, 12, 0}));

  // 32 bits with masks: the byte of each channel follows its mask.
  Bytes m = Header(1, 1, 32, BI_BITFIELDS);
  Put32(m, 0x000000FF), Put32(m, 0x0000FF00), Put32(m, 0x00FF0000);
  for (uint8_t v : {10, 20, 30, 40}) m.push_back(v);
  ASSERT_TRUE(Load(img, m));
  EXPECT_EQ(At(img, 0, 0), (RGBQUAD{30, 20, 10, 0}));

  // 16 bits: 5-5-5 by default, 5-6-5 by masks, shifted without filling
  // the low bits.
  Bytes s = Header(2, 1, 16, BI_RGB);
  for (uint8_t v : {0xFF, 0x7F, 0x1F, 0x00}) s.push_back(v);
  ASSERT_TRUE(Load(img, s));
  EXPECT_EQ(At(img, 0, 0), (RGBQUAD{248, 248, 248, 0}));
  EXPECT_EQ(At(img, 1, 0), (RGBQUAD{248, 0, 0, 0}));
  Bytes s6 = Header(2, 1, 16, BI_BITFIELDS);
  Put32(s6, 0xF800), Put32(s6, 0x07E0), Put32(s6, 0x001F);
  for (uint8_t v : {0xFF, 0xFF, 0xE0, 0x07}) s6.push_back(v);
  ASSERT_TRUE(Load(img, s6));
  EXPECT_EQ(At(img, 0, 0), (RGBQUAD{248, 252, 248, 0}));
  EXPECT_EQ(At(img, 1, 0), (RGBQUAD{0, 252, 0, 0}));
  // Row padding of the result is cleared.
  EXPECT_EQ(img.RowBits(0)[6], 0);
  EXPECT_EQ(img.RowBits(0)[7], 0);
}

TEST(PackedDib, PalettesAndRunLengthCodes) {
  // 8 bits, two colours used; reserved bytes are cleared.
  Bytes p = Header(3, 1, 8, BI_RGB, 2, 11811);
  for (uint8_t v : {10, 20, 30, 77, 40, 50, 60, 0}) p.push_back(v);
  for (uint8_t v : {1, 0, 1, 0}) p.push_back(v);
  GbImage img;
  ASSERT_TRUE(Load(img, p));
  EXPECT_EQ(img.DpiX(), 300);
  EXPECT_EQ(img.PaletteColor(0), (RGBQUAD{10, 20, 30, 0}));
  EXPECT_EQ(img.ReadPixelIndex(0, 0), 1);
  EXPECT_EQ(img.ReadPixelIndex(1, 0), 0);

  // RLE8 on a 4 x 3 image: a run, end of line, a delta, a literal that runs
  // past the row end (dropped there), then the end. Skipped pixels are 0.
  Bytes r = Header(4, 3, 8, BI_RLE8, 4);
  for (int i = 0; i < 4; ++i) Put32(r, uint32_t(i * 0x111111));
  for (uint8_t v : {3, 2, 0, 0,              // row 0: 2 2 2 0
                    0, 2, 1, 0,              // delta to (1, 1)
                    0, 5, 1, 2, 3, 1, 2, 0,  // literal of 5 from x = 1, then a pad byte
                    0, 1})
    r.push_back(v);
  ASSERT_TRUE(Load(img, r));
  const uint8_t rows[3][4] = {{2, 2, 2, 0}, {0, 1, 2, 3}, {0, 0, 0, 0}};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(img.ReadPixelIndex(x, y), rows[y][x]) << x << "," << y;

  // RLE4: a run alternates nibbles; a literal of 3 takes 2 bytes (no pad);
  // data cut short simply ends the picture.
  Bytes r4 = Header(6, 2, 4, BI_RLE4, 16);
  for (int i = 0; i < 16; ++i) Put32(r4, uint32_t(i * 0x101010));
  for (uint8_t v : {5, 0x12, 0, 0, 0, 3, 0x45, 0x60, 2}) r4.push_back(v);
  ASSERT_TRUE(Load(img, r4));
  const uint8_t rows4[2][6] = {{1, 2, 1, 2, 1, 0}, {4, 5, 6, 0, 0, 0}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(img.ReadPixelIndex(x, y), rows4[y][x]) << x << "," << y;
}

TEST(PackedDib, ShortOrLyingBlocksFail) {
  GbImage img(4, 4, 24, 0);
  const Bytes good = [] {
    Bytes b = Header(2, 2, 24, BI_RGB);
    b.resize(40 + 16, 0x55);
    return b;
  }();
  ASSERT_TRUE(Load(img, good));
  // Every shorter block fails and leaves no pixels.
  for (size_t n = 0; n < good.size(); ++n) {
    Bytes cut(good.begin(), good.begin() + long(n));
    EXPECT_FALSE(Load(img, cut)) << n;
    EXPECT_FALSE(img.HasPixels()) << n;
  }
  auto with = [&](size_t offset, uint32_t value, int bytes = 4) {
    Bytes b = good;
    for (int i = 0; i < bytes; ++i) b[offset + size_t(i)] = uint8_t(value >> (8 * i));
    return b;
  };
  EXPECT_FALSE(Load(img, with(0, 12)));           // old core header
  EXPECT_FALSE(Load(img, with(0, 1000)));         // header longer than the block
  EXPECT_FALSE(Load(img, with(4, 0)));            // no width
  EXPECT_FALSE(Load(img, with(4, 0xFFFFFFFE)));   // negative width
  EXPECT_FALSE(Load(img, with(8, 0)));            // no height
  EXPECT_FALSE(Load(img, with(8, 0x80000000)));   // the one height with no positive twin
  EXPECT_FALSE(Load(img, with(14, 7, 2)));        // no such depth
  EXPECT_FALSE(Load(img, with(16, 3)));           // bit fields on 24 bits
  EXPECT_FALSE(Load(img, with(16, 9)));           // unknown compression
  EXPECT_FALSE(Load(img, with(32, 0x40000000)));  // more colours than bytes
  // RLE codes belong to their own depth.
  Bytes rle4on8 = Header(2, 2, 8, BI_RLE4, 1);
  rle4on8.resize(rle4on8.size() + 8, 0);
  EXPECT_FALSE(Load(img, rle4on8));
  // A huge picture claimed by a small block is refused before allocation.
  Bytes huge = Header(16000, 16000, 24, BI_RGB);
  huge.resize(huge.size() + 1000, 0);
  EXPECT_FALSE(Load(img, huge));
  // Run-length blocks too: a few codes that stop at the first row cannot
  // stand for 16000 x 16000, nor can moves to its top, which no run-length
  // drawing of that size needs.
  Bytes rle = Header(16000, 16000, 8, BI_RLE8, 2);
  rle.resize(rle.size() + 8, 0);
  for (uint8_t b : {4, 1, 0, 0, 0, 1}) rle.push_back(b);
  EXPECT_FALSE(Load(img, rle));
  EXPECT_FALSE(img.HasPixels());
  Bytes moves = Header(16000, 16000, 8, BI_RLE8, 2);
  moves.resize(moves.size() + 8, 0);
  for (int i = 0; i < 63; ++i)
    for (uint8_t b : {0, 2, 0, 255}) moves.push_back(b);
  EXPECT_FALSE(Load(img, moves));
  // A sparse drawing whose codes reach every row is what it says it is.
  Bytes sparse = Header(2000, 1000, 8, BI_RLE8, 2);
  for (uint8_t b : {0, 0, 0, 0, 255, 255, 255, 0}) sparse.push_back(b);
  for (int y = 0; y < 1000; ++y)
    for (uint8_t b : {3, 1, 0, 0}) sparse.push_back(b);
  ASSERT_TRUE(Load(img, sparse));
  EXPECT_EQ(img.ReadPixelIndex(2, 999), 1);
  EXPECT_EQ(img.ReadPixelIndex(3, 999), 0);
}

TEST(PackedDib, MatchesTheBmpReaderOnSuiteFiles) {
  // A BMP file is a 14-byte file header before a packed DIB; the suite
  // files below put the pixels right after the colour table.
  const char* files[] = {"pal1.bmp",   "pal1bg.bmp",    "pal4.bmp",        "pal4rle.bmp", "pal8.bmp",
                         "pal8-0.bmp", "pal8rle.bmp",   "pal8topdown.bmp", "pal8v4.bmp",  "pal8v5.bmp",
                         "rgb16.bmp",  "rgb16-565.bmp", "rgb16bfdef.bmp",  "rgb24.bmp",   "rgb24pal.bmp",
                         "rgb32.bmp",  "rgb32bf.bmp",   "rgb32bfdef.bmp"};
  // Odd bit-field masks, cut-off run-length data, large colour tables.
  const char* odd[] = {"rgb16-231.bmp",  "rgb16-3103.bmp",      "rgb32-111110.bmp",  "rgb32-7187.bmp",
                       "rgb32-xbgr.bmp", "rgb32h52.bmp",        "rgb24largepal.bmp", "pal8rlecut.bmp",
                       "pal4rlecut.bmp", "pal8oversizepal.bmp", "rgba16-4444.bmp",   "rgba32-1010102.bmp"};
  std::vector<std::filesystem::path> paths;
  for (const char* name : files) paths.push_back(gbtest::TestData() / "bmp/bmpsuite/g" / name);
  for (const char* name : odd) paths.push_back(gbtest::TestData() / "bmp/bmpsuite/q" / name);
  for (const auto& path : paths) {
    const std::string name = path.filename().string();
    const std::string file = gbtest::ReadFile(path);
    ASSERT_GT(file.size(), 14u) << name;
    GbImage viaBmp;
    ASSERT_TRUE(viaBmp.LoadFile(path.string().c_str(), GB_TYPE_BMP)) << name << ": " << viaBmp.LastError();
    GbImage viaDib;
    ASSERT_TRUE(viaDib.CreateFromPackedDib(reinterpret_cast<const uint8_t*>(file.data()) + 14, file.size() - 14))
        << name;
    ASSERT_EQ(viaDib.Width(), viaBmp.Width()) << name;
    ASSERT_EQ(viaDib.Height(), viaBmp.Height()) << name;
    ASSERT_EQ(viaDib.BitsPerPixel(), viaBmp.BitsPerPixel()) << name;
    int differ = 0;
    for (long y = 0; y < long(viaDib.Height()); ++y)
      for (long x = 0; x < long(viaDib.Width()); ++x) differ += !(At(viaDib, x, y) == At(viaBmp, x, y));
    EXPECT_EQ(differ, 0) << name;
  }
}
