#include <gtest/gtest.h>

#include "tests/retouch/engine/FxTestUtil.h"

using namespace fxtest;

namespace {

void MakePair(FxImage& dst, FxImage& src, int dstBpp = 32, int srcBpp = 32) {
  ASSERT_EQ(dst.CreateSection(6, 5, dstBpp), 1);
  ASSERT_EQ(src.CreateSection(3, 2, srcBpp), 1);
  Fill(dst, {100, 200, 10}, 33);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) Set(src, x, y, {uint8_t(200 + x), uint8_t(100 + y), uint8_t(250)}, 99);
}

}  // namespace

TEST(FxLayerBlend, FullOpacityCopiesTheOverlapOnly) {
  FxImage dst, src;
  MakePair(dst, src);
  EXPECT_TRUE(dst.LayerBlend(src, 255, 2, 1));
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x) {
      const bool inside = x >= 2 && x < 5 && y >= 1 && y < 3;
      const Bgr expect = inside ? Get(src, x - 2, y - 1) : Bgr{100, 200, 10};
      EXPECT_EQ(Get(dst, x, y), expect) << x << "," << y;
      EXPECT_EQ(At(dst, x, y)[3], 33);  // the fourth byte is never touched
    }
}

TEST(FxLayerBlend, ZeroOpacityKeepsTheDestination) {
  FxImage dst, src, ref;
  MakePair(dst, src);
  ref.Duplicate(dst);
  EXPECT_TRUE(dst.LayerBlend(src, 0, 0, 0));
  EXPECT_TRUE(SamePixels(dst, ref));
}

TEST(FxLayerBlend, PartialAndExcessOpacityTruncateThenClamp) {
  FxImage dst, src;
  MakePair(dst, src, 24, 32);
  // 100 -> 200: 100 + trunc(100 * 128 / 255) = 150; 200 -> 100: 200 - 50;
  // 10 -> 250: 10 + trunc(240 * 128 / 255) = 130.
  dst.LayerBlend(src, 128, 0, 0);
  EXPECT_EQ(Get(dst, 0, 0), (Bgr{150, 150, 130}));
  FxImage over, s2;
  MakePair(over, s2);
  // Above 255 the colours overshoot the source and are clamped at both ends.
  over.LayerBlend(s2, 300, 0, 0);
  EXPECT_EQ(Get(over, 0, 0), (Bgr{217, 83, 255}));
  FxImage far, s4;
  MakePair(far, s4);
  far.LayerBlend(s4, 600, 0, 0);  // green: 200 + trunc(-100 * 600 / 255) < 0
  EXPECT_EQ(Get(far, 0, 0).g, 0);
  // A negative opacity pushes away from the source, again clamped.
  FxImage neg, s3;
  MakePair(neg, s3);
  neg.LayerBlend(s3, -255, 0, 0);
  EXPECT_EQ(Get(neg, 0, 0), (Bgr{0, 255, 0}));
}

TEST(FxLayerBlend, SourceOffTheTopLeftShowsItsVisiblePart) {
  FxImage dst, src;
  MakePair(dst, src);
  dst.LayerBlend(src, 255, -1, -1);
  // Only source pixels (1..2, 1) land, at destination (0..1, 0).
  EXPECT_EQ(Get(dst, 0, 0), Get(src, 1, 1));
  EXPECT_EQ(Get(dst, 1, 0), Get(src, 2, 1));
  EXPECT_EQ(Get(dst, 2, 0), (Bgr{100, 200, 10}));
  EXPECT_EQ(Get(dst, 0, 1), (Bgr{100, 200, 10}));
  // Entirely outside: nothing to blend.
  FxImage ref;
  ref.Duplicate(dst);
  EXPECT_TRUE(dst.LayerBlend(src, 255, 6, 0));
  EXPECT_TRUE(dst.LayerBlend(src, 255, -3, 0));
  EXPECT_TRUE(dst.LayerBlend(src, 255, 0, 2000000000));
  EXPECT_TRUE(SamePixels(dst, ref));
}

TEST(FxLayerBlend, NeedsTrueColourOnBothSides) {
  FxImage dst, src, pal;
  MakePair(dst, src);
  ASSERT_EQ(pal.CreateSection(3, 2, 8), 1);
  EXPECT_FALSE(dst.LayerBlend(pal, 255, 0, 0));
  EXPECT_FALSE(pal.LayerBlend(dst, 255, 0, 0));
  FxImage empty;
  EXPECT_FALSE(dst.LayerBlend(empty, 255, 0, 0));
}

TEST(FxLayerBlend, OntoItselfReadsTheUnchangedPicture) {
  FxImage img;
  ASSERT_EQ(img.CreateSection(4, 1, 24), 1);
  for (int x = 0; x < 4; ++x) Set(img, x, 0, Grey(uint8_t(10 * x)));
  img.LayerBlend(img, 255, 1, 0);
  EXPECT_EQ(Get(img, 0, 0), Grey(0));
  EXPECT_EQ(Get(img, 1, 0), Grey(0));
  EXPECT_EQ(Get(img, 2, 0), Grey(10));
  EXPECT_EQ(Get(img, 3, 0), Grey(20));
}
