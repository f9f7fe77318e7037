// The Gaussian blur and its two users: the edge-preserving blur and the
// unsharp mask. Palette pictures that are not grey are blurred at 24 bits
// and reduced back to their own palette.
#include "image/retouch/Gaussian.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <string>

#include "image/core/GbImage.h"
#include "image/retouch/RetouchSupport.h"

using namespace gbretouch;

namespace gbretouch {

std::vector<float> BuildGaussianTaps(float radius) {
  const float s = std::fabs(radius * 0.5f) + 0.25f;
  const float reach = 2.0f * s;
  long n = 2 * long(std::ceil(reach - 0.5f)) + 1;
  if (n < 1) n = 1;
  const long middle = n / 2;
  const float twoS2 = 2.0f * s * s;
  std::vector<float> taps(size_t(n), 0.0f);
  for (long i = middle + 1; i < n; ++i) {
    const float base = float(i) - float(middle) - 0.5f;
    float sum = 0.0f;
    for (int j = 1; j <= 50; ++j) {
      const float d = base + 0.02f * float(j);
      if (d <= reach) sum += std::exp(-(d * d) / twoS2);
    }
    taps[size_t(i)] = sum / 50.0f;
  }
  for (long i = 0; i <= middle; ++i) taps[size_t(i)] = taps[size_t(n - 1 - i)];
  float centre = 0.0f;
  for (int j = 0; j <= 50; ++j) {
    const float d = 0.5f + 0.02f * float(j);
    centre += std::exp(-(d * d) / twoS2);
  }
  taps[size_t(middle)] = centre / 51.0f;
  float total = 0.0f;
  for (float t : taps) total += t;
  for (float& t : taps) t /= total;
  return taps;
}

namespace {

// SmoothLine's pixels [from, to) of the line.
void SmoothPixels(const uint8_t* input, uint8_t* output, long length, int bytesPerPixel, const std::vector<float>& taps,
                  long from, long to) {
  const long n = long(taps.size()), middle = n / 2;
  const float* tap = taps.data();
  for (long p = from; p < to; ++p) {
    // Taps k with p + k - middle inside the line.
    const long k0 = middle - p > 0 ? middle - p : 0;
    const long k1 = length - 1 - p + middle < n - 1 ? length - 1 - p + middle : n - 1;
    const bool whole = k0 == 0 && k1 == n - 1;
    float used = 0.0f;
    if (!whole)
      for (long k = k0; k <= k1; ++k) used += tap[k];
    for (int c = 0; c < bytesPerPixel; ++c) {
      const uint8_t* in = input + c;
      float sum = 0.0f;
      for (long k = k0; k <= k1; ++k) sum += tap[k] * float(in[(p + k - middle) * bytesPerPixel]);
      const float v = whole ? sum + 0.5f : sum / used + 0.5f;
      output[p * bytesPerPixel + c] = v >= 255.0f ? 255 : uint8_t(v);
    }
  }
}

}  // namespace

void SmoothLine(const uint8_t* input, uint8_t* output, long length, int bytesPerPixel, const std::vector<float>& taps) {
  SmoothPixels(input, output, length, bytesPerPixel, taps, 0, length);
}

}  // namespace gbretouch

namespace {

// SmoothLine with the same products summed in the same order, but the pixels
// whose taps all land inside the line are done a run of bytes at a time, one
// tap over the whole run before the next, which the compiler can vectorise.
void SmoothLineRun(const uint8_t* input, uint8_t* output, long length, int bytesPerPixel,
                   const std::vector<float>& taps) {
  const long n = long(taps.size()), middle = n / 2;
  if (length < n) {
    SmoothLine(input, output, length, bytesPerPixel, taps);
    return;
  }
  const long bpp = bytesPerPixel;
  // The pixels within middle of an end have taps past it.
  SmoothPixels(input, output, length, bytesPerPixel, taps, 0, middle);
  SmoothPixels(input, output, length, bytesPerPixel, taps, length - middle, length);
  constexpr long kRun = 1024;
  float acc[kRun];
  const float* tap = taps.data();
  const long first = middle * bpp, last = (length - middle) * bpp;  // bytes of the inner pixels
  for (long i0 = first; i0 < last; i0 += kRun) {
    const long span = std::min(kRun, last - i0);
    std::fill(acc, acc + span, 0.0f);
    for (long k = 0; k < n; ++k) {
      const float t = tap[k];
      const uint8_t* in = input + i0 + (k - middle) * bpp;
      for (long i = 0; i < span; ++i) acc[i] += t * float(in[i]);
    }
    uint8_t* out = output + i0;
    for (long i = 0; i < span; ++i) {
      const float v = acc[i] + 0.5f;
      out[i] = v >= 255.0f ? 255 : uint8_t(v);
    }
  }
}

bool CheckRadius(GbImage& self, const char* name, float radius) {
  if (radius >= 0.0f && radius <= kMaxBlurRadius) return true;
  self.SetLastError((std::string(name) + ": the radius must be 0 to 10000").c_str());
  return false;
}

bool NeedsRaise(const GbImage& image) { return image.BitsPerPixel() != 24 && !image.IsGreyScale(); }

// A picture that is neither 24-bit nor grey: its palette, and a 24-bit copy
// to work on, so that the picture itself stays as it is until the end.
struct Raised {
  RGBQUAD palette[256] = {};
  uint32_t entries = 0;
  uint32_t bpp = 0;
  bool saved = false;

