// The separable Gaussian blur's building blocks, shared by GaussianSmooth,
// its users and the benchmarks.
#pragma once

#include <cstdint>
#include <vector>

namespace gbretouch {

// Normalised taps for a radius (single precision): 3 taps for radius 1, 5
// for 2, 11 for 5. The radius must be finite.
std::vector<float> BuildGaussianTaps(float radius);

// Blurs one line of length pixels of bytesPerPixel bytes each. At the ends
// only the taps that land inside the line count, divided by their sum.
void SmoothLine(const uint8_t* input, uint8_t* output, long length, int bytesPerPixel, const std::vector<float>& taps);

// Largest radius the blurs accept: far past any picture this program holds,
// small enough that the taps stay a few kilobytes.
constexpr float kMaxBlurRadius = 10000.0f;

}  // namespace gbretouch
