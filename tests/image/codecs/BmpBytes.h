// Builds BMP files byte by byte for the codec tests, so each case states
// exactly what the decoder sees.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/core/GbImage.h"
#include "image/io/GbMemFile.h"

namespace bmptest {

struct Bytes {
  std::vector<uint8_t> data;
  Bytes& u8(uint32_t v) {
    data.push_back(uint8_t(v));
    return *this;
  }
  Bytes& u16(uint32_t v) { return u8(v).u8(v >> 8); }
  Bytes& u32(uint32_t v) { return u16(v).u16(v >> 16); }
  Bytes& raw(std::initializer_list<uint8_t> list) {
    data.insert(data.end(), list.begin(), list.end());
    return *this;
  }
  Bytes& zeros(size_t n) {
    data.insert(data.end(), n, 0);
    return *this;
  }
  size_t size() const { return data.size(); }
};

struct Info {
  uint32_t headerSize = 40;
  int32_t width = 1, height = 1;
  uint16_t planes = 1, bits = 24;
  uint32_t compression = 0, sizeImage = 0;
  int32_t ppmX = 3780, ppmY = 3780;
  uint32_t clrUsed = 0, clrImportant = 0;
};

// The 40 bytes of an info header (plus zero padding up to headerSize).
inline Bytes InfoHeader(const Info& i) {
  Bytes b;
  b.u32(i.headerSize).u32(uint32_t(i.width)).u32(uint32_t(i.height)).u16(i.planes).u16(i.bits);
  b.u32(i.compression).u32(i.sizeImage).u32(uint32_t(i.ppmX)).u32(uint32_t(i.ppmY));
  b.u32(i.clrUsed).u32(i.clrImportant);
  if (i.headerSize > 40) b.zeros(i.headerSize - 40);
  return b;
}

// A complete file: file header, info header, extra (palette or masks), pixels.
inline Bytes File(const Info& info, const Bytes& extra, const Bytes& pixels, uint32_t offset = 0) {
  Bytes header = InfoHeader(info);
  if (offset == 0) offset = uint32_t(14 + header.size() + extra.size());
  Bytes b;
  b.u16(0x4D42).u32(uint32_t(offset + pixels.size())).u32(0).u32(offset);
  b.data.insert(b.data.end(), header.data.begin(), header.data.end());
  b.data.insert(b.data.end(), extra.data.begin(), extra.data.end());
  if (b.size() < offset) b.zeros(offset - b.size());
  b.data.insert(b.data.end(), pixels.data.begin(), pixels.data.end());
  return b;
}

// Decodes bytes with one type (0 = detect) through a memory stream.
inline bool Decode(GbImage& img, const Bytes& b, uint32_t type = GB_TYPE_BMP) {
  GbMemFile f(const_cast<uint8_t*>(b.data.data()), int32_t(b.data.size()));
  return img.Decode(&f, type);
}

// Reads the size alone, as Decode would find it.
inline bool Probe(GbImage& img, const Bytes& b, uint32_t type = GB_TYPE_BMP) {
  GbMemFile f(const_cast<uint8_t*>(b.data.data()), int32_t(b.data.size()));
  uint32_t width = 0, height = 0;
  return img.ProbeSize(&f, type, width, height);
}

inline uint32_t Rgb(const GbImage& img, long x, long y) {
  const RGBQUAD c = img.ReadPixelColor(x, y, false);
  return (uint32_t(c.rgbRed) << 16) | (uint32_t(c.rgbGreen) << 8) | c.rgbBlue;
}

}  // namespace bmptest
