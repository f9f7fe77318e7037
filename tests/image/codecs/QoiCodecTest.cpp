// QOI: every operation read from bytes laid out by hand, round trips of
// odd sizes and alpha edges, and refusals that say why.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "image/codecs/GbImageQOI.h"
#include "image/io/GbMemFile.h"
#include "tests/image/codecs/BmpBytes.h"
#include "tests/support/Pixels.h"
#include "tests/support/TestSupport.h"

using bmptest::Bytes;
using gbtest::At;
using gbtest::Rgb;

namespace {

Bytes Header(uint32_t width, uint32_t height, uint8_t channels, uint8_t space = 0) {
  Bytes b;
  b.raw({'q', 'o', 'i', 'f'});
  for (uint32_t v : {width, height}) b.raw({uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)});
  return b.raw({channels, space});
}

Bytes& End(Bytes& b) { return b.raw({0, 0, 0, 0, 0, 0, 0, 1}); }

Bytes Encoded(GbImage& img) {
  GbMemFile out;
  EXPECT_TRUE(out.Open());
  EXPECT_TRUE(img.Encode(&out, GB_TYPE_QOI)) << img.LastError();
  Bytes b;
  b.data.assign(out.GetBuffer(), out.GetBuffer() + out.Size());
  return b;
}

// Alpha with rows counted from the top.
uint8_t AlphaAt(const GbImage& img, long x, long row) { return img.ReadAlpha(x, long(img.Height()) - 1 - row); }

// A picture with runs, small steps and jumps, so that every operation the
// writer has gets used; alpha (when asked) takes 0, 255 and values between.
GbImage Scene(uint32_t width, uint32_t height, bool alpha, uint32_t seed) {
  GbImage img(width, height, 24, GB_TYPE_BMP);
  if (alpha) {
    EXPECT_TRUE(img.CreateAlpha());
  }
  std::mt19937 rng(seed);
  Rgb c{40, 90, 200};
  for (uint32_t row = 0; row < height; ++row)
    for (uint32_t x = 0; x < width; ++x) {
      const uint32_t pick = rng() % 4;
      if (pick == 1) c = Rgb{uint8_t(c.r + 1), uint8_t(c.g - 2), c.b};                  // small step
      if (pick == 2) c = Rgb{uint8_t(c.r + 20), uint8_t(c.g + 25), uint8_t(c.b + 30)};  // green-led step
      if (pick == 3) c = Rgb{uint8_t(rng()), uint8_t(rng()), uint8_t(rng())};           // jump
      gbtest::Put(img, long(x), long(row), c);
      if (alpha) img.WriteAlpha(long(x), long(height - 1 - row), uint8_t(rng() % 3 == 0 ? 0 : rng() % 2 ? 255 : rng()));
    }
  return img;
}

void ExpectSame(const GbImage& a, const GbImage& b) {
  ASSERT_EQ(a.Width(), b.Width());
  ASSERT_EQ(a.Height(), b.Height());
  ASSERT_EQ(a.HasAlpha(), b.HasAlpha());
  for (long row = 0; row < long(a.Height()); ++row)
    for (long x = 0; x < long(a.Width()); ++x) {
      ASSERT_EQ(At(a, x, row), At(b, x, row)) << x << ", " << row;
      if (a.HasAlpha()) {
        ASSERT_EQ(AlphaAt(a, x, row), AlphaAt(b, x, row)) << x << ", " << row;
      }
    }
}

}  // namespace

TEST(QoiDecode, EachOperationFromBytesLaidOutByHand) {
  // 3 x 2: RGBA, DIFF, LUMA on the top row; RGBA, INDEX and a RUN below.
  Bytes b = Header(3, 2, 4);
  b.raw({0xFF, 10, 20, 30, 0});  // (10, 20, 30) transparent; table slot (30 + 100 + 210) % 64 = 20
  b.raw({0x72});                 // DIFF r + 1, g - 2, b + 0
  b.raw({0xA5, 0x5F});           // LUMA g + 5, r - g = -3, b - g = +7
  b.raw({0xFF, 200, 100, 50, 255});
  b.raw({0x14});  // INDEX 20: the first pixel
  b.raw({0xC0});  // RUN of one
  End(b);
  for (uint32_t type : {uint32_t(GB_TYPE_QOI), uint32_t(GB_TYPE_UNKNOWN)}) {
    SCOPED_TRACE(type);
    GbImage img;
    ASSERT_TRUE(bmptest::Decode(img, b, type)) << img.LastError();
    EXPECT_EQ(img.FileType(), uint32_t(GB_TYPE_QOI));
    ASSERT_EQ(img.Width(), 3u);
    ASSERT_EQ(img.Height(), 2u);
    ASSERT_TRUE(img.HasAlpha());
    EXPECT_EQ(At(img, 0, 0), (Rgb{10, 20, 30}));
    EXPECT_EQ(At(img, 1, 0), (Rgb{11, 18, 30}));
    EXPECT_EQ(At(img, 2, 0), (Rgb{13, 23, 42}));
    EXPECT_EQ(At(img, 0, 1), (Rgb{200, 100, 50}));
    EXPECT_EQ(At(img, 1, 1), (Rgb{10, 20, 30}));
    EXPECT_EQ(At(img, 2, 1), (Rgb{10, 20, 30}));
    EXPECT_EQ(AlphaAt(img, 2, 0), 0);
    EXPECT_EQ(AlphaAt(img, 0, 1), 255);
    EXPECT_EQ(AlphaAt(img, 2, 1), 0);
  }
}

