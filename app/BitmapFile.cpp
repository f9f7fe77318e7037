// WriteBitmapFile: a bitmap handle as the 32-bit BMP of project members.
// Its progress and failure lines go to standard error: standard output
// belongs to the results of whoever calls it (the command-line tool).
#include <cstdio>
#include <new>
#include <vector>

#include "app/ProjectFile.h"
#include "platform/SafeWrite.h"
#include "platform/gdi/Gdi.h"

namespace {

void Put16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

}  // namespace

int WriteBitmapFile(HBITMAP bitmap, const std::string& path) {
  BITMAP bm;
  if (!bitmap || GetObject(bitmap, sizeof bm, &bm) == 0 || bm.bmWidth <= 0 || bm.bmHeight <= 0) {
    std::fprintf(stderr, "Invalid Object in Clipboard Buffer\n");
    return 1;
  }
  // Rows of 4-byte pixels need no padding; keep the file within what a BMP
  // header and every reader can address.
  const uint64_t pixelBytes = uint64_t(bm.bmWidth) * uint64_t(bm.bmHeight) * 4;
  if (pixelBytes > 0x7FFFFFFFu - 54) {
    std::fprintf(stderr, "File Cannot Be Written\n");
    return 1;
  }
  std::vector<uint8_t> pixels;
  try {
    pixels.resize(size_t(pixelBytes));
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "File Cannot Be Written\n");
    return 1;
  }
  // A positive height asks for the bottom row first, the file's order; any
  // depth comes back as 32 bits.
  BITMAPINFO info{};
  info.bmiHeader.biSize = 40;
  info.bmiHeader.biWidth = bm.bmWidth;
  info.bmiHeader.biHeight = bm.bmHeight;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  HDC screen = GetDC(nullptr);
  const int lines = GetDIBits(screen, bitmap, 0, UINT(bm.bmHeight), pixels.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  if (lines != bm.bmHeight) {
    std::fprintf(stderr, "Invalid Object in Clipboard Buffer\n");
    return 1;
  }
  std::fprintf(stderr, "Proceeding Image %dx%d, BPP=%d\n", int(bm.bmWidth), int(bm.bmHeight), int(bm.bmBitsPixel));
  for (size_t i = 3; i < pixels.size(); i += 4) pixels[i] = 0;

  uint8_t head[54] = {};
  head[0] = 'B';
  head[1] = 'M';
  Put32(head + 10, 54);
  Put32(head + 14, 40);
  Put32(head + 18, uint32_t(bm.bmWidth));
  Put32(head + 22, uint32_t(bm.bmHeight));
  Put16(head + 26, 1);
  Put16(head + 28, 32);

  // Written beside the target and renamed over it only when complete: a
  // failed write keeps the older file, and a link planted under the name is
  // replaced, not followed.
  gbfile::SafeWriter out(path);
  if (!out.Write(head, sizeof head) || !out.Write(pixels.data(), pixels.size()) || !out.Commit()) {
    std::fprintf(stderr, "File Cannot Be Written\n");
    return 1;
  }
  return 0;
}
