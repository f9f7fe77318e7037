// Fast shrink by box averaging: one pass over the source with per-column
// accumulators and integer arithmetic only.
#include <algorithm>
#include <new>
#include <vector>

#include "image/core/GbImage.h"
#include "image/transform/TransformSupport.h"

using namespace gbtransform;

bool GbImage::QIShrink(long newWidth, long newHeight, GbImage* destination, bool changeTo24Bits) {
  if (!block_ || newWidth <= 0 || newHeight <= 0) return false;
  const long w = long(Width()), h = long(Height());
  if (newWidth > w || newHeight > h) {
    SetLastError("QIShrink can't enlarge image");
    return false;
  }
  if (newWidth == w && newHeight == h) return CopyInto(*this, destination);
  const bool src24 = BitsPerPixel() == 24;
  const uint32_t outBpp = changeTo24Bits ? 24 : BitsPerPixel();
  GbImage out;
  if (!StartResult(*this, out, uint32_t(newWidth), uint32_t(newHeight), outBpp)) return false;
  if (alpha_ && !AttachAlpha(*this, out, 0)) return false;
  const bool out24 = outBpp == 24;
  uint8_t* outAlpha = out.AlphaPlane();

  // Per result column: blue, green, red, alpha sums and the pixel count.
  std::vector<uint64_t> sums, counts;
  try {
    sums.assign(size_t(newWidth) * 4, 0);
    counts.assign(size_t(newWidth), 0);
  } catch (const std::bad_alloc&) {
    SetLastError(kNoMemory);
    return false;
  }
  long rowCounter = 0, outRow = 0;
  for (long y = 0; y < h && outRow < newHeight; ++y) {
    ReportProgress(*this, y, h);
    if (Escape()) break;
    rowCounter += newHeight;
    long colCounter = 0, cell = 0;
    const uint8_t* src = RowBits(uint32_t(y));
    const uint8_t* alphaRow = alpha_ ? alpha_ + size_t(y) * size_t(w) : nullptr;
    for (long x = 0; x < w; ++x) {
      uint64_t* s = &sums[size_t(cell) * 4];
      if (src24) {
        const uint8_t* p = src + size_t(x) * 3;
        s[0] += p[0];
        s[1] += p[1];
        s[2] += p[2];
      } else {
        const RGBQUAD c = ReadPixelColor(x, y, false);
        s[0] += c.rgbBlue;
        s[1] += c.rgbGreen;
        s[2] += c.rgbRed;
      }
      if (alphaRow) s[3] += alphaRow[x];
      ++counts[size_t(cell)];
      colCounter += newWidth;
      if (colCounter > w) {
        colCounter -= w;
        if (cell < newWidth - 1) ++cell;
      }
    }
    if (rowCounter >= h) {
      rowCounter -= h;
      uint8_t* dst = out.RowBits(uint32_t(outRow));
      for (long x = 0; x < newWidth; ++x) {
        const uint64_t n = counts[size_t(x)] ? counts[size_t(x)] : 1;
        const uint64_t* s = &sums[size_t(x) * 4];
        const RGBQUAD c{uint8_t(s[0] / n), uint8_t(s[1] / n), uint8_t(s[2] / n), 0};
        if (out24) {
          uint8_t* p = dst + size_t(x) * 3;
          p[0] = c.rgbBlue;
          p[1] = c.rgbGreen;
          p[2] = c.rgbRed;
        } else {
          out.WritePixelColorUnchecked(x, outRow, c, false);
        }
        if (outAlpha) outAlpha[size_t(outRow) * size_t(newWidth) + size_t(x)] = uint8_t(s[3] / n);
      }
      std::fill(sums.begin(), sums.end(), 0);
      std::fill(counts.begin(), counts.end(), 0);
      ++outRow;
    }
  }
  return Commit(*this, destination, out);
}
