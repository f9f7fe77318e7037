// Writing TIFF: tags and compression per depth, the 1-bit inversion, alpha,
// appended and multi-page files, and what other readers make of them.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "image/codecs/GbImageTIF.h"
#include "image/io/GbMemFile.h"
#include "tests/image/codecs/TifFiles.h"
#include "tests/support/TestSupport.h"

using tiftest::RgbTop;

namespace {

// A picture with every pixel different enough to notice any mix-up.
GbImage Pattern(uint32_t w, uint32_t h, uint32_t bpp) {
  GbImage img(w, h, bpp, GB_TYPE_BMP);
  if (bpp == 1) {
    img.SetGreyPalette();  // 1-bit pages are black and white
  } else if (bpp <= 8) {
    for (uint32_t i = 0; i < img.PaletteEntryCount(); ++i)
      img.SetPaletteColor(i, uint8_t(i * 37), uint8_t(255 - i * 11), uint8_t(i * 5));
  }
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) {
      if (bpp <= 8)
        img.WritePixelIndex(x, y, uint8_t((x * 7 + y * 3) % img.PaletteEntryCount()));
      else
        img.WritePixelColor(x, y, RGBQUAD{uint8_t(x * 9), uint8_t(y * 13), uint8_t(x + y), 0});
    }
  return img;
}

GbImage Gradient(uint32_t w, uint32_t h) {
  GbImage img(w, h, 24, GB_TYPE_BMP);
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) img.WritePixelColor(x, y, RGBQUAD{128, uint8_t(y), uint8_t(x), 0});
  return img;
}

// The tags a file's first page carries.
struct Tags {
  uint16_t compression = 0, photometric = 0, samples = 0, bits = 0, predictor = 1, subfile = 0;
  uint32_t rowsPerStrip = 0;
  float xres = 0;
  std::vector<std::string> pageNames;
  uint16_t pages = 0;
};

Tags Read(const std::string& path) {
  Tags t;
  TIFF* tif = TIFFOpen(path.c_str(), "r");
  if (!tif) return t;
  TIFFGetField(tif, TIFFTAG_COMPRESSION, &t.compression);
  TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &t.photometric);
  TIFFGetField(tif, TIFFTAG_SAMPLESPERPIXEL, &t.samples);
  TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &t.bits);
  TIFFGetField(tif, TIFFTAG_PREDICTOR, &t.predictor);
  TIFFGetField(tif, TIFFTAG_ROWSPERSTRIP, &t.rowsPerStrip);
  TIFFGetField(tif, TIFFTAG_XRESOLUTION, &t.xres);
  uint32_t subfile = 0;
  TIFFGetField(tif, TIFFTAG_SUBFILETYPE, &subfile);
  t.subfile = uint16_t(subfile);
  t.pages = uint16_t(TIFFNumberOfDirectories(tif));
  do {
    const char* name = nullptr;
    if (TIFFGetField(tif, TIFFTAG_PAGENAME, &name) && name) t.pageNames.push_back(name);
  } while (TIFFReadDirectory(tif));
  TIFFClose(tif);
  return t;
}

long Differences(const GbImage& a, const GbImage& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return -1;
  long n = 0;
  for (long y = 0; y < long(a.Height()); ++y)
    for (long x = 0; x < long(a.Width()); ++x) n += RgbTop(a, x, y) != RgbTop(b, x, y);
  return n;
}

}  // namespace

