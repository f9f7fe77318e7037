// glimmerbox-cli convert with the JPEG, PNG and GIF codecs: --all-frames,
// --frame, --quality and --option.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "image/core/GbImage.h"
#include "tests/support/Pixels.h"
#include "tests/support/TestSupport.h"

namespace {

int Convert(const std::string& args) { return gbtest::Run(gbtest::CliPath() + " convert " + args + " 2>/dev/null"); }

std::string Gif(const std::string& name) { return (gbtest::TestData() / "gif" / "gif-test-suite" / name).string(); }

}  // namespace

TEST(CliFrames, AllFramesWritesEveryFrame) {
  gbtest::TempDir tmp;
  const std::string in = Gif("animated_transparent_frame_restoreprev_loop.gif");
  const std::string dir = tmp.file("frames");
  ASSERT_EQ(Convert("'" + in + "' '" + tmp.file("anim.png") + "' --all-frames '" + dir + "'"), 0);
  EXPECT_TRUE(std::filesystem::exists(tmp.file("anim.png")));
  for (long n = 0; n < 4; ++n) {
    const std::string path = dir + "/anim-" + std::to_string(n) + ".png";
    GbImage written, frame;
    ASSERT_TRUE(written.LoadFile(path.c_str(), GB_TYPE_PNG)) << path;
    frame.SetFrame(n);
    ASSERT_TRUE(frame.LoadFile(in.c_str(), GB_TYPE_GIF));
    EXPECT_TRUE(gbtest::SamePixels(written, frame)) << "frame " << n;
  }
  EXPECT_FALSE(std::filesystem::exists(dir + "/anim-4.png"));

  // A single picture is its own only frame.
  const std::string jpeg = (gbtest::TestData() / "jpeg" / "pillow" / "hopper.jpg").string();
  ASSERT_EQ(Convert("'" + jpeg + "' '" + tmp.file("h.bmp") + "' --all-frames '" + dir + "'"), 0);
  EXPECT_TRUE(std::filesystem::exists(dir + "/h-0.bmp"));
}

TEST(CliFrames, FrameQualityAndOption) {
  gbtest::TempDir tmp;
  const std::string in = Gif("animated_loop.gif");
  ASSERT_EQ(Convert("'" + in + "' '" + tmp.file("f2.png") + "' --frame 2"), 0);
  GbImage written, frame;
  ASSERT_TRUE(written.LoadFile(tmp.file("f2.png").c_str(), GB_TYPE_PNG));
  frame.SetFrame(2);
  ASSERT_TRUE(frame.LoadFile(in.c_str(), GB_TYPE_GIF));
  EXPECT_TRUE(gbtest::SamePixels(written, frame));
  EXPECT_NE(Convert("'" + in + "' '" + tmp.file("f9.png") + "' --frame 9"), 0);
  EXPECT_FALSE(std::filesystem::exists(tmp.file("f9.png")));

  const std::string jpeg = (gbtest::TestData() / "jpeg" / "pillow" / "hopper.jpg").string();
  ASSERT_EQ(Convert("'" + jpeg + "' '" + tmp.file("low.jpg") + "' --quality 10"), 0);
  ASSERT_EQ(Convert("'" + jpeg + "' '" + tmp.file("high.jpg") + "' --quality 95"), 0);
  EXPECT_LT(std::filesystem::file_size(tmp.file("low.jpg")), std::filesystem::file_size(tmp.file("high.jpg")));

  // GIF code streams by --option: the run-length file decodes the same.
  ASSERT_EQ(Convert("'" + in + "' '" + tmp.file("lzw.gif") + "'"), 0);
  ASSERT_EQ(Convert("'" + in + "' '" + tmp.file("runs.gif") + "' --option 2"), 0);
  GbImage lzw, runs;
  ASSERT_TRUE(lzw.LoadFile(tmp.file("lzw.gif").c_str(), GB_TYPE_GIF));
  ASSERT_TRUE(runs.LoadFile(tmp.file("runs.gif").c_str(), GB_TYPE_GIF));
  EXPECT_TRUE(gbtest::SamePixels(lzw, runs));
  EXPECT_NE(gbtest::ReadFile(tmp.file("lzw.gif")), gbtest::ReadFile(tmp.file("runs.gif")));
}
