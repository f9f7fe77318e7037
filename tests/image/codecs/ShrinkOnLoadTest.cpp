// LoadFileShrunk against LoadFile then ResampleInterpolated: the same image
// (pixel block, header, settings record, warning) wherever it takes a file,
// and an untouched image wherever it declines one.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

#include "image/codecs/GbImageJPG.h"
#include "image/io/GbMemFile.h"
#include "tests/support/TestSupport.h"

namespace {

// A picture with detail everywhere, so that any misplaced row or weight shows.
GbImage Pattern(uint32_t w, uint32_t h, uint32_t seed) {
  GbImage img(w, h, 24, GB_TYPE_BMP);
  uint32_t s = seed;
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) {
      s = s * 1664525u + 1013904223u;
      img.WritePixelColor(x, y, RGBQUAD{uint8_t(x * 255 / w), uint8_t(s >> 24), uint8_t((x * 3 + y * 5) & 255), 0});
    }
  return img;
}

std::string Encode(GbImage img, uint32_t options) {
  img.SetCodecOption(options, GB_TYPE_JPG);
  img.SetJpegQuality(92);
  img.SetDpiX(240);
  img.SetDpiY(180);
  GbMemFile out;
  EXPECT_TRUE(out.Open());
  EXPECT_TRUE(img.Encode(&out, GB_TYPE_JPG)) << img.LastError();
  return std::string(reinterpret_cast<const char*>(out.GetBuffer()), size_t(out.Size()));
}

// Everything a caller can see of an image, as bytes.
std::string State(const GbImage& img) {
  uint8_t record[GB_INFO_RECORD_SIZE];
  img.WriteInfoRecord(record);
  std::string s(reinterpret_cast<const char*>(record), sizeof record);
  s.append(reinterpret_cast<const char*>(&img.Header()), sizeof(BITMAPINFOHEADER));
  if (img.HasPixels()) s.append(reinterpret_cast<const char*>(img.PackedDib()), img.PackedSize());
  s += std::string("|warning:") + img.Warning() + "|alpha:" + (img.AlphaPlane() ? "yes" : "no");
  return s;
}

// Where two images differ ("" when nowhere), for the failure messages.
std::string Difference(const GbImage& a, const GbImage& b) {
  uint8_t ra[GB_INFO_RECORD_SIZE], rb[GB_INFO_RECORD_SIZE];
  a.WriteInfoRecord(ra);
  b.WriteInfoRecord(rb);
  for (size_t i = 0; i < sizeof ra; ++i)
    if (ra[i] != rb[i]) return "settings record byte " + std::to_string(i);
  if (std::memcmp(&a.Header(), &b.Header(), sizeof(BITMAPINFOHEADER)) != 0) return "header";
  if (std::strcmp(a.Warning(), b.Warning()) != 0) return std::string("warning ") + a.Warning() + " / " + b.Warning();
  if (a.HasPixels() != b.HasPixels() || (a.AlphaPlane() == nullptr) != (b.AlphaPlane() == nullptr)) return "planes";
  if (a.HasPixels())
    for (size_t i = 0; i < a.PackedSize(); ++i)
      if (a.PackedDib()[i] != b.PackedDib()[i]) return "pixel block byte " + std::to_string(i);
  return State(a) == State(b) ? "" : "state";
}

// The image both ways; false when the one pass declined (then `streamed`
// must be untouched).
bool BothWays(const std::string& path, long w, long h, int overflow, GbImage& usual, GbImage& streamed) {
  const auto o = GbImage::OverflowMethod(overflow);
  usual.SetBackgroundColor(RGBQUAD{9, 200, 31, 0});
  streamed.SetBackgroundColor(RGBQUAD{9, 200, 31, 0});
  const std::string before = State(streamed);
  if (!streamed.LoadFileShrunk(path.c_str(), GB_TYPE_JPG, w, h, GbImage::kCatmullRom, o)) {
    EXPECT_EQ(State(streamed), before) << path;
    return false;
  }
  EXPECT_TRUE(usual.LoadFile(path.c_str(), GB_TYPE_JPG)) << usual.LastError();
  EXPECT_TRUE(usual.ResampleInterpolated(w, h, GbImage::kCatmullRom, o)) << usual.LastError();
  return true;
}

