// Handle types, records and constants of the drawing stand-in. The names and
// values are the ones Windows code expects, so ported drawing code reads the
// same; the handles point at small C++ objects owned by whoever created them
// (DeleteObject / DeleteDC / GlobalFree give them back).
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/WinTypes.h"

struct GdiObject;
struct GdiBitmap;
struct GdiDC;
struct GdiFont;
struct GdiBrush;
struct GdiRegion;
struct GdiPalette;
struct GdiCursor;
struct GdiGlobal;

using HGDIOBJ = GdiObject*;
using HBITMAP = GdiBitmap*;
using HDC = GdiDC*;
using HFONT = GdiFont*;
using HBRUSH = GdiBrush*;
using HRGN = GdiRegion*;
using HPALETTE = GdiPalette*;
using HCURSOR = GdiCursor*;
using HICON = GdiCursor*;
using HGLOBAL = GdiGlobal*;

#ifndef TRUE
constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;
#endif

// ---- bitmaps -------------------------------------------------------------

// Header plus room for any colour table (or the three bit-field masks).
struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[256];
};

struct BITMAP {
  LONG bmType = 0;
  LONG bmWidth = 0;
  LONG bmHeight = 0;      // always positive
  LONG bmWidthBytes = 0;  // row stride
  WORD bmPlanes = 0;
  WORD bmBitsPixel = 0;
  void* bmBits = nullptr;
};

struct DIBSECTION {
  BITMAP dsBm;
  BITMAPINFOHEADER dsBmih;  // biHeight keeps its sign (negative: top-down rows)
  DWORD dsBitfields[3] = {};
  void* dshSection = nullptr;
  DWORD dsOffset = 0;
};

struct PALETTEENTRY {
  BYTE peRed, peGreen, peBlue, peFlags;
};

constexpr UINT DIB_RGB_COLORS = 0;
constexpr UINT DIB_PAL_COLORS = 1;
constexpr DWORD CBM_INIT = 4;

// ---- raster operations ------------------------------------------------------

constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr DWORD SRCPAINT = 0x00EE0086;
constexpr DWORD SRCAND = 0x008800C6;
constexpr DWORD SRCINVERT = 0x00660046;
constexpr DWORD SRCERASE = 0x00440328;
constexpr DWORD NOTSRCCOPY = 0x00330008;
constexpr DWORD NOTSRCERASE = 0x001100A6;
constexpr DWORD MERGECOPY = 0x00C000CA;
constexpr DWORD MERGEPAINT = 0x00BB0226;
constexpr DWORD PATCOPY = 0x00F00021;
constexpr DWORD PATPAINT = 0x00FB0A09;
constexpr DWORD PATINVERT = 0x005A0049;
constexpr DWORD DSTINVERT = 0x00550009;
constexpr DWORD BLACKNESS = 0x00000042;
constexpr DWORD WHITENESS = 0x00FF0062;
constexpr DWORD DSTCOPY = 0x00AA0029;  // leaves the destination alone (MaskBlt)
constexpr DWORD MAKEROP4(DWORD fore, DWORD back) { return ((back << 8) & 0xFF000000u) | fore; }

// Stretch modes. Every mode samples the nearest pixel (colour-on-colour);
// the value is kept for GetStretchBltMode.
constexpr int BLACKONWHITE = 1;
constexpr int WHITEONBLACK = 2;
constexpr int COLORONCOLOR = 3;
constexpr int HALFTONE = 4;

// Background modes.
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

// ---- device capabilities -------------------------------------------------------

constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
constexpr int BITSPIXEL = 12;
constexpr int PLANES = 14;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;

// ---- stock objects -----------------------------------------------------------

constexpr int WHITE_BRUSH = 0;
constexpr int LTGRAY_BRUSH = 1;
constexpr int GRAY_BRUSH = 2;
constexpr int DKGRAY_BRUSH = 3;
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
constexpr int SYSTEM_FONT = 13;
constexpr int DEFAULT_GUI_FONT = 17;

