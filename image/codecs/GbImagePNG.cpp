#include "image/codecs/GbImagePNG.h"

#include <png.h>

#include <algorithm>
#include <cstring>

#include "image/io/GbIOFile.h"
#include "image/io/Bytes.h"
#include "image/io/DecodeLimits.h"

namespace {

// The batch write settings (SetWriteSettings); -1 keeps the library default.
std::atomic<int> writeLevel{-1};
std::atomic<int> writeFilter{-1};

// Ancillary chunks larger than this are dropped rather than allocated.
constexpr png_alloc_size_t kMaxChunkMemory = 16u << 20;

void readData(png_structp png, png_bytep data, size_t length) {
  auto* f = static_cast<GbFile*>(png_get_io_ptr(png));
  if (f->Read(data, 1, length) != length) png_error(png, "Read Error");
}

void writeData(png_structp png, png_bytep data, size_t length) {
  auto* f = static_cast<GbFile*>(png_get_io_ptr(png));
  if (f->Write(data, 1, length) != length) png_error(png, "Write Error");
}

void flushData(png_structp png) {
  auto* f = static_cast<GbFile*>(png_get_io_ptr(png));
  if (!f->Flush()) png_error(png, "Flush Error");
}

// Decoding keeps libpng's own message; SetLastError cuts it to 255 characters.
void decodeError(png_structp png, png_const_charp message) {
  static_cast<GbImage*>(png_get_error_ptr(png))->SetLastError(message);
  png_longjmp(png, 1);
}

// Encoding reports one message of its own, set by the caller.
void encodeError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

void quiet(png_structp, png_const_charp) {}

// Resolutions from a file, bounded so the dots-per-metre field can hold them.
int boundedDpi(png_uint_32 value) { return value > 1000000u ? 1000000 : int(value); }

// Bytes of compressed picture data (IDAT chunks) the stream holds from
// 'start' (where the signature begins), counting only what is really there.
// The read position is left where it was.
uint64_t compressedBytesAvailable(GbFile* f, int32_t start) {
  const int32_t here = f->Tell();
  const int64_t size = f->Size();
  uint64_t total = 0;
  int64_t pos = int64_t(start) + 8;
  while (pos + 8 <= size) {
    uint8_t head[8];
    if (!f->Seek(int32_t(pos), SEEK_SET) || f->Read(head, 1, 8) != 8) break;
    const uint64_t length = gbio::Be32(head);
    const int64_t data = pos + 8;
    if (std::memcmp(head + 4, "IDAT", 4) == 0) total += uint64_t(std::min<int64_t>(int64_t(length), size - data));
    if (std::memcmp(head + 4, "IEND", 4) == 0) break;
    pos = data + int64_t(length) + 4;
  }
  f->Seek(here, SEEK_SET);
  return total;
}

}  // namespace

GB_CODEC_FACTORY(GbImagePNG)

bool GbImagePNG::Encode(std::FILE* handle) {
  if (!handle) return Encode(static_cast<GbFile*>(nullptr));
  GbIOFile file(handle);
  return Encode(&file);
}

// ---- decoding ------------------------------------------------------------

const char* GbImagePNG::DecodeStream(GbFile* f) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, static_cast<GbImage*>(this), decodeError, quiet);
  if (!png) return "Failed to create PNG structure";
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return "Failed to initialize PNG info structure";
  }
  png_set_read_fn(png, f, readData);
  png_set_chunk_malloc_max(png, kMaxChunkMemory);
  // Text, profile and other ancillary chunks are never used, and the library
  // allocates a chunk's whole claimed length before reading it: skipping them
  // unread keeps a lying length from asking for gigabytes.
  static const png_byte kIgnored[] =
      "iTXt\0zTXt\0tEXt\0iCCP\0sPLT\0eXIf\0hIST\0sBIT\0sCAL\0pCAL\0oFFs\0tIME\0cHRM\0sRGB\0gAMA\0bKGD";
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kIgnored, int(sizeof kIgnored / 5));
  std::vector<uint8_t> row;
  start_ = f->Tell();
  const bool ok = DecodeRows(png, info, row);
  png_destroy_read_struct(&png, &info, nullptr);
  return ok ? nullptr : LastError();
}

