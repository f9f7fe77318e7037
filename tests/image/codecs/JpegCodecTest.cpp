// The JPEG codec: resolution from EXIF before JFIF, CMYK, grey and
// quantised output, scaling, the dimension probe, every encoder option and
// the failures.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

#include "image/codecs/GbImageJPG.h"
#include "image/io/GbMemFile.h"
#include "tests/image/codecs/ExifBytes.h"
#include "tests/support/TestSupport.h"

using namespace exiftest;

namespace {

GbImage Gradient(uint32_t w, uint32_t h) {
  GbImage img(w, h, 24, GB_TYPE_BMP);
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x)
      img.WritePixelColor(x, y, RGBQUAD{uint8_t(x * 255 / w), uint8_t(y * 255 / h), uint8_t((x + y) * 2), 0});
  return img;
}

GbImage GreyRamp(uint32_t w, uint32_t h) {
  GbImage img(w, h, 8, GB_TYPE_BMP);
  img.SetGreyPalette();
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) img.WritePixelIndex(x, y, uint8_t(x * 4 + y));
  return img;
}

std::string Encode(GbImage& img, uint32_t options = 0, int quality = 90) {
  img.SetCodecOption(options, GB_TYPE_JPG);
  img.SetJpegQuality(uint8_t(quality));
  GbMemFile out;
  EXPECT_TRUE(out.Open());
  EXPECT_TRUE(img.Encode(&out, GB_TYPE_JPG)) << img.LastError();
  return std::string(reinterpret_cast<const char*>(out.GetBuffer()), size_t(out.Size()));
}

bool Decode(const std::string& bytes, GbImageJPG& codec) {
  GbMemFile in(reinterpret_cast<uint8_t*>(const_cast<char*>(bytes.data())), int32_t(bytes.size()));
  return codec.Decode(&in);
}

// Offset of a marker in a file, npos when missing.
size_t Find(const std::string& bytes, uint8_t marker) {
  for (size_t i = 2; i + 1 < bytes.size(); ++i)
    if (uint8_t(bytes[i]) == 0xFF && uint8_t(bytes[i + 1]) == marker) return i;
  return std::string::npos;
}

int MaxDifference(const GbImage& a, const GbImage& b) {
  int worst = 0;
  for (uint32_t y = 0; y < a.Height(); ++y)
    for (uint32_t x = 0; x < a.Width(); ++x) {
      const RGBQUAD p = a.ReadPixelColor(x, y), q = b.ReadPixelColor(x, y);
      worst = std::max(
          {worst, std::abs(p.rgbRed - q.rgbRed), std::abs(p.rgbGreen - q.rgbGreen), std::abs(p.rgbBlue - q.rgbBlue)});
    }
  return worst;
}

// CMYK files written and read back raw through libjpeg itself.
std::string WriteCmyk(uint32_t w, uint32_t h, const std::vector<uint8_t>& samples) {
  jpeg_compress_struct c;
  jpeg_error_mgr e;
  c.err = jpeg_std_error(&e);
  jpeg_create_compress(&c);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &buffer, &size);
  c.image_width = w;
  c.image_height = h;
  c.input_components = 4;
  c.in_color_space = JCS_CMYK;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 95, TRUE);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < h) {
    JSAMPROW row = const_cast<uint8_t*>(samples.data()) + size_t(c.next_scanline) * w * 4;
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  std::string bytes(reinterpret_cast<char*>(buffer), size);
  std::free(buffer);
  return bytes;
}

std::vector<uint8_t> ReadCmyk(const std::string& bytes) {
  jpeg_decompress_struct d;
  jpeg_error_mgr e;
  d.err = jpeg_std_error(&e);
  jpeg_create_decompress(&d);
  jpeg_mem_src(&d, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  jpeg_read_header(&d, TRUE);
  jpeg_start_decompress(&d);
  std::vector<uint8_t> out(size_t(d.output_width) * d.output_height * 4);
  while (d.output_scanline < d.output_height) {
    JSAMPROW row = out.data() + size_t(d.output_scanline) * d.output_width * 4;
    jpeg_read_scanlines(&d, &row, 1);
  }
  jpeg_finish_decompress(&d);
  jpeg_destroy_decompress(&d);
  return out;
}

// A stream that refuses to take more than limit bytes.
class ShortDisk : public GbMemFile {
 public:
  explicit ShortDisk(size_t limit) : limit_(limit) { Open(); }
  size_t Write(const void* buffer, size_t size, size_t count) override {
    if (written_ + size * count > limit_) return 0;
    written_ += size * count;
    return GbMemFile::Write(buffer, size, count);
  }

 private:
  size_t limit_, written_ = 0;
};

std::string TestFile(const std::string& rel) { return gbtest::ReadFile(gbtest::TestData() / "jpeg" / rel); }

}  // namespace

