// The two library-backed codecs: MNG/JNG over libmng (frame stepping,
// counting, background, the one-frame writer) and camera raw over LibRaw
// (a DNG written here from a known mosaic, orientation, the messages).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>

#include "image/codecs/GbImageMNG.h"
#include "image/codecs/GbImageRAW.h"
#include "image/io/GbMemFile.h"
#include "tests/image/codecs/BmpBytes.h"
#include "tests/support/TestSupport.h"

using bmptest::Bytes;
using bmptest::Rgb;

namespace {

bool DecodeAs(GbImage& img, const Bytes& b, uint32_t type) {
  GbMemFile f(const_cast<uint8_t*>(b.data.data()), int32_t(b.data.size()));
  return img.Decode(&f, type);
}

std::string Data(const char* rel) { return (gbtest::TestData() / rel).string(); }

// ---- a DNG of a Bayer mosaic (RGGB), 16-bit, uncompressed -----------------

struct Tag {
  uint16_t id, type;
  uint32_t count;
  std::vector<uint8_t> value;  // little-endian bytes
};

std::vector<uint8_t> Le(std::initializer_list<uint32_t> words, int bytesEach) {
  std::vector<uint8_t> v;
  for (uint32_t w : words)
    for (int i = 0; i < bytesEach; ++i) v.push_back(uint8_t(w >> (8 * i)));
  return v;
}

// photosite(x, y) gives the 12-bit sensor value under the RGGB pattern.
template <typename Fn>
Bytes Dng(uint32_t width, uint32_t height, uint16_t orientation, Fn photosite) {
  const uint32_t black = 64, white = 4095;
  std::vector<uint8_t> pixels;
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x) {
      const uint32_t v = std::min(white, black + photosite(x, y));
      pixels.push_back(uint8_t(v));
      pixels.push_back(uint8_t(v >> 8));
    }
  const std::string model = "Glimmerbox Test";
  std::vector<uint8_t> modelBytes(model.begin(), model.end());
  modelBytes.push_back(0);
  // XYZ to camera = XYZ to linear sRGB, so the camera sees sRGB primaries.
  const int32_t matrix[9] = {32406, -15372, -4986, -9689, 18758, 415, 557, -2040, 10570};
  std::vector<uint8_t> srational;
  for (int32_t m : matrix) {
    const std::vector<uint8_t> a = Le({uint32_t(m), 10000u}, 4);
    srational.insert(srational.end(), a.begin(), a.end());
  }
  std::vector<Tag> tags = {
      {254, 4, 1, Le({0}, 4)},
      {256, 4, 1, Le({width}, 4)},
      {257, 4, 1, Le({height}, 4)},
      {258, 3, 1, Le({16}, 2)},
      {259, 3, 1, Le({1}, 2)},
      {262, 3, 1, Le({32803}, 2)},
      {271, 2, uint32_t(modelBytes.size()), modelBytes},
      {273, 4, 1, Le({0}, 4)},  // strip offset, filled in below
      {274, 3, 1, Le({orientation}, 2)},
      {277, 3, 1, Le({1}, 2)},
      {278, 4, 1, Le({height}, 4)},
      {279, 4, 1, Le({uint32_t(pixels.size())}, 4)},
      {284, 3, 1, Le({1}, 2)},
      {33421, 3, 2, Le({2, 2}, 2)},
      {33422, 1, 4, {0, 1, 1, 2}},
      {50706, 1, 4, {1, 4, 0, 0}},
      {50708, 2, uint32_t(modelBytes.size()), modelBytes},
      {50714, 4, 1, Le({black}, 4)},
      {50717, 4, 1, Le({white}, 4)},
      {50721, 10, 9, srational},
      {50728, 5, 3, Le({1, 1, 1, 1, 1, 1}, 4)},
      {50778, 3, 1, Le({21}, 2)},
  };
  // Layout: header, IFD, out-of-line values, pixels.
  const uint32_t ifdSize = 2 + 12 * uint32_t(tags.size()) + 4;
  uint32_t extra = 8 + ifdSize;
  std::vector<uint8_t> outOfLine;
  std::vector<uint32_t> offsets(tags.size(), 0);
  for (size_t i = 0; i < tags.size(); ++i)
    if (tags[i].value.size() > 4) {
      offsets[i] = extra + uint32_t(outOfLine.size());
      outOfLine.insert(outOfLine.end(), tags[i].value.begin(), tags[i].value.end());
      if (outOfLine.size() % 2) outOfLine.push_back(0);
    }
  const uint32_t pixelOffset = extra + uint32_t(outOfLine.size());
  tags[7].value = Le({pixelOffset}, 4);
  Bytes b;
  b.raw({'I', 'I', 42, 0}).u32(8).u16(uint32_t(tags.size()));
  for (size_t i = 0; i < tags.size(); ++i) {
    b.u16(tags[i].id).u16(tags[i].type).u32(tags[i].count);
    if (tags[i].value.size() > 4) {
      b.u32(offsets[i]);
    } else {
      std::vector<uint8_t> v = tags[i].value;
      v.resize(4, 0);
      b.data.insert(b.data.end(), v.begin(), v.end());
    }
  }
  b.u32(0);
  b.data.insert(b.data.end(), outOfLine.begin(), outOfLine.end());
  b.data.insert(b.data.end(), pixels.begin(), pixels.end());
  return b;
}

