// Icons and cursors: entries built byte by byte, so each case states what the
// AND mask holds and which key or alpha plane the reader must make of it;
// the single-entry writer, its PNG form and its bytes; the shared pictures.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "image/codecs/GbImageICO.h"
#include "image/codecs/GbImagePNG.h"
#include "image/io/GbMemFile.h"
#include "tests/image/codecs/BmpBytes.h"
#include "tests/support/TestSupport.h"

using bmptest::Bytes;
using bmptest::Rgb;

namespace {

struct Entry {
  uint32_t width = 2, height = 2, bits = 32;
  std::vector<uint32_t> palette;  // 0x00RRGGBB
  Bytes pixels;                   // stored rows, bottom first
  Bytes mask;                     // AND mask rows, bottom first
};

// An icon file with one bitmap entry.
Bytes Icon(const Entry& e, uint16_t type = 1) {
  Bytes info;
  info.u32(40).u32(e.width).u32(e.height * 2).u16(1).u16(e.bits).u32(0).u32(0).u32(0).u32(0);
  info.u32(uint32_t(e.palette.size())).u32(0);
  for (uint32_t c : e.palette) info.u8(c).u8(c >> 8).u8(c >> 16).u8(0);
  const uint32_t size = uint32_t(info.size() + e.pixels.size() + e.mask.size());
  Bytes b;
  b.u16(0).u16(type).u16(1);
  b.u8(e.width).u8(e.height).u8(uint32_t(e.palette.size()) & 0xFF).u8(0).u16(1).u16(e.bits).u32(size).u32(22);
  b.data.insert(b.data.end(), info.data.begin(), info.data.end());
  b.data.insert(b.data.end(), e.pixels.data.begin(), e.pixels.data.end());
  b.data.insert(b.data.end(), e.mask.data.begin(), e.mask.data.end());
  return b;
}

// Mask rows of a 2- to 32-pixel-wide entry: one byte of bits, padded to 4.
Bytes MaskRows(std::initializer_list<uint8_t> rows) {
  Bytes m;
  for (uint8_t r : rows) m.u8(r).u8(0).u8(0).u8(0);
  return m;
}

bool DecodeIco(GbImage& img, const Bytes& b, long frame = 0) {
  img.SetFrame(frame);
  GbMemFile f(const_cast<uint8_t*>(b.data.data()), int32_t(b.data.size()));
  return img.Decode(&f, GB_TYPE_ICO);
}

// A 2 x 2 32-bit entry; pixels listed bottom row first as 0xAARRGGBB.
Entry Entry32(std::initializer_list<uint32_t> argb, Bytes mask) {
  Entry e;
  for (uint32_t p : argb) e.pixels.u8(p).u8(p >> 8).u8(p >> 16).u8(p >> 24);
  e.mask = std::move(mask);
  return e;
}

std::vector<uint8_t> Encoded(GbImage& img) {
  GbMemFile out;
  EXPECT_TRUE(out.Open());
  EXPECT_TRUE(img.Encode(&out, GB_TYPE_ICO)) << img.LastError();
  return std::vector<uint8_t>(out.GetBuffer(), out.GetBuffer() + out.Size());
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t(b[at]) | (uint32_t(b[at + 1]) << 8) | (uint32_t(b[at + 2]) << 16) | (uint32_t(b[at + 3]) << 24);
}

}  // namespace

