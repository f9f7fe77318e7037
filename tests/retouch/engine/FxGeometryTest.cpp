#include <gtest/gtest.h>

#include "tests/retouch/engine/FxTestUtil.h"

using namespace fxtest;

namespace {

// 3 x 2: top row A B C, bottom row D E F (letters in the blue byte).
void MakeLetters(FxImage& img, int bpp) {
  ASSERT_EQ(img.CreateSection(3, 2, bpp), 1);
  const char* rows[2] = {"ABC", "DEF"};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) {
      uint8_t* p = At(img, x, y);
      for (int b = 0; b < bpp / 8; ++b) p[b] = uint8_t(rows[y][x] + 32 * b);
    }
}

std::string Letters(const FxDib& img) {
  std::string out;
  for (int y = 0; y < img.Height(); ++y) {
    if (y) out += '/';
    for (int x = 0; x < img.Width(); ++x) out += char(At(img, x, y)[0]);
  }
  return out;
}

}  // namespace

TEST(FxTurn, QuarterTurnsOfThreeByTwoAtEveryDepth) {
  for (int bpp : {8, 16, 24, 32}) {
    FxImage img;
    MakeLetters(img, bpp);
    EXPECT_TRUE(img.TurnLeft());
    EXPECT_EQ(img.Width(), 2);
    EXPECT_EQ(img.Height(), 3);
    EXPECT_EQ(img.BitsPerPixel(), bpp);
    EXPECT_EQ(Letters(img), "CF/BE/AD") << bpp;
    // Every byte of a pixel travels with it.
    EXPECT_EQ(At(img, 1, 0)[bpp / 8 - 1], 'F' + 32 * (bpp / 8 - 1));
    EXPECT_TRUE(img.TurnRight());
    EXPECT_EQ(Letters(img), "ABC/DEF") << bpp;

    FxImage right;
    MakeLetters(right, bpp);
    EXPECT_TRUE(right.TurnRight());
    EXPECT_EQ(Letters(right), "DA/EB/FC") << bpp;
  }
}

TEST(FxTurn, LeftThenRightGivesThePictureBack) {
  FxImage img, ref;
  ASSERT_EQ(img.CreateSection(37, 23, 32), 1);
  FillPattern(img, 3);
  ref.Duplicate(img);
  img.TurnLeft();
  EXPECT_FALSE(SamePixels(img, ref));
  img.TurnRight();
  EXPECT_TRUE(SamePixels(img, ref));
  for (int i = 0; i < 4; ++i) img.TurnLeft();
  EXPECT_TRUE(SamePixels(img, ref));
}

TEST(FxTurn, PaletteTravelsAndLowDepthsAreRefused) {
  FxImage img;
  MakeLetters(img, 8);
  img.Palette()['A'] = RGBQUAD{1, 2, 3, 0};
  img.PaletteChanged();
  img.TurnLeft();
  EXPECT_EQ(img.Palette()['A'], (RGBQUAD{1, 2, 3, 0}));
  EXPECT_EQ(img.Palette()[7].rgbGreen, 0);  // not filled: a copy, not a new ramp
  FxImage four;
  ASSERT_EQ(four.CreateSection(3, 2, 4), 1);
  EXPECT_FALSE(four.TurnLeft());
  EXPECT_EQ(four.Width(), 3);
  FxImage empty;
  EXPECT_FALSE(empty.TurnRight());
}

TEST(FxStretch, SizesWithAndWithoutAspect) {
  struct Case {
    int w, h, toW, toH;
    bool keep;
    int expectW, expectH;
  } cases[] = {
      {400, 300, 320, 240, true, 320, 240},
      {100, 50, 320, 240, true, 320, 160},
      {50, 100, 320, 240, true, 120, 240},
      {641, 480, 320, 320, true, 320, 239},
      {400, 300, 17, 900, false, 17, 900},
      {3, 3, 320, 240, true, 240, 240},
      {333, 250, 320, 240, true, 319, 240},
      // Floating factors put 37 * (320 / 37) just below 320; the side that
      // sets the factor must come out at exactly the asked size.
      {37, 20, 320, 240, true, 320, 172},
      {21, 500, 320, 240, true, 10, 240},
      // A side that would shrink to nothing keeps one pixel.
      {49, 1, 1, 240, true, 1, 1},
  };
  for (const Case& c : cases) {
    FxImage img;
    ASSERT_EQ(img.CreateSection(c.w, c.h, 32), 1);
    img.StretchTo(c.toW, c.toH, c.keep);
    EXPECT_EQ(img.Width(), c.expectW) << c.w << "x" << c.h;
    EXPECT_EQ(img.Height(), c.expectH) << c.w << "x" << c.h;
    EXPECT_EQ(img.BitsPerPixel(), 32);
  }
  FxImage img;
  ASSERT_EQ(img.CreateSection(10, 10, 24), 1);
  img.StretchTo(0, 50, false);
  img.StretchTo(50, 0, true);
  EXPECT_EQ(img.Width(), 10);
  FxImage empty;
  empty.StretchTo(10, 10, false);
  EXPECT_TRUE(empty.IsEmpty());
}

