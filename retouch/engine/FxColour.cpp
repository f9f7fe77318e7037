// Colour effects: brightness, contrast, hue/saturation and channel shifts.
// True-colour images change their pixels; images of 8 bits or less change
// their palette instead. 16-bit images are left alone.
#include <algorithm>
#include <cmath>
#include <vector>

#include "retouch/engine/FxDibEffect.h"

namespace {

// Percent to the engine's fixed-point factor, 128 = 100 percent.
int64_t PercentFactor(int percent) { return int64_t(percent) * 128 / 100; }

uint8_t Clamp255(int64_t v) { return uint8_t(std::clamp<int64_t>(v, 0, 255)); }

// Hue, lightness and saturation, each 0..1.
struct Hls {
  double h, l, s;
};

Hls ToHls(uint8_t blue, uint8_t green, uint8_t red) {
  const double r = red / 255.0, g = green / 255.0, b = blue / 255.0;
  const double mx = std::max({r, g, b});
  const double mn = std::min({r, g, b});
  Hls out{0.0, (mx + mn) / 2.0, 0.0};
  if (mx == mn) return out;
  const double delta = mx - mn;
  out.s = out.l < 0.5 ? delta / (mx + mn) : delta / (2.0 - mx - mn);
  double h;
  if (r == mx)
    h = (g - b) / delta;
  else if (g == mx)
    h = (b - r) / delta + 2.0;
  else
    h = (r - g) / delta + 4.0;
  h /= 6.0;
  if (h < 0.0) h += 1.0;
  out.h = h;
  return out;
}

double HueChannel(double m1, double m2, double t) {
  if (t < 0.0)
    t += 1.0;
  else if (t > 1.0)
    t -= 1.0;
  if (6.0 * t < 1.0) return m1 + (m2 - m1) * 6.0 * t;
  if (2.0 * t < 1.0) return m2;
  if (3.0 * t < 2.0) return m1 + (m2 - m1) * (2.0 / 3.0 - t) * 6.0;
  return m1;
}

uint8_t ToByte(double x) {
  const double v = std::trunc(x * 255.0);
  if (!(v > 0.0)) return 0;  // also catches NaN
  return v >= 255.0 ? 255 : uint8_t(v);
}

void FromHls(const Hls& c, uint8_t& blue, uint8_t& green, uint8_t& red) {
  if (c.s == 0.0) {
    blue = green = red = ToByte(c.l);
    return;
  }
  const double m2 = c.l <= 0.5 ? c.l * (1.0 + c.s) : c.l + c.s - c.l * c.s;
  const double m1 = 2.0 * c.l - m2;
  red = ToByte(HueChannel(m1, m2, c.h + 1.0 / 3.0));
  green = ToByte(HueChannel(m1, m2, c.h));
  blue = ToByte(HueChannel(m1, m2, c.h - 1.0 / 3.0));
}

}  // namespace

void FxDibEffect::ApplyChannelTables(const uint8_t (&tables)[3][256], ProgressSink& sink) {
  Report(sink, 0);
  if (BitsPerPixel() <= 8) {
    RGBQUAD* pal = Palette();
    for (int i = 0, n = PaletteSize(); i < n; ++i) {
      pal[i].rgbBlue = tables[0][pal[i].rgbBlue];
      pal[i].rgbGreen = tables[1][pal[i].rgbGreen];
      pal[i].rgbRed = tables[2][pal[i].rgbRed];
    }
    PaletteChanged();
  } else {
    const int bpp = BitsPerPixel() / 8;
    const int w = Width(), h = Height();
    for (int y = 0; y < h; ++y) {
      uint8_t* p = Row(y);
      for (int x = 0; x < w; ++x, p += bpp) {
        p[0] = tables[0][p[0]];
        p[1] = tables[1][p[1]];
        p[2] = tables[2][p[2]];
      }
      Report(sink, int32_t(int64_t(y) * 100 / h));
    }
  }
  Report(sink, 100);
}

