// Filter effects: mosaic, emboss, sharpen, wind and stripe wave. All work in
// place on the rows of a true-colour image (the stripe wave also on 8 and
// 16 bits, moving whole pixels).
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "retouch/engine/FxDibEffect.h"

namespace {

uint8_t Clamp255(int64_t v) { return uint8_t(std::clamp<int64_t>(v, 0, 255)); }

}  // namespace

bool FxDibEffect::MosaicBlocks(int n, ProgressSink* progress) {
  if (IsEmpty() || BitsPerPixel() < 24 || n < 2 || n >= Width() || n >= Height()) return false;
  ProgressSink& sink = SinkOr(progress);
  const int bpp = BitsPerPixel() / 8;
  const int w = Width(), h = Height();
  const int blockRows = (h + n - 1) / n;
  Report(sink, 0);
  for (int br = 0; br < blockRows; ++br) {
    const int y0 = br * n;
    const int bh = std::min(n, h - y0);
    for (int x0 = 0; x0 < w; x0 += n) {
      const int bw = std::min(n, w - x0);
      uint64_t sum[3] = {0, 0, 0};
      for (int y = y0; y < y0 + bh; ++y) {
        const uint8_t* p = Row(y) + size_t(x0) * bpp;
        for (int x = 0; x < bw; ++x, p += bpp) {
          sum[0] += p[0];
          sum[1] += p[1];
          sum[2] += p[2];
        }
      }
      const uint64_t count = uint64_t(bw) * uint64_t(bh);
      const uint8_t avg[3] = {uint8_t(std::min<uint64_t>(sum[0] / count, 255)),
                              uint8_t(std::min<uint64_t>(sum[1] / count, 255)),
                              uint8_t(std::min<uint64_t>(sum[2] / count, 255))};
      for (int y = y0; y < y0 + bh; ++y) {
        uint8_t* p = Row(y) + size_t(x0) * bpp;
        for (int x = 0; x < bw; ++x, p += bpp) {
          p[0] = avg[0];
          p[1] = avg[1];
          p[2] = avg[2];
        }
      }
    }
    Report(sink, int32_t(int64_t(br) * 100 / blockRows));
  }
  Report(sink, 100);
  return true;
}

bool FxDibEffect::EmbossGrey(int level, int /*unused*/, ProgressSink* progress) {
  if (IsEmpty() || BitsPerPixel() < 24) return false;
  ProgressSink& sink = SinkOr(progress);
  const int bpp = BitsPerPixel() / 8;
  const int w = Width(), h = Height();
  Report(sink, 0);
  for (int y = 0; y < h; ++y) {
    uint8_t* p = Row(y);
    // Left to right in place: pixel x + 1 is still the original when x is done.
    for (int x = 0; x + 1 < w; ++x, p += bpp) {
      const int here = p[0] + p[1] + p[2];
      const int next = p[bpp] + p[bpp + 1] + p[bpp + 2];
      const int d = (here - next) / 3;
      const uint8_t grey = Clamp255(128 + int64_t(level) * d);
      p[0] = p[1] = p[2] = grey;
    }
    p[0] = p[1] = p[2] = 128;  // the last pixel has no right neighbour
    Report(sink, int32_t(int64_t(y) * 100 / h));
  }
  Report(sink, 100);
  return true;
}

bool FxDibEffect::SharpenAlongRows(int level, ProgressSink* progress) {
  if (IsEmpty() || BitsPerPixel() < 24 || level <= 0) return false;
  ProgressSink& sink = SinkOr(progress);
  const int bpp = BitsPerPixel() / 8;
  const int w = Width(), h = Height();
  Report(sink, 0);
  for (int y = 0; y < h; ++y) {
    uint8_t* p = Row(y);
    for (int x = 0; x + 1 < w; ++x, p += bpp) {
      for (int c = 0; c < 3; ++c) {
        const int v = p[c], next = p[bpp + c];
        if (v != next) p[c] = Clamp255(v + int64_t(level) * (v - next));
      }
    }
    Report(sink, int32_t(int64_t(y) * 100 / h));
  }
  Report(sink, 100);
  return true;
}

bool FxDibEffect::WindSmear(int strength, int direction, bool even, ProgressSink* progress) {
  if (IsEmpty() || BitsPerPixel() < 24) return false;
  const int w = Width(), h = Height();
  if (strength < 1 || strength > w - 2) return false;
  if (direction != kWindRight && direction != kWindLeft) return false;
  ProgressSink& sink = SinkOr(progress);
  const int bpp = BitsPerPixel() / 8;
  // Walk position k maps to column first + k * step.
  const int first = direction == kWindRight ? 0 : w - 1;
  const int step = direction == kWindRight ? bpp : -bpp;
  Report(sink, 0);
  for (int y = 0; y < h; ++y) {
    int d = strength;
    if (!even) {
      d = 1;
      if (std::rand() % strength > 0) d = std::rand() % strength;
    }
    if (d > 0) {
      uint8_t* start = Row(y) + ptrdiff_t(first) * bpp;
      auto at = [start, step](int k) { return start + ptrdiff_t(k) * step; };
      // The edge colour is the pixel at the far end of the walk, which the
      // walk never changes.
      const uint8_t* edge = at(w - 1);
      const int window = d + 1;
      for (int c = 0; c < 3; ++c) {
        int64_t s = 0;
        for (int k = 0; k < window; ++k) s += at(k)[c];
        uint8_t written = Clamp255(s / window);
        at(0)[c] = written;
        for (int k = 1; k + 1 < w; ++k) {
          const int ahead = k - 1 + window;
          s += (ahead < w ? at(ahead)[c] : edge[c]);
          // The leaving value is the output already written, hence the long
          // fading tail behind bright pixels.
          s -= written;
          written = Clamp255(s / window);
          at(k)[c] = written;
        }
      }
    }
    Report(sink, int32_t(int64_t(y) * 100 / h));
  }
  Report(sink, 100);
  return true;
}

bool FxDibEffect::StripeWave(int swing, int frequency, ProgressSink* progress) {
  if (IsEmpty() || BitsPerPixel() < 8) return false;
  ProgressSink& sink = SinkOr(progress);
  const int w = Width(), h = Height();
  const size_t pixelBytes = size_t(BitsPerPixel() / 8);
  const size_t rowBytes = size_t(w) * pixelBytes;
  Report(sink, 0);

  // Lift the whole picture by n rows, white below.
  const int64_t n = int64_t(swing) * h * 95 / 10000;
  if (n >= 1 && n <= h - 1) {
    for (int y = 0; y < h - n; ++y) std::memcpy(Row(y), Row(int(y + n)), rowBytes);
    for (int y = int(h - n); y < h; ++y) std::memset(Row(y), 0xFF, rowBytes);
  }

  // Then push each column down by a cosine of its position.
  const int64_t amplitude = -(int64_t(swing) * h * 95 / 20000);
  const long double stepAngle = (long double)frequency * 3.1415926536L / w / 10;
  long double t = 0;
  for (int i = 1; i < w; ++i) {
    t += stepAngle;
    const long double shift = std::trunc((std::cos(t) - 1) * (long double)amplitude);
    if (shift > 0 && shift < h) {
      const int k = int(shift);
      const size_t off = size_t(i) * pixelBytes;
      for (int y = h - 1; y >= k; --y) std::memcpy(Row(y) + off, Row(y - k) + off, pixelBytes);
      for (int y = 0; y < k; ++y) std::memset(Row(y) + off, 0xFF, pixelBytes);
    }
    Report(sink, int32_t(int64_t(i) * 100 / w));
  }
  Report(sink, 100);
  return true;
}
