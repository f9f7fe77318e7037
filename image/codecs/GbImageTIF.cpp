// GbImageTIF: opening pages, libtiff's RGBA reader, and the encode entry
// points with the writer state kept between appended pages.
#include "image/codecs/GbImageTIF.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <new>

#include "image/codecs/TifBinding.h"
#include "image/codecs/TifPage.h"
#include "image/io/GbIOFile.h"

namespace {

constexpr const char* kOpenError = "Error encountered while opening TIFF file";
constexpr const char* kNoPage = "Error: page not present in TIFF file";
constexpr const char* kCorrupted = "Corrupted TIFF file!";
constexpr const char* kCancelled = "Cancelled";
constexpr const char* kCantCreate = "GbImageTIF can't create image";
constexpr const char* kNoMemory = "GbImageTIF can't allocate memory";
constexpr const char* kNoRaster = "No space for raster buffer";
constexpr const char* kBigPalette = "Too big palette to handle";

// A float tag value as a whole number, 0 when it is out of range or NaN.
int toInt(double v) {
  if (!(v > double(INT_MIN) && v < double(INT_MAX))) return 0;
  return int(v);
}

// The most bytes of samples one byte of data can stand for under a
// compression, or 0 where there is no useful bound (JPEG, fax and the
// modern dictionary coders can go far beyond these).
uint64_t maxExpansion(uint16_t compression) {
  switch (compression) {
    case COMPRESSION_NONE: return 1;
    case COMPRESSION_PACKBITS: return 64;  // two bytes give at most 128
    case COMPRESSION_LZW: return 4096;     // a 9-bit code gives at most 4,096 bytes
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE: return 1032;  // deflate's limit
    default: return 0;
  }
}

// Whether the page's strips or tiles, as far as the file really holds them,
// can carry its samples at all. A header claiming a huge page over a few
// bytes is turned down before the picture's memory is asked for. Damaged
// files holding a good part of their data still load, the missing rows
// black, so the bound leaves room: a quarter of the data is enough.
bool dataCanHoldPage(TIFF* tif, const TifPageInfo& page) {
  const uint64_t expansion = maxExpansion(page.compression);
  if (expansion == 0) return true;
  const uint64_t fileSize = uint64_t(TIFFGetSizeProc(tif)(TIFFClientdata(tif)));
  const uint64_t rowBytes = (uint64_t(page.width) * page.samples * page.bits + 7) / 8;
  const uint64_t need = rowBytes * page.height;
  uint64_t have = 0;
  const uint32_t pieces = page.tiled ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif);
  const auto enough = [&] { return (have + 16384) * expansion * 4 >= need; };
  for (uint32_t i = 0; i < pieces && !enough(); ++i) {
    int err = 0;
    const uint64_t offset = TIFFGetStrileOffsetWithErr(tif, i, &err);
    if (err) break;
    const uint64_t count = TIFFGetStrileByteCountWithErr(tif, i, &err);
    if (err) break;
    if (offset < fileSize) have += std::min(count, fileSize - offset);
  }
  return enough();
}

}  // namespace

GB_CODEC_FACTORY(GbImageTIF)

GbImageTIF::~GbImageTIF() { CloseWriter(); }

// ---- decoding -------------------------------------------------------------

const char* GbImageTIF::DecodeStream(GbFile* stream) {
  TifBinding binding{stream, stream->Tell()};
  if (binding.base < 0) return kOpenError;
  TIFF* tif = TifOpenHandle(&binding, "rb");
  if (!tif) return kOpenError;
  const char* error = DecodePage(tif);
  TIFFClose(tif);
  return error;
}

