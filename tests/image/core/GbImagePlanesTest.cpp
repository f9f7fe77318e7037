#include <gtest/gtest.h>

#include <cstring>

#include "image/core/GbImage.h"

namespace {

void ExpectBox(const GbImage& img, long left, long top, long right, long bottom) {
  const RECT box = img.SelectionBox();
  EXPECT_EQ(box.left, left);
  EXPECT_EQ(box.top, top);
  EXPECT_EQ(box.right, right);
  EXPECT_EQ(box.bottom, bottom);
}

GbImage GreyImage(uint32_t w, uint32_t h) {
  GbImage grey(w, h, 8, 0);
  grey.SetGreyPalette();
  grey.Fill(0);
  return grey;
}

}  // namespace

TEST(GbImageAlpha, LifeCycleFillInvertAndCheckedAccess) {
  GbImage empty;
  EXPECT_FALSE(empty.CreateAlpha());  // no pixels, no plane

  GbImage img(5, 3, 24, 0);
  EXPECT_FALSE(img.HasAlpha());
  EXPECT_FALSE(img.FillAlpha(7));
  EXPECT_EQ(img.ReadAlpha(0, 0), 0);
  EXPECT_EQ(img.AlphaPointer(0, 0), nullptr);
  ASSERT_TRUE(img.CreateAlpha());
  for (long y = 0; y < 3; ++y)
    for (long x = 0; x < 5; ++x) EXPECT_EQ(img.ReadAlpha(x, y), 255);

  img.WriteAlpha(4, 2, 10);
  img.WriteAlpha(5, 2, 11);  // outside: ignored
  img.WriteAlpha(-1, 0, 11);
  EXPECT_EQ(img.ReadAlpha(4, 2), 10);
  EXPECT_EQ(img.ReadAlphaUnchecked(4, 2), 10);
  EXPECT_EQ(img.AlphaPointer(4, 2), img.AlphaPlane() + 2 * 5 + 4);  // unpadded rows
  EXPECT_EQ(img.ReadAlpha(5, 0), 0);
  EXPECT_EQ(img.AlphaPointer(0, 3), nullptr);
  EXPECT_TRUE(img.CreateAlpha());  // an existing plane is kept
  EXPECT_EQ(img.ReadAlpha(4, 2), 10);

  ASSERT_TRUE(img.InvertAlpha());
  EXPECT_EQ(img.ReadAlpha(4, 2), 245);
  EXPECT_EQ(img.ReadAlpha(0, 0), 0);
  ASSERT_TRUE(img.FillAlpha(77));
  EXPECT_EQ(img.ReadAlpha(4, 2), 77);
  img.DeleteAlpha();
  EXPECT_FALSE(img.HasAlpha());
  EXPECT_FALSE(img.InvertAlpha());
  EXPECT_FALSE(img.FlipAlpha());
  EXPECT_FALSE(img.MirrorAlpha());
}

TEST(GbImageAlpha, CopyAndFromGreyImageNeedMatchingSource) {
  GbImage src(5, 3, 24, 0);
  GbImage dst(5, 3, 24, 0);
  EXPECT_FALSE(dst.CopyAlphaFrom(src));  // source without plane
  src.CreateAlpha();
  src.WriteAlpha(2, 1, 9);
  src.SetAlphaMax(120);
  GbImage other(4, 3, 24, 0);
  EXPECT_FALSE(other.CopyAlphaFrom(src));
  EXPECT_FALSE(other.HasAlpha());
  ASSERT_TRUE(dst.CopyAlphaFrom(src));
  EXPECT_EQ(dst.ReadAlpha(2, 1), 9);
  EXPECT_EQ(dst.AlphaMax(), 120);
  EXPECT_NE(dst.AlphaPlane(), src.AlphaPlane());

  // Width 5 gives padded grey rows (stride 8); the plane must stay unpadded.
  GbImage grey = GreyImage(5, 3);
  for (long y = 0; y < 3; ++y)
    for (long x = 0; x < 5; ++x) grey.WritePixelIndex(x, y, uint8_t(10 * y + x));
  GbImage target(5, 3, 8, 0);
  ASSERT_TRUE(target.AlphaFromImage(grey));
  for (long y = 0; y < 3; ++y)
    for (long x = 0; x < 5; ++x) EXPECT_EQ(target.ReadAlpha(x, y), 10 * y + x);

  GbImage colour(5, 3, 8, 0);
  colour.SetStandardPalette();
  EXPECT_FALSE(target.AlphaFromImage(colour));
  EXPECT_FALSE(other.AlphaFromImage(grey));
  GbImage truecolour(5, 3, 24, 0);
  EXPECT_FALSE(target.AlphaFromImage(truecolour));
}

