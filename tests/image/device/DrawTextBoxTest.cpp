#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>

#include "image/core/GbImage.h"
#include "image/core/TextSettings.h"

// Builds without the Qt-backed text part draw no text.
#ifdef GB_HAVE_GDI_TEXT
#define REQUIRE_TEXT()
#else
#define REQUIRE_TEXT() GTEST_SKIP() << "built without text drawing"
#endif

namespace {

constexpr RGBQUAD kWhite{255, 255, 255, 0};

GbImage White(uint32_t w, uint32_t h) {
  GbImage img(w, h, 24, 0);
  img.Fill(255);
  return img;
}

TextSettings Settings(const char* text, int alignment = kAlignCentre) {
  TextSettings s;
  InitTextSettings(s);
  std::strcpy(s.text, text);
  s.alignment = alignment;
  return s;
}

bool Same(RGBQUAD a, RGBQUAD b) { return a.rgbBlue == b.rgbBlue && a.rgbGreen == b.rgbGreen && a.rgbRed == b.rgbRed; }

// Bounds (top-down, inclusive) of the pixels that are exactly a colour.
struct Box {
  long left = 1 << 30, right = -1, top = 1 << 30, bottom = -1;
  long Width() const { return right - left + 1; }
};
Box Find(const GbImage& img, RGBQUAD colour) {
  Box b;
  for (long y = 0; y < long(img.Height()); ++y)
    for (long x = 0; x < long(img.Width()); ++x)
      if (Same(img.ReadPixelColor(x, y, false), colour)) {
        const long top = long(img.Height()) - 1 - y;
        b.left = std::min(b.left, x), b.right = std::max(b.right, x);
        b.top = std::min(b.top, top), b.bottom = std::max(b.bottom, top);
      }
  return b;
}

// The box geometry the drawing rules give for a measured text.
struct Geometry {
  long width, height, radius, margin;
};
Geometry Expected(const RECT& measured, int lines, int roundRadius, bool italic = false) {
  long right = measured.right;
  const long bottom = measured.bottom;
  if (italic) right += (bottom / 2) / lines;
  const long lh = bottom / lines;
  const long r = lh * roundRadius / 100;
  const long m = long(r * 0.2928932);
  right += lh / 3;
  return {right + 2 * m, bottom + 2 * m, r, m};
}

bool SameImage(const GbImage& a, const GbImage& b) {
  return a.PackedSize() == b.PackedSize() && std::memcmp(a.PackedDib(), b.PackedDib(), a.PackedSize()) == 0;
}

}  // namespace

TEST(DrawTextBox, CentredBoxSitsOnTheAnchorRow) {
  REQUIRE_TEXT();
  GbImage img = White(300, 120);
  const TextSettings s = Settings("AB");
  const RECT measured = img.DrawTextBox(nullptr, 100, 50, s, false);
  ASSERT_GT(measured.right, 0);
  EXPECT_EQ(measured.left, 0);
  EXPECT_EQ(measured.top, 0);
  const Geometry g = Expected(measured, 1, s.roundRadius);
  const RGBQUAD box = GbImage::ColorRefToQuad(s.boxColor);
  const Box found = Find(img, box);
  // The box spans x0 .. x0 + W - 1 with x0 = 100 - W / 2, and its lowest
  // row (top-down) is 50.
  EXPECT_EQ(found.left, 100 - g.width / 2);
  EXPECT_EQ(found.Width(), g.width);
  EXPECT_EQ(found.bottom, 50);
  EXPECT_EQ(found.top, 50 - g.height + 1);
  // Rounded corners: in the box's first column the rows closer than the
  // radius to the bottom or top edge are untouched. k counts rows up from
  // the box's bottom row (bottom-up row 120 - 1 - 50).
  ASSERT_GT(g.radius, 1);
  auto at = [&](long k) { return img.ReadPixelColor(found.left, 120 - 1 - 50 + k, false); };
  EXPECT_TRUE(Same(at(0), kWhite));
  EXPECT_TRUE(Same(at(g.radius - 1), kWhite));
  EXPECT_TRUE(Same(at(g.radius), box));
  EXPECT_TRUE(Same(at(g.height - 1 - g.radius), box));
  EXPECT_TRUE(Same(at(g.height - g.radius), kWhite));
  // The middle column is box colour from the bottom row up.
  EXPECT_TRUE(Same(img.ReadPixelColor(100, 120 - 1 - 50, false), box));
  // The text itself lies inside the box, clear of the margin.
  const Box text = Find(img, GbImage::ColorRefToQuad(s.textColor));
  ASSERT_GE(text.right, 0);
  EXPECT_GE(text.left, found.left + g.margin);
  EXPECT_LE(text.right, found.right - g.margin);
  EXPECT_GE(text.top, found.top + g.margin);
  EXPECT_LE(text.bottom, found.bottom - g.margin);
}

