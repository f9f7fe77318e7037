// GbImageTIF's own reader: palettes, greys of 1 to 32 bits, grey with alpha
// and CIELab, from strips or tiles, contiguous or in separate planes.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "image/codecs/GbImageTIF.h"
#include "image/codecs/TifPage.h"

namespace {

constexpr const char* kCancelled = "Cancelled";
constexpr const char* kNoMemory = "GbImageTIF can't allocate memory";
constexpr const char* kNoPalette = "Unable to allocate TIFF palette";
constexpr const char* kCorruptedTile = "Corrupted tiled TIFF file!";

// Largest strip or tile buffer the reader allocates: a single strip holding
// the biggest image with 16-bit samples.
constexpr uint64_t kMaxBuffer = uint64_t(2) * GBIMAGE_MAX_MEMORY;

std::unique_ptr<uint8_t[]> allocate(uint64_t size) {
  if (size == 0 || size > kMaxBuffer) return nullptr;
  return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[size_t(size)]);
}

// Sample i of a row, bits wide. libtiff has already brought 16-, 24-, 32-
// and 64-bit samples to host order; other widths are packed, high bits first.
uint64_t sampleAt(const uint8_t* row, size_t i, unsigned bits) {
  switch (bits) {
    case 8: return row[i];
    case 16: {
      uint16_t v;
      std::memcpy(&v, row + 2 * i, 2);
      return v;
    }
    case 24: {
      const uint8_t* p = row + 3 * i;
      if constexpr (std::endian::native == std::endian::little)
        return p[0] | (p[1] << 8) | (uint32_t(p[2]) << 16);
      else
        return (uint32_t(p[0]) << 16) | (p[1] << 8) | p[2];
    }
    case 32: {
      uint32_t v;
      std::memcpy(&v, row + 4 * i, 4);
      return v;
    }
    default: {
      uint64_t bit = uint64_t(i) * bits, v = 0;
      for (unsigned k = 0; k < bits; ++k, ++bit) v = (v << 1) | ((row[bit >> 3] >> (7 - (bit & 7))) & 1);
      return v;
    }
  }
}

// One byte per sample: small samples keep their value (palette indices),
// wide ones their 8 most significant bits.
uint8_t toByte(uint64_t v, unsigned bits) { return uint8_t(bits <= 8 ? v : v >> (bits - 8)); }

// Copies nbits from src (from bit 0) to dst starting at bit offset dstBit.
void copyBits(uint8_t* dst, uint64_t dstBit, const uint8_t* src, uint64_t nbits) {
  if ((dstBit & 7) == 0 && (nbits & 7) == 0) {
    std::memcpy(dst + (dstBit >> 3), src, size_t(nbits >> 3));
    return;
  }
  for (uint64_t k = 0; k < nbits; ++k, ++dstBit) {
    const int bit = (src[k >> 3] >> (7 - (k & 7))) & 1;
    uint8_t& d = dst[dstBit >> 3];
    const uint8_t mask = uint8_t(0x80 >> (dstBit & 7));
    d = bit ? uint8_t(d | mask) : uint8_t(d & ~mask);
  }
}

// CIELab (L, a, b as bytes; a and b signed) to an sRGB colour.
RGBQUAD labToColour(uint8_t lByte, uint8_t aByte, uint8_t bByte) {
  const double l = lByte, a = int8_t(aByte), b = int8_t(bByte);
  const double fy = (l / 2.55 + 16.0) / 116.0;
  const double fx = fy + a * 0.002, fz = fy - b * 0.005;
  const double x = fx * fx * fx * 0.95047, y = fy * fy * fy, z = fz * fz * fz * 1.0883;
  const double lin[3] = {3.240479 * x - 1.53715 * y - 0.498535 * z, -0.969256 * x + 1.875992 * y + 0.041556 * z,
                         0.055648 * x - 0.204043 * y + 1.057311 * z};
  uint8_t out[3];
  for (int c = 0; c < 3; ++c) {
    double v = lin[c];
    v = v > 0.00304 ? 1.055 * std::pow(v, 0.41667) - 0.055 : 12.92 * v;
    const double s = v * 255.0;
    out[c] = uint8_t(s <= 0 ? 0 : s >= 255 ? 255 : int(s));
  }
  return RGBQUAD{out[2], out[1], out[0], 0};
}

