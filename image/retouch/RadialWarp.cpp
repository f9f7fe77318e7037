// RadialWarp: the circle transforms of the effects dialog. Each pixel of the
// region inside the circle reads from a source position computed from its
// offset to the picture's centre; outside the circle it reads (-1, -1), the
// picture's outside colour.
//
// dx = xmid - x sends an unchanged radius to (2 xmid - x, y): punch, pinch and
// swirl come out mirrored left to right, and each press mirrors again. That
// is how the transforms have always looked, so it stays.
#include <cmath>

#include "image/core/GbImage.h"
#include "image/retouch/RetouchSupport.h"

using namespace gbretouch;

bool GbImage::RadialWarp(WarpKind kind, long rmax, float koeff) {
  if (!block_) return false;
  if (kind < WarpKind::kPunch || kind > WarpKind::kBathroom) {
    SetLastError("RadialWarp: the kind must be 0 to 4");
    return false;
  }
  if (rmax < 0) {
    SetLastError("RadialWarp: rmax must not be negative");
    return false;
  }
  if (!std::isfinite(koeff)) {
    SetLastError("RadialWarp: koeff must be a finite number");
    return false;
  }
  GbImage copy;
  if (!StartCopy(*this, copy)) return false;
  const Region r = WorkRegion(*this);
  const long left = r.x0, right = r.x1, bottom = r.y0, top = r.y1;
  const long xmid = long(Width()) / 2, ymid = long(Height()) / 2;
  if (rmax == 0) {
    const long long cx = xmid - left, cy = ymid - bottom;
    rmax = long(std::sqrt(float(cx * cx + cy * cy)));
  }
  if (koeff == 0.0f) koeff = 1.0f;
  const float frmax = float(rmax);
  const bool palette = PaletteEntryCount() != 0;
  // Rows are independent and palette pictures copy indices (no shared
  // nearest-colour cache), so every depth can be split over threads.
  const long long work = (long long)(top - bottom) * (right - left) * 16;
  InParts(bottom, top, work, [&](long part, long begin, long end) {
    for (long y = begin; y < end; ++y) {
      if (part == 0) ReportRow(*this, y - begin, end - begin);
      if (Escape()) break;
      const long long dy = ymid - y;
      for (long x = left; x < right; ++x) {
        if (!SelectionContainsUnchecked(x, y)) continue;
        const long long dx = xmid - x;
        const float radius = std::sqrt(float(dx * dx + dy * dy));
        long nx = -1, ny = -1;
        if (radius < frmax) {
          double phi = std::atan2(double(dy), double(dx));
          float reach = radius;
          switch (kind) {
            case WarpKind::kPunch: reach = radius * radius / frmax; break;
            case WarpKind::kPinch: reach = std::sqrt(frmax * radius); break;
            case WarpKind::kSwirl: phi += double(radius / koeff); break;
            default: break;
          }
          if (kind <= WarpKind::kSwirl) {
            nx = xmid + TruncToLong(std::cos(phi) * double(reach));
            ny = ymid - TruncToLong(std::sin(phi) * double(reach));
          } else if (kind == WarpKind::kCylinder) {
            nx = TruncToLong(std::fabs(phi * double(right) / 6.2831852));
            ny = TruncToLong(double(std::fabs(float(top) * radius / frmax)));
          } else {
            nx = x + (x % 32) - 16;
            ny = y;
          }
        }
        if (palette)
          copy.WritePixelIndexUnchecked(x, y, ReadPixelIndex(nx, ny));
        else
          WriteColour(copy, x, y, ReadPixelColor(nx, ny, false));
        copy.WriteAlpha(x, y, ReadAlpha(nx, ny));
      }
    }
  });
  return TakeOver(copy, false);
}
