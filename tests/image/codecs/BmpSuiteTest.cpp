// The shared BMP collection: good files decode, files that store the same
// picture differently decode to the same colours, and broken files are
// refused or decoded partially without touching memory they don't own.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "image/io/GbMemFile.h"
#include "tests/image/codecs/BmpBytes.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

std::string Bmp(const std::string& rel) { return (gbtest::TestData() / "bmp" / rel).string(); }
std::string Suite(const std::string& rel) { return Bmp("bmpsuite/" + rel); }

void ExpectSameColours(const std::string& a, const std::string& b) {
  GbImage ia, ib;
  ASSERT_TRUE(ia.LoadFile(a.c_str(), GB_TYPE_BMP)) << a << ": " << ia.LastError();
  ASSERT_TRUE(ib.LoadFile(b.c_str(), GB_TYPE_BMP)) << b << ": " << ib.LastError();
  ASSERT_EQ(ia.Width(), ib.Width()) << b;
  ASSERT_EQ(ia.Height(), ib.Height()) << b;
  long differ = 0;
  for (long y = 0; y < long(ia.Height()); ++y)
    for (long x = 0; x < long(ia.Width()); ++x) differ += bmptest::Rgb(ia, x, y) != bmptest::Rgb(ib, x, y);
  EXPECT_EQ(differ, 0) << a << " vs " << b;
}

}  // namespace

TEST(BmpSuite, GoodFilesDecodeWithTheirGeometry) {
  const struct {
    const char* name;
    uint32_t width, height, bpp;
  } cases[] = {
      {"pal1.bmp", 127, 64, 1},          {"pal1bg.bmp", 127, 64, 1},        {"pal1wb.bmp", 127, 64, 1},
      {"pal4.bmp", 127, 64, 4},          {"pal4gs.bmp", 127, 64, 4},        {"pal4rle.bmp", 127, 64, 4},
      {"pal8-0.bmp", 127, 64, 8},        {"pal8.bmp", 127, 64, 8},          {"pal8gs.bmp", 127, 64, 8},
      {"pal8nonsquare.bmp", 127, 32, 8}, {"pal8os2.bmp", 127, 64, 8},       {"pal8rle.bmp", 127, 64, 8},
      {"pal8topdown.bmp", 127, 64, 8},   {"pal8v4.bmp", 127, 64, 8},        {"pal8v5.bmp", 127, 64, 8},
      {"pal8w124.bmp", 124, 61, 8},      {"pal8w125.bmp", 125, 62, 8},      {"pal8w126.bmp", 126, 63, 8},
      {"rgb16-565.bmp", 127, 64, 24},    {"rgb16-565pal.bmp", 127, 64, 24}, {"rgb16.bmp", 127, 64, 24},
      {"rgb16bfdef.bmp", 127, 64, 24},   {"rgb24.bmp", 127, 64, 24},        {"rgb24pal.bmp", 127, 64, 24},
      {"rgb32.bmp", 127, 64, 24},        {"rgb32bf.bmp", 127, 64, 24},      {"rgb32bfdef.bmp", 127, 64, 24},
  };
  size_t seen = 0;
  for (const auto& entry : fs::directory_iterator(Suite("g"))) seen += entry.path().extension() == ".bmp";
  EXPECT_EQ(seen, std::size(cases)) << "a good file is not covered";
  for (const auto& c : cases) {
    GbImage img;
    ASSERT_TRUE(img.LoadFile(Suite(std::string("g/") + c.name).c_str(), GB_TYPE_BMP))
        << c.name << ": " << img.LastError();
    EXPECT_EQ(img.FileType(), uint32_t(GB_TYPE_BMP)) << c.name;
    EXPECT_EQ(img.Width(), c.width) << c.name;
    EXPECT_EQ(img.Height(), c.height) << c.name;
    EXPECT_EQ(img.BitsPerPixel(), c.bpp) << c.name;
  }
  // Resolution: 2835 pixels per metre is 72 dpi; the -0 file has none.
  GbImage img;
  ASSERT_TRUE(img.LoadFile(Suite("g/pal8nonsquare.bmp").c_str(), GB_TYPE_BMP));
  EXPECT_EQ(img.DpiX(), 72);
  EXPECT_EQ(img.DpiY(), 36);
  ASSERT_TRUE(img.LoadFile(Suite("g/pal8-0.bmp").c_str(), GB_TYPE_BMP));
  EXPECT_EQ(img.DpiX(), 96);
}