TEST(GbImageAlpha, FlipAndMirrorOddSizes) {
  GbImage img(3, 3, 8, 0);
  img.CreateAlpha();
  for (long y = 0; y < 3; ++y)
    for (long x = 0; x < 3; ++x) img.WriteAlpha(x, y, uint8_t(10 * y + x));
  ASSERT_TRUE(img.FlipAlpha());
  for (long y = 0; y < 3; ++y)
    for (long x = 0; x < 3; ++x) EXPECT_EQ(img.ReadAlpha(x, y), 10 * (2 - y) + x);
  ASSERT_TRUE(img.MirrorAlpha());
  for (long y = 0; y < 3; ++y)
    for (long x = 0; x < 3; ++x) EXPECT_EQ(img.ReadAlpha(x, y), 10 * (2 - y) + (2 - x));
}

TEST(GbImageSelection, CreateClearAndDeleteSetTheBox) {
  GbImage img(20, 12, 24, 0);
  EXPECT_FALSE(img.ClearSelection(0));       // no plane
  EXPECT_TRUE(img.SelectionContains(3, 3));  // no plane: everything is selected
  EXPECT_FALSE(img.SelectionContains(20, 3));
  EXPECT_FALSE(img.SelectionContains(-1, 3));

  ASSERT_TRUE(img.CreateSelection());
  ExpectBox(img, 20, 0, 0, 12);
  EXPECT_FALSE(img.SelectionContains(3, 3));
  ASSERT_TRUE(img.ClearSelection(9));
  ExpectBox(img, 0, 12, 20, 0);
  EXPECT_EQ(img.ReadSelectionUnchecked(19, 11), 9);
  ASSERT_TRUE(img.ClearSelection(0));
  ExpectBox(img, 20, 0, 0, 12);  // the empty box: left = width, bottom = height
  EXPECT_EQ(img.ReadSelectionUnchecked(0, 0), 0);

  img.WriteSelection(2, 3, 5);
  img.WriteSelection(20, 3, 5);
  EXPECT_TRUE(img.SelectionContains(2, 3));
  EXPECT_EQ(*img.SelectionPointer(2, 3), 5);
  EXPECT_EQ(img.SelectionPointer(2, 12), nullptr);
  ASSERT_TRUE(img.CreateSelection());  // replaces the plane by a zeroed one
  EXPECT_FALSE(img.SelectionContains(2, 3));

  img.ClearSelection(1);
  EXPECT_TRUE(img.DeleteSelection());
  EXPECT_FALSE(img.HasSelection());
  ExpectBox(img, 20, 0, 0, 12);
  EXPECT_TRUE(img.DeleteSelection());
}