// Pulls whole file rows out of strips or tiles, in either planar layout,
// as contiguous rows of samples x bits x width bits.
class RowSource {
 public:
  RowSource(TIFF* tif, const TifPageInfo& page) : tif_(tif), page_(page) {}

  // Prepares the buffers; null on success.
  const char* Init() {
    const uint64_t width = page_.width;
    separate_ = page_.planar == PLANARCONFIG_SEPARATE && page_.samples > 1;
    planes_ = separate_ ? page_.samples : 1;
    planeBits_ = uint64_t(separate_ ? 1 : page_.samples) * page_.bits;
    rowBytes_ = (uint64_t(page_.samples) * page_.bits * width + 7) / 8;
    planeRowBytes_ = (planeBits_ * width + 7) / 8;
    if (page_.tiled) {
      if (page_.tileWidth == 0 || page_.tileLength == 0) return kCorruptedTile;
      band_ = page_.tileLength;
      tileRowBytes_ = (planeBits_ * page_.tileWidth + 7) / 8;
      const uint64_t tileBytes = std::max<uint64_t>(tileRowBytes_ * page_.tileLength, uint64_t(TIFFTileSize64(tif_)));
      tile_ = allocate(tileBytes);
      tileBytes_ = tileBytes;
      if (!tile_) return kNoMemory;
    } else {
      band_ = page_.rowsPerStrip ? page_.rowsPerStrip : page_.height;
    }
    band_ = std::min<uint32_t>(band_, page_.height);
    rows_ = allocate(rowBytes_ * band_);
    if (!rows_) return kNoMemory;
    if (separate_ || page_.tiled) {
      planeRows_ = allocate(planeRowBytes_ * band_);
      if (!planeRows_) return kNoMemory;
    }
    return nullptr;
  }

  uint32_t Band() const { return band_; }
  uint64_t RowBytes() const { return rowBytes_; }
  const uint8_t* Row(uint32_t i) const { return rows_.get() + rowBytes_ * i; }

  // Reads rows [first, first + count) (one strip or one row of tiles).
  // Returns the rows delivered: count, fewer for a short strip, 0 when the
  // strip is unreadable, -1 for an unreadable tile.
  long Read(uint32_t first, uint32_t count) { return page_.tiled ? ReadTiles(first, count) : ReadStrip(first, count); }

 private:
  long ReadStrip(uint32_t first, uint32_t count) {
    long delivered = count;
    for (uint32_t p = 0; p < planes_; ++p) {
      uint8_t* target = separate_ ? planeRows_.get() : rows_.get();
      const uint64_t lineBytes = separate_ ? planeRowBytes_ : rowBytes_;
      const uint64_t want = lineBytes * count;
      const tmsize_t got =
          TIFFReadEncodedStrip(tif_, TIFFComputeStrip(tif_, first, uint16_t(p)), target, tmsize_t(want));
      if (got <= 0) return 0;
      if (uint64_t(got) < want) {
        std::memset(target + got, 0, size_t(want - uint64_t(got)));
        delivered = std::min<long>(delivered, long((uint64_t(got) + lineBytes - 1) / lineBytes));
      }
      if (separate_) Interleave(p, count);
    }
    return delivered;
  }

