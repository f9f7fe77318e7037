// Device-independent bitmaps inside metafile records, unpacked through the
// drawing stand-in: a DIB section takes the file's header, colours and bits,
// and GetDIBits hands them back as 32-bit pixels, top row first.
#include <algorithm>
#include <cstring>

#include "image/codecs/MetaPlayer.h"
#include "platform/gdi/Gdi.h"
#include "image/io/Bytes.h"

namespace meta {
namespace {

// Largest picture a record may carry, in pixels.
constexpr uint64_t kMaxDibPixels = uint64_t(1) << 25;

}  // namespace

bool DecodeDib(const uint8_t* info, size_t infoSize, const uint8_t* bits, size_t bitsSize, Bitmap& out,
               bool* bottomUp) {
  if (!info || infoSize < 12) return false;
  const uint32_t headerSize = gbio::Le32(info);
  int32_t width, height;
  uint32_t bpp, compression = 0, clrUsed = 0;
  size_t tableOffset, entrySize = 4;
  uint32_t masks[3] = {0, 0, 0};
  if (headerSize == 12) {
    width = gbio::Le16(info + 4);
    height = gbio::Le16(info + 6);
    bpp = gbio::Le16(info + 10);
    tableOffset = 12;
    entrySize = 3;
  } else {
    if (headerSize < 40 || headerSize > infoSize) return false;
    width = int32_t(gbio::Le32(info + 4));
    height = int32_t(gbio::Le32(info + 8));
    bpp = gbio::Le16(info + 14);
    compression = gbio::Le32(info + 16);
    clrUsed = gbio::Le32(info + 32);
    tableOffset = headerSize;
    if (compression == 3) {
      // Masks follow a 40-byte header and sit inside the longer ones.
      if (headerSize == 40) {
        if (infoSize < 52) return false;
        tableOffset = 52;
      } else if (headerSize < 52) {
        return false;
      }
      for (int i = 0; i < 3; ++i) masks[i] = gbio::Le32(info + 40 + 4 * i);
    }
  }
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;
  if (compression != 0 && !(compression == 3 && (bpp == 16 || bpp == 32))) return false;
  if (width <= 0 || height == 0 || height == INT32_MIN) return false;
  const uint32_t rows = uint32_t(height < 0 ? -int64_t(height) : height);
  if (uint64_t(width) * rows > kMaxDibPixels) return false;
  const size_t stride = ((size_t(width) * bpp + 31) / 32) * 4;
  if (!bits || stride * rows > bitsSize) return false;

  // A 40-byte header, masks or a full colour table, as the stand-in reads it.
  std::vector<uint8_t> buffer(40 + 12 + 256 * 4, 0);
  BITMAPINFOHEADER h{};
  h.biSize = 40;
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = WORD(bpp);
  h.biCompression = compression;
  if (bpp <= 8) {
    const uint32_t full = 1u << bpp;
    const uint32_t entries = clrUsed && clrUsed < full ? clrUsed : full;
    h.biClrUsed = entries;
    for (uint32_t i = 0; i < entries; ++i) {
      const size_t at = tableOffset + size_t(i) * entrySize;
      if (at + 3 > infoSize) break;  // a short table leaves black entries
      std::memcpy(buffer.data() + 40 + 4 * size_t(i), info + at, 3);
    }
  } else if (compression == 3) {
    std::memcpy(buffer.data() + 40, masks, 12);
  }
  std::memcpy(buffer.data(), &h, sizeof h);

  void* sectionBits = nullptr;
  HBITMAP section =
      CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFOHEADER*>(buffer.data()), DIB_RGB_COLORS, &sectionBits);
  if (!section || !sectionBits) {
    if (section) DeleteObject(section);
    return false;
  }
  std::memcpy(sectionBits, bits, stride * rows);

  out.width = width;
  out.height = int(rows);
  out.pixels.assign(size_t(width) * rows, 0);
  BITMAPINFO wanted{};
  wanted.bmiHeader.biSize = 40;
  wanted.bmiHeader.biWidth = width;
  wanted.bmiHeader.biHeight = -int32_t(rows);
  wanted.bmiHeader.biPlanes = 1;
  wanted.bmiHeader.biBitCount = 32;
  const int copied = GetDIBits(nullptr, section, 0, rows, out.pixels.data(), &wanted, DIB_RGB_COLORS);
  DeleteObject(section);
  if (copied != int(rows)) return false;

  out.hasAlpha = bpp == 32 && compression == 0;
  if (out.hasAlpha) {
    // The fourth byte of plain 32-bit pixels is alpha for blending.
    for (uint32_t y = 0; y < rows; ++y) {
      const uint32_t fileRow = height > 0 ? rows - 1 - y : y;
      const uint8_t* src = bits + fileRow * stride;
      for (int32_t x = 0; x < width; ++x)
        out.pixels[size_t(y) * width + x] =
            (out.pixels[size_t(y) * width + x] & 0xFFFFFF) | (uint32_t(src[4 * x + 3]) << 24);
    }
  } else {
    for (uint32_t& p : out.pixels) p |= 0xFF000000u;
  }
  if (bottomUp) *bottomUp = height > 0;
  return true;
}

}  // namespace meta
