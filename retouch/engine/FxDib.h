// FxDib: the effects engine's image, a DIB section the drawing layer can show
// directly. Rows are indexed from the top: RowTable()[0] is the top row even
// though the section stores the bottom row first.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "platform/WinTypes.h"
#include "platform/gdi/Gdi.h"

// Progress of a running effect in percent. Effects write it with atomic
// exchanges so that another thread may read it while they run.
using ProgressSink = std::atomic<int32_t>;

// The image's header: the 40-byte information header followed by the three
// colour masks. Its size field says 108; copies handed to the drawing layer
// say 40.
struct FxDibHeader {
  BITMAPINFOHEADER info{};
  DWORD redMask = 0;
  DWORD greenMask = 0;
  DWORD blueMask = 0;
};

constexpr DWORD FXDIB_HEADER_SIZE = 108;

class FxDib {
 public:
  FxDib() = default;
  virtual ~FxDib();
  FxDib(const FxDib&) = delete;
  FxDib& operator=(const FxDib&) = delete;

  // Replaces the pixels by a new all-black section. A width, height or depth
  // of 0 takes the display's. masks (red, green, blue) may be null. Images of
  // 8 bits or less get 2^bits palette entries, a grey ramp when asked.
  // Returns 1 on success, 0 on failure (the image is then empty).
  int CreateSection(int width, int height, int bitsPerPixel, uint32_t compression = BI_RGB,
                    const uint32_t* masks = nullptr, bool fillPalette = false);
  // Takes a bitmap's pixels at the asked depth. 1 on success, 0 on failure.
  int LoadFromBitmap(HBITMAP bitmap, int bitsPerPixel);
  // A new device bitmap holding the pixels; the caller owns it. Null when
  // the image is empty or the bitmap can't be made.
  HBITMAP MakeDeviceBitmap(HDC dc = nullptr) const;
  // Becomes a deep copy of other; copying oneself or an empty image does
  // nothing.
  void Duplicate(const FxDib& other);
  // Re-creates the image at 24 or 32 bits.
  void ConvertDepth(int bits);
  // Nearest-pixel resize (whole rows and columns dropped or repeated).
  void StretchTo(int width, int height, bool keepAspect);
  // Frees the section; the image becomes empty.
  void Release();
  // Exchanges pixels, header and palette with other (progress stays).
  void SwapPixels(FxDib& other);

  bool IsEmpty() const { return section_ == nullptr; }
  int Width() const { return header_.info.biWidth; }
  int Height() const { return header_.info.biHeight; }
  int BitsPerPixel() const { return header_.info.biBitCount; }
  uint32_t Stride() const { return stride_; }
  const FxDibHeader& Header() const { return header_; }
  // First byte of the pixel memory: the bottom row.
  uint8_t* Bits() const { return bits_; }
  // Row pointers from the top; Height() entries.
  uint8_t* const* RowTable() const { return rows_.data(); }
  uint8_t* Row(int y) const { return rows_[size_t(y)]; }
  // Colour table of an image of 8 bits or less (2^bits entries), else null.
  // After writing entries, call PaletteChanged so the section shows them.
  RGBQUAD* Palette() { return palette_.empty() ? nullptr : palette_.data(); }
  const RGBQUAD* Palette() const { return palette_.empty() ? nullptr : palette_.data(); }
  int PaletteSize() const { return int(palette_.size()); }
  void PaletteChanged();
  // The section itself; it belongs to the image and dies at the next
  // re-creation.
  HBITMAP Section() const { return section_; }

  // The image's own progress counter, the sink callers normally pass.
  ProgressSink& Progress() { return progress_; }

  static uint32_t StrideFor(int width, int bitsPerPixel) {
    return uint32_t(((uint64_t(uint32_t(width)) * uint32_t(bitsPerPixel) + 31) / 32) * 4);
  }

 protected:
  static void Report(ProgressSink& sink, int32_t percent) { sink.exchange(percent); }
  // Copies palette entries from other (as many as both have).
  void CopyPaletteFrom(const FxDib& other);
  // The header as the drawing layer takes it: 40-byte size, then the masks
  // (bit fields) or the colour table.
  void FillInfo(BITMAPINFO& info) const;

  FxDibHeader header_{};
  HBITMAP section_ = nullptr;
  uint8_t* bits_ = nullptr;
  uint32_t stride_ = 0;
  std::vector<uint8_t*> rows_;
  std::vector<RGBQUAD> palette_;
  ProgressSink progress_{0};
};