// Left half red, right half grey.
uint32_t RedAndGrey(uint32_t x, uint32_t y) {
  const bool red = x % 2 == 0 && y % 2 == 0, blue = x % 2 == 1 && y % 2 == 1;
  if (x < 32) return red ? 3000 : 100;
  (void)blue;
  return 1500;
}

}  // namespace

TEST(MngDecode, FramesAreCountedAndSteppedTo) {
  GbImage img;
  img.SetFrame(23);
  ASSERT_TRUE(img.LoadFile(Data("mng/qt/ball.mng").c_str(), GB_TYPE_MNG)) << img.LastError();
  EXPECT_EQ(img.FrameCount(), 24);  // the file loops for ever; counted once round
  EXPECT_EQ(img.FileType(), uint32_t(GB_TYPE_MNG));
  EXPECT_EQ(img.BitsPerPixel(), 24u);
  EXPECT_TRUE(img.HasAlpha());
  GbImage first;
  ASSERT_TRUE(first.LoadFile(Data("mng/qt/ball.mng").c_str(), GB_TYPE_MNG));
  bool differs = false;
  for (long y = 0; y < 32 && !differs; ++y)
    for (long x = 0; x < 32 && !differs; ++x) differs = Rgb(first, x, y) != Rgb(img, x, y);
  EXPECT_TRUE(differs);
  // Beyond the last frame: the message, and still the count.
  GbImage beyond;
  beyond.SetFrame(24);
  EXPECT_FALSE(beyond.LoadFile(Data("mng/qt/ball.mng").c_str(), GB_TYPE_MNG));
  EXPECT_STREQ(beyond.LastError(), "Error: frame not present in MNG file");
  EXPECT_EQ(beyond.FrameCount(), 24);
}

TEST(MngDecode, ProbeAndBrokenStreams) {
  GbImageMNG probe;
  uint32_t width = 0, height = 0;
  const std::string bytes = gbtest::ReadFile(Data("mng/qt/animation.mng"));
  GbMemFile f(reinterpret_cast<uint8_t*>(const_cast<char*>(bytes.data())), int32_t(bytes.size()));
  ASSERT_TRUE(probe.ProbeSize(&f, width, height));
  EXPECT_FALSE(probe.HasPixels());
  EXPECT_EQ(probe.Width(), 100u);
  EXPECT_EQ(probe.Height(), 100u);
  GbImage img;
  EXPECT_FALSE(img.LoadFile(Data("mng/qt/corrupt.mng").c_str(), GB_TYPE_MNG));
  EXPECT_STRNE(img.LastError(), "");
  Bytes junk;
  junk.raw({1, 2, 3, 4, 5, 6, 7, 8, 9});
  EXPECT_FALSE(DecodeAs(img, junk, GB_TYPE_MNG));
}

TEST(MngEncode, OneFrameRoundTripAndRefusal) {
  GbImage img(7, 3, 24, GB_TYPE_BMP);
  for (long y = 0; y < 3; ++y)
    for (long x = 0; x < 7; ++x)
      img.WritePixelColor(x, y, RGBQUAD{uint8_t(x * 30), uint8_t(y * 80), uint8_t(x ^ y), 0});
  GbMemFile out;
  ASSERT_TRUE(out.Open());
  ASSERT_TRUE(img.Encode(&out, GB_TYPE_MNG)) << img.LastError();
  ASSERT_GT(out.Size(), 8);
  EXPECT_EQ(std::memcmp(out.GetBuffer(), "\x8AMNG\r\n\x1A\n", 8), 0);
  GbMemFile in(out.GetBuffer(), out.Size());
  GbImage back;
  ASSERT_TRUE(back.Decode(&in, GB_TYPE_MNG)) << back.LastError();
  EXPECT_EQ(back.FrameCount(), 1);
  for (long y = 0; y < 3; ++y)
    for (long x = 0; x < 7; ++x) {
      EXPECT_EQ(Rgb(back, x, y), Rgb(img, x, y));
      EXPECT_EQ(back.ReadAlpha(x, y), 255);
    }
  GbImage palette(2, 2, 8, GB_TYPE_BMP);
  EXPECT_FALSE(palette.Encode(&out, GB_TYPE_MNG));
  EXPECT_STREQ(palette.LastError(), "MNG encoder can save only RGB images");
}

TEST(MngEncode, WrittenFileOpensInReferenceDecoder) {
  if (gbtest::Run("command -v convert >/dev/null") != 0) GTEST_SKIP() << "no reference decoder";
  gbtest::TempDir dir;
  GbImage img(4, 2, 24, GB_TYPE_BMP);
  img.Fill(0);
  img.WritePixelColor(3, 1, RGBQUAD{30, 20, 10, 0});
  ASSERT_TRUE(img.SaveFile(dir.file("a.mng").c_str(), GB_TYPE_MNG));
  std::string out;
  ASSERT_EQ(gbtest::Run("convert " + dir.file("a.mng") + " -depth 8 txt:- 2>&1", &out), 0);
  EXPECT_NE(out.find("3,0: (10,20,30"), std::string::npos) << out;
}