  bool Prepare(GbImage& self, GbImage& work) {
    if (!StartCopy(self, work)) return false;
    if (!NeedsRaise(self)) return true;
    saved = true;
    bpp = self.BitsPerPixel();
    entries = self.PaletteEntryCount();
    for (uint32_t i = 0; i < entries && i < 256; ++i) palette[i] = self.PaletteColor(i);
    if (!work.RaiseBpp(24)) {
      self.SetLastError(*work.LastError() ? work.LastError() : kNoMemory);
      return false;
    }
    return true;
  }
  // Back to the old depth, nearest colours of the old palette, no diffusion.
  bool Reduce(GbImage& self, GbImage& result) const {
    if (!saved) return true;
    const uint32_t full = 1u << bpp;
    if (result.DecreaseBpp(bpp, false, palette, entries < full ? entries : 0)) return true;
    self.SetLastError(*result.LastError() ? result.LastError() : kNoMemory);
    return false;
  }
};

// The blur of a picture that is 24-bit or grey, into result (which must be
// another image). The source is left as it is.
bool SmoothInto(GbImage& self, GbImage& source, float radius, GbImage& result) {
  const long w = long(source.Width()), h = long(source.Height());
  const int bytes = source.BitsPerPixel() == 24 ? 3 : 1;
  GbImage rows;
  if (!rows.CopyFrom(source, false, true, true) || !rows.HasPixels()) {
    self.SetLastError(*rows.LastError() ? rows.LastError() : kNoMemory);
    return false;
  }
  const std::vector<float> taps = BuildGaussianTaps(radius);
  const long n = long(taps.size()), middle = n / 2;
  const long long work = (long long)w * h * std::min(n, 64L);
  InParts(0, h, work, [&](long part, long begin, long end) {
    for (long y = begin; y < end; ++y) {
      if (part == 0) self.SetProgress(long((long long)(y - begin) * 50 / (end - begin)));
      if (self.Escape()) break;
      SmoothLineRun(source.RowBits(uint32_t(y)), rows.RowBits(uint32_t(y)), w, bytes, taps);
    }
  });
  if (!result.CopyFrom(rows, false, true, true) || !result.HasPixels()) {
    self.SetLastError(*result.LastError() ? result.LastError() : kNoMemory);
    return false;
  }
  // Columns, a strip of them at a time and row by row, so that memory is
  // read in order. Each output byte sums the same products in the same order
  // as SmoothLine over its column would.
  constexpr long kStrip = 256;
  const long strips = (w + kStrip - 1) / kStrip;
  InParts(0, strips, work, [&](long part, long begin, long end) {
    std::vector<float> acc(size_t(kStrip) * size_t(bytes));
    for (long strip = begin; strip < end; ++strip) {
      const long x0 = strip * kStrip, x1 = std::min(w, x0 + kStrip);
      if (part == 0) self.SetProgress(50 + long((long long)(strip - begin) * 50 / (end - begin)));
      if (self.Escape()) break;
      const size_t span = size_t(x1 - x0) * size_t(bytes), skip = size_t(x0) * size_t(bytes);
      for (long y = 0; y < h; ++y) {
        const long k0 = middle - y > 0 ? middle - y : 0;
        const long k1 = h - 1 - y + middle < n - 1 ? h - 1 - y + middle : n - 1;
        const bool whole = k0 == 0 && k1 == n - 1;
        float used = 0.0f;
        if (!whole)
          for (long k = k0; k <= k1; ++k) used += taps[size_t(k)];
        std::fill(acc.begin(), acc.begin() + long(span), 0.0f);
        for (long k = k0; k <= k1; ++k) {
          const float t = taps[size_t(k)];
          const uint8_t* in = rows.RowBits(uint32_t(y + k - middle)) + skip;
          for (size_t i = 0; i < span; ++i) acc[i] += t * float(in[i]);
        }
        uint8_t* out = result.RowBits(uint32_t(y)) + skip;
        for (size_t i = 0; i < span; ++i) {
          const float v = whole ? acc[i] + 0.5f : acc[i] / used + 0.5f;
          out[i] = v >= 255.0f ? 255 : uint8_t(v);
        }
      }
    }
  });
  // Unselected pixels keep their colour.
  if (const uint8_t* sel = source.SelectionPlane())
    for (long y = 0; y < h; ++y)
      for (long x = 0; x < w; ++x)
        if (!sel[size_t(y) * size_t(w) + size_t(x)])
          std::memcpy(result.RowBits(uint32_t(y)) + size_t(x) * size_t(bytes),
                      source.RowBits(uint32_t(y)) + size_t(x) * size_t(bytes), size_t(bytes));
  return true;
}

}  // namespace

