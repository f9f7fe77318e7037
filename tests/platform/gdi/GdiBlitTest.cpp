#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "GdiTestSupport.h"

namespace {

// Distinct colours for a w x h picture: 0x0000yx plus a marker.
std::vector<uint32_t> Numbered(int w, int h) {
  std::vector<uint32_t> v;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) v.push_back(0x100000u + uint32_t(y) * 16 + uint32_t(x));
  return v;
}
uint32_t N(int x, int y) { return 0x100000u + uint32_t(y) * 16 + uint32_t(x); }

}  // namespace

TEST(GdiBitBlt, CopiesAndClipsAtEveryEdge) {
  Canvas src(4, 3, 24), dst(4, 3, 24);
  src.Paint(4, Numbered(4, 3));
  ASSERT_TRUE(BitBlt(dst.dc, 2, 1, 3, 3, src.dc, 0, 0, SRCCOPY));
  const uint32_t O = 0;
  EXPECT_EQ(dst.Dump(4, 3), (std::vector<uint32_t>{O, O, O, O,              //
                                                   O, O, N(0, 0), N(1, 0),  //
                                                   O, O, N(0, 1), N(1, 1)}));
  // A source origin outside the source leaves those destination pixels alone.
  Canvas d2(2, 1, 24);
  d2.Paint(2, {0xABCDEF, 0xABCDEF});
  ASSERT_TRUE(BitBlt(d2.dc, 0, 0, 2, 1, src.dc, -1, 0, SRCCOPY));
  EXPECT_EQ(d2.Dump(2, 1), (std::vector<uint32_t>{0xABCDEF, N(0, 0)}));
  // Same rows whether the bitmaps are stored top-down or bottom-up.
  Canvas srcDown(4, 3, 24, true), dstDown(4, 3, 32, true);
  srcDown.Paint(4, Numbered(4, 3));
  ASSERT_TRUE(BitBlt(dstDown.dc, 2, 1, 3, 3, srcDown.dc, 0, 0, SRCCOPY));
  EXPECT_EQ(dstDown.Dump(4, 3), dst.Dump(4, 3));
}

TEST(GdiBitBlt, RasterOperationsCombineColoursBitwise) {
  const uint32_t d = 0x00F0F0, s = 0x0F0FF0;
  const struct {
    DWORD rop;
    uint32_t expect;
  } cases[] = {{SRCCOPY, s},
               {SRCAND, s & d},
               {SRCPAINT, s | d},
               {SRCINVERT, s ^ d},
               {SRCERASE, s & ~d & 0xFFFFFF},
               {NOTSRCCOPY, ~s & 0xFFFFFF},
               {NOTSRCERASE, ~(s | d) & 0xFFFFFF},
               {MERGEPAINT, (~s | d) & 0xFFFFFF},
               {DSTINVERT, ~d & 0xFFFFFF},
               {PATCOPY, 0x123456},
               {PATINVERT, 0x123456 ^ d},
               {BLACKNESS, 0},
               {WHITENESS, 0xFFFFFF}};
  Canvas src(1, 1, 24), dst(1, 1, 32);
  src.Set(0, 0, s);
  HBRUSH brush = CreateSolidBrush(RGB(0x12, 0x34, 0x56));
  HGDIOBJ oldBrush = SelectObject(dst.dc, brush);
  for (const auto& c : cases) {
    dst.Set(0, 0, d);
    ASSERT_TRUE(BitBlt(dst.dc, 0, 0, 1, 1, src.dc, 0, 0, c.rop));
    EXPECT_EQ(dst.Get(0, 0), c.expect) << std::hex << c.rop;
  }
  SelectObject(dst.dc, oldBrush);
  DeleteObject(brush);
}