const char* GbImageTIF::DecodePage(TIFF* tif) {
  const tdir_t pages = TIFFNumberOfDirectories(tif);
  SetFrameCount(long(pages > tdir_t(INT32_MAX) ? INT32_MAX : pages));
  const long frame = Frame();
  if (frame < 0 || tdir_t(frame) >= pages || !TIFFSetDirectory(tif, tdir_t(frame))) return kNoPage;

  TifPageInfo page;
  if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &page.width) || !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &page.height))
    return kCorrupted;
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &page.samples);
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &page.bits);
  uint32_t rowsPerStrip = 0;
  if (!TIFFGetField(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip) || rowsPerStrip == 0) rowsPerStrip = page.height;
  page.rowsPerStrip = rowsPerStrip > page.height ? page.height : rowsPerStrip;
  if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &page.photometric)) page.photometric = 0;
  if (!TIFFGetField(tif, TIFFTAG_ORIENTATION, &page.orientation)) page.orientation = 1;
  if (!TIFFGetField(tif, TIFFTAG_COMPRESSION, &page.compression)) page.compression = 1;
  TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &page.planar);
  uint16_t resolutionUnit = RESUNIT_INCH;
  TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &resolutionUnit);
  page.tiled = TIFFIsTiled(tif) != 0;
  if (page.tiled) {
    TIFFGetField(tif, TIFFTAG_TILEWIDTH, &page.tileWidth);
    TIFFGetField(tif, TIFFTAG_TILELENGTH, &page.tileLength);
  }
  if (page.photometric == PHOTOMETRIC_PALETTE) {
    uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
    if (TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue)) {
      page.colorMap[0] = red;
      page.colorMap[1] = green;
      page.colorMap[2] = blue;
    }
  }
  uint16_t extraCount = 0;
  const uint16_t* extraKinds = nullptr;
  if (TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extraKinds) && extraCount > 0 && extraKinds)
    page.alphaKind = extraKinds[0];
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &page.sampleFormat);

  if (Probing()) return SizeFound(page.width, page.height, GB_TYPE_TIF);
  if (page.width == 0 || page.height == 0 || page.samples == 0 || page.bits == 0) return kCorrupted;

  // Depth and reader.
  // Floating-point samples are scaled by the own reader; libtiff's RGBA
  // reader refuses them.
  const bool rgbaReader = TifUsesRgbaReader(page.photometric) && !page.Floats() && !page.OwnColour();
  const bool paletteFile = page.photometric == PHOTOMETRIC_PALETTE;
  uint32_t depth;
  if (page.bits == 1 && (page.photometric <= PHOTOMETRIC_MINISBLACK || paletteFile))
    depth = 1;
  else if (rgbaReader)
    depth = 24;
  else if (paletteFile && page.bits > 24)
    return kBigPalette;
  else if (paletteFile && page.bits > 8)
    depth = 24;
  else if (page.bits == 4)
    depth = 4;
  else
    depth = 8;
  // Three or more samples on the own reader are read as CIELab.
  if (!rgbaReader && page.samples >= 3) depth = 24;
  if (!rgbaReader && page.bits > 32 && !page.Floats()) return kCorrupted;

  if (Escape()) return kCancelled;
  if (!dataCanHoldPage(tif, page)) return kCorrupted;
  if (!Create(page.width, page.height, depth, GB_TYPE_TIF)) return kCantCreate;
  // Rows a damaged file does not deliver stay black rather than undefined.
  std::memset(RowBits(0), 0, size_t(RowStride()) * Height());

  float xres = 0, yres = 0;
  if (TIFFGetField(tif, TIFFTAG_XRESOLUTION, &xres))
    SetDpiX(toInt(resolutionUnit == RESUNIT_CENTIMETER ? double(xres) * 2.54 + 0.5 : double(xres)));
  if (TIFFGetField(tif, TIFFTAG_YRESOLUTION, &yres))
    SetDpiY(toInt(resolutionUnit == RESUNIT_CENTIMETER ? double(yres) * 2.54 + 0.5 : double(yres)));
  float xpos = 0, ypos = 0;
  const bool hasX = TIFFGetField(tif, TIFFTAG_XPOSITION, &xpos) != 0;
  const bool hasY = TIFFGetField(tif, TIFFTAG_YPOSITION, &ypos) != 0;
  if (hasX || hasY) SetOffset(hasX ? toInt(xpos) : XOffset(), hasY ? toInt(ypos) : YOffset());
  SetBackgroundIndex(-1);

  // The alpha sample follows the colour ones: the fourth of RGB, the fifth of CMYK.
  const bool alphaSample = rgbaReader          ? page.samples == 4 || (page.samples == 2 && page.bits == 8)
                           : page.samples == 2 ? page.bits == 8
                           : page.photometric == PHOTOMETRIC_SEPARATED ? page.samples >= 5
                                                                       : page.samples >= 4;
  if (alphaSample && !CreateAlpha()) return kNoMemory;
  SetCodecOption(page.compression, GB_TYPE_TIF);

  if (rgbaReader) return ReadWithRgbaReader(tif, page);
  if (const char* error = ReadOwn(tif, page)) return error;
  ApplyOrientation(page.orientation);
  return nullptr;
}

