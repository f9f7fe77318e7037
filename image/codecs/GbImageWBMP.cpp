#include "image/codecs/GbImageWBMP.h"

#include <cstring>
#include <vector>

#include "image/io/ByteReader.h"

namespace {

constexpr const char* kNotWbmp = "Not a WBMP";
constexpr const char* kUnsupported = "Unsupported WBMP type";
constexpr const char* kCreateFailed = "WBMP Create failed";
constexpr const char* kCorrupted = "Corrupted WBMP";
constexpr const char* kCantSave = "Can't save this image as WBMP";
constexpr const char* kWriteError = "Error writing WBMP";

// Multi-byte integer: 7 bits per byte, most significant group first, the
// high bit set on every byte but the last. -1 when malformed or too large.
int64_t readNumber(ByteReader& in) {
  uint64_t value = 0;
  for (int i = 0; i < 5; ++i) {
    const int b = in.Next();
    if (b < 0) return -1;
    value = (value << 7) | uint64_t(b & 0x7F);
    if (!(b & 0x80)) return value <= 0x7FFFFFFF ? int64_t(value) : -1;
  }
  return -1;
}

size_t putNumber(uint8_t* out, uint32_t v) {
  uint8_t groups[5];
  size_t n = 0;
  do {
    groups[n++] = uint8_t(v & 0x7F);
    v >>= 7;
  } while (v);
  for (size_t i = 0; i < n; ++i) out[i] = uint8_t(groups[n - 1 - i] | (i + 1 < n ? 0x80 : 0));
  return n;
}

unsigned brightness(const RGBQUAD& c) { return (117u * c.rgbBlue + 601u * c.rgbGreen + 306u * c.rgbRed) >> 10; }

}  // namespace

GB_CODEC_FACTORY(GbImageWBMP)

const char* GbImageWBMP::DecodeStream(GbFile* f) {
  ByteReader in(f);
  const int64_t type = readNumber(in);
  if (type < 0) return kNotWbmp;
  if (type != 0) return kUnsupported;
  // The fixed header byte: extension headers and reserved bits are not
  // part of type 0 pictures.
  const int fixed = in.Next();
  if (fixed < 0 || (fixed & 0x9F) != 0) return kNotWbmp;
  const int64_t width = readNumber(in), height = readNumber(in);
  if (width <= 0 || height <= 0) return kNotWbmp;
  if (Probing()) return SizeFound(width, height, GB_TYPE_WBMP);
  const size_t rowBytes = size_t((width + 7) / 8);
  const int64_t left = in.Left();
  if (left >= 0 && uint64_t(left) < uint64_t(rowBytes) * uint64_t(height)) return kCorrupted;
  if (!Create(uint32_t(width), uint32_t(height), 1, GB_TYPE_WBMP)) return kCreateFailed;
  SetGreyPalette();
  for (uint32_t i = 0; i < uint32_t(height); ++i) {
    if (Escape()) return "Cancelled";
    uint8_t* row = RowBits(uint32_t(height) - 1 - i);
    if (!in.Read(row, rowBytes)) return kCorrupted;
  }
  return nullptr;
}

bool GbImageWBMP::Encode(GbFile* stream) {
  if (CheckEncodable(stream)) return false;
  if (BitsPerPixel() != 1) {
    SetLastError(kCantSave);
    return false;
  }
  const uint32_t width = Width(), height = Height();
  uint8_t header[12] = {0, 0};
  size_t n = 2;
  n += putNumber(header + n, width);
  n += putNumber(header + n, height);
  bool ok = stream->Write(header, 1, n) == n;
  // The file fixes 1 as white: a lighter entry 0 is written inverted.
  const bool invert = brightness(PaletteColor(0)) > brightness(PaletteColor(1));
  const size_t rowBytes = (width + 7) / 8;
  const uint8_t lastMask = uint8_t(0xFF << ((8 - width % 8) % 8));
  std::vector<uint8_t> line(rowBytes);
  for (uint32_t i = 0; ok && i < height; ++i) {
    std::memcpy(line.data(), RowBits(height - 1 - i), rowBytes);
    if (invert)
      for (uint8_t& b : line) b = uint8_t(~b);
    line[rowBytes - 1] &= lastMask;  // bits past the right edge stay 0
    ok = stream->Write(line.data(), 1, rowBytes) == rowBytes;
  }
  if (!ok) {
    SetLastError(kWriteError);
    return false;
  }
  return true;
}
