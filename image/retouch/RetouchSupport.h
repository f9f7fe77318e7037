// Helpers shared by the retouching operations: the work region, the
// temporary copy, fast colour reads and writes, and the colour helpers.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <system_error>
#include <thread>
#include <vector>

#include "image/core/GbImage.h"

namespace gbretouch {

// Grey level 0..255; the weights add up to 1024.
inline uint8_t LumaOf(uint8_t red, uint8_t green, uint8_t blue) {
  return uint8_t((306u * red + 601u * green + 117u * blue) >> 10);
}

// An HSL quad (blue byte = lightness, green = saturation, red = hue 0..255
// for 0..360 degrees) as an RGB colour, in single precision.
RGBQUAD HslQuadToRgb(RGBQUAD hsl);

// Pixels x0 <= x < x1, y0 <= y < y1 to work on: the selection box clamped to
// the picture (a stale box must not reach outside), or the whole picture.
struct Region {
  long x0 = 0, x1 = 0, y0 = 0, y1 = 0;
  bool Empty() const { return x1 <= x0 || y1 <= y0; }
  long Rows() const { return y1 - y0; }
};
Region WorkRegion(const GbImage& image);

// The temporary copy with pixels, selection and alpha. On failure the copy's
// message (or an allocation message) goes to self.
bool StartCopy(GbImage& self, GbImage& copy);

// Window offsets of a K-wide window: -(K/2) .. K - K/2 - 1.
inline long WindowLow(long k) { return -(k / 2); }
inline long WindowHigh(long k) { return k - k / 2 - 1; }

// Window sizes: at least 1. Positions outside the picture are skipped, so any
// size past twice the picture gives the same result; windows are clamped to
// that to keep the work and memory bounded.
bool CheckWindow(GbImage& self, const char* name, long ksize);

// Reads a pixel's colour (alpha byte 0) without the per-call bounds tests.
class ColourReader {
 public:
  explicit ColourReader(const GbImage& image)
      : image_(image), bits_(image.RowBits(0)), stride_(image.RowStride()), direct_(image.BitsPerPixel() == 24) {}
  RGBQUAD At(long x, long y) const {
    if (direct_) {
      const uint8_t* p = bits_ + size_t(y) * stride_ + size_t(x) * 3;
      return RGBQUAD{p[0], p[1], p[2], 0};
    }
    return image_.ReadPixelColorUnchecked(x, y, false);
  }

 private:
  const GbImage& image_;
  const uint8_t* bits_;
  size_t stride_;
  bool direct_;
};

// Writes a colour, keeping the alpha plane; palette pictures take the
// nearest palette entry.
inline void WriteColour(GbImage& image, long x, long y, RGBQUAD colour) {
  if (image.BitsPerPixel() == 24) {
    uint8_t* p = image.RowBits(0) + size_t(y) * image.RowStride() + size_t(x) * 3;
    p[0] = colour.rgbBlue;
    p[1] = colour.rgbGreen;
    p[2] = colour.rgbRed;
    return;
  }
  image.WritePixelColorUnchecked(x, y, colour, false);
}

inline uint8_t ClampByte(long long v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); }

// trunc(v) clamped to 0..255; NaN gives 0. Clamps before converting, since
// converting a real outside the integer range is undefined.
inline uint8_t TruncToByte(double v) {
  if (!(v > 0.0)) return 0;
  if (v >= 255.0) return 255;
  return uint8_t(v);
}

// trunc(v) clamped to +-2^30 (so sums with pixel positions cannot overflow).
inline long TruncToLong(double v) {
  constexpr double kFar = 1073741824.0;
  if (v != v) return 0;
  if (v <= -kFar) return -long(kFar);
  if (v >= kFar) return long(kFar);
  return long(v);
}

inline void ReportRow(GbImage& self, long done, long rows) {
  self.SetProgress(long((long long)done * 100 / (rows > 0 ? rows : 1)));
}

// Splits rows first..last - 1 into contiguous parts and runs
// body(part, begin, end) for each, on several threads when the work is large
// enough to pay for them. Every row is computed exactly as on one thread;
// only the order in which rows finish differs. Part 0 runs on the calling
// thread; a thread that cannot be started runs its part there too.
constexpr long kMaxParts = 4;
template <class Body>
void InParts(long first, long last, long long work, Body body) {
  long parts = 1;
  if (work >= (1LL << 18)) {
    const unsigned cores = std::thread::hardware_concurrency();
    parts = std::clamp<long>(long(cores), 1, kMaxParts);
  }
  parts = std::min(parts, std::max(1L, last - first));
  if (parts == 1) {
    body(0L, first, last);
    return;
  }
  std::vector<std::thread> threads;
  const long rows = last - first;
  for (long part = 1; part < parts; ++part) {
    const long begin = first + rows * part / parts, end = first + rows * (part + 1) / parts;
    try {
      threads.emplace_back(body, part, begin, end);
    } catch (const std::system_error&) {
      body(part, begin, end);
    }
  }
  body(0L, first, first + rows / parts);
  for (std::thread& t : threads) t.join();
}

constexpr const char* kNoMemory = "GbImage::Create can't allocate memory";

}  // namespace gbretouch
