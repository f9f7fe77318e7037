// convert and sticker shrink a JPEG photo while decoding it when the first
// resample allows; the files and messages must be those of the usual way
// (whole picture, then the resample), which a resample spelled with names
// instead of numbers or a photo given as BMP still takes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/TestSupport.h"

namespace {

class CliShrinkOnLoad : public ::testing::Test {
 protected:
  int Cli(const std::string& args, std::string* err) {
    std::filesystem::create_directories(dir.path() / "tmp");
    const std::string env = "TMPDIR=" + Q(dir.file("tmp")) + " GLIMMERBOX_HOME=" + Q(dir.file("app")) +
                            " HOME=" + Q(dir.file("home")) + " XDG_CONFIG_HOME=" + Q(dir.file("config")) + " ";
    const int rc = gbtest::Run(env + Q(gbtest::CliPath()) + " " + args + " 2>" + Q(dir.file("stderr")));
    *err = gbtest::ReadFile(dir.file("stderr"));
    return rc;
  }
  static std::string Q(const std::string& s) { return "'" + s + "'"; }

  // convert with the given operations; the output's bytes (empty when none
  // was written), the exit code and the messages.
  struct Run {
    int rc;
    std::string bytes, err;
  };
  Run Convert(const std::string& in, const std::string& ops) {
    const std::string out = dir.file("out.bmp");
    std::filesystem::remove(out);
    Run r;
    r.rc = Cli("convert " + Q(in) + " " + Q(out) + " " + ops, &r.err);
    r.bytes = std::filesystem::exists(out) ? gbtest::ReadFile(out) : std::string();
    return r;
  }
  void ExpectSameRuns(const std::string& in, const std::string& plainOps, const std::string& namedOps) {
    const Run plain = Convert(in, plainOps), named = Convert(in, namedOps);
    EXPECT_EQ(plain.rc, named.rc) << plainOps;
    EXPECT_EQ(plain.err, named.err) << plainOps;
    EXPECT_TRUE(plain.bytes == named.bytes) << plainOps;
  }

  gbtest::TempDir dir;
  const std::string photo = (gbtest::TestData() / "jpeg" / "other" / "goldenears.jpg").string();
};

}  // namespace

TEST_F(CliShrinkOnLoad, ConvertGivesTheUsualFileForEveryFirstResample) {
  ExpectSameRuns(photo, "--op 'ResampleInterpolated 64 48 16 5'",
                 "--op 'ResampleInterpolated 64 48 CatmullRom Repeat'");
  ExpectSameRuns(photo, "--op 'ResampleInterpolated 37 5'", "--op 'ResampleInterpolated 37 5 CatmullRom'");
  ExpectSameRuns(photo, "--op 'ResampleInterpolated 1 95 3 1'", "--op 'ResampleInterpolated 1 95 BSpline Color'");
  ExpectSameRuns(photo, "--op 'ResampleInterpolated 50 20 16 4'", "--op 'ResampleInterpolated 50 20 16 Wrap'");
  ExpectSameRuns(photo, "--op 'ResampleInterpolated 50 20 16 6 0' --op MirrorHorizontal",
                 "--op 'ResampleInterpolated 50 20 16 Mirror 0' --op MirrorHorizontal");
  // Operations that are not a shrink-on-load, and one that fails after it.
  ExpectSameRuns(photo, "--op 'ResampleInterpolated 900 20 16 5'", "--op 'ResampleInterpolated 900 20 16 Repeat'");
  ExpectSameRuns(photo, "--op 'ResampleInterpolated 50 20 16 5 1'", "--op 'ResampleInterpolated 50 20 16 Repeat 1'");
  ExpectSameRuns(photo, "--op 'ResampleInterpolated 50 20' --op 'DecreaseBpp 4'",
                 "--op 'ResampleInterpolated 50 20 CatmullRom' --op 'DecreaseBpp 4'");
  const Run shrunk = Convert(photo, "--op 'ResampleInterpolated 64 48 16 5'");
  EXPECT_EQ(shrunk.rc, 0) << shrunk.err;
  EXPECT_FALSE(shrunk.bytes.empty());
}

TEST_F(CliShrinkOnLoad, DamagedPhotosGiveTheUsualWarningOrError) {
  const std::string bytes = gbtest::ReadFile(photo);
  const std::string cut = dir.file("cut.jpg"), header = dir.file("header.jpg");
  gbtest::WriteFile(cut, bytes.substr(0, bytes.size() / 2));
  gbtest::WriteFile(header, bytes.substr(0, 30));
  ExpectSameRuns(cut, "--op 'ResampleInterpolated 40 30 16 5'", "--op 'ResampleInterpolated 40 30 16 Repeat'");
  const Run warned = Convert(cut, "--op 'ResampleInterpolated 40 30 16 5'");
  EXPECT_NE(warned.err.find("warning"), std::string::npos) << warned.err;
  ExpectSameRuns(header, "--op 'ResampleInterpolated 40 30 16 5'", "--op 'ResampleInterpolated 40 30 16 Repeat'");
  EXPECT_EQ(Convert(header, "--op 'ResampleInterpolated 40 30 16 5'").rc, 1);
}

TEST_F(CliShrinkOnLoad, StickerFromTheJpegEqualsStickerFromItsDecodedPicture) {
  std::string err;
  const std::string decoded = dir.file("decoded.bmp");
  ASSERT_EQ(Cli("convert " + Q(photo) + " " + Q(decoded), &err), 0) << err;
  for (const std::string& place : {std::string(), std::string(" --x 13 --y 7 --width 101 --height 67"),
                                   std::string(" --x -4 --y 30 --width 2 --height 1")}) {
    const std::string fromJpeg = dir.file("a.bmp"), fromBmp = dir.file("b.bmp");
    ASSERT_EQ(Cli("sticker --photo " + Q(photo) + place + " -o " + Q(fromJpeg), &err), 0) << err;
    ASSERT_EQ(Cli("sticker --photo " + Q(decoded) + place + " -o " + Q(fromBmp), &err), 0) << err;
    EXPECT_TRUE(gbtest::ReadFile(fromJpeg) == gbtest::ReadFile(fromBmp)) << place;
  }
}
