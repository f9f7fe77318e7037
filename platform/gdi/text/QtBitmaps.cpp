#include "platform/gdi/text/QtBitmaps.h"

#include <cstring>
#include <vector>

QImage QImageOfBitmap(HBITMAP bitmap) {
  if (!bitmap) return {};
  BITMAP bm{};
  if (!GetObject(bitmap, sizeof(bm), &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0) return {};
  QImage out(int(bm.bmWidth), int(bm.bmHeight), QImage::Format_RGB32);
  if (out.isNull()) return {};
  // A negative height asks for the top row first, QImage's order; 32-bit
  // rows have no padding, which QImage's RGB32 rows match.
  BITMAPINFOHEADER info{};
  info.biSize = 40;
  info.biWidth = bm.bmWidth;
  info.biHeight = -bm.bmHeight;
  info.biPlanes = 1;
  info.biBitCount = 32;
  info.biCompression = BI_RGB;
  std::vector<uint8_t> pixels(size_t(bm.bmWidth) * size_t(bm.bmHeight) * 4);
  if (GetDIBits(nullptr, bitmap, 0, UINT(bm.bmHeight), pixels.data(), &info, DIB_RGB_COLORS) != int(bm.bmHeight))
    return {};
  const size_t rowBytes = size_t(bm.bmWidth) * 4;
  for (int y = 0; y < out.height(); ++y) {
    uchar* row = out.scanLine(y);
    std::memcpy(row, pixels.data() + size_t(y) * rowBytes, rowBytes);
    for (size_t x = 3; x < rowBytes; x += 4) row[x] = 0xFF;  // opaque
  }
  return out;
}
