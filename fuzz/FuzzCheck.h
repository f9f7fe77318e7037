// Checks shared by the fuzz targets: a decoded image must be whole and
// self-consistent, so that every later operation can trust it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "image/core/GbImage.h"

namespace gbfuzz {

// Traps (a reported crash) when the condition is false.
inline void Require(bool condition) {
  if (!condition) __builtin_trap();
}

// Reads every byte the image claims to own: the packed block and both
// planes. The sanitizer reports any byte that was not really allocated; the
// sum keeps the reads from being optimised away.
inline void CheckDecoded(const GbImage& image) {
  Require(image.HasPixels());
  Require(image.Width() > 0 && image.Height() > 0);
  const uint32_t bpp = image.BitsPerPixel();
  Require(bpp == 1 || bpp == 4 || bpp == 8 || bpp == 24);
  Require(image.RowStride() == GbImage::StrideFor(image.Width(), bpp));
  const uint8_t* block = image.PackedDib();
  const size_t packed = image.PackedSize();
  volatile uint32_t sum = 0;
  uint32_t s = 0;
  for (size_t i = 0; i < packed; ++i) s += block[i];
  const size_t plane = size_t(image.Width()) * image.Height();
  if (const uint8_t* alpha = image.AlphaPlane())
    for (size_t i = 0; i < plane; ++i) s += alpha[i];
  if (const uint8_t* selection = image.SelectionPlane())
    for (size_t i = 0; i < plane; ++i) s += selection[i];
  sum = s;
  (void)sum;
}

}  // namespace gbfuzz