// libtiff decodes the page into 8-bit RGBA with row 0 at the bottom, which
// is our row order already.
const char* GbImageTIF::ReadWithRgbaReader(TIFF* tif, const TifPageInfo& page) {
  // Plain 8-bit RGB, with or without an alpha sample, upright, in strips or
  // tiles, is read directly: no full-size raster, straight alpha stays
  // exact (the RGBA reader hands it back premultiplied), and uncompressed
  // tiles, which the RGBA reader refuses when the file is not memory-mapped,
  // read like any others.
  const bool withAlpha =
      page.samples == 4 && (page.alphaKind == EXTRASAMPLE_ASSOCALPHA || page.alphaKind == EXTRASAMPLE_UNASSALPHA);
  if (page.photometric == PHOTOMETRIC_RGB && page.bits == 8 && (page.samples == 3 || withAlpha) &&
      page.planar == PLANARCONFIG_CONTIG && page.orientation == ORIENTATION_TOPLEFT)
    return ReadRgbRows(tif, page);
  const size_t width = page.width, height = page.height;
  if (width > SIZE_MAX / 4 / height) return kNoRaster;
  std::unique_ptr<uint32_t[]> raster(new (std::nothrow) uint32_t[width * height]);
  if (!raster) return kNoRaster;
  if (!TIFFReadRGBAImageOriented(tif, page.width, page.height, raster.get(), ORIENTATION_BOTLEFT, 1)) return kCorrupted;
  uint8_t* alpha = page.samples == 4 ? AlphaPlane() : nullptr;
  // libtiff hands both kinds of alpha back premultiplied; next to an alpha
  // plane the colours must stand on their own.
  const bool unpremultiply =
      alpha && (page.alphaKind == EXTRASAMPLE_ASSOCALPHA || page.alphaKind == EXTRASAMPLE_UNASSALPHA);
  for (size_t y = 0; y < height; ++y) {
    if (Escape()) return kCancelled;
    SetProgress(long(y * 100 / height));
    const uint32_t* src = raster.get() + y * width;
    uint8_t* dst = RowBits(uint32_t(y));
    for (size_t x = 0; x < width; ++x, dst += 3) {
      const uint32_t p = src[x];
      uint32_t r = TIFFGetR(p), g = TIFFGetG(p), b = TIFFGetB(p);
      const uint32_t a = TIFFGetA(p);
      if (unpremultiply && a != 0 && a != 255) {
        r = r >= a ? 255 : r * 255 / a;
        g = g >= a ? 255 : g * 255 / a;
        b = b >= a ? 255 : b * 255 / a;
      }
      dst[0] = uint8_t(b);
      dst[1] = uint8_t(g);
      dst[2] = uint8_t(r);
    }
    if (alpha)
      for (size_t x = 0; x < width; ++x) alpha[y * width + x] = uint8_t(TIFFGetA(src[x]));
  }
  return nullptr;
}

