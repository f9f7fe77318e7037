// Combining two GbImages: MixWith merges a source into this image with one of
// the numbered operations; PasteFrom copies a source in at an offset, leaving
// out its keyed pixels.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "image/core/GbImage.h"

namespace {

using Op = GbImage::MixOperation;

template <typename F>
RGBQUAD PerChannel(RGBQUAD d, RGBQUAD s, F f) {
  return RGBQUAD{uint8_t(f(d.rgbBlue, s.rgbBlue)), uint8_t(f(d.rgbGreen, s.rgbGreen)), uint8_t(f(d.rgbRed, s.rgbRed)),
                 uint8_t(f(d.rgbReserved, s.rgbReserved))};
}

// Weighted mix of the near-background operation: weight 16 is all source.
uint8_t NearBlend(int s, int d, int dist) {
  const int v = ((16 - dist) * s + dist * d) / 16;
  return uint8_t(std::clamp(v, 0, 255));
}

// Offsets beyond any image size overlap nothing either way; clamping them
// keeps the overlap arithmetic from overflowing.
long long ClampOffset(long v) {
  constexpr long long kFar = 1LL << 33;
  return std::clamp<long long>(v, -kFar, kFar);
}

}  // namespace

bool GbImage::MixWith(const GbImage& source, MixOperation operation, long dx, long dy, bool mixAlpha) {
  if (!block_ || !source.block_) return false;
  if (&source == this) {
    // Mixing with itself at an offset would read pixels already mixed.
    const GbImage copy(*this, true, true, true);
    return MixWith(copy, operation, dx, dy, mixAlpha);
  }
  const int op = int(operation);
  // An unknown operation stops before the first pixel: nothing changes.
  if (op < int(Op::Add) || op > int(Op::Average)) return false;

  // Rows and columns whose source position lies below 0 are skipped from
  // the start; the rest of the clipping is the area's width and height.
  const long long ox = ClampOffset(dx), oy = ClampOffset(dy);
  const long w = long(std::clamp<long long>((long long)source.Width() - ox, 0, Width()));
  const long h = long(std::clamp<long long>((long long)source.Height() - oy, 0, Height()));
  const long x0 = long(std::clamp<long long>(-ox, 0, w)), y0 = long(std::clamp<long long>(-oy, 0, h));
  const bool alpha = mixAlpha && source.alpha_ != nullptr;
  if (alpha && !alpha_) CreateAlpha();
  const RGBQUAD bg = BackgroundColor();
  const uint32_t alphaMax = source.info_.alphaMax;
  const long height = long(Height());

  for (long y = y0; y < h; ++y) {
    SetProgress(y * 100 / height);
    if (Escape()) break;
    for (long x = x0; x < w; ++x) {
      const long sx = long(x + ox), sy = long(y + oy);
      if (!SelectionContains(x, y) || !source.SelectionContains(sx, sy)) continue;
      const RGBQUAD d = ReadPixelColor(x, y, true);
      const RGBQUAD s = source.ReadPixelColor(sx, sy, true);
      RGBQUAD r = d;
      switch (operation) {
        case Op::Add: r = PerChannel(d, s, [](int a, int b) { return std::min(255, a + b); }); break;
        case Op::And: r = PerChannel(d, s, [](int a, int b) { return a & b; }); break;
        case Op::Xor: r = PerChannel(d, s, [](int a, int b) { return a ^ b; }); break;
        case Op::Or: r = PerChannel(d, s, [](int a, int b) { return a | b; }); break;
        case Op::Mask: r = (s.rgbBlue || s.rgbGreen || s.rgbRed) ? d : bg; break;
        case Op::CopyIntoTransparent: r = IsTransparentAt(x, y) ? s : d; break;
        case Op::CopyOpaqueSource: r = source.IsTransparentAt(sx, sy) ? d : s; break;
        case Op::Subtract: r = PerChannel(d, s, [](int a, int b) { return std::max(0, a - b); }); break;
        case Op::BlendNearBackground: {
          if (IsTransparentAt(x, y)) {
            r = s;
            break;
          }
          const int dist = (std::abs(int(d.rgbRed) - bg.rgbRed) + std::abs(int(d.rgbGreen) - bg.rgbGreen) +
                            std::abs(int(d.rgbBlue) - bg.rgbBlue)) /
                           3;
          if (dist < 17) r = PerChannel(d, s, [dist](int dv, int sv) { return NearBlend(sv, dv, dist); });
          break;
        }
        case Op::AlphaOver: {
          uint32_t a = 255;
          if (source.IsTransparentAt(sx, sy))
            a = 0;
          else if (source.alpha_)
            a = alphaMax * s.rgbReserved / 255;
          if (a == 0) {
            r = d;
          } else if (a == 255) {
            r = s;
          } else {
            auto blend = [a](uint32_t dv, uint32_t sv) { return uint8_t((dv * (255 - a) + sv * a) / 255); };
            r.rgbBlue = blend(d.rgbBlue, s.rgbBlue);
            r.rgbGreen = blend(d.rgbGreen, s.rgbGreen);
            r.rgbRed = blend(d.rgbRed, s.rgbRed);
            r.rgbReserved = uint8_t(a * d.rgbReserved / 255);
          }
          break;
        }
        case Op::Average: r = PerChannel(d, s, [](int a, int b) { return (a + b) / 2; }); break;
      }
      WritePixelColor(x, y, r, alpha);
    }
  }
  return true;
}

bool GbImage::PasteFrom(const GbImage& source, long x, long y) {
  if (!block_ || !source.block_) return false;
  if (&source == this) {
    // Pasting onto itself would read pixels already overwritten.
    const GbImage copy(*this, true, false, true);
    return PasteFrom(copy, x, y);
  }
  const long long ox = ClampOffset(x), oy = ClampOffset(y);
  const long long sw = source.Width(), sh = source.Height();
  const long i0 = long(std::clamp<long long>(-ox, 0, sw)), i1 = long(std::clamp<long long>(Width() - ox, 0, sw));
  const long j0 = long(std::clamp<long long>(-oy, 0, sh)), j1 = long(std::clamp<long long>(Height() - oy, 0, sh));
  if (i0 >= i1 || j0 >= j1) return true;
  x = long(ox);  // now known to keep every target position inside
  y = long(oy);
  const bool keyed = source.HasBackgroundIndex();

  if (BitsPerPixel() == 24 && source.BitsPerPixel() == 24 && !keyed) {
    for (long j = j0; j < j1; ++j)
      std::memcpy(PixelPointer24(x + i0, y + j), source.PixelPointer24(i0, j), size_t(i1 - i0) * 3);
    return true;
  }
  for (long j = j0; j < j1; ++j) {
    for (long i = i0; i < i1; ++i) {
      if (keyed && source.IsTransparentAt(i, j)) continue;
      WritePixelColorUnchecked(x + i, y + j, source.ReadPixelColorUnchecked(i, j, true), false);
    }
  }
  return true;
}