TEST(JpegCodec, RoundTripKeepsPixelsAndResolution) {
  GbImage img = Gradient(64, 48);
  img.SetDpiX(300);
  img.SetDpiY(150);
  const std::string bytes = Encode(img, JPEG_SUBSAMPLE_444, 100);
  GbImageJPG back;
  ASSERT_TRUE(Decode(bytes, back)) << back.LastError();
  EXPECT_EQ(back.FileType(), uint32_t(GB_TYPE_JPG));
  ASSERT_EQ(back.BitsPerPixel(), 24u);
  ASSERT_EQ(back.Width(), 64u);
  ASSERT_EQ(back.Height(), 48u);
  EXPECT_LE(MaxDifference(img, back), 4);  // rows in the right order, red and blue in place
  EXPECT_EQ(back.DpiX(), 300);
  EXPECT_EQ(back.DpiY(), 150);
  EXPECT_FALSE(back.Exif().isExif);
}

TEST(JpegCodec, ExifResolutionWinsOverJfif) {
  GbImage img = Gradient(16, 16);
  img.SetDpiX(72);
  img.SetDpiY(72);
  const std::string plain = Encode(img);
  for (bool motorola : {false, true}) {
    Builder b(motorola);
    std::vector<Directory> dirs(1);
    dirs[0].tags = {Rational(0x011A, 300, 1), Rational(0x011B, 300, 1), Short(0x0128, 2)};
    GbImageJPG codec;
    ASSERT_TRUE(Decode(WithSections(plain, App1(b.Tiff(dirs))), codec)) << codec.LastError();
    EXPECT_TRUE(codec.Exif().isExif);
    EXPECT_EQ(codec.DpiX(), 300);
    EXPECT_EQ(codec.DpiY(), 300);
  }
  // Dots per centimetre: 200 per cm is 508 per inch (quotient truncated).
  Builder b(false);
  std::vector<Directory> dirs(1);
  dirs[0].tags = {Rational(0x011A, 200, 1), Rational(0x011B, 100, 1), Short(0x0128, 3)};
  GbImageJPG cm;
  ASSERT_TRUE(Decode(WithSections(plain, App1(b.Tiff(dirs))), cm));
  EXPECT_EQ(cm.DpiX(), 508);
  EXPECT_EQ(cm.DpiY(), 254);
  // An EXIF block without a resolution leaves JFIF's in charge.
  dirs[0].tags = {Text(0x010F, "maker")};
  GbImageJPG none;
  ASSERT_TRUE(Decode(WithSections(plain, App1(b.Tiff(dirs))), none));
  EXPECT_TRUE(none.Exif().isExif);
  EXPECT_EQ(none.DpiX(), 72);
}

TEST(JpegCodec, JfifDensityUnits) {
  GbImage img = Gradient(8, 8);
  std::string bytes = Encode(img);
  ASSERT_EQ(bytes.substr(6, 5), std::string("JFIF\0", 5));
  auto density = [&](int unit, int x, int y) {
    std::string b = bytes;
    b[13] = char(unit);
    b[14] = char(x >> 8), b[15] = char(x & 0xFF);
    b[16] = char(y >> 8), b[17] = char(y & 0xFF);
    return b;
  };
  GbImageJPG cm;
  ASSERT_TRUE(Decode(density(2, 118, 40), cm));
  EXPECT_EQ(cm.DpiX(), 300);  // floor(118 x 2.54 + 0.5)
  EXPECT_EQ(cm.DpiY(), 102);
  GbImageJPG inch;
  ASSERT_TRUE(Decode(density(1, 600, 0), inch));
  EXPECT_EQ(inch.DpiX(), 600);
  EXPECT_EQ(inch.DpiY(), 96);  // 0 is no resolution
  GbImageJPG aspect;           // aspect ratio only: y follows x (96) by the ratio
  ASSERT_TRUE(Decode(density(0, 2, 3), aspect));
  EXPECT_EQ(aspect.DpiX(), 96);
  EXPECT_EQ(aspect.DpiY(), 144);
}

