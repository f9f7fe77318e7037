#include "skin/RegionFromBitmap.h"

#include <QPixmap>
#include <algorithm>
#include <vector>

namespace {
constexpr size_t kBatch = 2000;
constexpr size_t kGrowStep = 100;
}  // namespace

std::optional<QRegion> RegionFromBitmap(const QImage& bitmap, COLORREF key, COLORREF tolerance, int* batches) {
  if (batches) *batches = 0;
  if (bitmap.isNull()) return std::nullopt;
  const QImage img = bitmap.convertToFormat(QImage::Format_RGB32);
  const int lowR = GetRValue(key), lowG = GetGValue(key), lowB = GetBValue(key);
  const int highR = std::min(255, lowR + GetRValue(tolerance));
  const int highG = std::min(255, lowG + GetGValue(tolerance));
  const int highB = std::min(255, lowB + GetBValue(tolerance));
  auto transparent = [&](QRgb px) {
    const int r = qRed(px), g = qGreen(px), b = qBlue(px);
    return r >= lowR && r <= highR && g >= lowG && g <= highG && b >= lowB && b <= highB;
  };

  QRegion result;
  std::vector<QRect> rects;
  rects.reserve(kGrowStep);
  auto flush = [&] {
    if (rects.empty()) return;
    // Rows are gathered top to bottom and left to right without overlap,
    // the banded order a region is built from directly. Rows with the same
    // runs as the row above join it, so the region is in its simplest form.
    std::vector<QRect> bands;
    bands.reserve(rects.size());
    size_t prevStart = 0, prevEnd = 0;  // previous row's rectangles in bands
    size_t i = 0;
    while (i < rects.size()) {
      const int y = rects[i].y();
      size_t j = i;
      while (j < rects.size() && rects[j].y() == y) ++j;
      bool same = prevEnd > prevStart && bands[prevStart].bottom() == y - 1 && (prevEnd - prevStart) == (j - i);
      for (size_t k = 0; same && k < j - i; ++k)
        same =
            bands[prevStart + k].left() == rects[i + k].left() && bands[prevStart + k].right() == rects[i + k].right();
      if (same) {
        for (size_t k = prevStart; k < prevEnd; ++k) bands[k].setBottom(y);
      } else {
        prevStart = bands.size();
        bands.insert(bands.end(), rects.begin() + long(i), rects.begin() + long(j));
        prevEnd = bands.size();
      }
      i = j;
    }
    QRegion part;
    part.setRects(bands.data(), int(bands.size()));
    result = result.united(part);
    rects.clear();
    if (batches) ++*batches;
  };

  for (int y = 0; y < img.height(); ++y) {
    const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
    int x = 0;
    while (x < img.width()) {
      while (x < img.width() && transparent(row[x])) ++x;
      if (x >= img.width()) break;
      const int start = x;
      while (x < img.width() && !transparent(row[x])) ++x;
      if (rects.size() == rects.capacity()) rects.reserve(rects.capacity() + kGrowStep);
      rects.emplace_back(start, y, x - start, 1);
      if (rects.size() >= kBatch) flush();
    }
  }
  flush();
  return result;
}

QImage CursorImageFromBitmap(const QImage& bitmap, COLORREF key) {
  QImage out = bitmap.convertToFormat(QImage::Format_ARGB32);
  const QRgb k = qRgb(GetRValue(key), GetGValue(key), GetBValue(key));
  for (int y = 0; y < out.height(); ++y) {
    QRgb* row = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x) {
      if ((row[x] & 0xFFFFFF) == (k & 0xFFFFFF))
        row[x] = 0;
      else
        row[x] |= 0xFF000000u;
    }
  }
  return out;
}

std::optional<QCursor> CursorFromBitmap(const QImage& bitmap, COLORREF key, QPoint hotSpot) {
  if (bitmap.isNull() || !bitmap.rect().contains(hotSpot)) return std::nullopt;
  return QCursor(QPixmap::fromImage(CursorImageFromBitmap(bitmap, key)), hotSpot.x(), hotSpot.y());
}
