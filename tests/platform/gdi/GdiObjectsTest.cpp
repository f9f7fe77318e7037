#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "GdiTestSupport.h"
#include "platform/gdi/GlobalMemory.h"

TEST(GdiContexts, StateAndStockObjects) {
  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_EQ(SetTextColor(dc, RGB(1, 2, 3)), RGB(0, 0, 0));
  EXPECT_EQ(GetTextColor(dc), RGB(1, 2, 3));
  EXPECT_EQ(SetBkColor(dc, RGB(4, 5, 6)), RGB(255, 255, 255));
  EXPECT_EQ(SetBkMode(dc, TRANSPARENT), OPAQUE);
  EXPECT_EQ(SetStretchBltMode(dc, COLORONCOLOR), BLACKONWHITE);
  EXPECT_EQ(GetStretchBltMode(dc), COLORONCOLOR);
  EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), 32);
  EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), 96);
  // A fresh memory context holds a 1 x 1 monochrome bitmap.
  BITMAP bm;
  HGDIOBJ def = SelectObject(dc, GetStockObject(BLACK_BRUSH));
  ASSERT_NE(def, nullptr);
  Canvas c(2, 2, 24);
  HGDIOBJ first = SelectObject(dc, c.bitmap);
  EXPECT_EQ(first, nullptr);  // already in c's context
  SelectObject(c.dc, c.previous);
  c.previous = nullptr;
  first = SelectObject(dc, c.bitmap);
  ASSERT_EQ(GetObject(first, sizeof bm, &bm), int(sizeof bm));
  EXPECT_EQ(bm.bmWidth, 1);
  EXPECT_EQ(bm.bmBitsPixel, 1);
  // Deleting the context frees the bitmap for deletion.
  EXPECT_FALSE(DeleteObject(c.bitmap));
  DeleteDC(dc);
  EXPECT_TRUE(DeleteObject(c.bitmap));
  c.bitmap = nullptr;

  GdiFontDesc gui;
  ASSERT_EQ(GetObject(GetStockObject(DEFAULT_GUI_FONT), sizeof gui, &gui), int(sizeof gui));
  EXPECT_LT(gui.height, 0);
}

TEST(GdiFonts, FromAnyLogFontShapedRecord) {
  struct LogFontLike {
    int32_t lfHeight = -20, lfWidth = 0, lfEscapement = 0, lfOrientation = 0, lfWeight = 700;
    uint8_t lfItalic = 1, lfUnderline = 0, lfStrikeOut = 0, lfCharSet = 238, lfOutPrecision = 0, lfClipPrecision = 0,
            lfQuality = 3, lfPitchAndFamily = 0;
    char lfFaceName[32] = "Times New Roman";
  } lf;
  HFONT f = CreateFontIndirect(&lf);
  GdiFontDesc d;
  ASSERT_EQ(GetObject(f, sizeof d, &d), int(sizeof d));
  EXPECT_EQ(d.height, -20);
  EXPECT_EQ(d.weight, 700);
  EXPECT_EQ(d.italic, 1);
  EXPECT_EQ(d.quality, NONANTIALIASED_QUALITY);
  EXPECT_STREQ(d.faceName, "Times New Roman");
  // Face names that fill the field are still terminated.
  std::memset(lf.lfFaceName, 'x', sizeof lf.lfFaceName);
  HFONT g = CreateFontIndirectA(&lf);
  GetObject(g, sizeof d, &d);
  EXPECT_EQ(std::strlen(d.faceName), 31u);
  DeleteObject(f);
  DeleteObject(g);
}

TEST(GdiGlobalMemory, BlocksLockAndFree) {
  HGLOBAL g = GlobalAlloc(GHND, 16);
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(GlobalSize(g), 16u);
  auto* p = static_cast<uint8_t*>(GlobalLock(g));
  ASSERT_NE(p, nullptr);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(p[i], 0);
  EXPECT_FALSE(GlobalUnlock(g));  // now unlocked
  EXPECT_EQ(GlobalFree(g), nullptr);
  HGLOBAL empty = GlobalAlloc(GMEM_MOVEABLE, 0);
  EXPECT_EQ(GlobalLock(empty), nullptr);
  GlobalFree(empty);
  const char text[] = "abc";
  HGLOBAL copy = GlobalFromBytes(text, 4);
  EXPECT_STREQ(static_cast<const char*>(GlobalLock(copy)), "abc");
  GlobalUnlock(copy);
  GlobalFree(copy);
}

TEST(GdiCursors, MaskAndColourMakeArgbPixels) {
  // Key-coloured pixels white in the mask and black in the colour bitmap.
  Canvas colour(2, 1, 24), mask(2, 1, 1, false, {0x000000, 0xFFFFFF});
  colour.Paint(2, {0x000000, 0x123456});
  mask.Paint(2, {0xFFFFFF, 0x000000});
  ICONINFO info;
  info.fIcon = FALSE;
  info.xHotspot = 1;
  info.hbmMask = mask.bitmap;
  info.hbmColor = colour.bitmap;
  HCURSOR cursor = CreateIconIndirect(&info);
  ASSERT_NE(cursor, nullptr);
  std::vector<uint32_t> argb;
  int w = 0, h = 0;
  ASSERT_TRUE(CursorPixels(cursor, argb, w, h));
  EXPECT_EQ(w, 2);
  EXPECT_EQ(h, 1);
  EXPECT_EQ(argb, (std::vector<uint32_t>{0x00000000, 0xFF123456}));
  ICONINFO back;
  ASSERT_TRUE(GetIconInfo(cursor, &back));
  EXPECT_EQ(back.xHotspot, 1u);
  EXPECT_FALSE(back.fIcon);
  DeleteObject(back.hbmMask);
  DeleteObject(back.hbmColor);
  EXPECT_TRUE(DestroyCursor(cursor));
}
