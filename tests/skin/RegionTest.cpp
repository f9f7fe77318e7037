#include <gtest/gtest.h>

#include <QBitmap>

#include "skin/RegionFromBitmap.h"

namespace {

QImage Magenta(int w, int h) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(qRgb(255, 0, 255));
  return img;
}

// The same region built pixel by pixel, for comparison.
QRegion Expected(const QImage& img, QRgb key) {
  QRegion r;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if ((img.pixel(x, y) & 0xFFFFFF) != (key & 0xFFFFFF)) r += QRect(x, y, 1, 1);
  return r;
}

}  // namespace

TEST(RegionFromBitmap, NullAllKeyAndSinglePixel) {
  EXPECT_FALSE(RegionFromBitmap(QImage()).has_value());

  auto empty = RegionFromBitmap(Magenta(20, 10));
  ASSERT_TRUE(empty.has_value());
  EXPECT_TRUE(empty->isEmpty());

  QImage one = Magenta(20, 10);
  one.setPixel(3, 5, qRgb(10, 20, 30));
  auto single = RegionFromBitmap(one);
  ASSERT_TRUE(single.has_value());
  EXPECT_EQ(*single, QRegion(3, 5, 1, 1));
  EXPECT_EQ(single->boundingRect(), QRect(3, 5, 1, 1));
}

TEST(RegionFromBitmap, RunsPerRowAndShape) {
  // A plus sign: rows of different runs.
  QImage img = Magenta(9, 9);
  for (int i = 0; i < 9; ++i) {
    img.setPixel(4, i, qRgb(0, 0, 0));
    img.setPixel(i, 4, qRgb(0, 0, 0));
  }
  auto r = RegionFromBitmap(img);
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(*r, Expected(img, qRgb(255, 0, 255)));
  EXPECT_TRUE(r->contains(QPoint(4, 0)));
  EXPECT_FALSE(r->contains(QPoint(0, 0)));
}

TEST(RegionFromBitmap, ManyRunsAreJoinedInBatches) {
  // Every other pixel opaque: 60 runs per row x 100 rows = 6,000 runs.
  QImage img = Magenta(120, 100);
  for (int y = 0; y < 100; ++y)
    for (int x = (y & 1); x < 120; x += 2) img.setPixel(x, y, qRgb(1, 2, 3));
  int batches = 0;
  auto r = RegionFromBitmap(img, 0xFF00FF, 0, &batches);
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(batches, 3);
  EXPECT_EQ(*r, Expected(img, qRgb(255, 0, 255)));
  // Some spot checks across the batch boundaries.
  EXPECT_TRUE(r->contains(QPoint(0, 0)));
  EXPECT_FALSE(r->contains(QPoint(1, 0)));
  EXPECT_TRUE(r->contains(QPoint(1, 99)));
  EXPECT_FALSE(r->contains(QPoint(0, 99)));
}

TEST(RegionFromBitmap, ToleranceWidensTheKeyUpwardAndCaps) {
  QImage img(4, 1, QImage::Format_RGB32);
  img.setPixel(0, 0, qRgb(250, 0, 250));  // inside [250, 255] on red and blue
  img.setPixel(1, 0, qRgb(255, 5, 255));  // green 5 inside [0, 5]
  img.setPixel(2, 0, qRgb(255, 6, 255));  // green 6 outside
  img.setPixel(3, 0, qRgb(249, 0, 255));  // red 249 below the key
  // key 250,0,250 + tolerance 10,5,10: ranges red/blue [250,255] (capped), green [0,5]
  auto r = RegionFromBitmap(img, RGB(250, 0, 250), RGB(10, 5, 10));
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(*r, QRegion(2, 0, 2, 1));
}

TEST(CursorFromBitmap, KeyBecomesTransparent) {
  QImage img(8, 8, QImage::Format_RGB32);
  img.fill(Qt::white);
  img.setPixel(2, 3, qRgb(10, 20, 30));
  QImage picture = CursorImageFromBitmap(img, RGB(255, 255, 255));
  EXPECT_EQ(qAlpha(picture.pixel(0, 0)), 0);
  EXPECT_EQ(picture.pixel(2, 3), qRgba(10, 20, 30, 255));
  auto cursor = CursorFromBitmap(img, RGB(255, 255, 255), QPoint(0, 0));
  ASSERT_TRUE(cursor.has_value());
  EXPECT_EQ(cursor->hotSpot(), QPoint(0, 0));
  EXPECT_FALSE(CursorFromBitmap(QImage(), 0, QPoint()).has_value());
  EXPECT_FALSE(CursorFromBitmap(img, 0, QPoint(8, 0)).has_value());
}
