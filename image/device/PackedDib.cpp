// The packed DIB form in global memory blocks: the clipboard's bitmap
// format and the effects engine's exchange form. Incoming blocks come from
// other programs, so every size, count and offset is checked against the
// bytes that are really there.
#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <new>

#include "image/core/GbImage.h"
#include "image/io/Bytes.h"
#include "image/io/DibPixels.h"
#include "platform/gdi/GlobalMemory.h"

namespace {

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
    for (int i = 0; i < 3; ++i) masks[i] = gbio::Le32(bytes + 40 + 4 * i);
    if (h.biSize == 40) offset = 52;
  } else if (bpp == 16 || bpp == 32) {
    gbdib::DefaultMasks(bpp, masks);
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
  uint64_t rowBytes = 0;
  if (!rle && (!gbio::CheckedMulAdd(inStride, height, 0, rowBytes) || rowBytes > available)) return false;
  if (rle) {
    const uint64_t allocation = GbImage::StrideFor(width, bpp) * uint64_t(height);
    const auto rowsReached = [&] {
      const uint8_t* p = bytes + offset;
      const uint8_t* const end = bytes + size;
      return gbdib::RowsReached([&p, end] { return p < end ? int(*p++) : -1; }, compression == BI_RLE4);
    };
    if (!gbdib::Justified(allocation, available, height, rowsReached)) return false;
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
    // Running out of bytes ends decoding like an end-of-bitmap code.
    const uint8_t* p = pixels;
    const uint8_t* const end = pixels + available;
    gbdib::DecodeRle([&p, end] { return p < end ? int(*p++) : -1; },
                     [this](size_t row) { return RowBits(uint32_t(row)); }, RowStride(), height,
                     compression == BI_RLE4);
  } else if (bpp <= 8 || bpp == 24) {
    std::memcpy(RowBits(0), pixels, size_t(RowStride()) * height);
  } else {
    // 16 or 32 bits through the masks; the fourth byte of 32 is not alpha here.
    Fill(0);  // row padding
    const gbdib::BitFields fields(masks, bpp);
    for (uint32_t y = 0; y < height; ++y)
      gbdib::BitFieldRow(pixels + size_t(y) * inStride, RowBits(y), width, bpp, fields);
  }
  if (topDown) FlipRows(*this);
  return true;
}
