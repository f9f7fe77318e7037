// Quarter and half turns: exact pixel moves, no resampling. Quarter turns go
// through 64 x 64 tiles so that the column-wise reads stay in cache.
#include <cstring>

#include "image/core/GbImage.h"
#include "image/transform/PixelAccess.h"
#include "image/transform/TransformSupport.h"

using namespace gbtransform;

namespace {

constexpr long kTile = 64;

// Walks the destination (dw x dh) tile by tile, calling f(x, y) per pixel;
// progress is reported per row of tiles.
template <typename F>
void ForEachTiled(GbImage& self, long dw, long dh, F&& f) {
  for (long ty = 0; ty < dh; ty += kTile) {
    ReportProgress(self, ty, dh);
    const long yEnd = ty + kTile < dh ? ty + kTile : dh;
    for (long tx = 0; tx < dw; tx += kTile) {
      const long xEnd = tx + kTile < dw ? tx + kTile : dw;
      for (long y = ty; y < yEnd; ++y) f(tx, xEnd, y);
    }
  }
}

// result(x, y) = source(W - 1 - y, x) for a right turn, source(y, H - 1 - x) for a left one.
bool QuarterTurn(GbImage& self, GbImage* destination, bool right) {
  if (!self.HasPixels()) return false;
  const long w = long(self.Width()), h = long(self.Height());
  const long dw = h, dh = w;
  GbImage out;
  if (!StartResult(self, out, uint32_t(dw), uint32_t(dh), self.BitsPerPixel())) return false;
  if (self.AlphaPlane() && !AttachAlpha(self, out, 0)) return false;
  if (self.SelectionPlane() && !AttachSelection(self, out, 0)) return false;

  const uint8_t* srcBits = self.RowBits(0);
  const size_t srcStride = self.RowStride();
  uint8_t* dstBits = out.RowBits(0);
  const size_t dstStride = out.RowStride();
  ByDepth(self.BitsPerPixel(), [&]<int BPP>() {
    ForEachTiled(self, dw, dh, [&](long x0, long x1, long y) {
      uint8_t* dst = dstBits + size_t(y) * dstStride;
      if (right) {
        const long sx = w - 1 - y;  // fixed source column; source row = x
        for (long x = x0; x < x1; ++x) SetPx<BPP>(dst, x, GetPx<BPP>(srcBits + size_t(x) * srcStride, sx));
      } else {
        const long sx = y;  // source row = H - 1 - x
        for (long x = x0; x < x1; ++x) SetPx<BPP>(dst, x, GetPx<BPP>(srcBits + size_t(h - 1 - x) * srcStride, sx));
      }
    });
  });
  // The planes move with their pixels.
  for (int k = 0; k < 2; ++k) {
    const uint8_t* sp = k == 0 ? self.AlphaPlane() : self.SelectionPlane();
    uint8_t* dp = k == 0 ? out.AlphaPlane() : out.SelectionPlane();
    if (!sp || !dp) continue;
    for (long ty = 0; ty < dh; ty += kTile) {
      const long yEnd = ty + kTile < dh ? ty + kTile : dh;
      for (long tx = 0; tx < dw; tx += kTile) {
        const long xEnd = tx + kTile < dw ? tx + kTile : dw;
        for (long y = ty; y < yEnd; ++y) {
          uint8_t* d = dp + size_t(y) * size_t(dw);
          for (long x = tx; x < xEnd; ++x)
            d[x] =
                right ? sp[size_t(x) * size_t(w) + size_t(w - 1 - y)] : sp[size_t(h - 1 - x) * size_t(w) + size_t(y)];
        }
      }
    }
  }
  const ImageInfo& si = self.Info();
  ImageInfo& di = out.Info();
  if (right) {
    di.selLeft = si.selBottom;
    di.selRight = si.selTop;
    di.selBottom = int32_t(w) - si.selRight;
    di.selTop = int32_t(w) - si.selLeft;
  } else {
    di.selLeft = int32_t(h) - si.selTop;
    di.selRight = int32_t(h) - si.selBottom;
    di.selBottom = si.selLeft;
    di.selTop = si.selRight;
  }
  return Commit(self, destination, out);
}

}  // namespace

bool GbImage::RotateQuarterLeft(GbImage* destination) { return QuarterTurn(*this, destination, false); }

bool GbImage::RotateQuarterRight(GbImage* destination) { return QuarterTurn(*this, destination, true); }

bool GbImage::RotateHalfTurn(GbImage* destination) {
  if (!block_) return false;
  const long w = long(Width()), h = long(Height());
  GbImage out;
  if (!StartResult(*this, out, Width(), Height(), BitsPerPixel())) return false;
  if (alpha_ && !AttachAlpha(*this, out, 0)) return false;
  ByDepth(BitsPerPixel(), [&]<int BPP>() {
    for (long y = 0; y < h; ++y) {
      ReportProgress(*this, y, h);
      const uint8_t* src = RowBits(uint32_t(y));
      uint8_t* dst = out.RowBits(uint32_t(h - 1 - y));
      for (long x = 0; x < w; ++x) SetPx<BPP>(dst, w - 1 - x, GetPx<BPP>(src, x));
    }
  });
  if (alpha_) {
    uint8_t* dp = out.AlphaPlane();
    for (long y = 0; y < h; ++y) {
      const uint8_t* s = alpha_ + size_t(y) * size_t(w);
      uint8_t* d = dp + size_t(h - 1 - y) * size_t(w);
      for (long x = 0; x < w; ++x) d[w - 1 - x] = s[x];
    }
  }
  return Commit(*this, destination, out);
}