  long ReadTiles(uint32_t first, uint32_t count) {
    for (uint32_t p = 0; p < planes_; ++p) {
      std::memset(planeRows_.get(), 0, size_t(planeRowBytes_ * count));
      const uint64_t rowBits = planeBits_ * page_.width;
      for (uint64_t x = 0; x < page_.width; x += page_.tileWidth) {
        const ttile_t tile = TIFFComputeTile(tif_, uint32_t(x), first, 0, uint16_t(p));
        if (TIFFReadEncodedTile(tif_, tile, tile_.get(), tmsize_t(tileBytes_)) < 0) return -1;
        // The tile's rows land at its place in each row, cut at the row end.
        const uint64_t startBit = x * planeBits_;
        const uint64_t bits = std::min<uint64_t>(planeBits_ * page_.tileWidth, rowBits - startBit);
        for (uint32_t r = 0; r < count && r < page_.tileLength; ++r)
          copyBits(planeRows_.get() + planeRowBytes_ * r, startBit, tile_.get() + tileRowBytes_ * r, bits);
      }
      if (separate_)
        Interleave(p, count);
      else
        std::memcpy(rows_.get(), planeRows_.get(), size_t(rowBytes_ * count));
    }
    return count;
  }

  // Places plane p's samples into the contiguous rows.
  void Interleave(uint32_t p, uint32_t count) {
    const unsigned bits = page_.bits;
    const uint64_t stepBits = uint64_t(page_.samples) * bits;
    for (uint32_t r = 0; r < count; ++r) {
      const uint8_t* src = planeRows_.get() + planeRowBytes_ * r;
      uint8_t* dst = rows_.get() + rowBytes_ * r;
      if (bits % 8 == 0) {
        const size_t bytes = bits / 8, step = size_t(stepBits / 8);
        for (uint32_t x = 0; x < page_.width; ++x) std::memcpy(dst + step * x + bytes * p, src + bytes * x, bytes);
      } else {
        for (uint32_t x = 0; x < page_.width; ++x) {
          uint8_t sample[8] = {};
          const uint64_t v = sampleAt(src, x, bits);
          for (unsigned k = 0; k < bits; ++k)
            if ((v >> (bits - 1 - k)) & 1) sample[k >> 3] |= uint8_t(0x80 >> (k & 7));
          copyBits(dst, stepBits * x + uint64_t(bits) * p, sample, bits);
        }
      }
    }
  }

  TIFF* tif_;
  const TifPageInfo& page_;
  bool separate_ = false;
  uint32_t planes_ = 1;
  uint64_t planeBits_ = 0, rowBytes_ = 0, planeRowBytes_ = 0, tileRowBytes_ = 0, tileBytes_ = 0;
  uint32_t band_ = 0;
  std::unique_ptr<uint8_t[]> rows_, planeRows_, tile_;
};

}  // namespace