void GbImagePNG::TakeTransparency(png_structp png, png_infop info, int colorType, int depth) {
  png_bytep trans = nullptr;
  int count = 0;
  png_color_16p colour = nullptr;
  if (!png_get_tRNS(png, info, &trans, &count, &colour)) return;
  const uint32_t entries = PaletteEntryCount();
  if (colorType == PNG_COLOR_TYPE_PALETTE) {
    if (count <= 0 || !trans) return;
    if (count == 1 && trans[0] == 0) {
      SetBackgroundIndex(0);  // the one transparent entry
      return;
    }
    // Several levels, or a single entry that is not fully transparent:
    // alpha per palette entry.
    RGBQUAD* pal = Palette();
    for (uint32_t i = 0; i < entries; ++i) pal[i].rgbReserved = i < uint32_t(count) ? trans[i] : 255;
    EnablePaletteAlpha(true);
  } else if (depth == 16) {
    // 16-bit keys match 16-bit samples; the rows bring them as an alpha
    // channel (see DecodeRows), since the 8-bit pixels can't tell them apart.
  } else if (colorType == PNG_COLOR_TYPE_GRAY && colour) {
    const uint32_t grey = colour->gray;
    if (grey < (depth >= 8 ? 256u : 1u << depth)) SetBackgroundIndex(long(grey));
  } else if (colorType == PNG_COLOR_TYPE_RGB && colour) {
    auto level = [depth](png_uint_16 v) { return uint8_t(depth == 16 ? v >> 8 : v & 0xFF); };
    SetBackgroundColor(RGBQUAD{level(colour->blue), level(colour->green), level(colour->red), 0});
    SetBackgroundIndex(0);
  }
}

