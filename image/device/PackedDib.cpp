// The packed DIB form in global memory blocks: the clipboard's bitmap
// format and the effects engine's exchange form. Incoming blocks come from
// other programs, so every size, count and offset is checked against the
// bytes that are really there.
#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>
#include <memory>
#include <new>

#include "image/core/GbImage.h"
#include "image/core/RleReach.h"
#include "platform/gdi/GlobalMemory.h"

namespace {

uint32_t ReadU32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// One colour channel of a bit-field pixel: the bits under the mask moved
// down to bit 0 and brought to 8 bits, narrow channels shifted up without
// filling the low bits (5 bits: value << 3), wide ones keeping their top 8
// bits. For 5-5-5, 5-6-5 and whole-byte masks this is the usual shift or
// byte pick; masks that straddle bytes are read right as well.
struct Channel {
  uint32_t mask = 0;
  int shift = 0, up = 0, down = 0;
  explicit Channel(uint32_t m) : mask(m) {
    if (!m) return;
    shift = std::countr_zero(m);
    const int width = 32 - std::countl_zero(m >> shift);
    if (width < 8)
      up = 8 - width;
    else
      down = width - 8;
  }
  uint8_t operator()(uint32_t pixel) const {
    if (!mask) return 0;
    const uint32_t v = (pixel & mask) >> shift;
    return uint8_t(up ? v << up : v >> down);
  }
};

// Run-length pixels of 8 or 4 bits into the image's pixel area, bottom row
// first. Writes outside the area are dropped; running out of bytes ends
// decoding like an end-of-bitmap code.
void DecodeRle(GbImage& image, const uint8_t* p, const uint8_t* end, bool fourBits) {
  const uint64_t height = image.Height();
  const uint64_t stride = image.RowStride();
  uint64_t x = 0, row = 0;
  auto put = [&](uint8_t value) {
    if (row < height) {
      if (fourBits) {
        if (x / 2 < stride) {
          uint8_t& b = image.RowBits(uint32_t(row))[x / 2];
          b = (x & 1) ? uint8_t((b & 0xF0) | (value & 0x0F)) : uint8_t((b & 0x0F) | (value << 4));
        }
      } else if (x < stride) {
        image.RowBits(uint32_t(row))[x] = value;
      }
    }
    ++x;
  };
  while (end - p >= 2) {
    const uint8_t count = p[0], value = p[1];
    p += 2;
    if (count > 0) {
      for (int k = 0; k < count; ++k) put(fourBits ? uint8_t((k & 1) ? (value & 0x0F) : (value >> 4)) : value);
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++row;
    } else if (value == 1) {  // end of bitmap
      return;
    } else if (value == 2) {  // delta
      if (end - p < 2) return;
      x += p[0];
      row += p[1];
      p += 2;
    } else {  // literal run of 'value' pixels
      const size_t bytes = fourBits ? (size_t(value) + 1) / 2 : value;
      for (int k = 0; k < value; ++k) {
        const size_t at = fourBits ? size_t(k) / 2 : size_t(k);
        if (at >= size_t(end - p)) return;
        put(fourBits ? uint8_t((k & 1) ? (p[at] & 0x0F) : (p[at] >> 4)) : p[at]);
      }
      const size_t advance = bytes + (bytes & 1);
      if (advance > size_t(end - p)) return;
      p += advance;
    }
  }
}

// Rows reversed in place, for blocks stored top-down.
void FlipRows(GbImage& image) {
  const size_t stride = image.RowStride();
  std::unique_ptr<uint8_t[]> tmp(new (std::nothrow) uint8_t[stride]);
  if (!tmp) return;
  for (uint32_t a = 0, b = image.Height() - 1; a < b; ++a, --b) {
    std::memcpy(tmp.get(), image.RowBits(a), stride);
    std::memcpy(image.RowBits(a), image.RowBits(b), stride);
    std::memcpy(image.RowBits(b), tmp.get(), stride);
  }
}

}  // namespace

GdiGlobal* GbImage::CopyToGlobalDib() const {
  if (!block_) return nullptr;
  HGLOBAL handle = GlobalAlloc(GHND, PackedSize());
  if (!handle) return nullptr;
  void* p = GlobalLock(handle);
  if (!p) {
    GlobalFree(handle);
    return nullptr;
  }
  std::memcpy(p, block_, PackedSize());
  GlobalUnlock(handle);
  return handle;
}

bool GbImage::CreateFromGlobalDib(GdiGlobal* handle) {
  if (!Release()) return false;
  const size_t size = GlobalSize(handle);
  if (size == 0) return false;
  const void* p = GlobalLock(handle);
  if (!p) return false;
  const bool ok = CreateFromPackedDib(static_cast<const uint8_t*>(p), size);
  GlobalUnlock(handle);
  return ok;
}