TEST(GbImageSelection, AddRectNormalisesCornersAndClamps) {
  GbImage img(20, 12, 8, 0);
  // Swapped corners: columns 5..10, rows 2..8, both ends inclusive.
  ASSERT_TRUE(img.AddRectToSelection(RECT{10, 2, 5, 8}, 200));
  ASSERT_TRUE(img.HasSelection());
  ExpectBox(img, 5, 9, 11, 2);
  for (long y = 0; y < 12; ++y)
    for (long x = 0; x < 20; ++x) {
      const bool inside = x >= 5 && x <= 10 && y >= 2 && y <= 8;
      EXPECT_EQ(img.ReadSelectionUnchecked(x, y), inside ? 200 : 0) << x << "," << y;
    }

  // A pixel right on the box's top and right edges still grows it.
  ASSERT_TRUE(img.AddRectToSelection(RECT{11, 9, 11, 9}, 4));
  ExpectBox(img, 5, 10, 12, 2);
  EXPECT_EQ(img.ReadSelectionUnchecked(11, 9), 4);

  // The box only grows; a rectangle partly outside is clipped.
  ASSERT_TRUE(img.AddRectToSelection(RECT{-3, 30, 2, 10}, 1));
  ExpectBox(img, 0, 12, 12, 2);
  EXPECT_EQ(img.ReadSelectionUnchecked(0, 11), 1);
  EXPECT_EQ(img.ReadSelectionUnchecked(2, 10), 1);
  EXPECT_EQ(img.ReadSelectionUnchecked(3, 10), 0);
  EXPECT_EQ(img.ReadSelectionUnchecked(2, 9), 0);

  // Entirely outside: nothing written, box clamped to the image.
  ASSERT_TRUE(img.AddRectToSelection(RECT{40, -5, 50, -9}, 3));
  ExpectBox(img, 0, 12, 20, 0);

  GbImage none;
  EXPECT_FALSE(none.AddRectToSelection(RECT{0, 0, 1, 1}, 1));
}

TEST(GbImageSelection, RebuildBoxFromPlane) {
  GbImage img(10, 8, 24, 0);
  img.RebuildSelectionBox();
  ExpectBox(img, 10, 0, 0, 8);
  img.CreateSelection();
  img.WriteSelection(3, 4, 1);
  img.RebuildSelectionBox();
  ExpectBox(img, 3, 5, 4, 4);
  img.WriteSelection(7, 1, 1);
  img.WriteSelection(0, 6, 1);
  img.RebuildSelectionBox();
  ExpectBox(img, 0, 7, 8, 1);
  img.ClearSelection(0);
  img.RebuildSelectionBox();
  ExpectBox(img, 10, 0, 0, 8);
}

TEST(GbImageSelection, SetFromGreyImageAndSplitBack) {
  GbImage img(5, 4, 24, 0);
  GbImage colour(5, 4, 8, 0);
  colour.SetStandardPalette();
  EXPECT_FALSE(img.SelectionSet(colour));
  EXPECT_STREQ(img.LastError(), "GbImage::SelectionSet: wrong width or height, or image is not gray scale");
  img.ClearLastError();
  EXPECT_FALSE(img.SelectionSet(GreyImage(4, 4)));
  EXPECT_STREQ(img.LastError(), "GbImage::SelectionSet: wrong width or height, or image is not gray scale");

  GbImage grey = GreyImage(5, 4);
  grey.WritePixelIndex(1, 1, 50);
  grey.WritePixelIndex(3, 2, 255);
  ASSERT_TRUE(img.SelectionSet(grey));
  ExpectBox(img, 1, 3, 4, 1);
  EXPECT_EQ(img.ReadSelectionUnchecked(1, 1), 50);
  EXPECT_EQ(img.ReadSelectionUnchecked(3, 2), 255);

  EXPECT_FALSE(img.SplitSelection(nullptr));
  GbImage split;
  ASSERT_TRUE(img.SplitSelection(&split));
  ASSERT_EQ(split.BitsPerPixel(), 8u);
  EXPECT_TRUE(split.IsGreyScale());
  for (long y = 0; y < 4; ++y)
    for (long x = 0; x < 5; ++x) EXPECT_EQ(split.ReadPixelIndex(x, y), img.ReadSelectionUnchecked(x, y));
  EXPECT_TRUE(img.HasSelection());  // the plane stays where it was

  GbImage noPlane(5, 4, 24, 0);
  EXPECT_FALSE(noPlane.SplitSelection(&split));
}