TEST(JpegCodec, CmykIsMultipliedByTheFourthByte) {
  const uint32_t w = 24, h = 16;
  std::vector<uint8_t> samples(size_t(w) * h * 4);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = uint8_t((i * 37) % 256);
  const std::string bytes = WriteCmyk(w, h, samples);
  const std::vector<uint8_t> raw = ReadCmyk(bytes);
  GbImageJPG codec;
  ASSERT_TRUE(Decode(bytes, codec)) << codec.LastError();
  ASSERT_EQ(codec.BitsPerPixel(), 24u);
  for (uint32_t t = 0; t < h; ++t)
    for (uint32_t x = 0; x < w; ++x) {
      const uint8_t* c = &raw[(size_t(t) * w + x) * 4];
      const RGBQUAD p = codec.ReadPixelColor(x, h - 1 - t);
      ASSERT_EQ(p.rgbRed, c[0] * c[3] / 255);
      ASSERT_EQ(p.rgbGreen, c[1] * c[3] / 255);
      ASSERT_EQ(p.rgbBlue, c[2] * c[3] / 255);
    }
}

TEST(JpegCodec, GreyImagesSaveAsOneComponent) {
  GbImage grey = GreyRamp(40, 30);
  const std::string bytes = Encode(grey, 0, 100);
  const size_t sof = Find(bytes, 0xC0);
  ASSERT_NE(sof, std::string::npos);
  EXPECT_EQ(uint8_t(bytes[sof + 9]), 1);  // components
  GbImageJPG back;
  ASSERT_TRUE(Decode(bytes, back));
  EXPECT_EQ(back.BitsPerPixel(), 8u);
  EXPECT_TRUE(back.IsGreyScale());
  EXPECT_LE(MaxDifference(grey, back), 2);

  GbImage palette(8, 8, 8, GB_TYPE_BMP);
  palette.SetStandardPalette();
  palette.Fill(3);
  GbMemFile out;
  ASSERT_TRUE(out.Open());
  EXPECT_FALSE(palette.Encode(&out, GB_TYPE_JPG));
  EXPECT_STREQ(palette.LastError(), "JPEG can save only RGB or GreyScale images");
  GbImage mono(8, 8, 1, GB_TYPE_BMP);
  mono.SetGreyPalette();  // black and white is not the 8-bit ramp
  EXPECT_FALSE(mono.Encode(&out, GB_TYPE_JPG));
  EXPECT_STREQ(mono.LastError(), "JPEG can save only RGB or GreyScale images");
}

TEST(JpegCodec, EncoderOptions) {
  GbImage img = Gradient(48, 32);
  auto sampling = [](const std::string& b, uint8_t marker) {
    const size_t at = Find(b, marker);
    return at == std::string::npos ? -1 : int(uint8_t(b[at + 11]));
  };
  const std::string plain = Encode(img);
  EXPECT_EQ(sampling(plain, 0xC0), 0x22);
  EXPECT_EQ(sampling(Encode(img, JPEG_SUBSAMPLE_422), 0xC0), 0x21);
  EXPECT_EQ(sampling(Encode(img, JPEG_SUBSAMPLE_444), 0xC0), 0x11);
  EXPECT_NE(Find(Encode(img, JPEG_PROGRESSIVE), 0xC2), std::string::npos);
  EXPECT_NE(Find(Encode(img, JPEG_ARITHMETIC), 0xC9), std::string::npos);
  // Low quality needs 16-bit tables unless baseline ones are forced.
  EXPECT_NE(Find(Encode(img, 0, 5), 0xC1), std::string::npos);
  EXPECT_NE(Find(Encode(img, JPEG_FORCE_BASELINE, 5), 0xC0), std::string::npos);

  const std::string grey = Encode(img, JPEG_GREYSCALE);
  EXPECT_EQ(uint8_t(grey[Find(grey, 0xC0) + 9]), 1);

  // Optimised tables: smaller file, the very same pixels.
  const std::string optimised = Encode(img, JPEG_OPTIMIZE);
  EXPECT_LT(optimised.size(), plain.size());
  GbImageJPG a, b;
  ASSERT_TRUE(Decode(plain, a));
  ASSERT_TRUE(Decode(optimised, b));
  EXPECT_EQ(MaxDifference(a, b), 0);

  GbImage noise(48, 32, 24, GB_TYPE_BMP);
  for (uint32_t y = 0; y < 32; ++y)
    for (uint32_t x = 0; x < 48; ++x)
      noise.WritePixelColor(x, y, RGBQUAD{uint8_t(x * 97 + y * 31), uint8_t(x * y), 40, 0});
  EXPECT_TRUE(Encode(noise, JPEG_SMOOTHING) != Encode(noise));
  EXPECT_LT(Encode(img, 0, 20).size(), plain.size());
}