TEST(GdiBitBlt, OverlappingCopyWithinOneBitmapAndAcrossDepths) {
  Canvas c(4, 1, 24);
  c.Paint(4, {1, 2, 3, 4});
  ASSERT_TRUE(BitBlt(c.dc, 1, 0, 3, 1, c.dc, 0, 0, SRCCOPY));
  EXPECT_EQ(c.Dump(4, 1), (std::vector<uint32_t>{1, 1, 2, 3}));

  // Palette source into true colour gives the palette's colours; true
  // colour into one bit picks the nearer of black and white.
  Canvas pal(2, 1, 4, false, {0x000000, 0x336699, 0xFFFFFF});
  static_cast<uint8_t*>(pal.bits)[0] = 0x12;
  Canvas rgb(2, 1, 24);
  ASSERT_TRUE(BitBlt(rgb.dc, 0, 0, 2, 1, pal.dc, 0, 0, SRCCOPY));
  EXPECT_EQ(rgb.Dump(2, 1), (std::vector<uint32_t>{0x336699, 0xFFFFFF}));
  Canvas mono(2, 1, 1, false, {0x000000, 0xFFFFFF});
  rgb.Paint(2, {0x303030, 0xC0C0C0});
  ASSERT_TRUE(BitBlt(mono.dc, 0, 0, 2, 1, rgb.dc, 0, 0, SRCCOPY));
  EXPECT_EQ(mono.Dump(2, 1), (std::vector<uint32_t>{0x000000, 0xFFFFFF}));
}

TEST(GdiStretchBlt, UpAndDownScalingKeepTheOriginCorner) {
  // 2 x 2 -> 5 x 3: columns 0 0 0 1 1, rows 0 0 1 (d * 2 / 5 and d * 2 / 3).
  Canvas small(2, 2, 24), big(5, 3, 24);
  small.Paint(2, {0xA, 0xB, 0xC, 0xD});
  SetStretchBltMode(big.dc, COLORONCOLOR);
  ASSERT_TRUE(StretchBlt(big.dc, 0, 0, 5, 3, small.dc, 0, 0, 2, 2, SRCCOPY));
  EXPECT_EQ(big.Dump(5, 3), (std::vector<uint32_t>{0xA, 0xA, 0xA, 0xB, 0xB,  //
                                                   0xA, 0xA, 0xA, 0xB, 0xB,  //
                                                   0xC, 0xC, 0xC, 0xD, 0xD}));
  // 5 x 3 -> 2 x 2: columns d * 5 / 2 = 0 2, rows d * 3 / 2 = 0 1.
  big.Paint(5, Numbered(5, 3));
  ASSERT_TRUE(StretchBlt(small.dc, 0, 0, 2, 2, big.dc, 0, 0, 5, 3, SRCCOPY));
  EXPECT_EQ(small.Dump(2, 2), (std::vector<uint32_t>{N(0, 0), N(2, 0), N(0, 1), N(2, 1)}));
  // Stored top-down or bottom-up, the picture is the same.
  Canvas bigDown(5, 3, 24, true), smallDown(2, 2, 8, true, {N(0, 0), N(2, 0), N(0, 1), N(2, 1), 0});
  bigDown.Paint(5, Numbered(5, 3));
  ASSERT_TRUE(StretchBlt(smallDown.dc, 0, 0, 2, 2, bigDown.dc, 0, 0, 5, 3, SRCCOPY));
  EXPECT_EQ(smallDown.Dump(2, 2), small.Dump(2, 2));
}

TEST(GdiStretchBlt, OffsetsMirroringAndClipping) {
  Canvas src(3, 1, 24), dst(6, 2, 24);
  src.Paint(3, {1, 2, 3});
  // Opposite signs mirror: the destination runs from its right end.
  ASSERT_TRUE(StretchBlt(dst.dc, 6, 0, -6, 1, src.dc, 0, 0, 3, 1, SRCCOPY));
  EXPECT_EQ(dst.Dump(6, 1), (std::vector<uint32_t>{3, 3, 2, 2, 1, 1}));
  ASSERT_TRUE(StretchBlt(dst.dc, 0, 0, 6, 1, src.dc, 3, 0, -3, 1, SRCCOPY));
  EXPECT_EQ(dst.Dump(6, 1), (std::vector<uint32_t>{3, 3, 2, 2, 1, 1}));
  // Both negative: no mirror.
  ASSERT_TRUE(StretchBlt(dst.dc, 6, 0, -6, 1, src.dc, 3, 0, -3, 1, SRCCOPY));
  EXPECT_EQ(dst.Dump(6, 1), (std::vector<uint32_t>{1, 1, 2, 2, 3, 3}));
  // Part of a source, placed partly outside the destination.
  ASSERT_TRUE(StretchBlt(dst.dc, -2, 1, 4, 1, src.dc, 1, 0, 2, 1, SRCCOPY));
  EXPECT_EQ(dst.Get(0, 1), 3u);
  EXPECT_EQ(dst.Get(1, 1), 3u);
  EXPECT_EQ(dst.Get(2, 1), 0u);
  EXPECT_FALSE(StretchBlt(dst.dc, 0, 0, 0, 1, src.dc, 0, 0, 3, 1, SRCCOPY));
}

