// Writes small TIFF files with libtiff itself for the TIFF codec tests, so
// each case states the tags and samples the reader sees.
#pragma once

#include <tiffio.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "image/core/GbImage.h"

namespace tiftest {

struct Page {
  uint32_t width = 1, height = 1;
  uint16_t samples = 1, bits = 8;
  uint16_t photometric = PHOTOMETRIC_MINISBLACK;
  uint16_t orientation = ORIENTATION_TOPLEFT;
  uint16_t planar = PLANARCONFIG_CONTIG;
  uint16_t compression = COMPRESSION_NONE;
  uint32_t rowsPerStrip = 0;  // 0: one strip
  uint32_t tile = 0;          // non-zero: square tiles of this size
  int extraSample = -1;       // EXTRASAMPLE_* of one extra sample
  std::vector<uint16_t> colorMap[3];
  float dpi = 0;
  // Samples, top row first, in the file's layout: packed rows of
  // samples x bits x width bits (16-bit samples in host order); for
  // separate planes, all rows of plane 0, then plane 1, ...
  std::vector<uint8_t> data;
};

inline uint64_t RowBytes(const Page& p, bool onePlane = false) {
  const uint64_t spp = p.planar == PLANARCONFIG_SEPARATE || onePlane ? 1 : p.samples;
  return (spp * p.bits * p.width + 7) / 8;
}

// Writes the pages as one file; false when libtiff refuses.
inline bool Write(const std::string& path, const std::vector<Page>& pages) {
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  if (!tif) return false;
  bool ok = true;
  for (const Page& p : pages) {
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, p.width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, p.height);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, p.samples);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, p.bits);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, p.photometric);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, p.orientation);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, p.planar);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, p.compression);
    if (p.extraSample >= 0) {
      const uint16_t kind = uint16_t(p.extraSample);
      TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &kind);
    }
    if (!p.colorMap[0].empty())
      TIFFSetField(tif, TIFFTAG_COLORMAP, p.colorMap[0].data(), p.colorMap[1].data(), p.colorMap[2].data());
    if (p.dpi > 0) {
      TIFFSetField(tif, TIFFTAG_XRESOLUTION, double(p.dpi));
      TIFFSetField(tif, TIFFTAG_YRESOLUTION, double(p.dpi));
      TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    }
    const uint32_t planes = p.planar == PLANARCONFIG_SEPARATE ? p.samples : 1;
    const uint64_t rowBytes = RowBytes(p);
    if (p.tile) {
      TIFFSetField(tif, TIFFTAG_TILEWIDTH, p.tile);
      TIFFSetField(tif, TIFFTAG_TILELENGTH, p.tile);
      const uint64_t tileRow = (uint64_t(planes == 1 ? p.samples : 1) * p.bits * p.tile + 7) / 8;
      std::vector<uint8_t> tile(size_t(tileRow * p.tile));
      const uint32_t bitsPerPixel = (planes == 1 ? p.samples : 1) * p.bits;
      for (uint32_t s = 0; s < planes; ++s)
        for (uint32_t ty = 0; ty < p.height; ty += p.tile)
          for (uint32_t tx = 0; tx < p.width; tx += p.tile) {
            std::fill(tile.begin(), tile.end(), 0);
            for (uint32_t r = 0; r < p.tile && ty + r < p.height; ++r)
              for (uint32_t c = 0; c < p.tile && tx + c < p.width; ++c)
                for (uint32_t b = 0; b < bitsPerPixel; ++b) {
                  const uint64_t from = (uint64_t(tx) + c) * bitsPerPixel + b;
                  const uint8_t* row = p.data.data() + (uint64_t(s) * p.height + ty + r) * rowBytes;
                  if ((row[from / 8] >> (7 - from % 8)) & 1) {
                    const uint64_t to = uint64_t(c) * bitsPerPixel + b;
                    tile[size_t(r * tileRow + to / 8)] |= uint8_t(0x80 >> (to % 8));
                  }
                }
            ok &= TIFFWriteEncodedTile(tif, TIFFComputeTile(tif, tx, ty, 0, uint16_t(s)), tile.data(),
                                       tmsize_t(tile.size())) >= 0;
          }
    } else {
      const uint32_t rps = p.rowsPerStrip ? p.rowsPerStrip : p.height;
      TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rps);
      for (uint32_t s = 0; s < planes; ++s)
        for (uint32_t y = 0; y < p.height; y += rps) {
          const uint32_t n = std::min(rps, p.height - y);
          ok &= TIFFWriteEncodedStrip(tif, TIFFComputeStrip(tif, y, uint16_t(s)),
                                      const_cast<uint8_t*>(p.data.data() + (uint64_t(s) * p.height + y) * rowBytes),
                                      tmsize_t(n * rowBytes)) >= 0;
        }
    }
    ok &= TIFFWriteDirectory(tif) != 0;
  }
  TIFFClose(tif);
  return ok;
}

// 16-bit samples in host order.
inline std::vector<uint8_t> Words(std::initializer_list<uint16_t> values) {
  std::vector<uint8_t> out(values.size() * 2);
  std::memcpy(out.data(), values.begin(), out.size());
  return out;
}

// Colour of a pixel given top-down, as 0xRRGGBB.
inline uint32_t RgbTop(const GbImage& img, long x, long yFromTop) {
  const RGBQUAD c = img.ReadPixelColor(x, long(img.Height()) - 1 - yFromTop, false);
  return (uint32_t(c.rgbRed) << 16) | (uint32_t(c.rgbGreen) << 8) | c.rgbBlue;
}

inline uint8_t IndexTop(const GbImage& img, long x, long yFromTop) {
  return img.ReadPixelIndex(x, long(img.Height()) - 1 - yFromTop);
}

}  // namespace tiftest