TEST(QoiRoundTrip, OddSizesKeepEveryPixelAndAlpha) {
  const struct {
    uint32_t width, height;
    bool alpha;
  } kSizes[] = {{7, 3, true}, {1, 9, true}, {9, 1, false}, {1, 1, true}, {13, 5, false}, {130, 2, true}};
  uint32_t seed = 1;
  for (const auto& size : kSizes) {
    SCOPED_TRACE(testing::Message() << size.width << " x " << size.height << (size.alpha ? " with alpha" : ""));
    GbImage img = Scene(size.width, size.height, size.alpha, seed++);
    const Bytes b = Encoded(img);
    ASSERT_GE(b.size(), 22u);
    EXPECT_EQ(b.data[7], uint8_t(size.width));    // big-endian width ...
    EXPECT_EQ(b.data[11], uint8_t(size.height));  // ... and height
    EXPECT_EQ(b.data[12], size.alpha ? 4 : 3);
    EXPECT_EQ(std::vector<uint8_t>(b.data.end() - 8, b.data.end()), (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0, 1}));
    GbImage back;
    ASSERT_TRUE(bmptest::Decode(back, b, GB_TYPE_QOI)) << back.LastError();
    ExpectSame(img, back);
  }
}

TEST(QoiRoundTrip, LongRunsAndPaletteKeys) {
  // 1 x 200 of one colour: runs stop at 62 pixels.
  GbImage flat(1, 200, 24, GB_TYPE_BMP);
  for (long row = 0; row < 200; ++row) gbtest::Put(flat, 0, row, Rgb{0, 0, 0});
  gbtest::Put(flat, 0, 199, Rgb{255, 255, 255});
  const Bytes b = Encoded(flat);
  EXPECT_EQ(b.size(), 14u + 4u + 1u + 8u);  // runs of 62, 62, 62 and 13; white is a DIFF (-1 wraps); the end
  GbImage back;
  ASSERT_TRUE(bmptest::Decode(back, b, GB_TYPE_QOI)) << back.LastError();
  ExpectSame(flat, back);

  // A palette picture's colour key becomes transparency.
  GbImage keyed(5, 2, 8, GB_TYPE_BMP);
  keyed.SetGreyPalette();
  for (long x = 0; x < 5; ++x) keyed.WritePixelIndex(x, 0, uint8_t(x * 40));
  keyed.SetBackgroundIndex(80);
  GbImage read;
  ASSERT_TRUE(bmptest::Decode(read, Encoded(keyed), GB_TYPE_QOI)) << read.LastError();
  ASSERT_TRUE(read.HasAlpha());
  EXPECT_EQ(read.ReadAlpha(2, 0), 0);
  EXPECT_EQ(read.ReadAlpha(3, 0), 255);
  EXPECT_EQ(read.ReadPixelColor(4, 0, false).rgbGreen, 160);
}

TEST(QoiDecode, ProbeReadsTheHeaderAlone) {
  Bytes b = Header(640, 3, 3);
  GbMemFile f(b.data.data(), int32_t(b.size()));
  GbImageQOI probe;
  uint32_t width = 0, height = 0;
  ASSERT_TRUE(probe.ProbeSize(&f, width, height));
  EXPECT_EQ(width, 640u);
  EXPECT_EQ(height, 3u);
  EXPECT_FALSE(probe.HasPixels());
}

TEST(QoiDecode, DamagedFilesAreRefusedWithAMessage) {
  GbImage source = Scene(6, 4, true, 9);
  const Bytes whole = Encoded(source);
  auto cut = [&](size_t n) {
    Bytes b;
    b.data.assign(whole.data.begin(), whole.data.begin() + long(n));
    return b;
  };
  Bytes badChannels = Header(2, 2, 5);
  Bytes noWidth = Header(0, 2, 3);
  Bytes badSpace = Header(2, 2, 3, 2);
  Bytes midRgba = Header(1, 1, 4);
  midRgba.raw({0xFF, 1, 2});
  const struct {
    const char* name;
    Bytes bytes;
    const char* message;
  } kCases[] = {
      {"the header alone", cut(14), "the QOI file is too short for the size its header claims"},
      {"half the pixels", cut(whole.size() / 2), "the QOI file ends before its last pixel"},
      {"an RGBA operation cut short", midRgba, "the QOI file ends before its last pixel"},
      {"5 channels", End(badChannels), "the QOI header gives no size, or 3 or 4 channels"},
      {"no width", End(noWidth), "the QOI header gives no size, or 3 or 4 channels"},
      {"colour space 2", End(badSpace), "the QOI header gives no size, or 3 or 4 channels"},
      {"4000 x 4000 over a few runs", End(Header(4000, 4000, 4).raw({0xFD, 0xFD})),
       "the QOI file is too short for the size its header claims"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    GbImage img;
    EXPECT_FALSE(bmptest::Decode(img, c.bytes, GB_TYPE_QOI));
    EXPECT_STREQ(img.LastError(), c.message);
    EXPECT_FALSE(img.HasPixels());
  }
  GbImage notQoi;
  Bytes png = cut(14);
  png.data[0] = 'Q';
  EXPECT_FALSE(bmptest::Decode(notQoi, png, GB_TYPE_QOI));
  EXPECT_STREQ(notQoi.LastError(), "Not a QOI file");
}

TEST(QoiFiles, TheExtensionPicksTheFormat) {
  gbtest::TempDir dir;
  const std::string path = dir.file("Odd.QOI");
  EXPECT_EQ(GbImage::TypeFromPath(path), uint32_t(GB_TYPE_QOI));
  GbImage img = Scene(5, 3, true, 4);
  ASSERT_TRUE(img.SaveFile(path.c_str(), GbImage::TypeFromPath(path))) << img.LastError();
  GbImage back;
  ASSERT_TRUE(back.LoadFile(path.c_str())) << back.LastError();
  EXPECT_EQ(back.FileType(), uint32_t(GB_TYPE_QOI));
  ExpectSame(img, back);
}
