// The pixel samplers: reading outside the image, interpolating at a real
// position, and averaging an area.
#include "image/transform/Sampler.h"

#include "image/transform/TransformSupport.h"

namespace gbtransform {

Sampler::Sampler(const GbImage& image, int method, int overflow, RGBQUAD replacement)
    : img_(image),
      w_(long(image.Width())),
      h_(long(image.Height())),
      method_(method >= GbImage::kNearestNeighbour && method <= GbImage::kPower ? method : GbImage::kNearestNeighbour),
      overflow_(overflow >= GbImage::kColor && overflow <= GbImage::kMirror ? overflow : GbImage::kColor),
      outside_(replacement),
      is24_(image.BitsPerPixel() == 24),
      bits_(image.RowBits(0)),
      stride_(image.RowStride()),
      alpha_(image.AlphaPlane()),
      bgReserved_(image.Info().backgroundColor.rgbReserved) {
  if (overflow_ == GbImage::kBackground) {
    if (image.HasBackgroundIndex()) outside_ = image.BackgroundColor();
  } else if (overflow_ == GbImage::kTransparent) {
    if (alpha_)
      outside_.rgbReserved = 0;
    else if (image.HasBackgroundIndex())
      outside_ = image.BackgroundColor();
  }
}

void Sampler::Fold(long& x, long& y) const {
  if (w_ <= 0 || h_ <= 0) return;
  x = FoldIndex(x, w_, overflow_);
  y = FoldIndex(y, h_, overflow_);
}

void Sampler::Fold(double& x, double& y) const {
  if (w_ <= 0 || h_ <= 0 || !std::isfinite(x) || !std::isfinite(y)) return;
  auto fold = [this](double& v, double n) {
    switch (overflow_) {
      case GbImage::kWrap:
        if (v < 0.0 || v >= n) {
          v = std::fmod(v, n);
          if (v < 0.0) v += n;
        }
        break;
      case GbImage::kRepeat:
        if (v < 0.0)
          v = 0.0;
        else if (v > n - 1.0)
          v = n - 1.0;
        break;
      case GbImage::kMirror:
        if (v < 0.0)
          v = std::fmod(-v, n);
        else if (v >= n)
          v = n - std::fmod(v, n) - 1.0;
        break;
      default: break;
    }
  };
  fold(x, double(w_));
  fold(y, double(h_));
}

RGBQUAD Sampler::At(double x, double y) const {
  if (!std::isfinite(x) || !std::isfinite(y)) return Pixel(-1, -1);
  if (method_ == GbImage::kNearestNeighbour) return Pixel(ClampNearest(x), ClampNearest(y));
  double fx0 = Floor(x), fy0 = Floor(y);
  const int r = WindowRadius(method_);
  if (fx0 + r < 0.0 || fx0 - (r - 1) >= double(w_) || fy0 + r < 0.0 || fy0 - (r - 1) >= double(h_)) {
    // The whole window is outside.
    if (overflow_ < GbImage::kWrap) return outside_;
    Fold(x, y);
    fx0 = Floor(x);
    fy0 = Floor(y);
  }
  return method_ == GbImage::kBilinear ? Bilinear(x, y, fx0, fy0) : Kernel(x, y, fx0, fy0);
}

RGBQUAD Sampler::Bilinear(double x, double y, double fx0, double fy0) const {
  const long x0 = long(fx0), y0 = long(fy0);
  const double t = x - fx0, u = y - fy0;
  if (is24_ && x0 >= 0 && x0 + 1 < w_ && y0 >= 0 && y0 + 1 < h_)
    return Bilinear24(x0, y0, int(t * 256.0), int(u * 256.0));
  const RGBQUAD c00 = Pixel(x0, y0), c10 = Pixel(x0 + 1, y0);
  const RGBQUAD c01 = Pixel(x0, y0 + 1), c11 = Pixel(x0 + 1, y0 + 1);
  const double w00 = (1.0 - t) * (1.0 - u), w10 = t * (1.0 - u), w01 = (1.0 - t) * u, w11 = t * u;
  auto mix = [&](uint8_t RGBQUAD::*ch) {
    return ToByte(w00 * (c00.*ch) + w10 * (c10.*ch) + w01 * (c01.*ch) + w11 * (c11.*ch));
  };
  return RGBQUAD{mix(&RGBQUAD::rgbBlue), mix(&RGBQUAD::rgbGreen), mix(&RGBQUAD::rgbRed),
                 alpha_ ? mix(&RGBQUAD::rgbReserved) : uint8_t(0)};
}

void Sampler::Direct24(long x0, long y0, int n, const double* wx, const double* wy, double* out) const {
  double b = 0.0, g = 0.0, r = 0.0, a = 0.0;
  for (int j = 0; j < n; ++j) {
    const uint8_t* p = Row(y0 + j) + size_t(x0) * 3;
    double rb = 0.0, rg = 0.0, rr = 0.0;
    for (int k = 0; k < n; ++k, p += 3) {
      rb += wx[k] * p[0];
      rg += wx[k] * p[1];
      rr += wx[k] * p[2];
    }
    b += wy[j] * rb;
    g += wy[j] * rg;
    r += wy[j] * rr;
    if (alpha_) {
      const uint8_t* q = AlphaRow(y0 + j) + x0;
      double ra = 0.0;
      for (int k = 0; k < n; ++k) ra += wx[k] * q[k];
      a += wy[j] * ra;
    }
  }
  out[0] = b;
  out[1] = g;
  out[2] = r;
  out[3] = a;
}

RGBQUAD Sampler::Kernel(double x, double y, double fx0, double fy0) const {
  const int r = KernelRadius(method_), n = 2 * r;
  double wx[kMaxTaps], wy[kMaxTaps];
  KernelTaps(method_, x, fx0, wx);
  KernelTaps(method_, y, fy0, wy);
  const long x0 = long(fx0) - (r - 1), y0 = long(fy0) - (r - 1);
  double acc[4] = {0.0, 0.0, 0.0, 0.0};
  if (is24_ && x0 >= 0 && x0 + n <= w_ && y0 >= 0 && y0 + n <= h_) {
    Direct24(x0, y0, n, wx, wy, acc);
  } else {
    for (int j = 0; j < n; ++j) {
      double row[4] = {0.0, 0.0, 0.0, 0.0};
      for (int k = 0; k < n; ++k) {
        const RGBQUAD c = Pixel(x0 + k, y0 + j);
        row[0] += wx[k] * c.rgbBlue;
        row[1] += wx[k] * c.rgbGreen;
        row[2] += wx[k] * c.rgbRed;
        row[3] += wx[k] * c.rgbReserved;
      }
      for (int c = 0; c < 4; ++c) acc[c] += wy[j] * row[c];
    }
  }
  return RGBQUAD{ToByte(acc[0]), ToByte(acc[1]), ToByte(acc[2]), alpha_ ? ToByte(acc[3]) : uint8_t(0)};
}

RGBQUAD Sampler::Area(double x, double y, double width, double height) const {
  if (!(width > 1.0) && !(height > 1.0)) return At(x, y);
  if (!(width > 0.0) || !(height > 0.0) || !std::isfinite(width) || !std::isfinite(height) || !std::isfinite(x) ||
      !std::isfinite(y))
    return At(x, y);
  const double left = x - width / 2, right = x + width / 2;
  const double bottom = y - height / 2, top = y + height / 2;
  const long i0 = ClampToLong(Floor(left + 0.5)), i1 = ClampToLong(Floor(right + 0.5));
  const long j0 = ClampToLong(Floor(bottom + 0.5)), j1 = ClampToLong(Floor(top + 0.5));
  const double surface = width * height;
  double acc[4] = {0.0, 0.0, 0.0, 0.0};
  if (width > 1.0 && height > 1.0) {
    // Every covered pixel, weighted by the part of its square inside the area.
    for (long j = j0; j <= j1; ++j) {
      const double wy = Coverage(j, bottom, top);
      if (wy <= 0.0) continue;
      double row[4] = {0.0, 0.0, 0.0, 0.0};
      for (long i = i0; i <= i1; ++i) {
        const double wx = Coverage(i, left, right);
        if (wx <= 0.0) continue;
        const RGBQUAD c = Pixel(i, j);
        row[0] += wx * c.rgbBlue;
        row[1] += wx * c.rgbGreen;
        row[2] += wx * c.rgbRed;
        row[3] += wx * c.rgbReserved;
      }
      for (int c = 0; c < 4; ++c) acc[c] += wy * row[c];
    }
  } else {
    // A thin area: interpolate at the centre of each piece of pixel square.
    for (long j = j0; j <= j1; ++j) {
      const double ya = double(j) - 0.5 > bottom ? double(j) - 0.5 : bottom;
      const double yb = double(j) + 0.5 < top ? double(j) + 0.5 : top;
      if (yb <= ya) continue;
      for (long i = i0; i <= i1; ++i) {
        const double xa = double(i) - 0.5 > left ? double(i) - 0.5 : left;
        const double xb = double(i) + 0.5 < right ? double(i) + 0.5 : right;
        if (xb <= xa) continue;
        const RGBQUAD c = At((xa + xb) / 2, (ya + yb) / 2);
        const double weight = (xb - xa) * (yb - ya);
        acc[0] += weight * c.rgbBlue;
        acc[1] += weight * c.rgbGreen;
        acc[2] += weight * c.rgbRed;
        acc[3] += weight * c.rgbReserved;
      }
    }
  }
  return RGBQUAD{ToByte(acc[0] / surface), ToByte(acc[1] / surface), ToByte(acc[2] / surface),
                 alpha_ ? ToByte(acc[3] / surface) : uint8_t(0)};
}

}  // namespace gbtransform

