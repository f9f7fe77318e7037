// Metafiles: placeable headers and their checks, sizes and the 4000-pixel
// limit, and drawing records played onto the bitmap with the pixels worked
// out by hand (1:1 mappings, so one logical unit is one pixel).
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "image/codecs/GbImageWMF.h"
#include "image/io/GbMemFile.h"
#include "tests/image/codecs/BmpBytes.h"
#include "tests/support/TestSupport.h"

using bmptest::Bytes;
using bmptest::Rgb;

namespace {

// Records of a Windows metafile, parameters as 16-bit words.
struct Wmf {
  Bytes records;
  int16_t left = 0, top = 0, right = 100, bottom = 100;
  uint16_t unitsPerInch = 96;
  uint16_t objects = 8;

  Wmf& rec(uint16_t function, std::initializer_list<int> words) {
    records.u32(uint32_t(3 + words.size())).u16(function);
    for (int w : words) records.u16(uint32_t(w) & 0xFFFF);
    return *this;
  }
  Wmf& colourRec(uint16_t function, uint32_t colourRef, std::initializer_list<int> before = {},
                 std::initializer_list<int> after = {}) {
    records.u32(uint32_t(3 + before.size() + 2 + after.size())).u16(function);
    for (int w : before) records.u16(uint32_t(w) & 0xFFFF);
    records.u32(colourRef);
    for (int w : after) records.u16(uint32_t(w) & 0xFFFF);
    return *this;
  }
  Wmf& brush(uint32_t colourRef, int style = 0) {
    records.u32(7).u16(0x02FC).u16(uint32_t(style)).u32(colourRef).u16(0);
    return *this;
  }
  Wmf& pen(int style, int width, uint32_t colourRef) {
    records.u32(8).u16(0x02FA).u16(uint32_t(style)).u16(uint32_t(width)).u16(0).u32(colourRef);
    return *this;
  }
  Bytes File(uint16_t checksumFix = 0) const {
    Bytes b;
    b.u32(0x9AC6CDD7).u16(0).u16(uint16_t(left)).u16(uint16_t(top)).u16(uint16_t(right)).u16(uint16_t(bottom));
    b.u16(unitsPerInch).u32(0);
    uint16_t sum = 0;
    for (size_t i = 0; i < 20; i += 2) sum ^= uint16_t(b.data[i] | (b.data[i + 1] << 8));
    b.u16(uint16_t(sum ^ checksumFix));
    const uint32_t words = uint32_t(9 + records.size() / 2 + 3);
    b.u16(1).u16(9).u16(0x300).u32(words).u16(objects).u32(64).u16(0);
    b.data.insert(b.data.end(), records.data.begin(), records.data.end());
    b.u32(3).u16(0);  // end of file record
    return b;
  }
};

constexpr uint32_t kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kBlack = 0;

bool DecodeWmf(GbImage& img, const Bytes& b) {
  GbMemFile f(const_cast<uint8_t*>(b.data.data()), int32_t(b.data.size()));
  return img.Decode(&f, GB_TYPE_WMF);
}

// Colour at (x, y) counted from the top, as the metafile draws.
uint32_t At(const GbImage& img, long x, long y) { return Rgb(img, x, long(img.Height()) - 1 - y); }

// A drawing in a 100 x 100 window that fills a 100 x 100 picture; the
// selected objects: 0 a solid brush, 1 a pen (null by default).
Wmf Canvas(uint32_t brushColour, int penStyle = 5, uint32_t penColour = kBlack) {
  Wmf w;
  w.rec(0x020B, {0, 0}).rec(0x020C, {100, 100});
  w.brush(brushColour).rec(0x012D, {0});
  w.pen(penStyle, 1, penColour).rec(0x012D, {1});
  return w;
}

}  // namespace

