// Decoding of hand-built bitmaps: every variant the reader accepts, with
// pixels checked against values worked out from the bytes.
#include <gtest/gtest.h>

#include "image/codecs/GbImageBMP.h"
#include "tests/image/codecs/BmpBytes.h"

using namespace bmptest;

namespace {

// 2 x 2 8-bit picture, palette 0 = black, 1 = red, 2 = green, 3 = blue.
Bytes Palette4() {
  Bytes p;
  p.raw({0, 0, 0, 0, 0, 0, 255, 7, 0, 255, 0, 9, 255, 0, 0, 11});  // reserved bytes set on purpose
  return p;
}

}  // namespace

TEST(BmpDecode, Uncompressed8BitWithPaletteAndResolution) {
  Info info;
  info.width = 2;
  info.height = 2;
  info.bits = 8;
  info.clrUsed = 4;
  info.ppmX = 2835;  // 72 dpi
  info.ppmY = 3780;
  Bytes px;
  px.raw({1, 2, 0, 0, 3, 0, 0, 0});  // bottom row: red green; top row: blue black
  GbImage img;
  ASSERT_TRUE(Decode(img, File(info, Palette4(), px))) << img.LastError();
  EXPECT_EQ(img.FileType(), uint32_t(GB_TYPE_BMP));
  EXPECT_EQ(img.BitsPerPixel(), 8u);
  EXPECT_EQ(img.DpiX(), 72);
  EXPECT_EQ(img.DpiY(), 96);
  EXPECT_EQ(Rgb(img, 0, 0), 0xFF0000u);
  EXPECT_EQ(Rgb(img, 1, 0), 0x00FF00u);
  EXPECT_EQ(Rgb(img, 0, 1), 0x0000FFu);
  EXPECT_EQ(Rgb(img, 1, 1), 0x000000u);
  // The palette's reserved bytes are cleared; unused entries are black.
  EXPECT_EQ(img.PaletteColor(1).rgbReserved, 0);
  EXPECT_EQ(img.PaletteColor(4), RGBQUAD{});
}

TEST(BmpDecode, PackedBitmapWithoutFileHeader) {
  Info info;
  info.width = 2;
  info.height = 1;
  info.bits = 24;
  Bytes b = InfoHeader(info);
  b.raw({1, 2, 3, 4, 5, 6, 0, 0});
  GbImage img;
  ASSERT_TRUE(Decode(img, b)) << img.LastError();
  EXPECT_EQ(Rgb(img, 0, 0), 0x030201u);
  EXPECT_EQ(Rgb(img, 1, 0), 0x060504u);
  // Also found by detection.
  GbImage detected;
  ASSERT_TRUE(Decode(detected, b, GB_TYPE_UNKNOWN));
  EXPECT_EQ(detected.FileType(), uint32_t(GB_TYPE_BMP));
}

TEST(BmpDecode, CoreHeaderWithThreeBytePalette) {
  Bytes b;
  // File header, 12-byte header (2 x 1, 1 bit), palette of two 3-byte entries.
  b.u16(0x4D42).u32(0).u32(0).u32(14 + 12 + 6);
  b.u32(12).u16(2).u16(1).u16(1).u16(1);
  b.raw({10, 20, 30, 40, 50, 60});
  b.raw({0x40, 0, 0, 0});  // pixels 0, 1
  GbImage img;
  ASSERT_TRUE(Decode(img, b)) << img.LastError();
  EXPECT_EQ(img.BitsPerPixel(), 1u);
  EXPECT_EQ(Rgb(img, 0, 0), 0x1E140Au);
  EXPECT_EQ(Rgb(img, 1, 0), 0x3C3228u);
  EXPECT_EQ(img.DpiX(), 96);  // no resolution in the old header
}

TEST(BmpDecode, LongerHeadersPutThePaletteAfterTheWholeHeader) {
  for (uint32_t size : {52u, 56u, 64u, 108u, 124u}) {
    Info info;
    info.headerSize = size;
    info.width = 1;
    info.height = 1;
    info.bits = 8;
    info.clrUsed = 4;
    Bytes px;
    px.raw({3, 0, 0, 0});
    GbImage img;
    ASSERT_TRUE(Decode(img, File(info, Palette4(), px))) << size << ": " << img.LastError();
    EXPECT_EQ(Rgb(img, 0, 0), 0x0000FFu) << size;
  }
}