TEST(GbImageSelection, CopyFlipAndMirrorMoveTheBox) {
  GbImage img(6, 5, 24, 0);
  img.AddRectToSelection(RECT{1, 3, 2, 4}, 1);  // columns 1..2, rows 3..4
  ExpectBox(img, 1, 5, 3, 3);

  GbImage copy(6, 5, 24, 0);
  GbImage wrong(5, 5, 24, 0);
  EXPECT_FALSE(wrong.CopySelectionFrom(img));
  EXPECT_FALSE(img.CopySelectionFrom(GbImage(6, 5, 24, 0)));
  ASSERT_TRUE(copy.CopySelectionFrom(img));
  ExpectBox(copy, 1, 5, 3, 3);
  EXPECT_TRUE(copy.SelectionContains(2, 4));

  ASSERT_TRUE(img.FlipSelection());
  ExpectBox(img, 1, 2, 3, 0);  // rows 0..1
  EXPECT_TRUE(img.SelectionContains(1, 0));
  EXPECT_FALSE(img.SelectionContains(1, 3));
  ASSERT_TRUE(img.MirrorSelection());
  ExpectBox(img, 3, 2, 5, 0);  // columns 3..4
  EXPECT_TRUE(img.SelectionContains(4, 1));
  EXPECT_FALSE(img.SelectionContains(1, 1));
  img.RebuildSelectionBox();
  ExpectBox(img, 3, 2, 5, 0);

  GbImage plain(6, 5, 24, 0);
  EXPECT_FALSE(plain.FlipSelection());
  EXPECT_FALSE(plain.MirrorSelection());
}

TEST(GbImageTransparency, KeyColourIndexAndAlpha) {
  const RGBQUAD green{0, 255, 0, 0};
  GbImage img(3, 1, 24, 0);
  img.Fill(0);
  img.WritePixelColor(1, 0, green);
  img.CreateAlpha();
  img.WriteAlpha(2, 0, 0);
  img.SetBackgroundColor(green);
  img.SetBackgroundIndex(0);  // switches the key colour on
  EXPECT_FALSE(img.IsTransparentAt(0, 0));
  EXPECT_TRUE(img.IsTransparentAt(1, 0));
  EXPECT_TRUE(img.IsTransparentAt(2, 0));  // key did not match: alpha 0 still counts
  img.SetBackgroundIndex(-1);
  EXPECT_FALSE(img.IsTransparentAt(1, 0));
  EXPECT_TRUE(img.IsTransparentAt(2, 0));
  img.DeleteAlpha();
  EXPECT_FALSE(img.IsTransparentAt(2, 0));

  GbImage pal(3, 1, 4, 0);
  pal.SetStandardPalette();
  pal.Fill(0);
  pal.WritePixelIndex(1, 0, 5);
  pal.WritePixelIndex(2, 0, 7);
  pal.SetBackgroundIndex(5);
  EXPECT_TRUE(pal.IsTransparentAt(1, 0));
  EXPECT_FALSE(pal.IsTransparentAt(2, 0));
  EXPECT_FALSE(GbImage().IsTransparentAt(0, 0));
}

TEST(GbImageTransparency, MaskMarksTransparentPixels) {
  GbImage img(10, 3, 8, 4);
  img.SetStandardPalette();
  img.Fill(1);
  img.WritePixelIndex(0, 0, 9);
  img.WritePixelIndex(9, 2, 9);
  img.CreateAlpha();
  img.WriteAlpha(4, 1, 0);
  img.SetBackgroundIndex(9);

  GbImage mask;
  ASSERT_TRUE(img.MakeTransparencyMask(&mask));
  ASSERT_EQ(mask.BitsPerPixel(), 1u);
  EXPECT_EQ(mask.Width(), 10u);
  EXPECT_EQ(mask.FileType(), 4u);
  EXPECT_EQ(mask.PaletteColor(0), (RGBQUAD{0, 0, 0, 0}));
  EXPECT_EQ(mask.PaletteColor(1), (RGBQUAD{255, 255, 255, 0}));
  for (long y = 0; y < 3; ++y)
    for (long x = 0; x < 10; ++x)
      EXPECT_EQ(mask.ReadPixelIndex(x, y), img.IsTransparentAt(x, y) ? 1 : 0) << x << "," << y;
  EXPECT_EQ(mask.ReadPixelIndex(0, 0), 1);
  EXPECT_EQ(mask.ReadPixelIndex(4, 1), 1);
  EXPECT_EQ(mask.ReadPixelIndex(5, 1), 0);

  ASSERT_TRUE(img.MakeTransparencyMask());  // into the image itself
  EXPECT_EQ(img.BitsPerPixel(), 1u);
  EXPECT_EQ(img.ReadPixelIndex(9, 2), 1);
  EXPECT_FALSE(GbImage().MakeTransparencyMask(&mask));
}
