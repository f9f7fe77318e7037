// PNM: PBM, PGM and PPM, plain (P1-P3) and binary (P4-P6). Samples above 255
// are two bytes, most significant first. PBM's 1 is black, so bits are
// stored inverted: 0 black, 1 white, like the grey formats.
#include <cstdio>
#include <cstring>

#include "image/codecs/JasPicture.h"

namespace jas {
namespace {

constexpr const char* kCannotLoad = "error: cannot load image data";
constexpr const char* kCannotEncode = "error: cannot encode image";

bool isSpace(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// Skips white space and comments (# to the end of the line).
void skipSeparators(ByteReader& in) {
  for (;;) {
    const int c = in.peek();
    if (isSpace(c)) {
      in.next();
    } else if (c == '#') {
      int d;
      do d = in.next();
      while (d >= 0 && d != '\n' && d != '\r');
    } else {
      return;
    }
  }
}

// A decimal number of at most 32 bits; false on anything else.
bool readNumber(ByteReader& in, uint32_t& value) {
  skipSeparators(in);
  int c = in.peek();
  if (c < '0' || c > '9') return false;
  uint64_t v = 0;
  while (c >= '0' && c <= '9') {
    v = v * 10 + uint32_t(c - '0');
    if (v > 0xFFFFFFFFu) return false;
    in.next();
    c = in.peek();
  }
  value = uint32_t(v);
  return true;
}

int bitsFor(uint32_t maxValue) {
  int bits = 1;
  while (bits < 32 && (maxValue >> bits) != 0) ++bits;
  return bits;
}

}  // namespace

const char* ReadPnm(GbFile* stream, bool headerOnly, Picture& picture) {
  ByteReader in(stream);
  if (in.next() != 'P') return kCannotLoad;
  const int kind = in.next() - '0';
  if (kind < 1 || kind > 6) return kCannotLoad;
  const bool bitmap = kind == 1 || kind == 4;
  const bool colour = kind == 3 || kind == 6;
  const bool plain = kind <= 3;

  uint32_t width = 0, height = 0, maxValue = 1;
  if (!readNumber(in, width) || !readNumber(in, height)) return kCannotLoad;
  if (!bitmap && !readNumber(in, maxValue)) return kCannotLoad;
  if (width == 0 || height == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF) return kCannotLoad;
  if (maxValue == 0 || maxValue > 65535) return kCannotLoad;
  // Binary data starts after exactly one white-space character.
  if (!plain && !isSpace(in.next())) return kCannotLoad;

  const int nComps = colour ? 3 : 1;
  picture.space = colour ? ColourSpace::SRGB : ColourSpace::Grey;
  picture.components.resize(nComps);
  for (Component& c : picture.components) {
    c.precision = bitsFor(maxValue);
    c.maxValue = maxValue;
    if (!Allocate(c, width, height, true)) return kCannotLoad;
  }

  // The file must hold the data it announces: a byte or more per sample.
  const uint64_t samples = uint64_t(width) * height * nComps;
  const uint64_t bytesPerSample = maxValue > 255 ? 2 : 1;
  const uint64_t needed = kind == 4   ? uint64_t((width + 7) / 8) * height
                          : kind == 1 ? samples
                          : plain     ? samples
                                      : samples * bytesPerSample;
  if (samples > kMaxPictureSamples) return kCannotLoad;
  const int64_t left = BytesLeft(stream);
  // The reader has pulled some bytes ahead already; they still count.
  if (left >= 0 && needed > uint64_t(left) + 16384 + 64) return kCannotLoad;
  if (headerOnly) return nullptr;
  for (Component& c : picture.components) c.samples.assign(size_t(width) * height, 0);

  std::vector<uint8_t> row;
  for (uint32_t y = 0; y < height; ++y) {
    const size_t base = size_t(y) * width;
    if (kind == 4) {
      row.resize((width + 7) / 8);
      if (!in.read(row.data(), row.size())) return kCannotLoad;
      for (uint32_t x = 0; x < width; ++x)
        picture.components[0].samples[base + x] = (row[x / 8] >> (7 - x % 8)) & 1 ? 0 : 1;
    } else if (kind == 1) {
      for (uint32_t x = 0; x < width; ++x) {
        skipSeparators(in);
        const int c = in.next();
        if (c != '0' && c != '1') return kCannotLoad;
        picture.components[0].samples[base + x] = c == '1' ? 0 : 1;
      }
    } else if (plain) {
      for (uint32_t x = 0; x < width; ++x)
        for (int k = 0; k < nComps; ++k) {
          uint32_t v;
          if (!readNumber(in, v) || v > maxValue) return kCannotLoad;
          picture.components[k].samples[base + x] = int32_t(v);
        }
    } else {
      row.resize(size_t(width) * nComps * bytesPerSample);
      if (!in.read(row.data(), row.size())) return kCannotLoad;
      const uint8_t* p = row.data();
      for (uint32_t x = 0; x < width; ++x)
        for (int k = 0; k < nComps; ++k) {
          uint32_t v = *p++;
          if (bytesPerSample == 2) v = (v << 8) | *p++;
          if (v > maxValue) return kCannotLoad;
          picture.components[k].samples[base + x] = int32_t(v);
        }
    }
  }
  return nullptr;
}

const char* WritePnm(GbFile* stream, const Picture& picture) {
  const auto& comps = picture.components;
  if (comps.size() != 1 && comps.size() != 3) return kCannotEncode;
  const uint32_t width = comps[0].width, height = comps[0].height;
  char header[64];
  const int n = std::snprintf(header, sizeof header, "P%c\n%u %u\n255\n", comps.size() == 3 ? '6' : '5', width, height);
  ByteWriter out(stream);
  out.put(header, size_t(n));
  for (uint32_t y = 0; y < height; ++y) {
    const size_t base = size_t(y) * width;
    for (uint32_t x = 0; x < width; ++x)
      for (const Component& c : comps) out.put(uint8_t(c.samples[base + x]));
  }
  return out.flush() ? nullptr : kCannotEncode;
}

}  // namespace jas
