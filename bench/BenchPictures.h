// Generated pictures for the engine benchmarks: the same bytes on every run
// and machine, photo-like (smooth gradients, edges, a little noise) so that
// caches, branch predictors and run-length codecs see realistic data.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <tuple>

#include "image/core/GbImage.h"

namespace gbbench {

// The three picture sizes every hot path is measured at: a sticker, a
// 12-megapixel and a 24-megapixel camera picture.
inline void ThreeSizes(benchmark::internal::Benchmark* b) {
  b->Args({320, 240})->Args({4000, 3000})->Args({6000, 4000});
}

inline void FillPhotoLike(GbImage& img) {
  const uint32_t w = img.Width(), h = img.Height();
  uint32_t s = 0x9E3779B9u;
  for (uint32_t y = 0; y < h; ++y) {
    uint8_t* row = img.RowBits(y);
    for (uint32_t x = 0; x < w; ++x) {
      s = s * 1664525u + 1013904223u;
      const uint32_t noise = s >> 28;  // 0..15
      // Two gradients and a disc, the kind of structure a portrait has.
      const int64_t dx = int64_t(x) - w / 2, dy = int64_t(y) - h / 2;
      const bool disc = dx * dx + dy * dy < int64_t(h) * h / 9;
      const uint8_t b = uint8_t((x * 200 / w + noise) & 0xFF);
      const uint8_t g = uint8_t((y * 180 / h + noise + (disc ? 60 : 0)) & 0xFF);
      const uint8_t r = uint8_t(((x + y) * 120 / (w + h) + (disc ? 110 : 30) + noise) & 0xFF);
      if (img.BitsPerPixel() == 24) {
        row[3 * x] = b;
        row[3 * x + 1] = g;
        row[3 * x + 2] = r;
      } else if (img.BitsPerPixel() == 8) {
        row[x] = uint8_t((r & 0xE0) | ((g >> 3) & 0x1C) | (b >> 6));
      } else if (img.BitsPerPixel() == 4) {
        const uint8_t v = uint8_t(GbImage::GreyOf(r, g, b) >> 4);
        row[x / 2] = uint8_t(x % 2 ? (row[x / 2] & 0xF0) | v : (row[x / 2] & 0x0F) | (v << 4));
      } else {
        const uint8_t bit = uint8_t(0x80 >> (x % 8));
        row[x / 8] = uint8_t(GbImage::GreyOf(r, g, b) > 127 ? row[x / 8] | bit : row[x / 8] & ~bit);
      }
    }
  }
  if (img.BitsPerPixel() == 8) {
    // 3-3-2 colour palette matching the index layout above.
    for (uint32_t i = 0; i < 256; ++i)
      img.SetPaletteColor(i, uint8_t((i >> 5) * 255 / 7), uint8_t(((i >> 2) & 7) * 255 / 7),
                          uint8_t((i & 3) * 255 / 3));
  } else if (img.BitsPerPixel() == 4) {
    for (uint32_t i = 0; i < 16; ++i) img.SetPaletteColor(i, uint8_t(i * 17), uint8_t(i * 17), uint8_t(i * 17));
  } else if (img.BitsPerPixel() == 1) {
    img.SetPaletteColor(0, 0, 0, 0);
    img.SetPaletteColor(1, 255, 255, 255);
  }
}

// The picture of a size and depth, made once per process; with alpha it also
// carries a gradient alpha plane. Callers keep it unchanged (operations write
// to a destination, or work on a copy).
inline GbImage& Picture(uint32_t width, uint32_t height, uint32_t bpp = 24, bool alpha = false) {
  static std::map<std::tuple<uint32_t, uint32_t, uint32_t, bool>, std::unique_ptr<GbImage>> cache;
  auto& slot = cache[{width, height, bpp, alpha}];
  if (!slot) {
    slot = std::make_unique<GbImage>(width, height, bpp);
    FillPhotoLike(*slot);
    if (alpha) {
      slot->CreateAlpha();
      for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
          slot->WriteAlpha(long(x), long(y), uint8_t((x * 255 / width + y * 255 / height) / 2));
    }
  }
  return *slot;
}

// Puts the original pixels back into a working copy of the same geometry
// without reallocating, so every iteration starts alike.
inline void RestorePixels(GbImage& work, const GbImage& original) {
  std::memcpy(work.RowBits(0), original.RowBits(0), size_t(original.RowStride()) * original.Height());
}

inline void CountPixels(benchmark::State& state, uint64_t pixelsPerIteration) {
  state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(pixelsPerIteration));
}

}  // namespace gbbench
