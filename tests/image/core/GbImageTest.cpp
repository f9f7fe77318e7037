#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "image/core/GbImage.h"

TEST(GbImageCreate, RejectsEmptyAndOversizedImages) {
  GbImage img;
  EXPECT_EQ(img.Create(0, 10, 24, 0), nullptr);
  EXPECT_STREQ(img.LastError(), "GbImage::Create : width and height must be greater than zero");
  EXPECT_EQ(img.Create(16385, 16384, 8, 0), nullptr);
  EXPECT_STREQ(img.LastError(), "GBIMAGE_MAX_MEMORY exceeded");
  EXPECT_FALSE(img.HasPixels());
  // Products that wrap around 32 bits are caught, not allocated.
  EXPECT_EQ(img.Create(65536, 65536, 24, 0), nullptr);
  EXPECT_STREQ(img.LastError(), "GBIMAGE_MAX_MEMORY exceeded");
  EXPECT_EQ(img.Create(0xFFFFFFFFu, 3, 1, 0), nullptr);
  EXPECT_STREQ(img.LastError(), "GBIMAGE_MAX_MEMORY exceeded");
}

TEST(GbImageCreate, LimitIsExactlyTheMaximumMemory) {
  GbImage img;
  ASSERT_NE(img.Create(16384, 16384, 8, 0), nullptr);  // exactly 268,435,456 bytes
  EXPECT_EQ(img.RowStride() * img.Height(), GBIMAGE_MAX_MEMORY);
}

TEST(GbImageCreate, NormalisesDepthAndComputesStrides) {
  GbImage img;
  const struct { uint32_t in, out; } cases[] = {{0, 1}, {1, 1}, {2, 4}, {4, 4}, {5, 8}, {8, 8}, {16, 24}, {32, 24}};
  for (auto c : cases) {
    ASSERT_NE(img.Create(5, 5, c.in, 0), nullptr);
    EXPECT_EQ(img.BitsPerPixel(), c.out) << "bpp " << c.in;
  }
  img.Create(3, 2, 24, 0);
  EXPECT_EQ(img.RowStride(), 12u);
  EXPECT_EQ(img.PackedSize(), 40u + 24u);
  img.Create(33, 2, 1, 0);
  EXPECT_EQ(img.RowStride(), 8u);
  EXPECT_EQ(img.PackedSize(), 40u + 8u + 16u);
  img.Create(7, 3, 4, 0);
  EXPECT_EQ(img.RowStride(), 4u);
  EXPECT_EQ(img.RowBits(3), nullptr);
  EXPECT_EQ(img.RowBits(1), img.RowBits(0) + 4);
  // The block starts with the header the object holds.
  BITMAPINFOHEADER h;
  std::memcpy(&h, img.PackedDib(), 40);
  EXPECT_EQ(h.biSize, 40u);
  EXPECT_EQ(h.biWidth, 7);
  EXPECT_EQ(h.biBitCount, 4);
  EXPECT_EQ(h.biClrUsed, 16u);
  EXPECT_EQ(h.biSizeImage, 12u);
}

TEST(GbImagePixels, IndexPackingAtEveryDepth) {
  for (uint32_t bpp : {1u, 4u, 8u}) {
    GbImage img(13, 3, bpp, 0);
    img.Fill(0);
    const uint8_t mask = uint8_t((1u << bpp) - 1);
    for (long x = 0; x < 13; ++x) img.WritePixelIndex(x, 1, uint8_t(x * 7 + 1));
    for (long x = 0; x < 13; ++x) {
      EXPECT_EQ(img.ReadPixelIndex(x, 1), uint8_t((x * 7 + 1) & mask)) << bpp << " x=" << x;
      EXPECT_EQ(img.ReadPixelIndex(x, 0), 0);
      EXPECT_EQ(img.ReadPixelIndex(x, 2), 0);
    }
  }
  GbImage one(8, 1, 1, 0);
  one.Fill(0);
  one.WritePixelIndex(0, 0, 1);
  EXPECT_EQ(one.RowBits(0)[0], 0x80);  // leftmost pixel in the top bit
  GbImage four(2, 1, 4, 0);
  four.Fill(0);
  four.WritePixelIndex(0, 0, 0xA);
  four.WritePixelIndex(1, 0, 0x3);
  EXPECT_EQ(four.RowBits(0)[0], 0xA3);
}

