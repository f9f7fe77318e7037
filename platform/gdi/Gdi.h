// The drawing stand-in: bitmaps that own packed DIB pixels, memory drawing
// contexts, DIB conversion, blits, regions, brushes, fonts (as descriptions)
// and cursors, with the names and argument orders Windows drawing code uses.
// Plain C++; text measuring and drawing are in platform/gdi/text/GdiText.h.
//
// Coordinates are top-down device pixels (y = 0 is the top row of a bitmap as
// displayed, whether its rows are stored bottom-up or top-down). Whoever
// receives a handle owns it: DeleteObject for bitmaps, brushes, fonts,
// regions and palettes; DeleteDC / ReleaseDC for contexts; DestroyCursor for
// cursors. Objects are not thread-safe; one thread uses a handle at a time.
#pragma once
#include <cstring>
#include <vector>

#include "platform/gdi/GdiObjects.h"  // handles convert to HGDIOBJ; callers use only the handles
#include "platform/gdi/GdiTypes.h"

// ---- bitmaps ---------------------------------------------------------------

// A bitmap from a DIB description: 1, 4, 8, 16, 24 or 32 bits, BI_RGB or (16
// and 32 bits) BI_BITFIELDS with the three masks right after a 40-byte
// header; a negative height stores the rows top-down. The colour table
// (biClrUsed entries, or all 2^bits) follows the header; the pixels start
// zeroed. *bits receives the pixel address. Null on any bad field.
HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFOHEADER* info, UINT usage, void** bits, void* section = nullptr,
                         DWORD offset = 0);
inline HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* info, UINT usage, void** bits, void* section = nullptr,
                                DWORD offset = 0) {
  return CreateDIBSection(hdc, &info->bmiHeader, usage, bits, section, offset);
}
// A device-style bitmap from top-down rows padded to 2 bytes (bits may be
// null: black). 1 bit gives black and white, 4 and 8 bits the default
// colour tables, 16 bits 5-5-5, above that 24 or 32 bits.
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitCount, const void* bits);
// 32 bits for the screen context or none; for a memory context the depth of
// the bitmap selected into it (monochrome for a fresh one, as on Windows).
HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height);
// A 32-bit device bitmap of the header's size, filled from bits/info when
// init holds CBM_INIT.
HBITMAP CreateDIBitmap(HDC hdc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                       const BITMAPINFOHEADER* info, UINT usage);
inline HBITMAP CreateDIBitmap(HDC hdc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                              const BITMAPINFO* info, UINT usage) {
  return CreateDIBitmap(hdc, header, init, bits, info ? &info->bmiHeader : nullptr, usage);
}

// BITMAP or DIBSECTION for bitmaps (by the size asked for), GdiFontDesc for
// fonts. Returns the bytes written; with out null, the bytes needed.
int GetObject(HGDIOBJ object, int size, void* out);
inline int GetObjectA(HGDIOBJ object, int size, void* out) { return GetObject(object, size, out); }
// False for a bitmap still selected into a context; stock objects stay.
BOOL DeleteObject(HGDIOBJ object);

// Copies lines [start, start + lines) of the bitmap into bits in the layout
// that info describes (any depth, either row order, BI_RGB or BI_BITFIELDS),
// scan line 0 being the bottom line of a bottom-up layout and the top line of
// a top-down one. For 1, 4 and 8 bits the colour table after the header is
// filled: the bitmap's own when the depth matches, else a default table that
// the colours are matched to. With bits null and biBitCount 0 only the
// header is filled in. Returns the lines copied, 0 on failure.
int GetDIBits(HDC hdc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFOHEADER* info, UINT usage);
inline int GetDIBits(HDC hdc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT usage) {
  return GetDIBits(hdc, bitmap, start, lines, bits, &info->bmiHeader, usage);
}
// The reverse: lines of a DIB (info with its colour table or masks) into the
// bitmap, colours matched to the bitmap's table where it has one.
int SetDIBits(HDC hdc, HBITMAP bitmap, UINT start, UINT lines, const void* bits, const BITMAPINFOHEADER* info,
              UINT usage);
inline int SetDIBits(HDC hdc, HBITMAP bitmap, UINT start, UINT lines, const void* bits, const BITMAPINFO* info,
                     UINT usage) {
  return SetDIBits(hdc, bitmap, start, lines, bits, &info->bmiHeader, usage);
}
// Colour table of the bitmap selected into a memory context.
UINT GetDIBColorTable(HDC hdc, UINT start, UINT count, RGBQUAD* colours);
UINT SetDIBColorTable(HDC hdc, UINT start, UINT count, const RGBQUAD* colours);

// The whole packed DIB a bitmap owns (header, masks, colours, pixels).
const uint8_t* PackedDibOf(HBITMAP bitmap, size_t* size);

constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;
COLORREF GetPixel(HDC hdc, int x, int y);
COLORREF SetPixel(HDC hdc, int x, int y, COLORREF colour);

// ---- contexts ------------------------------------------------------------------

// A memory context holding the 1 x 1 monochrome default bitmap.
HDC CreateCompatibleDC(HDC hdc);
BOOL DeleteDC(HDC hdc);
// The screen: measures text and makes compatible bitmaps, holds no pixels.
HDC GetDC(void* window = nullptr);
int ReleaseDC(void* window, HDC hdc);
// Bitmaps only go into memory contexts, and into one at a time.
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object);
HGDIOBJ GetStockObject(int which);
COLORREF SetTextColor(HDC hdc, COLORREF colour);
COLORREF GetTextColor(HDC hdc);
COLORREF SetBkColor(HDC hdc, COLORREF colour);
COLORREF GetBkColor(HDC hdc);
int SetBkMode(HDC hdc, int mode);
int GetBkMode(HDC hdc);
int SetStretchBltMode(HDC hdc, int mode);
int GetStretchBltMode(HDC hdc);
// HORZRES 1920, VERTRES 1080, BITSPIXEL 32, PLANES 1, LOGPIXELSX/Y 96.
int GetDeviceCaps(HDC hdc, int index);