TEST(WmfHeader, SizeFromBoundingBoxAndScreenResolution) {
  Wmf w;
  w.right = 1440;
  w.bottom = 720;
  w.unitsPerInch = 1440;
  GbImage img;
  ASSERT_TRUE(DecodeWmf(img, w.File())) << img.LastError();
  EXPECT_EQ(img.Width(), 96u);
  EXPECT_EQ(img.Height(), 48u);
  EXPECT_EQ(img.BitsPerPixel(), 24u);
  EXPECT_EQ(img.FileType(), uint32_t(GB_TYPE_WMF));
  EXPECT_EQ(At(img, 40, 20), 0xFFFFFFu);  // cleared to the window colour
}

TEST(WmfHeader, UnitsPerInchOutsideTheRangeIsNotPlaceable) {
  for (uint16_t upi : {uint16_t(0), uint16_t(3000)}) {
    Wmf w;
    w.unitsPerInch = upi;
    GbImage img;
    EXPECT_FALSE(DecodeWmf(img, w.File())) << upi;
    EXPECT_STREQ(img.LastError(), "corrupted WMF");
  }
  Wmf w;
  GbImage img;
  EXPECT_FALSE(DecodeWmf(img, w.File(1)));  // checksum off by one bit
  EXPECT_STREQ(img.LastError(), "corrupted WMF");
  w.right = 0;
  EXPECT_FALSE(DecodeWmf(img, w.File()));
  EXPECT_STREQ(img.LastError(), "empty WMF");
}

TEST(WmfHeader, LargeMetafilesAreScaledToFourThousandPixels) {
  Wmf wide;
  wide.right = 8000;
  wide.bottom = 2000;
  GbImage img;
  ASSERT_TRUE(DecodeWmf(img, wide.File()));
  EXPECT_EQ(img.Width(), 4000u);
  EXPECT_EQ(img.Height(), 1000u);
  Wmf tall;
  tall.right = 2000;
  tall.bottom = 8000;
  ASSERT_TRUE(DecodeWmf(img, tall.File()));
  EXPECT_EQ(img.Width(), 1000u);
  EXPECT_EQ(img.Height(), 4000u);
  // The probe gives the file's own size, without pixels.
  GbImageWMF probe;
  uint32_t width = 0, height = 0;
  const Bytes b = wide.File();
  GbMemFile f(const_cast<uint8_t*>(b.data.data()), int32_t(b.size()));
  ASSERT_TRUE(probe.ProbeSize(&f, width, height));
  EXPECT_EQ(probe.Width(), 8000u);
  EXPECT_FALSE(probe.HasPixels());
  EXPECT_STREQ(probe.LastError(), "output dimensions returned");
}

TEST(WmfHeader, RequestedSizeReplacesTheFilesAndWritingIsRefused) {
  Wmf w = Canvas(kRed);
  w.rec(0x041B, {100, 50, 0, 0});  // rectangle: left half
  GbImageWMF codec;
  const Bytes b = w.File();
  GbMemFile f(const_cast<uint8_t*>(b.data.data()), int32_t(b.size()));
  ASSERT_TRUE(codec.Decode(&f, 40, 20));
  EXPECT_EQ(codec.Width(), 40u);
  EXPECT_EQ(At(codec, 19, 10), 0xFF0000u);
  EXPECT_EQ(At(codec, 20, 10), 0xFFFFFFu);
  GbMemFile out;
  ASSERT_TRUE(out.Open());
  EXPECT_FALSE(codec.Encode(&out));
  EXPECT_STREQ(codec.LastError(), "Save WMF not supported");
}