bool GbImagePNG::DecodeRows(png_structp png, png_infop info, std::vector<uint8_t>& row) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_info(png, info);
  png_uint_32 width = 0, height = 0;
  int depth = 0, colorType = 0, interlace = 0;
  png_get_IHDR(png, info, &width, &height, &depth, &colorType, &interlace, nullptr, nullptr);

  if (Probing()) {
    SizeFound(width, height, GB_TYPE_PNG);
    return true;
  }

  uint32_t bits;
  switch (colorType) {
    case PNG_COLOR_TYPE_GRAY:
    case PNG_COLOR_TYPE_PALETTE: bits = depth == 2 ? 4 : uint32_t(std::min(depth, 8)); break;
    case PNG_COLOR_TYPE_GRAY_ALPHA: bits = 8; break;
    case PNG_COLOR_TYPE_RGB:
    case PNG_COLOR_TYPE_RGB_ALPHA: bits = 24; break;
    default: SetLastError("unknown PNG color type"); return false;
  }
  // Before asking for the picture's memory: a few bytes of data cannot
  // stand for millions of rows (the rows would run out anyway).
  {
    GbFile* f = static_cast<GbFile*>(png_get_io_ptr(png));
    const uint64_t rowBytes = (uint64_t(width) * png_get_channels(png, info) * uint64_t(depth) + 7) / 8 + 1;
    // A stream with less compressed data than the rows need at deflate's
    // best rate cannot hold the picture.
    if (f && !gbio::Justifies(gbio::kPngRatio, compressedBytesAvailable(f, start_), rowBytes * height)) {
      SetLastError("Not enough image data");
      return false;
    }
  }
  if (!Create(width, height, bits, GB_TYPE_PNG)) return false;

  png_uint_32 xPpm = 0, yPpm = 0;
  int unit = 0;
  png_get_pHYs(png, info, &xPpm, &yPpm, &unit);
  if (unit == PNG_RESOLUTION_METER) {
    SetDpiX(boundedDpi(png_uint_32(GbImage::PpmToDpi(int32_t(std::min<png_uint_32>(xPpm, INT32_MAX))))));
    SetDpiY(boundedDpi(png_uint_32(GbImage::PpmToDpi(int32_t(std::min<png_uint_32>(yPpm, INT32_MAX))))));
  } else {
    SetDpiX(boundedDpi(xPpm));
    SetDpiY(boundedDpi(yPpm));
  }

  if (colorType == PNG_COLOR_TYPE_PALETTE) {
    png_colorp plte = nullptr;
    int entries = 0;
    if (png_get_PLTE(png, info, &plte, &entries) && plte) {
      SetPaletteRGB(reinterpret_cast<const uint8_t*>(plte), uint32_t(std::max(entries, 0)));
      SetColorsImportant(uint32_t(std::max(entries, 0)));
    }
  } else if (colorType == PNG_COLOR_TYPE_GRAY && depth == 2) {
    for (uint32_t i = 0; i < 16; ++i) {
      const uint8_t g = i < 4 ? uint8_t(i * 85) : 0;
      SetPaletteColor(i, g, g, g);
    }
  } else if (bits <= 8) {
    SetGreyPalette();
  }
  TakeTransparency(png, info, colorType, depth);
  SetCodecOption(interlace != PNG_INTERLACE_NONE ? 1 : 0, GB_TYPE_PNG);

  // A 16-bit colour key becomes an alpha channel, matched on all 16 bits.
  const bool keyedAlpha = depth == 16 && (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_RGB) &&
                          png_get_valid(png, info, PNG_INFO_tRNS);
  if (keyedAlpha) png_set_tRNS_to_alpha(png);
  const bool withAlpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0 || keyedAlpha;
  if (withAlpha && !CreateAlpha()) {
    SetLastError("GbImage::Create can't allocate memory");
    return false;
  }
  if (colorType & PNG_COLOR_MASK_COLOR) png_set_bgr(png);
  if (Escape()) return false;

  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  const size_t rowBytes = png_get_rowbytes(png, info);
  row.assign(rowBytes + 8, 0);
  uint8_t* buf = row.data();

  const size_t stride = RowStride();
  const size_t sampleBytes = depth == 16 ? 2 : 1;
  const size_t channels = png_get_channels(png, info);
  const size_t samples = size_t(width) * channels;
  for (int pass = 0; pass < passes; ++pass) {
    const bool merge = pass > 0;  // libpng fills in this pass's pixels over the earlier ones
    const bool lastPass = pass == passes - 1;
    for (uint32_t r = 0; r < height; ++r) {
      if (Escape()) return false;
      const uint32_t y = height - 1 - r;
      uint8_t* pixels = RowBits(y);
      uint8_t* alpha = withAlpha ? AlphaPlane() + size_t(y) * width : nullptr;
      if (withAlpha) {
        const size_t step = channels * sampleBytes;
        if (merge) {
          for (uint32_t x = 0; x < width; ++x) {
            uint8_t* s = buf + x * step;
            if (channels == 2) {
              s[0] = pixels[x];
            } else {
              s[0] = pixels[3 * x];
              s[sampleBytes] = pixels[3 * x + 1];
              s[2 * sampleBytes] = pixels[3 * x + 2];
            }
            s[(channels - 1) * sampleBytes] = alpha[x];
          }
        }
        png_read_row(png, buf, nullptr);
        for (uint32_t x = 0; x < width; ++x) {
          const uint8_t* s = buf + x * step;
          if (channels == 2) {
            pixels[x] = s[0];
          } else {
            pixels[3 * x] = s[0];
            pixels[3 * x + 1] = s[sampleBytes];
            pixels[3 * x + 2] = s[2 * sampleBytes];
          }
          alpha[x] = s[(channels - 1) * sampleBytes];
        }
        const size_t used = size_t(width) * (channels == 2 ? 1 : 3);
        std::memset(pixels + used, 0, stride - used);
        continue;
      }
      if (merge) {
        if (sampleBytes == 2) {
          std::memcpy(buf, pixels, samples);
          for (size_t i = samples; i-- > 0;) buf[2 * i] = buf[i];
        } else {
          std::memcpy(buf, pixels, std::min(rowBytes, stride));
        }
      }
      png_read_row(png, buf, nullptr);
      size_t used = rowBytes;
      if (sampleBytes == 2) {
        for (size_t i = 0; i < samples; ++i) buf[i] = buf[2 * i];
        used = samples;
      }
      used = std::min(used, stride);
      std::memcpy(pixels, buf, used);
      std::memset(pixels + used, 0, stride - used);
      if (depth == 2 && lastPass) {
        // Two-bit pixels widen to the nibbles of a 4-bit image, right to left
        // so that no pixel is overwritten before it is read.
        for (uint32_t x = width; x-- > 0;) {
          const uint8_t v = uint8_t((pixels[x / 4] >> (6 - 2 * (x % 4))) & 3);
          uint8_t& b = pixels[x / 2];
          b = (x & 1) ? uint8_t((b & 0xF0) | v) : uint8_t((b & 0x0F) | (v << 4));
        }
        const size_t wide = (size_t(width) + 1) / 2;
        std::memset(pixels + wide, 0, stride - wide);
      }
    }
    SetProgress(long(pass + 1) * 100 / passes);
  }
  png_read_end(png, nullptr);
  return true;
}

