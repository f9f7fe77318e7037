// The PNG codec: the colour type and depth table, 2-bit widening, 16-bit
// high bytes, tRNS in its forms, pHYs, interlaced reading, and the encoder
// table with its transparency rules.
#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <string>
#include <vector>

#include "image/codecs/GbImagePNG.h"
#include "image/io/GbMemFile.h"
#include "tests/support/TestSupport.h"

namespace {

// A PNG written by libpng itself, rows given as libpng takes them.
struct PngSpec {
  uint32_t width = 4, height = 2;
  int colorType = PNG_COLOR_TYPE_GRAY, depth = 8;
  bool interlace = false;
  std::vector<std::vector<uint8_t>> rows;
  std::vector<png_color> palette;
  std::vector<uint8_t> alphas;  // palette tRNS
  bool key = false;             // grey or RGB tRNS
  png_color_16 keyColour{};
  bool phys = false;
  uint32_t ppmX = 0, ppmY = 0;
  int unit = PNG_RESOLUTION_METER;
};

void collect(png_structp png, png_bytep data, size_t n) {
  static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<char*>(data), n);
}
void noFlush(png_structp) {}

std::string WritePng(const PngSpec& s) {
  std::string out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(png, &out, collect, noFlush);
  png_set_IHDR(png, info, s.width, s.height, s.depth, s.colorType,
               s.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!s.palette.empty()) png_set_PLTE(png, info, s.palette.data(), int(s.palette.size()));
  if (!s.alphas.empty()) png_set_tRNS(png, info, s.alphas.data(), int(s.alphas.size()), nullptr);
  if (s.key) png_set_tRNS(png, info, nullptr, 1, const_cast<png_color_16*>(&s.keyColour));
  if (s.phys) png_set_pHYs(png, info, s.ppmX, s.ppmY, s.unit);
  png_write_info(png, info);
  const int passes = s.interlace ? png_set_interlace_handling(png) : 1;
  for (int p = 0; p < passes; ++p)
    for (const auto& row : s.rows) png_write_row(png, const_cast<uint8_t*>(row.data()));
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

bool Decode(const std::string& bytes, GbImage& image) {
  GbMemFile in(reinterpret_cast<uint8_t*>(const_cast<char*>(bytes.data())), int32_t(bytes.size()));
  GbImagePNG codec;
  codec.CopySettingsFrom(image);
  codec.SetEscape(image.Escape());
  const bool ok = codec.Decode(&in);
  if (ok)
    image.TakeOver(codec);
  else
    image.SetLastError(codec.LastError());
  return ok;
}

std::string Encode(GbImage& image) {
  GbMemFile out;
  EXPECT_TRUE(out.Open());
  EXPECT_TRUE(image.Encode(&out, GB_TYPE_PNG)) << image.LastError();
  return std::string(reinterpret_cast<const char*>(out.GetBuffer()), size_t(out.Size()));
}

std::string Suite(const std::string& name) { return gbtest::ReadFile(gbtest::TestData() / "png" / "pngsuite" / name); }

struct Chunk {
  std::string type, data;
};
std::vector<Chunk> Chunks(const std::string& png) {
  std::vector<Chunk> out;
  for (size_t at = 8; at + 12 <= png.size();) {
    const uint32_t n = (uint32_t(uint8_t(png[at])) << 24) | (uint8_t(png[at + 1]) << 16) | (uint8_t(png[at + 2]) << 8) |
                       uint8_t(png[at + 3]);
    out.push_back({png.substr(at + 4, 4), png.substr(at + 8, n)});
    at += 12 + n;
  }
  return out;
}
const Chunk* FindChunk(const std::vector<Chunk>& chunks, const std::string& type) {
  for (const Chunk& c : chunks)
    if (c.type == type) return &c;
  return nullptr;
}

// Same size, same colour at every pixel, same alpha.
void ExpectSamePixels(const GbImage& a, const GbImage& b, const std::string& what) {
  ASSERT_EQ(a.Width(), b.Width()) << what;
  ASSERT_EQ(a.Height(), b.Height()) << what;
  ASSERT_EQ(a.HasAlpha(), b.HasAlpha()) << what;
  for (uint32_t y = 0; y < a.Height(); ++y)
    for (uint32_t x = 0; x < a.Width(); ++x) {
      const RGBQUAD p = a.ReadPixelColor(x, y, true), q = b.ReadPixelColor(x, y, true);
      ASSERT_TRUE(p.rgbRed == q.rgbRed && p.rgbGreen == q.rgbGreen && p.rgbBlue == q.rgbBlue)
          << what << " at " << x << "," << y;
      if (a.HasAlpha()) {
        ASSERT_EQ(p.rgbReserved, q.rgbReserved) << what << " alpha at " << x << "," << y;
      }
    }
}

}  // namespace