bool GbImage::CreateFromPackedDib(const uint8_t* bytes, size_t size) {
  if (!Release() || !bytes || size < 40) return false;
  BITMAPINFOHEADER h;
  std::memcpy(&h, bytes, 40);
  if (h.biSize < 40 || h.biSize > size) return false;
  if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN) return false;
  const bool topDown = h.biHeight < 0;
  const uint32_t width = uint32_t(h.biWidth);
  const uint32_t height = uint32_t(topDown ? -h.biHeight : h.biHeight);
  const uint32_t bpp = h.biBitCount;
  const uint32_t compression = h.biCompression;
  switch (bpp) {
    case 1:
      if (compression != BI_RGB) return false;
      break;
    case 4:
      if (compression != BI_RGB && compression != BI_RLE4) return false;
      break;
    case 8:
      if (compression != BI_RGB && compression != BI_RLE8) return false;
      break;
    case 16:
    case 32:
      if (compression != BI_RGB && compression != BI_BITFIELDS) return false;
      break;
    case 24:
      if (compression != BI_RGB) return false;
      break;
    default: return false;
  }

  // Masks follow a 40-byte header; longer headers hold them at the same place.
  uint32_t masks[3] = {};
  size_t offset = h.biSize;
  if (compression == BI_BITFIELDS) {
    if (size < 52) return false;
    for (int i = 0; i < 3; ++i) masks[i] = ReadU32(bytes + 40 + 4 * i);
    if (h.biSize == 40) offset = 52;
  } else if (bpp == 16) {
    masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
  } else if (bpp == 32) {
    masks[0] = 0xFF0000, masks[1] = 0x00FF00, masks[2] = 0x0000FF;
  }
  // Colour table: biClrUsed entries (all 2^bits when 0 for palette depths);
  // deeper pixels may carry an optional table too, which is skipped.
  const uint64_t entries = bpp <= 8 ? (h.biClrUsed ? h.biClrUsed : (1u << bpp)) : h.biClrUsed;
  if (entries > (size - offset) / 4) return false;
  const uint8_t* table = bytes + offset;
  offset += size_t(entries) * 4;

  // Uncompressed rows must all be there before anything is allocated for
  // them, so a lying header cannot make a huge image from a few bytes.
  const bool rle = compression == BI_RLE8 || compression == BI_RLE4;
  const uint64_t inStride = bpp == 32 ? uint64_t(width) * 4 : ((uint64_t(width) * bpp + 31) / 32) * 4;
  const size_t available = size - offset;
  if (!rle && inStride > available / height) return false;
  if (rle) {
    const uint64_t allocation = GbImage::StrideFor(width, bpp) * uint64_t(height);
    const auto rowsReached = [&] {
      const uint8_t* p = bytes + offset;
      const uint8_t* const end = bytes + size;
      return gbrle::RowsReached([&p, end] { return p < end ? int(*p++) : -1; }, compression == BI_RLE4);
    };
    if (!gbrle::Justified(allocation, available, height, rowsReached)) return false;
  }

  if (!Create(width, height, bpp, GB_TYPE_UNKNOWN)) return false;
  SetDpiX(PpmToDpi(h.biXPelsPerMeter));
  SetDpiY(PpmToDpi(h.biYPelsPerMeter));
  if (bpp <= 8) {
    const uint32_t n = uint32_t(std::min<uint64_t>(entries, PaletteEntryCount()));
    for (uint32_t i = 0; i < n; ++i) SetPaletteColor(i, RGBQUAD{table[4 * i], table[4 * i + 1], table[4 * i + 2], 0});
  }

  const uint8_t* pixels = bytes + offset;
  if (rle) {
    Fill(0);  // pixels the codes skip stay index 0
    DecodeRle(*this, pixels, pixels + available, compression == BI_RLE4);
  } else if (bpp <= 8 || bpp == 24) {
    std::memcpy(RowBits(0), pixels, size_t(RowStride()) * height);
  } else {
    // 16 or 32 bits through the masks; the fourth byte of 32 is not alpha here.
    Fill(0);  // row padding
    const Channel red(bpp == 16 ? masks[0] & 0xFFFF : masks[0]), green(bpp == 16 ? masks[1] & 0xFFFF : masks[1]),
        blue(bpp == 16 ? masks[2] & 0xFFFF : masks[2]);
    const size_t bytes = bpp / 8;
    for (uint32_t y = 0; y < height; ++y) {
      const uint8_t* in = pixels + size_t(y) * inStride;
      uint8_t* out = RowBits(y);
      for (uint32_t x = 0; x < width; ++x, in += bytes) {
        const uint32_t w = bpp == 16 ? uint32_t(in[0]) | uint32_t(in[1]) << 8 : ReadU32(in);
        out[3 * x] = blue(w);
        out[3 * x + 1] = green(w);
        out[3 * x + 2] = red(w);
      }
    }
  }
  if (topDown) FlipRows(*this);
  return true;
}