using gbtransform::Sampler;

RGBQUAD GbImage::SampleInterpolated(double x, double y, InterpolationMethod method, OverflowMethod overflow,
                                    RGBQUAD replacement) const {
  if (!block_) return info_.backgroundColor;
  return Sampler(*this, method, overflow, replacement).At(x, y);
}

RGBQUAD GbImage::SampleArea(double x, double y, double width, double height, InterpolationMethod method,
                            OverflowMethod overflow, RGBQUAD replacement) const {
  if (!block_) return info_.backgroundColor;
  return Sampler(*this, method, overflow, replacement).Area(x, y, width, height);
}

RGBQUAD GbImage::SampleWithOverflow(long x, long y, OverflowMethod overflow, RGBQUAD replacement) const {
  if (!block_) return info_.backgroundColor;
  return Sampler(*this, kNearestNeighbour, overflow, replacement).Pixel(x, y);
}

void GbImage::FoldCoordinates(long& x, long& y, OverflowMethod overflow) const {
  if (!block_ || overflow < kWrap || overflow > kMirror) return;
  Sampler(*this, kNearestNeighbour, overflow, kReplacementWhite).Fold(x, y);
}

void GbImage::FoldCoordinates(double& x, double& y, OverflowMethod overflow) const {
  if (!block_ || overflow < kWrap || overflow > kMirror) return;
  Sampler(*this, kNearestNeighbour, overflow, kReplacementWhite).Fold(x, y);
}
