#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/text/GdiText.h"

namespace {

HFONT Font(const char* face, int height, BYTE quality = DEFAULT_QUALITY, int weight = FW_NORMAL) {
  GdiFontDesc d;
  d.height = height;
  d.weight = weight;
  d.quality = quality;
  std::strncpy(d.faceName, face, sizeof d.faceName - 1);
  return CreateFontFromDesc(d);
}

// A black 24-bit bitmap in a memory context with a font selected.
struct TextCanvas {
  HDC dc;
  HBITMAP bmp;
  HGDIOBJ oldBmp, oldFont;
  HFONT font;
  uint8_t* bits = nullptr;
  int w, h;
  TextCanvas(int width, int height, HFONT f) : font(f), w(width), h(height) {
    BITMAPINFO info{};
    info.bmiHeader = BITMAPINFOHEADER{40, width, -height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* p = nullptr;
    bmp = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &p);
    bits = static_cast<uint8_t*>(p);
    dc = CreateCompatibleDC(nullptr);
    oldBmp = SelectObject(dc, bmp);
    oldFont = SelectObject(dc, font);
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkColor(dc, RGB(0, 0, 0));
  }
  ~TextCanvas() {
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBmp);
    DeleteDC(dc);
    DeleteObject(bmp);
    DeleteObject(font);
  }
  uint8_t Blue(int x, int y) const { return bits[size_t(y) * size_t((w * 3 + 3) & ~3) + size_t(x) * 3]; }
  uint8_t Green(int x, int y) const { return bits[size_t(y) * size_t((w * 3 + 3) & ~3) + size_t(x) * 3 + 1]; }
  // Pixels of exactly the colour blue 200 (the background colour below).
  int BackgroundPixels() const {
    int n = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) n += Blue(x, y) == 200 && Green(x, y) == 0;
    return n;
  }
  std::vector<uint8_t> Bytes() const { return std::vector<uint8_t>(bits, bits + size_t((w * 3 + 3) & ~3) * size_t(h)); }
  // Bounds of the lit pixels: left, top, right, bottom (exclusive); all 0 if none.
  RECT Lit() const {
    RECT r{w, h, 0, 0};
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (Blue(x, y)) {
          r.left = std::min<LONG>(r.left, x), r.top = std::min<LONG>(r.top, y);
          r.right = std::max<LONG>(r.right, x + 1), r.bottom = std::max<LONG>(r.bottom, y + 1);
        }
    return r.right ? r : RECT{};
  }
};

RECT Measure(HDC dc, const char* text, UINT extra = 0) {
  RECT r{0, 0, 0, 0};
  DrawText(dc, text, -1, &r, DT_CALCRECT | DT_NOPREFIX | extra);
  return r;
}

}  // namespace

TEST(GdiText, MeasuresLinesWithTheSelectedFont) {
  TextCanvas c(10, 10, Font("Arial", -20));
  const RECT one = Measure(c.dc, "Hello");
  EXPECT_GT(one.right, 35);
  EXPECT_LT(one.right, 70);
  TEXTMETRIC tm;
  ASSERT_TRUE(GetTextMetrics(c.dc, &tm));
  EXPECT_EQ(one.bottom, tm.tmHeight);
  EXPECT_GE(tm.tmHeight, 20);
  EXPECT_LE(tm.tmHeight, 26);
  SIZE size;
  ASSERT_TRUE(GetTextExtentPoint32(c.dc, "Hello", 5, &size));
  EXPECT_EQ(size.cx, one.right);
  // Lines break at CR LF, CR and LF; the width is the widest line's.
  for (const char* two : {"Hello\r\nHi", "Hello\rHi", "Hi\nHello"}) {
    const RECT r = Measure(c.dc, two);
    EXPECT_EQ(r.bottom, 2 * one.bottom) << two;
    EXPECT_EQ(r.right, one.right) << two;
  }
  EXPECT_EQ(Measure(c.dc, "Hello\r\nHi", DT_SINGLELINE).bottom, one.bottom);
  // "&" is an ordinary character.
  EXPECT_GT(Measure(c.dc, "A&B").right, Measure(c.dc, "AB").right);
  // A count limits the text.
  RECT part{0, 0, 0, 0};
  DrawText(c.dc, "HelloHello", 5, &part, DT_CALCRECT);
  EXPECT_EQ(part.right, one.right);
}

TEST(GdiText, FaceNamesResolveToDifferentInstalledFonts) {
  int widths[4];
  const char* faces[4] = {"Arial", "Times New Roman", "Tahoma", "MS Serif"};
  for (int i = 0; i < 4; ++i) {
    TextCanvas c(10, 10, Font(faces[i], -30));
    widths[i] = Measure(c.dc, "Glimmerbox sticker").right;
    EXPECT_GT(widths[i], 150) << faces[i];
  }
  EXPECT_NE(widths[0], widths[1]);  // sans against serif
  EXPECT_NE(widths[0], widths[2]);  // two different sans faces
  // Bold is wider than regular.
  TextCanvas bold(10, 10, Font("Arial", -30, DEFAULT_QUALITY, FW_BOLD));
  EXPECT_GT(Measure(bold.dc, "Glimmerbox sticker").right, widths[0]);
}

