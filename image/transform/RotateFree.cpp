// Rotation by any angle. Positions are computed in single precision, like the
// angle's sine and cosine, and sampled with the chosen interpolation.
#include <cmath>

#include "image/core/GbImage.h"
#include "image/transform/Bands.h"
#include "image/transform/Sampler.h"
#include "image/transform/TransformSupport.h"

using namespace gbtransform;

bool GbImage::RotateFree(float angle, GbImage* destination, InterpolationMethod method, OverflowMethod overflow,
                         const RGBQUAD* replacement, bool rightAngles, bool keepSize) {
  if (!block_ || !std::isfinite(angle)) return false;
  const float ang = -angle * 3.14159265f / 180.0f;
  const float c = std::cos(ang), s = std::sin(ang);
  const float w = float(Width()), h = float(Height());

  float cx[4] = {-0.5f, w - 0.5f, -0.5f, w - 0.5f};
  float cy[4] = {-0.5f, -0.5f, h - 0.5f, h - 0.5f};
  if (!keepSize) {
    for (int k = 0; k < 4; ++k) {
      const float x = cx[k], y = cy[k];
      cx[k] = c * x - s * y;
      cy[k] = s * x + c * y;
    }
    if (rightAngles) {
      // Where the top-right corner went tells a right angle apart.
      const float targets[4][2] = {
          {h - 0.5f, 0.5f - w}, {0.5f - h, w - 0.5f}, {0.5f - w, 0.5f - h}, {w - 0.5f, h - 0.5f}};
      for (int k = 0; k < 4; ++k) {
        const float dx = cx[3] - targets[k][0], dy = cy[3] - targets[k][1];
        if (std::sqrt(dx * dx + dy * dy) >= 0.25f) continue;
        switch (k) {
          case 0: return RotateQuarterRight(destination);
          case 1: return RotateQuarterLeft(destination);
          case 2: return RotateHalfTurn(destination);
          default: return CopyInto(*this, destination);
        }
      }
    }
  }
  float minx = cx[0], maxx = cx[0], miny = cy[0], maxy = cy[0];
  for (int k = 1; k < 4; ++k) {
    minx = std::fmin(minx, cx[k]);
    maxx = std::fmax(maxx, cx[k]);
    miny = std::fmin(miny, cy[k]);
    maxy = std::fmax(maxy, cy[k]);
  }
  const float fw = std::floor(maxx - minx + 0.5f), fh = std::floor(maxy - miny + 0.5f);
  if (!(fw >= 1.0f) || !(fh >= 1.0f) || fw > 4294967295.0f || fh > 4294967295.0f) {
    SetLastError("GBIMAGE_MAX_MEMORY exceeded");
    return false;
  }
  const long newW = long(fw), newH = long(fh);
  float sx = ((maxx + minx) - float(newW - 1)) / 2.0f;
  float sy = ((maxy + miny) - float(newH - 1)) / 2.0f;
  float ox = 0.0f, oy = 0.0f;
  if (keepSize) {
    // Turn about the image centre.
    sx -= w / 2.0f;
    sy -= h / 2.0f;
    ox = float(newW) / 2.0f;
    oy = float(newH) / 2.0f;
  }

  GbImage out;
  if (!StartResult(*this, out, uint32_t(newW), uint32_t(newH), BitsPerPixel())) return false;
  if (alpha_ && !AttachAlpha(*this, out, 0)) return false;
  const Sampler sampler(*this, method, overflow, replacement ? *replacement : kReplacementWhite);
  const bool is24 = BitsPerPixel() == 24;
  const bool copyIndex = !is24 && sampler.Method() == kNearestNeighbour;
  uint8_t* outAlpha = out.AlphaPlane();
  // Bilinear on 24 bits: positions whose 2 x 2 block lies inside the source
  // are blended here without the sampler's call and checks. There px and py
  // are at least 0, so truncation is the floor, and the fraction px - x0 is
  // exact in single precision, as the sampler's is in double. Positions
  // whose block lies wholly outside get the outside colour, as the sampler
  // gives them when it does not fold. Sides below 2^24 are exact as floats.
  const bool inner24 = is24 && sampler.Method() == kBilinear && Width() < (1u << 24) && Height() < (1u << 24);
  const bool outer24 = inner24 && !sampler.Folds();
  const float lastX = float(Width()) - 1.0f, lastY = float(Height()) - 1.0f;
  const float endX = float(Width()), endY = float(Height());
  const RGBQUAD outside = sampler.Outside();
  // A 24-bit pixel of the result and its alpha, written in the loop itself.
  const auto put24 = [&](uint8_t* row, long j, long i, RGBQUAD col) {
    uint8_t* p = row + size_t(i) * 3;
    p[0] = col.rgbBlue;
    p[1] = col.rgbGreen;
    p[2] = col.rgbRed;
    if (outAlpha) outAlpha[size_t(j) * size_t(newW) + size_t(i)] = col.rgbReserved;
  };
  const auto band = [&](long first, long end, bool reports) {
    for (long j = first; j < end; ++j) {
      if (reports) ReportProgress(*this, j, end);
      if (Escape()) break;
      const float Y = sy + float(j);
      uint8_t* row = out.RowBits(uint32_t(j));
      for (long i = 0; i < newW; ++i) {
        const float X = sx + float(i);
        const float px = c * X + s * Y + ox;
        const float py = c * Y - s * X + oy;
        if (inner24 && px >= 0.0f && py >= 0.0f && px < lastX && py < lastY) {
          const long x0 = long(px), y0 = long(py);
          put24(row, j, i, sampler.Bilinear24(x0, y0, int((px - float(x0)) * 256.0f), int((py - float(y0)) * 256.0f)));
          continue;
        }
        if (outer24 && (px < -1.0f || py < -1.0f || px >= endX || py >= endY)) {
          put24(row, j, i, outside);
          continue;
        }
        long ix, iy;
        if (copyIndex && sampler.NearestSource(px, py, ix, iy)) {
          // Nearest neighbour keeps palette indices as they are, so duplicate
          // entries (a keyed-out index and its visible twin) stay apart.
          out.WritePixelIndexUnchecked(i, j, ReadPixelIndexUnchecked(ix, iy));
          if (outAlpha) outAlpha[size_t(j) * size_t(newW) + size_t(i)] = alpha_[size_t(iy) * Width() + size_t(ix)];
          continue;
        }
        const RGBQUAD col = sampler.At(px, py);
        if (is24) {
          uint8_t* p = row + size_t(i) * 3;
          p[0] = col.rgbBlue;
          p[1] = col.rgbGreen;
          p[2] = col.rgbRed;
          if (outAlpha) outAlpha[size_t(j) * size_t(newW) + size_t(i)] = col.rgbReserved;
        } else {
          out.WritePixelColorUnchecked(i, j, col, true);
        }
      }
    }
  };
  // 24-bit pixels are plain stores; palette results go through the image's
  // one-colour nearest cache and stay on one thread.
  if (is24)
    InBands(newH, (long long)newW * newH, band);
  else
    band(0, newH, true);
  return Commit(*this, destination, out);
}