TEST(IcoDecode, FourBitMaskUsesHighestUnusedPaletteEntry) {
  // 8 x 2, indices 0..9 only; the mask marks pixels of three colours.
  Entry e;
  e.width = 8;
  e.bits = 4;
  for (uint32_t i = 0; i < 16; ++i) e.palette.push_back(0x0A0A0A * i);
  e.pixels.raw({0x01, 0x23, 0x45, 0x67});  // bottom row: 0 1 2 3 4 5 6 7
  e.pixels.raw({0x89, 0x01, 0x23, 0x45});  // top row:    8 9 0 1 2 3 4 5
  e.mask = MaskRows({0xC0, 0x80});         // (0,0), (1,0) bottom; (0,1) top
  GbImage img;
  ASSERT_TRUE(DecodeIco(img, Icon(e))) << img.LastError();
  EXPECT_EQ(img.BitsPerPixel(), 4u);
  EXPECT_FALSE(img.HasAlpha());
  EXPECT_EQ(img.BackgroundIndex(), 15);
  EXPECT_EQ(img.ReadPixelIndex(0, 0), 15);
  EXPECT_EQ(img.ReadPixelIndex(1, 0), 15);
  EXPECT_EQ(img.ReadPixelIndex(0, 1), 15);
  EXPECT_EQ(img.ReadPixelIndex(2, 0), 2);
  EXPECT_EQ(img.ReadPixelIndex(1, 1), 9);
  EXPECT_TRUE(img.IsTransparentAt(1, 0));
  EXPECT_FALSE(img.IsTransparentAt(2, 0));
}

TEST(IcoDecode, ThirtyTwoBitMaskOverDifferentColoursKeepsAlpha) {
  GbImage img;
  ASSERT_TRUE(DecodeIco(img, Icon(Entry32({0x00FF0000, 0x0000FF00, 0xFF0000FF, 0xFFFFFFFF}, MaskRows({0xC0, 0x00})))));
  ASSERT_TRUE(img.HasAlpha());
  EXPECT_FALSE(img.HasBackgroundIndex());
  EXPECT_EQ(img.ReadAlpha(0, 0), 0);
  EXPECT_EQ(img.ReadAlpha(1, 0), 0);
  EXPECT_EQ(img.ReadAlpha(0, 1), 255);
  EXPECT_EQ(Rgb(img, 0, 0), 0xFF0000u);
  EXPECT_EQ(Rgb(img, 1, 1), 0xFFFFFFu);
}

TEST(IcoDecode, ThirtyTwoBitMaskOverOneColourBecomesColourKey) {
  GbImage img;
  ASSERT_TRUE(DecodeIco(img, Icon(Entry32({0x00000000, 0x00000000, 0xFF0000FF, 0xFFFFFFFF}, MaskRows({0xC0, 0x00})))));
  EXPECT_FALSE(img.HasAlpha());
  ASSERT_TRUE(img.HasBackgroundIndex());
  EXPECT_EQ(img.BackgroundColor().rgbRed | img.BackgroundColor().rgbGreen | img.BackgroundColor().rgbBlue, 0);
  EXPECT_TRUE(img.IsTransparentAt(0, 0));
  EXPECT_FALSE(img.IsTransparentAt(0, 1));
}

TEST(IcoDecode, ColourKeyIsNotUsedWhereItWouldLoseSomething) {
  // Soft edges: a half-transparent pixel keeps the alpha plane.
  GbImage soft;
  ASSERT_TRUE(DecodeIco(soft, Icon(Entry32({0x00000000, 0x00000000, 0x800000FF, 0xFFFFFFFF}, MaskRows({0xC0, 0x00})))));
  ASSERT_TRUE(soft.HasAlpha());
  EXPECT_EQ(soft.ReadAlpha(0, 1), 0x80);
  EXPECT_FALSE(soft.HasBackgroundIndex());
  // A visible pixel of the masked colour would turn transparent with a key.
  Entry e;
  e.bits = 24;
  e.pixels.raw({0, 0, 0, 0, 0, 0, 0, 0}).raw({0, 0, 0, 9, 9, 9, 0, 0});  // rows padded to 8
  e.mask = MaskRows({0xC0, 0x00});
  GbImage shared;
  ASSERT_TRUE(DecodeIco(shared, Icon(e)));
  ASSERT_TRUE(shared.HasAlpha());
  EXPECT_EQ(shared.ReadAlpha(0, 1), 255);
  EXPECT_FALSE(shared.IsTransparentAt(0, 1));
  EXPECT_TRUE(shared.IsTransparentAt(0, 0));
}

