// The GIF codec: frame counting, composition and disposal, interlacing,
// transparency, comments and loops, the bad-code rules, the three code
// stream modes (checked against Pillow too), the mosaic and animations.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "image/codecs/GbImageGIF.h"
#include "image/codecs/GifCodeStream.h"
#include "image/io/GbMemFile.h"
#include "tests/support/TestSupport.h"

namespace {

std::string ToBytes(GbMemFile& f) {
  return std::string(reinterpret_cast<const char*>(f.GetBuffer()), size_t(f.Size()));
}

std::string Encode(GbImage& img, uint32_t mode = GIF_LZW) {
  img.SetCodecOption(mode, GB_TYPE_GIF);
  GbMemFile out;
  EXPECT_TRUE(out.Open());
  EXPECT_TRUE(img.Encode(&out, GB_TYPE_GIF)) << img.LastError();
  return ToBytes(out);
}

std::string EncodeAnimation(GbImageGIF& gif, std::vector<GbImage*> frames, bool localTables, bool localDisposal) {
  GbMemFile out;
  EXPECT_TRUE(out.Open());
  EXPECT_TRUE(gif.Encode(&out, frames.data(), long(frames.size()), localTables, localDisposal)) << gif.LastError();
  return ToBytes(out);
}

// Decodes one frame through the dispatch, as the program does.
bool Decode(const std::string& bytes, GbImage& img, long frame = 0, bool all = false) {
  GbMemFile in(reinterpret_cast<uint8_t*>(const_cast<char*>(bytes.data())), int32_t(bytes.size()));
  img.SetFrame(frame);
  img.SetRetrieveAllFrames(all);
  return img.Decode(&in, GB_TYPE_GIF);
}

bool DecodeWith(GbImageGIF& gif, const std::string& bytes) {
  GbMemFile in(reinterpret_cast<uint8_t*>(const_cast<char*>(bytes.data())), int32_t(bytes.size()));
  return gif.Decode(&in);
}

GbImage PaletteImage(uint32_t w, uint32_t h, uint32_t bits, uint32_t seed, bool runs) {
  GbImage img(w, h, bits, GB_TYPE_BMP);
  img.SetStandardPalette();
  std::mt19937 rng(seed);
  const uint32_t colours = 1u << bits;
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) {
      // Long runs on the left, noise on the right.
      const uint32_t v = runs && x < w / 2 ? (y / 3) % colours : rng() % colours;
      img.WritePixelIndex(x, y, uint8_t(v));
    }
  return img;
}

uint32_t Rgb(const GbImage& img, long x, long y) {
  const RGBQUAD c = img.ReadPixelColor(x, y, false);
  return (uint32_t(c.rgbRed) << 16) | (uint32_t(c.rgbGreen) << 8) | c.rgbBlue;
}

void ExpectSameColours(const GbImage& a, const GbImage& b, const std::string& what) {
  ASSERT_EQ(a.Width(), b.Width()) << what;
  ASSERT_EQ(a.Height(), b.Height()) << what;
  for (uint32_t y = 0; y < a.Height(); ++y)
    for (uint32_t x = 0; x < a.Width(); ++x) ASSERT_EQ(Rgb(a, x, y), Rgb(b, x, y)) << what << " at " << x << "," << y;
}

// Pillow's reading of frame n, top row first, as 0xRRGGBB.
std::vector<uint32_t> Pillow(const std::string& gif, int frame, uint32_t& w, uint32_t& h) {
  gbtest::TempDir tmp;
  const std::string in = tmp.file("in.gif"), out = tmp.file("out.ppm");
  gbtest::WriteFile(in, gif);
  const std::string cmd =
      "/usr/bin/python3 -c \"import sys; from PIL import Image; im = Image.open(sys.argv[1]); "
      "im.seek(int(sys.argv[3])); im.convert('RGB').save(sys.argv[2])\" '" +
      in + "' '" + out + "' " + std::to_string(frame) + " 2>/dev/null";
  if (gbtest::Run(cmd) != 0) return {};
  const std::string ppm = gbtest::ReadFile(out);
  unsigned width = 0, height = 0, max = 0;
  int header = 0;
  if (std::sscanf(ppm.c_str(), "P6 %u %u %u%n", &width, &height, &max, &header) != 3) return {};
  w = width;
  h = height;
  std::vector<uint32_t> px(size_t(w) * h);
  const uint8_t* p = reinterpret_cast<const uint8_t*>(ppm.data()) + header + 1;
  for (size_t i = 0; i < px.size(); ++i, p += 3) px[i] = (uint32_t(p[0]) << 16) | (p[1] << 8) | p[2];
  return px;
}