const char* GbImageTIF::ReadRgbRows(TIFF* tif, const TifPageInfo& page) {
  const size_t width = page.width, height = page.height, samples = page.samples;
  uint8_t* alpha = samples == 4 ? AlphaPlane() : nullptr;
  const bool premultiplied = alpha && page.alphaKind == EXTRASAMPLE_ASSOCALPHA;
  // One file row (top down) into our bottom-up rows and the alpha plane.
  auto put = [&](size_t row, const uint8_t* src, size_t x0, size_t count) {
    uint8_t* dst = RowBits(uint32_t(height - 1 - row)) + 3 * x0;
    uint8_t* a = alpha ? alpha + (height - 1 - row) * width + x0 : nullptr;
    for (size_t x = 0; x < count; ++x, src += samples, dst += 3) {
      uint32_t r = src[0], g = src[1], b = src[2];
      if (a) {
        const uint32_t k = src[3];
        a[x] = uint8_t(k);
        // Colours stand on their own beside an alpha plane.
        if (premultiplied && k != 0 && k != 255) {
          r = r >= k ? 255 : r * 255 / k;
          g = g >= k ? 255 : g * 255 / k;
          b = b >= k ? 255 : b * 255 / k;
        }
      }
      dst[0] = uint8_t(b);
      dst[1] = uint8_t(g);
      dst[2] = uint8_t(r);
    }
  };
  if (page.tiled) {
    const size_t tw = page.tileWidth, th = page.tileLength;
    const tmsize_t tileSize = TIFFTileSize(tif);
    if (tw == 0 || th == 0 || tileSize <= 0 || uint64_t(tw) * th * samples > uint64_t(tileSize)) return kCorrupted;
    std::unique_ptr<uint8_t[]> tile(new (std::nothrow) uint8_t[size_t(tileSize)]);
    if (!tile) return kNoRaster;
    for (size_t y0 = 0; y0 < height; y0 += th) {
      if (Escape()) return kCancelled;
      SetProgress(long(y0 * 100 / height));
      for (size_t x0 = 0; x0 < width; x0 += tw) {
        const ttile_t index = TIFFComputeTile(tif, uint32_t(x0), uint32_t(y0), 0, 0);
        if (TIFFReadEncodedTile(tif, index, tile.get(), tileSize) < 0) return kCorrupted;
        const size_t rows = std::min(th, height - y0), columns = std::min(tw, width - x0);
        for (size_t r = 0; r < rows; ++r) put(y0 + r, tile.get() + r * tw * samples, x0, columns);
      }
    }
    return nullptr;
  }
  const tmsize_t lineSize = TIFFScanlineSize(tif);
  if (lineSize <= 0 || size_t(lineSize) < width * samples) return kCorrupted;
  std::unique_ptr<uint8_t[]> line(new (std::nothrow) uint8_t[size_t(lineSize)]);
  if (!line) return kNoRaster;
  for (size_t row = 0; row < height; ++row) {
    if (Escape()) return kCancelled;
    SetProgress(long(row * 100 / height));
    if (TIFFReadScanline(tif, line.get(), uint32_t(row), 0) < 0) return kCorrupted;
    put(row, line.get(), 0, width);
  }
  return nullptr;
}

// Orientation of the stored rows, applied after the own reader.
void GbImageTIF::ApplyOrientation(uint16_t orientation) {
  switch (orientation) {
    case ORIENTATION_TOPRIGHT: MirrorHorizontal(false, true); break;
    case ORIENTATION_BOTRIGHT:
      FlipVertical(false, true);
      MirrorHorizontal(false, true);
      break;
    case ORIENTATION_BOTLEFT: FlipVertical(false, true); break;
    case ORIENTATION_LEFTTOP:
      RotateQuarterRight();
      MirrorHorizontal(false, true);
      break;
    case ORIENTATION_RIGHTTOP: RotateQuarterRight(); break;
    case ORIENTATION_RIGHTBOT:
      RotateQuarterLeft();
      MirrorHorizontal(false, true);
      break;
    case ORIENTATION_LEFTBOT: RotateQuarterLeft(); break;
    default: break;
  }
}

// ---- encoding ---------------------------------------------------------------

void GbImageTIF::CloseWriter() {
  if (writer_) TIFFClose(writer_);
  writer_ = nullptr;
  delete writerBinding_;
  writerBinding_ = nullptr;
  writerStream_ = nullptr;
  delete ownedFile_;
  ownedFile_ = nullptr;
  multiPage_ = false;
  pagesWritten_ = 0;
}

