// The interpolation kernels. Several of them are windows or smoothing
// functions whose taps do not sum to one; the samplers apply them without
// normalising, so those methods change brightness on purpose.
#include "image/transform/Kernels.h"

#include <cmath>

namespace gbtransform {
namespace {

constexpr double kPi = 3.14159265358979323846;

double Sinc(double t) {
  if (t == 0.0) return 1.0;
  const double x = kPi * t;
  return std::sin(x) / x;
}

// x^3 for x > 0, else 0.
double Cube(double x) { return x > 0.0 ? x * x * x : 0.0; }

}  // namespace

double BesselJ1(double x) {
  const double ax = std::fabs(x);
  if (ax < 8.0) {
    const double y = x * x;
    const double num =
        x * (72362614232.0 +
             y * (-7895059235.0 + y * (242396853.1 + y * (-2972611.439 + y * (15704.48260 + y * (-30.16036606))))));
    const double den =
        144725228442.0 + y * (2300535178.0 + y * (18583304.74 + y * (99447.43394 + y * (376.9991397 + y * 1.0))));
    return num / den;
  }
  const double z = 8.0 / ax;
  const double y = z * z;
  const double xx = ax - 2.356194491;
  const double p = 1.0 + y * (0.183105e-2 + y * (-0.3516396496e-4 + y * (0.2457520174e-5 + y * (-0.240337019e-6))));
  const double q =
      0.04687499995 + y * (-0.2002690873e-3 + y * (0.8449199096e-5 + y * (-0.88228987e-6 + y * 0.105787412e-6)));
  const double r = std::sqrt(0.636619772 / ax) * (std::cos(xx) * p - z * std::sin(xx) * q);
  return x < 0.0 ? -r : r;
}

double KernelWeight(int method, double t) {
  const double a = std::fabs(t);
  switch (method) {
    case GbImage::kBSpline:  // from truncated powers of the signed position
      if (t > 2.0) return 0.0;
      return (Cube(t + 2.0) - 4.0 * Cube(t + 1.0) + 6.0 * Cube(t) - 4.0 * Cube(t - 1.0)) / 6.0;
    case GbImage::kBicubic:
      if (a < 1.0) return 1.0 - 2.0 * a * a + a * a * a;
      if (a < 2.0) return 4.0 - 8.0 * a + 5.0 * a * a - a * a * a;
      return 0.0;
    case GbImage::kBicubic2: {  // generalised cubic, p = -0.5
      const double p = -0.5;
      if (a < 1.0) return (p + 2.0) * a * a * a - (p + 3.0) * a * a + 1.0;
      if (a < 2.0) return p * a * a * a - 5.0 * p * a * a + 8.0 * p * a - 4.0 * p;
      return 0.0;
    }
    case GbImage::kLanczos:  // six lobes
      if (a > 6.0) return 0.0;
      return Sinc(t) * Sinc(t / 6.0);
    case GbImage::kBox: return (t >= -0.5 && t < 0.5) ? 1.0 : 0.0;
    case GbImage::kHermite:
      if (t < -1.0 || t >= 1.0) return 0.0;
      return 2.0 * a * a * a - 3.0 * a * a + 1.0;
    case GbImage::kHamming:
      if (t < -1.0 || t >= 1.0) return 0.0;
      return 1.0 + 0.92 * (2.0 * a * a * a - 3.0 * a * a);
    case GbImage::kSinc: return Sinc(t);
    case GbImage::kBlackman:  // a window, unbounded
      return 0.42 + 0.5 * std::cos(kPi * t) + 0.08 * std::cos(2.0 * kPi * t);
    case GbImage::kBessel:
      if (t == 0.0) return kPi / 4.0;
      return BesselJ1(kPi * t) / (2.0 * t);
    case GbImage::kGaussian: return std::exp(-2.0 * t * t) * 0.7978846;
    case GbImage::kQuadratic:
      if (a < 0.5) return 0.75 - t * t;
      if (a < 1.5) return 0.5 * (a - 1.5) * (a - 1.5);
      return 0.0;
    case GbImage::kMitchell:  // B = C = 1/3
      if (a < 1.0) return (7.0 / 6.0) * a * a * a - 2.0 * a * a + 8.0 / 9.0;
      if (a < 2.0) return -(7.0 / 18.0) * a * a * a + 2.0 * a * a - (10.0 / 3.0) * a + 16.0 / 9.0;
      return 0.0;
    case GbImage::kCatmullRom:
      if (a < 1.0) return 0.5 * (3.0 * a * a * a - 5.0 * a * a + 2.0);
      if (a < 2.0) return 0.5 * (-a * a * a + 5.0 * a * a - 8.0 * a + 4.0);
      return 0.0;
    case GbImage::kHanning:
      if (a > 1.0) return 0.0;
      return Sinc(t) * (0.5 + 0.5 * std::cos(kPi * t));
    case GbImage::kPower:
      if (a > 1.0) return 0.0;
      return 1.0 - std::fabs(t * t);
    default: return 0.0;
  }
}

}  // namespace gbtransform