TEST(WmfDraw, RectangleFillAndOutline) {
  Wmf w = Canvas(kGreen, 0, kBlack);
  w.rec(0x041B, {20, 30, 10, 10});  // bottom 20, right 30, top 10, left 10
  GbImage img;
  ASSERT_TRUE(DecodeWmf(img, w.File()));
  EXPECT_EQ(At(img, 10, 15), 0x000000u);  // left edge
  EXPECT_EQ(At(img, 29, 15), 0x000000u);  // right edge: the last column inside
  EXPECT_EQ(At(img, 30, 15), 0xFFFFFFu);
  EXPECT_EQ(At(img, 15, 10), 0x000000u);
  EXPECT_EQ(At(img, 15, 19), 0x000000u);
  EXPECT_EQ(At(img, 15, 20), 0xFFFFFFu);
  EXPECT_EQ(At(img, 15, 15), 0x00FF00u);
}

TEST(WmfDraw, PolyPolygonFillModes) {
  // Two overlapping squares drawn the same way round.
  auto squares = [](Wmf& w) {
    w.rec(0x0538, {2, 4, 4, 10, 10, 50, 10, 50, 50, 10, 50, 30, 30, 70, 30, 70, 70, 30, 70});
  };
  Wmf alternate = Canvas(kBlue);
  squares(alternate);
  GbImage a;
  ASSERT_TRUE(DecodeWmf(a, alternate.File()));
  EXPECT_EQ(At(a, 20, 20), 0x0000FFu);
  EXPECT_EQ(At(a, 40, 40), 0xFFFFFFu);  // covered twice: a hole
  EXPECT_EQ(At(a, 60, 60), 0x0000FFu);
  Wmf winding = Canvas(kBlue);
  winding.rec(0x0106, {2});
  squares(winding);
  GbImage b;
  ASSERT_TRUE(DecodeWmf(b, winding.File()));
  EXPECT_EQ(At(b, 40, 40), 0x0000FFu);
}

TEST(WmfDraw, EllipseArcAndPie) {
  Wmf w = Canvas(kRed);
  w.rec(0x0418, {60, 60, 20, 20});  // ellipse in (20,20)-(60,60)
  // A pie: the right half of the circle in (50,0)-(100,50), from the top
  // point counter-clockwise to the bottom point.
  w.rec(0x081A, {50, 75, 0, 75, 50, 100, 0, 50});
  GbImage img;
  ASSERT_TRUE(DecodeWmf(img, w.File()));
  EXPECT_EQ(At(img, 40, 40), 0xFF0000u);
  EXPECT_EQ(At(img, 22, 22), 0xFFFFFFu);  // outside the curve, inside the box
  EXPECT_EQ(At(img, 60, 25), 0xFF0000u);  // left of the pie's centre line
  EXPECT_EQ(At(img, 90, 25), 0xFFFFFFu);  // the missing half
}

TEST(WmfDraw, SavedStatesClippingAndRasterOperations) {
  Wmf w = Canvas(kRed);
  w.rec(0x001E, {});  // save: red brush
  w.brush(kBlue).rec(0x012D, {2});
  w.rec(0x0416, {100, 50, 0, 0});    // clip to the left half
  w.rec(0x041B, {40, 100, 0, 0});    // blue, clipped
  w.rec(0x0127, {-1});               // restore: red, no clip
  w.rec(0x041B, {100, 100, 60, 0});  // red, full width
  w.brush(0xFFFFFF).rec(0x012D, {3});
  w.rec(0x0104, {7});                // XOR
  w.rec(0x041B, {100, 100, 80, 0});  // white XOR: inverts
  GbImage img;
  ASSERT_TRUE(DecodeWmf(img, w.File()));
  EXPECT_EQ(At(img, 10, 20), 0x0000FFu);
  EXPECT_EQ(At(img, 60, 20), 0xFFFFFFu);  // the clip held
  EXPECT_EQ(At(img, 70, 70), 0xFF0000u);  // brush and clip restored
  EXPECT_EQ(At(img, 70, 90), 0x00FFFFu);  // red inverted
}

