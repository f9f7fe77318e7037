// Who owns an image's block, planes, frames and layers: moves hand them
// over, copies are deep, a loan lends them for a while, and a copy that runs
// out of memory says so instead of quietly leaving a part behind.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "image/core/GbImage.h"

namespace {

static_assert(std::is_nothrow_move_constructible_v<GbImage>);
static_assert(std::is_nothrow_move_assignable_v<GbImage>);

// Pixels that differ everywhere, so a copy that mixes rows up shows.
void Pattern(GbImage& img, uint8_t seed) {
  for (size_t i = 0; i < img.PackedSize() - 40; ++i) img.PackedDib()[40 + i] = uint8_t(seed + 7 * i);
}

std::unique_ptr<GbImage> Part(uint32_t w, uint32_t h, uint32_t bpp, uint8_t seed) {
  auto img = std::make_unique<GbImage>(w, h, bpp, GB_TYPE_GIF);
  Pattern(*img, seed);
  return img;
}

// 5 x 3, 8 bits, with every kind of owned part: alpha, a selection, three
// frame slots (the middle one empty) and two layers.
GbImage Full() {
  GbImage img(5, 3, 8, GB_TYPE_GIF);
  Pattern(img, 11);
  img.SetDpiX(300);
  img.SetBackgroundIndex(255);
  img.CreateAlpha();
  for (int i = 0; i < 15; ++i) img.AlphaPlane()[i] = uint8_t(17 * i);
  img.AddRectToSelection(RECT{4, 0, 4, 2}, 200);
  img.SetFrameSlots(3);
  img.SetFrameAt(0, Part(2, 1, 1, 3));
  img.SetFrameAt(2, Part(1, 4, 24, 4));
  std::vector<std::unique_ptr<GbImage>> layers;
  layers.push_back(Part(3, 2, 4, 5));
  layers.push_back(Part(1, 1, 24, 6));
  img.SetLayers(std::move(layers));
  return img;
}

bool SameBytes(const uint8_t* a, const uint8_t* b, size_t n) { return a && b && std::memcmp(a, b, n) == 0; }

// Same picture, planes, frames and layers, held in different memory.
void ExpectDeepEqual(const GbImage& a, const GbImage& b, const std::string& where) {
  SCOPED_TRACE(where);
  ASSERT_TRUE(a.HasPixels());
  ASSERT_TRUE(b.HasPixels());
  EXPECT_NE(a.PackedDib(), b.PackedDib());
  ASSERT_EQ(a.PackedSize(), b.PackedSize());
  EXPECT_TRUE(SameBytes(a.PackedDib(), b.PackedDib(), a.PackedSize()));
  const size_t plane = size_t(a.Width()) * a.Height();
  ASSERT_EQ(a.HasAlpha(), b.HasAlpha());
  if (a.HasAlpha()) {
    EXPECT_NE(a.AlphaPlane(), b.AlphaPlane());
    EXPECT_TRUE(SameBytes(a.AlphaPlane(), b.AlphaPlane(), plane));
  }
  ASSERT_EQ(a.HasSelection(), b.HasSelection());
  if (a.HasSelection()) {
    EXPECT_NE(a.SelectionPlane(), b.SelectionPlane());
    EXPECT_TRUE(SameBytes(a.SelectionPlane(), b.SelectionPlane(), plane));
  }
  ASSERT_EQ(a.FrameSlotCount(), b.FrameSlotCount());
  for (long i = 0; i < a.FrameSlotCount(); ++i) {
    ASSERT_EQ(a.FrameAt(i) == nullptr, b.FrameAt(i) == nullptr) << "frame " << i;
    if (a.FrameAt(i)) ExpectDeepEqual(*a.FrameAt(i), *b.FrameAt(i), where + " frame " + std::to_string(i));
  }
  ASSERT_EQ(a.LayerCount(), b.LayerCount());
  for (long i = 0; i < a.LayerCount(); ++i)
    ExpectDeepEqual(*a.LayerAt(i), *b.LayerAt(i), where + " layer " + std::to_string(i));
}

void ExpectEmpty(const GbImage& img) {
  EXPECT_FALSE(img.HasPixels());
  EXPECT_EQ(img.PackedDib(), nullptr);
  EXPECT_EQ(img.AlphaPlane(), nullptr);
  EXPECT_EQ(img.SelectionPlane(), nullptr);
  EXPECT_EQ(img.FrameSlotCount(), 0);
  EXPECT_EQ(img.FrameAt(0), nullptr);
  EXPECT_EQ(img.LayerCount(), 0);
  EXPECT_EQ(img.LayerAt(0), nullptr);
}

// Plans an allocation failure for one scope.
struct FailingAllocations {
  explicit FailingAllocations(long after) { gbbuffer::FailAllocationsAfter(after); }
  ~FailingAllocations() { gbbuffer::FailAllocationsAfter(-1); }
};

}  // namespace