TEST(PngDecode, ColourTypeAndDepthTable) {
  struct Case {
    const char* file;
    uint32_t bits;
    bool alpha, greyRamp;
  } cases[] = {
      {"basn0g01.png", 1, false, false},  {"basn0g02.png", 4, false, false}, {"basn0g04.png", 4, false, false},
      {"basn0g08.png", 8, false, true},   {"basn0g16.png", 8, false, true},  {"basn2c08.png", 24, false, false},
      {"basn2c16.png", 24, false, false}, {"basn3p01.png", 1, false, false}, {"basn3p02.png", 4, false, false},
      {"basn3p04.png", 4, false, false},  {"basn3p08.png", 8, false, false}, {"basn4a08.png", 8, true, true},
      {"basn4a16.png", 8, true, true},    {"basn6a08.png", 24, true, false}, {"basn6a16.png", 24, true, false},
  };
  for (const Case& c : cases) {
    GbImage img;
    ASSERT_TRUE(Decode(Suite(c.file), img)) << c.file << ": " << img.LastError();
    EXPECT_EQ(img.FileType(), uint32_t(GB_TYPE_PNG));
    EXPECT_EQ(img.BitsPerPixel(), c.bits) << c.file;
    EXPECT_EQ(img.HasAlpha(), c.alpha) << c.file;
    EXPECT_EQ(img.IsGreyScale(), c.greyRamp) << c.file;
    EXPECT_EQ(img.DpiX(), 96) << c.file;  // no pHYs
  }
  GbImage grey4;
  ASSERT_TRUE(Decode(Suite("basn0g04.png"), grey4));
  EXPECT_EQ(grey4.PaletteColor(15).rgbGreen, 255);
  EXPECT_EQ(grey4.PaletteColor(3).rgbGreen, 51);
  GbImage plte;
  ASSERT_TRUE(Decode(Suite("basn3p08.png"), plte));
  EXPECT_EQ(plte.ColorsImportant(), 256u);
  GbImage plte2;
  ASSERT_TRUE(Decode(Suite("basn3p02.png"), plte2));
  EXPECT_EQ(plte2.ColorsImportant(), 4u);
}

TEST(PngDecode, TwoBitGreyWidensToNibbles) {
  PngSpec s;
  s.width = 7;
  s.height = 3;
  s.depth = 2;
  for (uint32_t r = 0; r < 3; ++r) {
    std::vector<uint8_t> row(2, 0);
    for (uint32_t x = 0; x < 7; ++x) row[x / 4] |= uint8_t(((x + r) & 3) << (6 - 2 * (x % 4)));
    s.rows.push_back(row);
  }
  for (bool interlace : {false, true}) {
    s.interlace = interlace;
    GbImage img;
    ASSERT_TRUE(Decode(WritePng(s), img)) << img.LastError();
    ASSERT_EQ(img.BitsPerPixel(), 4u);
    for (uint32_t i = 0; i < 16; ++i) {
      const uint8_t g = i < 4 ? uint8_t(i * 85) : 0;
      EXPECT_EQ(img.PaletteColor(i).rgbRed, g);
      EXPECT_EQ(img.PaletteColor(i).rgbBlue, g);
    }
    for (uint32_t r = 0; r < 3; ++r)
      for (uint32_t x = 0; x < 7; ++x) EXPECT_EQ(img.ReadPixelIndex(x, 2 - r), (x + r) & 3) << x << "," << r;
  }
}