void ExpectSame(const std::string& path, long w, long h, int overflow) {
  GbImage usual, streamed;
  ASSERT_TRUE(BothWays(path, w, h, overflow, usual, streamed))
      << path << " -> " << w << "x" << h << " overflow " << overflow;
  EXPECT_EQ(Difference(usual, streamed), "") << path << " -> " << w << "x" << h << " overflow " << overflow;
}

}  // namespace

TEST(LoadFileShrunk, SameImageAsLoadThenResampleForEveryShapeAndSubsampling) {
  gbtest::TempDir dir;
  struct Case {
    uint32_t w, h, options;
  };
  const Case pictures[] = {{53, 37, 0}, {53, 37, JPEG_SUBSAMPLE_444}, {37, 61, JPEG_SUBSAMPLE_422}, {301, 203, 0}};
  for (const Case& c : pictures) {
    const std::string path =
        dir.file("p" + std::to_string(c.w) + "x" + std::to_string(c.h) + "-" + std::to_string(c.options) + ".jpg");
    gbtest::WriteFile(path, Encode(Pattern(c.w, c.h, c.w + c.options), c.options));
    const long w = long(c.w), h = long(c.h);
    const long shapes[][2] = {{1, 1}, {1, h - 1}, {w - 1, 1}, {w - 1, h - 1}, {w / 3, h / 5}, {7, 3}, {w / 2, h / 2}};
    for (const auto& s : shapes)
      for (int overflow :
           {int(GbImage::kColor), int(GbImage::kBackground), int(GbImage::kRepeat), int(GbImage::kMirror)})
        ExpectSame(path, s[0], s[1], overflow);
  }
}

TEST(LoadFileShrunk, RealPhotosFromTheTestPictures) {
  const auto jpeg = gbtest::TestData() / "jpeg";
  for (const char* rel :
       {"other/goldenears.jpg", "pillow/hopper.jpg", "image-rs/progressive_cat.jpg", "libjpeg-turbo/testorig.jpg"}) {
    const std::string path = (jpeg / rel).string();
    GbImage probe;
    ASSERT_TRUE(probe.LoadFile(path.c_str(), GB_TYPE_JPG)) << rel << ": " << probe.LastError();
    const long w = long(probe.Width()), h = long(probe.Height());
    ExpectSame(path, 32, 24, GbImage::kRepeat);
    ExpectSame(path, w - 1, h / 7, GbImage::kRepeat);
    ExpectSame(path, 1, h - 1, GbImage::kColor);
  }
}

TEST(LoadFileShrunk, DamagedFilesGiveTheSameWarningOrAreLeftToTheUsualWay) {
  gbtest::TempDir dir;
  const std::string bytes = Encode(Pattern(120, 90, 3), 0);
  // Cut in the scan data: the decoder fills the rest, and says so.
  const std::string cut = dir.file("cut.jpg");
  gbtest::WriteFile(cut, bytes.substr(0, bytes.size() * 2 / 3));
  {
    GbImage usual, streamed;
    ASSERT_TRUE(BothWays(cut, 17, 13, GbImage::kRepeat, usual, streamed));
    EXPECT_STRNE(streamed.Warning(), "");
    EXPECT_EQ(Difference(usual, streamed), "");
  }
  // Cut in the header: no picture at all; the usual way gives the error.
  const std::string header = dir.file("header.jpg");
  gbtest::WriteFile(header, bytes.substr(0, 40));
  GbImage usual, streamed;
  EXPECT_FALSE(BothWays(header, 17, 13, GbImage::kRepeat, usual, streamed));
  EXPECT_FALSE(usual.LoadFile(header.c_str(), GB_TYPE_JPG));
  // A real damaged file from the test pictures.
  const std::string real = (gbtest::TestData() / "jpeg" / "pillow" / "truncated_jpeg.jpg").string();
  GbImage realUsual, realStreamed;
  if (BothWays(real, 9, 7, GbImage::kRepeat, realUsual, realStreamed)) {
    EXPECT_EQ(Difference(realUsual, realStreamed), "");
  } else {
    GbImage again;
    EXPECT_EQ(again.LoadFile(real.c_str(), GB_TYPE_JPG), usual.LoadFile(real.c_str(), GB_TYPE_JPG));
  }
}

