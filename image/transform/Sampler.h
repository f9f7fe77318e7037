// The pixel samplers behind SampleWithOverflow, SampleInterpolated and
// SampleArea, set up once per operation so that the per-pixel work does not
// repeat the image and method lookups. The resizers reuse the weight helpers
// below for their precomputed rows and columns, so that every path does the
// same arithmetic in the same order and gives the same bits.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "image/core/GbImage.h"
#include "image/transform/Kernels.h"

namespace gbtransform {

// floor() without the library call; the same value for every finite x.
inline double Floor(double x) {
  if (x > -4.0e15 && x < 4.0e15) {
    const double t = double((long long)x);
    return t > x ? t - 1.0 : t;
  }
  return std::floor(x);
}

// Window of interpolation taps: radius 1 for bilinear, else the kernel's.
inline int WindowRadius(int method) { return method == GbImage::kBilinear ? 1 : KernelRadius(method); }
constexpr int kMaxTaps = 12;

// Kernel weights around x (fx0 = floor(x)): w[k] = k(x - (fx0 + k - (r - 1))).
inline void KernelTaps(int method, double x, double fx0, double* w) {
  const int r = KernelRadius(method);
  for (int k = 0; k < 2 * r; ++k) w[k] = KernelWeight(method, x - (fx0 + double(k - (r - 1))));
}

// Area sampling: the part of pixel i's unit square [i - 0.5, i + 0.5] that
// lies inside [lo, hi].
inline double Coverage(long i, double lo, double hi) {
  const double a = double(i) - 0.5 > lo ? double(i) - 0.5 : lo;
  const double b = double(i) + 0.5 < hi ? double(i) + 0.5 : hi;
  return b > a ? b - a : 0.0;
}
// First and last pixel whose square meets [lo, hi].
inline long CoverFirst(double lo) { return long(Floor(lo + 0.5)); }
inline long CoverLast(double hi) { return long(Floor(hi + 0.5)); }

// Position v of an axis of n pixels (n > 0) folded inside by a folding
// overflow method; positions inside, and any position under the other
// methods, stay as they are.
inline long FoldIndex(long v, long n, int overflow) {
  if (v >= 0 && v < n) return v;
  switch (overflow) {
    case GbImage::kWrap:
      v %= n;
      if (v < 0) v += n;
      break;
    case GbImage::kRepeat: v = v < 0 ? 0 : n - 1; break;
    case GbImage::kMirror:
      // Negative positions reflect about 0, positions past the end about n - 1.
      if (v < 0)
        v = long((0ul - (unsigned long)v) % (unsigned long)n);
      else
        v = n - v % n - 1;
      break;
    default: break;
  }
  return v;
}

class Sampler {
 public:
  // The image must have pixels.
  Sampler(const GbImage& image, int method, int overflow, RGBQUAD replacement);

  RGBQUAD Pixel(long x, long y) const {  // SampleWithOverflow
    if (x >= 0 && y >= 0 && x < w_ && y < h_) return Inside(x, y);
    if (overflow_ >= GbImage::kWrap) {
      Fold(x, y);
      return Inside(x, y);
    }
    return outside_;
  }
  RGBQUAD At(double x, double y) const;                                 // SampleInterpolated
  RGBQUAD Area(double x, double y, double width, double height) const;  // SampleArea

  void Fold(long& x, long& y) const;
  void Fold(double& x, double& y) const;

  int Method() const { return method_; }
  // The colour of positions outside the image, and whether they are folded
  // inside instead (wrap, repeat, mirror).
  RGBQUAD Outside() const { return outside_; }
  bool Folds() const { return overflow_ >= 4; }
  int Overflow() const { return overflow_; }
  bool Is24() const { return is24_; }
  bool HasAlpha() const { return alpha_ != nullptr; }
  long Width() const { return w_; }
  long Height() const { return h_; }
  const uint8_t* Row(long y) const { return bits_ + size_t(y) * stride_; }
  const uint8_t* AlphaRow(long y) const { return alpha_ + size_t(y) * size_t(w_); }

  // Kernel sum over a window known to lie inside a 24-bit image: x0, y0 are
  // the first tap, n the taps per axis. out receives blue, green, red, alpha.
  void Direct24(long x0, long y0, int n, const double* wx, const double* wy, double* out) const;

  // Bilinear fixed-point blend of the 2 x 2 block at (x0, y0) of a 24-bit
  // image, T and U the fractions in 1/256.
  RGBQUAD Bilinear24(long x0, long y0, int T, int U) const {
    const int w11 = (T * U) >> 8, w10 = T - w11, w01 = U - w11, w00 = 256 - w10 - w01 - w11;
    const uint8_t* p0 = Row(y0) + size_t(x0) * 3;
    const uint8_t* p1 = Row(y0 + 1) + size_t(x0) * 3;
    RGBQUAD c;
    c.rgbBlue = uint8_t(uint16_t(w00 * p0[0] + w10 * p0[3] + w01 * p1[0] + w11 * p1[3]) >> 8);
    c.rgbGreen = uint8_t(uint16_t(w00 * p0[1] + w10 * p0[4] + w01 * p1[1] + w11 * p1[4]) >> 8);
    c.rgbRed = uint8_t(uint16_t(w00 * p0[2] + w10 * p0[5] + w01 * p1[2] + w11 * p1[5]) >> 8);
    c.rgbReserved = 0;
    if (alpha_) {
      const uint8_t* a0 = AlphaRow(y0) + x0;
      const uint8_t* a1 = AlphaRow(y0 + 1) + x0;
      c.rgbReserved = uint8_t(uint16_t(w00 * a0[0] + w10 * a0[1] + w01 * a1[0] + w11 * a1[1]) >> 8);
    }
    return c;
  }

  // Nearest-neighbour source pixel of a real position, folded for the
  // folding overflow methods; false when it falls outside otherwise.
  bool NearestSource(double x, double y, long& sx, long& sy) const {
    sx = std::isfinite(x) ? ClampNearest(x) : -1;
    sy = std::isfinite(y) ? ClampNearest(y) : -1;
    if (sx >= 0 && sy >= 0 && sx < w_ && sy < h_) return true;
    if (overflow_ < GbImage::kWrap) return false;
    Fold(sx, sy);
    return true;
  }

 private:
  static long ClampNearest(double v) {  // (int)(v + 0.5), truncating toward zero
    v += 0.5;
    if (!(v > -1073741824.0)) return -1073741824L;
    if (v > 1073741824.0) return 1073741824L;
    return long(v);
  }
  RGBQUAD Inside(long x, long y) const {
    if (is24_) {
      const uint8_t* p = bits_ + size_t(y) * stride_ + size_t(x) * 3;
      return RGBQUAD{p[0], p[1], p[2], alpha_ ? alpha_[size_t(y) * size_t(w_) + size_t(x)] : bgReserved_};
    }
    return img_.ReadPixelColor(x, y, true);
  }
  RGBQUAD Bilinear(double x, double y, double fx0, double fy0) const;
  RGBQUAD Kernel(double x, double y, double fx0, double fy0) const;

  const GbImage& img_;
  long w_, h_;
  int method_, overflow_;
  RGBQUAD outside_;
  bool is24_;
  const uint8_t* bits_;
  size_t stride_;
  const uint8_t* alpha_;
  uint8_t bgReserved_;
};

}  // namespace gbtransform
