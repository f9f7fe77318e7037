// Window filters that pick or compare values: minimum, maximum, range edge,
// median and contour lines.
#include <algorithm>
#include <new>
#include <vector>

#include "image/core/GbImage.h"
#include "image/retouch/RetouchSupport.h"

using namespace gbretouch;

namespace {

// Runs pick(part, x, y, xs0, xs1, ys0, ys1) for every selected pixel of the region,
// with the window already clipped to the picture, and writes its colour into
// the copy.
template <class Pick>
bool RunWindowFilter(GbImage& self, long ksize, Pick pick, bool allowParallel = true) {
  GbImage copy;
  if (!StartCopy(self, copy)) return false;
  const long w = long(self.Width()), h = long(self.Height());
  const long far = w > h ? w : h;
  const long lo = std::max(WindowLow(ksize), -far), hi = std::min(WindowHigh(ksize), far);
  const Region r = WorkRegion(self);
  // Palette writes share the nearest-colour cache: those stay on one thread.
  const long span = std::min(hi - lo + 1, 64L);
  const long long work =
      allowParallel && self.BitsPerPixel() == 24 ? (long long)r.Rows() * (r.x1 - r.x0) * span * span : 0;
  InParts(r.y0, r.y1, work, [&](long part, long begin, long end) {
    for (long y = begin; y < end; ++y) {
      if (part == 0) ReportRow(self, y - begin, end - begin);
      if (self.Escape()) break;
      const long ys0 = std::max(y + lo, 0L), ys1 = std::min(y + hi, h - 1);
      for (long x = r.x0; x < r.x1; ++x) {
        if (!self.SelectionContainsUnchecked(x, y)) continue;
        const long xs0 = std::max(x + lo, 0L), xs1 = std::min(x + hi, w - 1);
        WriteColour(copy, x, y, pick(part, x, y, xs0, xs1, ys0, ys1));
      }
    }
  });
  return self.TakeOver(copy, false);
}

// Per-channel minimum and maximum over the window.
void MinMax(const ColourReader& read, long xs0, long xs1, long ys0, long ys1, RGBQUAD& low, RGBQUAD& high) {
  low = RGBQUAD{255, 255, 255, 0};
  high = RGBQUAD{0, 0, 0, 0};
  for (long ys = ys0; ys <= ys1; ++ys)
    for (long xs = xs0; xs <= xs1; ++xs) {
      const RGBQUAD c = read.At(xs, ys);
      low.rgbBlue = std::min(low.rgbBlue, c.rgbBlue);
      low.rgbGreen = std::min(low.rgbGreen, c.rgbGreen);
      low.rgbRed = std::min(low.rgbRed, c.rgbRed);
      high.rgbBlue = std::max(high.rgbBlue, c.rgbBlue);
      high.rgbGreen = std::max(high.rgbGreen, c.rgbGreen);
      high.rgbRed = std::max(high.rgbRed, c.rgbRed);
    }
}

// The fifth smallest of nine by a fixed network of compare-exchanges: the
// common 3 x 3 median without a general selection's bookkeeping.
inline uint64_t MiddleOfNine(uint64_t* p) {
  const auto order = [p](int a, int b) {
    if (p[a] > p[b]) std::swap(p[a], p[b]);
  };
  order(1, 2), order(4, 5), order(7, 8), order(0, 1), order(3, 4), order(6, 7);
  order(1, 2), order(4, 5), order(7, 8), order(0, 3), order(5, 8), order(4, 7);
  order(3, 6), order(1, 4), order(2, 5), order(4, 7), order(4, 2), order(6, 4);
  order(4, 2);
  return p[4];
}

}  // namespace

bool GbImage::MinimumFilter(long ksize) {
  if (!block_ || !CheckWindow(*this, "MinimumFilter", ksize)) return false;
  const ColourReader read(*this);
  return RunWindowFilter(*this, ksize, [&](long, long, long, long xs0, long xs1, long ys0, long ys1) {
    RGBQUAD low, high;
    MinMax(read, xs0, xs1, ys0, ys1, low, high);
    return low;
  });
}

