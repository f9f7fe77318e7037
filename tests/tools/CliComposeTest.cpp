// glimmerbox-cli sticker, sheet, project-info and project-extract, run as a
// user would.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "image/core/GbImage.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

class CliCompose : public ::testing::Test {
 protected:
  // Runs the tool with every location inside the test's folder.
  int Cli(const std::string& args, std::string* out = nullptr, std::string* err = nullptr) {
    fs::create_directories(dir.path() / "tmp");
    const std::string env = "TMPDIR=" + Q(dir.file("tmp")) + " GLIMMERBOX_HOME=" + Q(dir.file("app")) +
                            " HOME=" + Q(dir.file("home")) + " XDG_CONFIG_HOME=" + Q(dir.file("config")) + " ";
    std::string o;
    const int rc = gbtest::Run(env + Q(gbtest::CliPath()) + " " + args + " 2>" + Q(dir.file("stderr")), &o);
    if (out) *out = o;
    if (err) *err = gbtest::ReadFile(dir.file("stderr"));
    return rc;
  }
  static std::string Q(const std::string& s) { return "'" + s + "'"; }

  std::string Picture(const std::string& name, uint32_t w, uint32_t h, RGBQUAD fill) {
    GbImage img;
    img.Create(w, h, 24, GB_TYPE_BMP);
    for (uint32_t y = 0; y < h; ++y)
      for (uint32_t x = 0; x < w; ++x) img.WritePixelColor(long(x), long(y), fill);
    const std::string path = dir.file(name);
    EXPECT_TRUE(img.SaveFile(path.c_str(), GB_TYPE_BMP));
    return path;
  }
  // A 320 x 240 frame of colour c with a key-coloured window 20 pixels in.
  std::string FrameFile(const std::string& name, RGBQUAD c) {
    GbImage img;
    img.Create(320, 240, 24, GB_TYPE_BMP);
    for (long y = 0; y < 240; ++y)
      for (long x = 0; x < 320; ++x)
        img.WritePixelColor(x, y, (x >= 20 && x < 300 && y >= 20 && y < 220) ? RGBQUAD{255, 0, 255, 0} : c);
    const std::string path = dir.file(name);
    EXPECT_TRUE(img.SaveFile(path.c_str(), GB_TYPE_BMP));
    return path;
  }
  static GbImage Load(const std::string& path) {
    GbImage img;
    EXPECT_TRUE(img.LoadFile(path.c_str())) << path;
    return img;
  }
  // Colour at (x, y) counted from the top, as 0xRRGGBB.
  static uint32_t At(const GbImage& img, long x, long yTop) {
    const RGBQUAD c = img.ReadPixelColor(x, long(img.Height()) - 1 - yTop, false);
    return uint32_t(c.rgbRed) << 16 | uint32_t(c.rgbGreen) << 8 | c.rgbBlue;
  }

  gbtest::TempDir dir;
};

const RGBQUAD kWhite{255, 255, 255, 0}, kBlack{0, 0, 0, 0}, kRed{0, 0, 255, 0}, kBlue{200, 40, 10, 0};

}  // namespace

TEST_F(CliCompose, StickerPlacesThePhotoBehindTheKeyedFrame) {
  const std::string photo = Picture("photo.bmp", 64, 48, kRed);
  const std::string frame = FrameFile("frame.bmp", kWhite);
  const std::string out = dir.file("s.bmp");
  ASSERT_EQ(Cli("sticker --photo " + Q(photo) + " --frame " + Q(frame) + " -o " + Q(out)), 0);
  GbImage s = Load(out);
  ASSERT_EQ(s.Width(), 320u);
  ASSERT_EQ(s.Height(), 240u);
  EXPECT_EQ(At(s, 160, 120), 0xFF0000u);
  EXPECT_EQ(At(s, 5, 5), 0xFFFFFFu);

  // Opacity 128 of a white frame over a black photo.
  const std::string black = Picture("black.bmp", 32, 24, kBlack);
  ASSERT_EQ(Cli("sticker --photo " + Q(black) + " --frame " + Q(frame) + " --alpha 128 -o " + Q(out)), 0);
  s = Load(out);
  EXPECT_EQ(At(s, 5, 5), 0x808080u);
  EXPECT_EQ(At(s, 160, 120), 0x000000u);

  // A photo placed partly outside, no frame: clipped, the rest background.
  ASSERT_EQ(Cli("sticker --photo " + Q(photo) + " --x -5 --y -5 --width 20 --height 20 -o " + Q(out)), 0);
  s = Load(out);
  EXPECT_EQ(At(s, 0, 0), 0xFF0000u);
  EXPECT_EQ(At(s, 14, 14), 0xFF0000u);
  EXPECT_EQ(At(s, 15, 15), 0xFFFFFDu);
  EXPECT_EQ(At(s, 200, 100), 0xFFFFFDu);
}

