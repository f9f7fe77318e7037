// The one random generator of the retouching operations (jitter, noise):
// rand()'s range 0..32767, seedable so that results can be repeated. The
// state is process-wide, like the C library's; operations run on one worker
// thread at a time.
#pragma once

#include <cstdint>

namespace gbretouch {

constexpr int kRandomMax = 32767;

// Starts the sequence again; seed 1 is the sequence a fresh process draws.
void SeedRandom(uint32_t seed);
// The next number, 0..kRandomMax.
int Random();

}  // namespace gbretouch
