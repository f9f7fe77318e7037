// Block transfers between memory contexts: straight, stretched, through a
// parallelogram, masked and colour-keyed. All of them sample the nearest
// source pixel and combine colours with the ternary raster operation.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiObjects.h"

namespace {

// Result of a ternary raster operation on 24-bit colours: bit i of the
// code answers pattern bit (i >> 2), source bit (i >> 1) and destination
// bit (i) all at once.
inline uint32_t Rop3(uint8_t code, uint32_t p, uint32_t s, uint32_t d) {
  switch (code) {
    case 0xCC: return s;
    case 0xAA: return d;
    case 0xF0: return p;
    case 0x00: return 0;
    case 0xFF: return 0xFFFFFF;
    default: break;
  }
  uint32_t r = 0;
  for (int i = 0; i < 8; ++i) {
    if ((code >> i) & 1) r |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
  }
  return r & 0xFFFFFF;
}

// Coordinates far outside any bitmap, kept where sums cannot overflow.
inline int Clamp(int64_t v) {
  constexpr int64_t kLimit = int64_t(1) << 30;
  return int(v < -kLimit ? -kLimit : v > kLimit ? kLimit : v);
}

inline bool UsesSource(uint8_t code) { return ((code >> 2) & 0x33) != (code & 0x33); }
inline bool UsesDest(uint8_t code) { return ((code >> 1) & 0x55) != (code & 0x55); }

// A source that stays readable while the destination changes: a copy of
// the pixels when both contexts hold the same bitmap.
struct SourcePixels {
  gdi::DibView view;
  std::unique_ptr<uint8_t[]> copy;
  bool Take(HDC src, const GdiBitmap* dstBitmap) {
    if (!src || !src->bitmap) return false;
    view = src->bitmap->View();
    if (src->bitmap == dstBitmap) {
      const size_t bytes = view.stride * size_t(view.height);
      copy.reset(new (std::nothrow) uint8_t[bytes]);
      if (!copy) return false;
      std::memcpy(copy.get(), view.bits, bytes);
      view.bits = copy.get();
    }
    return true;
  }
};

struct MaskPixels {
  gdi::DibView view;
  bool present = false;
  int dx = 0, dy = 0;  // mask position minus source position
  // Outside the mask counts as set, as if there were no mask there.
  bool Set(int sx, int sy) const {
    if (!present) return true;
    const int mx = Clamp(int64_t(sx) + dx), my = Clamp(int64_t(sy) + dy);
    return !view.Contains(mx, my) || view.ReadIndex(mx, my) != 0;
  }
};

bool TakeMask(HBITMAP mask, int xMask, int yMask, int xSrc, int ySrc, MaskPixels& out) {
  if (!mask) return true;
  if (mask->Bpp() != 1) return false;
  out.view = mask->View();
  out.present = true;
  out.dx = Clamp(int64_t(xMask) - xSrc);
  out.dy = Clamp(int64_t(yMask) - ySrc);
  return true;
}

// Runs one transfer over the destination pixels [left, right) x [top,
// bottom). sample(px, py, sx, sy) names the source pixel of a destination
// pixel, or returns false to leave that pixel alone.
template <typename Sample>
BOOL Transfer(HDC dst, int left, int top, int right, int bottom, HDC src, DWORD rop4, const MaskPixels& mask,
              bool keyed, uint32_t key, Sample sample) {
  if (!dst || !dst->bitmap || dst->bitmap->stock) return FALSE;
  const gdi::DibView out = dst->bitmap->View();
  const uint8_t fore = uint8_t(rop4 >> 16), back = uint8_t(rop4 >> 24);
  const bool needSource = UsesSource(fore) || (mask.present && UsesSource(back)) || keyed;
  SourcePixels in;
  if (needSource && !in.Take(src, dst->bitmap)) return FALSE;
  const uint32_t pattern = dst->brush && !dst->brush->hollow ? gdi::RgbFromColorRef(dst->brush->colour) : 0;
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, out.width);
  bottom = std::min(bottom, out.height);
  gdi::NearestCache cache;
  cache.Reset();
  // A plain copy between equal layouts moves indices or bytes untouched.
  const bool rawCopy = fore == 0xCC && !mask.present && !keyed && in.view.SameLayout(out);
  const size_t pixelBytes = size_t(out.bpp / 8);
  for (int py = top; py < bottom; ++py) {
    for (int px = left; px < right; ++px) {
      int sx = 0, sy = 0;
      if (!sample(px, py, sx, sy)) continue;
      uint32_t s = 0;
      if (needSource) {
        if (!in.view.Contains(sx, sy)) continue;
        if (rawCopy) {
          if (pixelBytes)
            std::memcpy(out.Row(py) + size_t(px) * pixelBytes, in.view.Row(sy) + size_t(sx) * pixelBytes, pixelBytes);
          else
            out.WriteIndex(px, py, in.view.ReadIndex(sx, sy));
          continue;
        }
        s = in.view.ReadRgb(sx, sy);
        if (keyed && s == key) continue;
      }
      const uint8_t code = mask.Set(sx, sy) ? fore : back;
      if (code == 0xAA) continue;
      const uint32_t d = UsesDest(code) ? out.ReadRgb(px, py) : 0;
      out.WriteRgb(px, py, Rop3(code, pattern, s, d), &cache);
    }
  }
  return TRUE;
}

