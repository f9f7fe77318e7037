// Colour depth conversion of GbImage: to 8-bit grey, up to 4/8/24 bits
// without loss, and down to 1/4/8 bits through a palette with optional error
// diffusion. Each builds the result in a temporary image and takes it over;
// the alpha and selection planes come along unchanged.
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "image/core/GbImage.h"

namespace {

// A result image that keeps this image's settings (resolution, key, codec
// options ...). The header's resolution is refreshed from the record.
bool MakeResult(const GbImage& from, GbImage& result, uint32_t bpp) {
  result.CopySettingsFrom(from);
  result.Info().numLayers = 0;  // layers are not carried
  if (!result.Create(from.Width(), from.Height(), bpp, from.FileType())) return false;
  result.SetDpiX(from.DpiX());
  result.SetDpiY(from.DpiY());
  result.Fill(0);  // rows left undone by an escape stay defined
  return true;
}

// Carries both planes; false when a plane exists but could not be copied.
bool CarryPlanes(const GbImage& from, GbImage& to) {
  if (from.HasSelection() && !to.CopySelectionFrom(from)) return false;
  if (from.HasAlpha() && !to.CopyAlphaFrom(from)) return false;
  return true;
}

// Nearest palette index per colour, remembered for many colours at once
// (the image's own cache holds one). A miss searches only the entries that
// can be nearest to some colour of its 16 x 16 x 16 cell of the colour cube:
// those no farther from the cell than the bound that the best single entry
// guarantees for all of the cell. Candidates stay in index order, so the
// answer is the full scan's: the least squared distance, the lowest index
// among equals.
class NearestIndexCache {
 public:
  explicit NearestIndexCache(GbImage& image)
      : image_(image), keys_(kSlots, kEmpty), values_(kSlots), cells_(kCells), built_(kCells, false) {
    const RGBQUAD* pal = image.Palette();
    uint32_t n = image.ColorsImportant() ? image.ColorsImportant() : image.PaletteEntryCount();
    if (n > image.PaletteEntryCount()) n = image.PaletteEntryCount();
    if (pal)
      for (uint32_t i = 0; i < n; ++i) entries_.push_back({pal[i].rgbRed, pal[i].rgbGreen, pal[i].rgbBlue});
  }

  uint8_t operator()(RGBQUAD c) {
    const uint32_t key = uint32_t(c.rgbBlue) | uint32_t(c.rgbGreen) << 8 | uint32_t(c.rgbRed) << 16;
    const size_t slot = uint32_t(key * 2654435761u) >> 20;
    if (keys_[slot] != key) {
      keys_[slot] = key;
      values_[slot] = Search(c.rgbRed, c.rgbGreen, c.rgbBlue);
      lastMiss_ = RGBQUAD{c.rgbBlue, c.rgbGreen, c.rgbRed, 0};
      missed_ = true;
    }
    return values_[slot];
  }

  // Leaves the image's own one-colour cache as the full scan would have.
  void Finish() {
    if (missed_) image_.NearestPaletteIndex(lastMiss_);
  }

 private:
  struct Entry {
    int red, green, blue;
  };
  static constexpr int kShift = 4, kSide = 1 << kShift, kCells = 16 * 16 * 16;

  // Squared distance from v to the span [lo, lo + kSide - 1], nearest and farthest.
  static long Near(int v, int lo) {
    const long d = v < lo ? lo - v : v > lo + kSide - 1 ? v - (lo + kSide - 1) : 0;
    return d * d;
  }
  static long Far(int v, int lo) {
    const long d = std::max(std::abs(v - lo), std::abs(v - (lo + kSide - 1)));
    return d * d;
  }

  const std::vector<uint8_t>& Candidates(int cell) {
    if (built_[cell]) return cells_[cell];
    const int r0 = (cell >> 8) << kShift, g0 = ((cell >> 4) & 15) << kShift, b0 = (cell & 15) << kShift;
    long bound = LONG_MAX;
    for (const Entry& e : entries_)
      bound = std::min(bound, Far(e.red, r0) + Far(e.green, g0) + Far(e.blue, b0));
    std::vector<uint8_t>& list = cells_[cell];
    for (size_t i = 0; i < entries_.size(); ++i) {
      const Entry& e = entries_[i];
      if (Near(e.red, r0) + Near(e.green, g0) + Near(e.blue, b0) <= bound) list.push_back(uint8_t(i));
    }
    built_[cell] = true;
    return list;
  }

  uint8_t Search(int r, int g, int b) {
    if (entries_.empty()) return 0;
    const int cell = (r >> kShift) << 8 | (g >> kShift) << 4 | (b >> kShift);
    long best = LONG_MAX;
    uint8_t found = 0;
    for (uint8_t i : Candidates(cell)) {
      const Entry& e = entries_[i];
      const long dr = e.red - r, dg = e.green - g, db = e.blue - b;
      const long d = dr * dr + dg * dg + db * db;
      if (d < best) best = d, found = i;
    }
    return found;
  }