bool GbImageTIF::Encode(GbFile* stream, bool append) {
  if (CheckEncodable(stream)) return false;
  // A handle left open on another stream finishes that file first.
  if (writer_ && writerStream_ != stream) CloseWriter();
  if (!writer_) {
    writerBinding_ = new (std::nothrow) TifBinding{stream, stream->Tell()};
    if (writerBinding_ && writerBinding_->base >= 0) writer_ = TifOpenHandle(writerBinding_, "a");
    if (!writer_) {
      CloseWriter();
      SetLastError("initialization fail");
      return false;
    }
    writerStream_ = stream;
  }
  if (append || pagesWritten_ > 0) multiPage_ = true;
  ++pagesWritten_;
  if (const char* error = WritePage(writer_)) {
    CloseWriter();
    SetLastError(error);
    return false;
  }
  if (append) {
    if (!TIFFWriteDirectory(writer_)) {
      CloseWriter();
      SetLastError("Error saving TIFF directory");
      return false;
    }
    return true;
  }
  // Closing writes the directory; a flush that fails must not pass as a save.
  const bool flushed = TIFFFlush(writer_) != 0;
  CloseWriter();
  if (!flushed) {
    SetLastError("Error saving TIFF file");
    return false;
  }
  return true;
}

bool GbImageTIF::Encode(std::FILE* handle, bool append) {
  if (!handle) return Encode(static_cast<GbFile*>(nullptr), append);
  // Appended pages keep writing through the same wrapper until the file is
  // finished; closing the writer deletes it.
  if (writer_ && (!ownedFile_ || ownedFile_->Handle() != handle)) CloseWriter();
  if (!ownedFile_) ownedFile_ = new (std::nothrow) GbIOFile(handle);
  if (!ownedFile_) {
    SetLastError("initialization fail");
    return false;
  }
  return Encode(ownedFile_, append);
}

// A full copy of one picture of a multi-page encode (pixels, palette, alpha
// and settings), so that changes made while writing stay with the copy.
bool GbImageTIF::TakePageFrom(const GbImage& source) {
  Release();
  CopySettingsFrom(source);
  if (!Create(source.Width(), source.Height(), source.BitsPerPixel(), GB_TYPE_TIF)) return false;
  std::memcpy(PackedDib(), source.PackedDib(), PackedSize());
  if (source.AlphaPlane()) {
    if (!CreateAlpha()) {
      SetLastError(kNoMemory);
      return false;
    }
    std::memcpy(AlphaPlane(), source.AlphaPlane(), size_t(Width()) * Height());
  }
  return true;
}

bool GbImageTIF::Encode(GbFile* stream, GbImage** images, int count) {
  if (!stream) {
    SetLastError("invalid file pointer");
    return false;
  }
  if (!images || count <= 0) {
    SetLastError("multipage TIFF, no images!");
    return false;
  }
  // Every page is checked before anything is written.
  for (int i = 0; i < count; ++i) {
    if (!images[i]) {
      SetLastError("Bad image pointer");
      return false;
    }
    if (!images[i]->HasPixels()) {
      SetLastError("Empty image");
      return false;
    }
  }
  GbImageTIF page;
  for (int i = 0; i < count; ++i) {
    if (!page.TakePageFrom(*images[i])) {
      SetLastError(page.LastError());
      return false;
    }
    if (!page.Encode(stream, true)) {
      SetLastError(*page.LastError() ? page.LastError() : "Error saving TIFF file");
      return false;
    }
  }
  // Finishing the file: the last directory is already written.
  const bool flushed = TIFFFlush(page.writer_) != 0;
  page.CloseWriter();
  if (!flushed) {
    SetLastError("Error saving TIFF file");
    return false;
  }
  return true;
}

bool GbImageTIF::Encode(std::FILE* handle, GbImage** images, int count) {
  if (!handle) return Encode(static_cast<GbFile*>(nullptr), images, count);
  GbIOFile file(handle);
  return Encode(&file, images, count);
}