TEST(BmpDecode, UnknownHeaderSizesNeedSaneFields) {
  Info info;
  info.headerSize = 48;
  info.width = 1;
  info.height = 1;
  info.bits = 24;
  info.sizeImage = 4;
  Bytes px;
  px.raw({9, 8, 7, 0});
  GbImage img;
  ASSERT_TRUE(Decode(img, File(info, {}, px))) << img.LastError();
  EXPECT_EQ(Rgb(img, 0, 0), 0x070809u);

  Info withColours = info;
  withColours.clrUsed = 2;
  EXPECT_FALSE(Decode(img, File(withColours, {}, px)));
  EXPECT_STREQ(img.LastError(), "Error reading BMP info");
  Info twoPlanes = info;
  twoPlanes.planes = 2;
  EXPECT_FALSE(Decode(img, File(twoPlanes, {}, px)));
  Info smallSize = info;
  smallSize.sizeImage = 3;
  EXPECT_FALSE(Decode(img, File(smallSize, {}, px)));
  for (uint32_t size : {0u, 16u, 39u}) {
    Info shortHeader = info;
    shortHeader.headerSize = size;
    EXPECT_FALSE(Decode(img, File(shortHeader, {}, px))) << size;
    EXPECT_STREQ(img.LastError(), "Error reading BMP info");
  }
}

TEST(BmpDecode, TopDownRowsAreFlipped) {
  Info info;
  info.width = 1;
  info.height = -10;
  info.bits = 8;
  info.clrUsed = 4;
  Bytes px;
  for (int row = 0; row < 10; ++row) px.raw({uint8_t(row == 0 ? 1 : 2), 0, 0, 0});
  GbImage img;
  ASSERT_TRUE(Decode(img, File(info, Palette4(), px))) << img.LastError();
  EXPECT_EQ(img.Height(), 10u);
  EXPECT_EQ(Rgb(img, 0, 9), 0xFF0000u);  // the first stored row is the top one
  EXPECT_EQ(Rgb(img, 0, 0), 0x00FF00u);
}

TEST(BmpDecode, ThirtyTwoBitAlphaFollowsTheAllZeroRule) {
  Info info;
  info.width = 2;
  info.height = 1;
  info.bits = 32;
  Bytes zeroAlpha;
  zeroAlpha.raw({1, 2, 3, 0, 4, 5, 6, 0});
  GbImage img;
  ASSERT_TRUE(Decode(img, File(info, {}, zeroAlpha))) << img.LastError();
  EXPECT_EQ(img.BitsPerPixel(), 24u);
  ASSERT_NE(img.AlphaPlane(), nullptr);
  EXPECT_EQ(img.AlphaPlane()[0], 255);  // padding, not transparency
  EXPECT_EQ(img.AlphaPlane()[1], 255);
  EXPECT_EQ(Rgb(img, 1, 0), 0x060504u);

  Bytes someAlpha;
  someAlpha.raw({1, 2, 3, 0, 4, 5, 6, 128});
  ASSERT_TRUE(Decode(img, File(info, {}, someAlpha)));
  ASSERT_NE(img.AlphaPlane(), nullptr);
  EXPECT_EQ(img.AlphaPlane()[0], 0);
  EXPECT_EQ(img.AlphaPlane()[1], 128);

  // A top-down 32-bit file flips its alpha with the rows.
  info.height = -2;
  info.width = 1;
  Bytes topDown;
  topDown.raw({1, 1, 1, 10, 2, 2, 2, 20});
  ASSERT_TRUE(Decode(img, File(info, {}, topDown)));
  EXPECT_EQ(Rgb(img, 0, 1), 0x010101u);
  EXPECT_EQ(img.AlphaPlane()[1], 10);
  EXPECT_EQ(img.AlphaPlane()[0], 20);
}

