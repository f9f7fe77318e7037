// How far a run-length pixel stream (the 8-bit and 4-bit forms of packed
// bitmaps) reaches. End-of-line and move codes let a few valid bytes cover a
// large, mostly empty picture, so readers judge the memory such a stream
// asks for by the rows its codes address rather than by its length.
#pragma once

#include <cstdint>

namespace gbrle {

// Most a stream whose codes reach every row may ask for, however short it is.
constexpr uint64_t kSparseLimit = 64u << 20;

// Rows passed before the stream ends (end of bitmap, or no more bytes).
// next() returns the next byte, or a negative value at the end.
template <typename Next>
uint64_t RowsReached(Next&& next, bool fourBit) {
  uint64_t row = 0;
  for (;;) {
    const int n = next();
    const int v = next();
    if (n < 0 || v < 0 || (n == 0 && v == 1)) return row;
    if (n > 0) continue;
    if (v == 0) {
      ++row;
    } else if (v == 2) {
      const int dx = next();
      const int dy = next();
      if (dx < 0 || dy < 0) return row;
      row += uint64_t(dy);
    } else {
      const int bytes = fourBit ? (v + 1) / 2 : v;
      for (int i = 0; i < bytes + (bytes & 1); ++i)
        if (next() < 0) return row;
    }
  }
}

// Whether a picture of `allocation` bytes and `height` rows is justified by
// a run-length stream of `available` bytes. Within the usual compression
// ratio it is; beyond it, only a sparse picture whose codes reach every row
// is, and rowsReached() (which reads the stream) is asked only then.
template <typename RowsReachedFn>
bool Justified(uint64_t allocation, uint64_t available, uint64_t height, RowsReachedFn&& rowsReached) {
  if (allocation <= available * 256 + 65536) return true;
  return allocation <= kSparseLimit && rowsReached() + 1 >= height;
}

}  // namespace gbrle