// ---- fonts ---------------------------------------------------------------------

constexpr int FW_DONTCARE = 0;
constexpr int FW_NORMAL = 400;
constexpr int FW_BOLD = 700;
constexpr BYTE DEFAULT_QUALITY = 0;
constexpr BYTE DRAFT_QUALITY = 1;
constexpr BYTE PROOF_QUALITY = 2;
constexpr BYTE NONANTIALIASED_QUALITY = 3;
constexpr BYTE ANTIALIASED_QUALITY = 4;
constexpr BYTE CLEARTYPE_QUALITY = 5;

// The font description the stand-in keeps: the LOGFONT fields that matter
// for drawing. CreateFontIndirect fills it from any LOGFONT-shaped record.
struct GdiFontDesc {
  LONG height = 0;  // < 0: character height in pixels; > 0: cell height; 0: default
  LONG width = 0;   // average character width, 0: natural
  LONG escapement = 0;
  LONG weight = 0;  // 0 means normal (400)
  BYTE italic = 0;
  BYTE underline = 0;
  BYTE strikeOut = 0;
  BYTE charSet = 0;
  BYTE quality = 0;
  BYTE pitchAndFamily = 0;
  char faceName[32] = {};
};

struct TEXTMETRIC {
  LONG tmHeight = 0;
  LONG tmAscent = 0;
  LONG tmDescent = 0;
  LONG tmInternalLeading = 0;
  LONG tmExternalLeading = 0;
  LONG tmAveCharWidth = 0;
  LONG tmMaxCharWidth = 0;
  LONG tmWeight = 0;
  BYTE tmItalic = 0;
  BYTE tmUnderlined = 0;
  BYTE tmStruckOut = 0;
};

// DrawText formats.
constexpr UINT DT_TOP = 0x0000;
constexpr UINT DT_LEFT = 0x0000;
constexpr UINT DT_CENTER = 0x0001;
constexpr UINT DT_RIGHT = 0x0002;
constexpr UINT DT_VCENTER = 0x0004;
constexpr UINT DT_BOTTOM = 0x0008;
constexpr UINT DT_WORDBREAK = 0x0010;
constexpr UINT DT_SINGLELINE = 0x0020;
constexpr UINT DT_EXPANDTABS = 0x0040;
constexpr UINT DT_NOCLIP = 0x0100;
constexpr UINT DT_EXTERNALLEADING = 0x0200;
constexpr UINT DT_CALCRECT = 0x0400;
constexpr UINT DT_NOPREFIX = 0x0800;

// ---- regions ---------------------------------------------------------------------

constexpr int RGN_AND = 1;
constexpr int RGN_OR = 2;
constexpr int RGN_XOR = 3;
constexpr int RGN_DIFF = 4;
constexpr int RGN_COPY = 5;

// Results of region operations.
constexpr int RGN_ERROR = 0;
constexpr int NULLREGION = 1;
constexpr int SIMPLEREGION = 2;
constexpr int COMPLEXREGION = 3;

constexpr DWORD RDH_RECTANGLES = 1;

struct RGNDATAHEADER {
  DWORD dwSize = sizeof(RGNDATAHEADER);
  DWORD iType = RDH_RECTANGLES;
  DWORD nCount = 0;
  DWORD nRgnSize = 0;
  RECT rcBound{};
};

// A region as data: the header followed by nCount RECTs.
struct RGNDATA {
  RGNDATAHEADER rdh;
  // RECT Buffer[nCount] follows
};

// ---- cursors -------------------------------------------------------------------------

struct ICONINFO {
  BOOL fIcon = FALSE;
  DWORD xHotspot = 0;
  DWORD yHotspot = 0;
  HBITMAP hbmMask = nullptr;
  HBITMAP hbmColor = nullptr;
};

// ---- global memory -------------------------------------------------------------------

constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;
