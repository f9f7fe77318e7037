// A bitmap selected into its own memory context, for blit and conversion tests.
#pragma once
#include <cstring>
#include <vector>

#include "platform/gdi/Gdi.h"

struct Canvas {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ previous = nullptr;
  void* bits = nullptr;

  // Rows top-down when topDown; palette entries as 0x00RRGGBB.
  Canvas(int width, int height, int bpp, bool topDown = false, std::vector<uint32_t> palette = {},
         DWORD compression = BI_RGB, const DWORD* masks = nullptr) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = 40;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = topDown ? -height : height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = WORD(bpp);
    info.bmiHeader.biCompression = compression;
    if (compression == BI_BITFIELDS) std::memcpy(static_cast<void*>(info.bmiColors), masks, 12);
    info.bmiHeader.biClrUsed = DWORD(palette.size());
    for (size_t i = 0; i < palette.size(); ++i)
      info.bmiColors[i] = RGBQUAD{BYTE(palette[i]), BYTE(palette[i] >> 8), BYTE(palette[i] >> 16), 0};
    bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits);
    dc = CreateCompatibleDC(nullptr);
    if (bitmap) previous = SelectObject(dc, bitmap);
  }
  ~Canvas() {
    if (previous) SelectObject(dc, previous);
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  // Colours as 0x00RRGGBB, like the palettes above.
  void Set(int x, int y, uint32_t rgb) { SetPixel(dc, x, y, RGB(BYTE(rgb >> 16), BYTE(rgb >> 8), BYTE(rgb))); }
  uint32_t Get(int x, int y) const {
    const COLORREF c = GetPixel(dc, x, y);
    return (uint32_t(GetRValue(c)) << 16) | (uint32_t(GetGValue(c)) << 8) | GetBValue(c);
  }
  // Fills row by row from a top-down list of width x height colours.
  void Paint(int width, const std::vector<uint32_t>& colours) {
    for (size_t i = 0; i < colours.size(); ++i) Set(int(i % size_t(width)), int(i / size_t(width)), colours[i]);
  }
  std::vector<uint32_t> Dump(int width, int height) const {
    std::vector<uint32_t> out;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) out.push_back(Get(x, y));
    return out;
  }
};