TEST_F(CliCompose, StickerRefusesWhatItCannotDo) {
  const std::string photo = Picture("photo.bmp", 8, 8, kRed);
  gbtest::WriteFile(dir.file("frame.txt"), "not a picture");
  std::string err;
  EXPECT_EQ(Cli("sticker --photo " + Q(photo) + " -o", nullptr, &err), 2);
  EXPECT_EQ(Cli("sticker --photo " + Q(photo), nullptr, &err), 2);
  EXPECT_NE(err.find("-o OUT"), std::string::npos);
  EXPECT_EQ(Cli("sticker --photo " + Q(photo) + " --alpha 300 -o " + Q(dir.file("a.bmp")), nullptr, &err), 2);
  EXPECT_EQ(Cli("sticker --photo " + Q(photo) + " --frame " + Q(dir.file("frame.txt")) + " -o " + Q(dir.file("a.bmp")),
                nullptr, &err),
            1);
  EXPECT_NE(err.find("not a picture type"), std::string::npos);
  EXPECT_EQ(Cli("sticker --photo " + Q(dir.file("missing.png")) + " -o " + Q(dir.file("a.bmp")), nullptr, &err), 1);
  EXPECT_FALSE(fs::exists(dir.file("a.bmp")));
}

TEST_F(CliCompose, SheetFillsTheLayoutAndItsProjectOpensToTheSamePictures) {
  const RGBQUAD colours[5] = {kRed, kBlue, RGBQUAD{10, 200, 10, 0}, RGBQUAD{0, 220, 240, 0}, RGBQUAD{90, 90, 90, 0}};
  std::string photos;
  for (int i = 0; i < 5; ++i) photos += " " + Q(Picture("p" + std::to_string(i) + ".bmp", 40, 30, colours[i]));
  const std::string frame = FrameFile("frame.bmp", kWhite);
  const std::string sheet = dir.file("sheet.bmp"), project = dir.file("work.quorra");
  std::string out, err;
  ASSERT_EQ(
      Cli("sheet --layout 1 --frame " + Q(frame) + photos + " -o " + Q(sheet) + " --project " + Q(project), &out, &err),
      0)
      << err;
  EXPECT_NE(err.find("1 photo(s) left out"), std::string::npos);
  GbImage s = Load(sheet);
  ASSERT_EQ(s.Width(), 364u);
  ASSERT_EQ(s.Height(), 276u);
  // Slot centres in reading order, white frame borders, black gaps.
  const long centres[4][2] = {{92, 70}, {272, 70}, {92, 206}, {272, 206}};
  for (int i = 0; i < 4; ++i) {
    const RGBQUAD c = colours[i];
    EXPECT_EQ(At(s, centres[i][0], centres[i][1]), uint32_t(c.rgbRed) << 16 | uint32_t(c.rgbGreen) << 8 | c.rgbBlue);
  }
  EXPECT_EQ(At(s, 6, 6), 0xFFFFFFu);
  EXPECT_EQ(At(s, 182, 138), 0x000000u);

  ASSERT_EQ(Cli("project-info " + Q(project), &out, &err), 0) << err;
  EXPECT_NE(out.find("layout: 1 (4 slots)"), std::string::npos) << out;
  EXPECT_NE(out.find("slots that open: 0 1 2 3\n"), std::string::npos) << out;
  EXPECT_NE(out.find("slot 3 plain, 320 x 240, 32 bits"), std::string::npos) << out;

  const std::string x = dir.file("x");
  ASSERT_EQ(Cli("project-extract " + Q(project) + " " + Q(x), &out, &err), 0) << err;
  for (const char* name : {"Glimmerbox.ini", "0.bmp", "0Frame.bmp", "0Bk.bmp", "3.bmp", "3Frame.bmp", "3Bk.bmp"})
    EXPECT_TRUE(fs::exists(x + "/" + name)) << name;
  // The saved sticker is what the sticker command makes of the same photo.
  const std::string one = dir.file("one.bmp");
  ASSERT_EQ(Cli("sticker --photo " + Q(dir.file("p2.bmp")) + " --frame " + Q(frame) + " -o " + Q(one)), 0);
  const GbImage a = Load(one), b = Load(x + "/2.bmp");
  ASSERT_EQ(a.Width(), b.Width());
  long diff = 0;
  for (long y = 0; y < 240; ++y)
    for (long xx = 0; xx < 320; ++xx) diff += At(a, xx, y) != At(b, xx, y);
  EXPECT_EQ(diff, 0);
  EXPECT_EQ(At(Load(x + "/2Bk.bmp"), 5, 5), 0x0AC80Au);  // the plain picture has no frame

  // Cut short: the complete slots are still listed, and the status says so.
  const std::string bytes = gbtest::ReadFile(project);
  gbtest::WriteFile(dir.file("cut.quorra"), bytes.substr(0, bytes.size() - 100));
  EXPECT_EQ(Cli("project-info " + Q(dir.file("cut.quorra")), &out), 3);
  EXPECT_NE(out.find("slots that open: 0 1 2 ("), std::string::npos) << out;
  EXPECT_EQ(Cli("project-info " + Q(dir.file("none.quorra"))), 1);
}

