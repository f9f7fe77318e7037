// Test pictures for the retouching operations.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "image/core/GbImage.h"

namespace rt {

inline uint32_t Next(uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  return state >> 8;
}

// A w x h picture of pseudo-random content. Palette pictures get distinct
// colours, except grey = true, which gives the 8-bit identity ramp.
inline void MakeNoise(GbImage& img, long w, long h, uint32_t bpp, uint32_t seed, bool grey = false) {
  ASSERT_NE(img.Create(uint32_t(w), uint32_t(h), bpp, GB_TYPE_BMP), nullptr);
  if (grey)
    img.SetGreyPalette();
  else
    for (uint32_t i = 0; i < img.PaletteEntryCount(); ++i)
      img.SetPaletteColor(i, uint8_t(i * 37 + 11), uint8_t(255 - i * 13), uint8_t(i * 101 + 7));
  uint32_t s = seed;
  for (long y = 0; y < h; ++y)
    for (long x = 0; x < w; ++x) {
      const uint32_t r = Next(s);
      if (bpp == 24)
        img.WritePixelColor(x, y, RGBQUAD{uint8_t(r), uint8_t(r >> 8), uint8_t(r >> 16), 0});
      else
        img.WritePixelIndex(x, y, uint8_t(r % img.PaletteEntryCount()));
    }
}

inline uint32_t Rgb(const GbImage& img, long x, long y) {
  const RGBQUAD c = img.ReadPixelColor(x, y, false);
  return (uint32_t(c.rgbRed) << 16) | (uint32_t(c.rgbGreen) << 8) | c.rgbBlue;
}

// Same size, depth, palette bytes and pixel bytes.
inline bool SamePixels(const GbImage& a, const GbImage& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height() || a.BitsPerPixel() != b.BitsPerPixel()) return false;
  for (long y = 0; y < long(a.Height()); ++y)
    for (long x = 0; x < long(a.Width()); ++x)
      if (Rgb(a, x, y) != Rgb(b, x, y)) return false;
  return true;
}

}  // namespace rt