TEST(PngDecode, SixteenBitSamplesKeepTheirHighByte) {
  PngSpec s;
  s.width = 2;
  s.height = 1;
  s.colorType = PNG_COLOR_TYPE_RGB;
  s.depth = 16;
  s.rows = {{0x12, 0xFF, 0x34, 0x01, 0x56, 0x80, 0xAB, 0x7F, 0xCD, 0x00, 0xEF, 0xFF}};
  GbImage img;
  ASSERT_TRUE(Decode(WritePng(s), img));
  ASSERT_EQ(img.BitsPerPixel(), 24u);
  RGBQUAD p = img.ReadPixelColor(0, 0), q = img.ReadPixelColor(1, 0);
  EXPECT_EQ(p.rgbRed, 0x12);
  EXPECT_EQ(p.rgbGreen, 0x34);
  EXPECT_EQ(p.rgbBlue, 0x56);
  EXPECT_EQ(q.rgbRed, 0xAB);
  EXPECT_EQ(q.rgbGreen, 0xCD);
  EXPECT_EQ(q.rgbBlue, 0xEF);

  s.colorType = PNG_COLOR_TYPE_GRAY_ALPHA;  // grey, alpha
  s.rows = {{0x40, 0x11, 0x90, 0x22, 0xC0, 0x33, 0x20, 0x44}};
  GbImage ga;
  ASSERT_TRUE(Decode(WritePng(s), ga));
  EXPECT_EQ(ga.ReadPixelIndex(0, 0), 0x40);
  EXPECT_EQ(ga.ReadAlpha(0, 0), 0x90);
  EXPECT_EQ(ga.ReadPixelIndex(1, 0), 0xC0);
  EXPECT_EQ(ga.ReadAlpha(1, 0), 0x20);
}

TEST(PngDecode, InterlacedFilesMatchTheirPlainTwins) {
  for (const char* kind : {"0g01", "0g02", "0g04", "0g08", "0g16", "2c08", "2c16", "3p01", "3p02", "3p04", "3p08",
                           "4a08", "4a16", "6a08", "6a16"}) {
    GbImage plain, interlaced;
    ASSERT_TRUE(Decode(Suite(std::string("basn") + kind + ".png"), plain));
    ASSERT_TRUE(Decode(Suite(std::string("basi") + kind + ".png"), interlaced)) << kind;
    ExpectSamePixels(plain, interlaced, kind);
    EXPECT_EQ(plain.CodecOption(GB_TYPE_PNG), 0u);
    EXPECT_EQ(interlaced.CodecOption(GB_TYPE_PNG), 1u);
  }
  for (int size = 1; size <= 9; ++size) {  // passes that are empty for small sizes
    char n[12], i[32], p[32];
    std::snprintf(n, sizeof n, "%02d", size);
    std::snprintf(i, sizeof i, "s%si3p0%d.png", n, size < 5 ? 1 : 2);
    std::snprintf(p, sizeof p, "s%sn3p0%d.png", n, size < 5 ? 1 : 2);
    GbImage a, b;
    ASSERT_TRUE(Decode(Suite(i), a)) << i;
    ASSERT_TRUE(Decode(Suite(p), b)) << p;
    ExpectSamePixels(a, b, i);
  }
}

