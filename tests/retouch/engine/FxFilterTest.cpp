#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "tests/retouch/engine/FxTestUtil.h"

using namespace fxtest;

TEST(FxMosaic, FiveByFiveMakesNineBlocksWithRemainders) {
  FxImage img;
  ASSERT_EQ(img.CreateSection(5, 5, 32), 1);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x) Set(img, x, y, {uint8_t(x * 10 + y), uint8_t(100 + 3 * x), uint8_t(7 * y)}, 9);
  FxImage ref;
  ref.Duplicate(img);
  EXPECT_TRUE(img.MosaicBlocks(2));
  // Block spans from the top-left: 0-1, 2-3 and the single remainder 4.
  const int spans[3][2] = {{0, 2}, {2, 2}, {4, 1}};
  for (auto [y0, bh] : spans)
    for (auto [x0, bw] : spans) {
      int sum[3] = {0, 0, 0};
      for (int y = y0; y < y0 + bh; ++y)
        for (int x = x0; x < x0 + bw; ++x)
          for (int c = 0; c < 3; ++c) sum[c] += At(ref, x, y)[c];
      const int n = bw * bh;
      const Bgr avg{uint8_t(sum[0] / n), uint8_t(sum[1] / n), uint8_t(sum[2] / n)};
      for (int y = y0; y < y0 + bh; ++y)
        for (int x = x0; x < x0 + bw; ++x) {
          EXPECT_EQ(Get(img, x, y), avg) << "block at " << x0 << "," << y0;
          EXPECT_EQ(At(img, x, y)[3], 9);
        }
    }
  // The corner block is one pixel and keeps it; the first averages four.
  EXPECT_EQ(Get(img, 4, 4), Get(ref, 4, 4));
  EXPECT_EQ(Get(img, 0, 0), (Bgr{5, 101, 3}));
}

TEST(FxMosaic, BlockSizeMustFitInside) {
  FxImage img;
  ASSERT_EQ(img.CreateSection(6, 4, 24), 1);
  FillPattern(img);
  FxImage ref;
  ref.Duplicate(img);
  EXPECT_FALSE(img.MosaicBlocks(1));
  EXPECT_FALSE(img.MosaicBlocks(4));  // not below the height
  EXPECT_FALSE(img.MosaicBlocks(6));
  EXPECT_TRUE(SamePixels(img, ref));
  EXPECT_TRUE(img.MosaicBlocks(3));
  FxImage pal;
  ASSERT_EQ(pal.CreateSection(8, 8, 8), 1);
  EXPECT_FALSE(pal.MosaicBlocks(2));
}

TEST(FxEmboss, FlatPictureBecomesMiddleGrey) {
  FxImage img;
  ASSERT_EQ(img.CreateSection(7, 4, 32), 1);
  Fill(img, {40, 90, 200}, 55);
  EXPECT_TRUE(img.EmbossGrey(50, 16));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 7; ++x) {
      EXPECT_EQ(Get(img, x, y), Grey(128));
      EXPECT_EQ(At(img, x, y)[3], 55);
    }
}

TEST(FxEmboss, DifferenceToTheRightNeighbourTruncatedTowardZero) {
  FxImage img;
  ASSERT_EQ(img.CreateSection(4, 2, 24), 1);
  Set(img, 0, 0, Grey(30));
  Set(img, 1, 0, Grey(0));
  Set(img, 2, 0, Grey(0));
  Set(img, 3, 0, {90, 60, 30});
  Set(img, 0, 1, Grey(0));
  Set(img, 1, 1, {2, 0, 0});
  Set(img, 2, 1, Grey(0));
  Set(img, 3, 1, Grey(255));
  img.EmbossGrey(2, 16);
  EXPECT_EQ(Get(img, 0, 0), Grey(188));  // d = 90 / 3
  EXPECT_EQ(Get(img, 1, 0), Grey(128));
  EXPECT_EQ(Get(img, 2, 0), Grey(8));    // d = -180 / 3
  EXPECT_EQ(Get(img, 3, 0), Grey(128));  // the last pixel
  // -2 / 3 and 2 / 3 both give 0; -765 / 3 clamps.
  EXPECT_EQ(Get(img, 0, 1), Grey(128));
  EXPECT_EQ(Get(img, 1, 1), Grey(128));
  EXPECT_EQ(Get(img, 2, 1), Grey(0));
}

TEST(FxSharpen, PushesEachChannelAwayFromItsRightNeighbour) {
  FxImage img;
  ASSERT_EQ(img.CreateSection(4, 1, 24), 1);
  Set(img, 0, 0, {10, 100, 200});
  Set(img, 1, 0, {20, 100, 190});
  Set(img, 2, 0, {20, 50, 255});
  Set(img, 3, 0, {5, 7, 9});
  EXPECT_FALSE(img.SharpenAlongRows(0));
  EXPECT_TRUE(img.SharpenAlongRows(3));
  EXPECT_EQ(Get(img, 0, 0), (Bgr{0, 100, 230}));
  EXPECT_EQ(Get(img, 1, 0), (Bgr{20, 250, 0}));
  EXPECT_EQ(Get(img, 2, 0), (Bgr{65, 179, 255}));
  EXPECT_EQ(Get(img, 3, 0), (Bgr{5, 7, 9}));
}