void ExpectPillowAgrees(const std::string& gif, int frame, const GbImage& ours, const std::string& what) {
  uint32_t w = 0, h = 0;
  const std::vector<uint32_t> ref = Pillow(gif, frame, w, h);
  ASSERT_FALSE(ref.empty()) << what << ": Pillow could not read it";
  ASSERT_EQ(w, ours.Width()) << what;
  ASSERT_EQ(h, ours.Height()) << what;
  for (uint32_t t = 0; t < h; ++t)
    for (uint32_t x = 0; x < w; ++x)
      ASSERT_EQ(ref[size_t(t) * w + x], Rgb(ours, x, h - 1 - t)) << what << " at " << x << "," << t;
}

// The blocks of a GIF file: ',' image descriptors and '!' extensions.
struct Block {
  char kind;
  uint8_t label;  // extensions
  size_t at;      // offset of the introducer
  uint32_t left, top, width, height;
  uint8_t codeSize;  // images
};
std::vector<Block> Blocks(const std::string& gif) {
  std::vector<Block> out;
  const auto* d = reinterpret_cast<const uint8_t*>(gif.data());
  size_t at = 13 + ((d[10] & 0x80) ? 3 * (2u << (d[10] & 7)) : 0);
  auto skipSubBlocks = [&](size_t p) {
    while (p < gif.size() && d[p]) p += d[p] + 1;
    return p + 1;
  };
  while (at < gif.size() && d[at] != ';') {
    Block b{char(d[at]), 0, at, 0, 0, 0, 0, 0};
    if (d[at] == '!') {
      b.label = d[at + 1];
      at = skipSubBlocks(at + 2);
    } else {
      b.left = d[at + 1] | (d[at + 2] << 8);
      b.top = d[at + 3] | (d[at + 4] << 8);
      b.width = d[at + 5] | (d[at + 6] << 8);
      b.height = d[at + 7] | (d[at + 8] << 8);
      size_t p = at + 10 + ((d[at + 9] & 0x80) ? 3 * (2u << (d[at + 9] & 7)) : 0);
      b.codeSize = d[p];
      at = skipSubBlocks(p + 1);
    }
    out.push_back(b);
  }
  return out;
}

// Hand-made files: codes packed by the test itself.
class CodeBits {
 public:
  void Put(uint32_t code, int bits) {
    acc_ |= code << held_;
    held_ += bits;
    while (held_ >= 8) {
      bytes_ += char(acc_ & 0xFF);
      acc_ >>= 8;
      held_ -= 8;
    }
  }
  std::string SubBlocks() {
    if (held_) bytes_ += char(acc_ & 0xFF);
    std::string out;
    for (size_t i = 0; i < bytes_.size(); i += 255) {
      const std::string part = bytes_.substr(i, 255);
      out += char(part.size());
      out += part;
    }
    return out + std::string(1, '\0');
  }

 private:
  std::string bytes_;
  uint32_t acc_ = 0;
  int held_ = 0;
};

std::string Header(uint16_t w, uint16_t h, int tableBits) {
  std::string s = "GIF89a";
  s += char(w & 0xFF), s += char(w >> 8), s += char(h & 0xFF), s += char(h >> 8);
  s += char(tableBits ? 0x80 | (tableBits - 1) : 0);
  s += std::string(2, '\0');
  for (int i = 0; i < (tableBits ? 1 << tableBits : 0); ++i) s += {char(i * 40), char(i * 20), char(255 - i * 30)};
  return s;
}

