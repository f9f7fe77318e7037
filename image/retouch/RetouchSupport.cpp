// Region, copy, window and colour helpers of the retouching operations, and
// the random generator.
#include "image/retouch/RetouchSupport.h"

#include <string>

#include "image/retouch/RetouchRandom.h"

namespace gbretouch {

namespace {
// The portable linear congruential generator: the same numbers on every
// platform and C library, so a seed gives the same picture everywhere.
uint32_t randomState = 1;
}  // namespace

void SeedRandom(uint32_t seed) { randomState = seed; }

int Random() {
  randomState = randomState * 1103515245u + 12345u;
  return int((randomState >> 16) & 0x7FFFu);
}

RGBQUAD HslQuadToRgb(RGBQUAD hsl) {
  const float l = float(hsl.rgbBlue) / 255.0f;
  const float s = float(hsl.rgbGreen) / 255.0f;
  const float h = float(hsl.rgbRed) * 360.0f / 255.0f;
  if (s == 0.0f) {
    const uint8_t v = uint8_t(l * 255.0f);
    return RGBQUAD{v, v, v, 0};
  }
  const float m2 = l <= 0.5f ? l * (1.0f + s) : l + s - l * s;
  const float m1 = 2.0f * l - m2;
  const auto channel = [m1, m2](float hue) {
    if (hue < 0.0f)
      hue += 360.0f;
    else if (hue > 360.0f)
      hue -= 360.0f;
    if (hue < 60.0f) return m1 + (m2 - m1) * hue / 60.0f;
    if (hue < 180.0f) return m2;
    if (hue < 240.0f) return m1 + (m2 - m1) * (240.0f - hue) / 60.0f;
    return m1;
  };
  // m1 and m2 stay within 0..1, so each product fits a byte.
  return RGBQUAD{uint8_t(255.0f * channel(h - 120.0f)), uint8_t(255.0f * channel(h)),
                 uint8_t(255.0f * channel(h + 120.0f)), 0};
}

Region WorkRegion(const GbImage& image) {
  const long w = long(image.Width()), h = long(image.Height());
  Region r{0, w, 0, h};
  if (image.HasSelection()) {
    const RECT box = image.SelectionBox();
    r.x0 = box.left < 0 ? 0 : box.left;
    r.x1 = box.right > w ? w : box.right;
    r.y0 = box.bottom < 0 ? 0 : box.bottom;
    r.y1 = box.top > h ? h : box.top;
  }
  return r;
}

bool StartCopy(GbImage& self, GbImage& copy) {
  if (!copy.CopyFrom(self, true, true, true) || !copy.HasPixels()) {
    self.SetLastError(*copy.LastError() ? copy.LastError() : kNoMemory);
    return false;
  }
  if ((self.HasAlpha() && !copy.HasAlpha()) || (self.HasSelection() && !copy.HasSelection())) {
    self.SetLastError(kNoMemory);
    return false;
  }
  return true;
}

bool CheckWindow(GbImage& self, const char* name, long ksize) {
  if (ksize >= 1) return true;
  self.SetLastError((std::string(name) + ": the window size must be 1 or more").c_str());
  return false;
}

}  // namespace gbretouch
