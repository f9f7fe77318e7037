// Basic Windows value types that the engine's file formats and the drawing
// stand-in share. Plain data only; layouts match their Windows counterparts.
#pragma once
#include <cstdint>

using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using LONG = int32_t;
using UINT = uint32_t;
using BOOL = int32_t;
using COLORREF = uint32_t;  // 0x00BBGGRR, red in the low byte

struct RGBQUAD {
  BYTE rgbBlue = 0;
  BYTE rgbGreen = 0;
  BYTE rgbRed = 0;
  BYTE rgbReserved = 0;
  friend bool operator==(const RGBQUAD&, const RGBQUAD&) = default;
};
static_assert(sizeof(RGBQUAD) == 4);

struct RGBTRIPLE {
  BYTE rgbtBlue, rgbtGreen, rgbtRed;
};
static_assert(sizeof(RGBTRIPLE) == 3);

struct BITMAPINFOHEADER {
  DWORD biSize = 0;
  LONG biWidth = 0;
  LONG biHeight = 0;
  WORD biPlanes = 0;
  WORD biBitCount = 0;
  DWORD biCompression = 0;
  DWORD biSizeImage = 0;
  LONG biXPelsPerMeter = 0;
  LONG biYPelsPerMeter = 0;
  DWORD biClrUsed = 0;
  DWORD biClrImportant = 0;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

#pragma pack(push, 2)
struct BITMAPFILEHEADER {
  WORD bfType = 0;
  DWORD bfSize = 0;
  WORD bfReserved1 = 0;
  WORD bfReserved2 = 0;
  DWORD bfOffBits = 0;
};
#pragma pack(pop)
static_assert(sizeof(BITMAPFILEHEADER) == 14);

struct POINT {
  LONG x = 0;
  LONG y = 0;
  friend bool operator==(const POINT&, const POINT&) = default;
};

struct SIZE {
  LONG cx = 0;
  LONG cy = 0;
};

struct RECT {
  LONG left = 0;
  LONG top = 0;
  LONG right = 0;
  LONG bottom = 0;
  friend bool operator==(const RECT&, const RECT&) = default;
};

constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) { return COLORREF(r) | (COLORREF(g) << 8) | (COLORREF(b) << 16); }
constexpr BYTE GetRValue(COLORREF c) { return BYTE(c & 0xFF); }
constexpr BYTE GetGValue(COLORREF c) { return BYTE((c >> 8) & 0xFF); }
constexpr BYTE GetBValue(COLORREF c) { return BYTE((c >> 16) & 0xFF); }

constexpr int BI_RGB = 0;
constexpr int BI_RLE8 = 1;
constexpr int BI_RLE4 = 2;
constexpr int BI_BITFIELDS = 3;
