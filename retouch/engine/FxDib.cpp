// FxDib: creating, loading, copying, converting and stretching the effects
// engine's DIB sections.
#include "retouch/engine/FxDib.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "retouch/engine/FxSelect.h"

using fx::AsObject;
using fx::SelectedBitmap;

namespace {

// Largest pixel area a section may take; far above any picture the program
// handles, low enough that the size arithmetic stays in range.
constexpr uint64_t kMaxSectionBytes = uint64_t(1) << 30;

bool ValidDepth(int bpp) { return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32; }

int DisplayCaps(int index) {
  HDC screen = GetDC(nullptr);
  const int value = GetDeviceCaps(screen, index);
  ReleaseDC(nullptr, screen);
  return value;
}

uint8_t Expand5(uint32_t v) { return uint8_t((v << 3) | (v >> 2)); }
uint8_t Expand6(uint32_t v) { return uint8_t((v << 2) | (v >> 4)); }

}  // namespace

FxDib::~FxDib() { Release(); }

void FxDib::Release() {
  if (section_) DeleteObject(AsObject(section_));
  section_ = nullptr;
  bits_ = nullptr;
  stride_ = 0;
  rows_.clear();
  palette_.clear();
  header_ = FxDibHeader{};
}

void FxDib::SwapPixels(FxDib& other) {
  std::swap(header_, other.header_);
  std::swap(section_, other.section_);
  std::swap(bits_, other.bits_);
  std::swap(stride_, other.stride_);
  std::swap(rows_, other.rows_);
  std::swap(palette_, other.palette_);
}

void FxDib::FillInfo(BITMAPINFO& info) const {
  info = BITMAPINFO{};
  info.bmiHeader = header_.info;
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  if (header_.info.biCompression == BI_BITFIELDS) {
    const DWORD masks[3] = {header_.redMask, header_.greenMask, header_.blueMask};
    std::memcpy(info.bmiColors, masks, sizeof masks);
  } else if (!palette_.empty()) {
    std::copy(palette_.begin(), palette_.end(), info.bmiColors);
  }
}

int FxDib::CreateSection(int width, int height, int bitsPerPixel, uint32_t compression, const uint32_t* masks,
                         bool fillPalette) {
  Release();
  if (width == 0) width = DisplayCaps(HORZRES);
  if (height == 0) height = DisplayCaps(VERTRES);
  if (bitsPerPixel == 0) bitsPerPixel = DisplayCaps(BITSPIXEL);
  if (width <= 0 || height <= 0 || !ValidDepth(bitsPerPixel)) return 0;
  if (compression != BI_RGB && !(compression == BI_BITFIELDS && (bitsPerPixel == 16 || bitsPerPixel == 32))) return 0;
  const uint32_t stride = StrideFor(width, bitsPerPixel);
  if (stride == 0 || uint64_t(stride) * uint64_t(height) > kMaxSectionBytes) return 0;

  FxDibHeader h;
  h.info.biSize = FXDIB_HEADER_SIZE;
  h.info.biWidth = width;
  h.info.biHeight = height;
  h.info.biPlanes = 1;
  h.info.biBitCount = WORD(bitsPerPixel);
  h.info.biCompression = compression;
  h.info.biSizeImage = stride * uint32_t(height);
  if (masks) {
    h.redMask = masks[0];
    h.greenMask = masks[1];
    h.blueMask = masks[2];
  }
  std::vector<RGBQUAD> palette;
  if (bitsPerPixel <= 8) {
    const int n = 1 << bitsPerPixel;
    h.info.biClrUsed = DWORD(n);
    palette.assign(size_t(n), RGBQUAD{});
    if (fillPalette) {
      const int step = 255 / (n - 1);
      for (int i = 0; i < n; ++i) {
        const BYTE v = BYTE(i * step);
        palette[size_t(i)] = RGBQUAD{v, v, v, 0};
      }
    }
  }
  header_ = h;
  palette_ = std::move(palette);

  BITMAPINFO info;
  FillInfo(info);
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits);
  if (!section || !bits) {
    if (section) DeleteObject(AsObject(section));
    Release();
    return 0;
  }
  // The drawing layer hands out sections already zeroed: all black.
  section_ = section;
  bits_ = static_cast<uint8_t*>(bits);
  stride_ = stride;
  rows_.resize(size_t(height));
  // Rows are stored bottom-up; the table reads them from the top.
  for (int y = 0; y < height; ++y) rows_[size_t(y)] = bits_ + size_t(height - 1 - y) * stride;
  return 1;
}

void FxDib::PaletteChanged() {
  if (!section_ || palette_.empty()) return;
  SelectedBitmap sel(section_);
  if (sel.ok()) SetDIBColorTable(sel.dc(), 0, UINT(palette_.size()), palette_.data());
}

void FxDib::CopyPaletteFrom(const FxDib& other) {
  const size_t n = std::min(palette_.size(), other.palette_.size());
  if (n == 0) return;
  std::copy_n(other.palette_.begin(), n, palette_.begin());
  PaletteChanged();
}

