#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "GdiTestSupport.h"

namespace {

constexpr uint32_t kBlack = 0x000000, kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF;

// A 3 x 2 palette bitmap: top row white, black, red; bottom row red, green,
// blue. Stored bottom-up, so memory row 0 is the bottom row.
struct Sample : Canvas {
  Sample() : Canvas(3, 2, 8, false, {kBlack, kRed, kGreen, kBlue, kWhite}) {
    auto* b = static_cast<uint8_t*>(bits);
    const uint8_t rows[2][3] = {{1, 2, 3}, {4, 0, 1}};
    std::memcpy(b, rows[0], 3);
    std::memcpy(b + 4, rows[1], 3);
  }
};

BITMAPINFO Request(int width, int height, int bpp, DWORD compression = BI_RGB) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = 40;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = WORD(bpp);
  info.bmiHeader.biCompression = compression;
  return info;
}

std::vector<uint8_t> Fetch(HBITMAP bmp, BITMAPINFO& info, size_t bytes, UINT start = 0, UINT lines = 2) {
  std::vector<uint8_t> out(bytes, 0xEE);
  EXPECT_EQ(GetDIBits(nullptr, bmp, start, lines, out.data(), &info, DIB_RGB_COLORS), int(lines));
  return out;
}

}  // namespace

TEST(GdiGetDIBits, TrueColourLayoutsInBothRowOrders) {
  Sample s;
  ASSERT_NE(s.bitmap, nullptr);
  BITMAPINFO up = Request(3, 2, 24);
  const std::vector<uint8_t> bottomUp = Fetch(s.bitmap, up, 24);
  const std::vector<uint8_t> expectUp = {0,   0,   255, 0, 255, 0, 255, 0, 0,   0xEE, 0xEE, 0xEE,
                                         255, 255, 255, 0, 0,   0, 0,   0, 255, 0xEE, 0xEE, 0xEE};
  // Padding bytes are not part of the picture; compare the pixels.
  for (size_t i : {0, 1, 2, 3, 4, 5, 6, 7, 8, 12, 13, 14, 15, 16, 17, 18, 19, 20})
    EXPECT_EQ(bottomUp[i], expectUp[i]) << i;
  EXPECT_EQ(up.bmiHeader.biSizeImage, 24u);

  BITMAPINFO down = Request(3, -2, 24);
  const std::vector<uint8_t> topDown = Fetch(s.bitmap, down, 24);
  EXPECT_EQ(std::vector<uint8_t>(topDown.begin(), topDown.begin() + 9),
            std::vector<uint8_t>(bottomUp.begin() + 12, bottomUp.begin() + 21));

  BITMAPINFO quad = Request(3, 2, 32);
  const std::vector<uint8_t> q = Fetch(s.bitmap, quad, 24);
  EXPECT_EQ(
      q, (std::vector<uint8_t>{0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0, 0, 0, 0, 0, 0, 0, 255, 0}));
  // (bottom row: red, green, blue; top row: white, black, red)
}

TEST(GdiGetDIBits, SixteenBitsWithDefaultAndExplicitMasks) {
  Sample s;
  BITMAPINFO rgb555 = Request(3, 2, 16);
  const std::vector<uint8_t> a = Fetch(s.bitmap, rgb555, 16);
  auto word = [](const std::vector<uint8_t>& v, size_t i) { return uint16_t(v[2 * i] | v[2 * i + 1] << 8); };
  // Row stride 8 bytes: words 0..2 bottom row, 4..6 top row.
  EXPECT_EQ(word(a, 0), 0x7C00);
  EXPECT_EQ(word(a, 1), 0x03E0);
  EXPECT_EQ(word(a, 2), 0x001F);
  EXPECT_EQ(word(a, 4), 0x7FFF);
  EXPECT_EQ(word(a, 5), 0x0000);

  BITMAPINFO rgb565 = Request(3, 2, 16, BI_BITFIELDS);
  const DWORD masks[3] = {0xF800, 0x07E0, 0x001F};
  std::memcpy(rgb565.bmiColors, masks, 12);
  const std::vector<uint8_t> b = Fetch(s.bitmap, rgb565, 16);
  EXPECT_EQ(word(b, 0), 0xF800);
  EXPECT_EQ(word(b, 1), 0x07E0);
  EXPECT_EQ(word(b, 4), 0xFFFF);
}