TEST(GdiPlgBlt, QuarterTurnAndAxisAlignedCopies) {
  // A 3 x 2 picture, rows A B C / D E F, turned a quarter clockwise: the
  // source's upper-left goes to (2, 0), upper-right to (2, 3), lower-left
  // to (0, 0); the result reads D A / E B / F C.
  Canvas src(3, 2, 24), dst(2, 3, 24);
  const uint32_t A = 0xA, B = 0xB, C = 0xC, D = 0xD, E = 0xE, F = 0xF;
  src.Paint(3, {A, B, C, D, E, F});
  const POINT turn[3] = {{2, 0}, {2, 3}, {0, 0}};
  ASSERT_TRUE(PlgBlt(dst.dc, turn, src.dc, 0, 0, 3, 2, nullptr, 0, 0));
  EXPECT_EQ(dst.Dump(2, 3), (std::vector<uint32_t>{D, A, E, B, F, C}));
  // The other way: upper-left to (0, 3), upper-right to (0, 0), lower-left to (2, 3).
  const POINT back[3] = {{0, 3}, {0, 0}, {2, 3}};
  ASSERT_TRUE(PlgBlt(dst.dc, back, src.dc, 0, 0, 3, 2, nullptr, 0, 0));
  EXPECT_EQ(dst.Dump(2, 3), (std::vector<uint32_t>{C, F, B, E, A, D}));

  // An upright parallelogram samples exactly like StretchBlt.
  Canvas small(2, 2, 24), viaStretch(5, 3, 24), viaPlg(5, 3, 24);
  small.Paint(2, {A, B, C, D});
  ASSERT_TRUE(StretchBlt(viaStretch.dc, 0, 0, 5, 3, small.dc, 0, 0, 2, 2, SRCCOPY));
  const POINT box[3] = {{0, 0}, {5, 0}, {0, 3}};
  ASSERT_TRUE(PlgBlt(viaPlg.dc, box, small.dc, 0, 0, 2, 2, nullptr, 0, 0));
  EXPECT_EQ(viaPlg.Dump(5, 3), viaStretch.Dump(5, 3));
  Canvas big(5, 3, 24), down1(2, 2, 24), down2(2, 2, 24);
  big.Paint(5, Numbered(5, 3));
  StretchBlt(down1.dc, 0, 0, 2, 2, big.dc, 0, 0, 5, 3, SRCCOPY);
  const POINT box2[3] = {{0, 0}, {2, 0}, {0, 2}};
  ASSERT_TRUE(PlgBlt(down2.dc, box2, big.dc, 0, 0, 5, 3, nullptr, 0, 0));
  EXPECT_EQ(down2.Dump(2, 2), down1.Dump(2, 2));

  // Points on one line are refused.
  const POINT flat[3] = {{0, 0}, {2, 0}, {4, 0}};
  EXPECT_FALSE(PlgBlt(dst.dc, flat, src.dc, 0, 0, 3, 2, nullptr, 0, 0));
}

TEST(GdiPlgBlt, RotatedCopyStaysInsideItsParallelogram) {
  // 45 degrees of a 4 x 4 white square onto black: only pixels whose
  // centres fall inside the diamond change, and the corners stay black.
  Canvas src(4, 4, 24), dst(7, 7, 24);
  src.Paint(4, std::vector<uint32_t>(16, 0xFFFFFF));
  const POINT diamond[3] = {{3, 0}, {6, 3}, {0, 3}};  // a 3-pixel-edge diamond, centre (3, 3)
  ASSERT_TRUE(PlgBlt(dst.dc, diamond, src.dc, 0, 0, 4, 4, nullptr, 0, 0));
  for (int y = 0; y < 7; ++y) {
    for (int x = 0; x < 7; ++x) {
      const double distance = std::abs(x + 0.5 - 3) + std::abs(y + 0.5 - 3);
      if (distance == 3) continue;  // centre on the edge: either is right
      EXPECT_EQ(dst.Get(x, y), distance < 3 ? 0xFFFFFFu : 0u) << x << "," << y;
    }
  }
}