TEST(GdiText, DrawsInsideTheRectangleWithEachAlignment) {
  const char* text = "Glimmer";
  for (UINT align : {DT_LEFT, DT_CENTER, DT_RIGHT}) {
    TextCanvas c(200, 40, Font("Arial", -24));
    const RECT size = Measure(c.dc, text);
    RECT r{10, 5, 190, 5 + size.bottom};
    EXPECT_EQ(DrawText(c.dc, text, -1, &r, align | DT_NOPREFIX), size.bottom);
    const RECT lit = c.Lit();
    ASSERT_GT(lit.right, 0) << align;
    EXPECT_GE(lit.top, 5);
    EXPECT_LE(lit.bottom, 5 + size.bottom);
    // The ink sits within a few pixels of where the measured box goes.
    const int boxLeft = align == DT_LEFT ? 10 : align == DT_CENTER ? 10 + (180 - size.right) / 2 : 190 - size.right;
    EXPECT_GE(lit.left, boxLeft - 1) << align;
    EXPECT_LE(lit.left, boxLeft + 4) << align;
    EXPECT_LE(lit.right, boxLeft + size.right + 1) << align;
    EXPECT_GE(lit.right, boxLeft + size.right - 4) << align;
  }
}

TEST(GdiText, SameSettingsGiveTheSameBitmap) {
  TextCanvas a(160, 60, Font("Arial", -28)), b(160, 60, Font("Arial", -28));
  RECT r{0, 0, 160, 60};
  DrawText(a.dc, "Same\r\ntwice", -1, &r, DT_CENTER);
  DrawText(b.dc, "Same\r\ntwice", -1, &r, DT_CENTER);
  EXPECT_EQ(a.Bytes(), b.Bytes());
  // Smooth text has intermediate greys; hard-edged text only black or white.
  int greys = 0;
  for (uint8_t v : a.Bytes()) greys += v != 0 && v != 255;
  EXPECT_GT(greys, 0);
  TextCanvas hard(160, 60, Font("Arial", -28, NONANTIALIASED_QUALITY));
  DrawText(hard.dc, "Same\r\ntwice", -1, &r, DT_CENTER);
  for (uint8_t v : hard.Bytes()) ASSERT_TRUE(v == 0 || v == 255);
  EXPECT_GT(hard.Lit().right, 0);
}

TEST(GdiText, BackgroundModesAndClipping) {
  TextCanvas c(100, 30, Font("Arial", -20));
  SetBkColor(c.dc, RGB(0, 0, 200));
  RECT r{0, 0, 100, 30};
  DrawText(c.dc, "ii", -1, &r, DT_LEFT);
  const RECT size = Measure(c.dc, "ii");
  // Opaque: the line's cell is filled (blue 200 between the glyphs), nothing beyond.
  EXPECT_GT(c.BackgroundPixels(), size.right * size.bottom / 3);
  EXPECT_EQ(c.Blue(size.right + 2, 2), 0);
  EXPECT_EQ(c.Blue(2, size.bottom + 1), 0);

  TextCanvas t(100, 30, Font("Arial", -20));
  SetBkMode(t.dc, TRANSPARENT);
  SetBkColor(t.dc, RGB(0, 0, 200));
  DrawText(t.dc, "ii", -1, &r, DT_LEFT);
  EXPECT_EQ(t.BackgroundPixels(), 0);
  EXPECT_GT(t.Lit().right, 0);

  // Clipped to a rectangle smaller than the text.
  TextCanvas clip(100, 30, Font("Arial", -20));
  RECT small{5, 5, 20, 12};
  DrawText(clip.dc, "WWWW", -1, &small, DT_LEFT);
  const RECT lit = clip.Lit();
  EXPECT_GE(lit.left, 5);
  EXPECT_GE(lit.top, 5);
  EXPECT_LE(lit.right, 20);
  EXPECT_LE(lit.bottom, 12);
}

TEST(GdiText, PaletteBitmapsKeepUntouchedIndices) {
  // Index 0 and 5 are both black: pixels of index 5 away from the glyphs stay 5.
  BITMAPINFO info{};
  info.bmiHeader = BITMAPINFOHEADER{40, 60, 20, 1, 8, BI_RGB, 0, 0, 0, 6, 0};
  info.bmiColors[1] = RGBQUAD{255, 255, 255, 0};
  void* p = nullptr;
  HBITMAP bmp = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &p);
  std::memset(p, 5, 60 * 20);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bmp);
  HFONT f = Font("Arial", -14);
  SelectObject(dc, f);
  SetTextColor(dc, RGB(255, 255, 255));
  SetBkMode(dc, TRANSPARENT);
  RECT r{0, 0, 60, 20};
  DrawText(dc, "x", -1, &r, DT_LEFT);
  auto* px = static_cast<uint8_t*>(p);
  int white = 0, kept = 0;
  for (int i = 0; i < 60 * 20; ++i) white += px[i] == 1, kept += px[i] == 5;
  EXPECT_GT(white, 0);
  EXPECT_EQ(px[60 * 20 - 1], 5);  // a far corner (the top right, stored last)
  EXPECT_GT(kept, 60 * 20 - 200);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(bmp);
  DeleteObject(f);

  // The screen context measures but holds no pixels.
  HDC screen = GetDC(nullptr);
  RECT s{0, 0, 50, 50};
  EXPECT_GT(DrawText(screen, "abc", -1, &s, DT_LEFT), 0);
  ReleaseDC(nullptr, screen);
}
