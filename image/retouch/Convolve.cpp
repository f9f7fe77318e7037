// ConvolveKernel: weighted sum over a K x K window, renormalised at the
// picture's edges by the share of the kernel that was used.
#include <algorithm>
#include <cstdlib>
#include <string>

#include "image/core/GbImage.h"
#include "image/retouch/RetouchSupport.h"

using namespace gbretouch;

namespace {

// offset + the (renormalised) sum, clamped. The products can exceed 64 bits
// for big kernels at the edges, so they are taken in 128 bits; the result is
// the same as plain int arithmetic wherever that does not overflow.
inline uint8_t Finish(long long sum, long long kcur, long long ktotal, long long factor, long long offset) {
  __int128 v;
  if (factor != 0 && kcur != 0) {
    if (kcur == ktotal)
      v = __int128(sum) / factor;
    else
      v = (__int128(sum) * ktotal) / (__int128(factor) * kcur);
  } else {
    v = sum;
  }
  v += offset;
  return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
}

}  // namespace

bool GbImage::ConvolveKernel(const int32_t* kernel, long ksize, int32_t factor, int32_t offset) {
  if (!block_) return false;
  if (!kernel) {
    SetLastError("ConvolveKernel: no kernel");
    return false;
  }
  if (!CheckWindow(*this, "ConvolveKernel", ksize)) return false;
  // K x K must be countable; the entries' magnitudes are checked below.
  if (ksize > 46340) {
    SetLastError("ConvolveKernel: the kernel is too large");
    return false;
  }
  const long entries = ksize * ksize;
  long long ktotal = 0, magnitude = 0;
  for (long i = 0; i < entries; ++i) {
    ktotal += kernel[i];
    magnitude += std::llabs((long long)kernel[i]);
    // Every sum of products must fit 64 bits.
    if (magnitude > (1LL << 62) / 255) {
      SetLastError("ConvolveKernel: the kernel's entries are too large");
      return false;
    }
  }
  GbImage copy;
  if (!StartCopy(*this, copy)) return false;

  const long w = long(Width()), h = long(Height());
  const long half = ksize / 2;
  // Offsets past the picture are never inside it: clamp them away.
  const long lo = WindowLow(ksize) < -(w > h ? w : h) ? -(w > h ? w : h) : WindowLow(ksize);
  const long hi = WindowHigh(ksize) > (w > h ? w : h) ? (w > h ? w : h) : WindowHigh(ksize);
  const Region r = WorkRegion(*this);
  const bool grey = BitsPerPixel() == 8 && IsGreyScale();
  const ColourReader read(*this);
  // Palette writes share the nearest-colour cache: those stay on one thread.
  const bool parallel = grey || BitsPerPixel() == 24;
  const long long work = parallel ? (long long)r.Rows() * (r.x1 - r.x0) * std::min(entries, 1024L) : 0;
  InParts(r.y0, r.y1, work, [&](long part, long begin, long end) {
    for (long y = begin; y < end; ++y) {
      if (part == 0) ReportRow(*this, y - begin, end - begin);
      if (Escape()) break;
      const long ys0 = y + lo < 0 ? 0 : y + lo, ys1 = y + hi >= h ? h - 1 : y + hi;
      for (long x = r.x0; x < r.x1; ++x) {
        if (!SelectionContainsUnchecked(x, y)) continue;
        const long xs0 = x + lo < 0 ? 0 : x + lo, xs1 = x + hi >= w ? w - 1 : x + hi;
        long long kcur = 0;
        if (grey) {
          long long sum = 0;
          for (long ys = ys0; ys <= ys1; ++ys) {
            const uint8_t* row = RowBits(uint32_t(ys));
            const int32_t* k = kernel + (ys - y + half) * ksize + half;
            for (long xs = xs0; xs <= xs1; ++xs) {
              sum += (long long)k[xs - x] * row[xs];
              kcur += k[xs - x];
            }
          }
          copy.RowBits(uint32_t(y))[x] = Finish(sum, kcur, ktotal, factor, offset);
          continue;
        }
        long long sb = 0, sg = 0, sr = 0;
        for (long ys = ys0; ys <= ys1; ++ys) {
          const int32_t* k = kernel + (ys - y + half) * ksize + half;
          for (long xs = xs0; xs <= xs1; ++xs) {
            const RGBQUAD c = read.At(xs, ys);
            const long long kv = k[xs - x];
            sb += kv * c.rgbBlue;
            sg += kv * c.rgbGreen;
            sr += kv * c.rgbRed;
            kcur += kv;
          }
        }
        WriteColour(copy, x, y,
                    RGBQUAD{Finish(sb, kcur, ktotal, factor, offset), Finish(sg, kcur, ktotal, factor, offset),
                            Finish(sr, kcur, ktotal, factor, offset), 0});
      }
    }
  });
  return TakeOver(copy, false);
}