TEST(JpegCodec, DecoderOptionsAndScaling) {
  GbImage img = Gradient(50, 30);
  const std::string bytes = Encode(img);

  GbImageJPG grey;
  grey.SetCodecOption(JPEG_DECODE_GREY, GB_TYPE_JPG);
  ASSERT_TRUE(Decode(bytes, grey));
  EXPECT_EQ(grey.BitsPerPixel(), 8u);
  EXPECT_TRUE(grey.IsGreyScale());

  GbImageJPG quantised;
  quantised.SetCodecOption(JPEG_QUANTIZE | JPEG_ONE_PASS | JPEG_DITHER, GB_TYPE_JPG);
  quantised.SetJpegQuality(16);
  ASSERT_TRUE(Decode(bytes, quantised)) << quantised.LastError();
  ASSERT_EQ(quantised.BitsPerPixel(), 8u);
  ASSERT_GT(quantised.ColorsImportant(), 0u);
  EXPECT_LE(quantised.ColorsImportant(), 16u);
  for (uint32_t y = 0; y < 30; ++y)
    for (uint32_t x = 0; x < 50; ++x) ASSERT_LT(quantised.ReadPixelIndex(x, y), quantised.ColorsImportant());

  GbImageJPG fewColours;  // libjpeg needs at least 8
  fewColours.SetCodecOption(JPEG_QUANTIZE, GB_TYPE_JPG);
  fewColours.SetJpegQuality(4);
  EXPECT_FALSE(Decode(bytes, fewColours));
  EXPECT_NE(std::string(fewColours.LastError()), "");

  GbImageJPG fancy, plainUp;
  plainUp.SetCodecOption(JPEG_NO_FANCY_UPSAMPLING, GB_TYPE_JPG);
  ASSERT_TRUE(Decode(bytes, fancy));
  ASSERT_TRUE(Decode(bytes, plainUp));
  EXPECT_GT(MaxDifference(fancy, plainUp), 0);

  for (uint8_t scale : {2, 4, 8}) {
    GbImageJPG scaled;
    scaled.SetJpegScale(scale);
    ASSERT_TRUE(Decode(bytes, scaled));
    EXPECT_EQ(scaled.Width(), (50u + scale - 1) / scale);
    EXPECT_EQ(scaled.Height(), (30u + scale - 1) / scale);
  }
}

TEST(JpegCodec, DimensionProbeReadsNoPixels) {
  GbImage img = Gradient(70, 20);
  GbImageJPG probe;
  const std::string bytes = Encode(img);
  GbMemFile in(reinterpret_cast<uint8_t*>(const_cast<char*>(bytes.data())), int32_t(bytes.size()));
  uint32_t width = 0, height = 0;
  ASSERT_TRUE(probe.ProbeSize(&in, width, height));
  EXPECT_EQ(probe.Width(), 70u);
  EXPECT_EQ(probe.Height(), 20u);
  EXPECT_EQ(probe.FileType(), uint32_t(GB_TYPE_JPG));
  EXPECT_FALSE(probe.HasPixels());
}

TEST(JpegCodec, BrokenExifDoesNotStopTheImage) {
  GbImage img = Gradient(16, 8);
  img.SetDpiX(72);
  const std::string plain = Encode(img);

  Builder b(true);
  std::vector<Directory> dirs(1);
  dirs[0].tags = {Short(0x0112, 9)};
  GbImageJPG rotated;
  ASSERT_TRUE(Decode(WithSections(plain, App1(b.Tiff(dirs))), rotated));
  EXPECT_EQ(rotated.Exif().orientation, 0);
  ASSERT_NE(rotated.ExifReader(), nullptr);
  EXPECT_STREQ(rotated.ExifReader()->LastError(), "Undefined rotation value");

  std::vector<Directory> deep(6);
  for (int i = 0; i < 5; ++i) deep[size_t(i)].tags = {Link(0x8769, i + 1)};
  deep[4].tags.push_back(Rational(0x011A, 240, 1));
  deep[4].tags.push_back(Short(0x0128, 2));
  GbImageJPG nested;
  ASSERT_TRUE(Decode(WithSections(plain, App1(b.Tiff(deep))), nested));
  EXPECT_STREQ(nested.ExifReader()->LastError(), "Maximum directory nesting exceeded (corrupt exif header)");
  EXPECT_EQ(nested.DpiX(), 240);
  EXPECT_EQ(nested.Width(), 16u);

  GbImageJPG garbage;  // an EXIF section that is not one
  ASSERT_TRUE(Decode(WithSections(plain, Section(0xE1, "Exif\x01\x02junk")), garbage));
  EXPECT_FALSE(garbage.Exif().isExif);
  EXPECT_EQ(garbage.DpiX(), 72);
}

