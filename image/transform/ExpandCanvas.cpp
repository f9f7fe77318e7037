// Adds margins around the picture in a given colour.
#include <cstring>

#include "image/core/GbImage.h"
#include "image/transform/PixelAccess.h"
#include "image/transform/TransformSupport.h"

using namespace gbtransform;

bool GbImage::ExpandCanvas(long left, long top, long right, long bottom, RGBQUAD canvasColor, GbImage* destination) {
  if (!block_ || left < 0 || top < 0 || right < 0 || bottom < 0) return false;
  const long w = long(Width()), h = long(Height());
  const unsigned long long nw = (unsigned long long)left + (unsigned long long)w + (unsigned long long)right;
  const unsigned long long nh = (unsigned long long)bottom + (unsigned long long)h + (unsigned long long)top;
  if (nw > 0xFFFFFFFFull || nh > 0xFFFFFFFFull) {
    SetLastError("GBIMAGE_MAX_MEMORY exceeded");
    return false;
  }
  GbImage out;
  if (!StartResult(*this, out, uint32_t(nw), uint32_t(nh), BitsPerPixel())) return false;
  const uint32_t bpp = BitsPerPixel();
  const long ow = long(nw), oh = long(nh);
  if (bpp == 24) {
    uint8_t* first = out.RowBits(0);
    for (long x = 0; x < ow; ++x) {
      first[size_t(x) * 3] = canvasColor.rgbBlue;
      first[size_t(x) * 3 + 1] = canvasColor.rgbGreen;
      first[size_t(x) * 3 + 2] = canvasColor.rgbRed;
    }
    for (long y = 1; y < oh; ++y) std::memcpy(out.RowBits(uint32_t(y)), first, size_t(ow) * 3);
  } else {
    const uint8_t index = out.NearestPaletteIndex(canvasColor);
    if (bpp == 8) {
      std::memset(out.RowBits(0), index, size_t(out.RowStride()) * size_t(oh));
    } else {
      ByDepth(bpp, [&]<int BPP>() {
        for (long y = 0; y < oh; ++y) {
          uint8_t* row = out.RowBits(uint32_t(y));
          for (long x = 0; x < ow; ++x) SetPx<BPP>(row, x, index);
        }
      });
    }
  }
  for (long y = 0; y < h; ++y) {
    ReportProgress(*this, y, h);
    const uint8_t* src = RowBits(uint32_t(y));
    uint8_t* dst = out.RowBits(uint32_t(bottom + y));
    if (bpp >= 8) {
      const size_t bytes = bpp / 8;
      std::memcpy(dst + size_t(left) * bytes, src, size_t(w) * bytes);
    } else {
      ByDepth(bpp, [&]<int BPP>() {
        for (long x = 0; x < w; ++x) SetPx<BPP>(dst, left + x, GetPx<BPP>(src, x));
      });
    }
  }
  auto place = [&](const uint8_t* plane, uint8_t* target) {
    for (long y = 0; y < h; ++y)
      std::memcpy(target + size_t(bottom + y) * size_t(ow) + size_t(left), plane + size_t(y) * size_t(w), size_t(w));
  };
  if (selection_) {
    if (!AttachSelection(*this, out, 0)) return false;
    place(selection_, out.SelectionPlane());
    ImageInfo& info = out.Info();
    info.selLeft += int32_t(left);
    info.selRight += int32_t(left);
    info.selTop += int32_t(bottom);
    info.selBottom += int32_t(bottom);
  }
  if (alpha_) {
    if (!AttachAlpha(*this, out, canvasColor.rgbReserved)) return false;
    place(alpha_, out.AlphaPlane());
  }
  return Commit(*this, destination, out);
}
