// GbBuffer: an owned block of bytes (an image's pixel block or one of its
// planes).
//
// It reads like the raw pointer it holds, so pixel loops stay plain pointer
// arithmetic; ownership only moves (Allocate, moves, reset), never by
// copying or by assigning a raw pointer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>

class GbBuffer {
 public:
  GbBuffer() noexcept = default;
  GbBuffer(std::nullptr_t) noexcept {}
  GbBuffer(std::unique_ptr<uint8_t[]>&& bytes) noexcept : bytes_(std::move(bytes)) {}
  GbBuffer(GbBuffer&&) noexcept = default;
  GbBuffer& operator=(GbBuffer&&) noexcept = default;
  GbBuffer(const GbBuffer&) = delete;
  GbBuffer& operator=(const GbBuffer&) = delete;

  // size bytes, uninitialised; an empty buffer when memory runs out. Blocks
  // of whole pictures get the large-block advice.
  static GbBuffer Allocate(size_t size);
  // A new buffer holding size bytes of source; empty when memory runs out.
  static GbBuffer CopyOf(const uint8_t* source, size_t size);

  operator uint8_t*() const noexcept { return bytes_.get(); }
  uint8_t* get() const noexcept { return bytes_.get(); }
  void reset() noexcept { bytes_.reset(); }

 private:
  std::unique_ptr<uint8_t[]> bytes_;
};

namespace gbbuffer {
// Test seam: after `allocations` more successful calls, every GbBuffer
// allocation fails until the seam is reset with -1 (the default). Lets
// tests reach the out-of-memory paths of the real code.
void FailAllocationsAfter(long allocations);
}  // namespace gbbuffer
