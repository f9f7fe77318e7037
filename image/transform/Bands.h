// Bands of result rows spread over the machine's cores. Every result pixel
// of the geometry transforms depends only on the source, so each band is
// computed exactly as on one thread: the results are identical, only the
// order in which rows finish differs.
#pragma once

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

namespace gbtransform {

// How many threads the transforms may use: 0 (the default) is one per core
// for jobs large enough to pay for the threads; 1 keeps all work on the
// calling thread (callers that must not start threads); any other number is
// used for every job, however small (tests).
inline std::atomic<unsigned> gBandThreads{0};
inline void SetBandThreads(unsigned threads) { gBandThreads.store(threads, std::memory_order_relaxed); }
inline unsigned BandThreads() {
  const unsigned set = gBandThreads.load(std::memory_order_relaxed);
  if (set) return set;
  const unsigned cores = std::thread::hardware_concurrency();
  return cores ? cores : 1;
}

// Runs body(first, end, reports) over rows [0, rows) in contiguous bands;
// `reports` is true for the band on the calling thread (the first), the one
// that reports progress. By default a job of less than `work` 2^17 pixel
// steps stays on the calling thread; a thread that cannot be started runs
// its band on the calling thread.
template <class Body>
void InBands(long rows, long long work, Body body) {
  const unsigned set = gBandThreads.load(std::memory_order_relaxed);
  long bands = 1;
  if (set || work >= (1LL << 17)) bands = std::clamp<long>(long(BandThreads()), 1, 16);
  bands = std::min(bands, std::max(1L, rows));
  if (bands == 1) {
    body(0L, rows, true);
    return;
  }
  std::vector<std::thread> threads;
  for (long band = 1; band < bands; ++band) {
    const long begin = rows * band / bands, end = rows * (band + 1) / bands;
    try {
      threads.emplace_back(body, begin, end, false);
    } catch (const std::system_error&) {
      body(begin, end, false);
    }
  }
  body(0L, rows / bands, true);
  for (std::thread& t : threads) t.join();
}

}  // namespace gbtransform
