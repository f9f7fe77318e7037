// The tags of one TIFF page as the reader uses them.
#pragma once

#include <tiffio.h>

#include <cstdint>

struct TifPageInfo {
  uint32_t width = 0;
  uint32_t height = 0;
  uint16_t samples = 1;
  uint16_t bits = 1;
  uint32_t rowsPerStrip = 0;  // cut to the height
  uint16_t photometric = 0;
  uint16_t orientation = 1;
  uint16_t compression = 1;
  uint16_t planar = PLANARCONFIG_CONTIG;
  bool tiled = false;
  uint32_t tileWidth = 0;
  uint32_t tileLength = 0;
  const uint16_t* colorMap[3] = {nullptr, nullptr, nullptr};
  // Extra-sample kind of the fourth sample of an RGB page (EXTRASAMPLE_*),
  // or -1 when the page declares none.
  int alphaKind = -1;
  uint16_t sampleFormat = SAMPLEFORMAT_UINT;
  // Floating-point samples (0.0 to 1.0) of a grey or RGB page, 32 or 64 bits.
  // Colour the RGBA reader cannot take: RGB samples other than 8 or 16 bits
  // (10- and 12-bit scanners, in planes or not), 16-bit CMYK, and CMYK with
  // an alpha sample. The own reader scales them to 8 bits.
  bool OwnColour() const {
    if (photometric == PHOTOMETRIC_RGB) return samples >= 3 && bits != 8 && bits != 16 && bits <= 16;
    if (photometric == PHOTOMETRIC_SEPARATED) return samples >= 4 && (bits == 16 || (bits == 8 && samples >= 5));
    return false;
  }
  bool Floats() const {
    return sampleFormat == SAMPLEFORMAT_IEEEFP && (bits == 32 || bits == 64) &&
           (photometric == PHOTOMETRIC_RGB || photometric == PHOTOMETRIC_MINISBLACK ||
            photometric == PHOTOMETRIC_MINISWHITE);
  }
};

// Pages libtiff's RGBA reader turns into 24 bits.
inline bool TifUsesRgbaReader(uint16_t photometric) {
  return photometric == PHOTOMETRIC_RGB || photometric == PHOTOMETRIC_SEPARATED || photometric == PHOTOMETRIC_YCBCR ||
         photometric == PHOTOMETRIC_LOGL || photometric == PHOTOMETRIC_LOGLUV;
}
