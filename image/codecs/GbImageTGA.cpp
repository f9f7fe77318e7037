#include "image/codecs/GbImageTGA.h"

#include <cstring>
#include <memory>
#include <new>

#include "image/io/ByteReader.h"
#include "image/io/Bytes.h"

namespace {

constexpr const char* kNotTga = "Not a TGA";
constexpr const char* kUnknownType = "Unknown TGA image type";
constexpr const char* kBadHeader = "bad TGA header";
constexpr const char* kCreateFailed = "TGA Create failed";
constexpr const char* kCancelled = "Cancelled";
constexpr const char* kCorrupted = "corrupted TGA";
constexpr const char* kBadDepth = "Bit depth must be 8 or 24";
constexpr const char* kWriteError = "Error writing TGA";

// 5-5-5 colour words: each channel moved to the top of its byte.
RGBQUAD from555(uint16_t w) { return RGBQUAD{uint8_t(w << 3), uint8_t((w >> 2) & 0xF8), uint8_t((w >> 7) & 0xF8), 0}; }

}  // namespace

GB_CODEC_FACTORY(GbImageTGA)

const char* GbImageTGA::DecodeStream(GbFile* f) {
  ByteReader in(f);
  uint8_t h[18];
  if (!in.Read(h, sizeof h)) return kNotTga;
  const uint8_t idLength = h[0], mapType = h[1], imageType = h[2];
  const uint16_t mapFirst = gbio::Le16(h + 3), mapLength = gbio::Le16(h + 5);
  const uint8_t mapEntrySize = h[7];
  const uint32_t width = gbio::Le16(h + 12), height = gbio::Le16(h + 14);
  const uint8_t depth = h[16], descriptor = h[17];
  const bool rle = imageType >= 9;
  const uint8_t kind = rle ? uint8_t(imageType - 8) : imageType;  // 1 mapped, 2 true colour, 3 grey
  if (kind < 1 || kind > 3) return kUnknownType;
  if (width == 0 || height == 0 || depth == 0 || mapLength > 256) return kBadHeader;
  if (depth != 8 && depth != 15 && depth != 16 && depth != 24 && depth != 32) return kBadHeader;
  // Indices are bytes; grey comes as bytes, or as grey and alpha bytes.
  if ((kind == 1 && depth != 8) || (kind == 3 && depth != 8 && depth != 16)) return kBadHeader;
  // A colour map in a size we cannot step over would shift every pixel.
  const bool hasMap = mapType == 1 && mapLength > 0;
  if (hasMap && mapEntrySize != 15 && mapEntrySize != 16 && mapEntrySize != 24 && mapEntrySize != 32) return kBadHeader;

  if (Probing()) return SizeFound(width, height, GB_TYPE_TGA);

  const uint32_t pixelBytes = (depth + 7u) / 8u;
  const size_t mapBytes = hasMap ? size_t(mapLength) * ((mapEntrySize + 7u) / 8u) : 0;
  // The stream must be able to hold the picture: raw rows in full, run
  // packets at 128 pixels for 1 + pixelBytes bytes.
  const int64_t left = in.Left();
  if (left >= 0) {
    const uint64_t pixels = uint64_t(width) * height;
    const uint64_t need = idLength + mapBytes + (rle ? (pixels + 127) / 128 * (1 + pixelBytes) : pixels * pixelBytes);
    if (uint64_t(left) < need) return kCorrupted;
  }
  if (!in.Skip(idLength)) return kCorrupted;

  // 16-bit grey files carry grey and alpha bytes.
  const bool greyAlpha = kind == 3 && depth == 16;
  if (!Create(width, height, greyAlpha ? 8 : depth, GB_TYPE_TGA)) return kCreateFailed;
  if ((depth == 32 || greyAlpha) && !CreateAlpha()) return kCreateFailed;
  if (Escape()) return kCancelled;

  if (hasMap) {
    const uint32_t entryBytes = (mapEntrySize + 7u) / 8u;
    uint8_t e[4];
    for (uint32_t i = 0; i < mapLength; ++i) {
      if (!in.Read(e, entryBytes)) return kCorrupted;
      const RGBQUAD c = entryBytes == 2 ? from555(gbio::Le16(e)) : RGBQUAD{e[0], e[1], e[2], 0};
      if (BitsPerPixel() == 8) SetPaletteColor(uint32_t(mapFirst) + i, c);
    }
  }
  if (kind == 3 && BitsPerPixel() == 8) SetGreyPalette();

  const bool topDown = (descriptor & 0x20) != 0;
  const bool rightToLeft = (descriptor & 0x10) != 0;
  uint8_t* alpha = AlphaPlane();
  std::unique_ptr<uint8_t[]> row(new (std::nothrow) uint8_t[size_t(width) * pixelBytes]);
  if (!row) return kCreateFailed;
  // Run state, kept across rows: packets may continue on the next row.
  uint32_t left_in_packet = 0;
  bool repeat = false;
  uint8_t value[4] = {};

  for (uint32_t i = 0; i < height; ++i) {
    if (Escape()) return kCancelled;
    SetProgress(long(uint64_t(i) * 100 / height));
    const uint32_t y = topDown ? height - 1 - i : i;
    if (!rle) {
      if (!in.Read(row.get(), size_t(width) * pixelBytes)) return kCorrupted;
    } else {
      for (uint32_t x = 0; x < width; ++x) {
        if (left_in_packet == 0) {
          const int header = in.Next();
          if (header < 0) return kCorrupted;
          repeat = (header & 0x80) != 0;
          left_in_packet = repeat ? uint32_t(header) - 127 : uint32_t(header) + 1;
          if (repeat && !in.Read(value, pixelBytes)) return kCorrupted;
        }
        if (!repeat && !in.Read(value, pixelBytes)) return kCorrupted;
        std::memcpy(row.get() + size_t(x) * pixelBytes, value, pixelBytes);
        --left_in_packet;
      }
    }
    uint8_t* dst = RowBits(y);
    uint8_t* a = alpha ? alpha + size_t(y) * width : nullptr;
    const uint8_t* p = row.get();
    for (uint32_t x = 0; x < width; ++x, p += pixelBytes) {
      switch (depth) {
        case 8: dst[x] = p[0]; break;
        case 15:
        case 16:
          if (greyAlpha) {
            dst[x] = p[0];
            a[x] = p[1];
          } else {
            const RGBQUAD c = from555(gbio::Le16(p));
            dst[3 * size_t(x)] = c.rgbBlue;
            dst[3 * size_t(x) + 1] = c.rgbGreen;
            dst[3 * size_t(x) + 2] = c.rgbRed;
          }
          break;
        default:  // 24 and 32: blue, green, red (, alpha)
          std::memcpy(dst + 3 * size_t(x), p, 3);
          if (depth == 32) a[x] = p[3];
          break;
      }
    }
  }
  if (rightToLeft) MirrorHorizontal(false, true);
  return nullptr;
}

