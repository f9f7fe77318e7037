// Flip (reverse the row order) and mirror (reverse every row).
#include <cstring>
#include <memory>
#include <new>

#include "image/core/GbImage.h"
#include "image/transform/PixelAccess.h"
#include "image/transform/TransformSupport.h"

using namespace gbtransform;

namespace {

// Swaps row i with row rows - 1 - i; false when the buffer can't be had.
bool SwapRows(uint8_t* base, size_t rowBytes, long rows) {
  std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[rowBytes ? rowBytes : 1]);
  if (!buffer) return false;
  for (long i = 0; i < rows / 2; ++i) {
    uint8_t* a = base + size_t(i) * rowBytes;
    uint8_t* b = base + size_t(rows - 1 - i) * rowBytes;
    std::memcpy(buffer.get(), a, rowBytes);
    std::memcpy(a, b, rowBytes);
    std::memcpy(b, buffer.get(), rowBytes);
  }
  return true;
}

void ReversePlaneRows(uint8_t* plane, long w, long h) {
  for (long y = 0; y < h; ++y) {
    uint8_t* row = plane + size_t(y) * size_t(w);
    for (long i = 0, j = w - 1; i < j; ++i, --j) std::swap(row[i], row[j]);
  }
}

}  // namespace

bool GbImage::FlipVertical(bool flipSelection, bool flipAlpha) {
  if (!block_) return false;
  const long w = long(Width()), h = long(Height());
  if (!SwapRows(RowBits(0), RowStride(), h)) return false;
  if (flipAlpha && alpha_ && !SwapRows(alpha_, size_t(w), h)) return false;
  if (flipSelection && selection_) {
    if (!SwapRows(selection_, size_t(w), h)) return false;
    const int32_t top = info_.selTop, bottom = info_.selBottom;
    info_.selBottom = int32_t(h) - top;
    info_.selTop = int32_t(h) - bottom;
  }
  return true;
}

bool GbImage::MirrorHorizontal(bool mirrorSelection, bool mirrorAlpha) {
  if (!block_) return false;
  const long w = long(Width()), h = long(Height());
  const size_t planeSize = size_t(w) * size_t(h);
  GbImage copy;
  if (!StartResult(*this, copy, Width(), Height(), BitsPerPixel())) return false;
  if (alpha_) {
    if (!AttachAlpha(*this, copy, 0)) return false;
    std::memcpy(copy.AlphaPlane(), alpha_, planeSize);
  }
  if (selection_) {
    if (!AttachSelection(*this, copy, 0)) return false;
    std::memcpy(copy.SelectionPlane(), selection_, planeSize);
  }
  ByDepth(BitsPerPixel(), [&]<int BPP>() {
    for (long y = 0; y < h; ++y) {
      const uint8_t* src = RowBits(uint32_t(y));
      uint8_t* dst = copy.RowBits(uint32_t(y));
      for (long x = 0; x < w; ++x) SetPx<BPP>(dst, w - 1 - x, GetPx<BPP>(src, x));
    }
  });
  if (mirrorSelection && copy.SelectionPlane()) {
    ReversePlaneRows(copy.SelectionPlane(), w, h);
    ImageInfo& info = copy.Info();
    const int32_t left = info.selLeft, right = info.selRight;
    info.selLeft = int32_t(w) - right;
    info.selRight = int32_t(w) - left;
  }
  if (mirrorAlpha && copy.AlphaPlane()) ReversePlaneRows(copy.AlphaPlane(), w, h);
  return Commit(*this, nullptr, copy);
}