TEST(DrawTextBox, AlignmentAnchorsAndClipping) {
  REQUIRE_TEXT();
  for (int alignment : {kAlignLeft, kAlignRight}) {
    GbImage img = White(300, 80);
    const TextSettings s = Settings("Left or right", alignment);
    const RECT measured = img.DrawTextBox(nullptr, 200, 60, s, false);
    const Geometry g = Expected(measured, 1, s.roundRadius);
    const Box found = Find(img, GbImage::ColorRefToQuad(s.boxColor));
    if (alignment == kAlignLeft)
      EXPECT_EQ(found.left, 200);
    else
      EXPECT_EQ(found.right, 199);
    EXPECT_EQ(found.bottom, 60);
    EXPECT_LE(found.Width(), g.width);
  }
  // A box that would start left of the image starts at column 0; one that
  // reaches past the edges is clipped, not wrapped.
  GbImage img = White(60, 40);
  const TextSettings s = Settings("A long caption", kAlignCentre);
  img.DrawTextBox(nullptr, 10, 35, s, false);
  const Box clipped = Find(img, GbImage::ColorRefToQuad(s.boxColor));
  EXPECT_EQ(clipped.left, 0);
  EXPECT_EQ(clipped.right, 59);
  EXPECT_EQ(clipped.top, 0);
  EXPECT_EQ(clipped.bottom, 35);
  GbImage none;
  EXPECT_EQ(none.DrawTextBox(nullptr, 0, 0, s, false), (RECT{0, 0, 0, 0}));
}

TEST(DrawTextBox, OutOfRangeSettingsAreClamped) {
  REQUIRE_TEXT();
  const GbImage base = White(200, 60);
  auto draw = [&](TextSettings s) {
    GbImage img = base;
    img.DrawTextBox(nullptr, 100, 50, s, false);
    return img;
  };
  TextSettings s = Settings("Hi");
  s.roundRadius = 10;
  const GbImage ten = draw(s);
  s.roundRadius = 60;
  EXPECT_TRUE(SameImage(draw(s), ten));
  s.roundRadius = 50;
  EXPECT_FALSE(SameImage(draw(s), ten));
  s = Settings("Hi");
  const GbImage zero = draw(s);
  s.boxOpacity = 1.5f;
  EXPECT_TRUE(SameImage(draw(s), zero));
  s.boxOpacity = -0.2f;
  EXPECT_TRUE(SameImage(draw(s), zero));
  s.boxOpacity = std::nanf("");
  EXPECT_TRUE(SameImage(draw(s), zero));
  s = Settings("Hi");
  s.alignment = 7;  // becomes centred
  EXPECT_TRUE(SameImage(draw(s), zero));
}

TEST(DrawTextBox, OpacityBlendsTheBoxOverThePicture) {
  REQUIRE_TEXT();
  GbImage img(200, 60, 24, 0);
  img.Fill(0);
  for (long y = 0; y < 60; ++y)
    for (long x = 0; x < 200; ++x) img.WritePixelColor(x, y, RGBQUAD{100, 50, 200, 0});
  TextSettings s = Settings("Hi");
  s.boxOpacity = 0.25f;
  s.boxColor = RGB(0, 80, 160);  // blue 160, green 80, red 0
  img.DrawTextBox(nullptr, 100, 50, s, false);
  // 0.25 of the picture and 0.75 of the box, truncated.
  const RGBQUAD expect{uint8_t(0.25f * 100 + 0.75f * 160), uint8_t(0.25f * 50 + 0.75f * 80),
                       uint8_t(0.25f * 200 + 0.75f * 0), 0};
  EXPECT_TRUE(Same(img.ReadPixelColor(100, 59 - 50, false), expect));
  EXPECT_EQ(expect.rgbBlue, 145);
}