std::string Descriptor(uint16_t left, uint16_t top, uint16_t w, uint16_t h, uint8_t flags = 0) {
  std::string s = ",";
  for (uint16_t v : {left, top, w, h}) s += char(v & 0xFF), s += char(v >> 8);
  return s + char(flags);
}

}  // namespace

TEST(GifEncode, HeaderFlagsAndMinimumCodeSize) {
  struct Case {
    uint32_t bits;
    uint8_t flags, codeSize;
  } cases[] = {{8, 0xE7, 8}, {4, 0xE3, 4}, {1, 0x80, 2}};
  for (const Case& c : cases) {
    GbImage img = PaletteImage(12, 7, c.bits, 1, false);
    const std::string gif = Encode(img);
    EXPECT_EQ(gif.substr(0, 6), "GIF89a");
    EXPECT_EQ(uint8_t(gif[10]), c.flags);
    const auto blocks = Blocks(gif);
    ASSERT_EQ(blocks.size(), 2u);  // control extension, image
    EXPECT_EQ(blocks[0].label, 0xF9);
    EXPECT_EQ(blocks[1].codeSize, c.codeSize);
    EXPECT_EQ(gif.back(), ';');
  }
}

TEST(GifEncode, ThreeCodeStreamModesDecodeAlike) {
  gbtest::TempDir tmp;
  struct Case {
    uint32_t w, h, bits;
    bool runs;
  } cases[] = {{131, 70, 8, true}, {120, 90, 8, false}, {37, 23, 4, true}, {50, 9, 1, false}, {300, 300, 8, true}};
  for (const Case& c : cases) {
    GbImage img = PaletteImage(c.w, c.h, c.bits, c.w, c.runs);
    std::vector<size_t> sizes;
    for (uint32_t mode : {GIF_LZW, GIF_UNCOMPRESSED, GIF_RUN_LENGTH}) {
      const std::string what = std::to_string(c.w) + "x" + std::to_string(c.h) + " mode " + std::to_string(mode);
      const std::string gif = Encode(img, mode);
      sizes.push_back(gif.size());
      GbImage back;
      ASSERT_TRUE(Decode(gif, back)) << what;
      ASSERT_EQ(back.BitsPerPixel(), c.bits);
      for (uint32_t y = 0; y < c.h; ++y)
        for (uint32_t x = 0; x < c.w; ++x)
          ASSERT_EQ(back.ReadPixelIndex(x, y), img.ReadPixelIndex(x, y)) << what << " at " << x << "," << y;
      ExpectPillowAgrees(gif, 0, img, what);
    }
    EXPECT_LT(sizes[0], sizes[1]);  // LZW beats one code per pixel
  }
  // One colour everywhere: runs make it small, every code a pixel does not.
  GbImage flat(400, 300, 8, GB_TYPE_BMP);
  flat.SetStandardPalette();
  flat.Fill(77);
  const std::string runs = Encode(flat, GIF_RUN_LENGTH);
  EXPECT_LT(runs.size(), Encode(flat, GIF_UNCOMPRESSED).size() / 20);
  ExpectPillowAgrees(runs, 0, flat, "flat runs");
}

