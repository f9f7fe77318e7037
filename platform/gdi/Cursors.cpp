// Cursors and icons: a mask bitmap, an optional colour bitmap and a hot spot.
#include <cstring>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiObjects.h"

namespace {

std::unique_ptr<GdiBitmap> CopyOf(const GdiBitmap* source) {
  if (!source) return nullptr;
  auto copy = std::make_unique<GdiBitmap>();
  copy->blockSize = source->blockSize;
  copy->colourOffset = source->colourOffset;
  copy->pixelOffset = source->pixelOffset;
  copy->colourCount = source->colourCount;
  copy->block.reset(new (std::nothrow) uint8_t[source->blockSize]);
  if (!copy->block) return nullptr;
  std::memcpy(copy->block.get(), source->block.get(), source->blockSize);
  return copy;
}

}  // namespace

HICON CreateIconIndirect(const ICONINFO* info) {
  if (!info || !info->hbmMask) return nullptr;
  if (info->hbmColor &&
      (info->hbmColor->Width() != info->hbmMask->Width() || info->hbmColor->Height() != info->hbmMask->Height()))
    return nullptr;
  auto cursor = std::make_unique<GdiCursor>();
  cursor->mask = CopyOf(info->hbmMask);
  if (!cursor->mask) return nullptr;
  if (info->hbmColor) {
    cursor->colour = CopyOf(info->hbmColor);
    if (!cursor->colour) return nullptr;
  }
  cursor->hotX = info->xHotspot;
  cursor->hotY = info->yHotspot;
  cursor->icon = info->fIcon != 0;
  return cursor.release();
}

BOOL DestroyIcon(HICON icon) {
  if (!icon) return FALSE;
  delete icon;
  return TRUE;
}

BOOL DestroyCursor(HCURSOR cursor) { return DestroyIcon(cursor); }

BOOL GetIconInfo(HICON icon, ICONINFO* info) {
  if (!icon || !info) return FALSE;
  info->fIcon = icon->icon ? TRUE : FALSE;
  info->xHotspot = icon->hotX;
  info->yHotspot = icon->hotY;
  info->hbmMask = CopyOf(icon->mask.get()).release();
  info->hbmColor = icon->colour ? CopyOf(icon->colour.get()).release() : nullptr;
  return info->hbmMask ? TRUE : FALSE;
}

bool CursorPixels(HCURSOR cursor, std::vector<uint32_t>& argb, int& width, int& height) {
  if (!cursor || !cursor->mask) return false;
  const gdi::DibView mask = cursor->mask->View();
  width = mask.width;
  // A monochrome cursor stacks its colour (XOR) half under the mask (AND) half.
  const bool stacked = !cursor->colour;
  height = stacked ? mask.height / 2 : mask.height;
  argb.assign(size_t(width) * size_t(height), 0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if ((mask.ReadRgb(x, y) & 0xFFFFFF) != 0) continue;  // mask set: see-through
      const uint32_t rgb = stacked ? mask.ReadRgb(x, y + height) : cursor->colour->View().ReadRgb(x, y);
      argb[size_t(y) * size_t(width) + size_t(x)] = 0xFF000000u | rgb;
    }
  }
  return true;
}
