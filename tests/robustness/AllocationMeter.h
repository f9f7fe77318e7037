// Measures the heap a piece of code needs at its peak, through the address
// sanitizer's allocation hooks. Without the sanitizer there is nothing to
// measure with, and Available() is false.
#pragma once

#include <cstddef>

namespace gbtest {

class AllocationMeter {
 public:
  static bool Available();
  // Starts counting from the current live heap.
  void Start();
  // Largest growth of the live heap since Start, in bytes.
  size_t PeakGrowth() const;
  // Largest single block requested since Start.
  size_t LargestBlock() const;
};

}  // namespace gbtest
