// Headers that claim enormous pictures over a few bytes of data. Every
// reader must turn them down (or, where a few bytes can honestly describe a
// large picture, decode it) without asking for memory the file cannot
// justify: a 60-byte file must not cost hundreds of megabytes.
//
// One table for every format: a reader adds its lines to cases() below,
// with a small builder for its header like bmp().
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "image/codecs/CodecRegistry.h"
#include "image/core/GbImage.h"
#include "image/io/GbMemFile.h"
#include "tests/robustness/AllocationMeter.h"

namespace {

enum class Expect {
  Fail,  // the file cannot justify the picture: a clean failure
  Any,   // may decode; memory stays within the picture it produces
};

struct Case {
  const char* name;
  uint32_t type;  // the reader that must handle it (the dispatch's type id)
  std::string bytes;
  Expect expect;
};

// ---- BMP -------------------------------------------------------------------

void put16(std::string& s, uint32_t v) {
  s += char(v & 0xFF);
  s += char((v >> 8) & 0xFF);
}
void put32(std::string& s, uint32_t v) {
  put16(s, v & 0xFFFF);
  put16(s, v >> 16);
}

struct Bmp {
  int32_t width = 1, height = 1;
  uint16_t bpp = 24;
  uint32_t compression = 0, sizeImage = 0, colorsUsed = 0;
  uint32_t headerSize = 40;
  uint32_t dataOffset = 0;  // 0: right after header and palette
  bool fileHeader = true;
  std::string tail = std::string(16, '\x55');  // palette and pixels
};

std::string bmp(const Bmp& b) {
  std::string info;
  if (b.headerSize == 12) {
    put32(info, 12);
    put16(info, uint32_t(b.width));
    put16(info, uint32_t(b.height));
    put16(info, 1);
    put16(info, b.bpp);
  } else {
    put32(info, b.headerSize);
    put32(info, uint32_t(b.width));
    put32(info, uint32_t(b.height));
    put16(info, 1);
    put16(info, b.bpp);
    put32(info, b.compression);
    put32(info, b.sizeImage);
    put32(info, 2835);
    put32(info, 2835);
    put32(info, b.colorsUsed);
    put32(info, 0);
  }
  std::string out;
  if (b.fileHeader) {
    const uint32_t offset = b.dataOffset ? b.dataOffset : uint32_t(14 + info.size());
    out = "BM";
    put32(out, uint32_t(14 + info.size() + b.tail.size()));
    put32(out, 0);
    put32(out, offset);
  }
  return out + info + b.tail;
}

// ---- icons, metafiles, the JPEG-2000 family, MNG and raw --------------------

void putBe32(std::string& s, uint32_t v) {
  for (int i = 3; i >= 0; --i) s += char((v >> (8 * i)) & 0xFF);
}

// An icon whose bitmap header claims 'width' x 'height' over a few bytes.
std::string ico(uint32_t width, uint32_t height) {
  std::string s;
  put16(s, 0), put16(s, 1), put16(s, 1);
  s += char(16), s += char(16), s += char(0), s += char(0);
  put16(s, 1), put16(s, 8), put32(s, 40 + 1024 + 16), put32(s, 22);
  put32(s, 40), put32(s, width), put32(s, height * 2), put16(s, 1), put16(s, 8);
  s += std::string(24, '\0');
  return s + std::string(1024 + 16, '\x11');
}

std::string sunRaster(uint32_t width, uint32_t height, uint32_t depth, uint32_t type) {
  std::string s;
  for (uint32_t v : {0x59A66A95u, width, height, depth, 0u, type, 0u, 0u}) putBe32(s, v);
  return s + std::string(32, '\x80');
}

// A JPEG-2000 code stream whose size marker claims width x height.
std::string codestream(uint32_t width, uint32_t height) {
  std::string s("\xFF\x4F\xFF\x51", 4);
  s += char(0), s += char(41), s += char(0), s += char(0);
  for (uint32_t v : {width, height, 0u, 0u, width, height, 0u, 0u}) putBe32(s, v);
  s += char(0), s += char(1), s += char(7), s += char(1), s += char(1);
  return s + std::string(64, '\0');
}

std::string jp2(const std::string& stream) {
  std::string s("\0\0\0\x0CjP  \r\n\x87\n", 12);
  putBe32(s, 20), s += "ftypjp2 ", putBe32(s, 0), s += "jp2 ";
  putBe32(s, uint32_t(8 + stream.size())), s += "jp2c";
  return s + stream;
}

// An MNG whose header claims a width x height canvas.
std::string mng(uint32_t width, uint32_t height) {
  std::string s("\x8AMNG\r\n\x1A\n", 8);
  putBe32(s, 28), s += "MHDR";
  for (uint32_t v : {width, height, 1000u, 0u, 0u, 0u, 0u}) putBe32(s, v);
  putBe32(s, 0);  // checksum (not checked by the size test)
  return s;
}

// A placeable metafile whose bounding box is width x height units of an inch.
std::string placeable(int16_t width, int16_t height) {
  std::string s;
  put32(s, 0x9AC6CDD7), put16(s, 0), put16(s, 0), put16(s, 0), put16(s, uint16_t(width)), put16(s, uint16_t(height));
  put16(s, 1), put32(s, 0);
  uint16_t sum = 0;
  for (size_t i = 0; i < 20; i += 2) sum ^= uint16_t(uint8_t(s[i]) | (uint8_t(s[i + 1]) << 8));
  put16(s, sum);
  put16(s, 1), put16(s, 9), put16(s, 0x300), put32(s, 12), put16(s, 0), put32(s, 3), put16(s, 0);
  put32(s, 3), put16(s, 0);
  return s;
}

// A DNG (TIFF) whose colour filter array claims width x height photosites.
std::string dng(uint32_t width, uint32_t height) {
  std::string s("II*\0", 4);
  put32(s, 8);
  const uint32_t tags[][4] = {
      {256, 4, 1, width},        {257, 4, 1, height},       {258, 3, 1, 16},          {259, 3, 1, 1},
      {262, 3, 1, 32803},        {273, 4, 1, 200},          {277, 3, 1, 1},           {279, 4, 1, 64},
      {33421, 3, 2, 0x00020002}, {33422, 1, 4, 0x02010100}, {50706, 1, 4, 0x00000401}};
  put16(s, uint32_t(sizeof tags / sizeof tags[0]));
  for (const auto& t : tags) put16(s, t[0]), put16(s, t[1]), put32(s, t[2]), put32(s, t[3]);
  put32(s, 0);
  s.resize(264, '\x40');
  return s;
}

// ---- JPEG, PNG, GIF, TIFF and the small codecs ---------------------------

void putBe16(std::string& s, uint32_t v) {
  s += char((v >> 8) & 0xFF);
  s += char(v & 0xFF);
}

// A baseline JPEG whose frame header claims width x height, with a
// quantisation table, the standard DC and AC tables for table 0 and a few
// bytes of scan data.
std::string jpeg(uint32_t width, uint32_t height) {
  std::string s("\xFF\xD8", 2);
  s += "\xFF\xDB", putBe16(s, 67), s += char(0), s += std::string(64, char(1));
  s += "\xFF\xC0", putBe16(s, 17), s += char(8), putBe16(s, height), putBe16(s, width), s += char(3);
  for (int c = 1; c <= 3; ++c) s += char(c), s += char(0x11), s += char(0);
  // DC table 0: twelve codes of lengths 2..9 (the standard luminance table).
  const uint8_t dcCounts[16] = {0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0};
  s += "\xFF\xC4", putBe16(s, 2 + 1 + 16 + 12), s += char(0x00);
  for (uint8_t n : dcCounts) s += char(n);
  for (int v = 0; v < 12; ++v) s += char(v);
  // AC table 0: just the end-of-block code.
  s += "\xFF\xC4", putBe16(s, 2 + 1 + 16 + 1), s += char(0x10), s += char(1), s += std::string(15, '\0'), s += char(0);
  s += "\xFF\xDA", putBe16(s, 12), s += char(3);
  for (int c = 1; c <= 3; ++c) s += char(c), s += char(0);
  s += char(0), s += char(63), s += char(0);
  return s + std::string(24, '\0');
}

uint32_t crc32(const std::string& bytes) {
  uint32_t c = 0xFFFFFFFFu;
  for (unsigned char b : bytes) {
    c ^= b;
    for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
  }
  return ~c;
}

void pngChunk(std::string& s, const char* type, const std::string& data) {
  putBe32(s, uint32_t(data.size()));
  const std::string body = std::string(type, 4) + data;
  s += body;
  putBe32(s, crc32(body));
}

// A PNG whose header claims width x height (8-bit colour), with one short
// compressed block that runs out long before the picture.
std::string png(uint32_t width, uint32_t height) {
  std::string s("\x89PNG\r\n\x1A\n", 8), ihdr;
  putBe32(ihdr, width), putBe32(ihdr, height);
  ihdr += char(8), ihdr += char(2), ihdr += char(0), ihdr += char(0), ihdr += char(0);
  pngChunk(s, "IHDR", ihdr);
  pngChunk(s, "IDAT", std::string("\x78\x9C\x63\x60\x00\x00", 6));
  pngChunk(s, "IEND", "");
  return s;
}

// A GIF with a screen of screenW x screenH and one frame of frameW x frameH
// whose code stream is a clear code and the end code.
std::string gif(uint32_t screenW, uint32_t screenH, uint32_t frameW, uint32_t frameH) {
  std::string s("GIF89a");
  put16(s, screenW), put16(s, screenH);
  s += char(0x80), s += char(0), s += char(0);  // global table of 2 colours
  s += std::string("\0\0\0\xFF\xFF\xFF", 6);
  s += ',', put16(s, 0), put16(s, 0), put16(s, frameW), put16(s, frameH), s += char(0);
  s += char(2), s += char(1), s += char(0x0C), s += char(0);  // clear, end (3-bit codes 4 and 5)
  return s + ";";
}

// A little-endian TIFF whose one strip of 16 bytes stands for width x height
// 8-bit RGB pixels.
std::string tiff(uint32_t width, uint32_t height) {
  std::string s("II*\0", 4);
  put32(s, 8);
  const uint32_t tags[][4] = {{256, 4, 1, width}, {257, 4, 1, height}, {258, 3, 1, 8},
                              {259, 3, 1, 1},     {262, 3, 1, 2},      {273, 4, 1, 200},
                              {277, 3, 1, 3},     {278, 4, 1, height}, {279, 4, 1, 16}};
  put16(s, uint32_t(sizeof tags / sizeof tags[0]));
  for (const auto& t : tags) put16(s, t[0]), put16(s, t[1]), put32(s, t[2]), put32(s, t[3]);
  put32(s, 0);
  s.resize(216, '\x40');
  return s;
}

std::string tga(uint32_t width, uint32_t height, uint8_t imageType, uint8_t depth) {
  std::string s;
  s += char(0), s += char(0), s += char(imageType);
  put16(s, 0), put16(s, 0), s += char(0);
  put16(s, 0), put16(s, 0), put16(s, width), put16(s, height);
  s += char(depth), s += char(0);
  return s + std::string(16, '\x81');
}

std::string pcx(uint32_t width, uint32_t height, uint32_t planes, uint32_t bytesPerLine) {
  std::string s;
  s += char(10), s += char(5), s += char(1), s += char(8);
  put16(s, 0), put16(s, 0), put16(s, width - 1), put16(s, height - 1), put16(s, 72), put16(s, 72);
  s += std::string(48, '\0');
  s += char(0), s += char(planes);
  put16(s, bytesPerLine), put16(s, 1);
  s.resize(128, '\0');
  return s + std::string(16, '\xC1');
}

std::string wbmpNumber(uint32_t v) {
  std::string groups;
  do {
    groups.insert(groups.begin(), char(v & 0x7F));
    v >>= 7;
  } while (v);
  for (size_t i = 0; i + 1 < groups.size(); ++i) groups[i] = char(groups[i] | 0x80);
  return groups;
}

std::string wbmp(uint32_t width, uint32_t height) {
  return std::string("\0\0", 2) + wbmpNumber(width) + wbmpNumber(height) + std::string(16, '\x55');
}

std::string ska(uint32_t width, uint32_t height) {
  std::string s;
  put16(s, width), put16(s, height);
  s += char(3), put32(s, 0x01000000);
  return s + std::string(768 + 16, '\x10');
}

// A QOI header claiming width x height, then a few runs and the end mark.
std::string qoi(uint32_t width, uint32_t height, uint8_t channels) {
  std::string s("qoif");
  putBe32(s, width), putBe32(s, height);
  s += char(channels), s += char(0);
  s += std::string(16, '\xFD');  // runs of 62
  return s + std::string("\0\0\0\0\0\0\0\1", 8);
}

Bmp with(void (*edit)(Bmp&)) {
  Bmp b;
  edit(b);
  return b;
}

const std::vector<Case>& cases() {
  static const std::vector<Case> all = {
      {"BMP 24-bit 16384 x 16384 (768 MB)", GB_TYPE_BMP, bmp(with([](Bmp& b) { b.width = b.height = 16384; })),
       Expect::Fail},
      {"BMP 24-bit 8000 x 8000, under the engine's size limit", GB_TYPE_BMP,
       bmp(with([](Bmp& b) { b.width = b.height = 8000; })), Expect::Fail},
      {"BMP 24-bit 8000 x 8000, top-down", GB_TYPE_BMP, bmp(with([](Bmp& b) { b.width = 8000, b.height = -8000; })),
       Expect::Fail},
      {"BMP 32-bit 8000 x 6000", GB_TYPE_BMP, bmp(with([](Bmp& b) { b.width = 8000, b.height = 6000, b.bpp = 32; })),
       Expect::Fail},
      {"BMP 32-bit bit fields 8000 x 6000", GB_TYPE_BMP, bmp(with([](Bmp& b) {
         b.width = 8000, b.height = 6000, b.bpp = 32, b.compression = 3;
         b.tail.clear();
         put32(b.tail, 0xFF0000), put32(b.tail, 0xFF00), put32(b.tail, 0xFF);
       })),
       Expect::Fail},
      {"BMP 16-bit 10000 x 9000", GB_TYPE_BMP, bmp(with([](Bmp& b) { b.width = 10000, b.height = 9000, b.bpp = 16; })),
       Expect::Fail},
      {"BMP 8-bit 15000 x 15000", GB_TYPE_BMP, bmp(with([](Bmp& b) { b.width = b.height = 15000, b.bpp = 8; })),
       Expect::Fail},
      {"BMP 1-bit 60000 x 30000", GB_TYPE_BMP, bmp(with([](Bmp& b) { b.width = 60000, b.height = 30000, b.bpp = 1; })),
       Expect::Fail},
      {"BMP old 12-byte header 65535 x 65535", GB_TYPE_BMP,
       bmp(with([](Bmp& b) { b.headerSize = 12, b.width = b.height = 65535; })), Expect::Fail},
      {"BMP headerless packed bitmap 9000 x 9000", GB_TYPE_BMP,
       bmp(with([](Bmp& b) { b.fileHeader = false, b.width = b.height = 9000; })), Expect::Fail},
      {"BMP width 2^31 - 1", GB_TYPE_BMP, bmp(with([](Bmp& b) { b.width = INT32_MAX; })), Expect::Fail},
      {"BMP height -2^31", GB_TYPE_BMP, bmp(with([](Bmp& b) { b.height = INT32_MIN; })), Expect::Fail},
      {"BMP negative width", GB_TYPE_BMP, bmp(with([](Bmp& b) { b.width = -5000; })), Expect::Fail},
      {"BMP 8-bit RLE8 20000 x 10000 holding only the end-of-bitmap code", GB_TYPE_BMP, bmp(with([](Bmp& b) {
         b.width = 20000, b.height = 10000, b.bpp = 8, b.compression = 1, b.colorsUsed = 2;
         b.tail = std::string(8, '\0') + std::string("\0\1", 2);
       })),
       Expect::Any},
      {"BMP 4-bit RLE4 20000 x 10000 with one delta", GB_TYPE_BMP, bmp(with([](Bmp& b) {
         b.width = 20000, b.height = 10000, b.bpp = 4, b.compression = 2, b.colorsUsed = 2;
         b.tail = std::string(8, '\0') + std::string("\0\2\377\377\0\1", 6);
       })),
       Expect::Any},
      {"BMP 8-bit 4 x 4 claiming a 2 GB image size", GB_TYPE_BMP,
       bmp(with([](Bmp& b) { b.width = b.height = 4, b.bpp = 8, b.sizeImage = 0x7FFFFFFF; })), Expect::Any},
      {"BMP 8-bit claiming 2^32 - 1 palette colours", GB_TYPE_BMP,
       bmp(with([](Bmp& b) { b.width = b.height = 4, b.bpp = 8, b.colorsUsed = 0xFFFFFFFF; })), Expect::Any},
      {"BMP pixel data offset near 4 GB", GB_TYPE_BMP,
       bmp(with([](Bmp& b) { b.width = b.height = 4, b.dataOffset = 0xFFFFFFF0; })), Expect::Any},
      {"BMP header size 2^32 - 1", GB_TYPE_BMP,
       bmp(with([](Bmp& b) { b.headerSize = 0xFFFFFFFF, b.width = b.height = 4; })), Expect::Any},
      {"ICO bitmap header 65535 x 65535 behind a 16 x 16 directory", GB_TYPE_ICO, ico(65535, 65535), Expect::Any},
      {"ICO bitmap header 30000 x 30000 with the directory's data short too", GB_TYPE_ICO,
       ico(30000, 30000).substr(0, 600), Expect::Fail},
      {"PNM binary 60000 x 60000", GB_TYPE_PNM, "P5 60000 60000 255\n" + std::string(16, 'x'), Expect::Fail},
      {"PNM plain 60000 x 60000", GB_TYPE_PNM, "P2 60000 60000 255\n1 2 3\n", Expect::Fail},
      {"PGX 60000 x 60000", GB_TYPE_PGX, "PG ML + 16 60000 60000\n" + std::string(16, 'x'), Expect::Fail},
      {"Sun raster 24-bit 60000 x 60000", GB_TYPE_RAS, sunRaster(60000, 60000, 24, 1), Expect::Fail},
      {"Sun raster run-length 60000 x 60000", GB_TYPE_RAS, sunRaster(60000, 60000, 8, 2), Expect::Fail},
      {"JPEG-2000 code stream 60000 x 60000", GB_TYPE_JPC, codestream(60000, 60000), Expect::Fail},
      {"JP2 file holding a 60000 x 60000 code stream", GB_TYPE_JP2, jp2(codestream(60000, 60000)), Expect::Fail},
      {"MNG canvas 8000 x 8000", GB_TYPE_MNG, mng(8000, 8000), Expect::Fail},
      {"placeable WMF 32000 inches square (drawn at 4000 x 4000)", GB_TYPE_WMF, placeable(32000, 32000), Expect::Any},
      {"DNG of 60000 x 60000 photosites", GB_TYPE_RAW, dng(60000, 60000), Expect::Fail},
      {"BMP bit count 65535", GB_TYPE_BMP, bmp(with([](Bmp& b) { b.width = b.height = 4000, b.bpp = 65535; })),
       Expect::Fail},
      {"JPEG 65500 x 65500", GB_TYPE_JPG, jpeg(65500, 65500), Expect::Fail},
      // libjpeg ends a short stream with a made-up end of image and keeps
      // what it has, so this one may load, grey, within its own size.
      {"JPEG 8000 x 8000 over 24 bytes of scan data", GB_TYPE_JPG, jpeg(8000, 8000), Expect::Any},
      {"PNG 100000 x 100000", GB_TYPE_PNG, png(100000, 100000), Expect::Fail},
      {"PNG 2^31 - 1 square", GB_TYPE_PNG, png(INT32_MAX, INT32_MAX), Expect::Fail},
      {"PNG 8000 x 8000 over one tiny compressed block", GB_TYPE_PNG, png(8000, 8000), Expect::Any},
      {"GIF screen 65535 x 65535 around a 1 x 1 frame", GB_TYPE_GIF, gif(65535, 65535, 1, 1), Expect::Any},
      {"GIF frame 65535 x 65535 on a 1 x 1 screen", GB_TYPE_GIF, gif(1, 1, 65535, 65535), Expect::Any},
      {"GIF screen and frame 65535 x 65535", GB_TYPE_GIF, gif(65535, 65535, 65535, 65535), Expect::Any},
      {"GIF 8000 x 8000 with an empty code stream", GB_TYPE_GIF, gif(8000, 8000, 8000, 8000), Expect::Any},
      {"TIFF 100000 x 100000 in one strip of 16 bytes", GB_TYPE_TIF, tiff(100000, 100000), Expect::Fail},
      {"TIFF 8000 x 8000 in one strip of 16 bytes", GB_TYPE_TIF, tiff(8000, 8000), Expect::Any},
      {"TGA 65535 x 65535 24-bit", GB_TYPE_TGA, tga(65535, 65535, 2, 24), Expect::Fail},
      {"TGA 8000 x 8000 run-length 24-bit over 16 bytes", GB_TYPE_TGA, tga(8000, 8000, 10, 24), Expect::Fail},
      {"PCX 65535 x 65535 in 3 planes", GB_TYPE_PCX, pcx(65535, 65535, 3, 65535), Expect::Fail},
      {"PCX 10 x 65535 with 65535-byte lines in 4 planes", GB_TYPE_PCX, pcx(10, 65535, 4, 65535), Expect::Fail},
      {"PCX 8000 x 8000 8-bit over 16 bytes", GB_TYPE_PCX, pcx(8000, 8000, 1, 8000), Expect::Fail},
      {"WBMP 2^28 x 2^28", GB_TYPE_WBMP, wbmp(1u << 28, 1u << 28), Expect::Fail},
      {"WBMP 60000 x 60000", GB_TYPE_WBMP, wbmp(60000, 60000), Expect::Fail},
      {"SKA 32767 x 32767", GB_TYPE_SKA, ska(32767, 32767), Expect::Fail},
      {"QOI 60000 x 60000 over 16 runs", GB_TYPE_QOI, qoi(60000, 60000, 4), Expect::Fail},
      {"QOI 2^32 - 1 square", GB_TYPE_QOI, qoi(UINT32_MAX, UINT32_MAX, 3), Expect::Fail},
      {"QOI 1 x 2000 over 16 runs (992 pixels)", GB_TYPE_QOI, qoi(1, 2000, 3), Expect::Fail},
  };
  return all;
}

// Working memory any decoder may use besides the picture it returns.
size_t workingSetFor(const std::string& bytes) { return (size_t(4) << 20) + 4 * bytes.size(); }

size_t pictureBytes(const GbImage& image) {
  if (!image.HasPixels()) return 0;
  const size_t plane = size_t(image.Width()) * image.Height();
  return image.PackedSize() + (image.HasAlpha() ? plane : 0) + (image.HasSelection() ? plane : 0);
}

void checkCase(const Case& c, uint32_t requestedType) {
  std::string bytes = c.bytes;
  GbMemFile stream(reinterpret_cast<uint8_t*>(bytes.data()), int32_t(bytes.size()));
  GbImage image;
  gbtest::AllocationMeter meter;
  meter.Start();
  const bool ok = image.Decode(&stream, requestedType);
  const size_t peak = meter.PeakGrowth();
  if (c.expect == Expect::Fail) {
    EXPECT_FALSE(ok) << "decoded " << image.Width() << " x " << image.Height();
    EXPECT_STRNE(image.LastError(), "") << "a failure must say why";
    EXPECT_FALSE(image.HasPixels());
  }
  if (gbtest::AllocationMeter::Available()) {
    // A decoded picture may need up to three times its size while it is
    // built (a 32-bit file is read whole before it becomes 24 bits).
    const size_t bound = workingSetFor(bytes) + (ok ? 3 * pictureBytes(image) : 0);
    EXPECT_LE(peak, bound) << "peak heap " << (peak >> 20) << " MiB for a " << bytes.size()
                           << "-byte file; largest block " << (meter.LargestBlock() >> 20) << " MiB";
  }
}

// The meter itself, so a broken hook cannot make every case pass.
TEST(HugeHeaders, MeterSeesAnAllocation) {
  if (!gbtest::AllocationMeter::Available()) GTEST_SKIP() << "no sanitizer allocation hooks";
  gbtest::AllocationMeter meter;
  meter.Start();
  GbImage image;
  ASSERT_TRUE(image.Create(2048, 2048, 24));
  EXPECT_GE(meter.PeakGrowth(), size_t(2048) * 2048 * 3);
  EXPECT_GE(meter.LargestBlock(), size_t(2048) * 2048 * 3);
}

TEST(HugeHeaders, EachReaderFailsCleanlyWithinBoundedMemory) {
  if (!gbtest::AllocationMeter::Available())
    std::printf("note: no sanitizer allocation hooks in this build; memory is not measured\n");
  int checked = 0;
  for (const Case& c : cases()) {
    if (!GbHasCodec(c.type)) continue;  // that reader does not exist yet
    SCOPED_TRACE(c.name);
    {
      SCOPED_TRACE("its own type");
      checkCase(c, c.type);
    }
    {
      SCOPED_TRACE("format detection");
      checkCase(c, GB_TYPE_UNKNOWN);
    }
    ++checked;
  }
  EXPECT_GT(checked, 0);
}

// The codec table is the one list a new format joins: each of its codecs
// needs a fuzz target that exercises the class and a case above for each
// of its type ids.
TEST(HugeHeaders, EveryCodecHasAFuzzTargetAndACase) {
  std::set<uint32_t> covered;
  for (const Case& c : cases()) covered.insert(c.type);
  int codecs = 0;
  for (const GbCodecEntry& codec : GbCodecTable()) {
    SCOPED_TRACE(codec.className);
    for (uint32_t type : codec.types) {
      if (type == GB_TYPE_UNKNOWN) break;
      EXPECT_TRUE(covered.count(type)) << "no huge-header case for type " << type;
    }
    const std::string path = std::string(GB_SOURCE_DIR) + "/fuzz/" + codec.fuzzTarget + ".cpp";
    std::ifstream in(path);
    ASSERT_TRUE(in) << "no fuzz target " << path;
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("LLVMFuzzerTestOneInput"), std::string::npos) << path;
    EXPECT_NE(text.str().find(codec.className), std::string::npos) << path << " never uses the class";
    ++codecs;
  }
  EXPECT_GE(codecs, 15);
}

}  // namespace
