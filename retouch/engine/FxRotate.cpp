// Free rotation by whole degrees: the picture turns clockwise onto a black
// canvas large enough to hold it, through the parallelogram copy.
#include <algorithm>
#include <cmath>

#include "retouch/engine/FxDibEffect.h"
#include "retouch/engine/FxSelect.h"

bool FxDibEffect::RotateByAngle(int degrees) {
  if (IsEmpty() || degrees < 1 || degrees > 89) return false;
  FxDib src;
  SwapPixels(src);
  const double w = src.Width(), h = src.Height();
  const double r = degrees * 3.1415926536 / 180;
  const double s = std::sin(r), c = std::cos(r);
  const int newW = int(h * s + w * c + 1);
  const int newH = int(h * c + w * s + 1);
  const FxDibHeader& sh = src.Header();
  const uint32_t masks[3] = {sh.redMask, sh.greenMask, sh.blueMask};
  if (!CreateSection(newW, newH, src.BitsPerPixel(), sh.info.biCompression, masks, false)) {
    SwapPixels(src);  // out of memory: keep the picture
    return false;
  }
  CopyPaletteFrom(src);
  // Upper-left, upper-right and lower-left corners, top-down.
  const POINT corners[3] = {
      {LONG(h * s), 0},
      {LONG(std::min(double(newW - 1), h * s + w * c)), LONG(w * s)},
      {0, LONG(h * c)},
  };
  fx::SelectedBitmap from(src.Section());
  fx::SelectedBitmap to(Section());
  if (!from.ok() || !to.ok()) return false;
  SetStretchBltMode(to.dc(), COLORONCOLOR);
  PlgBlt(to.dc(), corners, from.dc(), 0, 0, src.Width(), src.Height(), nullptr, 0, 0);
  return true;
}
