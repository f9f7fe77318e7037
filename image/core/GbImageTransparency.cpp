// Which pixels of a GbImage count as transparent: the colour key (background
// index or, at 24 bits, background colour) first, then alpha 0.
#include "image/core/GbImage.h"

bool GbImage::IsTransparentAt(long x, long y) const {
  if (!block_) return false;
  if (info_.backgroundIndex >= 0) {
    if (PaletteEntryCount()) {
      if (long(ReadPixelIndex(x, y)) == info_.backgroundIndex) return true;
    } else {
      const RGBQUAD c = ReadPixelColor(x, y, false);
      const RGBQUAD& key = info_.backgroundColor;
      if (c.rgbBlue == key.rgbBlue && c.rgbGreen == key.rgbGreen && c.rgbRed == key.rgbRed) return true;
    }
  }
  return alpha_ && ReadAlpha(x, y) == 0;
}

bool GbImage::MakeTransparencyMask(GbImage* destination) {
  if (!block_) return false;
  GbImage mask(FileType());
  if (!mask.Create(Width(), Height(), 1, FileType())) {
    SetLastError(mask.LastError());
    return false;
  }
  mask.SetStandardPalette();
  mask.Fill(0);
  const long width = Width(), height = Height();
  for (long y = 0; y < height; ++y)
    for (long x = 0; x < width; ++x)
      if (IsTransparentAt(x, y)) mask.WritePixelIndexUnchecked(x, y, 1);
  return (destination ? destination : this)->TakeOver(mask, true);
}
