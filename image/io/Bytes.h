// Fixed-width integers in file bytes, and size arithmetic that cannot wrap.
// Every reader of untrusted bytes takes its fields from here, so that one
// reading of "little-endian 32 bits" serves all formats.
#pragma once

#include <cstddef>
#include <cstdint>

namespace gbio {

// ---- reads from a pointer the caller has already checked -------------------
constexpr uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
constexpr uint32_t Le32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
constexpr uint16_t Be16(const uint8_t* p) { return uint16_t((p[0] << 8) | p[1]); }
constexpr uint32_t Be32(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

// ---- reads inside a block of `size` bytes ---------------------------------
// A field that does not lie wholly inside the block reads as 0: record
// parsers treat missing trailing fields as zero rather than failing.
constexpr bool Holds(size_t size, size_t at, size_t width) { return size >= width && at <= size - width; }
constexpr uint16_t Le16At(const uint8_t* p, size_t size, size_t at) { return Holds(size, at, 2) ? Le16(p + at) : 0; }
constexpr uint32_t Le32At(const uint8_t* p, size_t size, size_t at) { return Holds(size, at, 4) ? Le32(p + at) : 0; }
constexpr uint16_t Be16At(const uint8_t* p, size_t size, size_t at) { return Holds(size, at, 2) ? Be16(p + at) : 0; }
constexpr uint32_t Be32At(const uint8_t* p, size_t size, size_t at) { return Holds(size, at, 4) ? Be32(p + at) : 0; }

// ---- writes ----------------------------------------------------------------
constexpr void PutLe16(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
constexpr void PutLe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
constexpr void PutBe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (24 - 8 * i));
}

// ---- sizes -----------------------------------------------------------------
// out = a * b + c; false (out untouched) when the result does not fit.
// Sizes come from file headers, so every product of them goes through here
// or is widened so that it provably cannot wrap.
constexpr bool CheckedMulAdd(uint64_t a, uint64_t b, uint64_t c, uint64_t& out) {
  uint64_t product = 0, sum = 0;
  if (__builtin_mul_overflow(a, b, &product) || __builtin_add_overflow(product, c, &sum)) return false;
  out = sum;
  return true;
}

}  // namespace gbio
