#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "image/core/GbImage.h"

namespace {

using Bytes = std::vector<uint8_t>;

GbImage Filled(uint32_t w, uint32_t h, uint32_t bpp, uint8_t seed) {
  GbImage img(w, h, bpp, GB_TYPE_PNG);
  uint8_t* p = img.RowBits(0);
  for (size_t i = 0; i < size_t(img.RowStride()) * h; ++i) p[i] = uint8_t(seed + i * 31);
  if (bpp <= 8) img.SetGreyPalette();
  return img;
}

Bytes Write(const GbImage& img) {
  Bytes b(img.SerializedSize());
  EXPECT_EQ(img.Serialize(b.data(), b.size()), b.size());
  return b;
}

bool SameBlock(const GbImage& a, const GbImage& b) {
  return a.PackedSize() == b.PackedSize() && a.HasPixels() && b.HasPixels() &&
         std::memcmp(a.PackedDib(), b.PackedDib(), a.PackedSize()) == 0;
}

// An image with both planes, two layers and three frames (one slot empty).
GbImage Rich() {
  GbImage img = Filled(3, 2, 8, 1);
  img.SetDpiX(150);
  img.SetJpegQuality(75);
  img.SetBackgroundIndex(7);
  img.CreateAlpha();
  for (int i = 0; i < 6; ++i) img.AlphaPlane()[i] = uint8_t(40 * i);
  img.CreateSelection();
  img.AddRectToSelection(RECT{1, 0, 2, 1}, 200);
  std::vector<std::unique_ptr<GbImage>> layers;
  layers.push_back(std::make_unique<GbImage>(Filled(2, 2, 24, 50)));
  layers.push_back(std::make_unique<GbImage>(Filled(5, 1, 1, 60)));
  img.SetLayers(std::move(layers));
  img.SetFrameSlots(3);
  img.SetFrameAt(0, std::make_unique<GbImage>(Filled(3, 2, 4, 70)));
  img.SetFrameAt(2, std::make_unique<GbImage>(Filled(3, 2, 24, 80)));
  img.SetFrameCount(3);
  return img;
}

}  // namespace

TEST(SerializedImage, TwoByTwoTrueColourIs544Bytes) {
  GbImage img = Filled(2, 2, 24, 9);
  img.SetDpiY(200);
  EXPECT_EQ(img.SerializedSize(), 544u);
  const Bytes b = Write(img);
  // Header copy, then the record with the file type at offset 16.
  EXPECT_EQ(std::memcmp(b.data(), &img.Header(), 40), 0);
  uint32_t type;
  std::memcpy(&type, b.data() + 40 + 16, 4);
  EXPECT_EQ(type, uint32_t(GB_TYPE_PNG));
  EXPECT_EQ(std::memcmp(b.data() + 484, img.PackedDib(), 56), 0);
  EXPECT_EQ(b[540], 0);  // no alpha, selection, layers, frames
  EXPECT_EQ(b[543], 0);

  GbImage back;
  EXPECT_EQ(back.Deserialize(b.data(), b.size()), 544u);
  EXPECT_TRUE(SameBlock(img, back));
  EXPECT_EQ(back.FileType(), uint32_t(GB_TYPE_PNG));
  EXPECT_EQ(back.DpiY(), 200);
  EXPECT_EQ(back.Header().biYPelsPerMeter, img.Header().biYPelsPerMeter);
  EXPECT_EQ(back.AlphaPlane(), nullptr);
  EXPECT_EQ(back.LayerCount(), 0);
  // Trailing bytes are left for the caller.
  Bytes longer = b;
  longer.resize(600, 0xAB);
  EXPECT_EQ(back.Deserialize(longer.data(), longer.size()), 544u);
}

TEST(SerializedImage, PlanesLayersAndFramesRoundTrip) {
  const GbImage img = Rich();
  const Bytes b = Write(img);
  GbImage back;
  ASSERT_EQ(back.Deserialize(b.data(), b.size()), b.size());
  EXPECT_TRUE(SameBlock(img, back));
  EXPECT_EQ(back.DpiX(), 150);
  EXPECT_EQ(back.JpegQuality(), 75);
  EXPECT_EQ(back.BackgroundIndex(), 7);
  ASSERT_NE(back.AlphaPlane(), nullptr);
  EXPECT_EQ(std::memcmp(back.AlphaPlane(), img.AlphaPlane(), 6), 0);
  ASSERT_NE(back.SelectionPlane(), nullptr);
  EXPECT_EQ(std::memcmp(back.SelectionPlane(), img.SelectionPlane(), 6), 0);
  EXPECT_EQ(back.SelectionBox(), img.SelectionBox());
  EXPECT_EQ(back.SelectionPlane()[1], 200);
  ASSERT_EQ(back.LayerCount(), 2);
  EXPECT_TRUE(SameBlock(*back.LayerAt(0), *img.LayerAt(0)));
  EXPECT_TRUE(SameBlock(*back.LayerAt(1), *img.LayerAt(1)));
  // The empty frame slot is not written; the two frames come back in order.
  ASSERT_EQ(back.FrameSlotCount(), 2);
  EXPECT_EQ(back.FrameCount(), 2);
  EXPECT_TRUE(SameBlock(*back.FrameAt(0), *img.FrameAt(0)));
  EXPECT_TRUE(SameBlock(*back.FrameAt(1), *img.FrameAt(2)));
  // Writing the copy again gives the same bytes.
  EXPECT_EQ(Write(back), b);
}