TEST(IcoDecode, AllSetMaskInvertsColoursAndKeysIndexZero) {
  Entry e;
  e.bits = 8;
  e.palette = {0x102030, 0xFFFFFF};
  e.pixels.raw({0, 1, 0, 0}).raw({1, 0, 0, 0});
  e.mask = Bytes{};
  e.mask.raw({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
  GbImage img;
  ASSERT_TRUE(DecodeIco(img, Icon(e)));
  EXPECT_EQ(img.BackgroundIndex(), 0);
  EXPECT_EQ(Rgb(img, 0, 0), 0xEFDFCFu);
  EXPECT_EQ(Rgb(img, 1, 0), 0x000000u);
  // The same for a 24-bit entry: pixels inverted.
  Entry t;
  t.bits = 24;
  t.pixels.raw({0x10, 0x20, 0x30, 0, 0, 0, 0, 0}).raw({0, 0, 0, 0, 0, 0, 0, 0});
  t.mask = e.mask;
  GbImage rgb;
  ASSERT_TRUE(DecodeIco(rgb, Icon(t)));
  EXPECT_EQ(Rgb(rgb, 0, 0), 0xCFDFEFu);
  EXPECT_TRUE(rgb.HasBackgroundIndex());
}

TEST(IcoDecode, MissingMaskOfAlphaEntryLeavesColoursAlone) {
  // A 32-bit entry carries its own alpha; a cut-off mask changes nothing.
  GbImage img;
  ASSERT_TRUE(DecodeIco(img, Icon(Entry32({0xFF102030, 0x00000000, 0xFF0000FF, 0x80FFFFFF}, Bytes{}))));
  EXPECT_EQ(Rgb(img, 0, 0), 0x102030u);
  ASSERT_TRUE(img.HasAlpha());
  EXPECT_EQ(img.ReadAlpha(1, 0), 0);
  EXPECT_EQ(img.ReadAlpha(1, 1), 0x80);
  // Without alpha of its own (all fourth bytes 0) the mask alone decides.
  GbImage old;
  ASSERT_TRUE(DecodeIco(old, Icon(Entry32({0x00FF0000, 0x0000FF00, 0x000000FF, 0x00FFFFFF}, MaskRows({0x80, 0x00})))));
  EXPECT_TRUE(old.IsTransparentAt(0, 0));
  EXPECT_FALSE(old.IsTransparentAt(1, 0));
  EXPECT_FALSE(old.IsTransparentAt(1, 1));
}

TEST(IcoDecode, BadHeadersAndMissingEntriesSayWhy) {
  Entry e = Entry32({0, 0, 0, 0}, MaskRows({0, 0}));
  Bytes bad = Icon(e, 3);
  GbImageICO codec;
  GbMemFile f(bad.data.data(), int32_t(bad.size()));
  EXPECT_FALSE(codec.Decode(&f));
  EXPECT_STREQ(codec.LastError(), "Not an icon or cursor file");
  Bytes none = Icon(e);
  none.data[4] = none.data[5] = 0;  // no images listed
  GbImageICO empty;
  GbMemFile g(none.data.data(), int32_t(none.size()));
  EXPECT_FALSE(empty.Decode(&g));
  EXPECT_STREQ(empty.LastError(), "the icon file holds no images");
  Bytes reserved = Icon(e);
  reserved.data[0] = 1;
  GbImage img;
  EXPECT_FALSE(DecodeIco(img, reserved));
  // An entry beyond the last: false, but the caller learns the count.
  EXPECT_FALSE(DecodeIco(img, Icon(e), 1));
  EXPECT_EQ(img.FrameCount(), 1);
  // A directory that promises more entries than the file holds.
  Bytes shortDir = Icon(e);
  shortDir.data[4] = 9;
  EXPECT_FALSE(DecodeIco(img, shortDir, 8));
}

TEST(IcoDecode, ProbeGivesTheEntrySizeWithoutPixels) {
  Entry e = Entry32({0, 0, 0, 0}, MaskRows({0, 0}));
  GbImageICO probe;
  uint32_t width = 0, height = 0;
  Bytes b = Icon(e);
  GbMemFile f(b.data.data(), int32_t(b.size()));
  ASSERT_TRUE(probe.ProbeSize(&f, width, height));
  EXPECT_FALSE(probe.HasPixels());
  EXPECT_EQ(probe.Width(), 2u);
  EXPECT_EQ(probe.Height(), 2u);
  EXPECT_EQ(probe.FileType(), uint32_t(GB_TYPE_ICO));
}

TEST(IcoEncode, PaletteEntryWithKeyWritesBlackEntryAndMask) {
  GbImage img(3, 2, 8, GB_TYPE_BMP);
  img.SetGreyPalette();
  img.SetPaletteColor(2, 200, 100, 50);
  uint8_t* bottom = img.RowBits(0);
  bottom[0] = 2, bottom[1] = 7, bottom[2] = 2;
  uint8_t* top = img.RowBits(1);
  top[0] = 7, top[1] = 7, top[2] = 9;
  img.SetBackgroundIndex(2);
  const std::vector<uint8_t> b = Encoded(img);
  ASSERT_EQ(b.size(), 22u + 40 + 1024 + 8 + 8);
  EXPECT_EQ(b[0] | b[1], 0);
  EXPECT_EQ(b[2], 1);
  EXPECT_EQ(b[4], 1);
  EXPECT_EQ(b[6], 3);   // width
  EXPECT_EQ(b[7], 2);   // height
  EXPECT_EQ(b[8], 0);   // 256 colours count as 0
  EXPECT_EQ(b[12], 8);  // bit count
  EXPECT_EQ(Le32(b, 14), 40u + 1024 + 8 + 8);
  EXPECT_EQ(Le32(b, 18), 22u);
  EXPECT_EQ(Le32(b, 22 + 8), 4u);  // header height counts both images
  const size_t palette = 22 + 40;
  EXPECT_EQ(Le32(b, palette + 8), 0u);  // entry 2 written black
  EXPECT_EQ(Le32(b, palette + 28), 0x070707u);
  EXPECT_EQ(img.PaletteColor(2).rgbRed, 200);  // and left alone in the image
  const size_t mask = palette + 1024 + 8;
  EXPECT_EQ(b[mask], 0xA0);  // bottom row: pixels 0 and 2
  EXPECT_EQ(b[mask + 4], 0x00);
  // Read back, the same pixels are transparent.
  GbImage back;
  Bytes bytes;
  bytes.data = b;
  ASSERT_TRUE(DecodeIco(back, bytes));
  for (long x = 0; x < 3; ++x)
    for (long y = 0; y < 2; ++y) EXPECT_EQ(back.IsTransparentAt(x, y), img.IsTransparentAt(x, y)) << x << "," << y;
}

TEST(IcoEncode, AlphaPlaneMakesThirtyTwoBitEntry) {
  GbImage img(2, 2, 24, GB_TYPE_BMP);
  for (long y = 0; y < 2; ++y)
    for (long x = 0; x < 2; ++x) img.WritePixelColor(x, y, RGBQUAD{uint8_t(10 * x), uint8_t(20 * y), 200, 0});
  ASSERT_TRUE(img.CreateAlpha());
  img.WriteAlpha(1, 0, 0);
  img.WriteAlpha(0, 1, 90);
  const std::vector<uint8_t> b = Encoded(img);
  EXPECT_EQ(b[12], 32);
  EXPECT_EQ(Le32(b, 22 + 20), 16u);  // image size: 2 x 2 x 4
  EXPECT_EQ(b[22 + 40 + 4 + 3], 0);  // pixel (1, 0) alpha
  EXPECT_EQ(b[22 + 40 + 16], 0x40);  // mask: bottom row, pixel 1
  GbImage back;
  Bytes bytes;
  bytes.data = b;
  ASSERT_TRUE(DecodeIco(back, bytes));
  ASSERT_TRUE(back.HasAlpha());
  EXPECT_EQ(back.ReadAlpha(0, 1), 90);
  EXPECT_EQ(back.ReadAlpha(1, 0), 0);
  EXPECT_EQ(Rgb(back, 1, 1), Rgb(img, 1, 1));
}

TEST(IcoEncode, LargePictureGoesInAsPngStream) {
  GbImage img(300, 300, 24, GB_TYPE_BMP);
  img.Fill(0x40);
  img.WritePixelColor(299, 299, RGBQUAD{1, 2, 3, 0});
  const std::vector<uint8_t> b = Encoded(img);
  EXPECT_EQ(b[6], 0);
  EXPECT_EQ(b[7], 0);
  EXPECT_EQ(Le32(b, 14), b.size() - 22);
  EXPECT_EQ(std::memcmp(b.data() + 22, "\x89PNG", 4), 0);
  GbImage back;
  Bytes bytes;
  bytes.data = b;
  ASSERT_TRUE(DecodeIco(back, bytes)) << back.LastError();
  EXPECT_EQ(back.Width(), 300u);
  EXPECT_EQ(back.FileType(), uint32_t(GB_TYPE_ICO));
  EXPECT_EQ(Rgb(back, 299, 299), 0x030201u);
}

TEST(IcoEncode, WrittenIconOpensInReferenceDecoder) {
  if (gbtest::Run("/usr/bin/python3 -c 'import PIL' 2>/dev/null") != 0) GTEST_SKIP() << "no Pillow";
  gbtest::TempDir dir;
  GbImage img(16, 16, 24, GB_TYPE_BMP);
  img.Fill(0);
  img.WritePixelColor(3, 15, RGBQUAD{0, 0, 255, 0});  // top row as displayed, red
  ASSERT_TRUE(img.SaveFile(dir.file("red.ico").c_str(), GB_TYPE_ICO));
  std::string out;
  ASSERT_EQ(gbtest::Run("/usr/bin/python3 -c \"from PIL import Image; im=Image.open('" + dir.file("red.ico") +
                            "').convert('RGB'); print(im.size, im.getpixel((3,0)))\"",
                        &out),
            0);
  EXPECT_NE(out.find("(16, 16) (255, 0, 0)"), std::string::npos) << out;
}

TEST(IcoTestData, EveryFileDecodesOrFailsCleanlyAndMatchesTheReferences) {
  const auto root = gbtest::TestData();
  int checked = 0;
  for (const char* folder : {"ico", "cur"})
    for (const auto& f : std::filesystem::recursive_directory_iterator(root / folder)) {
      const std::string ext = f.path().extension().string();
      if (ext != ".ico" && ext != ".cur") continue;
      GbImage img;
      const bool ok = img.LoadFile(f.path().c_str(), GB_TYPE_ICO);
      const bool bad = f.path().parent_path().filename() == "bad" || f.path().filename() == "no_cursors.cur";
      if (!bad) {
        EXPECT_TRUE(ok) << f.path() << ": " << img.LastError();
      }
      const auto reference = f.path().parent_path() / "reference" / (f.path().filename().string() + ".png");
      if (!ok || !std::filesystem::exists(reference)) continue;
      GbImage expected;
      ASSERT_TRUE(expected.LoadFile(reference.c_str(), GB_TYPE_PNG)) << reference;
      // The references show the largest entry: some entry must match it.
      long best = -1;
      for (long frame = 0; frame < img.FrameCount(); ++frame) {
        GbImage entry;
        entry.SetFrame(frame);
        if (!entry.LoadFile(f.path().c_str(), GB_TYPE_ICO) || entry.Width() != expected.Width() ||
            entry.Height() != expected.Height())
          continue;
        long differing = 0;
        for (long y = 0; y < long(entry.Height()); ++y)
          for (long x = 0; x < long(entry.Width()); ++x) {
            const uint8_t a = entry.IsTransparentAt(x, y) ? 0 : entry.HasAlpha() ? entry.ReadAlpha(x, y) : 255;
            const uint8_t b = expected.IsTransparentAt(x, y) ? 0 : expected.HasAlpha() ? expected.ReadAlpha(x, y) : 255;
            if (a != b || (a != 0 && Rgb(entry, x, y) != Rgb(expected, x, y))) ++differing;
          }
        if (best < 0 || differing < best) best = differing;
      }
      EXPECT_EQ(best, 0) << f.path();
      ++checked;
    }
  EXPECT_GE(checked, 7);
}