TEST(WmfDraw, LinesLeaveOutTheirLastPoint) {
  Wmf w = Canvas(kRed, 0, kBlack);
  w.rec(0x0214, {50, 10}).rec(0x0213, {50, 20});  // move to (10, 50), line to (20, 50)
  GbImage img;
  ASSERT_TRUE(DecodeWmf(img, w.File()));
  EXPECT_EQ(At(img, 10, 50), 0x000000u);
  EXPECT_EQ(At(img, 19, 50), 0x000000u);
  EXPECT_EQ(At(img, 20, 50), 0xFFFFFFu);
  EXPECT_EQ(At(img, 15, 51), 0xFFFFFFu);
}

TEST(WmfDraw, WidePensAndDashes) {
  Wmf w = Canvas(kRed);
  w.pen(0, 5, kBlack).rec(0x012D, {2});
  w.rec(0x0214, {50, 10}).rec(0x0213, {50, 90});  // 5 wide, round ends
  w.pen(1, 1, kBlack).rec(0x012D, {3});           // dashes of 18 on, 6 off
  w.colourRec(0x0201, kBlue);                     // gaps in blue (opaque background)
  w.rec(0x0214, {20, 0}).rec(0x0213, {20, 99});
  w.rec(0x0102, {1});  // transparent background: gaps untouched
  w.rec(0x0214, {30, 0}).rec(0x0213, {30, 99});
  GbImage img;
  ASSERT_TRUE(DecodeWmf(img, w.File()));
  EXPECT_EQ(At(img, 50, 48), 0x000000u);
  EXPECT_EQ(At(img, 50, 52), 0x000000u);
  EXPECT_EQ(At(img, 50, 47), 0xFFFFFFu);
  EXPECT_EQ(At(img, 50, 53), 0xFFFFFFu);
  EXPECT_EQ(At(img, 92, 50), 0x000000u);
  EXPECT_EQ(At(img, 93, 50), 0xFFFFFFu);
  EXPECT_EQ(At(img, 5, 20), 0x000000u);
  EXPECT_EQ(At(img, 20, 20), 0x0000FFu);
  EXPECT_EQ(At(img, 25, 20), 0x000000u);
  EXPECT_EQ(At(img, 20, 30), 0xFFFFFFu);
  EXPECT_EQ(At(img, 25, 30), 0x000000u);
}

TEST(WmfDraw, WindowExtentsAndDibStretch) {
  Wmf w = Canvas(kRed);
  w.rec(0x020C, {200, 200});  // twice as many units: half the size
  w.rec(0x041B, {100, 100, 0, 0});
  // A 2 x 1 24-bit picture (blue, green) stretched over (100,100)-(200,200).
  w.records.u32(3 + 11 + 24).u16(0x0F43);
  w.records.u32(0x00CC0020).u16(0).u16(1).u16(2).u16(0).u16(0).u16(100).u16(100).u16(100).u16(100);
  w.records.u32(40).u32(2).u32(1).u16(1).u16(24).u32(0).u32(8).u32(0).u32(0).u32(0).u32(0);
  w.records.raw({255, 0, 0, 0, 255, 0, 0, 0});
  GbImage img;
  ASSERT_TRUE(DecodeWmf(img, w.File())) << img.LastError();
  EXPECT_EQ(At(img, 25, 25), 0xFF0000u);
  EXPECT_EQ(At(img, 49, 49), 0xFF0000u);
  EXPECT_EQ(At(img, 75, 25), 0xFFFFFFu);
  EXPECT_EQ(At(img, 60, 75), 0x0000FFu);
  EXPECT_EQ(At(img, 90, 75), 0x00FF00u);
}

TEST(WmfDraw, UnknownAndMalformedRecordsAreSkippedOrEndPlayback) {
  Wmf w = Canvas(kRed);
  w.rec(0x0999, {1, 2, 3});  // unknown: skipped
  w.rec(0x041B, {50, 50, 0, 0});
  w.rec(0x0324, {30000, 1, 1});       // polygon claiming far more points than it has
  w.records.u32(100000).u16(0x041B);  // a record longer than the file
  GbImage img;
  ASSERT_TRUE(DecodeWmf(img, w.File()));
  EXPECT_EQ(At(img, 25, 25), 0xFF0000u);
}