TEST(GifEncode, MosaicOfTrueColourTiles) {
  GbImage img(40, 20, 24, GB_TYPE_BMP);
  std::mt19937 rng(7);
  for (uint32_t y = 0; y < 20; ++y)
    for (uint32_t x = 0; x < 40; ++x)
      img.WritePixelColor(x, y, RGBQUAD{uint8_t(rng()), uint8_t(rng() % 4 * 60), uint8_t(x * 6), 0});
  const std::string gif = Encode(img);
  EXPECT_EQ(uint8_t(gif[10]), 0x11);  // no global table
  std::vector<Block> tiles;
  for (const Block& b : Blocks(gif))
    if (b.kind == ',') tiles.push_back(b);
  ASSERT_EQ(tiles.size(), 6u);
  const uint32_t expected[6][4] = {{0, 0, 17, 15}, {17, 0, 17, 15}, {34, 0, 6, 15},
                                   {0, 15, 17, 5}, {17, 15, 17, 5}, {34, 15, 6, 5}};
  for (size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(tiles[i].left, expected[i][0]);
    EXPECT_EQ(tiles[i].top, expected[i][1]);
    EXPECT_EQ(tiles[i].width, expected[i][2]);
    EXPECT_EQ(tiles[i].height, expected[i][3]);
    EXPECT_EQ(tiles[i].codeSize, 8);
  }
  GbImage back;
  ASSERT_TRUE(Decode(gif, back));
  EXPECT_EQ(back.BitsPerPixel(), 24u);  // painted on a canvas
  EXPECT_EQ(back.FrameCount(), 6);
  ExpectSameColours(img, back, "mosaic");
  ExpectPillowAgrees(gif, 5, img, "mosaic, all tiles shown");

  // One column of tiles: composed on the screen, colours kept all the same.
  GbImage tall(17, 40, 24, GB_TYPE_BMP);
  for (uint32_t y = 0; y < 40; ++y)
    for (uint32_t x = 0; x < 17; ++x) tall.WritePixelColor(x, y, RGBQUAD{uint8_t(y * 6), uint8_t(x * 15), 3, 0});
  GbImage tallBack;
  ASSERT_TRUE(Decode(Encode(tall), tallBack, 2));
  ExpectSameColours(tall, tallBack, "tall mosaic");
}

TEST(GifEncode, MosaicKeepsTheColourKey) {
  GbImage img(20, 16, 24, GB_TYPE_BMP);
  const RGBQUAD key{0, 255, 0, 0};
  for (uint32_t y = 0; y < 16; ++y)
    for (uint32_t x = 0; x < 20; ++x)
      img.WritePixelColor(x, y, (x + y) % 3 ? RGBQUAD{uint8_t(x * 9), uint8_t(y * 9), 50, 0} : key);
  img.SetBackgroundColor(key);
  img.SetBackgroundIndex(0);
  GbImage back;
  ASSERT_TRUE(Decode(Encode(img), back));
  ExpectSameColours(img, back, "keyed mosaic");
  EXPECT_TRUE(back.HasBackgroundIndex());
  EXPECT_EQ(Rgb(back, 0, 0), 0x00FF00u);
  EXPECT_TRUE(back.IsTransparentAt(0, 0));
  EXPECT_FALSE(back.IsTransparentAt(1, 0));
}

TEST(GifDecode, FrameCountSurvivesAFailedFrame) {
  std::vector<GbImage> frames;
  for (int i = 0; i < 3; ++i) frames.push_back(PaletteImage(8, 8, 8, uint32_t(i), false));
  GbImageGIF gif;
  const std::string bytes = EncodeAnimation(gif, {&frames[0], &frames[1], &frames[2]}, false, false);
  GbImage img;
  EXPECT_FALSE(Decode(bytes, img, 5));
  EXPECT_EQ(img.FrameCount(), 3);
  EXPECT_FALSE(img.HasPixels());
  GbImage last;
  ASSERT_TRUE(Decode(bytes, last, 2));
  EXPECT_EQ(last.Frame(), 2);
  EXPECT_EQ(last.FrameCount(), 3);
  for (uint32_t y = 0; y < 8; ++y)
    for (uint32_t x = 0; x < 8; ++x) ASSERT_EQ(last.ReadPixelIndex(x, y), frames[2].ReadPixelIndex(x, y));
}

