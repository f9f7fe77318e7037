// PGX: one grey component. "PG", the byte order (ML most significant first,
// LM least), an optional sign, then precision, width and height, one white
// space, and the samples in 1, 2 or 4 bytes each.
#include <cstdio>

#include "image/codecs/JasPicture.h"

namespace jas {
namespace {

constexpr const char* kCannotLoad = "error: cannot load image data";
constexpr const char* kCannotEncode = "error: cannot encode image";

bool isSpace(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

void skipSpaces(ByteReader& in) {
  while (isSpace(in.peek())) in.next();
}

bool readNumber(ByteReader& in, uint32_t& value) {
  skipSpaces(in);
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

}  // namespace

const char* ReadPgx(GbFile* stream, bool headerOnly, Picture& picture) {
  ByteReader in(stream);
  if (in.next() != 'P' || in.next() != 'G') return kCannotLoad;
  skipSpaces(in);
  const int a = in.next(), b = in.next();
  bool bigEndian;
  if (a == 'M' && b == 'L')
    bigEndian = true;
  else if (a == 'L' && b == 'M')
    bigEndian = false;
  else
    return kCannotLoad;
  skipSpaces(in);
  bool isSigned = false;
  if (in.peek() == '+' || in.peek() == '-') isSigned = in.next() == '-';
  uint32_t precision = 0, width = 0, height = 0;
  if (!readNumber(in, precision) || !readNumber(in, width) || !readNumber(in, height)) return kCannotLoad;
  if (precision < 1 || precision > 32 || width > 0x7FFFFFFF || height > 0x7FFFFFFF) return kCannotLoad;
  if (!isSpace(in.next())) return kCannotLoad;

  picture.space = ColourSpace::Grey;
  picture.components.resize(1);
  Component& c = picture.components[0];
  c.precision = int(precision);
  c.isSigned = isSigned;
  c.maxValue = precision >= 32 ? 0xFFFFFFFFu : (1u << precision) - 1;
  if (!Allocate(c, width, height, true)) return kCannotLoad;
  const size_t bytes = precision <= 8 ? 1 : precision <= 16 ? 2 : 4;
  const uint64_t needed = uint64_t(width) * height * bytes;
  const int64_t left = BytesLeft(stream);
  if (left >= 0 && needed > uint64_t(left) + 16384 + 64) return kCannotLoad;
  if (headerOnly) return nullptr;
  c.samples.assign(size_t(width) * height, 0);

  std::vector<uint8_t> row(size_t(width) * bytes);
  for (uint32_t y = 0; y < height; ++y) {
    if (!in.read(row.data(), row.size())) return kCannotLoad;
    const uint8_t* p = row.data();
    for (uint32_t x = 0; x < width; ++x, p += bytes) {
      uint32_t v = 0;
      for (size_t k = 0; k < bytes; ++k) v |= uint32_t(p[bigEndian ? k : bytes - 1 - k]) << (8 * (bytes - 1 - k));
      c.samples[size_t(y) * width + x] = int32_t(v);
    }
  }
  return nullptr;
}

const char* WritePgx(GbFile* stream, const Picture& picture) {
  if (picture.components.size() != 1) return kCannotEncode;
  const Component& c = picture.components[0];
  char header[64];
  const int n = std::snprintf(header, sizeof header, "PG ML + 8 %u %u\n", c.width, c.height);
  ByteWriter out(stream);
  out.put(header, size_t(n));
  for (int32_t v : c.samples) out.put(uint8_t(v));
  return out.flush() ? nullptr : kCannotEncode;
}

}  // namespace jas
