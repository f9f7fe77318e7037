// One-dimensional interpolation kernels of the samplers, by method number
// (GbImage::InterpolationMethod). Weights are evaluated in double precision.
#pragma once

#include "image/core/GbImage.h"

namespace gbtransform {

// Taps on each side of the sample: the window runs from floor(x) - (radius - 1)
// to floor(x) + radius. Nearest neighbour and bilinear have their own paths.
inline int KernelRadius(int method) { return method == GbImage::kLanczos ? 6 : 2; }

// True for the methods that use KernelWeight (B-spline to power).
inline bool IsKernelMethod(int method) { return method >= GbImage::kBSpline && method <= GbImage::kPower; }

// k(t) of the method; 0 for methods without a kernel.
double KernelWeight(int method, double t);

// Bessel function of the first kind, order 1, by rational approximation.
double BesselJ1(double x);

}  // namespace gbtransform
