// Nearest palette entry for any 24-bit colour, exactly what
// GbImage::NearestPaletteIndex answers (the least squared distance, the
// lowest index among equals), without scanning the whole palette.
//
// The colour cube is split into 32 x 32 x 32 cells of 8 x 8 x 8 colours.
// Each cell keeps, built when a colour of it is first asked for, its
// candidates: the entries no farther from the cell than the bound that the
// best single entry guarantees for the whole cell. An entry beyond that
// bound is strictly farther than some other entry for every colour of the
// cell, so it can neither win nor tie. Candidates stay in index order and a
// later one wins only when strictly nearer, so ties fall to the lowest index
// as in the full scan. A cell with one candidate answers without any
// arithmetic; the rest compare a few (about four for the standard palette).
//
// A full 16 MB table of answers was tried first: on noisy pictures the
// lookups miss the cache and it was slower than the search, which works in
// about 200 KB. So was a second level of 4 x 4 x 4 cells (fewer candidates,
// but eight times the cell records).
#pragma once

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "image/core/GbImage.h"

namespace gbimage {

class NearestColourMap {
 public:
  // The first `count` entries of `palette` (null or 0: every answer is 0).
  NearestColourMap(const RGBQUAD* palette, uint32_t count) : cells_(kCells, 0) {
    if (palette)
      for (uint32_t i = 0; i < count && i < 256; ++i) {
        red_[n_] = palette[i].rgbRed;
        green_[n_] = palette[i].rgbGreen;
        blue_[n_] = palette[i].rgbBlue;
        ++n_;
      }
  }
  // The search set of an image: its palette, limited to the colours-important count.
  explicit NearestColourMap(const GbImage& image) : NearestColourMap(image.Palette(), SearchCount(image)) {}

  uint8_t operator()(int r, int g, int b) {
    if (!n_) return 0;
    const uint32_t cell = uint32_t((r >> kShift) << 10 | (g >> kShift) << 5 | (b >> kShift));
    uint32_t info = cells_[cell];
    if (!info) info = Build(cell);
    const uint32_t count = info & 511;
    const uint8_t* list = pool_.data() + (info >> 9);
    if (count == 1) return list[0];
    // Distance and index in one word, the index below: the least word is
    // the least distance and, among equals, the lowest index, as the scan
    // picks (no data-dependent branch to mispredict).
    uint32_t best = UINT32_MAX;
    for (uint32_t k = 0; k < count; ++k) {
      const uint32_t i = list[k];
      const int dr = red_[i] - r, dg = green_[i] - g, db = blue_[i] - b;
      const uint32_t d = uint32_t(dr * dr + dg * dg + db * db) << 8 | i;
      best = std::min(best, d);
    }
    return uint8_t(best);
  }

  static uint32_t SearchCount(const GbImage& image) {
    const uint32_t n = image.ColorsImportant() ? image.ColorsImportant() : image.PaletteEntryCount();
    return std::min(n, image.PaletteEntryCount());
  }

 private:
  static constexpr int kShift = 3, kSide = 1 << kShift, kCells = 32 * 32 * 32;

  // Squared distance from v to the span [lo, lo + kSide - 1], nearest and farthest.
  static int Near(int v, int lo) {
    const int d = v < lo ? lo - v : v > lo + kSide - 1 ? v - (lo + kSide - 1) : 0;
    return d * d;
  }
  static int Far(int v, int lo) {
    const int d = std::max(std::abs(v - lo), std::abs(v - (lo + kSide - 1)));
    return d * d;
  }

  // Cell record: pool offset << 9 | candidate count (1..256; 0 = not built).
  // The pool holds at most 32768 x 256 = 2^23 bytes, so the offset fits.
  uint32_t Build(uint32_t cell) {
    const int r0 = int(cell >> 10) << kShift, g0 = int((cell >> 5) & 31) << kShift, b0 = int(cell & 31) << kShift;
    int bound = INT_MAX;
    for (uint32_t i = 0; i < n_; ++i)
      bound = std::min(bound, Far(red_[i], r0) + Far(green_[i], g0) + Far(blue_[i], b0));
    const uint32_t start = uint32_t(pool_.size());
    for (uint32_t i = 0; i < n_; ++i)
      if (Near(red_[i], r0) + Near(green_[i], g0) + Near(blue_[i], b0) <= bound) pool_.push_back(uint8_t(i));
    const uint32_t info = start << 9 | uint32_t(pool_.size() - start);
    cells_[cell] = info;
    return info;
  }

  uint32_t n_ = 0;
  int red_[256] = {}, green_[256] = {}, blue_[256] = {};
  std::vector<uint32_t> cells_;
  std::vector<uint8_t> pool_;
};

}  // namespace gbimage
