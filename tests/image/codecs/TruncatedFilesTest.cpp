// A damaged file is read as far as it goes, and the decoder says so.
#include <gtest/gtest.h>

#include <string>

#include "image/core/GbImage.h"
#include "image/io/GbMemFile.h"
#include "tests/support/TestSupport.h"

namespace {

constexpr const char* kEndsEarly = "the file ends early; the rest of the picture is blank";

// A 70 x 45 picture of noise from a fixed seed, at the given depth.
GbImage Noise(uint32_t bpp) {
  GbImage img(70, 45, 24, GB_TYPE_BMP);
  uint32_t seed = 5;
  for (long y = 0; y < 45; ++y)
    for (long x = 0; x < 70; ++x) {
      seed = seed * 1664525u + 1013904223u;
      img.WritePixelColor(x, y, RGBQUAD{uint8_t(seed >> 24), uint8_t(seed >> 16), uint8_t(seed >> 8), 0});
    }
  if (bpp < 24) {
    EXPECT_TRUE(img.DecreaseBpp(bpp, false));
  }
  return img;
}

std::string Encoded(GbImage& img, uint32_t type) {
  GbMemFile out;
  EXPECT_TRUE(out.Open());
  EXPECT_TRUE(img.Encode(&out, type)) << img.LastError();
  return std::string(reinterpret_cast<const char*>(out.GetBuffer()), size_t(out.Size()));
}

bool Decode(GbImage& img, const std::string& bytes, uint32_t type) {
  GbMemFile in(reinterpret_cast<uint8_t*>(const_cast<char*>(bytes.data())), int32_t(bytes.size()));
  return img.Decode(&in, type);
}

}  // namespace

TEST(TruncatedFiles, JpegBmpAndGifDecodeWhatIsThereAndWarn) {
  struct Case {
    uint32_t type, bpp;
    std::string file;  // a run-length coded BMP of the shared pictures instead
  } cases[] = {{GB_TYPE_JPG, 24, ""},          {GB_TYPE_BMP, 24, ""}, {GB_TYPE_BMP, 8, ""},
               {GB_TYPE_BMP, 4, ""},           {GB_TYPE_GIF, 8, ""},  {GB_TYPE_BMP, 0, "pal8rle.bmp"},
               {GB_TYPE_BMP, 0, "pal4rle.bmp"}};
  for (const Case& c : cases) {
    std::string whole;
    if (c.file.empty()) {
      GbImage source = Noise(c.bpp);
      whole = Encoded(source, c.type);
    } else {
      whole = gbtest::ReadFile(gbtest::TestData() / "bmp" / "bmpsuite" / "g" / c.file);
    }
    const std::string what = std::to_string(c.type) + " " + std::to_string(c.bpp) + " " + c.file;
    GbImage img;
    ASSERT_TRUE(Decode(img, whole, c.type)) << what;
    EXPECT_STREQ(img.Warning(), "") << what;
    const uint32_t width = img.Width();

    ASSERT_TRUE(Decode(img, whole.substr(0, whole.size() * 3 / 5), c.type)) << what << " " << img.LastError();
    EXPECT_EQ(img.Width(), width);
    EXPECT_STREQ(img.Warning(), kEndsEarly) << what;

    // The next decode starts without the old warning.
    ASSERT_TRUE(Decode(img, whole, c.type));
    EXPECT_STREQ(img.Warning(), "") << what;
  }
}

TEST(TruncatedFiles, AFileWithoutItsLastPaddingOrEndMarkerIsWhole) {
  GbImage odd = Noise(24);  // 70 * 3 = 210 bytes a row, 2 of padding
  std::string bmp = Encoded(odd, GB_TYPE_BMP);
  GbImage img;
  ASSERT_TRUE(Decode(img, bmp.substr(0, bmp.size() - 2), GB_TYPE_BMP));
  EXPECT_STREQ(img.Warning(), "");
  ASSERT_TRUE(Decode(img, bmp.substr(0, bmp.size() - 3), GB_TYPE_BMP));
  EXPECT_STREQ(img.Warning(), kEndsEarly);

  std::string jpeg = Encoded(odd, GB_TYPE_JPG);
  ASSERT_EQ(jpeg.substr(jpeg.size() - 2), "\xFF\xD9");
  ASSERT_TRUE(Decode(img, jpeg.substr(0, jpeg.size() - 2), GB_TYPE_JPG));
  EXPECT_STREQ(img.Warning(), "");
}