  static constexpr size_t kSlots = 4096;
  static constexpr uint32_t kEmpty = 0xFFFFFFFFu;  // never a 24-bit key
  GbImage& image_;
  std::vector<uint32_t> keys_;
  std::vector<uint8_t> values_;
  std::vector<Entry> entries_;
  std::vector<std::vector<uint8_t>> cells_;
  std::vector<bool> built_;
  RGBQUAD lastMiss_{};
  bool missed_ = false;
};

uint8_t GreyOfQuad(const RGBQUAD& c) { return GbImage::GreyOf(c.rgbRed, c.rgbGreen, c.rgbBlue); }

}  // namespace

bool GbImage::ToGreyScale() {
  if (!block_ || viewOf_) return false;
  const long width = Width(), height = Height();

  if (BitsPerPixel() == 24) {
    GbImage grey(FileType());
    if (!MakeResult(*this, grey, 8)) return false;
    grey.SetGreyPalette();
    if (!CarryPlanes(*this, grey)) return false;
    // A colour key follows its colour onto the grey ramp.
    if (info_.backgroundIndex >= 0) grey.info_.backgroundIndex = GreyOfQuad(info_.backgroundColor);
    for (long y = 0; y < height; ++y) {
      SetProgress(y * 100 / height);
      const uint8_t* src = RowBits(uint32_t(y));
      uint8_t* dst = grey.RowBits(uint32_t(y));
      for (long x = 0; x < width; ++x, src += 3) dst[x] = GreyOf(src[2], src[1], src[0]);
    }
    return TakeOver(grey, false);
  }

  // Palette images: grey value of every entry. The palette itself is only
  // replaced once the conversion can no longer fail.
  const RGBQUAD* pal = Palette();
  const uint32_t entries = PaletteEntryCount();
  uint8_t lut[256] = {};
  for (uint32_t i = 0; i < entries; ++i) lut[i] = GreyOfQuad(pal[i]);
  const long key = info_.backgroundIndex;
  const long newKey = key >= 0 && key < long(entries) ? long(lut[key]) : key;

  if (BitsPerPixel() == 8) {
    uint8_t* bits = RowBits(0);
    const size_t size = size_t(RowStride()) * Height();
    for (size_t i = 0; i < size; ++i) bits[i] = lut[bits[i]];
    SetGreyPalette();
    SetColorsImportant(0);  // the old count described the old palette
    info_.backgroundIndex = int32_t(newKey);
    return true;
  }

  GbImage grey(FileType());
  if (!MakeResult(*this, grey, 8)) return false;
  grey.SetGreyPalette();
  if (!CarryPlanes(*this, grey)) return false;
  grey.info_.backgroundIndex = int32_t(newKey);
  for (long y = 0; y < height; ++y) {
    SetProgress(y * 100 / height);
    uint8_t* dst = grey.RowBits(uint32_t(y));
    for (long x = 0; x < width; ++x) dst[x] = lut[ReadPixelIndexUnchecked(x, y)];
  }
  return TakeOver(grey, false);
}

bool GbImage::RaiseBpp(uint32_t target) {
  if (!block_ || (target != 4 && target != 8 && target != 24)) return false;
  if (BitsPerPixel() == target) return true;
  if (BitsPerPixel() > target || viewOf_) return false;

  GbImage result(FileType());
  if (!MakeResult(*this, result, target)) {
    SetLastError(result.LastError());
    return false;
  }
  if (!CarryPlanes(*this, result)) return false;
  const long width = Width(), height = Height();
  const RGBQUAD* pal = Palette();

  if (target != 24) {
    result.SetPalette(pal, PaletteEntryCount());
    for (long y = 0; y < height; ++y) {
      SetProgress(y * 100 / height);
      if (Escape()) break;
      for (long x = 0; x < width; ++x) result.WritePixelIndexUnchecked(x, y, ReadPixelIndexUnchecked(x, y));
    }
    return TakeOver(result, false);
  }

  if (info_.backgroundIndex >= 0) {
    result.SetBackgroundColor(PaletteColor(uint32_t(info_.backgroundIndex)));
    result.SetBackgroundIndex(0);  // at 24 bits the key is the colour
  }
  // Palette alpha becomes plane alpha.
  const bool paletteAlpha = !alpha_ && PaletteHasAlpha();
  if (paletteAlpha && !result.CreateAlpha()) return false;
  for (long y = 0; y < height; ++y) {
    SetProgress(y * 100 / height);
    if (Escape()) break;
    uint8_t* dst = result.RowBits(uint32_t(y));
    uint8_t* alphaRow = paletteAlpha ? result.AlphaPointer(0, y) : nullptr;
    for (long x = 0; x < width; ++x, dst += 3) {
      const RGBQUAD& c = pal[ReadPixelIndexUnchecked(x, y)];
      dst[0] = c.rgbBlue;
      dst[1] = c.rgbGreen;
      dst[2] = c.rgbRed;
      if (alphaRow) alphaRow[x] = c.rgbReserved;
    }
  }
  return TakeOver(result, false);
}

