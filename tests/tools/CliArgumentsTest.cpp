// glimmerbox-cli says what is wrong instead of guessing: unknown and
// repeated options, decimal numbers, numbers too large for an operation,
// sizes beyond the engine's limit, and messages that name the fault.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "image/core/GbImage.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

class CliArguments : public ::testing::Test {
 protected:
  int Cli(const std::string& args, std::string* out = nullptr, std::string* err = nullptr,
          const std::string& tmp = "") {
    fs::create_directories(dir.path() / "tmp");
    const std::string env = "cd " + Q(dir.file("")) + " && TMPDIR=" + Q(tmp.empty() ? dir.file("tmp") : tmp) +
                            " GLIMMERBOX_HOME=" + Q(dir.file("app")) + " HOME=" + Q(dir.file("home")) +
                            " XDG_CONFIG_HOME=" + Q(dir.file("config")) + " ";
    std::string o;
    const int rc = gbtest::Run(env + Q(gbtest::CliPath()) + " " + args + " 2>" + Q(dir.file("stderr")), &o);
    if (out) *out = o;
    if (err) *err = gbtest::ReadFile(dir.file("stderr"));
    return rc;
  }
  static std::string Q(const std::string& s) { return "'" + s + "'"; }
  std::string Picture(const std::string& name, uint32_t w, uint32_t h, uint32_t type = GB_TYPE_BMP) {
    GbImage img;
    img.Create(w, h, 24, GB_TYPE_BMP);
    for (uint32_t y = 0; y < h; ++y)
      for (uint32_t x = 0; x < w; ++x)
        img.WritePixelColor(long(x), long(y), RGBQUAD{uint8_t(x * 9), 40, uint8_t(y * 5), 0});
    const std::string path = dir.file(name);
    EXPECT_TRUE(img.SaveFile(path.c_str(), type)) << img.LastError();
    return path;
  }
  static long Grey(const std::string& path) {
    GbImage img;
    EXPECT_TRUE(img.LoadFile(path.c_str()));
    return img.IsGreyScale();
  }

  gbtest::TempDir dir;
};

}  // namespace

TEST_F(CliArguments, UnknownAndRepeatedOptionsAreRefused) {
  const std::string a = Picture("a.bmp", 12, 7), b = Picture("b.bmp", 7, 12);
  const std::string out = dir.file("o.bmp");
  std::string err, stdout_;
  struct Case {
    std::string args, says;
  } cases[] = {
      {"sheet --layout 1 --fil " + Q(a) + " " + Q(b) + " -o " + Q(out), "unknown option --fil (did you mean --fill?)"},
      {"sheet --layout 1 --projet " + Q(dir.file("x.quorra")) + " " + Q(a) + " -o " + Q(out), "--projet"},
      {"convert " + Q(a) + " " + Q(out) + " --opp ToGreyScale", "unknown option --opp"},
      {"sticker --photo " + Q(a) + " --photo " + Q(b) + " -o " + Q(out), "--photo is given twice"},
      {"sheet --layout 1 --cover --cover " + Q(a) + " -o " + Q(out), "--cover is given twice"},
      {"sheet --layout 1 --fill=1 " + Q(a) + " -o " + Q(out), "--fill takes no value"},
      {"sheet --layout 1 --size small " + Q(a) + " -o " + Q(out), "without a background"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Cli(c.args, nullptr, &err), 2) << c.args;
    EXPECT_NE(err.find(c.says), std::string::npos) << c.args << "\n" << err;
    EXPECT_FALSE(fs::exists(out)) << c.args;
  }
  // Repeatable options still repeat; -- ends the options.
  ASSERT_EQ(Cli("convert " + Q(a) + " " + Q(out) + " --op ToGreyScale --op \"MirrorHorizontal\""), 0);
  EXPECT_TRUE(Grey(out));
  fs::copy_file(a, dir.file("--x.bmp"));  // run in the test's folder
  EXPECT_EQ(Cli("convert -- --x.bmp y.bmp", nullptr, &err), 0) << err;
  EXPECT_TRUE(fs::exists(dir.file("y.bmp")));

  // --help after a command is its help; help for no command is an error.
  ASSERT_EQ(Cli("sheet --help", &stdout_), 0);
  EXPECT_EQ(stdout_.rfind("sheet: ", 0), 0u) << stdout_;
  EXPECT_NE(stdout_.find("--layout K"), std::string::npos);
  // Among other arguments it runs nothing.
  EXPECT_EQ(Cli("convert " + Q(a) + " " + Q(dir.file("h.bmp")) + " --help", &stdout_, &err), 2);
  EXPECT_NE(err.find("--help goes alone"), std::string::npos) << err;
  EXPECT_FALSE(fs::exists(dir.file("h.bmp")));
  EXPECT_EQ(Cli("help bogus", nullptr, &err), 2);
  EXPECT_NE(err.find("no command \"bogus\""), std::string::npos) << err;
}

