// Large blocks (whole pictures, their planes, encoded files in memory) ask
// the kernel for huge pages. The first touch of a 36 MB picture then costs
// a few dozen page faults instead of about 9,000; on virtual machines those
// faults can take longer than the pass over the pixels itself. Contents and
// results are unaffected; where the advice is not available nothing happens.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

inline void GbAdviseLargeBlock(void* block, size_t size) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  constexpr size_t kWorthIt = size_t(4) << 20;
  if (!block || size < kWorthIt) return;
  static const uintptr_t page = [] {
    const long p = sysconf(_SC_PAGESIZE);
    return uintptr_t(p > 0 ? p : 4096);
  }();
  const uintptr_t start = (uintptr_t(block) + page - 1) & ~(page - 1);
  const uintptr_t end = (uintptr_t(block) + size) & ~(page - 1);
  if (end > start) madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
#else
  (void)block;
  (void)size;
#endif
}
