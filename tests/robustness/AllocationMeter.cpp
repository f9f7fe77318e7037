#include "tests/robustness/AllocationMeter.h"

#include <atomic>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define GB_HAVE_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define GB_HAVE_ASAN 1
#endif

#ifdef GB_HAVE_ASAN
// The sanitizer runtime's allocator interface (declared here: not every
// compiler installs its header).
extern "C" {
size_t __sanitizer_get_allocated_size(const volatile void* p);
int __sanitizer_install_malloc_and_free_hooks(void (*malloc_hook)(const volatile void*, size_t),
                                              void (*free_hook)(const volatile void*));
}
#endif

namespace {

std::atomic<long long> live{0};
std::atomic<long long> base{0};
std::atomic<long long> peak{0};
std::atomic<size_t> largest{0};

#ifdef GB_HAVE_ASAN
void onMalloc(const volatile void*, size_t size) {
  const long long now = live.fetch_add((long long)size) + (long long)size;
  long long p = peak.load();
  while (now > p && !peak.compare_exchange_weak(p, now)) {
  }
  size_t l = largest.load();
  while (size > l && !largest.compare_exchange_weak(l, size)) {
  }
}

void onFree(const volatile void* ptr) { live.fetch_sub((long long)__sanitizer_get_allocated_size(ptr)); }

// Installed before main, so every block the hooks later see freed was counted.
const int installed = __sanitizer_install_malloc_and_free_hooks(onMalloc, onFree);
#endif

}  // namespace

namespace gbtest {

bool AllocationMeter::Available() {
#ifdef GB_HAVE_ASAN
  return installed != 0;
#else
  return false;
#endif
}

void AllocationMeter::Start() {
  base = live.load();
  peak = base.load();
  largest = 0;
}

size_t AllocationMeter::PeakGrowth() const {
  const long long grown = peak.load() - base.load();
  return grown > 0 ? size_t(grown) : 0;
}

size_t AllocationMeter::LargestBlock() const { return largest.load(); }

}  // namespace gbtest