TEST(GbImagePixels, FillRules) {
  GbImage one(8, 1, 1, 0);
  one.Fill(3);
  EXPECT_EQ(one.RowBits(0)[0], 0xFF);
  GbImage four(8, 1, 4, 0);
  four.Fill(0x2B);
  EXPECT_EQ(four.RowBits(0)[0], 0xBB);
}

TEST(GbImagePixels, OutsideReadsFollowTheBackground) {
  GbImage img(4, 4, 8, 0);
  img.SetGreyPalette();
  img.Fill(0);
  img.WritePixelIndex(0, 0, 77);
  EXPECT_EQ(img.ReadPixelIndex(-1, 0), 77);
  EXPECT_EQ(img.ReadPixelColor(-1, 0).rgbRed, 77);
  img.SetBackgroundIndex(3);
  EXPECT_EQ(img.ReadPixelIndex(-1, 0), 3);
  EXPECT_EQ(img.ReadPixelColor(10, 10).rgbRed, 3);

  GbImage rgb(2, 2, 24, 0);
  rgb.Fill(0);
  rgb.WritePixelColor(0, 0, RGBQUAD{1, 2, 3, 0});
  EXPECT_EQ(rgb.ReadPixelColor(5, 5), (RGBQUAD{1, 2, 3, 0}));
  rgb.SetBackgroundIndex(5);
  EXPECT_EQ(rgb.BackgroundIndex(), 0);
  rgb.SetBackgroundColor(RGBQUAD{9, 8, 7, 200});
  EXPECT_EQ(rgb.ReadPixelColor(5, 5), (RGBQUAD{9, 8, 7, 0}));
  rgb.SetBackgroundIndex(-1);
  EXPECT_EQ(rgb.BackgroundIndex(), -1);
  EXPECT_FALSE(rgb.HasBackgroundIndex());

  GbImage empty;
  EXPECT_EQ(empty.ReadPixelIndex(0, 0), 0);
  EXPECT_EQ(empty.PixelPointer24(0, 0), nullptr);
  empty.WritePixelColor(0, 0, RGBQUAD{1, 1, 1, 1});  // ignored, no crash
}

TEST(GbImagePixels, AlphaPlaneFeedsReservedByte) {
  GbImage img(2, 2, 24, 0);
  img.Fill(10);
  img.AdoptAlphaPlane(std::unique_ptr<uint8_t[]>(new uint8_t[4]{1, 2, 3, 4}));
  EXPECT_EQ(img.ReadPixelColor(1, 1).rgbReserved, 4);
  EXPECT_EQ(img.ReadPixelColor(1, 1, false).rgbReserved, 0);
  img.WritePixelColor(0, 1, RGBQUAD{5, 6, 7, 99}, true);
  EXPECT_EQ(img.AlphaPlane()[2], 99);
  EXPECT_EQ(img.ReadPixelColorUnchecked(0, 1), (RGBQUAD{5, 6, 7, 99}));
}

TEST(GbImagePalette, NearestColourAndItsCache) {
  GbImage img(2, 2, 8, 0);
  img.SetGreyPalette();
  img.SetPaletteColor(4, 200, 10, 10);
  img.SetPaletteColor(9, 200, 10, 10);
  EXPECT_EQ(img.NearestPaletteIndex(RGBQUAD{10, 10, 200, 0}), 4);
  EXPECT_EQ(img.NearestPaletteIndex(RGBQUAD{12, 11, 199, 0}), 4);
  // A palette write drops the cached answer.
  img.SetGreyPalette();
  EXPECT_EQ(img.NearestPaletteIndex(RGBQUAD{12, 11, 199, 0}), 74);
  // Colours-important limits the search.
  img.SetColorsImportant(16);
  EXPECT_EQ(img.ColorsImportant(), 16u);
  img.SetPaletteColor(0, 0, 0, 0);  // invalidate the cache
  EXPECT_EQ(img.NearestPaletteIndex(RGBQUAD{250, 250, 250, 0}), 15);
  img.SetColorsImportant(300);
  EXPECT_EQ(img.ColorsImportant(), 0u);
  GbImage one(2, 2, 1, 0);
  one.SetColorsImportant(100);
  EXPECT_EQ(one.ColorsImportant(), 2u);
}