// One axis of a stretch: the pixels an extent covers and, for the d-th of
// them counted from the origin, the source pixel.
struct Axis {
  int origin, extent, srcOrigin, srcExtent;
  int First() const { return Clamp(extent > 0 ? int64_t(origin) : int64_t(origin) + extent); }
  int Last() const { return Clamp(extent > 0 ? int64_t(origin) + extent : int64_t(origin)); }  // exclusive
  int Source(int p) const {
    const int64_t d = extent > 0 ? int64_t(p) - origin : int64_t(origin) - 1 - p;
    const int64_t s = d * std::abs(int64_t(srcExtent)) / std::abs(int64_t(extent));
    return Clamp(srcExtent > 0 ? srcOrigin + s : int64_t(srcOrigin) - 1 - s);
  }
};

BOOL Stretch(HDC dst, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, int widthSrc, int heightSrc,
             DWORD rop, bool keyed, uint32_t key) {
  if (width == 0 || height == 0 || widthSrc == 0 || heightSrc == 0) return FALSE;
  const Axis ax{x, width, xSrc, widthSrc}, ay{y, height, ySrc, heightSrc};
  return Transfer(dst, ax.First(), ay.First(), ax.Last(), ay.Last(), src, rop, MaskPixels{}, keyed, key,
                  [&](int px, int py, int& sx, int& sy) {
                    sx = ax.Source(px);
                    sy = ay.Source(py);
                    return true;
                  });
}

}  // namespace

BOOL BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, DWORD rop) {
  if (width <= 0 || height <= 0) return FALSE;
  return Transfer(dst, Clamp(x), Clamp(y), Clamp(int64_t(x) + width), Clamp(int64_t(y) + height), src, rop,
                  MaskPixels{}, false, 0, [&](int px, int py, int& sx, int& sy) {
                    sx = Clamp(int64_t(xSrc) + px - x);
                    sy = Clamp(int64_t(ySrc) + py - y);
                    return true;
                  });
}

BOOL PatBlt(HDC hdc, int x, int y, int width, int height, DWORD rop) {
  if (UsesSource(uint8_t(rop >> 16))) return FALSE;
  if (width == INT32_MIN || height == INT32_MIN) return FALSE;
  if (width < 0) x = Clamp(int64_t(x) + width), width = -width;
  if (height < 0) y = Clamp(int64_t(y) + height), height = -height;
  return BitBlt(hdc, x, y, width, height, nullptr, 0, 0, rop);
}