TEST(BmpDecode, ThirtyTwoBitFieldsPickTheMaskedBits) {
  Info info;
  info.width = 2;
  info.height = 1;
  info.bits = 32;
  info.compression = BI_BITFIELDS;
  Bytes masks;
  masks.u32(0x000000FF).u32(0x0000FF00).u32(0x00FF0000);  // red low, blue high
  Bytes px;
  px.u32(0xAA332211).u32(0x00C0B0A0);
  GbImage img;
  ASSERT_TRUE(Decode(img, File(info, masks, px))) << img.LastError();
  EXPECT_EQ(img.AlphaPlane(), nullptr);  // bit fields carry no alpha
  EXPECT_EQ(Rgb(img, 0, 0), 0x112233u);
  EXPECT_EQ(Rgb(img, 1, 0), 0xA0B0C0u);

  // Masks that are not byte-aligned: green in bits 4..11, 10-bit blue.
  Bytes odd;
  odd.u32(0xFF000000).u32(0x00000FF0).u32(0x00FFC000 >> 2);
  Bytes px2;
  px2.u32(0x7F000000u | (0x5Au << 4) | (0x3FFu << 12));
  ASSERT_TRUE(Decode(img, File(info, odd, px2))) << img.LastError();
  EXPECT_EQ(Rgb(img, 0, 0), 0x7F5AFFu);
}

TEST(BmpDecode, SixteenBitDefaultsTo555AndReadsMasks) {
  Info info;
  info.width = 2;
  info.height = 1;
  info.bits = 16;
  // 5-5-5: red 31, green 16, blue 1; and white.
  Bytes px;
  px.u16((31 << 10) | (16 << 5) | 1).u16(0x7FFF);
  GbImage img;
  ASSERT_TRUE(Decode(img, File(info, {}, px))) << img.LastError();
  EXPECT_EQ(img.BitsPerPixel(), 24u);
  EXPECT_EQ(Rgb(img, 0, 0), (248u << 16) | (128u << 8) | 8u);
  EXPECT_EQ(Rgb(img, 1, 0), 0xF8F8F8u);

  info.compression = BI_BITFIELDS;
  Bytes masks;
  masks.u32(0xF800).u32(0x07E0).u32(0x001F);
  Bytes px565;
  px565.u16((31 << 11) | (63 << 5) | 0).u16((1 << 11) | (1 << 5) | 31);
  ASSERT_TRUE(Decode(img, File(info, masks, px565))) << img.LastError();
  EXPECT_EQ(Rgb(img, 0, 0), 0xF8FC00u);
  EXPECT_EQ(Rgb(img, 1, 0), (8u << 16) | (4u << 8) | 248u);

  // Odd widths: rows are padded to 4 bytes in the file.
  Info three;
  three.width = 3;
  three.height = 2;
  three.bits = 16;
  Bytes rows;
  rows.u16(0x001F).u16(0x03E0).u16(0x7C00).u16(0);
  rows.u16(0x7C00).u16(0x03E0).u16(0x001F).u16(0);
  ASSERT_TRUE(Decode(img, File(three, {}, rows))) << img.LastError();
  EXPECT_EQ(Rgb(img, 0, 0), 0x0000F8u);
  EXPECT_EQ(Rgb(img, 2, 0), 0xF80000u);
  EXPECT_EQ(Rgb(img, 0, 1), 0xF80000u);
  EXPECT_EQ(Rgb(img, 1, 1), 0x00F800u);
  EXPECT_EQ(Rgb(img, 2, 1), 0x0000F8u);
}