TEST(TifWrite, CompressionAndPhotometricFollowTheDepth) {
  gbtest::TempDir dir;
  struct Case {
    uint32_t bpp;
    uint16_t compression, photometric, predictor;
  } cases[] = {
      {1, COMPRESSION_CCITTFAX4, PHOTOMETRIC_MINISWHITE, 1},
      {4, COMPRESSION_LZW, PHOTOMETRIC_PALETTE, 1},
      {8, COMPRESSION_LZW, PHOTOMETRIC_PALETTE, PREDICTOR_HORIZONTAL},
  };
  for (const Case& c : cases) {
    GbImage img = Pattern(37, 11, c.bpp);
    img.SetDpiX(300);
    const std::string path = dir.file("c" + std::to_string(c.bpp) + ".tif");
    ASSERT_TRUE(img.SaveFile(path.c_str(), GB_TYPE_TIF)) << img.LastError();
    const Tags t = Read(path);
    EXPECT_EQ(t.compression, c.compression) << c.bpp;
    EXPECT_EQ(t.photometric, c.photometric) << c.bpp;
    EXPECT_EQ(t.predictor, c.predictor) << c.bpp;
    EXPECT_EQ(t.bits, c.bpp);
    EXPECT_EQ(t.subfile, 0);
    EXPECT_FLOAT_EQ(t.xres, 300.f);
    GbImage back;
    ASSERT_TRUE(back.LoadFile(path.c_str(), GB_TYPE_TIF)) << back.LastError();
    EXPECT_EQ(back.BitsPerPixel(), c.bpp);
    EXPECT_EQ(Differences(img, back), 0) << c.bpp;
  }
  // Grey ramps are written as min-is-black greys, for 4 bits too.
  for (uint32_t bpp : {4u, 8u}) {
    GbImage grey = Pattern(9, 3, bpp);
    grey.SetGreyPalette();
    const std::string path = dir.file("g.tif");
    ASSERT_TRUE(grey.SaveFile(path.c_str(), GB_TYPE_TIF));
    EXPECT_EQ(Read(path).photometric, PHOTOMETRIC_MINISBLACK) << bpp;
    GbImage back;
    ASSERT_TRUE(back.LoadFile(path.c_str(), GB_TYPE_TIF));
    EXPECT_EQ(Differences(grey, back), 0) << bpp;
  }
}

TEST(TifWrite, TrueColourDefaultsToJpegInStripsOfEightRows) {
  gbtest::TempDir dir;
  GbImage img = Gradient(200, 150);
  img.SetJpegQuality(95);
  const std::string fine = dir.file("fine.tif"), coarse = dir.file("coarse.tif");
  ASSERT_TRUE(img.SaveFile(fine.c_str(), GB_TYPE_TIF)) << img.LastError();
  img.SetJpegQuality(10);
  ASSERT_TRUE(img.SaveFile(coarse.c_str(), GB_TYPE_TIF));
  const Tags t = Read(fine);
  EXPECT_EQ(t.compression, COMPRESSION_JPEG);
  EXPECT_EQ(t.photometric, PHOTOMETRIC_RGB);
  EXPECT_EQ(t.rowsPerStrip % 8, 0u);
  EXPECT_GT(gbtest::ReadFile(fine).size(), gbtest::ReadFile(coarse).size());  // the quality reached the coder
  GbImage back;
  ASSERT_TRUE(back.LoadFile(fine.c_str(), GB_TYPE_TIF));
  const RGBQUAD a = img.ReadPixelColor(100, 70, false), b = back.ReadPixelColor(100, 70, false);
  EXPECT_NEAR(a.rgbRed, b.rgbRed, 4);
  EXPECT_NEAR(a.rgbGreen, b.rgbGreen, 4);
  EXPECT_NEAR(a.rgbBlue, b.rgbBlue, 4);
}

TEST(TifWrite, CodecOptionChoosesCompressionWhenItCanBeWritten) {
  gbtest::TempDir dir;
  const std::string path = dir.file("o.tif");
  GbImage img = Pattern(20, 20, 24);
  img.SetCodecOption(COMPRESSION_PACKBITS, GB_TYPE_TIF);
  ASSERT_TRUE(img.SaveFile(path.c_str(), GB_TYPE_TIF));
  EXPECT_EQ(Read(path).compression, COMPRESSION_PACKBITS);
  GbImage back;
  ASSERT_TRUE(back.LoadFile(path.c_str(), GB_TYPE_TIF));
  EXPECT_EQ(Differences(img, back), 0);
  // A scheme read from a file that cannot be written for this picture
  // (old-style JPEG; fax on colour) falls back to the default.
  for (uint32_t option : {uint32_t(COMPRESSION_OJPEG), uint32_t(COMPRESSION_CCITTFAX4)}) {
    img.SetCodecOption(option, GB_TYPE_TIF);
    ASSERT_TRUE(img.SaveFile(path.c_str(), GB_TYPE_TIF)) << option << ": " << img.LastError();
    EXPECT_EQ(Read(path).compression, COMPRESSION_JPEG) << option;
  }
}