bool GbImage::MaximumFilter(long ksize) {
  if (!block_ || !CheckWindow(*this, "MaximumFilter", ksize)) return false;
  const ColourReader read(*this);
  return RunWindowFilter(*this, ksize, [&](long, long, long, long xs0, long xs1, long ys0, long ys1) {
    RGBQUAD low, high;
    MinMax(read, xs0, xs1, ys0, ys1, low, high);
    return high;
  });
}

bool GbImage::RangeEdge(long ksize) {
  if (!block_ || !CheckWindow(*this, "RangeEdge", ksize)) return false;
  const ColourReader read(*this);
  return RunWindowFilter(*this, ksize, [&](long, long, long, long xs0, long xs1, long ys0, long ys1) {
    RGBQUAD low, high;
    MinMax(read, xs0, xs1, ys0, ys1, low, high);
    return RGBQUAD{uint8_t(255 - (high.rgbBlue - low.rgbBlue)), uint8_t(255 - (high.rgbGreen - low.rgbGreen)),
                   uint8_t(255 - (high.rgbRed - low.rgbRed)), 0};
  });
}

bool GbImage::MedianFilter(long ksize) {
  if (!block_ || !CheckWindow(*this, "MedianFilter", ksize)) return false;
  // Enough room for the largest window that fits the picture.
  const long w = long(Width()), h = long(Height());
  const size_t most = size_t(std::min(ksize, w)) * size_t(std::min(ksize, h));
  // One pair of buffers per part of the picture (see InParts); big windows
  // keep to one part, so that the buffers stay well below the picture's size.
  const bool parallel = most <= 4096;
  std::vector<uint64_t> keys[kMaxParts];
  std::vector<RGBQUAD> colours[kMaxParts];
  try {
    for (long part = 0; part < (parallel ? kMaxParts : 1); ++part) {
      keys[part].resize(most);
      colours[part].resize(most);
    }
  } catch (const std::bad_alloc&) {
    SetLastError(kNoMemory);
    return false;
  }
  const ColourReader read(*this);
  return RunWindowFilter(
      *this, ksize,
      [&](long part, long, long, long xs0, long xs1, long ys0, long ys1) {
        std::vector<uint64_t>& key = keys[part];
        std::vector<RGBQUAD>& colour = colours[part];
        // Ascending luma; equal lumas keep their reading order (bottom row first).
        size_t n = 0;
        for (long ys = ys0; ys <= ys1; ++ys)
          for (long xs = xs0; xs <= xs1; ++xs, ++n) {
            const RGBQUAD c = read.At(xs, ys);
            colour[n] = c;
            key[n] = (uint64_t(LumaOf(c.rgbRed, c.rgbGreen, c.rgbBlue)) << 32) | n;
          }
        // The keys are unique, so any selection method picks the same colour.
        if (n == 9) return colour[size_t(MiddleOfNine(key.data()) & 0xFFFFFFFFu)];
        std::nth_element(key.begin(), key.begin() + long(n / 2), key.begin() + long(n));
        return colour[size_t(key[n / 2] & 0xFFFFFFFFu)];
      },
      parallel);
}

bool GbImage::ContourLines() {
  if (!block_) return false;
  const ColourReader read(*this);
  return RunWindowFilter(*this, 3, [&](long, long x, long y, long xs0, long xs1, long ys0, long ys1) {
    const RGBQUAD centre = read.At(x, y);
    int mb = 0, mg = 0, mr = 0;
    // m takes the neighbour's value, not the difference, once the difference beats it.
    for (long ys = ys0; ys <= ys1; ++ys)
      for (long xs = xs0; xs <= xs1; ++xs) {
        const RGBQUAD c = read.At(xs, ys);
        if (c.rgbBlue - centre.rgbBlue > mb) mb = c.rgbBlue;
        if (c.rgbGreen - centre.rgbGreen > mg) mg = c.rgbGreen;
        if (c.rgbRed - centre.rgbRed > mr) mr = c.rgbRed;
      }
    return RGBQUAD{uint8_t(255 - mb), uint8_t(255 - mg), uint8_t(255 - mr), 0};
  });
}
