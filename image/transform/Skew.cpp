// Shear of the selected pixels about a pivot.
#include "image/core/GbImage.h"
#include "image/transform/Sampler.h"
#include "image/transform/TransformSupport.h"

using namespace gbtransform;

bool GbImage::SkewBy(float xGain, float yGain, long xPivot, long yPivot, bool interpolate) {
  if (!block_) return false;
  const long w = long(Width()), h = long(Height());
  GbImage copy;
  if (!copy.CopyFrom(*this, true, true, true) || !copy.HasPixels()) {
    SetLastError(copy.LastError());
    return false;
  }
  if ((alpha_ && !copy.AlphaPlane()) || (selection_ && !copy.SelectionPlane())) {
    SetLastError(kNoMemory);
    return false;
  }
  // The selection box bounds the work; a stale box must not reach outside.
  long x0 = 0, x1 = w, y0 = 0, y1 = h;
  if (selection_) {
    x0 = info_.selLeft < 0 ? 0 : info_.selLeft;
    x1 = info_.selRight > w ? w : info_.selRight;
    y0 = info_.selBottom < 0 ? 0 : info_.selBottom;
    y1 = info_.selTop > h ? h : info_.selTop;
  }
  const Sampler smp(*this, kBilinear, kBackground, kReplacementWhite);
  const bool palette = PaletteEntryCount() != 0;
  uint8_t* copyAlpha = copy.AlphaPlane();
  for (long y = y0; y < y1; ++y) {
    ReportProgress(*this, y - y0, y1 - y0);
    if (Escape()) break;
    for (long x = x0; x < x1; ++x) {
      if (selection_ && !selection_[size_t(y) * size_t(w) + size_t(x)]) continue;
      const float nx = float(x) + xGain * float(y - yPivot);
      const float ny = float(y) + yGain * float(x - xPivot);
      if (interpolate) {
        copy.WritePixelColorUnchecked(x, y, smp.At(nx, ny), true);
        continue;
      }
      const long ix = ClampToLong(nx), iy = ClampToLong(ny);
      if (palette)
        copy.WritePixelIndexUnchecked(x, y, ReadPixelIndex(ix, iy));
      else
        copy.WritePixelColorUnchecked(x, y, ReadPixelColor(ix, iy, false), false);
      if (copyAlpha)
        copyAlpha[size_t(y) * size_t(w) + size_t(x)] =
            Contains(ix, iy) ? alpha_[size_t(iy) * size_t(w) + size_t(ix)] : 0;
    }
  }
  return Commit(*this, nullptr, copy);
}
