// Small pictures for the composition tests. Positions are given top-down,
// as a person reads a picture; GbImage rows count from the bottom.
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "compose/model/Composition.h"

namespace composetest {

inline RGBQUAD Rgb(uint8_t r, uint8_t g, uint8_t b) { return RGBQUAD{b, g, r, 0}; }

inline GbImage Solid(uint32_t w, uint32_t h, RGBQUAD c) {
  GbImage img;
  img.Create(w, h, 24, GB_TYPE_BMP);
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) img.WritePixelColor(long(x), long(y), c);
  return img;
}

// Pixel (x, y) counted from the top.
inline RGBQUAD At(const GbImage& img, long x, long yTop) {
  return img.ReadPixelColor(x, long(img.Height()) - 1 - yTop, false);
}
inline void Set(GbImage& img, long x, long yTop, RGBQUAD c) {
  img.WritePixelColor(x, long(img.Height()) - 1 - yTop, c);
}

inline std::string Str(RGBQUAD c) {
  return "(" + std::to_string(c.rgbRed) + "," + std::to_string(c.rgbGreen) + "," + std::to_string(c.rgbBlue) + ")";
}
inline bool Same(RGBQUAD a, RGBQUAD b) {
  return a.rgbRed == b.rgbRed && a.rgbGreen == b.rgbGreen && a.rgbBlue == b.rgbBlue;
}

// A picture whose every pixel differs from its neighbours.
inline GbImage Pattern(uint32_t w, uint32_t h, int seed = 0) {
  GbImage img;
  img.Create(w, h, 24, GB_TYPE_BMP);
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x)
      img.WritePixelColor(long(x), long(y),
                          Rgb(uint8_t(x * 7 + seed), uint8_t(y * 13 + seed * 3), uint8_t((x ^ y) * 5 + 1)));
  return img;
}

inline GbImage Image(const SharedBitmap& b) {
  GbImage img;
  ImageOfBitmap(b, img);
  return img;
}

// Number of pixels where the two images differ (-1 for different sizes).
inline long DiffCount(const GbImage& a, const GbImage& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return -1;
  long n = 0;
  for (long y = 0; y < long(a.Height()); ++y)
    for (long x = 0; x < long(a.Width()); ++x)
      if (!Same(a.ReadPixelColor(x, y, false), b.ReadPixelColor(x, y, false))) ++n;
  return n;
}

}  // namespace composetest