TEST(PngDecode, TransparencyForms) {
  PngSpec s;
  s.colorType = PNG_COLOR_TYPE_PALETTE;
  s.rows = {{0, 1, 2, 3}, {3, 2, 1, 0}};
  s.palette = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}, {100, 110, 120}};
  s.alphas = {10, 20, 30};
  GbImage three;
  ASSERT_TRUE(Decode(WritePng(s), three));
  EXPECT_TRUE(three.PaletteAlphaEnabled());
  EXPECT_EQ(three.PaletteColor(0).rgbReserved, 10);
  EXPECT_EQ(three.PaletteColor(2).rgbReserved, 30);
  EXPECT_EQ(three.PaletteColor(3).rgbReserved, 255);
  EXPECT_EQ(three.PaletteColor(255).rgbReserved, 255);
  EXPECT_FALSE(three.HasBackgroundIndex());

  s.alphas = {0};  // one transparent entry: the colour key
  GbImage single;
  ASSERT_TRUE(Decode(WritePng(s), single));
  EXPECT_EQ(single.BackgroundIndex(), 0);
  EXPECT_FALSE(single.PaletteAlphaEnabled());

  s.alphas = {128};  // one half-transparent entry stays half-transparent
  GbImage half;
  ASSERT_TRUE(Decode(WritePng(s), half));
  EXPECT_FALSE(half.HasBackgroundIndex());
  EXPECT_TRUE(half.PaletteAlphaEnabled());
  EXPECT_EQ(half.PaletteColor(0).rgbReserved, 128);
  EXPECT_EQ(half.PaletteColor(1).rgbReserved, 255);

  // A 16-bit key matches 16-bit samples only: 0x6666 is not 0x6677.
  for (int colorType : {PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_RGB})
    for (bool interlace : {false, true}) {
      PngSpec g;
      g.colorType = colorType;
      g.depth = 16;
      g.interlace = interlace;
      const size_t n = colorType == PNG_COLOR_TYPE_RGB ? 3 : 1;
      std::vector<uint8_t> keyed, near;
      for (size_t i = 0; i < 4 * n; ++i) {
        keyed.insert(keyed.end(), {0x66, uint8_t(i / n % 2 ? 0x77 : 0x66)});
        near.insert(near.end(), {0x66, 0x66});
      }
      g.rows = {near, keyed};
      g.key = true;
      g.keyColour.gray = g.keyColour.red = g.keyColour.green = g.keyColour.blue = 0x6677;
      GbImage grey;
      ASSERT_TRUE(Decode(WritePng(g), grey));
      EXPECT_FALSE(grey.HasBackgroundIndex());
      ASSERT_TRUE(grey.HasAlpha()) << colorType;
      for (long x = 0; x < 4; ++x) {
        EXPECT_EQ(grey.ReadAlpha(x, 1), 255) << colorType << " " << interlace << " " << x;
        EXPECT_EQ(grey.ReadAlpha(x, 0), x % 2 ? 0 : 255) << colorType << " " << interlace << " " << x;
        EXPECT_EQ(grey.ReadPixelColor(x, 0, false).rgbGreen, 0x66);
      }
    }

  PngSpec c;
  c.colorType = PNG_COLOR_TYPE_RGB;
  c.rows = {std::vector<uint8_t>(12, 7), std::vector<uint8_t>(12, 9)};
  c.key = true;
  c.keyColour.red = 200;
  c.keyColour.green = 100;
  c.keyColour.blue = 50;
  GbImage rgb;
  ASSERT_TRUE(Decode(WritePng(c), rgb));
  EXPECT_EQ(rgb.BackgroundIndex(), 0);
  const RGBQUAD k = rgb.BackgroundColor();
  EXPECT_EQ(k.rgbRed, 200);
  EXPECT_EQ(k.rgbGreen, 100);
  EXPECT_EQ(k.rgbBlue, 50);
}

TEST(PngDecode, Resolution) {
  PngSpec s;
  s.rows = {std::vector<uint8_t>(4, 1), std::vector<uint8_t>(4, 2)};
  s.phys = true;
  s.ppmX = 3780;
  s.ppmY = 11811;
  GbImage metres;
  ASSERT_TRUE(Decode(WritePng(s), metres));
  EXPECT_EQ(metres.DpiX(), 96);
  EXPECT_EQ(metres.DpiY(), 300);
  s.unit = PNG_RESOLUTION_UNKNOWN;  // aspect only: the numbers as they are
  s.ppmX = 2;
  s.ppmY = 3;
  GbImage aspect;
  ASSERT_TRUE(Decode(WritePng(s), aspect));
  EXPECT_EQ(aspect.DpiX(), 2);
  EXPECT_EQ(aspect.DpiY(), 3);
}

TEST(PngDecode, CorruptFilesFailWithLibpngsMessage) {
  const std::pair<const char*, const char*> cases[] = {
      {"xs1n0g01.png", "Not a PNG file"},    {"xs7n0g01.png", "PNG file corrupted by ASCII conversion"},
      {"xhdn0g08.png", "IHDR: CRC error"},   {"xcsn0g01.png", "IDAT: CRC error"},
      {"xd9n2c08.png", "Invalid IHDR data"}, {"xdtn0g01.png", "IEND: out of place"},
  };
  for (const auto& [file, message] : cases) {
    GbImage img;
    EXPECT_FALSE(Decode(Suite(file), img)) << file;
    EXPECT_STREQ(img.LastError(), message) << file;
    EXPECT_FALSE(img.HasPixels());
  }
  const std::string good = Suite("basn2c08.png");
  GbImage cut;
  EXPECT_FALSE(Decode(good.substr(0, good.size() - 40), cut));
  EXPECT_STREQ(cut.LastError(), "Read Error");

  GbImage probe;
  GbMemFile in(reinterpret_cast<uint8_t*>(const_cast<char*>(good.data())), int32_t(good.size()));
  uint32_t width = 0, height = 0;
  ASSERT_TRUE(probe.ProbeSize(&in, GB_TYPE_PNG, width, height));
  EXPECT_EQ(probe.Width(), 32u);
  EXPECT_FALSE(probe.HasPixels());

  GbImage cancelled;
  cancelled.SetEscape(1);
  EXPECT_FALSE(Decode(good, cancelled));
  EXPECT_STREQ(cancelled.LastError(), "");
}