// ---- encoding ------------------------------------------------------------

void GbImagePNG::SetWriteSettings(int level, int filter) {
  writeLevel.store(level >= 0 && level <= 9 ? level : -1, std::memory_order_relaxed);
  writeFilter.store(filter >= 0 && filter <= 5 ? filter : -1, std::memory_order_relaxed);
}

bool GbImagePNG::Encode(GbFile* f) {
  if (CheckEncodable(f)) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, static_cast<GbImage*>(this), encodeError, quiet);
  if (!png) {
    SetLastError("Failed to create PNG structure");
    return false;
  }
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    SetLastError("Failed to initialize PNG info structure");
    return false;
  }
  png_set_write_fn(png, f, writeData, flushData);
  std::vector<uint8_t> row, table;
  const bool ok = EncodeRows(png, info, row, table);
  png_destroy_write_struct(&png, &info);
  if (!ok) SetLastError("Error saving PNG file");
  return ok;
}

bool GbImagePNG::EncodeRows(png_structp png, png_infop info, std::vector<uint8_t>& row, std::vector<uint8_t>& lut) {
  if (setjmp(png_jmpbuf(png))) return false;
  const uint32_t width = Width(), height = Height();
  const uint32_t bpp = BitsPerPixel();
  const bool palette = bpp <= 8;
  const bool grey = palette && IsGreyScale();
  const bool alpha = HasAlpha();
  // A colour palette with an alpha plane has no PNG colour type of its own:
  // it is written as RGB with alpha.
  const bool expand = palette && !grey && alpha;
  const long background = BackgroundIndex();
  const bool keyed = HasBackgroundIndex();

  int colorType, depth;
  if (alpha) {
    colorType = grey ? PNG_COLOR_TYPE_GRAY_ALPHA : PNG_COLOR_TYPE_RGB_ALPHA;
    depth = 8;
  } else if (palette) {
    colorType = grey ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_PALETTE;
    depth = int(bpp);
  } else {
    colorType = PNG_COLOR_TYPE_RGB;
    depth = 8;
  }
  const bool adam7 = CodecOption(GB_TYPE_PNG) == 1;
  png_set_IHDR(png, info, width, height, depth, colorType, adam7 ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);

  png_color_16 bkgd{};
  bkgd.red = bkgd.green = bkgd.blue = 255;
  if (keyed) {
    const RGBQUAD c = BackgroundColor();
    bkgd.red = c.rgbRed;
    bkgd.green = c.rgbGreen;
    bkgd.blue = c.rgbBlue;
  }
  png_set_bKGD(png, info, &bkgd);
  png_set_pHYs(png, info, png_uint_32(std::max<LONG>(0, header_.biXPelsPerMeter)),
               png_uint_32(std::max<LONG>(0, header_.biYPelsPerMeter)), PNG_RESOLUTION_METER);

  // Palette files: the transparent colour moves to entry 0 in what is
  // written; the image itself keeps its palette and pixels.
  uint32_t entries = 0;
  uint8_t swapWith = 0;
  if (colorType == PNG_COLOR_TYPE_PALETTE) {
    const uint32_t count = PaletteEntryCount();
    entries = ColorsImportant() ? std::min(ColorsImportant(), count) : count;
    if (entries < count) {
      // Every index the pixels use must be in the table, or readers refuse it.
      uint32_t highest = 0;
      for (uint32_t y = 0; y < height && highest + 1 < count; ++y)
        for (uint32_t x = 0; x < width; ++x) highest = std::max<uint32_t>(highest, ReadPixelIndexUnchecked(x, y));
      entries = std::max(entries, highest + 1);
    }
    if (keyed && background > 0) {
      swapWith = uint8_t(background);
      entries = std::max(entries, uint32_t(background) + 1);
    }
    const RGBQUAD* pal = Palette();
    png_color plte[256];
    png_byte trans[256];
    for (uint32_t i = 0; i < entries; ++i) {
      const uint32_t from = i == 0 ? swapWith : (i == swapWith ? 0 : i);
      plte[i].red = pal[from].rgbRed;
      plte[i].green = pal[from].rgbGreen;
      plte[i].blue = pal[from].rgbBlue;
      trans[i] = pal[from].rgbReserved;
    }
    png_set_PLTE(png, info, plte, int(entries));
    if (PaletteAlphaEnabled()) {
      png_set_tRNS(png, info, trans, int(entries), nullptr);
    } else if (keyed) {
      trans[0] = 0;
      png_set_tRNS(png, info, trans, 1, nullptr);
    }
  } else if (keyed && !alpha) {
    const RGBQUAD c = BackgroundColor();
    png_color_16 key{};
    key.red = c.rgbRed;
    key.green = c.rgbGreen;
    key.blue = c.rgbBlue;
    key.gray = png_uint_16(background);
    png_set_tRNS(png, info, nullptr, 1, &key);
  }

  // A colour key on a 24-bit image with alpha becomes alpha 0 in the image.
  if (alpha && !palette && keyed) {
    const RGBQUAD key = BackgroundColor();
    for (uint32_t y = 0; y < height; ++y) {
      const uint8_t* p = RowBits(y);
      uint8_t* a = AlphaPlane() + size_t(y) * width;
      for (uint32_t x = 0; x < width; ++x, p += 3)
        if (p[0] == key.rgbBlue && p[1] == key.rgbGreen && p[2] == key.rgbRed) a[x] = 0;
    }
  }

  const int level = writeLevel.load(std::memory_order_relaxed);
  const int filter = writeFilter.load(std::memory_order_relaxed);
  if (level >= 0) png_set_compression_level(png, level);
  if (filter >= 0) {
    static constexpr int kFilters[] = {PNG_FILTER_NONE, PNG_FILTER_SUB,   PNG_FILTER_UP,
                                       PNG_FILTER_AVG,  PNG_FILTER_PAETH, PNG_ALL_FILTERS};
    png_set_filter(png, PNG_FILTER_TYPE_BASE, kFilters[filter]);
  }
  png_write_info(png, info);
  if (colorType == PNG_COLOR_TYPE_RGB) png_set_bgr(png);
  const int passes = adam7 ? png_set_interlace_handling(png) : 1;

  const size_t channels = colorType == PNG_COLOR_TYPE_RGB_ALPHA    ? 4
                          : colorType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                          : colorType == PNG_COLOR_TYPE_RGB        ? 3
                                                                   : 1;
  const size_t stride = RowStride();
  row.assign(std::max(size_t(depth / 8) * channels * width, stride), 0);
  uint8_t* buf = row.data();
  // Index exchange for the moved transparent colour, per byte of a row.
  if (swapWith) {
    lut.resize(256);
    auto swapped = [&](uint32_t v) { return v == 0 ? swapWith : (v == swapWith ? 0u : v); };
    for (uint32_t b = 0; b < 256; ++b) {
      if (bpp == 8)
        lut[b] = uint8_t(swapped(b));
      else if (bpp == 4)
        lut[b] = uint8_t((swapped(b >> 4) << 4) | swapped(b & 15));
      else
        lut[b] = uint8_t(~b);  // 1 bit: the key is index 1
    }
  }
  for (int pass = 0; pass < passes; ++pass) {
    for (uint32_t r = 0; r < height; ++r) {
      const uint32_t y = height - 1 - r;
      const uint8_t* a = alpha ? AlphaPlane() + size_t(y) * width : nullptr;
      if (colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
        for (uint32_t x = 0; x < width; ++x) {
          buf[2 * x] = ReadPixelColorUnchecked(x, y, false).rgbBlue;
          buf[2 * x + 1] = a[x];
        }
      } else if (colorType == PNG_COLOR_TYPE_RGB_ALPHA) {
        for (uint32_t x = 0; x < width; ++x) {
          const RGBQUAD c = ReadPixelColorUnchecked(x, y, false);
          uint8_t* d = buf + 4 * size_t(x);
          d[0] = c.rgbRed;
          d[1] = c.rgbGreen;
          d[2] = c.rgbBlue;
          d[3] = a[x];
          if (expand && keyed && ReadPixelIndexUnchecked(x, y) == background) d[3] = 0;
        }
      } else {
        std::memcpy(buf, RowBits(y), stride);
        if (swapWith)
          for (size_t i = 0; i < stride; ++i) buf[i] = lut[buf[i]];
      }
      png_write_row(png, buf);
    }
    SetProgress(long(pass + 1) * 100 / passes);
  }
  png_write_end(png, info);
  return true;
}