bool GbImage::GaussianSmooth(float radius, GbImage* destination) {
  if (!block_ || !CheckRadius(*this, "GaussianSmooth", radius)) return false;
  if (destination == this) destination = nullptr;
  Raised raised;
  GbImage raisedCopy;
  GbImage* source = this;
  if (NeedsRaise(*this)) {
    if (!raised.Prepare(*this, raisedCopy)) return false;
    source = &raisedCopy;
  }
  GbImage result;
  if (!SmoothInto(*this, *source, radius, result)) return false;
  if (!raised.Reduce(*this, result)) return false;
  GbImage& target = destination ? *destination : *this;
  return target.TakeOver(result, destination != nullptr);
}

bool GbImage::EdgePreservingBlur(float radius, uint8_t threshold, GbImage* destination) {
  if (!block_ || !CheckRadius(*this, "EdgePreservingBlur", radius)) return false;
  if (destination == this) destination = nullptr;
  Raised raised;
  GbImage a;
  if (!raised.Prepare(*this, a)) return false;
  GbImage b;
  if (!StartCopy(a, b)) {
    SetLastError(a.LastError());
    return false;
  }
  // High-pass: 8 x -100 around 801, over 800, around grey 128.
  static const int32_t kHighPass[9] = {-100, -100, -100, -100, 801, -100, -100, -100, -100};
  if (!a.ConvolveKernel(kHighPass, 3, 800, 128)) {
    SetLastError(a.LastError());
    return false;
  }
  if (!a.HasSelection() && !(a.CreateSelection() && a.ClearSelection(255))) {
    SetLastError(kNoMemory);
    return false;
  }
  // Only pixels whose high-pass stays inside the band are blurred.
  const int low = threshold > 128 ? 0 : 128 - threshold;
  const int high = threshold > 127 ? 255 : 128 + threshold;
  const long w = long(a.Width()), h = long(a.Height());
  const ColourReader read(a);
  uint8_t* sel = a.SelectionPlane();
  for (long y = 0; y < h; ++y)
    for (long x = 0; x < w; ++x) {
      uint8_t& s = sel[size_t(y) * size_t(w) + size_t(x)];
      if (!s) continue;
      const RGBQUAD c = read.At(x, y);
      if (c.rgbRed < low || c.rgbRed > high || c.rgbGreen < low || c.rgbGreen > high || c.rgbBlue < low ||
          c.rgbBlue > high)
        s = 0;
    }
  b.CopySelectionFrom(a);
  a.Release();  // one picture fewer in memory while blurring
  GbImage blurred;
  if (!SmoothInto(*this, b, radius, blurred)) return false;
  // The picture's own selection (or none) again.
  if (selection_) {
    blurred.CopySelectionFrom(*this);
  } else {
    blurred.DeleteSelection();
  }
  if (!raised.Reduce(*this, blurred)) return false;
  GbImage& target = destination ? *destination : *this;
  return target.TakeOver(blurred, destination != nullptr);
}

bool GbImage::UnsharpSharpen(float radius, float amount, long threshold) {
  if (!block_ || !CheckRadius(*this, "UnsharpSharpen", radius)) return false;
  if (!std::isfinite(amount)) {
    SetLastError("UnsharpSharpen: the amount must be a finite number");
    return false;
  }
  const Region r = WorkRegion(*this);
  if (r.Empty()) {
    SetLastError("UnsharpSharpen: the selection is empty");
    return false;
  }
  Raised raised;
  GbImage raisedCopy;
  GbImage* source = this;
  if (NeedsRaise(*this)) {
    if (!raised.Prepare(*this, raisedCopy)) return false;
    source = &raisedCopy;
  }
  GbImage b;
  if (!SmoothInto(*this, *source, radius, b)) return false;
  const int bytes = source->BitsPerPixel() == 24 ? 3 : 1;
  for (long y = r.y0; y < r.y1; ++y) {
    ReportRow(*this, y - r.y0, r.Rows());
    if (Escape()) break;
    const uint8_t* in = source->RowBits(uint32_t(y));
    uint8_t* out = b.RowBits(uint32_t(y));
    for (long x = r.x0; x < r.x1; ++x) {
      if (!source->SelectionContainsUnchecked(x, y)) continue;
      for (long i = x * bytes; i < (x + 1) * bytes; ++i) {
        const int diff = int(in[i]) - int(out[i]);
        if (std::abs(diff) >= threshold)
          out[i] = TruncToByte(double(amount * float(diff) + float(in[i])));
        else
          out[i] = in[i];
      }
    }
  }
  if (!raised.Reduce(*this, b)) return false;
  return TakeOver(b, false);
}