int FxDib::LoadFromBitmap(HBITMAP bitmap, int bitsPerPixel) {
  if (!bitmap) return 0;
  BITMAP bm;
  if (GetObject(AsObject(bitmap), sizeof bm, &bm) == 0) return 0;
  if (bm.bmWidth <= 0 || bm.bmHeight <= 0) return 0;
  if (!CreateSection(bm.bmWidth, bm.bmHeight, bitsPerPixel)) return 0;
  BITMAPINFO info;
  FillInfo(info);
  HDC screen = GetDC(nullptr);
  const int lines = GetDIBits(screen, bitmap, 0, UINT(Height()), bits_, &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  if (lines == 0) {
    Release();
    return 0;
  }
  if (!palette_.empty()) {
    std::copy_n(info.bmiColors, palette_.size(), palette_.begin());
    PaletteChanged();
  }
  return 1;
}

HBITMAP FxDib::MakeDeviceBitmap(HDC dc) const {
  if (IsEmpty()) return nullptr;
  BITMAPINFO info;
  FillInfo(info);
  HDC screen = dc ? nullptr : GetDC(nullptr);
  HBITMAP out = CreateDIBitmap(dc ? dc : screen, &info.bmiHeader, CBM_INIT, bits_, &info, DIB_RGB_COLORS);
  if (screen) ReleaseDC(nullptr, screen);
  return out;
}

void FxDib::Duplicate(const FxDib& other) {
  if (&other == this || other.IsEmpty()) return;
  const uint32_t masks[3] = {other.header_.redMask, other.header_.greenMask, other.header_.blueMask};
  if (!CreateSection(other.Width(), other.Height(), other.BitsPerPixel(), other.header_.info.biCompression, masks,
                     false))
    return;
  std::memcpy(bits_, other.bits_, size_t(stride_) * size_t(Height()));
  header_.info.biXPelsPerMeter = other.header_.info.biXPelsPerMeter;
  header_.info.biYPelsPerMeter = other.header_.info.biYPelsPerMeter;
  CopyPaletteFrom(other);
}

void FxDib::ConvertDepth(int bits) {
  if (IsEmpty() || (bits != 24 && bits != 32) || bits == BitsPerPixel()) return;
  FxDib src;
  SwapPixels(src);
  if (!CreateSection(src.Width(), src.Height(), bits)) {
    SwapPixels(src);  // out of memory: keep the picture rather than lose it
    return;
  }
  const int w = Width(), h = Height();
  const int outBytes = bits / 8;
  const int inBpp = src.BitsPerPixel();
  const RGBQUAD* pal = src.Palette();
  const bool is565 = inBpp == 16 && src.header_.info.biCompression == BI_BITFIELDS && src.header_.greenMask == 0x07E0;
  for (int y = 0; y < h; ++y) {
    const uint8_t* in = src.Row(y);
    uint8_t* out = Row(y);
    for (int x = 0; x < w; ++x, out += outBytes) {
      uint8_t b, g, r;
      switch (inBpp) {
        case 1:
        case 4:
        case 8: {
          const int perByte = 8 / inBpp;
          const int shift = (perByte - 1 - x % perByte) * inBpp;
          const uint32_t index = (uint32_t(in[x / perByte]) >> shift) & ((1u << inBpp) - 1);
          b = pal[index].rgbBlue;
          g = pal[index].rgbGreen;
          r = pal[index].rgbRed;
          break;
        }
        case 16: {
          const uint32_t word = uint32_t(in[2 * x]) | (uint32_t(in[2 * x + 1]) << 8);
          if (is565) {
            r = Expand5((word >> 11) & 31);
            g = Expand6((word >> 5) & 63);
          } else {
            r = Expand5((word >> 10) & 31);
            g = Expand5((word >> 5) & 31);
          }
          b = Expand5(word & 31);
          break;
        }
        default: {
          const uint8_t* p = in + size_t(x) * size_t(inBpp / 8);
          b = p[0];
          g = p[1];
          r = p[2];
          break;
        }
      }
      out[0] = b;
      out[1] = g;
      out[2] = r;
    }
  }
}

void FxDib::StretchTo(int width, int height, bool keepAspect) {
  if (IsEmpty() || width <= 0 || height <= 0) return;
  const int64_t ow = Width(), oh = Height();
  int64_t nw = width, nh = height;
  if (keepAspect) {
    // The smaller factor wins; its side comes out at exactly the asked size
    // and the other is truncated. Integer cross products keep floating
    // rounding from making a side one pixel short.
    if (int64_t(width) * oh <= int64_t(height) * ow) {
      nh = oh * width / ow;
    } else {
      nw = ow * height / oh;
    }
    nw = std::max<int64_t>(nw, 1);
    nh = std::max<int64_t>(nh, 1);
  }
  FxDib src;
  SwapPixels(src);
  const uint32_t masks[3] = {src.header_.redMask, src.header_.greenMask, src.header_.blueMask};
  if (!CreateSection(int(nw), int(nh), src.BitsPerPixel(), src.header_.info.biCompression, masks, false)) {
    SwapPixels(src);  // too large or out of memory: keep the picture
    return;
  }
  CopyPaletteFrom(src);
  SelectedBitmap from(src.section_);
  SelectedBitmap to(section_);
  if (!from.ok() || !to.ok()) return;
  SetStretchBltMode(to.dc(), COLORONCOLOR);
  StretchBlt(to.dc(), 0, 0, int(nw), int(nh), from.dc(), 0, 0, int(ow), int(oh), SRCCOPY);
}