TEST(GbImageOwnership, MovesHandEverythingOverAndLeaveTheSourceEmptyAndUsable) {
  GbImage source = Full();
  const GbImage reference(source);
  uint8_t* block = source.PackedDib();
  uint8_t* alpha = source.AlphaPlane();
  const GbImage* frame = source.FrameAt(2);
  const GbImage* layer = source.LayerAt(1);

  GbImage moved(std::move(source));
  EXPECT_EQ(moved.PackedDib(), block);  // handed over, not copied
  EXPECT_EQ(moved.AlphaPlane(), alpha);
  EXPECT_EQ(moved.FrameAt(2), frame);
  EXPECT_EQ(moved.LayerAt(1), layer);
  EXPECT_EQ(moved.DpiX(), 300);
  ExpectDeepEqual(moved, reference, "move constructed");
  ExpectEmpty(source);
  ASSERT_NE(source.Create(3, 2, 24, 0), nullptr);  // still a working image
  source.Fill(9);
  EXPECT_EQ(source.RowBits(1)[8], 9);

  // Assignment frees what the target held (the sanitizer run checks that).
  GbImage target = Full();
  target.SetFrameSlots(1);
  target.SetFrameAt(0, Part(7, 7, 8, 1));
  target = std::move(moved);
  EXPECT_EQ(target.PackedDib(), block);
  EXPECT_EQ(target.FrameSlotCount(), 3);
  ExpectDeepEqual(target, reference, "move assigned");
  ExpectEmpty(moved);

  GbImage& alias = target;
  target = std::move(alias);  // moving onto itself keeps the content
  EXPECT_EQ(target.PackedDib(), block);
}

TEST(GbImageOwnership, CopiesAreDeepAndEqual) {
  const GbImage source = Full();
  GbImage copy(source);
  ExpectDeepEqual(copy, source, "copy constructed");
  EXPECT_EQ(copy.DpiX(), 300);
  EXPECT_EQ(copy.BackgroundIndex(), 255);
  EXPECT_EQ(copy.SelectionBox().left, source.SelectionBox().left);
  EXPECT_EQ(copy.SelectionBox().top, source.SelectionBox().top);

  // Changing the copy anywhere leaves the source alone.
  const uint8_t pixel = source.ReadPixelIndex(4, 2);
  const uint8_t frameByte = source.FrameAt(0)->PackedDib()[48];
  const uint8_t layerByte = source.LayerAt(0)->RowBits(1)[0];
  copy.WritePixelIndex(4, 2, uint8_t(pixel + 1));
  copy.AlphaPlane()[14] = 0;
  copy.FrameAt(0)->PackedDib()[48] ^= 0xFF;
  copy.LayerAt(0)->Fill(uint8_t(layerByte + 1));
  EXPECT_EQ(source.ReadPixelIndex(4, 2), pixel);
  EXPECT_EQ(source.AlphaPlane()[14], 17 * 14);
  EXPECT_EQ(source.FrameAt(0)->PackedDib()[48], frameByte);
  EXPECT_EQ(source.LayerAt(0)->RowBits(1)[0], layerByte);

  // Assignment replaces what the target had, frames and layers included.
  GbImage target(2, 2, 24, 0);
  target.SetFrameSlots(4);
  target.SetFrameAt(3, Part(9, 9, 8, 2));
  target = source;
  ExpectDeepEqual(target, source, "copy assigned");

  // A copy of the shape only (blank pixels) brings no frames or layers.
  GbImage shape;
  ASSERT_TRUE(shape.CopyFrom(source, false, true, false));
  EXPECT_EQ(shape.Width(), 5u);
  EXPECT_TRUE(shape.HasSelection());
  EXPECT_FALSE(shape.HasAlpha());
  EXPECT_EQ(shape.FrameSlotCount(), 0);
  EXPECT_EQ(shape.LayerCount(), 0);
  EXPECT_EQ(shape.PaletteColor(255).rgbRed, source.PaletteColor(255).rgbRed);
}