TEST(GbImagePalette, GreyRampsAndStandardPalettes) {
  GbImage one(1, 1, 1, 0), four(1, 1, 4, 0), eight(1, 1, 8, 0);
  one.SetGreyPalette();
  EXPECT_EQ(one.PaletteColor(1).rgbGreen, 255);
  four.SetGreyPalette();
  EXPECT_EQ(four.PaletteColor(3).rgbRed, 51);
  EXPECT_FALSE(four.IsGreyScale());
  eight.SetGreyPalette();
  EXPECT_TRUE(eight.IsGreyScale());
  eight.SetStandardPalette();
  EXPECT_FALSE(eight.IsGreyScale());
  EXPECT_EQ(eight.PaletteColor(7), (RGBQUAD{192, 192, 192, 0}));
  EXPECT_EQ(eight.PaletteColor(8), (RGBQUAD{192, 220, 192, 0}));
  EXPECT_EQ(eight.PaletteColor(40), (RGBQUAD{0, 0, 254, 0}));
  EXPECT_EQ(eight.PaletteColor(45), (RGBQUAD{0, 0, 80, 0}));
  EXPECT_EQ(eight.PaletteColor(226), (RGBQUAD{242, 242, 242, 0}));
  EXPECT_EQ(eight.PaletteColor(238), (RGBQUAD{98, 98, 98, 0}));
  EXPECT_EQ(eight.PaletteColor(246), (RGBQUAD{240, 251, 255, 0}));
  EXPECT_EQ(eight.PaletteColor(255), (RGBQUAD{255, 255, 255, 0}));
  four.SetStandardPalette();
  EXPECT_EQ(four.PaletteColor(3), (RGBQUAD{0, 128, 128, 0}));  // olive
  EXPECT_EQ(four.PaletteColor(12), (RGBQUAD{255, 0, 0, 0}));   // blue
  EXPECT_EQ(eight.PaletteColor(300), (RGBQUAD{}));
}

TEST(GbImagePalette, ChannelSettersAndSwaps) {
  GbImage img(3, 1, 8, 0);
  const uint8_t red[3] = {10, 20, 30};
  img.SetPaletteChannels(3, red, nullptr, nullptr);
  EXPECT_EQ(img.PaletteColor(2), (RGBQUAD{30, 30, 30, 0}));
  const uint8_t triples[6] = {1, 2, 3, 4, 5, 6};
  img.SetPaletteRGB(triples, 2);
  EXPECT_EQ(img.PaletteColor(1), (RGBQUAD{6, 5, 4, 0}));
  img.WritePixelIndex(0, 0, 0);
  img.WritePixelIndex(1, 0, 1);
  img.WritePixelIndex(2, 0, 2);
  img.SwapPaletteIndices(0, 1);
  EXPECT_EQ(img.ReadPixelIndex(0, 0), 1);
  EXPECT_EQ(img.ReadPixelIndex(1, 0), 0);
  EXPECT_EQ(img.PaletteColor(0), (RGBQUAD{6, 5, 4, 0}));
  EXPECT_EQ(img.ReadPixelColor(0, 0), (RGBQUAD{3, 2, 1, 0}));  // the picture looks the same
  img.SwapRedBlue();
  EXPECT_EQ(img.PaletteColor(0), (RGBQUAD{4, 5, 6, 0}));
  EXPECT_FALSE(img.PaletteHasAlpha());
  img.SetPaletteColor(2, 1, 1, 1, 128);
  EXPECT_TRUE(img.PaletteHasAlpha());
}

TEST(GbImageLifeCycle, CopyAndTakeOver) {
  GbImage src(4, 3, 24, GB_TYPE_PNG);
  src.Fill(0x5A);
  src.SetDpiX(300);
  src.AdoptAlphaPlane(std::unique_ptr<uint8_t[]>(new uint8_t[12]()));
  src.AlphaPlane()[5] = 42;

  GbImage copy(src, true, true, false);
  EXPECT_EQ(copy.Width(), 4u);
  EXPECT_EQ(copy.FileType(), uint32_t(GB_TYPE_PNG));
  EXPECT_EQ(copy.DpiX(), 300);
  EXPECT_EQ(copy.RowBits(2)[11], 0x5A);
  EXPECT_EQ(copy.AlphaPlane(), nullptr);
  EXPECT_NE(copy.PackedDib(), src.PackedDib());
  GbImage copyA = src;
  ASSERT_NE(copyA.AlphaPlane(), nullptr);
  EXPECT_EQ(copyA.AlphaPlane()[5], 42);

  GbImage target(1, 1, 8, 0);
  uint8_t* block = src.PackedDib();
  ASSERT_TRUE(target.TakeOver(src));
  EXPECT_EQ(target.PackedDib(), block);
  EXPECT_EQ(target.AlphaPlane()[5], 42);
  EXPECT_FALSE(src.HasPixels());
  EXPECT_EQ(src.Width(), 0u);
  EXPECT_EQ(src.Height(), 0u);
  EXPECT_EQ(src.BitsPerPixel(), 0u);
  EXPECT_EQ(src.AlphaPlane(), nullptr);
  EXPECT_EQ(src.RowStride(), 0u);
}

