// Files written by glimmerbox-cli convert must open in another program with
// the pixels Glimmerbox reads back from them: Pillow decodes each written
// file and the two readings are compared, colour and alpha.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace {

std::string Q(const std::string& s) { return "'" + s + "'"; }
std::string Data(const std::string& rel) { return (gbtest::TestData() / rel).string(); }

struct Rgba {
  long width = 0, height = 0;
  std::string bytes;  // RGBA, top row first
};

// Our reading: glimmerbox-cli pixels writes a PAM.
bool OurReading(const std::string& path, Rgba& out, std::string& why) {
  gbtest::TempDir tmp;
  const std::string pam = tmp.file("ours.pam"), err = tmp.file("err");
  if (gbtest::Run(gbtest::CliPath() + " pixels " + Q(path) + " " + Q(pam) + " 2>" + Q(err)) != 0) {
    why = gbtest::ReadFile(err);
    return false;
  }
  const std::string data = gbtest::ReadFile(pam);
  const size_t end = data.find("ENDHDR\n");
  if (end == std::string::npos ||
      std::sscanf(data.c_str(), "P7\nWIDTH %ld\nHEIGHT %ld", &out.width, &out.height) != 2) {
    why = "unreadable PAM";
    return false;
  }
  out.bytes = data.substr(end + 7);
  return true;
}

// Pillow's reading, converted to RGBA.
bool PillowReading(const std::string& path, Rgba& out, std::string& why) {
  gbtest::TempDir tmp;
  const std::string raw = tmp.file("pil.raw");
  std::string size;
  const std::string cmd =
      "/usr/bin/python3 -c \"import sys; from PIL import Image; im = Image.open(sys.argv[1]); "
      "im = im.convert('RGBA'); open(sys.argv[2], 'wb').write(im.tobytes()); print(im.size[0], im.size[1])\" " +
      Q(path) + " " + Q(raw) + " 2>&1";
  if (gbtest::Run(cmd, &size) != 0) {
    why = size;
    return false;
  }
  if (std::sscanf(size.c_str(), "%ld %ld", &out.width, &out.height) != 2) {
    why = size;
    return false;
  }
  out.bytes = gbtest::ReadFile(raw);
  return true;
}

struct Written {
  const char* input;    // under the shared test data
  const char* ext;      // the output's extension
  const char* options;  // more convert options
  int tolerance;        // per channel (lossy formats)
};

}  // namespace

TEST(CliReferenceRead, WrittenFilesReadTheSameInPillow) {
  const std::vector<Written> cases = {
      {"bmp/bmpsuite/g/pal1.bmp", "png", "", 0},
      {"bmp/bmpsuite/g/pal4.bmp", "png", "", 0},
      {"bmp/bmpsuite/g/pal8.bmp", "png", "", 0},
      {"bmp/bmpsuite/g/pal8.bmp", "png", "--option 1", 0},  // interlaced
      {"bmp/bmpsuite/g/rgb24.bmp", "png", "", 0},
      {"png/pngsuite/basn0g08.png", "png", "", 0},  // grey
      {"png/pngsuite/basn6a08.png", "png", "", 0},  // colour with alpha
      {"png/pngsuite/basn6a08.png", "png", "--option 1", 0},
      {"png/pngsuite/tbbn3p08.png", "png", "", 0},  // palette with a transparent entry
      {"png/pngsuite/basn3p02.png", "png", "", 0},
      {"bmp/bmpsuite/g/rgb24.bmp", "jpg", "--quality 95", 2},
      {"png/pngsuite/basn0g08.png", "jpg", "--quality 90", 2},  // grey: one component
      {"bmp/bmpsuite/g/pal8.bmp", "gif", "", 0},
      {"bmp/bmpsuite/g/pal4.bmp", "gif", "--option 2", 0},
      {"bmp/bmpsuite/g/rgb24.bmp", "tga", "", 0},
      {"bmp/bmpsuite/g/pal8.bmp", "tga", "", 0},
      {"bmp/bmpsuite/g/rgb24.bmp", "pcx", "", 0},
      {"bmp/bmpsuite/g/pal8.bmp", "pcx", "", 0},
      {"bmp/bmpsuite/g/pal8.bmp", "tif", "--option 5", 0},
      {"bmp/bmpsuite/g/pal8.bmp", "ico", "", 0},
      {"png/pngsuite/basn6a08.png", "ico", "", 0},
  };
  gbtest::TempDir dir;
  int n = 0;
  for (const Written& c : cases) {
    const std::string what = std::string(c.input) + " as ." + c.ext + " " + c.options;
    SCOPED_TRACE(what);
    const std::string out = dir.file("w" + std::to_string(n++) + "." + c.ext), err = dir.file("err");
    ASSERT_EQ(gbtest::Run(gbtest::CliPath() + " convert " + Q(Data(c.input)) + " " + Q(out) + " " + c.options + " 2>" +
                          Q(err)),
              0)
        << gbtest::ReadFile(err);
    Rgba ours, theirs;
    std::string why;
    ASSERT_TRUE(OurReading(out, ours, why)) << why;
    ASSERT_TRUE(PillowReading(out, theirs, why)) << "Pillow cannot read it: " << why;
    ASSERT_EQ(ours.width, theirs.width);
    ASSERT_EQ(ours.height, theirs.height);
    ASSERT_EQ(ours.bytes.size(), theirs.bytes.size());
    long worst = 0, at = -1;
    for (size_t i = 0; i < ours.bytes.size(); ++i) {
      const long d = std::labs(long(uint8_t(ours.bytes[i])) - long(uint8_t(theirs.bytes[i])));
      if (d > worst) worst = d, at = long(i);
    }
    EXPECT_LE(worst, c.tolerance) << "first worst at pixel " << at / 4 << ", channel " << at % 4;
  }
}
