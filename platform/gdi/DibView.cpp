// Pixel access for every layout the drawing stand-in stores.
#include "platform/gdi/DibView.h"

#include <bit>
#include <cstring>

namespace gdi {

void NearestCache::Reset() { std::memset(valid_, 0, sizeof valid_); }

static inline int SlotOf(uint32_t rgb) { return int(((rgb * 2654435761u) >> 20) % 512u); }

bool NearestCache::Find(uint32_t rgb, uint32_t& index) const {
  const int s = SlotOf(rgb);
  if (!valid_[s] || key_[s] != rgb) return false;
  index = value_[s];
  return true;
}

void NearestCache::Store(uint32_t rgb, uint32_t index) {
  const int s = SlotOf(rgb);
  key_[s] = rgb;
  value_[s] = uint16_t(index);
  valid_[s] = true;
}

uint32_t NearestIndex(const RGBQUAD* colours, int count, uint32_t rgb) {
  if (!colours || count <= 0) return 0;
  const int r = RedOf(rgb), g = GreenOf(rgb), b = BlueOf(rgb);
  uint32_t best = 0;
  int bestDistance = 0x7FFFFFFF;
  for (int i = 0; i < count; ++i) {
    const int dr = colours[i].rgbRed - r, dg = colours[i].rgbGreen - g, db = colours[i].rgbBlue - b;
    const int d = dr * dr + dg * dg + db * db;
    if (d < bestDistance) {
      bestDistance = d;
      best = uint32_t(i);
      if (d == 0) break;
    }
  }
  return best;
}

size_t DibStride(int64_t width, int bpp) {
  if (width <= 0 || bpp <= 0) return 0;
  const uint64_t bits = uint64_t(width) * uint64_t(bpp);
  const uint64_t stride = ((bits + 31) / 32) * 4;
  if (stride > 0x7FFFFFFFu) return 0;
  return size_t(stride);
}

void MasksFor(int bpp, DWORD compression, const DWORD* maskWords, uint32_t out[3]) {
  if (compression == BI_BITFIELDS && maskWords) {
    std::memcpy(out, maskWords, 12);
    return;
  }
  if (bpp == 16) {
    out[0] = 0x7C00;
    out[1] = 0x03E0;
    out[2] = 0x001F;
  } else {
    out[0] = 0xFF0000;
    out[1] = 0x00FF00;
    out[2] = 0x0000FF;
  }
}

void DefaultColours(int bpp, RGBQUAD* out) {
  if (bpp == 1) {
    out[0] = RGBQUAD{0, 0, 0, 0};
    out[1] = RGBQUAD{255, 255, 255, 0};
  } else if (bpp == 4) {
    // black, dark red, dark green, olive, navy, purple, teal, silver, grey,
    // red, green, yellow, blue, magenta, cyan, white (stored blue first)
    static const BYTE rgb[16][3] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                                    {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                                    {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                                    {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
    for (int i = 0; i < 16; ++i) out[i] = RGBQUAD{rgb[i][2], rgb[i][1], rgb[i][0], 0};
  } else if (bpp == 8) {
    int n = 0;
    for (int r = 0; r < 6; ++r)
      for (int g = 0; g < 6; ++g)
        for (int b = 0; b < 6; ++b) out[n++] = RGBQUAD{BYTE(b * 51), BYTE(g * 51), BYTE(r * 51), 0};
    // 40 greys between the cube's own greys
    for (int i = 0; i < 40; ++i) {
      const BYTE v = BYTE((i + 1) * 255 / 41);
      out[n++] = RGBQUAD{v, v, v, 0};
    }
  }
}

// ---- mask channels ------------------------------------------------------------

namespace {

inline int MaskShift(uint32_t mask) { return mask ? std::countr_zero(mask) : 0; }
inline int MaskWidth(uint32_t mask) { return mask ? std::popcount(mask) : 0; }

// A channel value of 'width' bits scaled to 8 bits by repeating its bits, so
// that the largest value becomes 255.
inline uint32_t Expand(uint32_t v, int width) {
  if (width <= 0) return 0;
  if (width >= 8) return (v >> (width - 8)) & 0xFF;
  uint32_t out = 0;
  int filled = 0;
  while (filled < 8) {
    const int shift = 8 - filled - width;
    out |= shift >= 0 ? (v << shift) : (v >> -shift);
    filled += width;
  }
  return out & 0xFF;
}

inline uint32_t Extract(uint32_t pixel, uint32_t mask) {
  return Expand((pixel & mask) >> MaskShift(mask), MaskWidth(mask));
}

inline uint32_t Pack(uint32_t v8, uint32_t mask) {
  const int width = MaskWidth(mask);
  if (width == 0) return 0;
  const uint32_t v = width >= 8 ? (v8 << (width - 8)) : (v8 >> (8 - width));
  return (v << MaskShift(mask)) & mask;
}

}  // namespace

// ---- pixel access ------------------------------------------------------------------

uint32_t DibView::ReadIndex(int x, int y) const {
  const uint8_t* row = Row(y);
  switch (bpp) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    case 4: return (x & 1) ? (row[x >> 1] & 0x0Fu) : (row[x >> 1] >> 4);
    case 8: return row[x];
    default: return 0;
  }
}

uint32_t DibView::ReadRgb(int x, int y) const {
  const uint8_t* row = Row(y);
  switch (bpp) {
    case 1:
    case 4:
    case 8: {
      const uint32_t i = ReadIndex(x, y);
      return int(i) < colourCount ? RgbFromQuad(colours[i]) : 0;
    }
    case 16: {
      const uint32_t w = uint32_t(row[2 * x]) | (uint32_t(row[2 * x + 1]) << 8);
      return (Extract(w, masks[0]) << 16) | (Extract(w, masks[1]) << 8) | Extract(w, masks[2]);
    }
    case 24: {
      const uint8_t* p = row + 3 * size_t(x);
      return RgbOf(p[2], p[1], p[0]);
    }
    case 32: {
      const uint8_t* p = row + 4 * size_t(x);
      const uint32_t w = uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
      if (masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF) return w & 0xFFFFFF;
      return (Extract(w, masks[0]) << 16) | (Extract(w, masks[1]) << 8) | Extract(w, masks[2]);
    }
    default: return 0;
  }
}

void DibView::WriteIndex(int x, int y, uint32_t index) const {
  uint8_t* row = Row(y);
  switch (bpp) {
    case 1: {
      const uint8_t bit = uint8_t(0x80 >> (x & 7));
      if (index & 1)
        row[x >> 3] |= bit;
      else
        row[x >> 3] &= uint8_t(~bit);
      break;
    }
    case 4: {
      uint8_t& b = row[x >> 1];
      b = (x & 1) ? uint8_t((b & 0xF0) | (index & 0x0F)) : uint8_t((b & 0x0F) | ((index & 0x0F) << 4));
      break;
    }
    case 8: row[x] = uint8_t(index); break;
    default: break;
  }
}

void DibView::WriteRgb(int x, int y, uint32_t rgb, NearestCache* cache) const {
  uint8_t* row = Row(y);
  switch (bpp) {
    case 1:
    case 4:
    case 8: {
      uint32_t index;
      if (!cache || !cache->Find(rgb, index)) {
        index = NearestIndex(colours, colourCount, rgb);
        if (cache) cache->Store(rgb, index);
      }
      WriteIndex(x, y, index);
      break;
    }
    case 16: {
      const uint32_t w = Pack(RedOf(rgb), masks[0]) | Pack(GreenOf(rgb), masks[1]) | Pack(BlueOf(rgb), masks[2]);
      row[2 * x] = uint8_t(w);
      row[2 * x + 1] = uint8_t(w >> 8);
      break;
    }
    case 24: {
      uint8_t* p = row + 3 * size_t(x);
      p[0] = BlueOf(rgb);
      p[1] = GreenOf(rgb);
      p[2] = RedOf(rgb);
      break;
    }
    case 32: {
      const uint32_t w =
          (masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF)
              ? (rgb & 0xFFFFFF)
              : (Pack(RedOf(rgb), masks[0]) | Pack(GreenOf(rgb), masks[1]) | Pack(BlueOf(rgb), masks[2]));
      uint8_t* p = row + 4 * size_t(x);
      p[0] = uint8_t(w);
      p[1] = uint8_t(w >> 8);
      p[2] = uint8_t(w >> 16);
      p[3] = uint8_t(w >> 24);
      break;
    }
    default: break;
  }
}

bool DibView::SameLayout(const DibView& other) const {
  if (bpp != other.bpp) return false;
  if (bpp == 16 || bpp == 32) return std::memcmp(masks, other.masks, sizeof masks) == 0;
  if (bpp <= 8) {
    if (colourCount != other.colourCount) return false;
    for (int i = 0; i < colourCount; ++i)
      if (RgbFromQuad(colours[i]) != RgbFromQuad(other.colours[i])) return false;
  }
  return true;
}

}  // namespace gdi