TEST(GbImageLifeCycle, ReleaseKeepsHeaderAndSettings) {
  GbImage img(5, 6, 8, GB_TYPE_GIF);
  img.SetBackgroundIndex(7);
  EXPECT_TRUE(img.Release());
  EXPECT_FALSE(img.HasPixels());
  EXPECT_EQ(img.Width(), 5u);
  EXPECT_EQ(img.BackgroundIndex(), 7);
  GbImage fresh;
  EXPECT_TRUE(fresh.CopySettingsFrom(img));
  EXPECT_EQ(fresh.BackgroundIndex(), 7);
  EXPECT_FALSE(GbImage(1, 1, 8, 0).CopySettingsFrom(img));  // only while empty
}

TEST(GbImageFrames, FrameArrayAndFrameAt) {
  GbImage img(2, 2, 8, GB_TYPE_GIF);
  EXPECT_EQ(img.FrameAt(0), nullptr);
  ASSERT_TRUE(img.SetFrameSlots(3));
  for (int i = 0; i < 3; ++i) img.SetFrameAt(i, std::make_unique<GbImage>(i + 1, 1, 8, 0));
  EXPECT_EQ(img.FrameAt(1)->Width(), 2u);
  EXPECT_EQ(img.FrameAt(-1)->Width(), 3u);
  EXPECT_EQ(img.FrameAt(3), nullptr);
  GbImage other;
  other.TakeOver(img, true);
  EXPECT_EQ(img.FrameAt(0), nullptr);
  EXPECT_EQ(other.FrameAt(2)->Width(), 3u);
  EXPECT_TRUE(other.ReleaseFrames());
  EXPECT_EQ(other.FrameAt(0), nullptr);
}

TEST(GbImageSettings, DpiTypesAndCodecOptions) {
  GbImage img(1, 1, 24, 0);
  img.SetDpiX(0);
  EXPECT_EQ(img.DpiX(), 96);
  EXPECT_EQ(img.Header().biXPelsPerMeter, 3780);
  img.SetDpiY(300);
  EXPECT_EQ(img.Header().biYPelsPerMeter, 11811);
  EXPECT_EQ(reinterpret_cast<const BITMAPINFOHEADER*>(img.PackedDib())->biYPelsPerMeter, 11811);
  EXPECT_EQ(GbImage::PpmToDpi(11811), 300);
  EXPECT_EQ(GbImage().Header().biXPelsPerMeter, 3780);
  // A resolution read from a file that the 32-bit field can't hold saturates.
  img.SetDpiX(54546085);
  EXPECT_EQ(img.Header().biXPelsPerMeter, INT32_MAX);
  EXPECT_EQ(GbImage::DpiToPpm(INT32_MIN), INT32_MIN);
  EXPECT_EQ(GbImage::PpmToDpi(INT32_MAX), 54546085);

  EXPECT_FALSE(img.SetFileType(16));
  EXPECT_EQ(img.FileType(), 0u);
  EXPECT_FALSE(img.SetFileType(GB_TYPE_COUNT));  // the first id past the last
  EXPECT_TRUE(img.SetFileType(19));
  EXPECT_EQ(TypeIndex(15), 15);
  EXPECT_EQ(TypeIndex(16), 0);
  EXPECT_EQ(TypeIndex(17), 16);
  EXPECT_EQ(TypeIndex(19), 18);
  img.SetCodecOption(0xABCD, GB_TYPE_RAW);
  EXPECT_EQ(img.CodecOption(), 0xABCDu);  // type 0 means the image's own type
  EXPECT_EQ(img.Info().codecOptions[18], 0xABCDu);

  img.SetJpegQuality(75);
  EXPECT_EQ(img.JpegQuality(), 75);
  img.SetJpegQualityF(89.6f);
  EXPECT_EQ(img.JpegQuality(), 90);
}

