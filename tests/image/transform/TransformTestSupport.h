// Test pictures and a plain, unoptimised reference of the samplers, written
// from the documented rules: it reads every pixel through ReadPixelColor and
// knows nothing of fast paths or precomputed weights.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "image/core/GbImage.h"
#include "image/transform/Kernels.h"

namespace tt {

inline uint32_t NextRandom(uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  return state >> 8;
}

// A w x h picture of the given depth with pseudo-random content; palette
// images get a palette of distinct colours. Alpha plane on request.
inline void MakeNoise(GbImage& img, long w, long h, uint32_t bpp, uint32_t seed, bool alpha = false) {
  ASSERT_NE(img.Create(uint32_t(w), uint32_t(h), bpp, GB_TYPE_BMP), nullptr);
  uint32_t s = seed;
  for (uint32_t i = 0; i < img.PaletteEntryCount(); ++i)
    img.SetPaletteColor(i, uint8_t(i * 37 + 11), uint8_t(255 - i * 13), uint8_t(i * 101 + 7));
  for (long y = 0; y < h; ++y)
    for (long x = 0; x < w; ++x) {
      const uint32_t r = NextRandom(s);
      if (bpp == 24)
        img.WritePixelColor(x, y, RGBQUAD{uint8_t(r), uint8_t(r >> 8), uint8_t(r >> 16), 0});
      else
        img.WritePixelIndex(x, y, uint8_t(r % img.PaletteEntryCount()));
    }
  if (alpha) {
    ASSERT_TRUE(img.CreateAlpha());
    for (long y = 0; y < h; ++y)
      for (long x = 0; x < w; ++x) img.WriteAlpha(x, y, uint8_t(NextRandom(s)));
  }
}

inline void Fill24(GbImage& img, long w, long h, RGBQUAD c) {
  ASSERT_NE(img.Create(uint32_t(w), uint32_t(h), 24, 0), nullptr);
  for (long y = 0; y < h; ++y)
    for (long x = 0; x < w; ++x) img.WritePixelColor(x, y, c);
}

inline std::string Str(RGBQUAD c) {
  return "(" + std::to_string(c.rgbBlue) + "," + std::to_string(c.rgbGreen) + "," + std::to_string(c.rgbRed) + "," +
         std::to_string(c.rgbReserved) + ")";
}

inline bool SamePixels(const GbImage& a, const GbImage& b, std::string* where = nullptr) {
  if (a.Width() != b.Width() || a.Height() != b.Height() || a.BitsPerPixel() != b.BitsPerPixel()) {
    if (where) *where = "geometry";
    return false;
  }
  for (long y = 0; y < long(a.Height()); ++y)
    for (long x = 0; x < long(a.Width()); ++x) {
      const RGBQUAD ca = a.ReadPixelColor(x, y, true), cb = b.ReadPixelColor(x, y, true);
      const bool indexDiffers = a.BitsPerPixel() < 24 && a.ReadPixelIndex(x, y) != b.ReadPixelIndex(x, y);
      if (!(ca == cb) || indexDiffers) {
        if (where) *where = "at " + std::to_string(x) + "," + std::to_string(y) + ": " + Str(ca) + " vs " + Str(cb);
        return false;
      }
    }
  return true;
}

// ---- reference samplers ------------------------------------------------------

constexpr RGBQUAD kWhite{255, 255, 255, 0};

inline uint8_t Trunc(double v) {  // clamp to [0, 255], truncate (with the documented allowance)
  v += 1e-6;
  if (v <= 0) return 0;
  if (v >= 255) return 255;
  return uint8_t(int(v));
}

inline long Mod(long a, long n) { return ((a % n) + n) % n; }

inline RGBQUAD RefPixel(const GbImage& img, long x, long y, int overflow, RGBQUAD repl = kWhite) {
  const long w = long(img.Width()), h = long(img.Height());
  if (img.Contains(x, y)) return img.ReadPixelColor(x, y, true);
  switch (overflow) {
    case 2: return img.BackgroundIndex() >= 0 ? img.BackgroundColor() : repl;
    case 3:
      if (img.HasAlpha()) return RGBQUAD{repl.rgbBlue, repl.rgbGreen, repl.rgbRed, 0};
      return img.BackgroundIndex() >= 0 ? img.BackgroundColor() : repl;
    case 4: return img.ReadPixelColor(Mod(x, w), Mod(y, h), true);
    case 5: return img.ReadPixelColor(x < 0 ? 0 : x >= w ? w - 1 : x, y < 0 ? 0 : y >= h ? h - 1 : y, true);
    case 6: {
      auto m = [](long v, long n) { return v < 0 ? (-v) % n : v >= n ? n - v % n - 1 : v; };
      return img.ReadPixelColor(m(x, w), m(y, h), true);
    }
    default: return repl;
  }
}

inline void RefFold(const GbImage& img, double& x, double& y, int overflow) {
  const double w = img.Width(), h = img.Height();
  auto f = [overflow](double v, double n) {
    if (overflow == 5) return v < 0 ? 0.0 : v > n - 1 ? n - 1 : v;
    if (v >= 0 && v < n) return v;
    if (overflow == 4) {
      double r = std::fmod(v, n);
      return r < 0 ? r + n : r;
    }
    return v < 0 ? std::fmod(-v, n) : n - std::fmod(v, n) - 1;
  };
  x = f(x, w);
  y = f(y, h);
}

inline RGBQUAD RefInterp(const GbImage& img, double x, double y, int method, int overflow, RGBQUAD repl = kWhite) {
  const long w = long(img.Width()), h = long(img.Height());
  if (overflow < 1 || overflow > 6) overflow = 1;
  if (method == 1) return RefPixel(img, long(x + 0.5), long(y + 0.5), overflow, repl);
  const long lo = method == 2 ? 0 : method == 6 ? 5 : 1;  // taps before floor(x)
  const long hi = method == 2 ? 1 : method == 6 ? 6 : 2;  // taps after it
  long x0 = long(std::floor(x)), y0 = long(std::floor(y));
  if (x0 + hi < 0 || x0 - lo >= w || y0 + hi < 0 || y0 - lo >= h) {
    if (overflow <= 3) return RefPixel(img, -100000, -100000, overflow, repl);
    RefFold(img, x, y, overflow);
    x0 = long(std::floor(x));
    y0 = long(std::floor(y));
  }
  const bool withAlpha = img.HasAlpha();
  if (method == 2) {
    const double t = x - x0, u = y - y0;
    const RGBQUAD a = RefPixel(img, x0, y0, overflow, repl), b = RefPixel(img, x0 + 1, y0, overflow, repl);
    const RGBQUAD c = RefPixel(img, x0, y0 + 1, overflow, repl), d = RefPixel(img, x0 + 1, y0 + 1, overflow, repl);
    uint8_t out[4];
    const uint8_t va[4] = {a.rgbBlue, a.rgbGreen, a.rgbRed, a.rgbReserved};
    const uint8_t vb[4] = {b.rgbBlue, b.rgbGreen, b.rgbRed, b.rgbReserved};
    const uint8_t vc[4] = {c.rgbBlue, c.rgbGreen, c.rgbRed, c.rgbReserved};
    const uint8_t vd[4] = {d.rgbBlue, d.rgbGreen, d.rgbRed, d.rgbReserved};
    const bool fixedPoint = img.BitsPerPixel() == 24 && x0 >= 0 && x0 + 1 < w && y0 >= 0 && y0 + 1 < h;
    for (int k = 0; k < 4; ++k) {
      if (fixedPoint) {
        const int T = int(t * 256), U = int(u * 256);
        const int w11 = T * U / 256, w10 = T - w11, w01 = U - w11, w00 = 256 - w10 - w01 - w11;
        out[k] = uint8_t((w00 * va[k] + w10 * vb[k] + w01 * vc[k] + w11 * vd[k]) / 256);
      } else {
        out[k] = Trunc((1 - t) * (1 - u) * va[k] + t * (1 - u) * vb[k] + (1 - t) * u * vc[k] + t * u * vd[k]);
      }
    }
    return RGBQUAD{out[0], out[1], out[2], withAlpha ? out[3] : uint8_t(0)};
  }
  double sum[4] = {0, 0, 0, 0};
  for (long j = y0 - lo; j <= y0 + hi; ++j) {
    for (long i = x0 - lo; i <= x0 + hi; ++i) {
      const double wgt = gbtransform::KernelWeight(method, x - i) * gbtransform::KernelWeight(method, y - j);
      const RGBQUAD c = RefPixel(img, i, j, overflow, repl);
      sum[0] += wgt * c.rgbBlue;
      sum[1] += wgt * c.rgbGreen;
      sum[2] += wgt * c.rgbRed;
      sum[3] += wgt * c.rgbReserved;
    }
  }
  return RGBQUAD{Trunc(sum[0]), Trunc(sum[1]), Trunc(sum[2]), withAlpha ? Trunc(sum[3]) : uint8_t(0)};
}

inline RGBQUAD RefArea(const GbImage& img, double x, double y, double aw, double ah, int method, int overflow,
                       RGBQUAD repl = kWhite) {
  if (aw <= 1 && ah <= 1) return RefInterp(img, x, y, method, overflow, repl);
  const double l = x - aw / 2, r = x + aw / 2, b = y - ah / 2, t = y + ah / 2;
  double sum[4] = {0, 0, 0, 0};
  for (long j = long(std::floor(b)) - 1; j <= long(std::ceil(t)) + 1; ++j)
    for (long i = long(std::floor(l)) - 1; i <= long(std::ceil(r)) + 1; ++i) {
      const double x0 = std::max(i - 0.5, l), x1 = std::min(i + 0.5, r);
      const double y0 = std::max(j - 0.5, b), y1 = std::min(j + 0.5, t);
      if (x1 <= x0 || y1 <= y0) continue;
      const RGBQUAD c = (aw > 1 && ah > 1) ? RefPixel(img, i, j, overflow < 1 || overflow > 6 ? 1 : overflow, repl)
                                           : RefInterp(img, (x0 + x1) / 2, (y0 + y1) / 2, method, overflow, repl);
      const double wgt = (x1 - x0) * (y1 - y0);
      sum[0] += wgt * c.rgbBlue;
      sum[1] += wgt * c.rgbGreen;
      sum[2] += wgt * c.rgbRed;
      sum[3] += wgt * c.rgbReserved;
    }
  const double s = aw * ah;
  return RGBQUAD{Trunc(sum[0] / s), Trunc(sum[1] / s), Trunc(sum[2] / s),
                 img.HasAlpha() ? Trunc(sum[3] / s) : uint8_t(0)};
}

}  // namespace tt
