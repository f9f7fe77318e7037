// A view of device-independent pixels in any of the layouts the stand-in
// handles (1, 4, 8 bits with a colour table; 16 and 32 bits with masks; 24
// bits), addressed in display rows: y = 0 is the top of the picture whatever
// order the rows are stored in. Colours travel as 0x00RRGGBB ("rgb" below),
// which is also the byte order blue, green, red of a 32-bit pixel.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/WinTypes.h"

namespace gdi {

constexpr uint32_t RgbOf(BYTE r, BYTE g, BYTE b) { return (uint32_t(r) << 16) | (uint32_t(g) << 8) | b; }
constexpr BYTE RedOf(uint32_t rgb) { return BYTE(rgb >> 16); }
constexpr BYTE GreenOf(uint32_t rgb) { return BYTE(rgb >> 8); }
constexpr BYTE BlueOf(uint32_t rgb) { return BYTE(rgb); }
constexpr uint32_t RgbFromColorRef(COLORREF c) { return RgbOf(GetRValue(c), GetGValue(c), GetBValue(c)); }
constexpr COLORREF ColorRefFromRgb(uint32_t rgb) { return RGB(RedOf(rgb), GreenOf(rgb), BlueOf(rgb)); }
constexpr uint32_t RgbFromQuad(RGBQUAD q) { return RgbOf(q.rgbRed, q.rgbGreen, q.rgbBlue); }

// Remembers recent nearest-colour answers for one colour table.
class NearestCache {
 public:
  void Reset();
  bool Find(uint32_t rgb, uint32_t& index) const;
  void Store(uint32_t rgb, uint32_t index);

 private:
  static constexpr int kSlots = 512;
  uint32_t key_[kSlots] = {};
  uint16_t value_[kSlots] = {};
  bool valid_[kSlots] = {};
};

// Index of the colour-table entry closest to rgb (squared distance, lowest
// index on ties, first exact match wins).
uint32_t NearestIndex(const RGBQUAD* colours, int count, uint32_t rgb);

struct DibView {
  int width = 0;
  int height = 0;  // always positive
  bool topDown = false;
  int bpp = 0;
  uint32_t masks[3] = {};  // red, green, blue for 16 and 32 bits
  const RGBQUAD* colours = nullptr;
  int colourCount = 0;
  uint8_t* bits = nullptr;
  size_t stride = 0;

  bool Valid() const { return bits && width > 0 && height > 0; }
  bool Indexed() const { return bpp <= 8; }
  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
  uint8_t* Row(int y) const { return bits + size_t(topDown ? y : height - 1 - y) * stride; }

  uint32_t ReadIndex(int x, int y) const;
  uint32_t ReadRgb(int x, int y) const;
  void WriteIndex(int x, int y, uint32_t index) const;
  // Palette layouts store the nearest entry; cache may be null.
  void WriteRgb(int x, int y, uint32_t rgb, NearestCache* cache) const;
  // True when both views store pixels the same way, so bytes can be copied.
  bool SameLayout(const DibView& other) const;
};

// Bytes per row for a width and bit count, rows padded to 4 bytes; 0 when
// the row would not fit in 32 bits.
size_t DibStride(int64_t width, int bpp);

// The masks a 16- or 32-bit layout uses for a compression, reading the
// three mask words at maskWords when the compression is BI_BITFIELDS.
void MasksFor(int bpp, DWORD compression, const DWORD* maskWords, uint32_t out[3]);

// Default colour tables for palette layouts whose colours nobody gave:
// black and white; the 16 console colours; a 6x6x6 cube with a grey ramp.
void DefaultColours(int bpp, RGBQUAD* out);

}  // namespace gdi