TEST(FxStretch, SizeTooLargeKeepsThePicture) {
  // A section that can't be made must not cost the picture it replaces.
  FxImage img, ref;
  ASSERT_EQ(img.CreateSection(6, 5, 32), 1);
  FillPattern(img);
  ref.Duplicate(img);
  img.StretchTo(60000, 60000, false);
  EXPECT_TRUE(SamePixels(img, ref));
  img.StretchTo(1, 2000000000, true);  // keeps aspect: 1 x 1 is fine
  EXPECT_EQ(img.Width(), 1);
  EXPECT_EQ(img.Height(), 1);
}

TEST(FxStretch, RepeatsAndDropsWholeRowsAndColumns) {
  FxImage img;
  MakeLetters(img, 32);
  img.StretchTo(6, 4, false);
  EXPECT_EQ(Letters(img), "AABBCC/AABBCC/DDEEFF/DDEEFF");
  img.StretchTo(3, 2, false);
  EXPECT_EQ(Letters(img), "ABC/DEF");
  FxImage pal;
  MakeLetters(pal, 8);
  pal.Palette()['E'] = RGBQUAD{9, 8, 7, 0};
  pal.PaletteChanged();
  pal.StretchTo(3, 4, false);
  EXPECT_EQ(Letters(pal), "ABC/ABC/DEF/DEF");
  EXPECT_EQ(pal.Palette()['E'], (RGBQUAD{9, 8, 7, 0}));
}

TEST(FxRotate, FortyFiveDegreesOf320x240Makes396x396) {
  FxImage img;
  ASSERT_EQ(img.CreateSection(320, 240, 32), 1);
  Fill(img, {200, 100, 50}, 0);
  EXPECT_TRUE(img.RotateByAngle(45));
  EXPECT_EQ(img.Width(), 396);
  EXPECT_EQ(img.Height(), 396);
  EXPECT_EQ(img.BitsPerPixel(), 32);
  // The four corners stay black; the middle is the picture.
  EXPECT_EQ(Get(img, 0, 0), Grey(0));
  EXPECT_EQ(Get(img, 395, 0), Grey(0));
  EXPECT_EQ(Get(img, 0, 395), Grey(0));
  EXPECT_EQ(Get(img, 395, 395), Grey(0));
  EXPECT_EQ(Get(img, 198, 198), (Bgr{200, 100, 50}));
  // Near the parallelogram's corners: upper-left (169, 0), lower-left (0, 169).
  EXPECT_EQ(Get(img, 175, 10), (Bgr{200, 100, 50}));
  EXPECT_EQ(Get(img, 10, 170), (Bgr{200, 100, 50}));
  EXPECT_EQ(Get(img, 160, 2), Grey(0));
  EXPECT_EQ(Get(img, 2, 160), Grey(0));
}

TEST(FxRotate, TurnsClockwise) {
  // A picture with a red top-left quarter: turned slightly clockwise, red
  // stays near the upper middle of the top edge, never the lower-left.
  FxImage img;
  ASSERT_EQ(img.CreateSection(40, 20, 24), 1);
  Fill(img, {255, 0, 0});
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x) Set(img, x, y, {0, 0, 255});
  EXPECT_TRUE(img.RotateByAngle(10));
  // W' = trunc(20 sin 10 + 40 cos 10 + 1) = 43, H' = trunc(20 cos 10 + 40 sin 10 + 1) = 27.
  EXPECT_EQ(img.Width(), 43);
  EXPECT_EQ(img.Height(), 27);
  EXPECT_EQ(Get(img, 6, 3), (Bgr{0, 0, 255}));   // just inside the upper-left corner (3, 0)
  EXPECT_EQ(Get(img, 4, 17), (Bgr{255, 0, 0}));  // just inside the lower-left corner (0, 19)
  EXPECT_EQ(Get(img, 42, 0), Grey(0));
}

TEST(FxRotate, AngleMustBeBetweenOneAnd89) {
  FxImage img;
  ASSERT_EQ(img.CreateSection(8, 6, 32), 1);
  EXPECT_FALSE(img.RotateByAngle(0));
  EXPECT_FALSE(img.RotateByAngle(90));
  EXPECT_FALSE(img.RotateByAngle(-30));
  EXPECT_EQ(img.Width(), 8);
  FxImage empty;
  EXPECT_FALSE(empty.RotateByAngle(30));
  EXPECT_TRUE(img.RotateByAngle(89));
  // trunc(6 sin 89 + 8 cos 89 + 1) = 7, trunc(6 cos 89 + 8 sin 89 + 1) = 9
  EXPECT_EQ(img.Width(), 7);
  EXPECT_EQ(img.Height(), 9);
}