bool GbImageTGA::Encode(GbFile* stream) {
  if (CheckEncodable(stream)) return false;
  const uint32_t bpp = BitsPerPixel();
  if (bpp < 8) {
    SetLastError(kBadDepth);
    return false;
  }
  const uint32_t width = Width(), height = Height();
  if (width > 0xFFFF || height > 0xFFFF) {
    SetLastError(kBadHeader);
    return false;
  }
  const bool mapped = bpp == 8;
  const uint8_t* alpha = !mapped ? AlphaPlane() : nullptr;
  const uint8_t depth = mapped ? 8 : alpha ? 32 : 24;
  uint8_t h[18] = {};
  h[1] = mapped ? 1 : 0;
  h[2] = mapped ? 1 : 2;
  if (mapped) {
    h[5] = 0;  // 256 entries
    h[6] = 1;
    h[7] = 24;
  }
  h[12] = uint8_t(width);
  h[13] = uint8_t(width >> 8);
  h[14] = uint8_t(height);
  h[15] = uint8_t(height >> 8);
  h[16] = depth;
  h[17] = alpha ? 8 : 0;  // alpha bits, so other readers keep the alpha channel
  bool ok = stream->Write(h, 1, sizeof h) == sizeof h;
  if (ok && mapped) {
    uint8_t map[256 * 3];
    for (uint32_t i = 0; i < 256; ++i) {
      const RGBQUAD c = PaletteColor(i);
      map[3 * i] = c.rgbBlue;
      map[3 * i + 1] = c.rgbGreen;
      map[3 * i + 2] = c.rgbRed;
    }
    ok = stream->Write(map, 1, sizeof map) == sizeof map;
  }
  const size_t lineBytes = size_t(width) * (depth / 8u);
  std::unique_ptr<uint8_t[]> line(new (std::nothrow) uint8_t[lineBytes]);
  ok = ok && line;
  for (uint32_t y = 0; ok && y < height; ++y) {
    const uint8_t* src = RowBits(y);
    if (alpha) {
      uint8_t* out = line.get();
      const uint8_t* a = alpha + size_t(y) * width;
      for (uint32_t x = 0; x < width; ++x, src += 3) {
        *out++ = src[0];
        *out++ = src[1];
        *out++ = src[2];
        *out++ = a[x];
      }
    } else {
      std::memcpy(line.get(), src, lineBytes);
    }
    ok = stream->Write(line.get(), 1, lineBytes) == lineBytes;
  }
  if (!ok) {
    SetLastError(kWriteError);
    return false;
  }
  return true;
}