// ---- enhanced metafiles -----------------------------------------------------

namespace {

struct Emf {
  Bytes records;
  int32_t bounds[4] = {0, 0, 100, 50};
  Emf& rec(uint32_t type, std::initializer_list<uint32_t> words) {
    records.u32(type).u32(uint32_t(8 + 4 * words.size()));
    for (uint32_t w : words) records.u32(w);
    return *this;
  }
  Bytes File() const {
    // 10 pixels per millimetre; the frame covers the bounds exactly.
    Bytes b;
    b.u32(1).u32(108);
    for (int32_t v : bounds) b.u32(uint32_t(v));
    for (int32_t v : bounds) b.u32(uint32_t(v * 10));
    b.u32(0x464D4520).u32(0x10000).u32(0).u32(0).u16(4).u16(0).u32(0).u32(0).u32(0);
    b.u32(1000).u32(1000).u32(100).u32(100).u32(0).u32(0).u32(0).u32(100000).u32(100000);
    b.data.insert(b.data.end(), records.data.begin(), records.data.end());
    b.u32(14).u32(20).u32(0).u32(16).u32(20);
    const uint32_t total = uint32_t(b.size());
    for (int i = 0; i < 4; ++i) b.data[48 + i] = uint8_t(total >> (8 * i));
    return b;
  }
};

}  // namespace

TEST(EmfDraw, BoundsMappingModesWorldTransformAndPaths) {
  Emf e;
  e.rec(39, {1, 0, kRed, 0}).rec(37, {1});          // red brush
  e.rec(37, {0x80000008});                          // stock null pen
  e.rec(43, {10, 10, 20, 20});                      // rectangle (10,10)-(20,20)
  e.rec(35, {0x40000000, 0, 0, 0x40000000, 0, 0});  // world: scale 2
  e.rec(39, {2, 0, kBlue, 0}).rec(37, {2});
  e.rec(43, {15, 5, 25, 10});        // becomes (30,10)-(50,20)
  e.rec(36, {0, 0, 0, 0, 0, 0, 1});  // identity again
  e.rec(17, {2});                    // MM_LOMETRIC: 0.1 mm, y up
  e.rec(39, {3, 0, kGreen, 0}).rec(37, {3});
  e.rec(43, {70, uint32_t(-30), 80, uint32_t(-40)});  // 0.1 mm is one pixel here; y runs up
  e.rec(17, {1});
  e.rec(59, {}).rec(27, {10, 40}).rec(54, {30, 40}).rec(54, {10, 48}).rec(61, {}).rec(60, {});
  e.rec(62, {0, 0, 0, 0});  // fill the triangle with green
  GbImage img;
  const Bytes b = e.File();
  GbMemFile f(const_cast<uint8_t*>(b.data.data()), int32_t(b.size()));
  ASSERT_TRUE(img.Decode(&f, GB_TYPE_WMF)) << img.LastError();
  EXPECT_EQ(img.Width(), 100u);
  EXPECT_EQ(img.Height(), 50u);
  EXPECT_EQ(At(img, 15, 15), 0xFF0000u);
  EXPECT_EQ(At(img, 40, 15), 0x0000FFu);
  EXPECT_EQ(At(img, 55, 15), 0xFFFFFFu);
  EXPECT_EQ(At(img, 75, 35), 0x00FF00u);
  EXPECT_EQ(At(img, 75, 25), 0xFFFFFFu);
  EXPECT_EQ(At(img, 12, 41), 0x00FF00u);
  EXPECT_EQ(At(img, 28, 47), 0xFFFFFFu);
}

