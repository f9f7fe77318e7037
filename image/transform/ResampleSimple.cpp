// The quick resizer: nearest neighbour, a clamped B-spline bicubic, or
// bilinear at the pixel corner, with an integer box filter for shrinking
// 24-bit pictures.
#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "image/core/GbImage.h"
#include "image/transform/Kernels.h"
#include "image/transform/Sampler.h"
#include "image/transform/TransformSupport.h"

using namespace gbtransform;

namespace {

long ClampIndex(long v, long size) { return v < 0 ? 0 : v >= size ? size - 1 : v; }

// Colour reader for either depth (no alpha: alpha is filled afterwards).
struct Reader {
  const GbImage& img;
  bool is24;
  const RGBQUAD* palette;
  RGBQUAD operator()(long x, long y) const {
    if (is24) {
      const uint8_t* p = img.RowBits(uint32_t(y)) + size_t(x) * 3;
      return RGBQUAD{p[0], p[1], p[2], 0};
    }
    return palette[img.ReadPixelIndexUnchecked(x, y)];
  }
};

void Write(GbImage& out, bool is24, long x, long y, RGBQUAD c) {
  if (is24) {
    uint8_t* p = out.RowBits(uint32_t(y)) + size_t(x) * 3;
    p[0] = c.rgbBlue;
    p[1] = c.rgbGreen;
    p[2] = c.rgbRed;
  } else {
    out.WritePixelColorUnchecked(x, y, c, false);
  }
}

void Nearest(GbImage& self, GbImage& out, double xs, double ys) {
  const long w = long(self.Width()), h = long(self.Height());
  const long nw = long(out.Width()), nh = long(out.Height());
  const bool is24 = self.BitsPerPixel() == 24;
  std::vector<long> sx(static_cast<size_t>(nw));
  for (long x = 0; x < nw; ++x) sx[size_t(x)] = ClampIndex(long(double(x) * xs), w);
  for (long y = 0; y < nh; ++y) {
    ReportProgress(self, y, nh);
    if (self.Escape()) break;
    const long sy = ClampIndex(long(double(y) * ys), h);
    const uint8_t* src = self.RowBits(uint32_t(sy));
    uint8_t* dst = out.RowBits(uint32_t(y));
    for (long x = 0; x < nw; ++x) {
      if (is24) {
        const uint8_t* p = src + size_t(sx[size_t(x)]) * 3;
        dst[size_t(x) * 3] = p[0];
        dst[size_t(x) * 3 + 1] = p[1];
        dst[size_t(x) * 3 + 2] = p[2];
      } else {
        // Palette indices are copied, so duplicate entries stay apart.
        out.WritePixelIndexUnchecked(x, y, self.ReadPixelIndexUnchecked(sx[size_t(x)], sy));
      }
    }
  }
}

// B-spline weights at (x xs - 0.5), neighbours -1 .. +2 clamped to the edges.
struct CubicAxis {
  std::vector<long> idx;    // 4 per entry
  std::vector<double> wgt;  // 4 per entry
};

CubicAxis CubicTaps(long n, double scale, long size) {
  CubicAxis a;
  a.idx.resize(size_t(n) * 4);
  a.wgt.resize(size_t(n) * 4);
  for (long i = 0; i < n; ++i) {
    const double p = double(i) * scale - 0.5;
    const double f = Floor(p);
    KernelTaps(3, p, f, &a.wgt[size_t(i) * 4]);
    for (int k = 0; k < 4; ++k) a.idx[size_t(i) * 4 + size_t(k)] = ClampIndex(long(f) + k - 1, size);
  }
  return a;
}

void Bicubic(GbImage& self, GbImage& out, double xs, double ys) {
  const long nw = long(out.Width()), nh = long(out.Height());
  const bool is24 = self.BitsPerPixel() == 24;
  const Reader read{self, is24, self.Palette()};
  const CubicAxis cols = CubicTaps(nw, xs, long(self.Width()));
  const CubicAxis rows = CubicTaps(nh, ys, long(self.Height()));
  for (long y = 0; y < nh; ++y) {
    ReportProgress(self, y, nh);
    if (self.Escape()) break;
    for (long x = 0; x < nw; ++x) {
      double b = 0.0, g = 0.0, r = 0.0;
      for (int j = 0; j < 4; ++j) {
        const long sy = rows.idx[size_t(y) * 4 + size_t(j)];
        double rb = 0.0, rg = 0.0, rr = 0.0;
        for (int k = 0; k < 4; ++k) {
          const RGBQUAD c = read(cols.idx[size_t(x) * 4 + size_t(k)], sy);
          const double wx = cols.wgt[size_t(x) * 4 + size_t(k)];
          rb += wx * c.rgbBlue;
          rg += wx * c.rgbGreen;
          rr += wx * c.rgbRed;
        }
        const double wy = rows.wgt[size_t(y) * 4 + size_t(j)];
        b += wy * rb;
        g += wy * rg;
        r += wy * rr;
      }
      Write(out, is24, x, y, RGBQUAD{ToByte(b), ToByte(g), ToByte(r), 0});
    }
  }
}

// Bilinear at the pixel corner: along y in columns ix and ix + 1, then along x.
void BilinearCorner(GbImage& self, GbImage& out, double xs, double ys) {
  const long w = long(self.Width()), h = long(self.Height());
  const long nw = long(out.Width()), nh = long(out.Height());
  const bool is24 = self.BitsPerPixel() == 24;
  const Reader read{self, is24, self.Palette()};
  std::vector<long> ix(static_cast<size_t>(nw)), ix1(static_cast<size_t>(nw));
  std::vector<double> dx(static_cast<size_t>(nw));
  for (long x = 0; x < nw; ++x) {
    const double f = double(x) * xs;
    const long i = ClampIndex(long(f), w);
    ix[size_t(x)] = i;
    ix1[size_t(x)] = i + 1 < w ? i + 1 : w - 1;
    dx[size_t(x)] = f - double(i);
  }
  for (long y = 0; y < nh; ++y) {
    ReportProgress(self, y, nh);
    if (self.Escape()) break;
    const double f = double(y) * ys;
    const long iy = ClampIndex(long(f), h);
    const long iy1 = iy + 1 < h ? iy + 1 : h - 1;
    const double dy = f - double(iy);
    for (long x = 0; x < nw; ++x) {
      const RGBQUAD c00 = read(ix[size_t(x)], iy), c01 = read(ix[size_t(x)], iy1);
      const RGBQUAD c10 = read(ix1[size_t(x)], iy), c11 = read(ix1[size_t(x)], iy1);
      const double fx = dx[size_t(x)];
      auto mix = [&](uint8_t RGBQUAD::*ch) {
        const double a = (c00.*ch) * (1.0 - dy) + (c01.*ch) * dy;
        const double b = (c10.*ch) * (1.0 - dy) + (c11.*ch) * dy;
        return ToByte(a * (1.0 - fx) + b * fx);
      };
      Write(out, is24, x, y, RGBQUAD{mix(&RGBQUAD::rgbBlue), mix(&RGBQUAD::rgbGreen), mix(&RGBQUAD::rgbRed), 0});
    }
  }
}

// How one source pixel splits between result pixel `to` and `to + 1`, in
// thousandths, along one axis.
struct Share {
  long to;
  uint32_t w0, w1;
};

std::vector<Share> BoxShares(long size, long n, double scale) {
  std::vector<Share> s(static_cast<size_t>(size));
  long to = 0;
  double boundary = scale;  // right edge of result pixel `to`, in source units
  for (long i = 0; i < size; ++i) {
    while (boundary <= double(i) && to < n - 1) boundary = double(++to + 1) * scale;
    if (double(i + 1) <= boundary || to >= n - 1) {
      s[size_t(i)] = Share{to, 1000, 0};
      continue;
    }
    long part = long((boundary - double(i)) * 1000.0 + 0.5);
    if (part < 0) part = 0;
    if (part > 1000) part = 1000;
    s[size_t(i)] = Share{to, uint32_t(part), uint32_t(1000 - part)};
  }
  return s;
}

// Integer box filter for shrinking a 24-bit image. Each result pixel is
// divided by the weight it actually received, so a flat area stays flat.
void BoxShrink(GbImage& self, GbImage& out, double xs, double ys) {
  const long w = long(self.Width()), h = long(self.Height());
  const long nw = long(out.Width()), nh = long(out.Height());
  const std::vector<Share> cols = BoxShares(w, nw, xs);
  const std::vector<Share> rows = BoxShares(h, nh, ys);
  std::vector<uint64_t> cur(size_t(nw) * 4, 0), next(size_t(nw) * 4, 0);
  auto add = [](std::vector<uint64_t>& acc, long x, const uint8_t* p, uint64_t wt) {
    uint64_t* a = &acc[size_t(x) * 4];
    a[0] += wt * p[0];
    a[1] += wt * p[1];
    a[2] += wt * p[2];
    a[3] += wt;
  };
  auto flush = [&](long y) {
    uint8_t* dst = out.RowBits(uint32_t(y));
    for (long x = 0; x < nw; ++x) {
      const uint64_t* a = &cur[size_t(x) * 4];
      for (int c = 0; c < 3; ++c) dst[size_t(x) * 3 + size_t(c)] = a[3] ? uint8_t(a[c] / a[3]) : 0;
    }
  };
  long curY = 0;
  bool stopped = false;
  for (long j = 0; j < h; ++j) {
    ReportProgress(self, j, h);
    if (self.Escape()) {
      stopped = true;
      break;
    }
    const Share ry = rows[size_t(j)];
    while (ry.to > curY) {
      flush(curY++);
      cur.swap(next);
      std::fill(next.begin(), next.end(), 0);
    }
    const uint8_t* src = self.RowBits(uint32_t(j));
    for (long i = 0; i < w; ++i) {
      const Share cx = cols[size_t(i)];
      const uint8_t* p = src + size_t(i) * 3;
      add(cur, cx.to, p, uint64_t(cx.w0) * ry.w0);
      if (cx.w1) add(cur, cx.to + 1, p, uint64_t(cx.w1) * ry.w0);
      if (ry.w1) {
        add(next, cx.to, p, uint64_t(cx.w0) * ry.w1);
        if (cx.w1) add(next, cx.to + 1, p, uint64_t(cx.w1) * ry.w1);
      }
    }
  }
  if (!stopped) flush(curY);
}

}  // namespace