TEST(GbImageOwnership, ALoanLendsThePixelsAndTheBorrowerKeepsNothing) {
  GbImage owner = Full();
  owner.SetPaletteColor(3, 30, 20, 10);
  owner.NearestPaletteIndex(RGBQUAD{10, 20, 30, 0});  // fills the colour cache
  ASSERT_TRUE(owner.Info().lastColorValid);
  const GbImage reference(owner);
  uint8_t* block = owner.PackedDib();
  GbImage borrower(2, 2, 24, GB_TYPE_BMP);
  {
    GbImageLoan loan(owner, borrower);
    // The borrower sees the owner's very pixels, planes, frames and layers.
    EXPECT_EQ(borrower.PackedDib(), block);
    EXPECT_EQ(borrower.Width(), 5u);
    EXPECT_EQ(borrower.FileType(), uint32_t(GB_TYPE_GIF));
    EXPECT_EQ(borrower.ReadAlpha(4, 2), 17 * 14);
    EXPECT_EQ(borrower.FrameSlotCount(), 3);
    EXPECT_EQ(borrower.LayerCount(), 2);
    EXPECT_FALSE(owner.HasPixels());  // one owner at a time
    // Its settings are its own; a pixel it writes is the owner's.
    borrower.SetBackgroundIndex(2);
    borrower.SetJpegQuality(40);
    borrower.WritePixelIndex(0, 0, 77);
    borrower.Info().lastColorValid = 0;  // as a codec that swaps palette entries does
  }
  ExpectEmpty(borrower);
  EXPECT_EQ(borrower.Width(), 0u);
  EXPECT_EQ(owner.PackedDib(), block);
  EXPECT_EQ(owner.BackgroundIndex(), 255);
  EXPECT_EQ(owner.JpegQuality(), 90);
  EXPECT_EQ(owner.ReadPixelIndex(0, 0), 77);
  EXPECT_FALSE(owner.Info().lastColorValid);
  owner.WritePixelIndex(0, 0, reference.ReadPixelIndex(0, 0));
  ExpectDeepEqual(owner, reference, "after the loan");
}

TEST(GbImageOwnership, ACopyThatRunsOutOfMemoryFailsAndLeavesTheTargetAsItWas) {
  const GbImage source = Full();
  // Allocations of a full copy: block, selection, alpha, then frame 0 and
  // frame 2 (a block each), then the two layers.
  const char* expected[] = {
      "GbImage::Create can't allocate memory",
      "GbImage::CopyFrom can't allocate memory for the selection",
      "GbImage::CopyFrom can't allocate memory for the alpha plane",
      "GbImage::CopyFrom can't allocate memory for a frame",
      "GbImage::CopyFrom can't allocate memory for a frame",
      "GbImage::CopyFrom can't allocate memory for a layer",
      "GbImage::CopyFrom can't allocate memory for a layer",
  };
  for (long after = 0; after <= 7; ++after) {
    SCOPED_TRACE("allocations before the failure: " + std::to_string(after));
    GbImage target(3, 4, 24, GB_TYPE_PNG);
    Pattern(target, 99);
    target.CreateAlpha();
    target.SetFrameSlots(1);
    target.SetFrameAt(0, Part(2, 2, 8, 7));
    const GbImage before(target);
    uint8_t* block = target.PackedDib();
    const GbImage* frame = target.FrameAt(0);
    bool copied;
    {
      FailingAllocations failing(after);
      copied = target.CopyFrom(source);
    }
    if (after == 7) {
      ASSERT_TRUE(copied) << target.LastError();
      ExpectDeepEqual(target, source, "complete copy");
      continue;
    }
    EXPECT_FALSE(copied);
    EXPECT_STREQ(target.LastError(), expected[after]);
    EXPECT_EQ(target.PackedDib(), block);  // nothing replaced, nothing dropped
    EXPECT_EQ(target.FrameAt(0), frame);
    EXPECT_EQ(target.FileType(), uint32_t(GB_TYPE_PNG));
    ExpectDeepEqual(target, before, "unchanged target");
  }

  // A copy constructed without memory for the alpha plane is an empty image
  // that says why, not a picture that lost its transparency.
  FailingAllocations failing(2);
  GbImage copy(source);
  EXPECT_FALSE(copy.HasPixels());
  EXPECT_FALSE(copy.HasAlpha());
  EXPECT_STREQ(copy.LastError(), "GbImage::CopyFrom can't allocate memory for the alpha plane");
}
