// The random operations: jitter (ScatterPixels) and additive noise. Both draw
// from the seedable generator of RetouchRandom.h, in pixel order, only for
// selected pixels.
#include "image/core/GbImage.h"
#include "image/retouch/RetouchRandom.h"
#include "image/retouch/RetouchSupport.h"

using namespace gbretouch;

namespace {
// trunc((rand() / 32767 - 0.5) x span)
long RandomShift(double span) { return TruncToLong((double(Random()) / kRandomMax - 0.5) * span); }
}  // namespace

bool GbImage::ScatterPixels(long radius) {
  if (!block_) return false;
  if (radius < 0) {
    SetLastError("ScatterPixels: the radius must not be negative");
    return false;
  }
  GbImage copy;
  if (!StartCopy(*this, copy)) return false;
  const Region r = WorkRegion(*this);
  const bool palette = PaletteEntryCount() != 0;
  const double span = 2.0 * double(radius);
  const ColourReader read(*this);
  for (long y = r.y0; y < r.y1; ++y) {
    ReportRow(*this, y - r.y0, r.Rows());
    if (Escape()) break;
    for (long x = r.x0; x < r.x1; ++x) {
      if (!SelectionContainsUnchecked(x, y)) continue;
      const long dx = RandomShift(span);
      const long dy = RandomShift(span);
      long sx = x + dx, sy = y + dy;
      if (!Contains(sx, sy)) {
        sx = x;
        sy = y;
      }
      if (palette)
        copy.WritePixelIndexUnchecked(x, y, ReadPixelIndexUnchecked(sx, sy));
      else
        WriteColour(copy, x, y, read.At(sx, sy));
      if (alpha_) copy.AlphaPlane()[size_t(y) * Width() + size_t(x)] = ReadAlphaUnchecked(sx, sy);
    }
  }
  return TakeOver(copy, false);
}

bool GbImage::AddRandomNoise(long level) {
  if (!block_) return false;
  const Region r = WorkRegion(*this);
  const double span = double(level);
  const ColourReader read(*this);
  for (long y = r.y0; y < r.y1; ++y) {
    ReportRow(*this, y - r.y0, r.Rows());
    for (long x = r.x0; x < r.x1; ++x) {
      if (!SelectionContainsUnchecked(x, y)) continue;
      RGBQUAD c = read.At(x, y);
      c.rgbRed = ClampByte((long long)c.rgbRed + RandomShift(span));
      c.rgbGreen = ClampByte((long long)c.rgbGreen + RandomShift(span));
      c.rgbBlue = ClampByte((long long)c.rgbBlue + RandomShift(span));
      WriteColour(*this, x, y, c);
    }
  }
  return true;
}