TEST_F(CliArguments, NumbersAreDecimalAndCheckedBeforeUse) {
  const std::string a = Picture("a.bmp", 12, 7);
  std::string err, out;
  // 08 and 0100 are eight and a hundred, not octal.
  ASSERT_EQ(Cli("sticker --photo " + Q(a) + " --x 08 --y 010 --width 0100 --height 40 -o " + Q(dir.file("s.bmp")),
                nullptr, &err),
            0)
      << err;
  ASSERT_EQ(Cli("convert " + Q(a) + " " + Q(dir.file("d.bmp")) + " --op \"SetDpiX 0100\""), 0);
  ASSERT_EQ(Cli("info " + Q(dir.file("d.bmp")), &out), 0);
  EXPECT_NE(out.find("dpi=100x"), std::string::npos) << out;
  EXPECT_EQ(Cli("sticker --photo " + Q(a) + " --alpha 0x10 -o " + Q(dir.file("t.bmp")), nullptr, &err), 2);
  EXPECT_NE(err.find("expects a whole number"), std::string::npos) << err;

  // Numbers far outside an int are refused, not converted.
  for (const char* op : {"ScaleHueSaturation 1e30 -1e30", "SetDpiX 1e30", "SetDpiX -9.9e18", "CropTo 0 0 1e300 4"}) {
    EXPECT_EQ(Cli("convert " + Q(a) + " " + Q(dir.file("e.bmp")) + " --op \"" + op + "\"", nullptr, &err), 1) << op;
    EXPECT_NE(err.find("out of range"), std::string::npos) << op << "\n" << err;
  }
  EXPECT_FALSE(fs::exists(dir.file("e.bmp")));
}

TEST_F(CliArguments, SizesBeyondTheLimitAreRefusedAtOnceInPlainWords) {
  const std::string a = Picture("a.bmp", 40, 30);
  std::string err;
  for (const char* op : {"StretchTo 20000 20000", "StretchTo 10000 10000", "StretchTo 40000 90000 1",
                         "ResampleInterpolated 30000 20000"}) {
    EXPECT_EQ(Cli("convert " + Q(a) + " " + Q(dir.file("o.bmp")) + " --op \"" + op + "\"", nullptr, &err), 1) << op;
    EXPECT_NE(err.find("at most 256 MB"), std::string::npos) << op << "\n" << err;
    EXPECT_EQ(err.find("GBIMAGE_MAX_MEMORY"), std::string::npos) << err;
  }
  // Within the limit, with the aspect kept: 40 x 30 into 1000 x 300 is 400 x 300.
  ASSERT_EQ(Cli("convert " + Q(a) + " " + Q(dir.file("o.bmp")) + " --op \"StretchTo 1000 300 1\"", nullptr, &err), 0)
      << err;
  GbImage o;
  ASSERT_TRUE(o.LoadFile(dir.file("o.bmp").c_str()));
  EXPECT_EQ(o.Width(), 400u);
  EXPECT_EQ(o.Height(), 300u);
}

