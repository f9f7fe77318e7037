// Per-pixel and palette access of GbImage.
#include <cstring>

#include "image/core/GbImage.h"

uint8_t GbImage::ReadPixelIndex(long x, long y) const {
  if (!block_ || PaletteEntryCount() == 0) return 0;
  if (!Contains(x, y)) {
    if (info_.backgroundIndex >= 0) return uint8_t(info_.backgroundIndex);
    return ReadPixelIndexUnchecked(0, 0);
  }
  return ReadPixelIndexUnchecked(x, y);
}

uint8_t GbImage::ReadPixelIndexUnchecked(long x, long y) const {
  const uint8_t* row = block_ + 40 + 4 * size_t(PaletteEntryCount()) + size_t(y) * info_.rowStride;
  switch (header_.biBitCount) {
    case 8: return row[x];
    case 4: {
      const uint8_t b = row[x >> 1];
      return (x & 1) ? (b & 0x0F) : (b >> 4);
    }
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    default: return 0;
  }
}

void GbImage::WritePixelIndex(long x, long y, uint8_t index) {
  if (!block_ || PaletteEntryCount() == 0 || !Contains(x, y)) return;
  WritePixelIndexUnchecked(x, y, index);
}

void GbImage::WritePixelIndexUnchecked(long x, long y, uint8_t index) {
  uint8_t* row = block_ + 40 + 4 * size_t(PaletteEntryCount()) + size_t(y) * info_.rowStride;
  switch (header_.biBitCount) {
    case 8: row[x] = index; break;
    case 4: {
      uint8_t& b = row[x >> 1];
      if (x & 1)
        b = uint8_t((b & 0xF0) | (index & 0x0F));
      else
        b = uint8_t((b & 0x0F) | ((index & 0x0F) << 4));
      break;
    }
    case 1: {
      uint8_t& b = row[x >> 3];
      const uint8_t mask = uint8_t(0x80 >> (x & 7));
      b = (index & 1) ? uint8_t(b | mask) : uint8_t(b & ~mask);
      break;
    }
    default: break;
  }
}

RGBQUAD GbImage::ReadPixelColor(long x, long y, bool withAlpha) const {
  if (block_ && Contains(x, y)) {
    RGBQUAD c;
    if (PaletteEntryCount()) {
      c = Palette()[ReadPixelIndexUnchecked(x, y)];
    } else {
      const uint8_t* p = PixelPointer24(x, y);
      c = RGBQUAD{p[0], p[1], p[2], info_.backgroundColor.rgbReserved};
    }
    if (withAlpha && alpha_) c.rgbReserved = alpha_[size_t(y) * Width() + size_t(x)];
    return c;
  }
  if (info_.backgroundIndex >= 0) {
    if (BitsPerPixel() < 24) return PaletteColor(uint32_t(info_.backgroundIndex));
    return info_.backgroundColor;
  }
  if (block_) return ReadPixelColor(0, 0, true);
  return info_.backgroundColor;
}

RGBQUAD GbImage::ReadPixelColorUnchecked(long x, long y, bool withAlpha) const {
  RGBQUAD c;
  if (PaletteEntryCount()) {
    c = Palette()[ReadPixelIndexUnchecked(x, y)];
  } else {
    const uint8_t* p = block_ + 40 + size_t(y) * info_.rowStride + size_t(x) * 3;
    c = RGBQUAD{p[0], p[1], p[2], 0};
  }
  if (withAlpha && alpha_) c.rgbReserved = alpha_[size_t(y) * Width() + size_t(x)];
  return c;
}

void GbImage::WritePixelColor(long x, long y, RGBQUAD colour, bool withAlpha) {
  if (!block_ || !Contains(x, y)) return;
  WritePixelColorUnchecked(x, y, colour, withAlpha);
}

void GbImage::WritePixelColorUnchecked(long x, long y, RGBQUAD colour, bool withAlpha) {
  if (PaletteEntryCount()) {
    WritePixelIndexUnchecked(x, y, NearestPaletteIndex(colour));
  } else {
    uint8_t* p = block_ + 40 + size_t(y) * info_.rowStride + size_t(x) * 3;
    p[0] = colour.rgbBlue;
    p[1] = colour.rgbGreen;
    p[2] = colour.rgbRed;
  }
  if (withAlpha && alpha_) alpha_[size_t(y) * Width() + size_t(x)] = colour.rgbReserved;
}

void GbImage::WritePixelColorRef(long x, long y, COLORREF colour) {
  WritePixelColor(x, y, ColorRefToQuad(colour), false);
}

uint8_t* GbImage::PixelPointer24(long x, long y) const {
  if (!block_ || header_.biBitCount != 24) return nullptr;
  return block_ + 40 + size_t(y) * info_.rowStride + size_t(x) * 3;
}

// ---- palette ------------------------------------------------------------------

RGBQUAD GbImage::PaletteColor(uint32_t index) const {
  const RGBQUAD* pal = Palette();
  if (!pal || index >= PaletteEntryCount()) return RGBQUAD{};
  return pal[index];
}

bool GbImage::PaletteRGB(uint32_t index, uint8_t& red, uint8_t& green, uint8_t& blue) const {
  const RGBQUAD* pal = Palette();
  if (!pal || index >= PaletteEntryCount()) return false;
  red = pal[index].rgbRed;
  green = pal[index].rgbGreen;
  blue = pal[index].rgbBlue;
  return true;
}

void GbImage::SetPaletteColor(uint32_t index, uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha) {
  SetPaletteColor(index, RGBQUAD{blue, green, red, alpha});
}