TEST(GifDecode, LaterFramesComposeOverEarlierOnes) {
  GbImage base(30, 30, 8, GB_TYPE_BMP);
  base.SetStandardPalette();
  base.Fill(1);
  GbImage top(10, 10, 8, GB_TYPE_BMP);
  top.SetStandardPalette();
  for (uint32_t y = 0; y < 10; ++y)
    for (uint32_t x = 0; x < 10; ++x) top.WritePixelIndex(x, y, (x + y) % 2 ? 7 : 2);
  top.SetBackgroundIndex(7);  // transparent
  top.SetOffset(10, 10);
  GbImageGIF gif;
  const std::string bytes = EncodeAnimation(gif, {&base, &top}, false, false);
  GbImage img;
  ASSERT_TRUE(Decode(bytes, img, 1));
  ASSERT_EQ(img.Width(), 30u);
  for (uint32_t t = 0; t < 30; ++t)
    for (uint32_t x = 0; x < 30; ++x) {
      const long y = 29 - long(t);
      uint8_t want = 1;
      if (x >= 10 && x < 20 && t >= 10 && t < 20) {
        const uint8_t v = top.ReadPixelIndex(x - 10, 9 - (t - 10));
        if (v != 7) want = v;
      }
      ASSERT_EQ(img.ReadPixelIndex(long(x), y), want) << x << "," << t;
    }
  ExpectPillowAgrees(bytes, 1, img, "composed");
}

TEST(GifDecode, DisposalMethods) {
  auto image = [](uint32_t w, uint32_t h, uint8_t index, long left, long top, uint8_t disposal) {
    GbImage img(w, h, 8, GB_TYPE_BMP);
    img.SetStandardPalette();
    img.Fill(index);
    img.SetOffset(left, top);
    img.SetDisposalMethod(disposal);
    return img;
  };
  // Disposal 2 on a full first frame: the next is composed on the screen
  // filled with the transparent index.
  GbImage first = image(20, 20, 3, 0, 0, 2);
  first.SetBackgroundIndex(9);
  GbImage second = image(5, 5, 4, 2, 2, 1);
  GbImageGIF gif;
  GbImage img;
  ASSERT_TRUE(Decode(EncodeAnimation(gif, {&first, &second}, false, true), img, 1));
  EXPECT_EQ(img.ReadPixelIndex(0, 0), 9);
  EXPECT_EQ(img.ReadPixelIndex(3, 16), 4);  // (3, 3) from the top
  EXPECT_EQ(img.BackgroundIndex(), 9);
  EXPECT_TRUE(img.IsTransparentAt(0, 0));

  // Disposal 2 clears the disposed frame's area; disposal 3 brings back
  // what was under the frame.
  GbImage full = image(20, 20, 3, 0, 0, 1);
  GbImage cleared = image(4, 4, 5, 0, 0, 2);
  GbImage restored = image(4, 4, 6, 10, 10, 3);
  GbImage probe = image(2, 2, 8, 18, 18, 1);
  GbImageGIF anim;
  const std::string bytes = EncodeAnimation(anim, {&full, &cleared, &restored, &probe}, false, true);
  GbImage last;
  ASSERT_TRUE(Decode(bytes, last, 3));
  EXPECT_EQ(last.ReadPixelIndex(1, 18), 0);        // cleared to the screen's fill
  EXPECT_EQ(last.ReadPixelIndex(10, 19 - 10), 3);  // restored
  EXPECT_EQ(last.ReadPixelIndex(19, 0), 8);
  EXPECT_EQ(last.ReadPixelIndex(15, 5), 3);
  GbImage third;
  ASSERT_TRUE(Decode(bytes, third, 2));
  EXPECT_EQ(third.ReadPixelIndex(10, 9), 6);
}