const char* GbImageTIF::ReadOwn(TIFF* tif, const TifPageInfo& page) {
  const unsigned bits = page.bits, samples = page.samples;
  const uint32_t width = page.width, height = page.height;
  const bool floats = page.Floats();
  const bool rgb = samples >= 3 && page.photometric == PHOTOMETRIC_RGB;
  const bool cmyk = samples >= 4 && page.photometric == PHOTOMETRIC_SEPARATED;
  const bool lab = samples >= 3 && !rgb && !cmyk;
  const bool largePalette = !lab && page.photometric == PHOTOMETRIC_PALETTE && bits > 8;

  // ---- palette ----
  std::vector<RGBQUAD> lookup;  // large palettes: colours by index
  const unsigned n = std::min(bits, 8u);
  if (page.photometric == PHOTOMETRIC_PALETTE && page.colorMap[0]) {
    const uint32_t used = 1u << n;
    bool wide = largePalette;
    for (int c = 0; c < 3 && !wide; ++c)
      for (uint32_t i = 0; i < used; ++i)
        if (page.colorMap[c][i] > 255) {
          wide = true;
          break;
        }
    auto value = [&](int c, uint32_t i) {
      return uint8_t(wide ? page.colorMap[c][i] * 255u / 65535u : page.colorMap[c][i] & 0xFF);
    };
    if (largePalette) {
      try {
        lookup.resize(size_t(1) << bits);
      } catch (const std::bad_alloc&) {
        return kNoPalette;
      }
      for (size_t i = 0; i < lookup.size(); ++i)
        lookup[i] = RGBQUAD{value(2, uint32_t(i)), value(1, uint32_t(i)), value(0, uint32_t(i)), 0};
    } else {
      for (uint32_t i = 0; i < used; ++i) SetPaletteColor(i, value(0, i), value(1, i), value(2, i));
    }
  } else if (!lab) {
    // Greys; other interpretations without a palette of their own read as
    // min-is-black.
    const uint32_t entries = 1u << n;
    const uint32_t step = 255u / (entries - 1);
    for (uint32_t i = 0; i < entries; ++i) {
      const uint8_t g = uint8_t(i * step);
      const uint8_t v = page.photometric == PHOTOMETRIC_MINISWHITE ? uint8_t(255 - g) : g;
      SetPaletteColor(i, v, v, v);
    }
  }

  RowSource source(tif, page);
  if (const char* error = source.Init()) return error;

  // 16-bit samples are brought to bytes first. A stripped grey page gets one
  // power-of-two gain set by its largest sample; each row is first scaled
  // by its own largest high byte and evened out once all rows are in.
  const bool wide16 = bits == 16 && !largePalette && !floats;
  const bool gain16 = wide16 && samples == 1 && !page.tiled;
  std::unique_ptr<uint8_t[]> narrow;
  if (wide16 || floats) {
    narrow = allocate(uint64_t(width) * samples);
    if (!narrow) return kNoMemory;
  }
  std::vector<uint8_t> rowShift;
  if (gain16) rowShift.assign(height, 8);
  const unsigned sampleBits = wide16 || floats ? 8 : bits;
  const uint32_t depth = BitsPerPixel();
  const bool premultipliedGrey = samples == 2 && depth == 8 && sampleBits == 8 &&
                                 page.photometric == PHOTOMETRIC_MINISBLACK && page.alphaKind == EXTRASAMPLE_ASSOCALPHA;
  uint8_t* alpha = AlphaPlane();

  for (uint32_t first = 0; first < height; first += source.Band()) {
    if (Escape()) return kCancelled;
    SetProgress(long(uint64_t(first) * 100 / height));
    const uint32_t count = std::min(source.Band(), height - first);
    const long got = source.Read(first, count);
    if (got < 0) return kCorruptedTile;
    for (uint32_t i = 0; i < uint32_t(got); ++i) {
      const uint32_t y = height - 1 - (first + i);
      const uint8_t* src = source.Row(i);
      if (wide16) {
        uint8_t* out = narrow.get();
        const size_t total = size_t(width) * samples;
        if (gain16) {
          uint16_t top = 0;
          for (size_t k = 0; k < total; ++k) top = std::max<uint16_t>(top, uint16_t(sampleAt(src, k, 16) >> 8));
          const unsigned s = top == 0 ? 8 : unsigned(std::countl_zero(uint8_t(top)));
          for (size_t k = 0; k < total; ++k) out[k] = uint8_t(sampleAt(src, k, 16) >> (8 - s));
          rowShift[y] = uint8_t(s);
        } else {
          for (size_t k = 0; k < total; ++k) out[k] = uint8_t(sampleAt(src, k, 16) >> 8);
        }
        src = out;
      } else if (floats) {
        // 0.0 to 1.0 become 0 to 255; anything outside (or not a number) is clipped.
        uint8_t* out = narrow.get();
        const size_t total = size_t(width) * samples;
        for (size_t k = 0; k < total; ++k) {
          double v;
          if (bits == 32) {
            float f;
            std::memcpy(&f, src + 4 * k, 4);
            v = f;
          } else {
            std::memcpy(&v, src + 8 * k, 8);
          }
          out[k] = !(v > 0.0) ? 0 : v >= 1.0 ? 255 : uint8_t(v * 255.0 + 0.5);
        }
        src = out;
      }
      uint8_t* dst = RowBits(y);
      if (rgb || cmyk) {
        // Samples narrower than a byte stretch over 0..255, wider ones keep
        // their top 8 bits.
        const uint32_t top = sampleBits < 8 ? (1u << sampleBits) - 1 : 0;
        auto level = [&](size_t k) {
          const uint64_t v = sampleAt(src, k, sampleBits);
          return top ? uint8_t(v * 255 / top) : toByte(v, sampleBits);
        };
        const size_t alphaAt = cmyk ? 4 : 3;
        for (uint32_t x = 0; x < width; ++x) {
          const size_t k = size_t(x) * samples;
          uint8_t* p = dst + 3 * size_t(x);
          if (cmyk) {
            // Inks over white: each colour is what its ink and black leave.
            const uint32_t k4 = 255u - level(k + 3);
            p[0] = uint8_t((255u - level(k + 2)) * k4 / 255u);
            p[1] = uint8_t((255u - level(k + 1)) * k4 / 255u);
            p[2] = uint8_t((255u - level(k)) * k4 / 255u);
          } else {
            p[0] = level(k + 2);
            p[1] = level(k + 1);
            p[2] = level(k);
          }
          if (alpha && samples > alphaAt) alpha[size_t(y) * width + x] = level(k + alphaAt);
        }
      } else if (lab) {
        for (uint32_t x = 0; x < width; ++x) {
          const size_t k = size_t(x) * samples;
          const RGBQUAD c = labToColour(toByte(sampleAt(src, k, sampleBits), sampleBits),
                                        toByte(sampleAt(src, k + 1, sampleBits), sampleBits),
                                        toByte(sampleAt(src, k + 2, sampleBits), sampleBits));
          uint8_t* p = dst + 3 * size_t(x);
          p[0] = c.rgbBlue;
          p[1] = c.rgbGreen;
          p[2] = c.rgbRed;
          if (alpha && samples >= 4)
            alpha[size_t(y) * width + x] = toByte(sampleAt(src, k + 3, sampleBits), sampleBits);
        }
      } else if (largePalette) {
        for (uint32_t x = 0; x < width; ++x) {
          const uint64_t index = sampleAt(src, size_t(x) * samples, bits);
          const RGBQUAD c = index < lookup.size() ? lookup[size_t(index)] : RGBQUAD{};
          uint8_t* p = dst + 3 * size_t(x);
          p[0] = c.rgbBlue;
          p[1] = c.rgbGreen;
          p[2] = c.rgbRed;
        }
      } else if (samples == 1 && sampleBits == depth) {
        std::memcpy(dst, src, std::min<size_t>(RowStride(), size_t((uint64_t(width) * depth + 7) / 8)));
      } else {
        for (uint32_t x = 0; x < width; ++x) {
          const size_t k = size_t(x) * samples;
          WritePixelIndexUnchecked(x, y, toByte(sampleAt(src, k, sampleBits), sampleBits));
        }
        if (samples == 2) {
          if (!alpha) {
            if (!CreateAlpha()) return kNoMemory;
            alpha = AlphaPlane();
          }
          const uint32_t top = (1u << std::min(sampleBits, 8u)) - 1;
          for (uint32_t x = 0; x < width; ++x) {
            const uint8_t a = toByte(sampleAt(src, size_t(x) * 2 + 1, sampleBits), sampleBits);
            alpha[size_t(y) * width + x] = sampleBits >= 8 ? a : uint8_t(a * 255u / top);
          }
          // A grey stored premultiplied stands on its own next to the alpha plane.
          if (premultipliedGrey)
            for (uint32_t x = 0; x < width; ++x) {
              const uint32_t a = alpha[size_t(y) * width + x];
              if (a != 0 && a != 255) dst[x] = uint8_t(dst[x] >= a ? 255 : dst[x] * 255u / a);
            }
        }
      }
    }
    if (got < long(count)) break;  // a damaged strip ends the page; the rest stays black
  }

  if (gain16) {
    const unsigned least = *std::min_element(rowShift.begin(), rowShift.end());
    for (uint32_t y = 0; y < height; ++y) {
      const unsigned extra = rowShift[y] - least;
      if (extra == 0) continue;
      uint8_t* row = RowBits(y);
      for (uint32_t x = 0; x < width; ++x) row[x] = uint8_t(row[x] >> extra);
    }
  }
  return nullptr;
}