TEST(TifWrite, OneBitIsWrittenMinIsWhiteAndTheImageKeepsTheSwap) {
  gbtest::TempDir dir;
  GbImage img(10, 2, 1, GB_TYPE_BMP);
  img.SetPaletteColor(0, 0, 0, 0);
  img.SetPaletteColor(1, 255, 255, 255);
  img.Fill(0);
  img.WritePixelIndex(3, 1, 1);  // one white pixel on black
  const uint8_t cached = img.NearestPaletteIndex(RGBQUAD{255, 255, 255, 0});
  EXPECT_EQ(cached, 1);
  const std::string path = dir.file("bw.tif");
  ASSERT_TRUE(img.SaveFile(path.c_str(), GB_TYPE_TIF));
  EXPECT_EQ(Read(path).photometric, PHOTOMETRIC_MINISWHITE);
  // Entry 0 is now white and the bits are inverted: the same picture.
  EXPECT_EQ(img.PaletteColor(0).rgbRed, 255);
  EXPECT_EQ(img.ReadPixelIndex(3, 1), 0);
  EXPECT_EQ(img.ReadPixelIndex(0, 0), 1);
  EXPECT_EQ(img.NearestPaletteIndex(RGBQUAD{255, 255, 255, 0}), 0);  // no stale answer
  GbImage back;
  ASSERT_TRUE(back.LoadFile(path.c_str(), GB_TYPE_TIF));
  EXPECT_EQ(Differences(img, back), 0);
  EXPECT_EQ(back.ReadPixelColor(3, 1).rgbRed, 255);
  EXPECT_EQ(back.ReadPixelColor(4, 1).rgbRed, 0);
}

TEST(TifWrite, AlphaTravelsAsAnExtraSample) {
  gbtest::TempDir dir;
  GbImage rgb = Pattern(13, 7, 24);
  ASSERT_TRUE(rgb.CreateAlpha());
  for (uint32_t y = 0; y < 7; ++y)
    for (uint32_t x = 0; x < 13; ++x) rgb.WriteAlpha(x, y, x % 2 ? 255 : 0);
  rgb.SetCodecOption(COMPRESSION_LZW, GB_TYPE_TIF);
  const std::string path = dir.file("a.tif");
  ASSERT_TRUE(rgb.SaveFile(path.c_str(), GB_TYPE_TIF));
  const Tags t = Read(path);
  EXPECT_EQ(t.samples, 4);
  EXPECT_EQ(t.predictor, PREDICTOR_HORIZONTAL);
  GbImage back;
  ASSERT_TRUE(back.LoadFile(path.c_str(), GB_TYPE_TIF));
  ASSERT_TRUE(back.HasAlpha());
  for (uint32_t y = 0; y < 7; ++y)
    for (uint32_t x = 1; x < 13; x += 2) {
      EXPECT_EQ(back.ReadAlpha(x, y), 255);
      EXPECT_EQ(back.ReadAlpha(x - 1, y), 0);
      EXPECT_EQ(RgbTop(back, x, y), RgbTop(rgb, x, y));
    }

  GbImage grey = Pattern(5, 3, 8);
  ASSERT_TRUE(grey.CreateAlpha());
  grey.WriteAlpha(2, 1, 77);
  ASSERT_TRUE(grey.SaveFile(path.c_str(), GB_TYPE_TIF));
  EXPECT_EQ(Read(path).samples, 2);
  GbImage greyBack;
  ASSERT_TRUE(greyBack.LoadFile(path.c_str(), GB_TYPE_TIF));
  EXPECT_EQ(greyBack.ReadAlpha(2, 1), 77);
  EXPECT_EQ(Differences(grey, greyBack), 0);
}

TEST(TifWrite, AppendedPagesAreNamedAndCounted) {
  gbtest::TempDir dir;
  GbMemFile stream;
  ASSERT_TRUE(stream.Open());
  GbImage first = Pattern(8, 8, 8), second = Pattern(16, 4, 24);
  {
    GbImageTIF codec;
    {
      GbImageLoan loan(first, codec);
      ASSERT_TRUE(codec.Encode(&stream, true)) << codec.LastError();
    }
    GbImageLoan loan(second, codec);
    ASSERT_TRUE(codec.Encode(&stream, true)) << codec.LastError();
  }  // destroying the codec finishes the file
  const std::string path = dir.file("two.tif");
  gbtest::WriteFile(path, std::string(reinterpret_cast<char*>(stream.GetBuffer()), size_t(stream.Size())));
  const Tags t = Read(path);
  EXPECT_EQ(t.pages, 2);
  EXPECT_EQ(t.subfile, FILETYPE_PAGE);
  EXPECT_EQ(t.pageNames, (std::vector<std::string>{"Page 1", "Page 2"}));
  GbImage page;
  page.SetFrame(1);
  ASSERT_TRUE(page.LoadFile(path.c_str(), GB_TYPE_TIF));
  EXPECT_EQ(page.Width(), 16u);
  EXPECT_EQ(page.FrameCount(), 2);
}