bool FxDibEffect::ScaleBrightness(int percent, int mode, ProgressSink* progress) {
  if (IsEmpty() || BitsPerPixel() == 16) return false;
  uint8_t tables[3][256];
  const int64_t f = PercentFactor(percent);
  for (int v = 0; v < 256; ++v) {
    // A negative factor can't come from the slider; it is clamped to black
    // rather than wrapping.
    const uint8_t out = mode == 0 ? Clamp255(f * v / 128) : Clamp255(int64_t(v) + percent);
    tables[0][v] = tables[1][v] = tables[2][v] = out;
  }
  ApplyChannelTables(tables, SinkOr(progress));
  return true;
}

bool FxDibEffect::ScaleContrast(int percent, ProgressSink* progress) {
  if (IsEmpty() || BitsPerPixel() == 16) return false;
  uint8_t tables[3][256];
  const int64_t f = PercentFactor(percent);
  for (int v = 0; v < 256; ++v) tables[0][v] = tables[1][v] = tables[2][v] = Clamp255(128 + f * (v - 128) / 128);
  ApplyChannelTables(tables, SinkOr(progress));
  return true;
}

bool FxDibEffect::ShiftChannels(int red, int green, int blue, ProgressSink* progress) {
  if (IsEmpty() || BitsPerPixel() == 16) return false;
  uint8_t tables[3][256];
  const int offsets[3] = {blue, green, red};
  for (int c = 0; c < 3; ++c)
    for (int v = 0; v < 256; ++v) tables[c][v] = Clamp255(int64_t(v) + offsets[c]);
  ApplyChannelTables(tables, SinkOr(progress));
  return true;
}

bool FxDibEffect::ScaleHueSaturation(int huePercent, int saturationPercent, ProgressSink* progress) {
  if (IsEmpty() || BitsPerPixel() == 16) return false;
  ProgressSink& sink = SinkOr(progress);
  const int64_t fh = PercentFactor(huePercent);
  const int64_t fs = PercentFactor(saturationPercent);
  auto convert = [fh, fs](uint8_t& b, uint8_t& g, uint8_t& r) {
    Hls c = ToHls(b, g, r);
    if (fh != 128) c.h = double(fh) * c.h / 128.0;
    if (fs != 128) c.s = double(fs) * c.s / 128.0;
    FromHls(c, b, g, r);
  };
  Report(sink, 0);
  if (BitsPerPixel() <= 8) {
    RGBQUAD* pal = Palette();
    for (int i = 0, n = PaletteSize(); i < n; ++i) convert(pal[i].rgbBlue, pal[i].rgbGreen, pal[i].rgbRed);
    PaletteChanged();
  } else {
    // Photos repeat colours; a small direct-mapped cache of answers saves
    // most conversions. Keys hold the colour plus a valid bit.
    constexpr uint32_t kSlots = 1u << 14;
    std::vector<uint32_t> keys(kSlots, 0), answers(kSlots, 0);
    const int bpp = BitsPerPixel() / 8;
    const int w = Width(), h = Height();
    for (int y = 0; y < h; ++y) {
      uint8_t* p = Row(y);
      for (int x = 0; x < w; ++x, p += bpp) {
        const uint32_t colour = uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16);
        const uint32_t slot = ((colour * 2654435761u) >> 18) & (kSlots - 1);
        if (keys[slot] == (colour | 0x1000000u)) {
          const uint32_t a = answers[slot];
          p[0] = uint8_t(a);
          p[1] = uint8_t(a >> 8);
          p[2] = uint8_t(a >> 16);
          continue;
        }
        convert(p[0], p[1], p[2]);
        keys[slot] = colour | 0x1000000u;
        answers[slot] = uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16);
      }
      Report(sink, int32_t(int64_t(y) * 100 / h));
    }
  }
  Report(sink, 100);
  return true;
}
