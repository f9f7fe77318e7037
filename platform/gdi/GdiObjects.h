// The objects behind the stand-in's handles. Drawing code outside the
// stand-in uses the handles and the functions of Gdi.h; this header is for
// the stand-in's own parts (the raster part and the text part).
#pragma once
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/DibView.h"
#include "platform/gdi/GdiTypes.h"

struct GdiObject {
  enum class Kind { Bitmap, Font, Brush, Region, Palette };
  explicit GdiObject(Kind k) : kind(k) {}
  virtual ~GdiObject() = default;
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  Kind kind;
  bool stock = false;  // stock objects are never deleted
  int selections = 0;  // contexts holding it; a selected object is not deleted
};

// A bitmap is a packed DIB the handle owns: a 40-byte header, the three
// masks for bit-field layouts, the colour table (full size for 1, 4 and 8
// bits) and the pixel rows. The pixel address never changes.
struct GdiBitmap : GdiObject {
  GdiBitmap() : GdiObject(Kind::Bitmap) {}
  std::unique_ptr<uint8_t[]> block;
  size_t blockSize = 0;
  size_t colourOffset = 0;  // from the block start
  size_t pixelOffset = 0;
  int colourCount = 0;  // a bitmap lives in one memory context at a time

  BITMAPINFOHEADER& Header() const { return *reinterpret_cast<BITMAPINFOHEADER*>(block.get()); }
  RGBQUAD* Colours() const { return colourCount ? reinterpret_cast<RGBQUAD*>(block.get() + colourOffset) : nullptr; }
  uint8_t* Bits() const { return block.get() + pixelOffset; }
  int Width() const { return Header().biWidth; }
  int Height() const { return Header().biHeight < 0 ? -Header().biHeight : Header().biHeight; }
  int Bpp() const { return Header().biBitCount; }
  size_t Stride() const { return gdi::DibStride(Width(), Bpp()); }
  gdi::DibView View() const;
};

struct GdiFont : GdiObject {
  GdiFont() : GdiObject(Kind::Font) {}
  GdiFontDesc desc;
};

struct GdiBrush : GdiObject {
  GdiBrush() : GdiObject(Kind::Brush) {}
  COLORREF colour = 0;
  bool hollow = false;
};

// A region: horizontal bands, top to bottom, each with sorted, disjoint,
// non-touching spans [left, right). Neighbouring bands never have equal spans.
struct GdiRegion : GdiObject {
  GdiRegion() : GdiObject(Kind::Region) {}
  struct Band {
    LONG top = 0, bottom = 0;
    std::vector<std::pair<LONG, LONG>> spans;
  };
  std::vector<Band> bands;
};

struct GdiPalette : GdiObject {
  GdiPalette() : GdiObject(Kind::Palette) {}
  std::vector<PALETTEENTRY> entries;
};

struct GdiDC {
  bool memory = false;  // false: the screen, which has no pixels here
  GdiBitmap* bitmap = nullptr;
  GdiFont* font = nullptr;
  GdiBrush* brush = nullptr;
  GdiPalette* palette = nullptr;
  COLORREF textColour = RGB(0, 0, 0);
  COLORREF bkColour = RGB(255, 255, 255);
  int bkMode = OPAQUE;
  int stretchMode = BLACKONWHITE;
};

struct GdiCursor {
  std::unique_ptr<GdiBitmap> mask;
  std::unique_ptr<GdiBitmap> colour;
  DWORD hotX = 0, hotY = 0;
  bool icon = false;
};

struct GdiGlobal {
  std::unique_ptr<uint8_t[]> data;
  size_t size = 0;
  UINT flags = 0;
  int locks = 0;
};

namespace gdi {
// A new bitmap, pixels zeroed; height < 0 stores the rows top-down. masks are
// used for 16 and 32 bits with BI_BITFIELDS, colours (n entries) for 1, 4 and
// 8 bits (missing entries black). Null when a field is bad or too large.
std::unique_ptr<GdiBitmap> NewBitmap(int width, int height, int bpp, DWORD compression, const uint32_t* masks,
                                     const RGBQUAD* colours, int n);

// A DIB description as callers hand it in: header, then masks and colours.
struct DibInfo {
  gdi::DibView view;  // bits not set
  DWORD compression = BI_RGB;
  RGBQUAD* colourTable = nullptr;  // where the colours sit in the caller's record
};
bool ParseInfo(const BITMAPINFOHEADER* info, DibInfo& out);

// Copies a row segment between two views, by bytes when the layouts agree.
void CopyRowSegment(const DibView& src, int sx, int sy, const DibView& dst, int dx, int dy, int width,
                    NearestCache* cache);

// Stock objects shared by every context.
GdiBitmap* DefaultBitmap();  // the 1 x 1 monochrome bitmap of a fresh memory context
GdiFont* DefaultFont();
}  // namespace gdi