TEST(PngEncode, TheEncoderTable) {
  struct Case {
    uint32_t bits;
    bool grey, alpha;
    int colorType, depth;
    bool plte;
  } cases[] = {
      {8, true, false, 0, 8, false},  {1, false, false, 3, 1, true},   {4, false, false, 3, 4, true},
      {8, false, false, 3, 8, true},  {24, false, false, 2, 8, false}, {8, true, true, 4, 8, false},
      {24, false, true, 6, 8, false}, {8, false, true, 6, 8, false},  // colour palette + alpha: RGBA
  };
  for (const Case& c : cases) {
    GbImage img(9, 5, c.bits, GB_TYPE_BMP);
    if (c.grey)
      img.SetGreyPalette();
    else if (c.bits <= 8)
      img.SetStandardPalette();
    for (uint32_t y = 0; y < 5; ++y)
      for (uint32_t x = 0; x < 9; ++x) {
        if (c.bits <= 8)
          img.WritePixelIndex(x, y, uint8_t((x * 7 + y * 3) % (1u << c.bits)));
        else
          img.WritePixelColor(x, y, RGBQUAD{uint8_t(x * 20), uint8_t(y * 40), 99, 0});
      }
    if (c.alpha) {
      img.CreateAlpha();
      for (uint32_t y = 0; y < 5; ++y)
        for (uint32_t x = 0; x < 9; ++x) img.WriteAlpha(x, y, uint8_t(x * 25 + y));
    }
    const std::string bytes = Encode(img);
    const auto chunks = Chunks(bytes);
    ASSERT_EQ(chunks[0].type, "IHDR");
    EXPECT_EQ(int(uint8_t(chunks[0].data[9])), c.colorType) << c.bits;
    EXPECT_EQ(int(uint8_t(chunks[0].data[8])), c.depth) << c.bits;
    EXPECT_EQ(FindChunk(chunks, "PLTE") != nullptr, c.plte) << c.bits;
    EXPECT_NE(FindChunk(chunks, "bKGD"), nullptr);
    EXPECT_NE(FindChunk(chunks, "pHYs"), nullptr);
    EXPECT_EQ(FindChunk(chunks, "tRNS"), nullptr);
    GbImage back;
    ASSERT_TRUE(Decode(bytes, back));
    ExpectSamePixels(img, back, "table");
  }
}

TEST(PngEncode, InterlacingSurvivesLoadAndSave) {
  GbImage img;
  ASSERT_TRUE(Decode(Suite("basi6a08.png"), img));
  const std::string bytes = Encode(img);
  EXPECT_EQ(uint8_t(Chunks(bytes)[0].data[12]), 1);  // Adam7
  GbImage back;
  ASSERT_TRUE(Decode(bytes, back));
  ExpectSamePixels(img, back, "interlaced");

  GbImage plain;
  ASSERT_TRUE(Decode(Suite("basn6a08.png"), plain));
  EXPECT_EQ(uint8_t(Chunks(Encode(plain))[0].data[12]), 0);
}

