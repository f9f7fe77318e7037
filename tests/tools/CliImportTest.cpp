// glimmerbox-cli import: raw development with the interpolation option, a
// metafile rendered at a chosen size, and the formats convert writes for
// the icon, metafile and JPEG-2000 family codecs.
#include <gtest/gtest.h>

#include <string>

#include "image/core/GbImage.h"
#include "tests/support/TestSupport.h"

namespace {

int Cli(const gbtest::TempDir& dir, const std::string& args, std::string* err = nullptr) {
  std::string out;
  const int rc = gbtest::Run("'" + gbtest::CliPath() + "' " + args + " 2>'" + dir.file("stderr") + "'", &out);
  if (err) *err = gbtest::ReadFile(dir.file("stderr"));
  return rc;
}

std::string Data(const char* rel) { return "'" + (gbtest::TestData() / rel).string() + "'"; }

}  // namespace

TEST(CliImport, MetafileAtAChosenSizeAndRawInterpolation) {
  gbtest::TempDir dir;
  ASSERT_EQ(Cli(dir, "import " + Data("wmf/imagemagick/clock.wmf") + " '" + dir.file("clock.bmp") + "' --size 120x60"),
            0);
  GbImage clock;
  ASSERT_TRUE(clock.LoadFile(dir.file("clock.bmp").c_str(), GB_TYPE_BMP));
  EXPECT_EQ(clock.Width(), 120u);
  EXPECT_EQ(clock.Height(), 60u);
  ASSERT_EQ(Cli(dir, "import " + Data("raw/generated/synthetic_rggb_256x256.dng") + " '" + dir.file("vng.bmp") +
                         "' --interpolation 1"),
            0);
  GbImage raw;
  ASSERT_TRUE(raw.LoadFile(dir.file("vng.bmp").c_str(), GB_TYPE_BMP));
  EXPECT_EQ(raw.Width(), 256u);
  std::string err;
  EXPECT_EQ(Cli(dir, "import " + Data("wmf/imagemagick/clock.wmf") + " '" + dir.file("x.bmp") + "' --size 12", &err),
            2);
  EXPECT_NE(err.find("WIDTHxHEIGHT"), std::string::npos);
}

TEST(CliImport, ConvertWritesTheFamilyAndRefusesMetafilesAndRaw) {
  gbtest::TempDir dir;
  for (const char* ext : {"ico", "jp2", "jpc", "pnm", "ras", "mng"}) {
    const std::string out = dir.file(std::string("g.") + ext);
    ASSERT_EQ(Cli(dir, "convert " + Data("ras/jasper/goldenears.ras") + " '" + out + "'"), 0) << ext;
    GbImage back;
    ASSERT_TRUE(back.LoadFile(out.c_str(), GbImage::TypeFromExtension(ext))) << ext << back.LastError();
    EXPECT_EQ(back.Width(), 128u) << ext;
  }
  std::string err;
  EXPECT_EQ(Cli(dir, "convert " + Data("ras/jasper/goldenears.ras") + " '" + dir.file("g.pgx") + "'", &err), 1);
  EXPECT_NE(err.find("PGX can save only GrayScale images"), std::string::npos) << err;
  EXPECT_EQ(Cli(dir, "convert " + Data("ras/jasper/goldenears.ras") + " '" + dir.file("g.wmf") + "'", &err), 1);
  EXPECT_NE(err.find("Save WMF not supported"), std::string::npos) << err;
}