TEST(JpegCodec, FailuresKeepTheirMessages) {
  GbImageJPG empty;
  EXPECT_FALSE(Decode("", empty));
  EXPECT_STREQ(empty.LastError(), "Empty input file");

  GbImageJPG notJpeg;
  EXPECT_FALSE(Decode("GIF89a....", notJpeg));
  EXPECT_STRNE(notJpeg.LastError(), "");

  GbImage img = Gradient(256, 256);
  const std::string bytes = Encode(img);
  GbImageJPG truncated;  // the scan data ends as if the end marker had come
  ASSERT_TRUE(Decode(bytes.substr(0, bytes.size() * 3 / 4), truncated)) << truncated.LastError();
  EXPECT_EQ(truncated.Height(), 256u);
  GbImageJPG headerOnly;
  EXPECT_FALSE(Decode(bytes.substr(0, 300), headerOnly));
  EXPECT_STRNE(headerOnly.LastError(), "");

  GbImageJPG cancelled;
  cancelled.SetEscape(1);
  EXPECT_FALSE(Decode(bytes, cancelled));
  EXPECT_STREQ(cancelled.LastError(), "");

  ShortDisk disk(1000);
  GbImage big = Gradient(200, 200);
  big.SetJpegQuality(100);
  EXPECT_FALSE(big.Encode(&disk, GB_TYPE_JPG));
  EXPECT_STREQ(big.LastError(), "Output file write error --- out of disk space?");

  GbImage none;
  EXPECT_FALSE(none.Encode(&disk, GB_TYPE_JPG));
  EXPECT_STREQ(none.LastError(), "null image!!!");
}

TEST(JpegCodec, StdioStreams) {
  gbtest::TempDir tmp;
  GbImage img = Gradient(20, 10);
  GbImageJPG writer;
  std::FILE* f = std::fopen(tmp.file("a.jpg").c_str(), "w+b");
  ASSERT_NE(f, nullptr);
  {
    GbImageLoan loan(img, writer);
    ASSERT_TRUE(writer.Encode(f));
  }
  std::rewind(f);
  GbImageJPG reader;
  EXPECT_TRUE(reader.Decode(f));
  std::fclose(f);
  EXPECT_EQ(reader.Width(), 20u);
  EXPECT_FALSE(reader.Decode(static_cast<std::FILE*>(nullptr)));
  EXPECT_STREQ(reader.LastError(), "null file handler");
}

TEST(JpegCodec, SharedTestFiles) {
  struct Case {
    const char* rel;
    int dpiX, dpiY, bits;
  } cases[] = {
      {"pillow/exif-200dpcm.jpg", 508, 508, 24},  // EXIF in centimetres over no JFIF
      {"pillow/photoshop-200dpi.jpg", 200, 200, 24}, {"pillow/hopper.jpg", 96, 96, 24},
      {"pillow/hopper_gray.jpg", 96, 96, 8},         {"pillow/jfif_unit_cm.jpg", 3, 5, 8},  // 1 and 2 dots per cm
      {"other/goldenears.jpg", 74, 75, 24},          {"pillow/pil_sample_cmyk.jpg", 72, 72, 24},
  };
  for (const Case& c : cases) {
    GbImageJPG codec;
    ASSERT_TRUE(Decode(TestFile(c.rel), codec)) << c.rel << ": " << codec.LastError();
    EXPECT_EQ(codec.DpiX(), c.dpiX) << c.rel;
    EXPECT_EQ(codec.DpiY(), c.dpiY) << c.rel;
    EXPECT_EQ(codec.BitsPerPixel(), uint32_t(c.bits)) << c.rel;
  }
  GbImageJPG rotated;
  ASSERT_TRUE(Decode(TestFile("pillow/hopper_orientation_6.jpg"), rotated));
  EXPECT_EQ(rotated.Exif().orientation, 6);
  GbImageJPG twelveBit;
  EXPECT_FALSE(Decode(TestFile("libjpeg-turbo/monkey12.jpg"), twelveBit));
  EXPECT_STREQ(twelveBit.LastError(), "Unsupported JPEG data precision 12");
}