TEST(DrawTextBox, HardEdgedTextTouchesOnlyTextColouredPixels) {
  REQUIRE_TEXT();
  GbImage img = White(240, 60);
  TextSettings s = Settings("Sharp edges");
  s.smooth = 0;
  s.opaque = 0;
  img.DrawTextBox(nullptr, 120, 50, s, false);
  const RGBQUAD text = GbImage::ColorRefToQuad(s.textColor);
  int textPixels = 0;
  for (long y = 0; y < 60; ++y) {
    for (long x = 0; x < 240; ++x) {
      const RGBQUAD c = img.ReadPixelColor(x, y, false);
      ASSERT_TRUE(Same(c, kWhite) || Same(c, text)) << x << "," << y;
      textPixels += Same(c, text);
    }
  }
  EXPECT_GT(textPixels, 50);
  // Smooth text mixes the text colour into its surroundings.
  GbImage smooth = White(240, 60);
  s.smooth = 1;
  smooth.DrawTextBox(nullptr, 120, 50, s, false);
  std::set<uint32_t> colours;
  for (long y = 0; y < 60; ++y)
    for (long x = 0; x < 240; ++x) {
      const RGBQUAD c = smooth.ReadPixelColor(x, y, false);
      colours.insert(uint32_t(c.rgbBlue) | uint32_t(c.rgbGreen) << 8 | uint32_t(c.rgbRed) << 16);
    }
  EXPECT_GT(colours.size(), 3u);
}

TEST(DrawTextBox, SameSettingsSameBitmapLinesItalicAndAlpha) {
  REQUIRE_TEXT();
  const TextSettings s = Settings("Glimmerbox\r\nsticker");
  GbImage a = White(300, 120), b = White(300, 120);
  const RECT ra = a.DrawTextBox(nullptr, 150, 100, s, false);
  const RECT rb = b.DrawTextBox(nullptr, 150, 100, s, false);
  EXPECT_EQ(ra, rb);
  EXPECT_TRUE(SameImage(a, b));
  // Two lines: twice the height of one.
  GbImage one = White(300, 120);
  const RECT r1 = one.DrawTextBox(nullptr, 150, 100, Settings("Glimmerbox"), false);
  EXPECT_EQ(ra.bottom, 2 * r1.bottom);
  EXPECT_EQ(ra.right, r1.right);

  // Italic fonts get a wider box; the result is still the measured text.
  TextSettings it = Settings("Slanted");
  it.font.lfItalic = 1;
  GbImage slanted = White(300, 80);
  const RECT ri = slanted.DrawTextBox(nullptr, 150, 70, it, false);
  const Geometry g = Expected(ri, 1, it.roundRadius, true);
  EXPECT_EQ(Find(slanted, GbImage::ColorRefToQuad(it.boxColor)).Width(), g.width);

  // With write alpha, drawn pixels become opaque in the alpha plane.
  GbImage layer = White(200, 60);
  layer.CreateAlpha();
  layer.FillAlpha(0);
  layer.DrawTextBox(nullptr, 100, 50, Settings("Hi"), true);
  EXPECT_EQ(layer.ReadAlpha(100, 59 - 50), 255);
  EXPECT_EQ(layer.ReadAlpha(2, 2), 0);
  GbImage untouched = White(200, 60);
  untouched.CreateAlpha();
  untouched.FillAlpha(0);
  untouched.DrawTextBox(nullptr, 100, 50, Settings("Hi"), false);
  EXPECT_EQ(untouched.ReadAlpha(100, 59 - 50), 0);
}