TEST(LoadFileShrunk, DeclinesWhatItCannotDoTheSameAndLeavesTheImage) {
  gbtest::TempDir dir;
  const std::string colour = dir.file("colour.jpg");
  gbtest::WriteFile(colour, Encode(Pattern(40, 30, 8), 0));
  GbImage grey(40, 30, 8, GB_TYPE_BMP);
  grey.SetGreyPalette();
  const std::string greyFile = dir.file("grey.jpg");
  gbtest::WriteFile(greyFile, Encode(grey, 0));
  const std::string png = dir.file("named.jpg");
  {
    GbImage p = Pattern(40, 30, 1);
    GbMemFile out;
    ASSERT_TRUE(out.Open());
    ASSERT_TRUE(p.Encode(&out, GB_TYPE_PNG));
    gbtest::WriteFile(png, std::string(reinterpret_cast<const char*>(out.GetBuffer()), size_t(out.Size())));
  }
  GbImage usual, streamed;
  EXPECT_FALSE(BothWays(greyFile, 10, 10, GbImage::kRepeat, usual, streamed));  // grey output
  EXPECT_FALSE(BothWays(png, 10, 10, GbImage::kRepeat, usual, streamed));       // not a JPEG inside
  EXPECT_FALSE(BothWays(colour, 40, 10, GbImage::kRepeat, usual, streamed));    // one axis only
  EXPECT_FALSE(BothWays(colour, 80, 60, GbImage::kRepeat, usual, streamed));    // enlarged
  EXPECT_FALSE(BothWays(dir.file("missing.jpg"), 10, 10, GbImage::kRepeat, usual, streamed));
  EXPECT_FALSE(streamed.LoadFileShrunk(colour.c_str(), GB_TYPE_PNG, 10, 10, GbImage::kCatmullRom, GbImage::kRepeat));
  // Grey decoding asked for by the codec options.
  GbImage asksGrey;
  asksGrey.SetCodecOption(JPEG_DECODE_GREY, GB_TYPE_JPG);
  EXPECT_FALSE(asksGrey.LoadFileShrunk(colour.c_str(), GB_TYPE_JPG, 10, 10, GbImage::kCatmullRom, GbImage::kRepeat));
  // An image that had pixels keeps them when declined, and gets the same
  // result as the usual way when taken.
  GbImage had = Pattern(5, 4, 2);
  const std::string before = State(had);
  EXPECT_FALSE(had.LoadFileShrunk(greyFile.c_str(), GB_TYPE_JPG, 10, 10, GbImage::kCatmullRom, GbImage::kRepeat));
  EXPECT_EQ(State(had), before);
  GbImage hadToo = Pattern(5, 4, 2);
  ASSERT_TRUE(had.LoadFileShrunk(colour.c_str(), GB_TYPE_JPG, 11, 9, GbImage::kCatmullRom, GbImage::kMirror));
  ASSERT_TRUE(hadToo.LoadFile(colour.c_str(), GB_TYPE_JPG));
  ASSERT_TRUE(hadToo.ResampleInterpolated(11, 9, GbImage::kCatmullRom, GbImage::kMirror));
  EXPECT_EQ(Difference(had, hadToo), "");
}