TEST(PngEncode, TransparentColourMovesToEntryZero) {
  GbImage img(6, 2, 8, GB_TYPE_BMP);
  img.SetStandardPalette();
  for (uint32_t x = 0; x < 6; ++x) {
    img.WritePixelIndex(x, 0, uint8_t(x));
    img.WritePixelIndex(x, 1, 5);
  }
  img.SetBackgroundIndex(5);
  std::vector<RGBQUAD> before(img.Palette(), img.Palette() + 256);
  const std::string bytes = Encode(img);
  const auto chunks = Chunks(bytes);
  const Chunk* plte = FindChunk(chunks, "PLTE");
  const Chunk* trns = FindChunk(chunks, "tRNS");
  ASSERT_TRUE(plte && trns);
  EXPECT_EQ(uint8_t(plte->data[0]), before[5].rgbRed);
  EXPECT_EQ(uint8_t(plte->data[1]), before[5].rgbGreen);
  EXPECT_EQ(uint8_t(plte->data[2]), before[5].rgbBlue);
  EXPECT_EQ(uint8_t(plte->data[15]), before[0].rgbRed);
  EXPECT_EQ(trns->data, std::string(1, '\0'));
  // The image itself is as it was.
  EXPECT_EQ(std::memcmp(before.data(), img.Palette(), 256 * sizeof(RGBQUAD)), 0);
  EXPECT_EQ(img.ReadPixelIndex(0, 0), 0);
  EXPECT_EQ(img.ReadPixelIndex(5, 0), 5);
  GbImage back;
  ASSERT_TRUE(Decode(bytes, back));
  EXPECT_EQ(back.BackgroundIndex(), 0);
  ExpectSamePixels(img, back, "swapped");
  for (uint32_t x = 0; x < 6; ++x) EXPECT_EQ(back.IsTransparentAt(x, 1), true);
  EXPECT_FALSE(back.IsTransparentAt(0, 0));

  // Grey and RGB images key by value; the grey level is the index.
  GbImage grey(4, 1, 8, GB_TYPE_BMP);
  grey.SetGreyPalette();
  grey.Fill(9);
  grey.SetBackgroundIndex(9);
  const auto greyChunks = Chunks(Encode(grey));
  const Chunk* greyKey = FindChunk(greyChunks, "tRNS");
  ASSERT_NE(greyKey, nullptr);
  EXPECT_EQ(greyKey->data, std::string("\0\x09", 2));

  GbImage mono(10, 1, 1, GB_TYPE_BMP);  // the key is index 1: indices flip
  mono.SetPaletteColor(0, 0, 0, 0);
  mono.SetPaletteColor(1, 255, 0, 0);
  for (uint32_t x = 0; x < 10; ++x) mono.WritePixelIndex(x, 0, uint8_t(x & 1));
  mono.SetBackgroundIndex(1);
  GbImage monoBack;
  ASSERT_TRUE(Decode(Encode(mono), monoBack));
  ExpectSamePixels(mono, monoBack, "1 bit");
  EXPECT_TRUE(monoBack.IsTransparentAt(1, 0));
}

TEST(PngEncode, PaletteAlphaAndShortPalettes) {
  GbImage img(4, 4, 8, GB_TYPE_BMP);
  for (uint32_t i = 0; i < 4; ++i) img.SetPaletteColor(i, uint8_t(i * 60), 10, 20, uint8_t(i * 80));
  for (uint32_t y = 0; y < 4; ++y)
    for (uint32_t x = 0; x < 4; ++x) img.WritePixelIndex(x, y, uint8_t((x + y) % 4));
  img.SetColorsImportant(4);
  img.EnablePaletteAlpha(true);
  const std::string bytes = Encode(img);
  const auto chunks = Chunks(bytes);
  EXPECT_EQ(FindChunk(chunks, "PLTE")->data.size(), 12u);
  EXPECT_EQ(FindChunk(chunks, "tRNS")->data, std::string("\0\x50\xA0\xF0", 4));
  GbImage back;
  ASSERT_TRUE(Decode(bytes, back));
  EXPECT_TRUE(back.PaletteAlphaEnabled());
  EXPECT_EQ(back.PaletteColor(2).rgbReserved, 160);

  // Pixels using entries beyond the important ones keep them in the file.
  img.EnablePaletteAlpha(false);
  img.SetColorsImportant(2);
  const auto shortChunks = Chunks(Encode(img));
  EXPECT_EQ(FindChunk(shortChunks, "PLTE")->data.size(), 12u);
}

