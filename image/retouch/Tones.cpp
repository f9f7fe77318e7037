// Point operations on colours and palettes: negative, threshold, gamma,
// table mapping and the rainbow palette.
#include <cmath>
#include <cstring>

#include "image/core/GbImage.h"
#include "image/retouch/RetouchSupport.h"
#include "image/transform/TransformSupport.h"

using namespace gbretouch;

namespace {

void InvertQuad(RGBQUAD& c) {
  c.rgbBlue = uint8_t(255 - c.rgbBlue);
  c.rgbGreen = uint8_t(255 - c.rgbGreen);
  c.rgbRed = uint8_t(255 - c.rgbRed);
}

void InvertBytes(uint8_t* bits, size_t size) {
  for (size_t i = 0; i < size; ++i) bits[i] = uint8_t(~bits[i]);
}

}  // namespace

bool GbImage::InvertColours() {
  if (!block_) return false;
  const size_t area = size_t(RowStride()) * Height();
  const Region r = WorkRegion(*this);
  if (BitsPerPixel() > 8) {
    if (selection_) {
      for (long y = r.y0; y < r.y1; ++y)
        for (long x = r.x0; x < r.x1; ++x) {
          if (!SelectionContainsUnchecked(x, y)) continue;
          uint8_t* p = PixelPointer24(x, y);
          for (int c = 0; c < 3; ++c) p[c] = uint8_t(255 - p[c]);
        }
    } else {
      InvertBytes(RowBits(0), area);
    }
    InvertQuad(info_.backgroundColor);
  } else if (!IsGreyScale()) {
    for (uint32_t i = 0; i < PaletteEntryCount(); ++i) {
      RGBQUAD c = PaletteColor(i);
      InvertQuad(c);
      SetPaletteColor(i, c);
    }
  } else if (selection_) {
    for (long y = r.y0; y < r.y1; ++y) {
      uint8_t* row = RowBits(uint32_t(y));
      for (long x = r.x0; x < r.x1; ++x)
        if (SelectionContainsUnchecked(x, y)) row[x] = uint8_t(~row[x]);
    }
  } else {
    InvertBytes(RowBits(0), area);
  }
  return true;
}

bool GbImage::BinarizeAtLevel(uint8_t level) {
  if (!block_) return false;
  if (BitsPerPixel() == 1) return true;
  // Greyed on a copy, so that a failure leaves the picture as it was.
  GbImage grey;
  if (!StartCopy(*this, grey)) return false;
  if (!grey.ToGreyScale()) {
    SetLastError(*grey.LastError() ? grey.LastError() : kNoMemory);
    return false;
  }
  const long w = long(Width()), h = long(Height());
  GbImage bw;
  if (!gbtransform::StartResult(grey, bw, uint32_t(w), uint32_t(h), 1)) {
    SetLastError(grey.LastError());
    return false;
  }
  bw.SetPaletteColor(0, RGBQUAD{0, 0, 0, 0});
  bw.SetPaletteColor(1, RGBQUAD{255, 255, 255, 0});
  // A colour key follows its grey level onto black or white.
  if (grey.HasBackgroundIndex()) bw.SetBackgroundIndex(level < grey.BackgroundIndex() ? 1 : 0);
  if ((alpha_ && !bw.CopyAlphaFrom(*this)) || (selection_ && !bw.CopySelectionFrom(*this))) {
    SetLastError(kNoMemory);
    return false;
  }
  const bool ramp = grey.IsGreyScale();
  for (long y = 0; y < h; ++y) {
    ReportRow(*this, y, h);
    if (Escape()) break;
    const uint8_t* row = grey.RowBits(uint32_t(y));
    for (long x = 0; x < w; ++x) {
      const RGBQUAD c = grey.PaletteColor(row[x]);
      const uint8_t value = ramp ? row[x] : LumaOf(c.rgbRed, c.rgbGreen, c.rgbBlue);
      bw.WritePixelIndexUnchecked(x, y, level < value ? 1 : 0);
    }
  }
  return TakeOver(bw, false);
}

bool GbImage::GammaCorrect(float gamma) {
  if (!block_) return false;
  if (!(gamma > 0.0f) || !std::isfinite(gamma)) {
    SetLastError("GammaCorrect: gamma must be above 0");
    return false;
  }
  const double p = 1.0 / double(gamma);
  const double m = std::pow(255.0, p);
  uint8_t table[256];
  for (int i = 0; i < 256; ++i) {
    if (std::isfinite(m))
      table[i] = TruncToByte(std::pow(double(i), p) / (m / 255.0));
    else  // a gamma so small that 255^p overflows: only white stays lit
      table[i] = i == 255 ? 255 : 0;
  }
  return MapThroughTable(table);
}

bool GbImage::MapThroughTable(const uint8_t* table) {
  if (!block_) return false;
  if (!table) {
    SetLastError("MapThroughTable: no table");
    return false;
  }
  const Region r = WorkRegion(*this);
  if (selection_ && r.Empty() && (BitsPerPixel() == 24 || IsGreyScale())) {
    SetLastError("MapThroughTable: the selection is empty");
    return false;
  }
  if (PaletteEntryCount()) {
    const bool grey = BitsPerPixel() == 8 && IsGreyScale();
    if (selection_ && grey) {
      for (long y = r.y0; y < r.y1; ++y) {
        uint8_t* row = RowBits(uint32_t(y));
        for (long x = r.x0; x < r.x1; ++x)
          if (SelectionContainsUnchecked(x, y)) row[x] = table[row[x]];
      }
      return true;
    }
    for (uint32_t i = 0; i < PaletteEntryCount(); ++i) {
      RGBQUAD c = PaletteColor(i);
      c.rgbBlue = table[c.rgbBlue];
      c.rgbGreen = table[c.rgbGreen];
      c.rgbRed = table[c.rgbRed];
      SetPaletteColor(i, c);
    }
    // A grey picture gets its identity ramp back.
    if (grey) return ToGreyScale();
    return true;
  }
  if (selection_) {
    for (long y = r.y0; y < r.y1; ++y) {
      ReportRow(*this, y - r.y0, r.Rows());
      for (long x = r.x0; x < r.x1; ++x) {
        if (!SelectionContainsUnchecked(x, y)) continue;
        uint8_t* p = PixelPointer24(x, y);
        for (int c = 0; c < 3; ++c) p[c] = table[p[c]];
      }
    }
    return true;
  }
  uint8_t* bits = RowBits(0);
  const size_t area = size_t(RowStride()) * Height();
  for (size_t i = 0; i < area; ++i) bits[i] = table[bits[i]];
  return true;
}

bool GbImage::RainbowPalette(float correction) {
  if (!block_) return false;
  if (!std::isfinite(correction)) {
    SetLastError("RainbowPalette: the correction must be a finite number");
    return false;
  }
  const uint32_t n = PaletteEntryCount();
  // One entry has no spread to divide.
  const uint32_t step = n > 1 ? 255u / (n - 1) : 0u;
  for (uint32_t j = 0; j < n; ++j) {
    const float hue = float(step * j) * correction;
    // The low byte of the truncated value, without converting out of range.
    double low = std::fmod(std::trunc(double(hue)), 256.0);
    if (low < 0) low += 256.0;
    SetPaletteColor(j, HslQuadToRgb(RGBQUAD{120, 240, uint8_t(low), 0}));
  }
  return true;
}
