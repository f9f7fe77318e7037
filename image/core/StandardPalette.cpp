// The fixed standard palettes for 1, 4 and 8 bits.
#include <cmath>

#include "image/core/GbImage.h"

namespace {

constexpr uint8_t kConsole[16][3] = {  // red, green, blue
    {0, 0, 0},     {128, 0, 0},     {0, 128, 0},     {128, 128, 0},  {0, 0, 128}, {128, 0, 128},
    {0, 128, 128}, {192, 192, 192}, {128, 128, 128}, {255, 0, 0},    {0, 255, 0}, {255, 255, 0},
    {0, 0, 255},   {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};

struct Table256 {
  RGBQUAD e[256];
  void set(int i, int r, int g, int b) { e[i] = RGBQUAD{uint8_t(b), uint8_t(g), uint8_t(r), 0}; }

  // Six shades of one hue, falling from bright (254) to dark (80).
  void ramp(int first, double hueDegrees) {
    const double h = hueDegrees / 60.0;
    const double x = 1.0 - std::fabs(std::fmod(h, 2.0) - 1.0);
    double r = 0, g = 0, b = 0;
    switch (int(h) % 6) {
      case 0:
        r = 1;
        g = x;
        break;
      case 1:
        r = x;
        g = 1;
        break;
      case 2:
        g = 1;
        b = x;
        break;
      case 3:
        g = x;
        b = 1;
        break;
      case 4:
        r = x;
        b = 1;
        break;
      default:
        r = 1;
        b = x;
        break;
    }
    for (int k = 0; k < 6; ++k) {
      const double v = 254.0 - k * (254.0 - 80.0) / 5.0;
      set(first + k, int(r * v + 0.5), int(g * v + 0.5), int(b * v + 0.5));
    }
  }

  Table256() {
    for (int i = 0; i < 8; ++i) set(i, kConsole[i][0], kConsole[i][1], kConsole[i][2]);
    set(8, 192, 220, 192);
    set(9, 166, 202, 240);
    // Hue ramps every 10 degrees; red sits at 40..45.
    for (int k = 1; k <= 5; ++k) ramp(10 + 6 * (k - 1), k * 10.0);
    ramp(40, 0.0);
    for (int k = 6; k <= 35; ++k) ramp(46 + 6 * (k - 6), k * 10.0);
    for (int k = 0; k < 13; ++k) set(226 + k, 242 - 12 * k, 242 - 12 * k, 242 - 12 * k);
    // Pale tints.
    const int tints[7][3] = {{255, 224, 224}, {255, 240, 208}, {255, 255, 208}, {224, 255, 224},
                             {208, 255, 255}, {224, 224, 255}, {255, 224, 255}};
    for (int k = 0; k < 7; ++k) set(239 + k, tints[k][0], tints[k][1], tints[k][2]);
    const int tail[10][3] = {{255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},   {0, 255, 0},
                             {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255}, {255, 255, 255}};
    for (int k = 0; k < 10; ++k) set(246 + k, tail[k][0], tail[k][1], tail[k][2]);
  }
};

}  // namespace

void GbImage::SetStandardPalette() {
  RGBQUAD* pal = Palette();
  if (!pal) return;
  switch (PaletteEntryCount()) {
    case 2:
      pal[0] = RGBQUAD{0, 0, 0, 0};
      pal[1] = RGBQUAD{255, 255, 255, 0};
      break;
    case 16:
      for (int i = 0; i < 16; ++i) pal[i] = RGBQUAD{kConsole[i][2], kConsole[i][1], kConsole[i][0], 0};
      break;
    case 256: {
      static const Table256 table;
      for (int i = 0; i < 256; ++i) pal[i] = table.e[i];
      break;
    }
    default: break;
  }
  info_.lastColorValid = 0;
}