TEST(BmpDecode, Rle8RunsLiteralsMovesAndEnds) {
  Info info;
  info.width = 6;
  info.height = 3;
  info.bits = 8;
  info.compression = BI_RLE8;
  info.clrUsed = 4;
  Bytes rle;
  rle.raw({3, 1});              // row 0: 1 1 1
  rle.raw({0, 3, 2, 3, 2, 0});  // literal 2 3 2 and a pad byte (odd count)
  rle.raw({0, 0});              // end of line
  rle.raw({0, 2, 2, 1});        // move to x 2, row 2
  rle.raw({2, 3});              // row 2: . . 3 3
  rle.raw({0, 1});              // end of bitmap
  rle.raw({5, 1});              // never read
  GbImage img;
  ASSERT_TRUE(Decode(img, File(info, Palette4(), rle))) << img.LastError();
  const uint8_t expect[3][6] = {{1, 1, 1, 2, 3, 2}, {0, 0, 0, 0, 0, 0}, {0, 0, 3, 3, 0, 0}};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(img.ReadPixelIndex(x, y), expect[y][x]) << x << "," << y;
}

TEST(BmpDecode, Rle8OverrunsAreDropped) {
  Info info;
  info.width = 3;  // stride 4
  info.height = 2;
  info.bits = 8;
  info.compression = BI_RLE8;
  info.clrUsed = 4;
  Bytes rle;
  rle.raw({0, 9, 1, 2, 3, 1, 2, 3, 1, 2, 3, 0});  // literal run longer than the row
  rle.raw({255, 2});                              // run longer than the row
  rle.raw({0, 2, 255, 255});                      // move far outside
  rle.raw({200, 3});                              // lands nowhere
  rle.raw({0, 0, 0, 0, 0, 0, 7, 7});              // end of lines past the top
  GbImage img;
  ASSERT_TRUE(Decode(img, File(info, Palette4(), rle))) << img.LastError();
  EXPECT_EQ(img.ReadPixelIndex(0, 0), 1);
  EXPECT_EQ(img.ReadPixelIndex(2, 0), 3);
  EXPECT_EQ(img.RowBits(0)[3], 1);         // the stride's padding byte takes the 4th
  EXPECT_EQ(img.ReadPixelIndex(0, 1), 0);  // the next row is untouched
}

TEST(BmpDecode, Rle4NibblesLiteralsAndMoves) {
  Info info;
  info.width = 7;
  info.height = 2;
  info.bits = 4;
  info.compression = BI_RLE4;
  info.clrUsed = 4;
  Bytes rle;
  rle.raw({5, 0x12});     // 1 2 1 2 1
  rle.raw({0, 2, 1, 1});  // move one right, one up: x 6, row 1
  rle.raw({1, 0x30});     // row 1, x 6: 3
  rle.raw({0, 0});        // end of line
  rle.raw({0, 1});
  GbImage img;
  ASSERT_TRUE(Decode(img, File(info, Palette4(), rle))) << img.LastError();
  const uint8_t row0[7] = {1, 2, 1, 2, 1, 0, 0};
  for (int x = 0; x < 7; ++x) EXPECT_EQ(img.ReadPixelIndex(x, 0), row0[x]) << x;
  EXPECT_EQ(img.ReadPixelIndex(6, 1), 3);
  EXPECT_EQ(img.ReadPixelIndex(5, 1), 0);

  // Literal of 3 pixels: two bytes, whose count (2) is even, so no pad byte.
  // Literal of 5 pixels: three bytes plus a pad byte.
  Bytes lit;
  lit.raw({0, 3, 0x12, 0x30});
  lit.raw({0, 5, 0x21, 0x32, 0x10, 0xEE});
  lit.raw({0, 1});
  ASSERT_TRUE(Decode(img, File(info, Palette4(), lit))) << img.LastError();
  const uint8_t row[7] = {1, 2, 3, 2, 1, 3, 2};
  for (int x = 0; x < 7; ++x) EXPECT_EQ(img.ReadPixelIndex(x, 0), row[x]) << x;
  EXPECT_EQ(img.RowBits(0)[3] & 0x0F, 1);  // the 8th pixel lands in the row's padding
  EXPECT_EQ(img.ReadPixelIndex(0, 1), 0);  // and never in the next row
}

TEST(BmpDecode, DimensionProbeReadsNoPixels) {
  Info info;
  info.width = 300;
  info.height = -200;
  info.bits = 24;
  GbImage img;
  ASSERT_TRUE(Probe(img, File(info, {}, {})));
  EXPECT_STREQ(img.LastError(), "output dimensions returned");
  EXPECT_EQ(img.Width(), 300u);
  EXPECT_EQ(img.Height(), 200u);
  EXPECT_EQ(img.FileType(), uint32_t(GB_TYPE_BMP));
  EXPECT_FALSE(img.HasPixels());
}