bool GbImage::DecreaseBpp(uint32_t target, bool errorDiffusion, const RGBQUAD* palette,
                          uint32_t coloursImportant) {
  if (!block_) return false;
  const uint32_t bpp = BitsPerPixel();
  if (target > bpp) {
    SetLastError("DecreaseBpp: target BPP greater than source BPP");
    return false;
  }
  const uint32_t bits = NormaliseBpp(target);
  // 24 to 24 bits has no palette to reduce to: the pixels stay as they are.
  if (bits == 24) return true;
  if (bits == bpp) {
    const uint32_t current = ColorsImportant();
    if (coloursImportant == 0 || (current != 0 && current < coloursImportant)) return true;
  }
  if (viewOf_) return false;

  GbImage result(FileType());
  if (!MakeResult(*this, result, bits)) {
    SetLastError(result.LastError());
    return false;
  }
  if (coloursImportant) result.SetColorsImportant(coloursImportant);
  if (!CarryPlanes(*this, result)) return false;
  if (!palette)
    result.SetStandardPalette();
  else
    // 2^target entries: a 2-bit request reads four colours, not the sixteen
    // of the 4-bit picture that stores it.
    result.SetPalette(palette, coloursImportant ? coloursImportant : 1u << std::min<uint32_t>(target, 8));
  // The colour key keeps pointing at its colour in the new palette.
  if (info_.backgroundIndex >= 0)
    result.info_.backgroundIndex = result.NearestPaletteIndex(BackgroundColor());

  NearestIndexCache nearest(result);
  const RGBQUAD* outPal = result.Palette();
  const long width = Width(), height = Height();
  if (bpp == 24) {
    // The same scan straight on the rows: blue, green, red per pixel.
    const auto carry = [](uint8_t* p, int eb, int eg, int er, int weight) {
      p[0] = uint8_t(std::clamp(p[0] + eb * weight / 16, 0, 255));
      p[1] = uint8_t(std::clamp(p[1] + eg * weight / 16, 0, 255));
      p[2] = uint8_t(std::clamp(p[2] + er * weight / 16, 0, 255));
    };
    for (long y = 0; y < height; ++y) {
      SetProgress(y * 100 / height);
      if (Escape()) break;
      uint8_t* row = RowBits(uint32_t(y));
      uint8_t* next = y + 1 < height ? RowBits(uint32_t(y + 1)) : nullptr;
      uint8_t* indices = bits == 8 ? result.RowBits(uint32_t(y)) : nullptr;
      for (long x = 0; x < width; ++x) {
        uint8_t* p = row + 3 * x;
        const uint8_t index = nearest(RGBQUAD{p[0], p[1], p[2], 0});
        if (indices)
          indices[x] = index;
        else
          result.WritePixelIndexUnchecked(x, y, index);
        if (!errorDiffusion) continue;
        const RGBQUAD& q = outPal[index];
        const int eb = int(p[0]) - q.rgbBlue, eg = int(p[1]) - q.rgbGreen, er = int(p[2]) - q.rgbRed;
        if (!er && !eg && !eb) continue;
        if (x + 1 < width) carry(p + 3, eb, eg, er, 7);
        if (next) {
          if (x > 0) carry(next + 3 * (x - 1), eb, eg, er, 2);
          carry(next + 3 * x, eb, eg, er, 4);
          if (x + 1 < width) carry(next + 3 * (x + 1), eb, eg, er, 1);
        }
      }
    }
    nearest.Finish();
    return TakeOver(result, false);
  }
  for (long y = 0; y < height; ++y) {
    SetProgress(y * 100 / height);
    if (Escape()) break;
    for (long x = 0; x < width; ++x) {
      const RGBQUAD c = ReadPixelColorUnchecked(x, y, true);
      const uint8_t index = nearest(c);
      result.WritePixelIndexUnchecked(x, y, index);
      if (!errorDiffusion) continue;
      const RGBQUAD& q = outPal[index];
      const int er = int(c.rgbRed) - q.rgbRed;
      const int eg = int(c.rgbGreen) - q.rgbGreen;
      const int eb = int(c.rgbBlue) - q.rgbBlue;
      if (!er && !eg && !eb) continue;
      // Later pixels of the source carry the error; the source is scanned
      // bottom row first, so y + 1 is the next row.
      auto spread = [&](long nx, long ny, int weight) {
        if (!Contains(nx, ny)) return;
        RGBQUAD n = ReadPixelColor(nx, ny, true);
        n.rgbRed = uint8_t(std::clamp(n.rgbRed + er * weight / 16, 0, 255));
        n.rgbGreen = uint8_t(std::clamp(n.rgbGreen + eg * weight / 16, 0, 255));
        n.rgbBlue = uint8_t(std::clamp(n.rgbBlue + eb * weight / 16, 0, 255));
        WritePixelColor(nx, ny, n, false);
      };
      spread(x + 1, y, 7);
      spread(x - 1, y + 1, 2);
      spread(x, y + 1, 4);
      spread(x + 1, y + 1, 1);
    }
  }
  nearest.Finish();
  return TakeOver(result, false);
}