BOOL StretchBlt(HDC dst, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, int widthSrc, int heightSrc,
                DWORD rop) {
  return Stretch(dst, x, y, width, height, src, xSrc, ySrc, widthSrc, heightSrc, rop, false, 0);
}

BOOL TransparentBlt(HDC dst, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, int widthSrc,
                    int heightSrc, UINT keyColour) {
  if (width <= 0 || height <= 0 || widthSrc <= 0 || heightSrc <= 0) return FALSE;
  return Stretch(dst, x, y, width, height, src, xSrc, ySrc, widthSrc, heightSrc, SRCCOPY, true,
                 gdi::RgbFromColorRef(keyColour));
}

BOOL MaskBlt(HDC dst, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, HBITMAP mask, int xMask,
             int yMask, DWORD rop4) {
  if (width <= 0 || height <= 0) return FALSE;
  MaskPixels m;
  if (!TakeMask(mask, xMask, yMask, xSrc, ySrc, m)) return FALSE;
  if (!mask) rop4 = (rop4 & 0x00FFFFFFu) | ((rop4 & 0x00FF0000u) << 8);
  return Transfer(dst, Clamp(x), Clamp(y), Clamp(int64_t(x) + width), Clamp(int64_t(y) + height), src, rop4, m, false,
                  0, [&](int px, int py, int& sx, int& sy) {
                    sx = Clamp(int64_t(xSrc) + px - x);
                    sy = Clamp(int64_t(ySrc) + py - y);
                    return true;
                  });
}

BOOL PlgBlt(HDC dst, const POINT points[3], HDC src, int xSrc, int ySrc, int widthSrc, int heightSrc, HBITMAP mask,
            int xMask, int yMask) {
  if (!points || widthSrc <= 0 || heightSrc <= 0) return FALSE;
  MaskPixels m;
  if (!TakeMask(mask, xMask, yMask, xSrc, ySrc, m)) return FALSE;
  const double x0 = points[0].x, y0 = points[0].y;
  const double a = points[1].x - x0, c = points[1].y - y0;  // along the source's top edge
  const double b = points[2].x - x0, d = points[2].y - y0;  // along its left edge
  const double det = a * d - b * c;
  if (det == 0) return FALSE;
  const double lengthU = std::hypot(a, c), lengthV = std::hypot(b, d);
  // Half of a destination pixel in source pixels, along each source axis:
  // subtracting it from the centre's position reproduces StretchBlt's
  // origin-corner rule.
  const double halfU = 0.5 * widthSrc / lengthU, halfV = 0.5 * heightSrc / lengthV;
  const double xs[4] = {x0, x0 + a, x0 + b, x0 + a + b}, ys[4] = {y0, y0 + c, y0 + d, y0 + c + d};
  const int left = Clamp(int64_t(std::floor(*std::min_element(xs, xs + 4))));
  const int right = Clamp(int64_t(std::ceil(*std::max_element(xs, xs + 4))));
  const int top = Clamp(int64_t(std::floor(*std::min_element(ys, ys + 4))));
  const int bottom = Clamp(int64_t(std::ceil(*std::max_element(ys, ys + 4))));
  constexpr double kEps = 1e-9;
  return Transfer(dst, left, top, right, bottom, src, MAKEROP4(SRCCOPY, DSTCOPY), m, false, 0,
                  [&](int px, int py, int& sx, int& sy) {
                    const double qx = px + 0.5 - x0, qy = py + 0.5 - y0;
                    const double u = (d * qx - b * qy) / det, v = (a * qy - c * qx) / det;
                    if (u < -kEps || u >= 1 - kEps || v < -kEps || v >= 1 - kEps) return false;
                    const int su = std::clamp(int(std::floor(u * widthSrc - halfU + kEps)), 0, widthSrc - 1);
                    const int sv = std::clamp(int(std::floor(v * heightSrc - halfV + kEps)), 0, heightSrc - 1);
                    sx = Clamp(int64_t(xSrc) + su);
                    sy = Clamp(int64_t(ySrc) + sv);
                    return true;
                  });
}
