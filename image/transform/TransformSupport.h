// Helpers shared by the geometry transforms: preparing the temporary result,
// committing it, planes and the final rounding of sampled channels.
#pragma once

#include <cstddef>
#include <cstdint>

#include "image/core/GbImage.h"

namespace gbtransform {

// Sampled channels are truncated. Sums of real weights that should land on a
// whole number (a flat area, weights summing to one) can come out a few ulps
// below it; without this allowance a flat 255 would turn into 254 depending
// on the position, which breaks colour keys taken from resized pictures.
constexpr double kTruncSlack = 1e-6;

inline uint8_t ToByte(double v) {
  v += kTruncSlack;
  if (!(v > 0.0)) return 0;  // also NaN
  if (v >= 255.0) return 255;
  return uint8_t(v);
}

constexpr const char* kNoMemory = "GbImage::Create can't allocate memory";

// Prepares `out` as the empty result of an operation on `self`: self's
// settings (type, resolution, background, codec options), the given size and
// depth, self's palette and colours-important count, pixels cleared. On
// failure the message goes to self.
bool StartResult(GbImage& self, GbImage& out, uint32_t width, uint32_t height, uint32_t bpp);

// A plane of n bytes (new[]), or null.
GbBuffer NewPlane(size_t n);

// Gives `out` an alpha plane filled with `fill`; on failure the message goes to self.
bool AttachAlpha(GbImage& self, GbImage& out, uint8_t fill);
bool AttachSelection(GbImage& self, GbImage& out, uint8_t fill);

// Moves the finished result into the destination, or into self when none is given.
bool Commit(GbImage& self, GbImage* destination, GbImage& result);

// Copies self into a separate destination (the same-size shortcuts).
bool CopyInto(GbImage& self, GbImage* destination);

// Alpha of every result pixel from the source pixel ((int)(x xs), (int)(y ys)).
void NearestAlpha(const GbImage& self, GbImage& out, double xs, double ys);

inline void ReportProgress(GbImage& self, long row, long rows) {
  self.SetProgress(long((long long)row * 100 / (rows > 0 ? rows : 1)));
}

// Real coordinates are clamped to this range before conversion to integers.
constexpr double kFar = 1073741824.0;
inline long ClampToLong(double v) {
  if (!(v > -kFar)) return -long(kFar);  // also NaN
  if (v > kFar) return long(kFar);
  return long(v);
}

}  // namespace gbtransform
