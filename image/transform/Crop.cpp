// Cropping to a rectangle given top-down, as windows and trackers give it.
#include <cstring>

#include "image/core/GbImage.h"
#include "image/transform/PixelAccess.h"
#include "image/transform/TransformSupport.h"

using namespace gbtransform;

bool GbImage::CropTo(long left, long top, long right, long bottom, GbImage* destination) {
  if (!block_) return false;
  const long w = long(Width()), h = long(Height());
  auto clamp = [](long v, long hi) { return v < 0 ? 0 : v > hi ? hi : v; };
  left = clamp(left, w);
  right = clamp(right, w);
  top = clamp(top, h);
  bottom = clamp(bottom, h);
  if (left == right || top == bottom) return false;
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  const long nw = right - left, nh = bottom - top;
  const long firstRow = h - bottom;  // bottom-up number of the lowest row kept

  GbImage out;
  if (!StartResult(*this, out, uint32_t(nw), uint32_t(nh), BitsPerPixel())) return false;
  if (alpha_ && !AttachAlpha(*this, out, 0)) return false;
  const uint32_t bpp = BitsPerPixel();
  for (long y = 0; y < nh; ++y) {
    ReportProgress(*this, y, nh);
    const uint8_t* src = RowBits(uint32_t(firstRow + y));
    uint8_t* dst = out.RowBits(uint32_t(y));
    if (bpp >= 8) {
      const size_t bytes = bpp / 8;
      std::memcpy(dst, src + size_t(left) * bytes, size_t(nw) * bytes);
    } else {
      ByDepth(bpp, [&]<int BPP>() {
        for (long x = 0; x < nw; ++x) SetPx<BPP>(dst, x, GetPx<BPP>(src, left + x));
      });
    }
    if (alpha_)
      std::memcpy(out.AlphaPlane() + size_t(y) * size_t(nw), alpha_ + size_t(firstRow + y) * size_t(w) + size_t(left),
                  size_t(nw));
  }
  return Commit(*this, destination, out);
}

bool GbImage::CropToRect(const RECT& rect, GbImage* destination) {
  return CropTo(rect.left, rect.top, rect.right, rect.bottom, destination);
}