TEST(SerializedImage, SmallestNestedFormAtTheEnd) {
  // A 1 x 1 true-colour layer is the smallest form there is (532 bytes);
  // as the last thing in the bytes it must still be read.
  GbImage img = Filled(2, 2, 8, 5);
  std::vector<std::unique_ptr<GbImage>> layers;
  layers.push_back(std::make_unique<GbImage>(Filled(1, 1, 24, 6)));
  img.SetLayers(std::move(layers));
  const Bytes b = Write(img);
  EXPECT_EQ(img.LayerAt(0)->SerializedSize(), 532u);
  GbImage back;
  ASSERT_EQ(back.Deserialize(b.data(), b.size()), b.size());
  ASSERT_EQ(back.LayerCount(), 1);
  EXPECT_TRUE(SameBlock(*back.LayerAt(0), *img.LayerAt(0)));
}

TEST(SerializedImage, EveryTruncationFailsCleanly) {
  const Bytes b = Write(Rich());
  GbImage back = Filled(2, 2, 24, 0);
  for (size_t n = 0; n < b.size(); ++n) {
    ASSERT_EQ(back.Deserialize(b.data(), n), 0u) << n;
    ASSERT_FALSE(back.HasPixels()) << n;
    ASSERT_EQ(back.LayerCount(), 0) << n;
    ASSERT_EQ(back.FrameSlotCount(), 0) << n;
  }
  EXPECT_EQ(back.Deserialize(nullptr, 100), 0u);
}

TEST(SerializedImage, LyingFieldsAreRefused) {
  const Bytes good = Write(Filled(2, 2, 24, 3));
  auto with = [&](size_t offset, uint32_t value, int bytes = 4) {
    Bytes b = good;
    for (int i = 0; i < bytes; ++i) b[offset + size_t(i)] = uint8_t(value >> (8 * i));
    return b;
  };
  GbImage img;
  const struct {
    const char* what;
    Bytes bytes;
  } cases[] = {
      {"32-bit header", with(14, 32, 2)},
      {"zero width", with(4, 0)},
      {"negative height", with(8, 0xFFFFFFFE)},
      {"huge picture", with(4, 20000)},
      {"alpha flag 2", with(540, 2, 1)},
      {"alpha flag without its plane", with(540, 1, 1)},
      {"layers flag, count past the bytes",
       [&] {
         Bytes b = with(542, 1, 1);
         const int32_t n = 1000;
         std::memcpy(b.data() + 40 + 432, &n, 4);
         return b;
       }()},
      {"layers flag, negative count",
       [&] {
         Bytes b = with(542, 1, 1);
         const int32_t n = -1;
         std::memcpy(b.data() + 40 + 432, &n, 4);
         return b;
       }()},
      {"frames flag, count with no forms",
       [&] {
         Bytes b = with(543, 1, 1);
         const int32_t n = 1;
         std::memcpy(b.data() + 40 + 304, &n, 4);
         return b;
       }()},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(img.Deserialize(c.bytes.data(), c.bytes.size()), 0u) << c.what;
    EXPECT_FALSE(img.HasPixels()) << c.what;
  }
  // Stale pointers and caches in the record are ignored; an unknown type
  // becomes 0; a layer flag with a zero count is just no layers.
  Bytes odd = with(40 + 4, 0xDEADBEEF);
  std::memset(odd.data() + 40 + 8, 0xFF, 8);
  odd[40 + 429] = 1;  // nearest-colour cache "valid"
  std::memset(odd.data() + 40 + 16, 0x7F, 4);
  odd[542] = 1;
  ASSERT_EQ(img.Deserialize(odd.data(), odd.size()), odd.size());
  EXPECT_EQ(img.FileType(), 0u);
  EXPECT_EQ(img.Info().lastColorValid, 0);
  // The block's header is rebuilt from the picture, not copied from the bytes.
  Bytes inner = with(484 + 4, 999);
  ASSERT_EQ(img.Deserialize(inner.data(), inner.size()), inner.size());
  BITMAPINFOHEADER h;
  std::memcpy(&h, img.PackedDib(), 40);
  EXPECT_EQ(h.biWidth, 2);
}

TEST(SerializedImage, NestingDepthIsBounded) {
  // Layers of layers of ... ten deep: more than any form this program writes.
  auto nest = [](int depth) {
    auto inner = std::make_unique<GbImage>(Filled(1, 1, 1, 0));
    for (int i = 0; i < depth; ++i) {
      auto outer = std::make_unique<GbImage>(Filled(1, 1, 1, uint8_t(i)));
      std::vector<std::unique_ptr<GbImage>> layers;
      layers.push_back(std::move(inner));
      outer->SetLayers(std::move(layers));
      inner = std::move(outer);
    }
    return inner;
  };
  for (int depth : {3, 10}) {
    std::unique_ptr<GbImage> top = nest(depth);
    const Bytes b = Write(*top);
    GbImage back;
    if (depth == 3)
      EXPECT_EQ(back.Deserialize(b.data(), b.size()), b.size());
    else
      EXPECT_EQ(back.Deserialize(b.data(), b.size()), 0u);
  }
}

TEST(SerializedImage, WriterPreconditions) {
  GbImage empty;
  EXPECT_EQ(empty.SerializedSize(), 0u);
  Bytes b(1000);
  EXPECT_EQ(empty.Serialize(b.data(), b.size()), 0u);
  const GbImage img = Filled(2, 2, 24, 0);
  EXPECT_EQ(img.Serialize(nullptr, 1000), 0u);
  EXPECT_EQ(img.Serialize(b.data(), 543), 0u);
  EXPECT_EQ(img.Serialize(b.data(), 544), 544u);
}
