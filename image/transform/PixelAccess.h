// Raw pixel get/set on a row, by depth, for the copying transforms. A 24-bit
// value is blue | green << 8 | red << 16; palette values are indices.
#pragma once

#include <cstddef>
#include <cstdint>

namespace gbtransform {

template <int BPP>
inline uint32_t GetPx(const uint8_t* row, long x) {
  if constexpr (BPP == 24) {
    const uint8_t* p = row + size_t(x) * 3;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
  } else if constexpr (BPP == 8) {
    return row[x];
  } else if constexpr (BPP == 4) {
    const uint8_t b = row[x >> 1];
    return (x & 1) ? (b & 0x0Fu) : (b >> 4);
  } else {
    return (row[x >> 3] >> (7 - (x & 7))) & 1u;
  }
}

template <int BPP>
inline void SetPx(uint8_t* row, long x, uint32_t v) {
  if constexpr (BPP == 24) {
    uint8_t* p = row + size_t(x) * 3;
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
  } else if constexpr (BPP == 8) {
    row[x] = uint8_t(v);
  } else if constexpr (BPP == 4) {
    uint8_t& b = row[x >> 1];
    b = (x & 1) ? uint8_t((b & 0xF0) | (v & 0x0F)) : uint8_t((b & 0x0F) | ((v & 0x0F) << 4));
  } else {
    uint8_t& b = row[x >> 3];
    const uint8_t mask = uint8_t(0x80 >> (x & 7));
    b = (v & 1) ? uint8_t(b | mask) : uint8_t(b & ~mask);
  }
}

// Calls f.template operator()<BPP>() for the image depth.
template <typename F>
inline void ByDepth(uint32_t bpp, F&& f) {
  switch (bpp) {
    case 1: f.template operator()<1>(); break;
    case 4: f.template operator()<4>(); break;
    case 8: f.template operator()<8>(); break;
    default: f.template operator()<24>(); break;
  }
}

}  // namespace gbtransform