bool GbImage::ResampleSimple(long newWidth, long newHeight, ResampleMode mode, GbImage* destination) {
  if (!block_ || newWidth <= 0 || newHeight <= 0) return false;
  if (newWidth == long(Width()) && newHeight == long(Height())) return CopyInto(*this, destination);
  if (newWidth > 0x7FFFFFFFL || newHeight > 0x7FFFFFFFL) {
    SetLastError("GBIMAGE_MAX_MEMORY exceeded");
    return false;
  }
  const double xs = double(Width()) / double(newWidth), ys = double(Height()) / double(newHeight);
  GbImage out;
  if (!StartResult(*this, out, uint32_t(newWidth), uint32_t(newHeight), BitsPerPixel())) return false;
  if (alpha_ && !AttachAlpha(*this, out, 0)) return false;
  try {
    if (mode == ResampleMode::kNearest)
      Nearest(*this, out, xs, ys);
    else if (mode == ResampleMode::kBicubic)
      Bicubic(*this, out, xs, ys);
    else if (xs < 1.0 || ys < 1.0 || BitsPerPixel() < 24)
      BilinearCorner(*this, out, xs, ys);
    else
      BoxShrink(*this, out, xs, ys);
    NearestAlpha(*this, out, xs, ys);
  } catch (const std::bad_alloc&) {  // the weight tables
    SetLastError(kNoMemory);
    return false;
  }
  return Commit(*this, destination, out);
}