namespace {

std::vector<uint8_t> BlueRow(const FxDib& img, int y) {
  std::vector<uint8_t> out;
  for (int x = 0; x < img.Width(); ++x) out.push_back(At(img, x, y)[0]);
  return out;
}

}  // namespace

TEST(FxWind, SingleBrightPixelLeavesAFadingTail) {
  FxImage img;
  ASSERT_EQ(img.CreateSection(8, 2, 32), 1);
  Fill(img, Grey(0));
  Set(img, 3, 0, Grey(240));
  Set(img, 4, 1, Grey(240));
  FxImage left;
  left.Duplicate(img);
  EXPECT_TRUE(img.WindSmear(2, FxDibEffect::kWindRight, true));
  EXPECT_EQ(BlueRow(img, 0), (std::vector<uint8_t>{0, 80, 53, 35, 24, 16, 10, 0}));
  EXPECT_EQ(Get(img, 2, 0), Grey(53));
  EXPECT_TRUE(left.WindSmear(2, FxDibEffect::kWindLeft, true));
  EXPECT_EQ(BlueRow(left, 1), (std::vector<uint8_t>{0, 10, 16, 24, 35, 53, 80, 0}));
}

TEST(FxWind, WindowRunsPastTheRowEndIntoTheEdgeColour) {
  FxImage img;
  ASSERT_EQ(img.CreateSection(6, 1, 24), 1);
  Fill(img, Grey(0));
  Set(img, 5, 0, Grey(200));
  img.WindSmear(2, FxDibEffect::kWindRight, true);
  EXPECT_EQ(BlueRow(img, 0), (std::vector<uint8_t>{0, 0, 0, 66, 111, 200}));
}

TEST(FxWind, StrengthLimitsAndRandomLengths) {
  FxImage img;
  ASSERT_EQ(img.CreateSection(6, 3, 24), 1);
  FillPattern(img);
  FxImage ref;
  ref.Duplicate(img);
  EXPECT_FALSE(img.WindSmear(0, 8, true));
  EXPECT_FALSE(img.WindSmear(5, 8, true));  // more than width - 2
  EXPECT_FALSE(img.WindSmear(2, 9, true));
  EXPECT_TRUE(SamePixels(img, ref));
  // Strength 1 leaves rand() no choice: every row gets length 1.
  FxImage even;
  even.Duplicate(img);
  std::srand(12345);
  EXPECT_TRUE(img.WindSmear(1, 16, false));
  even.WindSmear(1, 16, true);
  EXPECT_TRUE(SamePixels(img, even));
  EXPECT_FALSE(SamePixels(img, ref));
}

TEST(FxStripeWave, ZeroSwingChangesNothing) {
  for (int bpp : {8, 24, 32}) {
    FxImage img, ref;
    ASSERT_EQ(img.CreateSection(31, 17, bpp), 1);
    for (int y = 0; y < 17; ++y)
      for (int x = 0; x < 31 * bpp / 8; ++x) img.Row(y)[x] = uint8_t(x * 3 + y);
    ref.Duplicate(img);
    for (int freq : {0, 35, 100}) EXPECT_TRUE(img.StripeWave(0, freq));
    EXPECT_TRUE(SamePixels(img, ref)) << bpp;
  }
}

TEST(FxStripeWave, LiftsThePictureAndDropsColumnsByACosine) {
  // h = 53, swing 20: lift n = 100700 / 10000 = 10, amplitude -5.
  // w = 9, frequency 30: a step of pi / 3 per column, so the columns drop by
  // trunc((cos t - 1) * -5) = 0, 2, 7, 10, 7, 2, 0, 2, 7.
  FxImage img;
  ASSERT_EQ(img.CreateSection(9, 53, 32), 1);
  for (int y = 0; y < 53; ++y)
    for (int x = 0; x < 9; ++x) Set(img, x, y, {uint8_t(y), uint8_t(x), 0}, 1);
  EXPECT_TRUE(img.StripeWave(20, 30));
  const int drop[9] = {0, 2, 7, 10, 7, 2, 0, 2, 7};
  for (int x = 0; x < 9; ++x)
    for (int y = 0; y < 53; ++y) {
      const int lifted = y - drop[x];  // row of the lifted picture shown here
      const uint8_t* p = At(img, x, y);
      if (lifted < 0 || lifted + 10 >= 53) {
        ASSERT_EQ(p[0] & p[1] & p[2] & p[3], 255) << x << "," << y;  // white
      } else {
        ASSERT_EQ(p[0], lifted + 10) << x << "," << y;
        ASSERT_EQ(p[1], x);
      }
    }
}

TEST(FxStripeWave, LiftBeyondThePictureIsSkipped) {
  // swing 200 on 10 rows: n = 19 is no lift that leaves a picture, so
  // nothing moves; frequency 0 keeps every column in place.
  FxImage img;
  ASSERT_EQ(img.CreateSection(5, 10, 24), 1);
  FillPattern(img);
  FxImage ref;
  ref.Duplicate(img);
  EXPECT_TRUE(img.StripeWave(200, 0));
  EXPECT_TRUE(SamePixels(img, ref));
  FxImage small;
  ASSERT_EQ(small.CreateSection(5, 5, 4), 1);
  EXPECT_FALSE(small.StripeWave(10, 10));
}