TEST(EmfDraw, ClipRegionAndSignature) {
  Emf e;
  e.rec(39, {1, 0, kRed, 0}).rec(37, {1}).rec(37, {0x80000008});
  // Clip to (0,0)-(50,50) in device units, then fill everything.
  e.rec(75, {48, 5, 32, 1, 1, 16, 0, 0, 50, 50, 0, 0, 50, 50});
  e.rec(43, {0, 0, 100, 50});
  GbImage img;
  Bytes b = e.File();
  GbMemFile f(b.data.data(), int32_t(b.size()));
  ASSERT_TRUE(img.Decode(&f, GB_TYPE_WMF));
  EXPECT_EQ(At(img, 25, 25), 0xFF0000u);
  EXPECT_EQ(At(img, 75, 25), 0xFFFFFFu);
  b.data[41] = 'X';  // signature " EMF" spoilt
  GbMemFile g(b.data.data(), int32_t(b.size()));
  EXPECT_FALSE(img.Decode(&g, GB_TYPE_WMF));
  EXPECT_STREQ(img.LastError(), "corrupted WMF");
}

TEST(WmfTestData, EveryFileRendersOrFailsCleanly) {
  int rendered = 0;
  for (const char* folder : {"wmf", "emf"})
    for (const auto& f : std::filesystem::recursive_directory_iterator(gbtest::TestData() / folder)) {
      const std::string ext = f.path().extension().string();
      if (ext != ".wmf" && ext != ".emf") continue;
      GbImage img;
      if (img.LoadFile(f.path().c_str(), GB_TYPE_WMF)) {
        ++rendered;
        EXPECT_EQ(img.BitsPerPixel(), 24u);
        EXPECT_LE(std::max(img.Width(), img.Height()), GbImageWMF::kMaxSide);
      }
    }
  EXPECT_GE(rendered, 14);
}

TEST(WmfTestData, ClipArtMatchesTheReferenceRendering) {
  if (gbtest::Run("/usr/bin/python3 -c 'import PIL' 2>/dev/null") != 0) GTEST_SKIP() << "no Pillow";
  gbtest::TempDir dir;
  for (const char* name : {"clock", "wizard"}) {
    const auto folder = gbtest::TestData() / "wmf/imagemagick";
    const std::string ppm = dir.file(std::string(name) + ".ppm");
    ASSERT_EQ(gbtest::Run("/usr/bin/python3 -c \"from PIL import Image; Image.open('" +
                          (folder / (std::string(name) + "_reference.gif")).string() + "').convert('RGB').save('" +
                          ppm + "')\""),
              0);
    GbImage reference;
    ASSERT_TRUE(reference.LoadFile(ppm.c_str(), GB_TYPE_PNM));
    const std::string bytes = gbtest::ReadFile(folder / (std::string(name) + ".wmf"));
    GbMemFile f(reinterpret_cast<uint8_t*>(const_cast<char*>(bytes.data())), int32_t(bytes.size()));
    GbImageWMF wmf;
    ASSERT_TRUE(wmf.Decode(&f, reference.Width(), reference.Height()));
    // The reference renderer fits the drawing rather than the window the
    // file declares, so shapes sit a few pixels apart; what must agree is
    // which colours cover how much of the picture (64 colour boxes).
    auto histogram = [](const GbImage& img) {
      std::vector<double> h(64, 0.0);
      for (long y = 0; y < long(img.Height()); ++y)
        for (long x = 0; x < long(img.Width()); ++x) {
          const RGBQUAD c = img.ReadPixelColor(x, y, false);
          h[size_t((c.rgbRed >> 6) * 16 + (c.rgbGreen >> 6) * 4 + (c.rgbBlue >> 6))] += 1.0;
        }
      for (double& v : h) v /= double(img.Width()) * img.Height();
      return h;
    };
    const std::vector<double> ours = histogram(wmf), theirs = histogram(reference);
    double distance = 0;
    for (size_t i = 0; i < 64; ++i) distance += std::fabs(ours[i] - theirs[i]);
    EXPECT_LT(distance, 0.2) << name;
  }
}