TEST(BmpSuite, EveryStorageOfThePalettePictureGivesTheSameColours) {
  for (const char* twin :
       {"g/pal8-0.bmp", "g/pal8rle.bmp", "g/pal8topdown.bmp", "g/pal8os2.bmp", "g/pal8v4.bmp", "g/pal8v5.bmp",
        "q/pal8offs.bmp", "q/pal8oversizepal.bmp", "q/pal8os2-sz.bmp", "q/pal8os2-hs.bmp", "q/pal8os2sp.bmp",
        "q/pal8os2v2.bmp", "q/pal8os2v2-sz.bmp", "q/pal8os2v2-40sz.bmp"})
    ExpectSameColours(Suite("g/pal8.bmp"), Suite(twin));
  ExpectSameColours(Suite("g/pal4.bmp"), Suite("g/pal4rle.bmp"));
  ExpectSameColours(Suite("g/pal1.bmp"), Suite("g/pal1wb.bmp"));
}

TEST(BmpSuite, EveryStorageOfTheTrueColourPictureGivesTheSameColours) {
  for (const char* twin : {"g/rgb24pal.bmp", "g/rgb32.bmp", "g/rgb32bf.bmp", "g/rgb32bfdef.bmp", "q/rgb32h52.bmp",
                           "q/rgb32-xbgr.bmp", "q/rgb32fakealpha.bmp", "q/rgb24largepal.bmp", "q/rgb24lprof.bmp"})
    ExpectSameColours(Suite("g/rgb24.bmp"), Suite(twin));
  ExpectSameColours(Suite("g/rgb16.bmp"), Suite("g/rgb16bfdef.bmp"));
  ExpectSameColours(Suite("g/rgb16.bmp"), Suite("q/rgb16faketrns.bmp"));
  ExpectSameColours(Suite("g/rgb16-565.bmp"), Suite("g/rgb16-565pal.bmp"));
}

TEST(BmpSuite, AlphaOfThirtyTwoBitFiles) {
  GbImage img;
  ASSERT_TRUE(img.LoadFile(Suite("g/rgb32.bmp").c_str(), GB_TYPE_BMP));
  ASSERT_NE(img.AlphaPlane(), nullptr);  // all fourth bytes 0: opaque
  for (size_t i = 0; i < size_t(img.Width()) * img.Height(); ++i) ASSERT_EQ(img.AlphaPlane()[i], 255);
  ASSERT_TRUE(img.LoadFile(Suite("q/rgb32fakealpha.bmp").c_str(), GB_TYPE_BMP));
  ASSERT_NE(img.AlphaPlane(), nullptr);  // non-zero fourth bytes are kept as they are
  bool anyBelowOpaque = false;
  for (size_t i = 0; i < size_t(img.Width()) * img.Height(); ++i) anyBelowOpaque |= img.AlphaPlane()[i] != 255;
  EXPECT_TRUE(anyBelowOpaque);
}