TEST(GdiMaskedCopies, MaskBltPlgBltMaskAndColourKey) {
  Canvas src(4, 1, 24), dst(4, 1, 24);
  src.Paint(4, {1, 2, 3, 4});
  dst.Paint(4, {9, 9, 9, 9});
  // Mask 1 0 1 0 (one row, top-down device bits).
  const uint8_t bits[2] = {0xA0, 0};
  HBITMAP mask = CreateBitmap(4, 1, 1, 1, bits);
  ASSERT_TRUE(MaskBlt(dst.dc, 0, 0, 4, 1, src.dc, 0, 0, mask, 0, 0, MAKEROP4(SRCCOPY, DSTCOPY)));
  EXPECT_EQ(dst.Dump(4, 1), (std::vector<uint32_t>{1, 9, 3, 9}));
  // The mask lines up with the source rectangle.
  dst.Paint(4, {9, 9, 9, 9});
  const POINT shift[3] = {{0, 0}, {2, 0}, {0, 1}};
  ASSERT_TRUE(PlgBlt(dst.dc, shift, src.dc, 2, 0, 2, 1, mask, 0, 0));
  EXPECT_EQ(dst.Dump(4, 1), (std::vector<uint32_t>{3, 9, 9, 9}));
  // A mask must be monochrome.
  EXPECT_FALSE(MaskBlt(dst.dc, 0, 0, 4, 1, src.dc, 0, 0, src.bitmap, 0, 0, SRCCOPY));
  DeleteObject(mask);

  dst.Paint(4, {9, 9, 9, 9});
  ASSERT_TRUE(TransparentBlt(dst.dc, 0, 0, 4, 1, src.dc, 0, 0, 4, 1, RGB(0, 0, 2)));
  EXPECT_EQ(dst.Dump(4, 1), (std::vector<uint32_t>{1, 9, 3, 4}));
}

TEST(GdiFill, FillRectAndPatBltUseTheBrush) {
  Canvas c(3, 2, 8, false, {0x000000, 0xFF0000, 0x00FF00});
  HBRUSH green = CreateSolidBrush(RGB(0, 250, 0));
  const RECT r{1, 0, 9, 1};
  EXPECT_EQ(FillRect(c.dc, &r, green), 1);
  EXPECT_EQ(c.Dump(3, 2), (std::vector<uint32_t>{0, 0x00FF00, 0x00FF00, 0, 0, 0}));
  HGDIOBJ old = SelectObject(c.dc, green);
  EXPECT_FALSE(DeleteObject(green));  // still selected
  EXPECT_TRUE(PatBlt(c.dc, 0, 1, 1, 1, PATCOPY));
  EXPECT_EQ(c.Get(0, 1), 0x00FF00u);
  SelectObject(c.dc, old);
  EXPECT_TRUE(DeleteObject(green));
  EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_BRUSH)));  // stock objects stay
  EXPECT_EQ(FillRect(c.dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))), 1);
  EXPECT_EQ(c.Get(1, 0), 0u);
}

TEST(GdiBlits, ExtremeCoordinatesStayInRange) {
  Canvas src(2, 2, 24), dst(2, 2, 24);
  src.Paint(2, {1, 2, 3, 4});
  const int big = 0x7FFFFFF0, small = -0x7FFFFFF0;
  // Far away on either side: nothing to copy.
  EXPECT_TRUE(BitBlt(dst.dc, big, big, 100, 100, src.dc, 0, 0, SRCCOPY));
  EXPECT_TRUE(BitBlt(dst.dc, 0, 0, 2, 2, src.dc, big, small, SRCCOPY));
  EXPECT_EQ(dst.Dump(2, 2), (std::vector<uint32_t>{0, 0, 0, 0}));
  // Huge extents reaching over the bitmap sample sensibly, without overflow.
  EXPECT_TRUE(StretchBlt(dst.dc, small, 0, 0x7FFFFFFF, 2, src.dc, 0, 0, 2, 2, SRCCOPY));
  EXPECT_EQ(dst.Get(0, 0), 2u);  // d near 2^31 of 2^31: the last source column
  EXPECT_TRUE(StretchBlt(dst.dc, big, big, -0x7FFFFFFF, -5, src.dc, big, 0, 3, 3, SRCCOPY));
  const POINT far[3] = {{big, big}, {small, big}, {big, small}};
  PlgBlt(dst.dc, far, src.dc, big, big, 2, 2, nullptr, 0, 0);
  EXPECT_TRUE(PatBlt(dst.dc, big, big, -0x7FFFFFFF, -0x7FFFFFFF, BLACKNESS));
  EXPECT_EQ(dst.Dump(2, 2), (std::vector<uint32_t>{0, 0, 0, 0}));
}