TEST(GifDecode, FramesWithTheirOwnColours) {
  // A frame with a table of its own over a first frame that uses every
  // entry: no room in one palette, so the screen keeps true colours.
  GbImage a(16, 16, 8, GB_TYPE_BMP);
  a.SetStandardPalette();
  for (uint32_t y = 0; y < 16; ++y)
    for (uint32_t x = 0; x < 16; ++x) a.WritePixelIndex(x, y, uint8_t(x + 16 * y));
  GbImage b(8, 8, 4, GB_TYPE_BMP);
  for (uint32_t i = 0; i < 16; ++i) b.SetPaletteColor(i, uint8_t(i * 16 + 1), 200, uint8_t(255 - i));
  for (uint32_t y = 0; y < 8; ++y)
    for (uint32_t x = 0; x < 8; ++x) b.WritePixelIndex(x, y, uint8_t(x + y));
  b.SetOffset(4, 4);
  GbImageGIF gif;
  const std::string bytes = EncodeAnimation(gif, {&a, &b}, true, false);
  GbImage img;
  ASSERT_TRUE(Decode(bytes, img, 1));
  EXPECT_EQ(img.BitsPerPixel(), 24u);
  EXPECT_EQ(Rgb(img, 0, 0), Rgb(a, 0, 0));
  EXPECT_EQ(Rgb(img, 4, 11), Rgb(b, 0, 7));
  ExpectPillowAgrees(bytes, 1, img, "local tables, true colour");

  // With room to spare the colours join the palette and stay indices.
  a.Fill(3);
  const std::string fits = EncodeAnimation(gif, {&a, &b}, true, false);
  GbImage merged;
  ASSERT_TRUE(Decode(fits, merged, 1));
  EXPECT_EQ(merged.BitsPerPixel(), 8u);
  EXPECT_EQ(Rgb(merged, 0, 0), Rgb(a, 0, 0));
  EXPECT_EQ(Rgb(merged, 4, 11), Rgb(b, 0, 7));
  ExpectPillowAgrees(fits, 1, merged, "local tables, merged palette");
}

TEST(GifDecode, AllFramesAtOnce) {
  const std::string bytes =
      gbtest::ReadFile(gbtest::TestData() / "gif" / "gif-test-suite" / "animated_transparent_restoreprev_loop.gif");
  GbImage all;
  ASSERT_TRUE(Decode(bytes, all, 3, true));
  ASSERT_EQ(all.FrameSlotCount(), 4);
  for (long n = 0; n < 4; ++n) {
    GbImage one;
    ASSERT_TRUE(Decode(bytes, one, n));
    ASSERT_NE(all.FrameAt(n), nullptr);
    ExpectSameColours(one, *all.FrameAt(n), "frame " + std::to_string(n));
  }
  // Interlaced frames give the same pictures.
  const auto dir = gbtest::TestData() / "gif" / "gif-test-suite";
  const std::string plain = gbtest::ReadFile(dir / "animated_loop.gif");
  const std::string interlaced = gbtest::ReadFile(dir / "animated_loop_interlaced.gif");
  for (long n = 0; n < 4; ++n) {
    GbImage p, i;
    ASSERT_TRUE(Decode(plain, p, n));
    ASSERT_TRUE(Decode(interlaced, i, n));
    ExpectSameColours(p, i, "interlaced frame " + std::to_string(n));
  }
}

TEST(GifDecode, LoopsAndComments) {
  std::vector<GbImage> frames;
  for (int i = 0; i < 2; ++i) frames.push_back(PaletteImage(6, 6, 8, uint32_t(i), false));
  GbImageGIF writer;
  writer.SetLoops(4);  // plays four times: the file says three repeats
  writer.SetComment("made by the test");
  const std::string bytes = EncodeAnimation(writer, {&frames[0], &frames[1]}, false, false);
  const size_t loop = bytes.find("NETSCAPE2.0");
  ASSERT_NE(loop, std::string::npos);
  EXPECT_EQ(uint8_t(bytes[loop + 13]), 3);
  GbImageGIF reader;
  ASSERT_TRUE(DecodeWith(reader, bytes));
  EXPECT_EQ(reader.Loops(), 4);
  EXPECT_STREQ(reader.Comment(), "made by the test");
  // Written back, the file says the same.
  const std::string again = EncodeAnimation(reader, {&frames[0], &frames[1]}, false, false);
  EXPECT_EQ(uint8_t(again[again.find("NETSCAPE2.0") + 13]), 3);

  GbImageGIF fresh;  // endless
  const std::string endless = EncodeAnimation(fresh, {&frames[0], &frames[1]}, false, false);
  EXPECT_EQ(uint8_t(endless[endless.find("NETSCAPE2.0") + 13]), 0);
  GbImageGIF once;
  once.SetLoops(1);
  EXPECT_EQ(EncodeAnimation(once, {&frames[0], &frames[1]}, false, false).find("NETSCAPE2.0"), std::string::npos);

  GbImageGIF none;  // a file without the extension plays once
  ASSERT_TRUE(DecodeWith(none, EncodeAnimation(once, {&frames[0], &frames[1]}, false, false)));
  EXPECT_EQ(none.Loops(), 1);
}

