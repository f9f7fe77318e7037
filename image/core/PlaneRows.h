// Row-wise helpers for the unpadded byte planes (alpha, selection).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

namespace gbplane {

// Reverses the row order of a width x height plane through one row buffer.
// False only when the buffer can't be allocated.
inline bool FlipRows(uint8_t* plane, size_t width, size_t height) {
  if (height < 2) return true;
  std::unique_ptr<uint8_t[]> row(new (std::nothrow) uint8_t[width]);
  if (!row) return false;
  for (size_t bottom = 0, top = height - 1; bottom < top; ++bottom, --top) {
    uint8_t* a = plane + bottom * width;
    uint8_t* b = plane + top * width;
    std::memcpy(row.get(), a, width);
    std::memcpy(a, b, width);
    std::memcpy(b, row.get(), width);
  }
  return true;
}

// Reverses every row in place.
inline void MirrorRows(uint8_t* plane, size_t width, size_t height) {
  for (size_t y = 0; y < height; ++y) std::reverse(plane + y * width, plane + (y + 1) * width);
}

}  // namespace gbplane
