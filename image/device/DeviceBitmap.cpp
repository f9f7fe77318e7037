// Images to and from the drawing stand-in's bitmaps (DIB sections).
#include <cstring>

#include "image/core/GbImage.h"
#include "platform/gdi/Gdi.h"

GdiBitmap* GbImage::MakeDibSection(GdiDC* dc) const {
  if (!block_) return nullptr;
  BITMAPINFO info{};
  info.bmiHeader = header_;
  info.bmiHeader.biSize = 40;
  info.bmiHeader.biCompression = BI_RGB;
  info.bmiHeader.biClrUsed = PaletteEntryCount();
  if (PaletteEntryCount()) std::memcpy(info.bmiColors, Palette(), 4 * size_t(PaletteEntryCount()));
  HDC memory = dc ? nullptr : CreateCompatibleDC(nullptr);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc ? dc : memory, &info, DIB_RGB_COLORS, &bits);
  if (memory) DeleteDC(memory);
  if (!bitmap || !bits) return nullptr;
  std::memcpy(bits, RowBits(0), size_t(RowStride()) * Height());
  return bitmap;
}

bool GbImage::CreateFromBitmap(GdiBitmap* bitmap, GdiPalette* palette) {
  if (!Release() || !bitmap) return false;
  BITMAP bm;
  if (GetObject(bitmap, sizeof bm, &bm) == 0 || bm.bmWidth <= 0 || bm.bmHeight <= 0) return false;
  if (!Create(uint32_t(bm.bmWidth), uint32_t(bm.bmHeight), bm.bmBitsPixel, GB_TYPE_UNKNOWN)) return false;
  HDC screen = GetDC(nullptr);
  HPALETTE previous = nullptr;
  if (palette && screen) {
    previous = SelectPalette(screen, palette, FALSE);
    RealizePalette(screen);
  }
  // The block starts with this image's header and palette, which is the
  // layout asked for; the palette comes back from the bitmap.
  const int lines = GetDIBits(screen, bitmap, 0, Height(), RowBits(0),
                              reinterpret_cast<BITMAPINFOHEADER*>(block_.get()), DIB_RGB_COLORS);
  if (previous) SelectPalette(screen, previous, FALSE);
  if (screen) ReleaseDC(nullptr, screen);
  info_.lastColorValid = 0;
  if (lines == 0) {
    Release();
    SetLastError("GetDIBits failed");
    return false;
  }
  return true;
}