TEST(PngEncode, ColourKeyClearsAlphaInTheImage) {
  GbImage img(3, 1, 24, GB_TYPE_BMP);
  const RGBQUAD key{1, 2, 3, 0};
  img.WritePixelColor(0, 0, key);
  img.WritePixelColor(1, 0, RGBQUAD{9, 9, 9, 0});
  img.WritePixelColor(2, 0, key);
  img.CreateAlpha();
  img.SetBackgroundColor(key);
  img.SetBackgroundIndex(0);
  const std::string bytes = Encode(img);
  EXPECT_EQ(img.ReadAlpha(0, 0), 0);
  EXPECT_EQ(img.ReadAlpha(1, 0), 255);
  EXPECT_EQ(img.ReadAlpha(2, 0), 0);
  const auto chunks = Chunks(bytes);
  EXPECT_EQ(uint8_t(chunks[0].data[9]), 6);
  EXPECT_EQ(FindChunk(chunks, "tRNS"), nullptr);  // the alpha channel says it
}

TEST(PngEncode, FailuresSayErrorSavingPngFile) {
  class Full : public GbMemFile {
   public:
    Full() { Open(); }
    size_t Write(const void*, size_t, size_t) override { return 0; }
  } full;
  GbImage img(16, 16, 24, GB_TYPE_BMP);
  img.Fill(3);
  EXPECT_FALSE(img.Encode(&full, GB_TYPE_PNG));
  EXPECT_STREQ(img.LastError(), "Error saving PNG file");
  GbImage none;
  EXPECT_FALSE(none.Encode(&full, GB_TYPE_PNG));
  EXPECT_STREQ(none.LastError(), "null image!!!");
}

// The batch write settings change only how hard zlib works and which row
// filter is used: the pixels read back the same, and once reset the file is
// byte for byte what the default writer makes.
TEST(PngEncode, BatchLevelAndFilterKeepThePixelsAndResetToTheDefaultBytes) {
  uint32_t seed = 99;
  const auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return uint8_t(seed >> 24);
  };
  struct Shape {
    uint32_t w, h, bpp;
    bool alpha;
  };
  for (const Shape& s :
       {Shape{61, 37, 24, false}, Shape{1, 29, 24, true}, Shape{33, 1, 8, false}, Shape{17, 9, 4, false}}) {
    SCOPED_TRACE(testing::Message() << s.w << " x " << s.h << ", " << s.bpp << " bits" << (s.alpha ? " + alpha" : ""));
    GbImage image(s.w, s.h, s.bpp, GB_TYPE_PNG);
    if (s.bpp < 24)
      for (uint32_t i = 0; i < (1u << s.bpp); ++i) image.SetPaletteColor(i, next(), next(), next());
    for (uint32_t y = 0; y < s.h; ++y)
      for (uint32_t x = 0; x < s.w; ++x) {
        // Smooth ramps with some noise, so that the filters matter.
        if (s.bpp == 24)
          image.WritePixelColor(
              long(x), long(y),
              RGBQUAD{uint8_t(x * 3 + (next() & 7)), uint8_t(y * 5), uint8_t(x + y + (next() & 3)), 0});
        else
          image.WritePixelIndex(long(x), long(y), uint8_t(next() % (1u << s.bpp)));
      }
    if (s.alpha) {
      ASSERT_TRUE(image.CreateAlpha());
      for (uint32_t y = 0; y < s.h; ++y) image.WriteAlpha(0, long(y), next());
    }
    const std::string plain = Encode(image);
    GbImage plainBack;
    ASSERT_TRUE(Decode(plain, plainBack));
    for (const auto& [level, filter] : {std::pair{1, 0}, std::pair{9, 4}, std::pair{0, 1}, std::pair{3, 5}}) {
      GbImagePNG::SetWriteSettings(level, filter);
      const std::string fast = Encode(image);
      GbImagePNG::SetWriteSettings(-1, -1);
      GbImage back;
      ASSERT_TRUE(Decode(fast, back));
      ASSERT_EQ(back.BitsPerPixel(), plainBack.BitsPerPixel());
      ASSERT_EQ(back.HasAlpha(), plainBack.HasAlpha());
      for (uint32_t y = 0; y < s.h; ++y)
        for (uint32_t x = 0; x < s.w; ++x) {
          ASSERT_EQ(back.ReadPixelColor(long(x), long(y), true), plainBack.ReadPixelColor(long(x), long(y), true))
              << level << "/" << filter << " at " << x << "," << y;
        }
      if (s.bpp == 24 && level == 0) {
        EXPECT_GT(fast.size(), plain.size());
      }
    }
    EXPECT_EQ(Encode(image), plain);
  }
}