// Palettes are kept for code that selects and realises them; all bitmaps here
// carry their own colours, so they change no conversion.
HPALETTE CreatePalette(const PALETTEENTRY* entries, int count);
HPALETTE SelectPalette(HDC hdc, HPALETTE palette, BOOL background);
UINT RealizePalette(HDC hdc);

HBRUSH CreateSolidBrush(COLORREF colour);
int FillRect(HDC hdc, const RECT* rect, HBRUSH brush);
BOOL PatBlt(HDC hdc, int x, int y, int width, int height, DWORD rop);

// ---- blits ------------------------------------------------------------------------
// Every raster operation code (the ternary ROP of pattern, source and
// destination) is applied bitwise to the colours; palette destinations store
// the nearest entry. Pixels outside either bitmap are left alone. Source
// and destination may be the same bitmap.

BOOL BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, DWORD rop);
// Colour-on-colour stretch: destination pixel d of the rectangle, counted
// from the rectangle's origin corner, takes source pixel floor(d * ws / wd)
// counted from the source origin corner; so the origin corners map onto each
// other, rows and columns are repeated or dropped, and a negative width or
// height runs from the origin backwards (mirroring when the signs differ).
BOOL StretchBlt(HDC dst, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, int widthSrc, int heightSrc,
                DWORD rop);
// Maps the source rectangle onto the parallelogram whose upper-left,
// upper-right and lower-left corners are points[0..2]. Each destination
// pixel whose centre falls inside takes the source pixel found by the same
// rule as StretchBlt (an axis-aligned parallelogram gives StretchBlt's
// result). Where the optional 1-bit mask holds 0 the destination stays.
BOOL PlgBlt(HDC dst, const POINT points[3], HDC src, int xSrc, int ySrc, int widthSrc, int heightSrc, HBITMAP mask,
            int xMask, int yMask);
// MAKEROP4(fore, back): fore where the 1-bit mask holds 1, back where it
// holds 0 (DSTCOPY keeps the destination). No mask: fore everywhere.
BOOL MaskBlt(HDC dst, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, HBITMAP mask, int xMask,
             int yMask, DWORD rop4);
// A stretch that skips source pixels of the key colour.
BOOL TransparentBlt(HDC dst, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, int widthSrc,
                    int heightSrc, UINT keyColour);

// ---- regions ---------------------------------------------------------------------

HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(const RECT* rect);
// The union of the rectangles in data (RDH_RECTANGLES); xform must be null.
HRGN ExtCreateRegion(const void* xform, DWORD size, const RGNDATA* data);
// The union of n rectangles, built in one sweep (rows of runs, for instance).
HRGN RegionFromRects(const RECT* rects, size_t n);
int CombineRgn(HRGN dst, HRGN a, HRGN b, int mode);
BOOL SetRectRgn(HRGN region, int left, int top, int right, int bottom);
int OffsetRgn(HRGN region, int dx, int dy);
BOOL PtInRegion(HRGN region, int x, int y);
BOOL RectInRegion(HRGN region, const RECT* rect);
int GetRgnBox(HRGN region, RECT* box);
BOOL EqualRgn(HRGN a, HRGN b);
// Header plus rectangles (top to bottom, left to right); returns the bytes
// needed when data is null or size is too small, else the bytes written.
DWORD GetRegionData(HRGN region, DWORD size, RGNDATA* data);
// The same rectangles as a list (for handing a shape to a window system).
std::vector<RECT> RegionRects(HRGN region);

// ---- fonts ------------------------------------------------------------------------

HFONT CreateFontFromDesc(const GdiFontDesc& desc);
// Any LOGFONT-shaped record (lfHeight ... lfFaceName).
template <typename LogFont>
HFONT CreateFontIndirect(const LogFont* lf) {
  if (!lf) return nullptr;
  GdiFontDesc d;
  d.height = lf->lfHeight;
  d.width = lf->lfWidth;
  d.escapement = lf->lfEscapement;
  d.weight = lf->lfWeight;
  d.italic = lf->lfItalic;
  d.underline = lf->lfUnderline;
  d.strikeOut = lf->lfStrikeOut;
  d.charSet = lf->lfCharSet;
  d.quality = lf->lfQuality;
  d.pitchAndFamily = lf->lfPitchAndFamily;
  constexpr size_t n = sizeof d.faceName < sizeof lf->lfFaceName ? sizeof d.faceName : sizeof lf->lfFaceName;
  std::memcpy(d.faceName, lf->lfFaceName, n);
  d.faceName[sizeof d.faceName - 1] = 0;
  return CreateFontFromDesc(d);
}
template <typename LogFont>
HFONT CreateFontIndirectA(const LogFont* lf) {
  return CreateFontIndirect(lf);
}

// ---- cursors ------------------------------------------------------------------------

// Copies both bitmaps; the caller keeps its own. The colour bitmap may be
// null for a monochrome cursor.
HICON CreateIconIndirect(const ICONINFO* info);
BOOL DestroyIcon(HICON icon);
BOOL DestroyCursor(HCURSOR cursor);
// New copies of the cursor's bitmaps, which the caller deletes.
BOOL GetIconInfo(HICON icon, ICONINFO* info);
// The cursor as straight (not premultiplied) ARGB pixels, top row first:
// mask 1 is transparent, mask 0 the colour bitmap's pixel, opaque.
bool CursorPixels(HCURSOR cursor, std::vector<uint32_t>& argb, int& width, int& height);
