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
#include "image/core/NearestColourMap.h"

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

// Which colour the image's one-colour nearest cache holds after a reduction.
// The reduction used to look colours up through a 4096-slot cache and left
// the image's cache on the last colour that missed it; that cache is part of
// the image's saved record (clipboard), so the same colour is still chosen.
class LastMissTracker {
 public:
  LastMissTracker() : keys_(kSlots, kEmpty) {}
  void See(uint8_t r, uint8_t g, uint8_t b) {
    const uint32_t key = uint32_t(b) | uint32_t(g) << 8 | uint32_t(r) << 16;
    uint32_t& slot = keys_[uint32_t(key * 2654435761u) >> 20];
    if (slot != key) {
      slot = key;
      last_ = key;
      missed_ = true;
    }
  }
  void Finish(GbImage& image) const {
    if (missed_) image.NearestPaletteIndex(RGBQUAD{uint8_t(last_), uint8_t(last_ >> 8), uint8_t(last_ >> 16), 0});
  }

 private:
  static constexpr size_t kSlots = 4096;
  static constexpr uint32_t kEmpty = 0xFFFFFFFFu;  // never a 24-bit key
  std::vector<uint32_t> keys_;
  uint32_t last_ = 0;
  bool missed_ = false;
};

// The exact nearest entry per colour through the inverse colour map.
class NearestIndex {
 public:
  explicit NearestIndex(GbImage& image) : image_(image), map_(image) {}
  uint8_t operator()(uint8_t r, uint8_t g, uint8_t b) {
    tracker_.See(r, g, b);
    return map_(r, g, b);
  }
  void Finish() { tracker_.Finish(image_); }

 private:
  GbImage& image_;
  gbimage::NearestColourMap map_;
  LastMissTracker tracker_;
};

uint8_t GreyOfQuad(const RGBQUAD& c) { return GbImage::GreyOf(c.rgbRed, c.rgbGreen, c.rgbBlue); }

}  // namespace

bool GbImage::ToGreyScale() {
  if (!block_) return false;
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
  if (BitsPerPixel() > target) return false;

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

bool GbImage::DecreaseBpp(uint32_t target, bool errorDiffusion, const RGBQUAD* palette, uint32_t coloursImportant) {
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
  if (info_.backgroundIndex >= 0) result.info_.backgroundIndex = result.NearestPaletteIndex(BackgroundColor());

  NearestIndex nearest(result);
  const RGBQUAD* outPal = result.Palette();
  const long width = Width(), height = Height();
  if (bpp == 24 && errorDiffusion) {
    // The same scan straight on the rows, with the pixels being worked on
    // held in registers: the current pixel (which has had every carry it
    // will get) and the three pixels below it, whose carries arrive in the
    // same order as pixel by pixel (below-right 1/16, below 4/16,
    // below-left 2/16), each clamped at once as before. Only the row below
    // is written back; the source is dropped at the end.
    struct Px {
      int b, g, r;
    };
    const auto add = [](Px v, int eb, int eg, int er) {
      return Px{std::clamp(v.b + eb, 0, 255), std::clamp(v.g + eg, 0, 255), std::clamp(v.r + er, 0, 255)};
    };
    for (long y = 0; y < height; ++y) {
      SetProgress(y * 100 / height);
      if (Escape()) break;
      const uint8_t* row = RowBits(uint32_t(y));
      uint8_t* next = y + 1 < height ? RowBits(uint32_t(y + 1)) : nullptr;
      uint8_t* indices = bits == 8 ? result.RowBits(uint32_t(y)) : nullptr;
      const auto load = [](const uint8_t* q) { return Px{q[0], q[1], q[2]}; };
      const auto store = [](uint8_t* q, Px v) {
        q[0] = uint8_t(v.b);
        q[1] = uint8_t(v.g);
        q[2] = uint8_t(v.r);
      };
      Px cur = load(row);
      Px left{}, below{}, right{};  // the row below at x - 1, x, x + 1
      if (next) {
        below = load(next);
        if (width > 1) right = load(next + 3);
      }
      for (long x = 0; x < width; ++x) {
        const uint8_t index = nearest(uint8_t(cur.r), uint8_t(cur.g), uint8_t(cur.b));
        if (indices)
          indices[x] = index;
        else
          result.WritePixelIndexUnchecked(x, y, index);
        const RGBQUAD& q = outPal[index];
        const int eb = cur.b - q.rgbBlue, eg = cur.g - q.rgbGreen, er = cur.r - q.rgbRed;
        const bool last = x + 1 == width;
        if (!last) cur = load(row + 3 * (x + 1));
        if (er || eg || eb) {
          if (!last) cur = add(cur, eb * 7 / 16, eg * 7 / 16, er * 7 / 16);
          if (next) {
            if (x > 0) left = add(left, eb * 2 / 16, eg * 2 / 16, er * 2 / 16);
            below = add(below, eb * 4 / 16, eg * 4 / 16, er * 4 / 16);
            if (!last) right = add(right, eb / 16, eg / 16, er / 16);
          }
        }
        if (next) {
          if (x > 0) store(next + 3 * (x - 1), left);
          left = below;
          below = right;
          if (x + 2 < width) right = load(next + 3 * (x + 2));
        }
      }
      if (next) store(next + 3 * (width - 1), left);
    }
    nearest.Finish();
    return TakeOver(result, false);
  }
  if (bpp == 24) {
    for (long y = 0; y < height; ++y) {
      SetProgress(y * 100 / height);
      if (Escape()) break;
      const uint8_t* row = RowBits(uint32_t(y));
      uint8_t* indices = bits == 8 ? result.RowBits(uint32_t(y)) : nullptr;
      for (long x = 0; x < width; ++x) {
        const uint8_t* p = row + 3 * x;
        const uint8_t index = nearest(p[2], p[1], p[0]);
        if (indices)
          indices[x] = index;
        else
          result.WritePixelIndexUnchecked(x, y, index);
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
      const uint8_t index = nearest(c.rgbRed, c.rgbGreen, c.rgbBlue);
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