TEST(RawDecode, DevelopsAWrittenMosaic) {
  GbImage img;
  ASSERT_TRUE(DecodeAs(img, Dng(64, 48, 1, RedAndGrey), GB_TYPE_RAW)) << img.LastError();
  EXPECT_EQ(img.FileType(), uint32_t(GB_TYPE_RAW));
  ASSERT_EQ(img.Width(), 64u);
  ASSERT_EQ(img.Height(), 48u);
  EXPECT_EQ(img.BitsPerPixel(), 24u);
  const RGBQUAD red = img.ReadPixelColor(12, 24, false), grey = img.ReadPixelColor(50, 24, false);
  EXPECT_GT(red.rgbRed, red.rgbGreen + 60);
  EXPECT_GT(red.rgbRed, red.rgbBlue + 60);
  EXPECT_NEAR(grey.rgbRed, grey.rgbGreen, 12);
  EXPECT_NEAR(grey.rgbBlue, grey.rgbGreen, 12);
  EXPECT_GT(grey.rgbGreen, 60);
  // Every interpolation the option names develops the same scene.
  for (uint32_t option = 1; option <= 3; ++option) {
    GbImage other;
    other.SetCodecOption(option, GB_TYPE_RAW);
    ASSERT_TRUE(DecodeAs(other, Dng(64, 48, 1, RedAndGrey), GB_TYPE_RAW)) << option;
    EXPECT_GT(other.ReadPixelColor(12, 24, false).rgbRed, other.ReadPixelColor(12, 24, false).rgbGreen + 60);
  }
}

TEST(RawDecode, QuarterTurnSwapsSidesAndProbeAgrees) {
  const Bytes turned = Dng(64, 48, 6, RedAndGrey);  // rotate 90 degrees clockwise
  GbImage img;
  ASSERT_TRUE(DecodeAs(img, turned, GB_TYPE_RAW)) << img.LastError();
  EXPECT_EQ(img.Width(), 48u);
  EXPECT_EQ(img.Height(), 64u);
  // The red half, once the left, is now at the top.
  EXPECT_GT(img.ReadPixelColor(24, 52, false).rgbRed, img.ReadPixelColor(24, 52, false).rgbGreen + 60);
  GbImageRAW probe;
  uint32_t width = 0, height = 0;
  GbMemFile f(const_cast<uint8_t*>(turned.data.data()), int32_t(turned.size()));
  ASSERT_TRUE(probe.ProbeSize(&f, width, height));
  EXPECT_FALSE(probe.HasPixels());
  EXPECT_EQ(probe.Width(), 48u);
  EXPECT_EQ(probe.Height(), 64u);
  EXPECT_STREQ(probe.LastError(), "output dimensions returned");
}

TEST(RawDecode, Messages) {
  GbImage img;
  Bytes text;
  text.raw({'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'});
  EXPECT_FALSE(DecodeAs(img, text, GB_TYPE_RAW));
  EXPECT_STREQ(img.LastError(), "GbImageRAW: not a raw image");
  GbImage option;
  option.SetCodecOption(4, GB_TYPE_RAW);
  EXPECT_FALSE(DecodeAs(option, Dng(64, 48, 1, RedAndGrey), GB_TYPE_RAW));
  EXPECT_STREQ(option.LastError(), "GbImageRAW: unknown option");
  // A mosaic whose pixel data was cut off is refused, not developed black.
  Bytes cut = Dng(256, 256, 1, RedAndGrey);
  cut.data.resize(2000);
  EXPECT_FALSE(DecodeAs(img, cut, GB_TYPE_RAW));
  GbImage any(2, 2, 24, GB_TYPE_BMP);
  GbMemFile out;
  ASSERT_TRUE(out.Open());
  EXPECT_FALSE(any.Encode(&out, GB_TYPE_RAW));
  EXPECT_STREQ(any.LastError(), "Save RAW not supported");
}

TEST(MngRawTestData, EveryFileDecodesOrFailsCleanly) {
  for (const char* folder : {"mng", "jng", "raw"})
    for (const auto& f : std::filesystem::recursive_directory_iterator(gbtest::TestData() / folder)) {
      const std::string ext = f.path().extension().string();
      if (ext == ".png") continue;
      GbImage img;
      const uint32_t type = ext == ".dng" ? GB_TYPE_RAW : GB_TYPE_MNG;
      std::FILE* handle = std::fopen(f.path().c_str(), "rb");
      ASSERT_NE(handle, nullptr);
      const bool ok = img.Decode(handle, type);
      std::fclose(handle);
      const std::string name = f.path().filename().string();
      const bool good = name == "animation.mng" || name == "input.mng" || name == "synthetic_rggb_256x256.dng";
      const bool broken = name == "DNG.dng" || name == "sample.dng" || name == "corrupt.mng";
      EXPECT_TRUE(!good || ok) << f.path() << ": " << img.LastError();
      EXPECT_TRUE(!broken || !ok) << f.path();
    }
}
