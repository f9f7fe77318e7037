// Layer blend: a picture laid over this one with a constant opacity.
#include <algorithm>

#include "retouch/engine/FxDibEffect.h"

bool FxDibEffect::LayerBlend(const FxDib& source, int opacity, int x, int y) {
  if (IsEmpty() || source.IsEmpty() || BitsPerPixel() < 24 || source.BitsPerPixel() < 24) return false;
  if (&source == this) {
    // Blending an image onto itself at an offset must read the unchanged pixels.
    FxDib copy;
    copy.Duplicate(source);
    if (copy.IsEmpty()) return false;
    return LayerBlend(copy, opacity, x, y);
  }
  // Overlap in this image's top-down coordinates. The source is read at the
  // matching position, so a source hanging off the top or left edge shows
  // only its visible part.
  const int64_t left = std::max<int64_t>(0, x);
  const int64_t top = std::max<int64_t>(0, y);
  const int64_t right = std::min<int64_t>(Width(), int64_t(x) + source.Width());
  const int64_t bottom = std::min<int64_t>(Height(), int64_t(y) + source.Height());
  if (left >= right || top >= bottom) return true;

  const int dbpp = BitsPerPixel() / 8;
  const int sbpp = source.BitsPerPixel() / 8;
  const int64_t a = opacity;
  for (int64_t row = top; row < bottom; ++row) {
    uint8_t* d = Row(int(row)) + left * dbpp;
    const uint8_t* s = source.Row(int(row - y)) + (left - x) * sbpp;
    for (int64_t col = left; col < right; ++col, d += dbpp, s += sbpp) {
      for (int c = 0; c < 3; ++c) {
        const int64_t v = d[c] + (int64_t(s[c]) - d[c]) * a / 255;
        d[c] = uint8_t(std::clamp<int64_t>(v, 0, 255));
      }
    }
  }
  return true;
}