TEST(GbImageSettings, ProgressAndEscapeAcrossThreads) {
  GbImage img(1, 1, 8, 0);
  std::thread worker([&] {
    for (int i = 0; i <= 100 && !img.Escape(); ++i) img.SetProgress(i);
  });
  img.SetEscape(1);
  worker.join();
  EXPECT_EQ(img.Escape(), 1);
  EXPECT_LE(img.Progress(), 100);
}

TEST(GbImageInfoRecord, ByteLayoutRoundTrip) {
  GbImage img(10, 4, 8, GB_TYPE_TIF);
  img.SetLastError("some message");
  img.SetBackgroundIndex(12);
  img.SetBackgroundColor(RGBQUAD{1, 2, 3, 4});
  img.SetJpegQuality(77);
  img.SetJpegScale(2);
  img.SetFrame(3);
  img.SetFrameCount(9);
  img.SetFrameDelay(250);
  img.SetDpiX(72);
  img.SetDpiY(144);
  img.Info().selLeft = 1;
  img.Info().selTop = 2;
  img.Info().selRight = 3;
  img.Info().selBottom = 4;
  img.SetAlphaMax(200);
  img.EnablePaletteAlpha(true);
  img.SetOffset(-5, 6);
  img.SetCodecOption(0x12345678, GB_TYPE_TIF);
  img.SetProgress(55);
  img.SetDisposalMethod(2);
  img.SetRetrieveAllFrames(true);

  uint8_t rec[GB_INFO_RECORD_SIZE];
  img.WriteInfoRecord(rec);
  auto u32 = [&](size_t off) {
    uint32_t v;
    std::memcpy(&v, rec + off, 4);
    return v;
  };
  auto i32 = [&](size_t off) {
    int32_t v;
    std::memcpy(&v, rec + off, 4);
    return v;
  };
  EXPECT_EQ(u32(0), 12u);
  EXPECT_EQ(u32(4), 0u);
  EXPECT_EQ(u32(8), 0u);
  EXPECT_EQ(u32(16), 6u);
  EXPECT_STREQ(reinterpret_cast<char*>(rec + 20), "some message");
  EXPECT_EQ(i32(276), 55);
  EXPECT_EQ(i32(284), 12);
  EXPECT_EQ(rec[288], 1);
  EXPECT_EQ(rec[291], 0);  // background colour's reserved byte is cleared
  float q;
  std::memcpy(&q, rec + 292, 4);
  EXPECT_EQ(q, 77.0f);
  EXPECT_EQ(rec[296], 2);
  EXPECT_EQ(i32(300), 3);
  EXPECT_EQ(i32(304), 9);
  EXPECT_EQ(u32(308), 250u);
  EXPECT_EQ(i32(312), 72);
  EXPECT_EQ(i32(316), 144);
  EXPECT_EQ(i32(320), 1);
  EXPECT_EQ(i32(332), 4);
  EXPECT_EQ(rec[336], 200);
  EXPECT_EQ(rec[337], 1);
  EXPECT_EQ(rec[338], 1);
  EXPECT_EQ(i32(340), -5);
  EXPECT_EQ(i32(344), 6);
  EXPECT_EQ(u32(348 + 4 * 6), 0x12345678u);
  EXPECT_EQ(rec[440], 2);
  EXPECT_EQ(rec[441], 1);
  EXPECT_EQ(rec[442], 1);

  GbImage back(10, 4, 8, 0);
  back.ReadInfoRecord(rec);
  uint8_t again[GB_INFO_RECORD_SIZE];
  back.WriteInfoRecord(again);
  EXPECT_EQ(std::memcmp(rec, again, GB_INFO_RECORD_SIZE), 0);
  EXPECT_EQ(back.BackgroundIndex(), 12);
  EXPECT_EQ(back.CodecOption(GB_TYPE_TIF), 0x12345678u);

  // A hostile record cannot claim layers or a stride the image does not have.
  rec[432] = 50;
  rec[0] = 99;
  back.ReadInfoRecord(rec);
  EXPECT_EQ(back.LayerCount(), 0);
  EXPECT_EQ(back.RowStride(), 12u);
}