void GbImage::SetPaletteColor(uint32_t index, RGBQUAD colour) {
  RGBQUAD* pal = Palette();
  if (!pal || index >= PaletteEntryCount()) return;
  pal[index] = colour;
  info_.lastColorValid = 0;
}

void GbImage::SetPalette(const RGBQUAD* entries, uint32_t n) {
  RGBQUAD* pal = Palette();
  if (!pal || !entries) return;
  if (n > PaletteEntryCount()) n = PaletteEntryCount();
  std::memcpy(pal, entries, 4 * size_t(n));
  info_.lastColorValid = 0;
}

void GbImage::SetPaletteRGB(const uint8_t* triples, uint32_t n) {
  RGBQUAD* pal = Palette();
  if (!pal || !triples) return;
  if (n > PaletteEntryCount()) n = PaletteEntryCount();
  for (uint32_t i = 0; i < n; ++i) {
    pal[i].rgbRed = triples[3 * i];
    pal[i].rgbGreen = triples[3 * i + 1];
    pal[i].rgbBlue = triples[3 * i + 2];
  }
  info_.lastColorValid = 0;
}

void GbImage::SetPaletteChannels(uint32_t n, const uint8_t* red, const uint8_t* green, const uint8_t* blue) {
  RGBQUAD* pal = Palette();
  if (!pal || !red) return;
  if (!green) green = red;
  if (!blue) blue = green;
  if (n > PaletteEntryCount()) n = PaletteEntryCount();
  for (uint32_t i = 0; i < n; ++i) {
    pal[i].rgbRed = red[i];
    pal[i].rgbGreen = green[i];
    pal[i].rgbBlue = blue[i];
  }
  info_.lastColorValid = 0;
}

void GbImage::SetGreyPalette() {
  RGBQUAD* pal = Palette();
  if (!pal) return;
  const uint32_t n = PaletteEntryCount();
  const uint32_t step = 255 / (n - 1);
  for (uint32_t i = 0; i < n; ++i) {
    const uint8_t g = uint8_t(i * step);
    pal[i] = RGBQUAD{g, g, g, 0};
  }
  info_.lastColorValid = 0;
}

bool GbImage::IsGreyScale() const {
  const RGBQUAD* pal = Palette();
  if (!pal) return false;
  const uint32_t n = PaletteEntryCount();
  if (n != 256) return false;  // only the 8-bit identity ramp counts
  for (uint32_t i = 0; i < n; ++i)
    if (pal[i].rgbBlue != i || pal[i].rgbGreen != i || pal[i].rgbRed != i) return false;
  return true;
}

void GbImage::SwapPaletteIndices(uint8_t a, uint8_t b) {
  RGBQUAD* pal = Palette();
  const uint32_t n = PaletteEntryCount();
  if (!pal || a >= n || b >= n || a == b) return;
  std::swap(pal[a], pal[b]);
  info_.lastColorValid = 0;
  const long w = long(Width()), h = long(Height());
  for (long y = 0; y < h; ++y) {
    if (header_.biBitCount == 8) {
      uint8_t* row = RowBits(uint32_t(y));
      for (long x = 0; x < w; ++x) {
        if (row[x] == a)
          row[x] = b;
        else if (row[x] == b)
          row[x] = a;
      }
      continue;
    }
    for (long x = 0; x < w; ++x) {
      const uint8_t v = ReadPixelIndexUnchecked(x, y);
      if (v == a)
        WritePixelIndexUnchecked(x, y, b);
      else if (v == b)
        WritePixelIndexUnchecked(x, y, a);
    }
  }
}

void GbImage::SwapRedBlue() {
  if (!block_) return;
  if (RGBQUAD* pal = Palette()) {
    for (uint32_t i = 0; i < PaletteEntryCount(); ++i) std::swap(pal[i].rgbRed, pal[i].rgbBlue);
    info_.lastColorValid = 0;
    return;
  }
  const uint32_t w = Width();
  for (uint32_t y = 0; y < Height(); ++y) {
    uint8_t* p = RowBits(y);
    for (uint32_t x = 0; x < w; ++x, p += 3) std::swap(p[0], p[2]);
  }
}

uint8_t GbImage::NearestPaletteIndex(RGBQUAD colour) {
  const RGBQUAD* pal = Palette();
  if (!pal) return 0;
  if (info_.lastColorValid && info_.lastColor == colour) return info_.lastColorIndex;
  info_.lastColor = colour;
  info_.lastColorValid = 1;
  uint32_t n = header_.biClrImportant ? header_.biClrImportant : PaletteEntryCount();
  if (n > PaletteEntryCount()) n = PaletteEntryCount();
  long best = 200000;
  uint8_t found = 0;
  for (uint32_t i = 0; i < n; ++i) {
    const long db = long(pal[i].rgbBlue) - colour.rgbBlue;
    const long dg = long(pal[i].rgbGreen) - colour.rgbGreen;
    const long dr = long(pal[i].rgbRed) - colour.rgbRed;
    const long d = db * db + dg * dg + dr * dr;
    if (d < best) {
      best = d;
      found = uint8_t(i);
      if (d == 0) break;
    }
  }
  info_.lastColorIndex = found;
  return found;
}

bool GbImage::PaletteHasAlpha() const {
  const RGBQUAD* pal = Palette();
  if (!pal) return false;
  for (uint32_t i = 0; i < PaletteEntryCount(); ++i)
    if (pal[i].rgbReserved) return true;
  return false;
}