TEST(TifWrite, MultiPageArrayWritesEveryPictureOrNothing) {
  gbtest::TempDir dir;
  GbImage a = Pattern(6, 6, 1), b = Pattern(7, 5, 4), c = Pattern(9, 9, 24), empty;
  c.SetCodecOption(COMPRESSION_DEFLATE, GB_TYPE_TIF);
  GbImage* pages[] = {&a, &b, &c};
  GbImageTIF tif;
  {
    GbMemFile stream;
    ASSERT_TRUE(stream.Open());
    ASSERT_TRUE(tif.Encode(&stream, pages, 3)) << tif.LastError();
    const std::string path = dir.file("three.tif");
    gbtest::WriteFile(path, std::string(reinterpret_cast<char*>(stream.GetBuffer()), size_t(stream.Size())));
    EXPECT_EQ(Read(path).pageNames, (std::vector<std::string>{"Page 1", "Page 2", "Page 3"}));
    for (long i = 0; i < 3; ++i) {
      GbImage back;
      back.SetFrame(i);
      ASSERT_TRUE(back.LoadFile(path.c_str(), GB_TYPE_TIF)) << i;
      EXPECT_EQ(Differences(*pages[i], back), 0) << i;
    }
  }
  // The callers' pictures are left alone (no 1-bit swap on the original).
  EXPECT_EQ(a.PaletteColor(0).rgbRed, 0);

  GbMemFile stream;
  ASSERT_TRUE(stream.Open());
  GbImage* withNull[] = {&a, nullptr};
  GbImage* withEmpty[] = {&a, &empty};
  struct {
    GbFile* stream;
    GbImage** images;
    int count;
    const char* message;
  } refusals[] = {
      {nullptr, pages, 3, "invalid file pointer"},
      {&stream, nullptr, 3, "multipage TIFF, no images!"},
      {&stream, pages, 0, "multipage TIFF, no images!"},
      {&stream, withNull, 2, "Bad image pointer"},
      {&stream, withEmpty, 2, "Empty image"},
  };
  for (const auto& r : refusals) {
    EXPECT_FALSE(tif.Encode(r.stream, r.images, r.count));
    EXPECT_STREQ(tif.LastError(), r.message);
  }
  EXPECT_EQ(stream.Size(), 0);
}

TEST(TifWrite, OtherReadersOpenWhatIsWritten) {
  gbtest::TempDir dir;
  GbImage one = Pattern(33, 17, 1), four = Pattern(33, 17, 4), eight = Pattern(33, 17, 8);
  GbImage rgb = Pattern(33, 17, 24);
  rgb.SetCodecOption(COMPRESSION_LZW, GB_TYPE_TIF);
  GbImage* pages[] = {&one, &four, &eight, &rgb};
  GbMemFile stream;
  ASSERT_TRUE(stream.Open());
  GbImageTIF tif;
  ASSERT_TRUE(tif.Encode(&stream, pages, 4));
  const std::string path = dir.file("all.tif");
  gbtest::WriteFile(path, std::string(reinterpret_cast<char*>(stream.GetBuffer()), size_t(stream.Size())));
  std::string out;
  ASSERT_EQ(gbtest::Run("tiffinfo '" + path + "' 2>&1", &out), 0) << out;
  EXPECT_EQ(out.find("rror"), std::string::npos) << out;
  EXPECT_EQ(out.find("arning"), std::string::npos) << out;
  for (int i = 0; i < 4; ++i) {
    const std::string bmp = dir.file("p" + std::to_string(i) + ".bmp");
    ASSERT_EQ(
        gbtest::Run("convert '" + path + "[" + std::to_string(i) + "]' -type TrueColor 'BMP3:" + bmp + "' 2>&1", &out),
        0)
        << out;
    GbImage theirs;
    ASSERT_TRUE(theirs.LoadFile(bmp.c_str(), GB_TYPE_BMP)) << theirs.LastError();
    EXPECT_EQ(Differences(*pages[i], theirs), 0) << "page " << i;
  }
}