TEST(GdiGetDIBits, PaletteLayoutsGetATableAndNearestIndices) {
  Sample s;
  // Same depth: the bitmap's own table, indices unchanged.
  BITMAPINFO same = Request(3, 2, 8);
  const std::vector<uint8_t> p8 = Fetch(s.bitmap, same, 8);
  EXPECT_EQ(std::vector<uint8_t>(p8.begin(), p8.begin() + 3), (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(std::vector<uint8_t>(p8.begin() + 4, p8.begin() + 7), (std::vector<uint8_t>{4, 0, 1}));
  EXPECT_EQ(same.bmiColors[1], (RGBQUAD{0, 0, 255, 0}));
  EXPECT_EQ(same.bmiColors[4], (RGBQUAD{255, 255, 255, 0}));

  // One bit: black and white; red, green and blue are nearer black.
  BITMAPINFO mono = Request(3, 2, 1);
  const std::vector<uint8_t> p1 = Fetch(s.bitmap, mono, 8);
  EXPECT_EQ(p1[0] & 0xE0, 0x00);
  EXPECT_EQ(p1[4] & 0xE0, 0x80);
  EXPECT_EQ(mono.bmiColors[0], (RGBQUAD{0, 0, 0, 0}));
  EXPECT_EQ(mono.bmiColors[1], (RGBQUAD{255, 255, 255, 0}));

  // Four bits: the 16 console colours (red 9, green 10, blue 12, white 15).
  BITMAPINFO vga = Request(3, 2, 4);
  const std::vector<uint8_t> p4 = Fetch(s.bitmap, vga, 8);
  EXPECT_EQ(p4[0], 0x9A);
  EXPECT_EQ(p4[1] & 0xF0, 0xC0);
  EXPECT_EQ(p4[4], 0xF0);
  EXPECT_EQ(p4[5] & 0xF0, 0x90);
}

TEST(GdiGetDIBits, QueryAndPartialLines) {
  Sample s;
  BITMAPINFO query{};
  query.bmiHeader.biSize = 40;
  EXPECT_EQ(GetDIBits(nullptr, s.bitmap, 0, 2, nullptr, &query, DIB_RGB_COLORS), 2);
  EXPECT_EQ(query.bmiHeader.biWidth, 3);
  EXPECT_EQ(query.bmiHeader.biHeight, 2);
  EXPECT_EQ(query.bmiHeader.biBitCount, 8);

  // Scan line 1 of a bottom-up layout is the top row.
  BITMAPINFO up = Request(3, 2, 24);
  const std::vector<uint8_t> line = Fetch(s.bitmap, up, 12, 1, 1);
  EXPECT_EQ(std::vector<uint8_t>(line.begin(), line.begin() + 9),
            (std::vector<uint8_t>{255, 255, 255, 0, 0, 0, 0, 0, 255}));
  // Lines past the end are cut off; a start past the end copies nothing.
  std::vector<uint8_t> buffer(48);
  EXPECT_EQ(GetDIBits(nullptr, s.bitmap, 1, 5, buffer.data(), &up, DIB_RGB_COLORS), 1);
  EXPECT_EQ(GetDIBits(nullptr, s.bitmap, 2, 1, buffer.data(), &up, DIB_RGB_COLORS), 0);
  EXPECT_EQ(GetDIBits(nullptr, nullptr, 0, 1, buffer.data(), &up, DIB_RGB_COLORS), 0);
}

TEST(GdiSetDIBits, MatchesColoursToThePaletteAndExpandsBitFields) {
  Sample s;
  // Two top-down 24-bit rows of near-colours.
  BITMAPINFO in = Request(3, -2, 24);
  const uint8_t rows[24] = {250, 250, 250, 10, 10, 10, 5, 5, 240, 0, 0, 0, 0, 0, 0, 0, 200, 0, 200, 0, 0, 0, 0, 0};
  EXPECT_EQ(SetDIBits(nullptr, s.bitmap, 0, 2, rows, &in, DIB_RGB_COLORS), 2);
  EXPECT_EQ(s.Dump(3, 2), (std::vector<uint32_t>{kWhite, kBlack, kRed, kBlack, kGreen, kBlue}));

  // 5-5-5 words scale to the full 0..255 range.
  Canvas wide(2, 1, 24);
  BITMAPINFO w16 = Request(2, 1, 16);
  const uint16_t words[2] = {0x7FFF, 0x4210};
  EXPECT_EQ(SetDIBits(nullptr, wide.bitmap, 0, 1, words, &w16, DIB_RGB_COLORS), 1);
  EXPECT_EQ(wide.Get(0, 0), 0xFFFFFFu);
  EXPECT_EQ(wide.Get(1, 0), 0x848484u);  // 16 of 31 -> 132

  // 32 bits with masks in red-green-blue byte order.
  BITMAPINFO w32 = Request(1, 1, 32, BI_BITFIELDS);
  const DWORD masks[3] = {0x0000FF, 0x00FF00, 0xFF0000};
  std::memcpy(w32.bmiColors, masks, 12);
  const uint8_t px[4] = {10, 20, 30, 0};
  EXPECT_EQ(SetDIBits(nullptr, wide.bitmap, 0, 1, px, &w32, DIB_RGB_COLORS), 1);
  EXPECT_EQ(wide.Get(0, 0), 0x0A141Eu);
}

TEST(GdiBitmaps, CreationAndQueries) {
  // Device rows are top-down and padded to 2 bytes.
  const uint8_t mono[4] = {0xFF, 0xC0, 0x00, 0x00};
  HBITMAP m = CreateBitmap(10, 2, 1, 1, mono);
  ASSERT_NE(m, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, m);
  for (int x = 0; x < 10; ++x) {
    EXPECT_EQ(GetPixel(dc, x, 0), RGB(255, 255, 255)) << x;
    EXPECT_EQ(GetPixel(dc, x, 1), RGB(0, 0, 0)) << x;
  }
  EXPECT_EQ(GetPixel(dc, 10, 0), CLR_INVALID);
  // A selected bitmap is not deleted, and goes into one context only.
  EXPECT_FALSE(DeleteObject(m));
  HDC other = CreateCompatibleDC(nullptr);
  EXPECT_EQ(SelectObject(other, m), nullptr);
  // A memory context's compatible bitmap has the depth of its bitmap.
  HBITMAP compat = CreateCompatibleBitmap(dc, 4, 4);
  BITMAP bm;
  ASSERT_EQ(GetObject(compat, sizeof bm, &bm), int(sizeof bm));
  EXPECT_EQ(bm.bmBitsPixel, 1);
  DeleteObject(compat);
  SelectObject(dc, old);
  EXPECT_TRUE(DeleteObject(m));
  DeleteDC(dc);
  DeleteDC(other);

  HDC screen = GetDC(nullptr);
  HBITMAP device = CreateCompatibleBitmap(screen, 5, 3);
  DIBSECTION ds;
  ASSERT_EQ(GetObject(device, sizeof ds, &ds), int(sizeof ds));
  EXPECT_EQ(ds.dsBm.bmBitsPixel, 32);
  EXPECT_EQ(ds.dsBm.bmWidthBytes, 20);
  EXPECT_EQ(ds.dsBm.bmHeight, 3);
  EXPECT_NE(ds.dsBm.bmBits, nullptr);
  ReleaseDC(nullptr, screen);
  DeleteObject(device);

  Canvas topDown(2, 3, 24, true);
  ASSERT_EQ(GetObject(topDown.bitmap, sizeof ds, &ds), int(sizeof ds));
  EXPECT_EQ(ds.dsBm.bmHeight, 3);
  EXPECT_EQ(ds.dsBmih.biHeight, -3);
  // A top-down section keeps the top row first in memory.
  topDown.Set(0, 0, 0x102030);
  EXPECT_EQ(static_cast<uint8_t*>(topDown.bits)[2], 0x10);
}

TEST(GdiBitmaps, RejectsBadDescriptions) {
  BITMAPINFO info = Request(4, 4, 24);
  void* bits = reinterpret_cast<void*>(1);
  info.bmiHeader.biBitCount = 7;
  EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits), nullptr);
  EXPECT_EQ(bits, nullptr);
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biWidth = 0;
  EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits), nullptr);
  info.bmiHeader.biWidth = 0x7FFFFFFF;
  info.bmiHeader.biHeight = 0x7FFFFFFF;
  EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits), nullptr);
  info = Request(4, 4, 24, BI_BITFIELDS);  // bit fields are for 16 and 32 bits
  EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits), nullptr);
  info = Request(4, 4, 8, BI_RLE8);
  EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits), nullptr);
}
