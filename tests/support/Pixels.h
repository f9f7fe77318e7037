// Pixel comparisons shared by the tests that check pictures by hand.
#pragma once
#include <cstdint>

#include "image/core/GbImage.h"

namespace gbtest {

// Same size and the same red, green and blue at every pixel (alpha and the
// storage depth aside).
inline bool SamePixels(const GbImage& a, const GbImage& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (long y = 0; y < long(a.Height()); ++y)
    for (long x = 0; x < long(a.Width()); ++x) {
      const RGBQUAD p = a.ReadPixelColor(x, y, false), q = b.ReadPixelColor(x, y, false);
      if (p.rgbRed != q.rgbRed || p.rgbGreen != q.rgbGreen || p.rgbBlue != q.rgbBlue) return false;
    }
  return true;
}

struct Rgb {
  uint8_t r, g, b;
  bool operator==(const Rgb&) const = default;
};

// Pixels addressed with rows counted from the top, as windows and layers
// count them (the image's own rows run from the bottom).
inline Rgb At(const GbImage& image, long x, long row) {
  const RGBQUAD q = image.ReadPixelColor(x, long(image.Height()) - 1 - row, false);
  return Rgb{q.rgbRed, q.rgbGreen, q.rgbBlue};
}
inline void Put(GbImage& image, long x, long row, Rgb c) {
  image.WritePixelColor(x, long(image.Height()) - 1 - row, RGBQUAD{c.b, c.g, c.r, 0});
}

}  // namespace gbtest
