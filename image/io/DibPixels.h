// The pixel forms of packed bitmaps (the BMP file body, the clipboard's
// packed DIB): bit-field channels of 16- and 32-bit pixels and the 8-bit
// and 4-bit run-length codes. Readers of either container share these, so a
// file and a clipboard block with the same bytes give the same picture.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>

#include "image/io/Bytes.h"
#include "image/io/DecodeLimits.h"

namespace gbdib {

// ---- bit fields ------------------------------------------------------------

// One colour channel of a bit-field pixel: the bits under the mask, moved
// down to bit 0 and brought to 8 bits. Narrow channels are shifted up
// without filling the low bits (5 bits: value << 3), wide ones keep their
// top 8 bits. For the usual masks (5-5-5, 5-6-5, whole bytes) this is the
// plain shift-and-pick; it also serves masks that are not byte-aligned.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;  // lowest set bit
  int up = 0;     // left shift for narrow channels
  int down = 0;   // right shift for wide channels
  explicit Channel(uint32_t m) : mask(m) {
    if (!m) return;
    shift = std::countr_zero(m);
    const int width = 32 - std::countl_zero(m >> shift);
    if (width < 8)
      up = 8 - width;
    else
      down = width - 8;
  }
  uint8_t operator()(uint32_t pixel) const {
    if (!mask) return 0;
    const uint32_t v = (pixel & mask) >> shift;
    return uint8_t(up ? v << up : v >> down);
  }
};

// The masks of uncompressed (BI_RGB) 16- and 32-bit pixels: 5-5-5 and 8-8-8.
inline void DefaultMasks(uint32_t bpp, uint32_t masks[3]) {
  const bool wide = bpp == 32;
  masks[0] = wide ? 0xFF0000 : 0x7C00;
  masks[1] = wide ? 0x00FF00 : 0x03E0;
  masks[2] = wide ? 0x0000FF : 0x001F;
}

// The red, green and blue channels of 16- or 32-bit pixels. 16-bit pixels
// have no bits above 15, so mask bits there are ignored.
struct BitFields {
  Channel red, green, blue;
  BitFields(const uint32_t masks[3], uint32_t bpp)
      : red(bpp == 16 ? masks[0] & 0xFFFF : masks[0]),
        green(bpp == 16 ? masks[1] & 0xFFFF : masks[1]),
        blue(bpp == 16 ? masks[2] & 0xFFFF : masks[2]) {}
};

// One row of `width` 16- or 32-bit pixels to blue-green-red triplets. The
// pixels go from the last to the first, so `dst` may be the very row `src`
// is in (the 24-bit row is longer and starts at the same byte).
inline void BitFieldRow(const uint8_t* src, uint8_t* dst, uint32_t width, uint32_t bpp, const BitFields& f) {
  for (uint32_t x = width; x-- > 0;) {
    const uint32_t pixel = bpp == 16 ? gbio::Le16(src + 2 * size_t(x)) : gbio::Le32(src + 4 * size_t(x));
    uint8_t* p = dst + 3 * size_t(x);
    p[0] = f.blue(pixel);
    p[1] = f.green(pixel);
    p[2] = f.red(pixel);
  }
}

// ---- run-length codes ------------------------------------------------------
// Both take next(), which returns the next byte of the stream or a negative
// value at its end.

// Decodes 8-bit or 4-bit run-length pixels into `height` rows of `stride`
// bytes, row 0 first; rowAt(row) gives a row's first byte. Runs and literal
// runs, with escapes for end of line, end of bitmap and a move. Anything
// that would land outside the rows is dropped; a 4-bit run gives its first
// pixel the high nibble. Returns false when the stream ended before the end
// of bitmap code and before every row was passed.
template <typename Next, typename RowAt>
bool DecodeRle(Next&& next, RowAt&& rowAt, size_t stride, size_t height, bool fourBits) {
  const size_t limit = fourBits ? stride * 2 : stride;  // pixels a row can hold
  size_t x = 0, row = 0;
  auto put = [&](uint8_t v) {
    if (row < height && x < limit) {
      uint8_t* r = rowAt(row);
      if (!fourBits)
        r[x] = v;
      else
        r[x / 2] = (x & 1) ? uint8_t((r[x / 2] & 0xF0) | v) : uint8_t((r[x / 2] & 0x0F) | (v << 4));
    }
    if (x <= limit) ++x;  // never wraps, however long the run
  };
  for (;;) {
    const int n = next();
    const int v = next();
    if (n < 0 || v < 0) return row >= height;
    if (n > 0) {
      for (int i = 0; i < n; ++i) put(!fourBits ? uint8_t(v) : uint8_t((i & 1) ? (v & 0x0F) : (v >> 4)));
      continue;
    }
    if (v == 0) {  // end of line
      x = 0;
      if (row < height) ++row;
    } else if (v == 1) {  // end of bitmap
      return true;
    } else if (v == 2) {  // move
      const int dx = next();
      const int dy = next();
      if (dx < 0 || dy < 0) return row >= height;
      x = std::min(x + size_t(dx), limit + 1);
      row = std::min(row + size_t(dy), height);
    } else {  // literal run of v pixels, padded to whole 16-bit words
      const int bytes = fourBits ? (v + 1) / 2 : v;
      for (int i = 0; i < bytes; ++i) {
        const int b = next();
        if (b < 0) return row >= height;
        if (!fourBits) {
          put(uint8_t(b));
          continue;
        }
        put(uint8_t(b >> 4));
        if (2 * i + 1 < v) put(uint8_t(b & 0x0F));
      }
      if (bytes & 1) next();
    }
  }
}

// How far a run-length stream reaches. End-of-line and move codes let a few
// valid bytes cover a large, mostly empty picture, so readers judge the
// memory such a stream asks for by the rows its codes address rather than
// by its length.

// Most a stream whose codes reach every row may ask for, however short it is.
constexpr uint64_t kSparseLimit = 64u << 20;

// Rows passed before the stream ends (end of bitmap, or no more bytes).
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
  if (gbio::Justifies(gbio::kDibRleRatio, available, allocation)) return true;
  return allocation <= kSparseLimit && rowsReached() + 1 >= height;
}

}  // namespace gbdib