TEST(BmpSuite, BrokenFilesAreRefusedOrDecodedPartially) {
  const struct {
    const char* path;
    bool decodes;
  } cases[] = {
      {"bmpsuite/b/badbitcount.bmp", false},
      {"bmpsuite/b/badbitssize.bmp", true},
      {"bmpsuite/b/baddens1.bmp", true},
      {"bmpsuite/b/baddens2.bmp", true},
      {"bmpsuite/b/badfilesize.bmp", true},
      {"bmpsuite/b/badheadersize.bmp", false},
      {"bmpsuite/b/badpalettesize.bmp", true},
      {"bmpsuite/b/badplanes.bmp", true},
      {"bmpsuite/b/badrle.bmp", true},
      {"bmpsuite/b/badrle4.bmp", true},
      {"bmpsuite/b/badrle4bis.bmp", true},
      {"bmpsuite/b/badrle4ter.bmp", true},
      {"bmpsuite/b/badrlebis.bmp", true},
      {"bmpsuite/b/badrleter.bmp", true},
      {"bmpsuite/b/badwidth.bmp", false},
      {"bmpsuite/b/pal8badindex.bmp", true},
      {"bmpsuite/b/reallybig.bmp", false},
      {"bmpsuite/b/rgb16-880.bmp", true},
      {"bmpsuite/b/rletopdown.bmp", true},
      {"bmpsuite/b/shortfile.bmp", true},
      {"bad-other/hopper_rle8_row_overflow.bmp", true},
      {"bad-other/jasper_10_crash.bmp", false},
      {"bad-other/jasper_2_crashes.bmp", true},
      {"bad-other/jasper_5_crashes.bmp", false},
      {"bad-other/jasper_9_crash.bmp", false},
      {"bad-other/l2rgb_read.bmp", false},
      {"bad-other/mmap_error.bmp", true},
  };
  for (const auto& c : cases) {
    GbImage img;
    const bool ok = img.LoadFile(Bmp(c.path).c_str(), GB_TYPE_BMP);
    EXPECT_EQ(ok, c.decodes) << c.path << ": " << img.LastError();
    if (!ok) {
      EXPECT_STRNE(img.LastError(), "") << c.path;
      EXPECT_FALSE(img.HasPixels()) << c.path;
    }
  }
  // The truncated file keeps what it has: its first rows match the complete file.
  GbImage cut, whole;
  ASSERT_TRUE(cut.LoadFile(Suite("b/shortfile.bmp").c_str(), GB_TYPE_BMP));
  ASSERT_TRUE(whole.LoadFile(Suite("g/pal1.bmp").c_str(), GB_TYPE_BMP));
  for (long x = 0; x < 127; ++x) ASSERT_EQ(cut.ReadPixelIndex(x, 0), whole.ReadPixelIndex(x, 0));
}

TEST(BmpSuite, QuestionableFilesAreHandled) {
  for (const auto& entry : fs::directory_iterator(Suite("q"))) {
    GbImage img;
    if (!img.LoadFile(entry.path().c_str(), GB_TYPE_BMP)) {
      EXPECT_STRNE(img.LastError(), "") << entry.path();
    } else {
      EXPECT_GT(img.Width(), 0u);
    }
  }
  // Formats the reader does not take: 2 bits, 64 bits, embedded JPEG/PNG,
  // Huffman and RLE24 compression, alpha bit fields, the OS/2 16-byte header.
  const char* refused[] = {"pal2.bmp",        "pal2color.bmp",  "rgba64.bmp",    "rgb24jpeg.bmp",   "rgb24png.bmp",
                           "pal1huffmsb.bmp", "rgb24rle24.bmp", "rgba32abf.bmp", "pal8os2v2-16.bmp"};
  for (const char* name : refused) {
    GbImage img;
    EXPECT_FALSE(img.LoadFile(Suite(std::string("q/") + name).c_str(), GB_TYPE_BMP)) << name;
  }
}

// Random damage to real files: every outcome is fine except touching memory
// outside the buffers (the sanitizers watch) or allocating absurd amounts.
TEST(BmpSuite, MutatedFilesNeverCorruptMemory) {
  std::mt19937 rng(20240611);
  const char* seeds[] = {"g/pal4rle.bmp", "g/pal8rle.bmp", "g/rgb16-565.bmp",  "g/rgb32bf.bmp",    "g/pal8os2.bmp",
                         "g/pal1.bmp",    "g/pal8v5.bmp",  "q/pal4rlecut.bmp", "g/pal8topdown.bmp"};
  for (const char* seed : seeds) {
    const std::string original = gbtest::ReadFile(Suite(seed));
    ASSERT_FALSE(original.empty()) << seed;
    for (int round = 0; round < 150; ++round) {
      std::string bytes = original;
      const int edits = 1 + int(rng() % 8);
      for (int e = 0; e < edits; ++e) {
        // Most edits hit the headers, where the sizes and offsets live.
        const size_t pos = (rng() % 3) ? rng() % std::min<size_t>(bytes.size(), 140) : rng() % bytes.size();
        bytes[pos] = char(rng() % 4 == 0 ? 0xFF : rng());
      }
      if (rng() % 4 == 0) bytes.resize(rng() % bytes.size());
      GbMemFile f(reinterpret_cast<uint8_t*>(bytes.data()), int32_t(bytes.size()));
      GbImage img;
      img.Decode(&f, round % 2 ? GB_TYPE_BMP : GB_TYPE_UNKNOWN);
    }
  }
}