TEST(BmpDecode, EscapeCancels) {
  Info info;
  info.bits = 24;
  Bytes px;
  px.zeros(4);
  GbImage img;
  img.SetEscape(1);
  EXPECT_FALSE(Decode(img, File(info, {}, px)));
  EXPECT_STREQ(img.LastError(), "Cancelled");
}

TEST(BmpDecode, UnsupportedCompressionsAndDepths) {
  GbImage img;
  Bytes px;
  px.zeros(16);
  Info pal;
  pal.bits = 8;
  pal.compression = BI_BITFIELDS;
  EXPECT_FALSE(Decode(img, File(pal, {}, px)));
  EXPECT_STREQ(img.LastError(), "compression type not supported");
  pal.compression = BI_RLE4;  // RLE4 belongs to 4-bit files
  EXPECT_FALSE(Decode(img, File(pal, {}, px)));
  EXPECT_STREQ(img.LastError(), "compression type not supported");
  Info rgb;
  rgb.bits = 24;
  rgb.compression = BI_RLE8;
  EXPECT_FALSE(Decode(img, File(rgb, {}, px)));
  EXPECT_STREQ(img.LastError(), "unknown compression");
  rgb.bits = 32;
  rgb.compression = 6;
  EXPECT_FALSE(Decode(img, File(rgb, {}, px)));
  EXPECT_STREQ(img.LastError(), "unknown compression");
  for (uint16_t bits : {0, 2, 3, 12, 48, 64, 30000}) {
    rgb.bits = bits;
    rgb.compression = 0;
    EXPECT_FALSE(Decode(img, File(rgb, {}, px))) << bits;
    EXPECT_STREQ(img.LastError(), "Error reading BMP info");
  }
}

TEST(BmpDecode, TruncatedAndHostileHeadersFailCleanly) {
  Info info;
  info.width = 4;
  info.height = 4;
  info.bits = 24;
  Bytes px;
  px.zeros(48);
  const Bytes good = File(info, {}, px);
  GbImage img;
  for (size_t cut : {0, 5, 13}) {
    Bytes b;
    b.data.assign(good.data.begin(), good.data.begin() + long(cut));
    EXPECT_FALSE(Decode(img, b)) << cut;
    EXPECT_STREQ(img.LastError(), "Not a BMP");
  }
  for (size_t cut : {14, 20, 53}) {
    Bytes b;
    b.data.assign(good.data.begin(), good.data.begin() + long(cut));
    EXPECT_FALSE(Decode(img, b)) << cut;
    EXPECT_STREQ(img.LastError(), "Error reading BMP info");
  }
  Info negative = info;
  negative.width = -4;
  EXPECT_FALSE(Decode(img, File(negative, {}, px)));
  Info minHeight = info;
  minHeight.height = INT32_MIN;
  EXPECT_FALSE(Decode(img, File(minHeight, {}, px)));
  Info zero = info;
  zero.width = 0;
  EXPECT_FALSE(Decode(img, File(zero, {}, px)));
  EXPECT_STREQ(img.LastError(), "GbImage::Create : width and height must be greater than zero");
}

TEST(BmpDecode, SizesTheFileCannotJustifyAreRefusedBeforeAllocating) {
  GbImage img;
  Bytes px;
  px.zeros(64);
  Info big;
  big.width = 16000;
  big.height = 16000;
  big.bits = 8;  // 256 MB of pixels from a tiny file
  EXPECT_FALSE(Decode(img, File(big, {}, px)));
  EXPECT_STREQ(img.LastError(), "BMP data too short for the image size");
  big.compression = BI_RLE8;
  EXPECT_FALSE(Decode(img, File(big, {}, px)));
  Info huge;
  huge.width = 3000000;
  huge.height = 2000000;
  EXPECT_FALSE(Decode(img, File(huge, {}, px)));
  // A data offset past the end leaves nothing to justify any pixels.
  Info far;
  far.width = 1000;
  far.height = 1000;
  Bytes farFile = File(far, {}, px);
  farFile.data[10] = 0x00;
  farFile.data[11] = 0xFF;
  farFile.data[12] = 0xFF;
  farFile.data[13] = 0x7F;
  EXPECT_FALSE(Decode(img, farFile));
  EXPECT_STREQ(img.LastError(), "BMP data too short for the image size");
  EXPECT_FALSE(img.HasPixels());
}

