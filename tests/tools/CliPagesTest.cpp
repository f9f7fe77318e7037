// glimmerbox-cli pages, and convert --frame on the pages it writes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "image/core/GbImage.h"
#include "tests/support/TestSupport.h"

namespace {

int Cli(const std::string& args, std::string* out = nullptr, std::string* err = nullptr) {
  gbtest::TempDir tmp;
  const std::string errFile = tmp.file("stderr");
  std::string o;
  const int rc = gbtest::Run(gbtest::CliPath() + " " + args + " 2>" + errFile, &o);
  if (out) *out = o;
  if (err) *err = gbtest::ReadFile(errFile);
  return rc;
}

std::string Q(const std::string& s) { return "'" + s + "'"; }
std::string Data(const std::string& rel) { return (gbtest::TestData() / rel).string(); }

bool SamePixels(const std::string& a, const std::string& b) {
  GbImage ia, ib;
  if (!ia.LoadFile(a.c_str()) || !ib.LoadFile(b.c_str())) return false;
  if (ia.Width() != ib.Width() || ia.Height() != ib.Height()) return false;
  for (long y = 0; y < long(ia.Height()); ++y)
    for (long x = 0; x < long(ia.Width()); ++x) {
      const RGBQUAD p = ia.ReadPixelColor(x, y, false), q = ib.ReadPixelColor(x, y, false);
      if (p.rgbRed != q.rgbRed || p.rgbGreen != q.rgbGreen || p.rgbBlue != q.rgbBlue) return false;
    }
  return true;
}

}  // namespace

TEST(CliPages, WritesPicturesAsOneTiffAndConvertReadsEachPage) {
  gbtest::TempDir dir;
  const std::string out = dir.file("book.tif");
  const std::string first = Data("bmp/bmpsuite/g/pal8.bmp"), second = Data("tga/pillow-common/200x32_rgb_bl_raw.tga");
  std::string stdoutText, err;
  ASSERT_EQ(Cli("pages " + Q(out) + " " + Q(first) + " " + Q(second) + " --option 5", &stdoutText, &err), 0) << err;
  EXPECT_NE(stdoutText.find("2 pages"), std::string::npos);
  ASSERT_EQ(Cli("info " + Q(out), &stdoutText), 0);
  EXPECT_NE(stdoutText.find("frames=2"), std::string::npos) << stdoutText;

  const std::string page0 = dir.file("p0.bmp"), page1 = dir.file("p1.bmp");
  ASSERT_EQ(Cli("convert " + Q(out) + " " + Q(page0)), 0);
  ASSERT_EQ(Cli("convert " + Q(out) + " " + Q(page1) + " --frame 1"), 0);
  EXPECT_TRUE(SamePixels(page0, first));
  EXPECT_TRUE(SamePixels(page1, second));
  EXPECT_EQ(Cli("convert " + Q(out) + " " + Q(dir.file("p2.bmp")) + " --frame 2", nullptr, &err), 1);
  EXPECT_NE(err.find("Error: page not present in TIFF file"), std::string::npos) << err;
}

TEST(CliPages, RefusesWithoutWritingAnything) {
  gbtest::TempDir dir;
  const std::string out = dir.file("x.tif");
  std::string err;
  EXPECT_EQ(Cli("pages " + Q(out) + " " + Q(Data("bmp/bmpsuite/g/pal8.bmp")) + " " + Q(dir.file("missing.bmp")),
                nullptr, &err),
            1);
  EXPECT_NE(err.find("missing.bmp"), std::string::npos) << err;
  EXPECT_EQ(Cli("pages " + Q(dir.file("x.png")) + " " + Q(Data("bmp/bmpsuite/g/pal8.bmp")), nullptr, &err), 2);
  EXPECT_EQ(Cli("pages " + Q(out)), 2);
  EXPECT_FALSE(std::filesystem::exists(out));
}

TEST(CliPages, WritesAnAnimatedGifWhoseFramesReadBack) {
  gbtest::TempDir dir;
  const std::string first = Data("bmp/bmpsuite/g/pal8.bmp"), second = Data("bmp/bmpsuite/g/pal8gs.bmp");
  for (const char* mode : {"0", "1", "2"}) {  // LZW, uncompressed, run-length code streams
    const std::string out = dir.file(std::string("anim") + mode + ".gif");
    std::string stdoutText, err;
    ASSERT_EQ(Cli("pages " + Q(out) + " " + Q(first) + " " + Q(second) + " --delay 25 --loops 3 --option " + mode,
                  &stdoutText, &err),
              0)
        << err;
    ASSERT_EQ(Cli("info " + Q(out), &stdoutText), 0);
    EXPECT_NE(stdoutText.find("frames=2"), std::string::npos) << stdoutText;
    // The second frame has a grey palette of its own and covers the first.
    const std::string frame0 = dir.file("f0.bmp"), frame1 = dir.file("f1.bmp");
    ASSERT_EQ(Cli("convert " + Q(out) + " " + Q(frame0)), 0);
    ASSERT_EQ(Cli("convert " + Q(out) + " " + Q(frame1) + " --frame 1"), 0);
    EXPECT_TRUE(SamePixels(frame0, first)) << mode;
    EXPECT_TRUE(SamePixels(frame1, second)) << mode;
    GbImage anim;
    ASSERT_TRUE(anim.LoadFile(out.c_str()));
    EXPECT_EQ(anim.FrameDelay(), 25u);
  }
}

TEST(CliPages, AnimatedGifRefusesTrueColourFrames) {
  gbtest::TempDir dir;
  const std::string out = dir.file("anim.gif");
  std::string err;
  EXPECT_EQ(
      Cli("pages " + Q(out) + " " + Q(Data("bmp/bmpsuite/g/pal8.bmp")) + " " + Q(Data("bmp/bmpsuite/g/rgb24.bmp")),
          nullptr, &err),
      1);
  EXPECT_NE(err.find("palette picture"), std::string::npos) << err;
  EXPECT_EQ(Cli("pages " + Q(out) + " " + Q(Data("bmp/bmpsuite/g/pal8.bmp")) + " --delay 70000"), 2);
  EXPECT_FALSE(std::filesystem::exists(out));
}