TEST_F(CliCompose, SheetOverABackgroundAndFillRepeatsThePhotos) {
  const std::string photo = Picture("p.bmp", 40, 30, kRed);
  const std::string background = Picture("bg.bmp", 50, 40, kBlue);
  const std::string out = dir.file("print.bmp");
  std::string err;
  ASSERT_EQ(
      Cli("sheet --layout 4 --fill --background " + Q(background) + " " + Q(photo) + " -o " + Q(out), nullptr, &err), 0)
      << err;
  const GbImage s = Load(out);
  ASSERT_EQ(s.Width(), 1024u);
  ASSERT_EQ(s.Height(), 768u);
  EXPECT_EQ(At(s, 512, 384), 0x0A28C8u);  // the black centre gap shows the background
  EXPECT_EQ(At(s, 2, 2), 0x0A28C8u);
  // All seven slots hold the photo: the small bottom-right slot too.
  EXPECT_EQ(At(s, (740 - 423) * 1024 / 364, (301 - 61) * 768 / 276), 0xFF0000u);
  ASSERT_EQ(Cli("sheet --layout 4 --size small --background " + Q(background) + " " + Q(photo) + " -o " + Q(out)), 0);
  EXPECT_EQ(Load(out).Width(), 528u);
  EXPECT_EQ(Cli("sheet --layout 5 " + Q(photo) + " -o " + Q(out), nullptr, &err), 2);
  EXPECT_EQ(Cli("sheet --layout 3 -o " + Q(out), nullptr, &err), 2);
}

TEST_F(CliCompose, AProjectThatDoesNotFitFailsCleanlyAndKeepsThePreviousOne) {
  const std::string photo = Picture("p.bmp", 40, 30, kRed);
  const std::string frame = FrameFile("f.bmp", kWhite);
  const std::string project = dir.file("party.quorra");
  const std::string out = dir.file("sheet.bmp");
  ASSERT_EQ(Cli("sheet --layout 1 --frame " + Q(frame) + " --project " + Q(project) + " " + Q(photo) + " -o " + Q(out)),
            0);
  const std::string before = gbtest::ReadFile(project);
  ASSERT_FALSE(before.empty());

  // A file size limit of 512 KB or more (the shell's blocks are 512 or 1024
  // bytes): the sheet and each staged picture fit, four slots' worth of
  // project does not.
  std::string err;
  const std::string limited = "sh -c 'ulimit -f 1000; exec \"$0\" \"$@\"' ";
  fs::create_directories(dir.path() / "tmp");
  const std::string env = "TMPDIR=" + Q(dir.file("tmp")) + " GLIMMERBOX_HOME=" + Q(dir.file("app")) +
                          " HOME=" + Q(dir.file("home")) + " XDG_CONFIG_HOME=" + Q(dir.file("config")) + " ";
  const int limitedRc =
      gbtest::Run(env + limited + Q(gbtest::CliPath()) + " sheet --layout 1 --fill --frame " + Q(frame) +
                  " --project " + Q(project) + " " + Q(photo) + " -o " + Q(out) + " 2>" + Q(dir.file("stderr")));
  err = gbtest::ReadFile(dir.file("stderr"));
  EXPECT_GT(limitedRc, 0);
  EXPECT_LT(limitedRc, 128) << "killed by a signal instead of reporting the failure";
  EXPECT_FALSE(err.empty());
  EXPECT_EQ(gbtest::ReadFile(project), before);
  for (const auto& e : fs::directory_iterator(dir.path()))
    EXPECT_EQ(e.path().filename().string().find("party.quorra."), std::string::npos) << "left behind: " << e.path();
  for (const auto& e : fs::directory_iterator(dir.path() / "tmp"))
    ADD_FAILURE() << "left in the temporary folder: " << e.path();
}
