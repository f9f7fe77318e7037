// Small helpers for building and reading effects images in tests.
#pragma once

#include <cstdint>
#include <string>

#include "retouch/engine/FxImage.h"
#include "retouch/engine/FxSelect.h"

namespace fxtest {

struct Bgr {
  uint8_t b, g, r;
  friend bool operator==(const Bgr&, const Bgr&) = default;
};

inline uint8_t* At(const FxDib& img, int x, int y) { return img.Row(y) + size_t(x) * size_t(img.BitsPerPixel() / 8); }
inline Bgr Get(const FxDib& img, int x, int y) {
  const uint8_t* p = At(img, x, y);
  return {p[0], p[1], p[2]};
}
inline void Set(FxDib& img, int x, int y, Bgr c, uint8_t fourth = 0) {
  uint8_t* p = At(img, x, y);
  p[0] = c.b;
  p[1] = c.g;
  p[2] = c.r;
  if (img.BitsPerPixel() == 32) p[3] = fourth;
}
inline Bgr Grey(uint8_t v) { return {v, v, v}; }

// A picture whose every pixel differs: a pattern that turns and stretches
// can't hide errors in.
inline void FillPattern(FxDib& img, uint32_t seed = 1) {
  uint32_t s = seed;
  for (int y = 0; y < img.Height(); ++y)
    for (int x = 0; x < img.Width(); ++x) {
      s = s * 1664525u + 1013904223u;
      Set(img, x, y, {uint8_t(s >> 24), uint8_t(s >> 16), uint8_t(s >> 8)}, uint8_t(s));
    }
}

inline void Fill(FxDib& img, Bgr c, uint8_t fourth = 0) {
  for (int y = 0; y < img.Height(); ++y)
    for (int x = 0; x < img.Width(); ++x) Set(img, x, y, c, fourth);
}

// Whole rows of pixel bytes equal (ignores row padding).
inline bool SamePixels(const FxDib& a, const FxDib& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height() || a.BitsPerPixel() != b.BitsPerPixel()) return false;
  const size_t bytes = (size_t(a.Width()) * size_t(a.BitsPerPixel()) + 7) / 8;
  for (int y = 0; y < a.Height(); ++y)
    if (std::char_traits<char>::compare(reinterpret_cast<const char*>(a.Row(y)),
                                        reinterpret_cast<const char*>(b.Row(y)), bytes) != 0)
      return false;
  return true;
}

}  // namespace fxtest
