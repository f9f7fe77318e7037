// Allocation of image blocks, with the out-of-memory seam tests use.
#include "image/core/GbBuffer.h"

#include <atomic>
#include <cstring>
#include <new>

#include "platform/LargeBlock.h"

namespace {
std::atomic<long> allocationsLeft{-1};  // -1: no failure planned

bool PlannedFailure() {
  long left = allocationsLeft.load(std::memory_order_relaxed);
  while (left >= 0) {
    if (left == 0) return true;
    if (allocationsLeft.compare_exchange_weak(left, left - 1, std::memory_order_relaxed)) return false;
  }
  return false;
}
}  // namespace

void gbbuffer::FailAllocationsAfter(long allocations) {
  allocationsLeft.store(allocations < 0 ? -1 : allocations, std::memory_order_relaxed);
}

GbBuffer GbBuffer::Allocate(size_t size) {
  if (PlannedFailure()) return GbBuffer();
  std::unique_ptr<uint8_t[]> bytes(new (std::nothrow) uint8_t[size ? size : 1]);
  GbAdviseLargeBlock(bytes.get(), size);
  return GbBuffer(std::move(bytes));
}

GbBuffer GbBuffer::CopyOf(const uint8_t* source, size_t size) {
  GbBuffer copy = Allocate(size);
  if (copy && size) std::memcpy(copy.get(), source, size);
  return copy;
}