TEST_F(CliArguments, MessagesSayWhatIsWrong) {
  const std::string a = Picture("a.bmp", 12, 7);
  std::string err;
  gbtest::WriteFile(dir.file("empty.png"), "");
  EXPECT_EQ(Cli("convert " + Q(dir.file("empty.png")) + " " + Q(dir.file("o.bmp")), nullptr, &err), 1);
  EXPECT_NE(err.find("the file is empty"), std::string::npos) << err;
  EXPECT_EQ(Cli("convert " + Q(dir.file("tmp")) + " " + Q(dir.file("o.bmp")), nullptr, &err), 1);
  EXPECT_NE(err.find("a folder"), std::string::npos) << err;

  // A frame past the last of an animation names the count.
  GbImage pal;
  ASSERT_TRUE(pal.LoadFile(a.c_str()));
  ASSERT_TRUE(pal.DecreaseBpp(8, true));
  ASSERT_TRUE(pal.SaveFile(dir.file("p.bmp").c_str(), GB_TYPE_BMP));
  ASSERT_EQ(Cli("pages " + Q(dir.file("anim.gif")) + " " + Q(dir.file("p.bmp")) + " " + Q(dir.file("p.bmp"))), 0);
  fs::copy_file(dir.file("anim.gif"), dir.file("anim"));
  for (const char* in : {"anim.gif", "anim"}) {
    EXPECT_EQ(Cli("convert " + Q(dir.file(in)) + " " + Q(dir.file("o.bmp")) + " --frame 5", nullptr, &err), 1);
    EXPECT_NE(err.find("the file has 2 frames"), std::string::npos) << in << "\n" << err;
  }

  // A damaged picture is read as far as it goes, with a warning.
  const std::string bmp = gbtest::ReadFile(a);
  gbtest::WriteFile(dir.file("cut.bmp"), bmp.substr(0, bmp.size() / 2));
  EXPECT_EQ(Cli("convert " + Q(dir.file("cut.bmp")) + " " + Q(dir.file("o.png")), nullptr, &err), 0);
  EXPECT_NE(err.find("warning: " + dir.file("cut.bmp") + ": the file ends early"), std::string::npos) << err;

  // A missing temp directory is named as such.
  EXPECT_EQ(Cli("sheet --layout 1 " + Q(a) + " -o " + Q(dir.file("s.bmp")) + " --project " + Q(dir.file("p.quorra")),
                nullptr, &err, dir.file("gone")),
            1);
  EXPECT_NE(err.find("does not exist (TMPDIR"), std::string::npos) << err;
}

TEST_F(CliArguments, StickerAndSheetReadPhotosByTheirContent) {
  const std::string pnm = Picture("a.pnm", 30, 20, GB_TYPE_PNM);
  fs::copy_file(pnm, dir.file("a.pbm"));
  fs::copy_file(pnm, dir.file("photo"));
  std::string err;
  for (const char* photo : {"a.pbm", "photo"})
    EXPECT_EQ(Cli("sticker --photo " + Q(dir.file(photo)) + " -o " + Q(dir.file("s.bmp")), nullptr, &err), 0)
        << photo << "\n"
        << err;
  EXPECT_EQ(
      Cli("sheet --layout 1 " + Q(dir.file("a.pbm")) + " " + Q(dir.file("photo")) + " -o " + Q(dir.file("sheet.bmp")),
          nullptr, &err),
      0)
      << err;
  gbtest::WriteFile(dir.file("notes"), "not a picture at all\n");
  EXPECT_EQ(Cli("sticker --photo " + Q(dir.file("notes")) + " -o " + Q(dir.file("n.bmp")), nullptr, &err), 1);
  EXPECT_NE(err.find("not a picture type"), std::string::npos) << err;
}
