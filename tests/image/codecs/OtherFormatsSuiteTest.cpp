// The shared TIFF, TGA, PCX and WBMP collections: every good file decodes,
// every broken one is refused or read without touching foreign memory (the
// sanitizers watch), and files that store one picture in several ways
// decode to the same pixels.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>

#include "image/core/GbImage.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

// Paths (under the test data) the README marks as broken on purpose.
std::set<std::string> CorruptFiles() {
  std::set<std::string> corrupt;
  std::ifstream readme(gbtest::TestData() / "README.md");
  std::string line, folder;
  const std::string heading = "### testdata/";
  while (std::getline(readme, line)) {
    if (line.rfind(heading, 0) == 0) {
      folder = line.substr(heading.size(), line.find(' ', heading.size()) - heading.size());
      if (!folder.empty() && folder.back() == '/') folder.pop_back();
    } else if (!folder.empty() && line.rfind("| ", 0) == 0) {
      const size_t nameEnd = line.find(" |", 2);
      const size_t lastCell = line.rfind(" | ");
      if (nameEnd == std::string::npos || lastCell == std::string::npos) continue;
      if (line.compare(lastCell + 3, 7, "CORRUPT") == 0) corrupt.insert(folder + "/" + line.substr(2, nameEnd - 2));
    }
  }
  return corrupt;
}

std::string Picture(const GbImage& img) {
  std::string out;
  for (long y = long(img.Height()) - 1; y >= 0; --y)
    for (long x = 0; x < long(img.Width()); ++x) {
      const RGBQUAD c = img.ReadPixelColor(x, y, false);
      out += {char(c.rgbRed), char(c.rgbGreen), char(c.rgbBlue), char(img.HasAlpha() ? img.ReadAlpha(x, y) : 255)};
    }
  // Sized and hashed, so that a mismatch reports briefly.
  return std::to_string(img.Width()) + "x" + std::to_string(img.Height()) + " #" +
         std::to_string(std::hash<std::string>()(out));
}

std::string Load(const std::string& rel, long frame = 0) {
  GbImage img;
  img.SetFrame(frame);
  const std::string path = (gbtest::TestData() / rel).string();
  if (!img.LoadFile(path.c_str(), GbImage::TypeFromExtension(fs::path(path).extension().string().substr(1).c_str())))
    return std::string("failed: ") + img.LastError();
  return Picture(img);
}

}  // namespace

TEST(OtherFormatsSuite, GoodFilesDecodeAndBrokenOnesFailCleanly) {
  const std::set<std::string> corrupt = CorruptFiles();
  // Broken files no reference decoder reads either.
  const std::set<std::string> unreadable = {"pcx/pillow/01r_00.pcx"};
  size_t good = 0, bad = 0;
  for (const char* folder : {"tiff", "tga", "pcx", "wbmp"}) {
    for (const auto& entry : fs::recursive_directory_iterator(gbtest::TestData() / folder)) {
      const std::string rel = fs::relative(entry.path(), gbtest::TestData()).string();
      const std::string ext = entry.path().extension().string();
      if (!entry.is_regular_file() || ext == ".png" || rel.find("/reference/") != std::string::npos) continue;
      GbImage img;
      const uint32_t type = GbImage::TypeFromExtension(ext.substr(1).c_str());
      const bool ok = img.LoadFile(entry.path().c_str(), type);
      if (corrupt.count(rel) || unreadable.count(rel)) {
        ++bad;
        if (!ok) {
          EXPECT_STRNE(img.LastError(), "") << rel;
        }
        continue;
      }
      ++good;
      EXPECT_TRUE(ok) << rel << ": " << img.LastError();
      if (ok) {
        EXPECT_EQ(img.FileType(), type) << rel;
      }
    }
  }
  EXPECT_GE(good, 100u);
  EXPECT_GE(bad, 20u);
}

TEST(OtherFormatsSuite, OnePictureStoredInSeveralWays) {
  // Origins and run-length coding of the TGA set.
  for (const char* kind : {"l", "la", "p", "rgb", "rgba"})
    for (const char* variant : {"bl_rle", "tl_raw", "tl_rle"}) {
      const std::string base = std::string("tga/pillow-common/200x32_") + kind + "_";
      EXPECT_EQ(Load(base + variant + ".tga"), Load(base + "bl_raw.tga")) << kind << " " << variant;
    }

  // Eight orientations of one line of text, each rendered on its own (so a
  // few edge pixels differ); a wrong turn or mirror would change thousands.
  GbImage upright;
  ASSERT_TRUE(upright.LoadFile((gbtest::TestData() / "tiff/pillow/g4_orientation_1.tif").c_str(), GB_TYPE_TIF));
  for (int i = 2; i <= 8; ++i) {
    GbImage turned;
    const fs::path path = gbtest::TestData() / ("tiff/pillow/g4_orientation_" + std::to_string(i) + ".tif");
    ASSERT_TRUE(turned.LoadFile(path.c_str(), GB_TYPE_TIF)) << i;
    ASSERT_EQ(turned.Width(), upright.Width()) << i;
    ASSERT_EQ(turned.Height(), upright.Height()) << i;
    long differ = 0;
    for (long y = 0; y < long(upright.Height()); ++y)
      for (long x = 0; x < long(upright.Width()); ++x)
        differ += upright.ReadPixelIndex(x, y) != turned.ReadPixelIndex(x, y);
    EXPECT_LT(differ, long(upright.Width() * upright.Height() / 200)) << "orientation " << i;
  }

  // Min-is-white and reversed bit order of the 2- and 4-bit greys.
  for (const char* bits : {"2", "4"})
    for (const char* variant : {"I", "R", "IR"})
      EXPECT_EQ(Load(std::string("tiff/pillow/hopper") + bits + variant + ".tif"),
                Load(std::string("tiff/pillow/hopper") + bits + ".tif"))
          << bits << variant;
}

TEST(OtherFormatsSuite, PagesOfMultiPageFiles) {
  GbImage img;
  img.SetFrame(2);
  const std::string g4 = (gbtest::TestData() / "tiff/pillow/g4-multi.tiff").string();
  ASSERT_TRUE(img.LoadFile(g4.c_str(), GB_TYPE_TIF)) << img.LastError();
  EXPECT_EQ(img.FrameCount(), 3);
  EXPECT_NE(Load("tiff/pillow/multipage.tiff", 0), Load("tiff/pillow/multipage.tiff", 1));
  EXPECT_EQ(Load("tiff/pillow/multipage.tiff", 3), "failed: Error: page not present in TIFF file");
}
