// Bitmaps that own packed DIB pixels: creation, queries, and conversion to
// and from caller-described DIB layouts.
#include <algorithm>
#include <cstring>
#include <new>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiObjects.h"

namespace {
constexpr uint64_t kMaxPixelBytes = 0x7FFFFFFFu;

bool ValidDepth(int bpp) { return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32; }
}  // namespace

gdi::DibView GdiBitmap::View() const {
  gdi::DibView v;
  const BITMAPINFOHEADER& h = Header();
  v.width = h.biWidth;
  v.height = Height();
  v.topDown = h.biHeight < 0;
  v.bpp = h.biBitCount;
  uint32_t words[3];
  if (h.biCompression == BI_BITFIELDS) std::memcpy(words, block.get() + 40, 12);
  gdi::MasksFor(v.bpp, h.biCompression, words, v.masks);
  v.colours = Colours();
  v.colourCount = colourCount;
  v.bits = Bits();
  v.stride = Stride();
  return v;
}

namespace gdi {

std::unique_ptr<GdiBitmap> NewBitmap(int width, int height, int bpp, DWORD compression, const uint32_t* masks,
                                     const RGBQUAD* colours, int n) {
  if (width <= 0 || height == 0 || height == INT32_MIN || !ValidDepth(bpp)) return nullptr;
  if (compression != BI_RGB && !(compression == BI_BITFIELDS && (bpp == 16 || bpp == 32))) return nullptr;
  const size_t stride = DibStride(width, bpp);
  const uint64_t rows = uint64_t(height < 0 ? -int64_t(height) : height);
  if (stride == 0 || uint64_t(stride) * rows > kMaxPixelBytes) return nullptr;
  const int tableSize = bpp <= 8 ? (1 << bpp) : 0;
  const size_t maskBytes = compression == BI_BITFIELDS ? 12 : 0;
  const size_t pixelBytes = size_t(uint64_t(stride) * rows);

  auto bmp = std::make_unique<GdiBitmap>();
  bmp->colourOffset = 40 + maskBytes;
  bmp->pixelOffset = bmp->colourOffset + 4 * size_t(tableSize);
  bmp->blockSize = bmp->pixelOffset + pixelBytes;
  bmp->colourCount = tableSize;
  bmp->block.reset(new (std::nothrow) uint8_t[bmp->blockSize]);
  if (!bmp->block) return nullptr;
  std::memset(bmp->block.get(), 0, bmp->blockSize);

  BITMAPINFOHEADER& h = bmp->Header();
  h.biSize = 40;
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = WORD(bpp);
  h.biCompression = compression;
  h.biSizeImage = DWORD(pixelBytes);
  h.biXPelsPerMeter = 3780;
  h.biYPelsPerMeter = 3780;
  h.biClrUsed = DWORD(tableSize);
  if (maskBytes) {
    const uint32_t fallback[3] = {bpp == 16 ? 0x7C00u : 0xFF0000u, bpp == 16 ? 0x03E0u : 0xFF00u,
                                  bpp == 16 ? 0x001Fu : 0xFFu};
    std::memcpy(bmp->block.get() + 40, masks ? masks : fallback, 12);
  }
  if (tableSize && colours && n > 0) std::memcpy(bmp->Colours(), colours, 4 * size_t(std::min(n, tableSize)));
  return bmp;
}

bool ParseInfo(const BITMAPINFOHEADER* info, DibInfo& out) {
  if (!info || info->biSize < 40 || info->biSize > 4096) return false;
  const int bpp = info->biBitCount;
  if (!ValidDepth(bpp) || info->biWidth <= 0 || info->biHeight == 0 || info->biHeight == INT32_MIN) return false;
  const DWORD compression = info->biCompression;
  if (compression != BI_RGB && !(compression == BI_BITFIELDS && (bpp == 16 || bpp == 32))) return false;
  DibView& v = out.view;
  v.width = info->biWidth;
  v.height = info->biHeight < 0 ? -info->biHeight : info->biHeight;
  v.topDown = info->biHeight < 0;
  v.bpp = bpp;
  v.stride = DibStride(v.width, bpp);
  if (v.stride == 0 || uint64_t(v.stride) * uint64_t(v.height) > kMaxPixelBytes) return false;
  auto* base = reinterpret_cast<uint8_t*>(const_cast<BITMAPINFOHEADER*>(info));
  uint32_t words[3] = {};
  if (compression == BI_BITFIELDS) std::memcpy(words, base + 40, 12);
  MasksFor(bpp, compression, words, v.masks);
  out.compression = compression;
  size_t tableOffset = info->biSize;
  if (info->biSize == 40 && compression == BI_BITFIELDS) tableOffset += 12;
  if (bpp <= 8) {
    const int full = 1 << bpp;
    v.colourCount = info->biClrUsed && info->biClrUsed < DWORD(full) ? int(info->biClrUsed) : full;
    out.colourTable = reinterpret_cast<RGBQUAD*>(base + tableOffset);
    v.colours = out.colourTable;
  }
  return true;
}

void CopyRowSegment(const DibView& src, int sx, int sy, const DibView& dst, int dx, int dy, int width,
                    NearestCache* cache) {
  if (width <= 0) return;
  if (src.SameLayout(dst)) {
    if (src.bpp >= 8) {
      const size_t bytes = size_t(src.bpp / 8);
      std::memmove(dst.Row(dy) + size_t(dx) * bytes, src.Row(sy) + size_t(sx) * bytes, size_t(width) * bytes);
    } else {
      for (int i = 0; i < width; ++i) dst.WriteIndex(dx + i, dy, src.ReadIndex(sx + i, sy));
    }
    return;
  }
  for (int i = 0; i < width; ++i) dst.WriteRgb(dx + i, dy, src.ReadRgb(sx + i, sy), cache);
}

GdiBitmap* DefaultBitmap() {
  static GdiBitmap* stockBitmap = [] {
    const RGBQUAD bw[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    GdiBitmap* b = NewBitmap(1, 1, 1, BI_RGB, nullptr, bw, 2).release();
    b->stock = true;
    return b;
  }();
  return stockBitmap;
}

}  // namespace gdi

// ---- creation -----------------------------------------------------------------

HBITMAP CreateDIBSection(HDC, const BITMAPINFOHEADER* info, UINT usage, void** bits, void*, DWORD) {
  if (bits) *bits = nullptr;
  gdi::DibInfo d;
  if (usage != DIB_RGB_COLORS || !gdi::ParseInfo(info, d)) return nullptr;
  const int height = d.view.topDown ? -d.view.height : d.view.height;
  auto bmp =
      gdi::NewBitmap(d.view.width, height, d.view.bpp, d.compression, d.view.masks, d.view.colours, d.view.colourCount);
  if (!bmp) return nullptr;
  bmp->Header().biXPelsPerMeter = info->biXPelsPerMeter;
  bmp->Header().biYPelsPerMeter = info->biYPelsPerMeter;
  if (bits) *bits = bmp->Bits();
  return bmp.release();
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitCount, const void* bits) {
  if (width <= 0 || height <= 0 || planes != 1) return nullptr;
  int bpp = bitCount <= 1 ? 1 : bitCount <= 4 ? 4 : bitCount <= 8 ? 8 : bitCount <= 16 ? 16 : bitCount <= 24 ? 24 : 32;
  RGBQUAD table[256];
  if (bpp <= 8) gdi::DefaultColours(bpp, table);
  auto bmp = gdi::NewBitmap(width, height, bpp, BI_RGB, nullptr, table, bpp <= 8 ? 1 << bpp : 0);
  if (!bmp) return nullptr;
  if (bits) {
    // Device rows are top-down and padded to 2 bytes.
    const size_t in = ((size_t(width) * size_t(bpp) + 15) / 16) * 2;
    const size_t used = (size_t(width) * size_t(bpp) + 7) / 8;
    const gdi::DibView v = bmp->View();
    for (int y = 0; y < height; ++y) std::memcpy(v.Row(y), static_cast<const uint8_t*>(bits) + size_t(y) * in, used);
  }
  return bmp.release();
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height) {
  int bpp = 32;
  if (hdc && hdc->memory && hdc->bitmap) bpp = hdc->bitmap->Bpp();
  if (bpp <= 8) {
    RGBQUAD table[256];
    const GdiBitmap* model = hdc->bitmap;
    std::memcpy(table, model->Colours(), 4 * size_t(model->colourCount));
    auto bmp = gdi::NewBitmap(width, height, bpp, BI_RGB, nullptr, table, model->colourCount);
    return bmp.release();
  }
  return gdi::NewBitmap(width, height, bpp, BI_RGB, nullptr, nullptr, 0).release();
}

HBITMAP CreateDIBitmap(HDC hdc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                       const BITMAPINFOHEADER* info, UINT usage) {
  if (!header || header->biWidth <= 0 || header->biHeight == 0 || header->biHeight == INT32_MIN) return nullptr;
  const int height = header->biHeight < 0 ? -header->biHeight : header->biHeight;
  HBITMAP bmp = gdi::NewBitmap(header->biWidth, height, 32, BI_RGB, nullptr, nullptr, 0).release();
  if (!bmp) return nullptr;
  if ((init & CBM_INIT) && bits && info) {
    gdi::DibInfo d;
    if (!gdi::ParseInfo(info, d) || SetDIBits(hdc, bmp, 0, UINT(d.view.height), bits, info, usage) == 0) {
      DeleteObject(bmp);
      return nullptr;
    }
  }
  return bmp;
}

// ---- queries ---------------------------------------------------------------------

int GetObject(HGDIOBJ object, int size, void* out) {
  if (!object) return 0;
  if (object->kind == GdiObject::Kind::Bitmap) {
    const auto* bmp = static_cast<GdiBitmap*>(object);
    if (!out) return int(sizeof(DIBSECTION));
    if (size < int(sizeof(BITMAP))) return 0;
    BITMAP bm;
    bm.bmType = 0;
    bm.bmWidth = bmp->Width();
    bm.bmHeight = bmp->Height();
    bm.bmWidthBytes = LONG(bmp->Stride());
    bm.bmPlanes = 1;
    bm.bmBitsPixel = WORD(bmp->Bpp());
    bm.bmBits = bmp->Bits();
    if (size >= int(sizeof(DIBSECTION))) {
      DIBSECTION ds;
      ds.dsBm = bm;
      ds.dsBmih = bmp->Header();
      const gdi::DibView v = bmp->View();
      if (v.bpp == 16 || v.bpp == 32) std::memcpy(ds.dsBitfields, v.masks, 12);
      std::memcpy(out, &ds, sizeof ds);
      return int(sizeof ds);
    }
    std::memcpy(out, &bm, sizeof bm);
    return int(sizeof bm);
  }
  if (object->kind == GdiObject::Kind::Font) {
    if (!out) return int(sizeof(GdiFontDesc));
    if (size < int(sizeof(GdiFontDesc))) return 0;
    std::memcpy(out, &static_cast<GdiFont*>(object)->desc, sizeof(GdiFontDesc));
    return int(sizeof(GdiFontDesc));
  }
  if (object->kind == GdiObject::Kind::Brush) {
    if (!out) return int(sizeof(COLORREF));
    if (size < int(sizeof(COLORREF))) return 0;
    std::memcpy(out, &static_cast<GdiBrush*>(object)->colour, sizeof(COLORREF));
    return int(sizeof(COLORREF));
  }
  return 0;
}

BOOL DeleteObject(HGDIOBJ object) {
  if (!object) return FALSE;
  if (object->stock) return TRUE;
  if (object->selections > 0) return FALSE;
  delete object;
  return TRUE;
}

const uint8_t* PackedDibOf(HBITMAP bitmap, size_t* size) {
  if (!bitmap) {
    if (size) *size = 0;
    return nullptr;
  }
  if (size) *size = bitmap->blockSize;
  return bitmap->block.get();
}

// ---- conversion ----------------------------------------------------------------

namespace {

// Display row of the caller's DIB that holds scan line 'line'.
int DisplayRowOfLine(const gdi::DibView& v, int line) { return v.topDown ? line : v.height - 1 - line; }

}  // namespace

int GetDIBits(HDC, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFOHEADER* info, UINT usage) {
  if (!bitmap || !info || usage != DIB_RGB_COLORS) return 0;
  if (!bits && info->biSize >= 40 && info->biBitCount == 0) {
    // Describe the bitmap only.
    const BITMAPINFOHEADER& h = bitmap->Header();
    info->biWidth = h.biWidth;
    info->biHeight = h.biHeight;
    info->biPlanes = 1;
    info->biBitCount = h.biBitCount;
    info->biCompression = h.biCompression;
    info->biSizeImage = h.biSizeImage;
    info->biClrUsed = 0;
    info->biClrImportant = 0;
    return bitmap->Height();
  }
  gdi::DibInfo d;
  if (!gdi::ParseInfo(info, d)) return 0;
  gdi::DibView dst = d.view;
  const gdi::DibView src = bitmap->View();
  info->biSizeImage = DWORD(dst.stride * size_t(dst.height));
  if (dst.Indexed()) {
    if (src.bpp == dst.bpp) {
      // The bitmap's own colours, so indices copy unchanged.
      for (int i = 0; i < dst.colourCount; ++i) d.colourTable[i] = i < src.colourCount ? src.colours[i] : RGBQUAD{};
    } else {
      RGBQUAD table[256];
      gdi::DefaultColours(dst.bpp, table);
      std::memcpy(d.colourTable, table, 4 * size_t(dst.colourCount));
    }
    dst.colours = d.colourTable;
  }
  if (!bits) return dst.height;
  if (start >= UINT(dst.height)) return 0;
  lines = std::min<UINT>(lines, UINT(dst.height) - start);
  dst.bits = static_cast<uint8_t*>(bits);
  // The caller's buffer holds only the requested lines: address it as a
  // DIB of that many lines.
  gdi::DibView part = dst;
  part.height = int(lines);
  const int width = std::min(src.width, dst.width);
  gdi::NearestCache cache;
  cache.Reset();
  for (UINT k = 0; k < lines; ++k) {
    const int line = int(start + k);
    const int row = DisplayRowOfLine(dst, line);  // display row in the full DIB
    const int srcRow = row - (dst.height - src.height) * (dst.topDown ? 0 : 1);
    const int partRow = dst.topDown ? int(k) : int(lines) - 1 - int(k);
    if (srcRow < 0 || srcRow >= src.height) continue;
    std::memset(part.Row(partRow), 0, part.stride);  // padding and columns past the bitmap
    gdi::CopyRowSegment(src, 0, srcRow, part, 0, partRow, width, &cache);
  }
  return int(lines);
}

int SetDIBits(HDC, HBITMAP bitmap, UINT start, UINT lines, const void* bits, const BITMAPINFOHEADER* info, UINT usage) {
  if (!bitmap || !bits || usage != DIB_RGB_COLORS) return 0;
  gdi::DibInfo d;
  if (!gdi::ParseInfo(info, d)) return 0;
  const gdi::DibView full = d.view;
  if (start >= UINT(full.height)) return 0;
  lines = std::min<UINT>(lines, UINT(full.height) - start);
  gdi::DibView part = full;
  part.height = int(lines);
  part.bits = const_cast<uint8_t*>(static_cast<const uint8_t*>(bits));
  const gdi::DibView dst = bitmap->View();
  const int width = std::min(dst.width, full.width);
  gdi::NearestCache cache;
  cache.Reset();
  for (UINT k = 0; k < lines; ++k) {
    const int row = DisplayRowOfLine(full, int(start + k));
    const int dstRow = row - (full.height - dst.height) * (full.topDown ? 0 : 1);
    const int partRow = full.topDown ? int(k) : int(lines) - 1 - int(k);
    if (dstRow < 0 || dstRow >= dst.height) continue;
    gdi::CopyRowSegment(part, 0, partRow, dst, 0, dstRow, width, &cache);
  }
  return int(lines);
}

UINT GetDIBColorTable(HDC hdc, UINT start, UINT count, RGBQUAD* colours) {
  if (!hdc || !hdc->bitmap || !colours) return 0;
  const GdiBitmap* bmp = hdc->bitmap;
  if (start >= UINT(bmp->colourCount)) return 0;
  count = std::min<UINT>(count, UINT(bmp->colourCount) - start);
  std::memcpy(colours, bmp->Colours() + start, 4 * size_t(count));
  return count;
}

UINT SetDIBColorTable(HDC hdc, UINT start, UINT count, const RGBQUAD* colours) {
  if (!hdc || !hdc->bitmap || !colours || hdc->bitmap->stock) return 0;
  GdiBitmap* bmp = hdc->bitmap;
  if (start >= UINT(bmp->colourCount)) return 0;
  count = std::min<UINT>(count, UINT(bmp->colourCount) - start);
  std::memcpy(bmp->Colours() + start, colours, 4 * size_t(count));
  return count;
}

COLORREF GetPixel(HDC hdc, int x, int y) {
  if (!hdc || !hdc->bitmap) return CLR_INVALID;
  const gdi::DibView v = hdc->bitmap->View();
  if (!v.Contains(x, y)) return CLR_INVALID;
  return gdi::ColorRefFromRgb(v.ReadRgb(x, y));
}

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF colour) {
  if (!hdc || !hdc->bitmap || hdc->bitmap->stock) return CLR_INVALID;
  const gdi::DibView v = hdc->bitmap->View();
  if (!v.Contains(x, y)) return CLR_INVALID;
  v.WriteRgb(x, y, gdi::RgbFromColorRef(colour), nullptr);
  return gdi::ColorRefFromRgb(v.ReadRgb(x, y));
}
