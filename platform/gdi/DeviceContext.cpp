// Drawing contexts, stock objects, brushes, palettes and font descriptions.
#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiObjects.h"

namespace {

GdiBrush* StockBrush(int which) {
  static GdiBrush* brushes[6] = {};
  static const bool made = [] {
    const COLORREF colours[6] = {RGB(255, 255, 255), RGB(192, 192, 192), RGB(128, 128, 128),
                                 RGB(64, 64, 64),    RGB(0, 0, 0),       0};
    for (int i = 0; i < 6; ++i) {
      brushes[i] = new GdiBrush;
      brushes[i]->colour = colours[i];
      brushes[i]->hollow = i == NULL_BRUSH;
      brushes[i]->stock = true;
    }
    return true;
  }();
  (void)made;
  return which >= 0 && which < 6 ? brushes[which] : nullptr;
}

GdiFont* StockGuiFont() {
  static GdiFont* font = [] {
    auto* f = new GdiFont;
    f->desc.height = -11;
    f->desc.weight = FW_NORMAL;
    std::strcpy(f->desc.faceName, "Tahoma");
    f->stock = true;
    return f;
  }();
  return font;
}

GdiFont* StockSystemFont() {
  static GdiFont* font = [] {
    auto* f = new GdiFont;
    f->desc.height = 16;
    f->desc.weight = FW_BOLD;
    std::strcpy(f->desc.faceName, "Arial");
    f->stock = true;
    return f;
  }();
  return font;
}

// Moves a context's slot from one object to another, keeping the counts
// that stop DeleteObject from freeing what a context still holds. Stock
// objects are never freed and are shared by contexts on any thread, so
// they keep no count.
template <typename T>
T* Swap(T*& slot, T* next) {
  T* previous = slot;
  if (previous && !previous->stock) --previous->selections;
  slot = next;
  if (next && !next->stock) ++next->selections;
  return previous;
}

void UnselectAll(HDC hdc) {
  Swap(hdc->bitmap, static_cast<GdiBitmap*>(nullptr));
  Swap(hdc->font, static_cast<GdiFont*>(nullptr));
  Swap(hdc->brush, static_cast<GdiBrush*>(nullptr));
  Swap(hdc->palette, static_cast<GdiPalette*>(nullptr));
}

}  // namespace

namespace gdi {
GdiFont* DefaultFont() { return StockSystemFont(); }
}  // namespace gdi

// ---- contexts ---------------------------------------------------------------------

HDC CreateCompatibleDC(HDC) {
  HDC dc = new GdiDC;
  dc->memory = true;
  Swap(dc->bitmap, gdi::DefaultBitmap());
  Swap(dc->font, gdi::DefaultFont());
  Swap(dc->brush, StockBrush(WHITE_BRUSH));
  return dc;
}

BOOL DeleteDC(HDC hdc) {
  if (!hdc) return FALSE;
  UnselectAll(hdc);
  delete hdc;
  return TRUE;
}

HDC GetDC(void* window) {
  if (window) return nullptr;  // windows are drawn by the window system, not here
  HDC dc = new GdiDC;
  dc->memory = false;
  Swap(dc->font, gdi::DefaultFont());
  Swap(dc->brush, StockBrush(WHITE_BRUSH));
  return dc;
}

int ReleaseDC(void*, HDC hdc) {
  if (!hdc || hdc->memory) return 0;
  UnselectAll(hdc);
  delete hdc;
  return 1;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object) {
  if (!hdc || !object) return nullptr;
  switch (object->kind) {
    case GdiObject::Kind::Bitmap: {
      auto* bmp = static_cast<GdiBitmap*>(object);
      if (!hdc->memory) return nullptr;
      if (bmp == hdc->bitmap) return bmp;
      if (!bmp->stock && bmp->selections > 0) return nullptr;
      return Swap(hdc->bitmap, bmp);
    }
    case GdiObject::Kind::Font: return Swap(hdc->font, static_cast<GdiFont*>(object));
    case GdiObject::Kind::Brush: return Swap(hdc->brush, static_cast<GdiBrush*>(object));
    default: return nullptr;
  }
}

HGDIOBJ GetStockObject(int which) {
  if (which == DEFAULT_GUI_FONT) return StockGuiFont();
  if (which == SYSTEM_FONT) return StockSystemFont();
  return StockBrush(which);
}

COLORREF SetTextColor(HDC hdc, COLORREF colour) {
  if (!hdc) return CLR_INVALID;
  return std::exchange(hdc->textColour, colour & 0xFFFFFF);
}
COLORREF GetTextColor(HDC hdc) { return hdc ? hdc->textColour : CLR_INVALID; }
COLORREF SetBkColor(HDC hdc, COLORREF colour) {
  if (!hdc) return CLR_INVALID;
  return std::exchange(hdc->bkColour, colour & 0xFFFFFF);
}
COLORREF GetBkColor(HDC hdc) { return hdc ? hdc->bkColour : CLR_INVALID; }
int SetBkMode(HDC hdc, int mode) {
  if (!hdc || (mode != OPAQUE && mode != TRANSPARENT)) return 0;
  return std::exchange(hdc->bkMode, mode);
}
int GetBkMode(HDC hdc) { return hdc ? hdc->bkMode : 0; }
int SetStretchBltMode(HDC hdc, int mode) {
  if (!hdc || mode < BLACKONWHITE || mode > HALFTONE) return 0;
  return std::exchange(hdc->stretchMode, mode);
}
int GetStretchBltMode(HDC hdc) { return hdc ? hdc->stretchMode : 0; }

int GetDeviceCaps(HDC, int index) {
  switch (index) {
    case HORZRES: return 1920;
    case VERTRES: return 1080;
    case BITSPIXEL: return 32;
    case PLANES: return 1;
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
    default: return 0;
  }
}

// ---- palettes ---------------------------------------------------------------------

HPALETTE CreatePalette(const PALETTEENTRY* entries, int count) {
  if (!entries || count <= 0 || count > 256) return nullptr;
  auto* pal = new GdiPalette;
  pal->entries.assign(entries, entries + count);
  return pal;
}

HPALETTE SelectPalette(HDC hdc, HPALETTE palette, BOOL) {
  if (!hdc || !palette) return nullptr;
  return Swap(hdc->palette, palette);
}

UINT RealizePalette(HDC hdc) { return hdc && hdc->palette ? UINT(hdc->palette->entries.size()) : 0; }

// ---- brushes ----------------------------------------------------------------------

HBRUSH CreateSolidBrush(COLORREF colour) {
  auto* brush = new GdiBrush;
  brush->colour = colour & 0xFFFFFF;
  return brush;
}

int FillRect(HDC hdc, const RECT* rect, HBRUSH brush) {
  if (!hdc || !rect || !brush) return 0;
  if (brush->hollow) return 1;
  if (!hdc->bitmap || hdc->bitmap->stock) return 0;
  const gdi::DibView v = hdc->bitmap->View();
  const int left = std::max<int>(rect->left, 0), right = std::min<int>(rect->right, v.width);
  const int top = std::max<int>(rect->top, 0), bottom = std::min<int>(rect->bottom, v.height);
  gdi::NearestCache cache;
  cache.Reset();
  const uint32_t rgb = gdi::RgbFromColorRef(brush->colour);
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) v.WriteRgb(x, y, rgb, &cache);
  return 1;
}

// ---- fonts -------------------------------------------------------------------------

HFONT CreateFontFromDesc(const GdiFontDesc& desc) {
  auto* font = new GdiFont;
  font->desc = desc;
  font->desc.faceName[sizeof font->desc.faceName - 1] = 0;
  return font;
}