TEST(GifDecode, CodeStreamRules) {
  // 4 x 1 pixels, 4 colours, minimum code size 2: clear 4, end 5, next 6.
  auto file = [](std::initializer_list<int> codes) {
    CodeBits bits;
    for (int c : codes) bits.Put(uint32_t(c), 3);
    return Header(4, 1, 2) + Descriptor(0, 0, 4, 1) + std::string(1, '\x02') + bits.SubBlocks() + ";";
  };
  GbImage bad;  // 7 lies beyond the next entry: read as the next one
  ASSERT_TRUE(Decode(file({4, 1, 7, 5}), bad));
  EXPECT_EQ(bad.ReadPixelIndex(0, 0), 1);
  EXPECT_EQ(bad.ReadPixelIndex(1, 0), 1);
  EXPECT_EQ(bad.ReadPixelIndex(2, 0), 1);
  EXPECT_EQ(bad.ReadPixelIndex(3, 0), 0);  // never decoded
  GbImage afterClear;                      // a first code that refers to nothing is 0
  ASSERT_TRUE(Decode(file({4, 6, 2, 5}), afterClear));
  EXPECT_EQ(afterClear.ReadPixelIndex(0, 0), 0);
  EXPECT_EQ(afterClear.ReadPixelIndex(1, 0), 2);

  // A damaged first frame does not lose the next one.
  CodeBits junk;
  for (int c : {4, 7, 7, 7, 7, 7, 7, 1, 2, 3}) junk.Put(uint32_t(c), 3);
  CodeBits good;  // the third entry made widens the codes to 4 bits
  for (auto [c, width] : {std::pair{4, 3}, {3, 3}, {2, 3}, {1, 3}, {0, 4}, {5, 4}}) good.Put(uint32_t(c), width);
  const std::string two = Header(4, 1, 2) + Descriptor(0, 0, 4, 1) + "\x02" + junk.SubBlocks() +
                          Descriptor(0, 0, 4, 1) + "\x02" + good.SubBlocks() + ";";
  GbImage second;
  ASSERT_TRUE(Decode(two, second, 1));
  EXPECT_EQ(second.FrameCount(), 2);
  for (uint32_t x = 0; x < 4; ++x) EXPECT_EQ(second.ReadPixelIndex(x, 0), 3 - x);

  // A minimum code size out of range leaves the frame blank; truncated data
  // keeps the rows that arrived.
  GbImage odd;
  ASSERT_TRUE(Decode(Header(4, 1, 2) + Descriptor(0, 0, 4, 1) + "\x01\x01\xFF" + std::string(1, '\0') + ";", odd));
  EXPECT_EQ(odd.ReadPixelIndex(2, 0), 0);
  GbImage rows = PaletteImage(40, 40, 8, 11, false);
  const std::string whole = Encode(rows);
  GbImage cut;
  ASSERT_TRUE(Decode(whole.substr(0, whole.size() / 2), cut));
  EXPECT_EQ(cut.ReadPixelIndex(5, 39), rows.ReadPixelIndex(5, 39));  // top row arrived
}

TEST(GifDecode, FramesWithoutAnyTableAreGrey) {
  CodeBits bits;
  for (int c : {256, 10, 200, 255, 257}) bits.Put(uint32_t(c), 9);
  const std::string gif = Header(3, 1, 0) + Descriptor(0, 0, 3, 1) + "\x08" + bits.SubBlocks() + ";";
  GbImage img;
  ASSERT_TRUE(Decode(gif, img));
  EXPECT_EQ(img.BitsPerPixel(), 8u);
  EXPECT_EQ(Rgb(img, 0, 0), 0x0A0A0Au);
  EXPECT_EQ(Rgb(img, 1, 0), 0xC8C8C8u);
  EXPECT_EQ(Rgb(img, 2, 0), 0xFFFFFFu);
}