TEST(BmpDecode, SparseRunLengthFilesReachingEveryRowDecode) {
  // 2000 x 2000 in under 10 KB: one run and an end of line per row, the way
  // mostly empty drawings are stored. The codes address every row, so the
  // picture is what the file describes.
  Info info;
  info.width = 2000;
  info.height = 2000;
  info.bits = 8;
  info.compression = BI_RLE8;
  info.clrUsed = 4;
  Bytes rle;
  for (int y = 0; y < 2000; ++y) rle.raw({uint8_t(1 + y % 200), uint8_t(1 + y % 3), 0, 0});
  rle.raw({0, 1});
  GbImage img;
  ASSERT_TRUE(Decode(img, File(info, Palette4(), rle))) << img.LastError();
  EXPECT_EQ(img.ReadPixelIndex(0, 1999), 1 + 1999 % 3);
  EXPECT_EQ(img.ReadPixelIndex(1 + 1999 % 200, 1999), 0);
  EXPECT_EQ(img.ReadPixelIndex(5, 7), 1 + 7 % 3);

  // Moves reach the last row too.
  Bytes moves;
  moves.raw({4, 2});
  for (int i = 0; i < 7; ++i) moves.raw({0, 2, 0, 255});
  moves.raw({0, 2, 0, 2000 - 1 - 7 * 255, 3, 3});
  moves.raw({0, 1});
  ASSERT_TRUE(Decode(img, File(info, Palette4(), moves))) << img.LastError();
  EXPECT_EQ(img.ReadPixelIndex(3, 0), 2);
  EXPECT_EQ(img.ReadPixelIndex(3, 1999), 0);  // moves keep the column: the run starts at x 4
  EXPECT_EQ(img.ReadPixelIndex(4, 1999), 3);

  // The same header with codes that stop at the first row is not believed.
  Bytes early;
  early.raw({4, 2, 0, 1});
  EXPECT_FALSE(Decode(img, File(info, Palette4(), early)));
  EXPECT_STREQ(img.LastError(), "BMP data too short for the image size");
  // Nor is a picture far beyond what any run-length drawing needs.
  info.width = info.height = 16000;
  Bytes reach;
  for (int i = 0; i < 63; ++i) reach.raw({0, 2, 0, 255});
  reach.raw({0, 1});
  EXPECT_FALSE(Decode(img, File(info, Palette4(), reach)));
}

TEST(BmpDecode, ShortPixelDataDecodesTheValidPartAndZeroesTheRest) {
  Info info;
  info.width = 2;
  info.height = 2;
  info.bits = 24;
  Bytes px;
  px.raw({1, 2, 3, 4, 5});  // one and two thirds of a pixel
  GbImage img;
  ASSERT_TRUE(Decode(img, File(info, {}, px))) << img.LastError();
  EXPECT_EQ(Rgb(img, 0, 0), 0x030201u);
  EXPECT_EQ(Rgb(img, 1, 0), 0x000504u);
  EXPECT_EQ(Rgb(img, 0, 1), 0u);
  EXPECT_EQ(Rgb(img, 1, 1), 0u);
}

TEST(BmpDecode, ADataOffsetInsideTheHeaderReadsHeaderBytesSafely) {
  Info info;
  info.width = 2;
  info.height = 2;
  info.bits = 24;
  Bytes px;
  px.zeros(16);
  GbImage img;
  EXPECT_TRUE(Decode(img, File(info, {}, px, 3)));
  EXPECT_EQ(img.Width(), 2u);
}
