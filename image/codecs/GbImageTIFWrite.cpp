// GbImageTIF's page writer: tags, compression choice and rows.
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "image/codecs/GbImageTIF.h"
#include "image/codecs/TifBinding.h"

namespace {

constexpr const char* kSaveError = "Error saving TIFF file";

unsigned brightness(const RGBQUAD& c) { return (117u * c.rgbBlue + 601u * c.rgbGreen + 306u * c.rgbRed) >> 10; }

// True when the palette is the grey ramp a min-is-black reader rebuilds
// from the sample values (identity for 8 bits, steps of 17 for 4 bits).
bool greyRamp(const GbImage& image) {
  const uint32_t entries = image.PaletteEntryCount();
  const uint32_t step = 255u / (entries - 1);
  for (uint32_t i = 0; i < entries; ++i) {
    const RGBQUAD c = image.PaletteColor(i);
    const uint32_t g = i * step;
    if (c.rgbRed != g || c.rgbGreen != g || c.rgbBlue != g) return false;
  }
  return true;
}

// Compression schemes libtiff can write, and for which pictures. A scheme
// a file was read with but that cannot be written here (old-style JPEG,
// LogLuv, a fax scheme after a depth change) gives way to the default.
bool canWrite(uint32_t scheme, uint32_t bpp, uint16_t photometric) {
  switch (scheme) {
    case COMPRESSION_NONE:
    case COMPRESSION_LZW:
    case COMPRESSION_PACKBITS:
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE: break;
    case COMPRESSION_CCITTRLE:
    case COMPRESSION_CCITTFAX3:
    case COMPRESSION_CCITTFAX4:
      if (bpp != 1) return false;
      break;
    case COMPRESSION_JPEG:
      if (!(bpp == 24 || (bpp == 8 && photometric == PHOTOMETRIC_MINISBLACK))) return false;
      break;
    default: return false;
  }
  return TIFFIsCODECConfigured(uint16_t(scheme)) != 0;
}

}  // namespace

const char* GbImageTIF::WritePage(TIFF* tif) {
  const uint32_t width = Width(), height = Height(), bpp = BitsPerPixel();
  const bool alpha = HasAlpha() && (bpp == 24 || bpp == 8);
  const uint16_t samples = bpp == 24 ? (alpha ? 4 : 3) : (alpha ? 2 : 1);
  const uint16_t bitsPerSample = bpp == 24 ? 8 : uint16_t(bpp);

  // 1-bit pages are written min-is-white: 0 must be the lighter colour, so
  // a darker entry 0 is swapped with entry 1 and the pixels inverted, which
  // leaves the picture as it looks.
  if (bpp == 1 && brightness(PaletteColor(0)) < brightness(PaletteColor(1))) {
    const RGBQUAD dark = PaletteColor(0);
    SetPaletteColor(0, PaletteColor(1));
    SetPaletteColor(1, dark);
    uint8_t* bits = RowBits(0);
    const size_t area = size_t(RowStride()) * height;
    for (size_t i = 0; i < area; ++i) bits[i] = uint8_t(~bits[i]);
    // The colour cache now points at the wrong entry (a lent picture's
    // owner drops its cache too).
    info_.lastColorValid = 0;
  }
  uint16_t photometric;
  if (bpp == 1)
    photometric = PHOTOMETRIC_MINISWHITE;
  else if (bpp == 24)
    photometric = PHOTOMETRIC_RGB;
  else
    photometric = greyRamp(*this) ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_PALETTE;

  uint16_t colours[3][256] = {};
  if (photometric == PHOTOMETRIC_PALETTE) {
    for (uint32_t i = 0; i < PaletteEntryCount(); ++i) {
      const RGBQUAD c = PaletteColor(i);
      colours[0][i] = uint16_t(c.rgbRed * 257);
      colours[1][i] = uint16_t(c.rgbGreen * 257);
      colours[2][i] = uint16_t(c.rgbBlue * 257);
    }
  }

  bool ok = TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width) && TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height) &&
            TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples) &&
            TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bitsPerSample) &&
            TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric) &&
            TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
            TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
  // Other readers drop an alpha sample that is not declared.
  if (ok && alpha) {
    const uint16_t kind = EXTRASAMPLE_UNASSALPHA;
    ok = TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &kind);
  }
  uint32_t rowsPerStrip = TIFFDefaultStripSize(tif, 0);
  ok = ok && TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rowsPerStrip) &&
       TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH) &&
       TIFFSetField(tif, TIFFTAG_XRESOLUTION, double(DpiX())) && TIFFSetField(tif, TIFFTAG_YRESOLUTION, double(DpiY()));
  if (ok && multiPage_) {
    char name[32];
    std::snprintf(name, sizeof name, "Page %d", pagesWritten_);
    ok = TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE) &&
         TIFFSetField(tif, TIFFTAG_PAGENUMBER, uint16_t(pagesWritten_), uint16_t(pagesWritten_)) &&
         TIFFSetField(tif, TIFFTAG_PAGENAME, name);
  } else if (ok) {
    ok = TIFFSetField(tif, TIFFTAG_SUBFILETYPE, 0);
  }
  if (ok && photometric == PHOTOMETRIC_PALETTE)
    ok = TIFFSetField(tif, TIFFTAG_COLORMAP, colours[0], colours[1], colours[2]);

  uint32_t compression = bpp == 1 ? COMPRESSION_CCITTFAX4 : bpp == 24 ? COMPRESSION_JPEG : COMPRESSION_LZW;
  const uint32_t option = CodecOption(GB_TYPE_TIF);
  if (option && canWrite(option, bpp, photometric)) compression = option;
  ok = ok && TIFFSetField(tif, TIFFTAG_COMPRESSION, uint16_t(compression));
  if (ok && compression == COMPRESSION_LZW && (bpp == 24 && alpha ? 32 : bpp) >= 8)
    ok = TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
  if (ok && compression == COMPRESSION_JPEG) {
    rowsPerStrip = TIFFDefaultStripSize(tif, 0);
    rowsPerStrip = (rowsPerStrip + 7) / 8 * 8;
    ok = TIFFSetField(tif, TIFFTAG_JPEGQUALITY, int(JpegQuality())) &&
         TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
  }
  if (!ok) return kSaveError;

  // Rows top first. libtiff may alter a row it is given (predictors), so
  // each goes through a scratch copy.
  const size_t lineBytes = bpp == 24 ? size_t(width) * samples : bpp == 8 && alpha ? size_t(width) * 2 : RowStride();
  std::unique_ptr<uint8_t[]> line(new (std::nothrow) uint8_t[lineBytes]);
  if (!line) return kSaveError;
  const uint8_t* alphaPlane = alpha ? AlphaPlane() : nullptr;
  for (uint32_t i = 0; i < height; ++i) {
    const uint32_t y = height - 1 - i;
    const uint8_t* src = RowBits(y);
    const uint8_t* a = alphaPlane ? alphaPlane + size_t(y) * width : nullptr;
    uint8_t* out = line.get();
    if (bpp == 24) {
      for (uint32_t x = 0; x < width; ++x, src += 3) {
        *out++ = src[2];
        *out++ = src[1];
        *out++ = src[0];
        if (a) *out++ = a[x];
      }
    } else if (a) {
      for (uint32_t x = 0; x < width; ++x) {
        *out++ = src[x];
        *out++ = a[x];
      }
    } else {
      std::memcpy(out, src, lineBytes);
    }
    if (TIFFWriteScanline(tif, line.get(), i, 0) < 0) return kSaveError;
    SetProgress(long(uint64_t(i) * 100 / height));
  }
  return nullptr;
}