TEST(GifDecode, ProbeCancelAndSignature) {
  GbImage src = PaletteImage(33, 21, 8, 5, false);
  const std::string gif = Encode(src);
  GbImageGIF probe;
  GbMemFile in(reinterpret_cast<uint8_t*>(const_cast<char*>(gif.data())), int32_t(gif.size()));
  uint32_t width = 0, height = 0;
  ASSERT_TRUE(probe.ProbeSize(&in, width, height));
  EXPECT_EQ(probe.Width(), 33u);
  EXPECT_EQ(probe.Height(), 21u);
  EXPECT_FALSE(probe.HasPixels());
  GbImageGIF cancelled;
  cancelled.SetEscape(1);
  EXPECT_FALSE(DecodeWith(cancelled, gif));
  GbImageGIF wrong;
  EXPECT_FALSE(DecodeWith(wrong, "GIF7" + gif.substr(4)));
  EXPECT_STREQ(wrong.LastError(), "Not a GIF file");
}

TEST(GifEncode, AnimationMessages) {
  GbImageGIF gif;
  GbMemFile out;
  ASSERT_TRUE(out.Open());
  GbImage ok = PaletteImage(4, 4, 8, 1, false);
  GbImage empty;
  GbImage colour(4, 4, 24, GB_TYPE_BMP);
  GbImage* none[] = {nullptr};
  GbImage* holes[] = {&ok, nullptr};
  GbImage* blank[] = {&ok, &empty};
  GbImage* truecolour[] = {&ok, &colour};
  EXPECT_FALSE(gif.Encode(static_cast<GbFile*>(nullptr), holes, 2));
  EXPECT_STREQ(gif.LastError(), "invalid file pointer");
  EXPECT_FALSE(gif.Encode(&out, none, 1));
  EXPECT_STREQ(gif.LastError(), "multipage GIF, no images!");
  EXPECT_FALSE(gif.Encode(&out, holes, 0));
  EXPECT_STREQ(gif.LastError(), "multipage GIF, no images!");
  EXPECT_FALSE(gif.Encode(&out, holes, 2));
  EXPECT_STREQ(gif.LastError(), "Bad image pointer");
  EXPECT_FALSE(gif.Encode(&out, blank, 2));
  EXPECT_STREQ(gif.LastError(), "Empty image");
  EXPECT_FALSE(gif.Encode(&out, truecolour, 2));
  EXPECT_STREQ(gif.LastError(),
               "GbImageGIF::Encode cannot create animated GIFs with a true color frame. Use DecreaseBpp before");

  class Full : public GbMemFile {
   public:
    Full() { Open(); }
    size_t Write(const void*, size_t, size_t) override { return 0; }
  } full;
  EXPECT_FALSE(ok.Encode(&full, GB_TYPE_GIF));
  EXPECT_STREQ(ok.LastError(), "Write Error in GIF file");
}

TEST(GifEncode, ImagesOwningFramesBecomeAnimations) {
  const std::string bytes = gbtest::ReadFile(gbtest::TestData() / "gif" / "gif-test-suite" / "animated_loop.gif");
  GbImage all;
  ASSERT_TRUE(Decode(bytes, all, 3, true));
  const std::string again = Encode(all);
  long images = 0;
  for (const Block& b : Blocks(again)) images += b.kind == ',';
  EXPECT_EQ(images, 4);
  for (long n = 0; n < 4; ++n) {
    GbImage a, b;
    ASSERT_TRUE(Decode(bytes, a, n));
    ASSERT_TRUE(Decode(again, b, n));
    ExpectSameColours(a, b, "re-saved frame " + std::to_string(n));
  }
}
