// Text with an optional rounded background box, drawn into an image from a
// text settings record. The glyphs are rendered white on black into a
// bitmap of the measured size, which then serves as coverage: 255 - blue
// is how much of the text colour a pixel takes.
#include <cmath>
#include <cstring>

#include "image/core/GbImage.h"
#include "image/core/TextSettings.h"
#include "platform/gdi/Gdi.h"
#ifdef GB_HAVE_GDI_TEXT
#include "platform/gdi/text/GdiText.h"
#endif

namespace {

uint8_t Clamp255(int v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); }

// Box blend: the existing pixel weighted by 'opacity', the box colour by the rest.
uint8_t BlendChannel(float opacity, uint8_t here, uint8_t box) {
  return Clamp255(int(opacity * float(here) + (1.0f - opacity) * float(box)));
}

// Text over a pixel: v = 0 is full text colour, 255 leaves the pixel.
uint8_t TextChannel(uint8_t here, uint8_t text, int v) {
  return Clamp255((int(here) - int(text)) * v / 255 + int(text));
}

}  // namespace

RECT GbImage::DrawTextBox(GdiDC* dc, long x, long y, const TextSettings& settings, bool writeAlpha) {
  const RECT empty{0, 0, 0, 0};
#ifndef GB_HAVE_GDI_TEXT
  (void)dc, (void)x, (void)y, (void)settings, (void)writeAlpha;
  return empty;
#else
  if (!block_) return empty;
  HDC memory = nullptr;
  if (dc) {
    memory = CreateCompatibleDC(dc);
  } else {
    HDC screen = GetDC(nullptr);
    memory = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
  }
  if (!memory) return empty;

  HFONT font = CreateFontIndirect(&settings.font);
  const bool ownFont = font != nullptr;
  if (!font) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  const RGBQUAD textColour = ColorRefToQuad(settings.textColor);
  const RGBQUAD boxColour = ColorRefToQuad(settings.boxColor);
  const int alignment =
      settings.alignment >= kAlignLeft && settings.alignment <= kAlignRight ? settings.alignment : kAlignCentre;
  const int roundRadius = settings.roundRadius >= 51 ? 10 : settings.roundRadius;
  float opacity = settings.boxOpacity;
  if (!(opacity >= 0.0f && opacity <= 1.0f)) opacity = 0.0f;  // also catches NaN

  HGDIOBJ oldFont = SelectObject(memory, font);
  SetTextColor(memory, RGB(255, 255, 255));
  SetBkColor(memory, RGB(0, 0, 0));
  SetBkMode(memory, OPAQUE);
  const int length = int(strnlen(settings.text, sizeof settings.text));
  int lines = 1;
  for (int i = 0; i < length; ++i) lines += settings.text[i] == '\r' ? 1 : 0;
  RECT measured{0, 0, 0, 0};
  DrawText(memory, settings.text, length, &measured, DT_CALCRECT | DT_NOPREFIX);
  const RECT result{0, 0, measured.right, measured.bottom};

  long right = measured.right;
  const long bottom = measured.bottom;
  if (settings.font.lfItalic) right += (bottom / 2) / lines;  // room for the slant
  long r = 0, m = 0;
  if (settings.opaque) {
    const long lineHeight = bottom / lines;
    r = lineHeight * roundRadius / 100;
    m = long(double(r) * 0.2928932);  // 1 - 1/sqrt(2): keeps the text out of the corners
    right += lineHeight / 3;
  }
  const long boxWidth = right + 2 * m, boxHeight = bottom + 2 * m;

  GbImage glyphs;
  bool haveGlyphs = false;
  if (boxWidth > 0 && boxHeight > 0) {
    BITMAPINFOHEADER bih{};
    bih.biSize = 40;
    bih.biWidth = LONG(boxWidth);
    bih.biHeight = LONG(boxHeight);
    bih.biPlanes = 1;
    bih.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &bih, DIB_RGB_COLORS, &bits);
    if (bitmap) {
      HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
      RECT rc{0, 0, LONG(right), LONG(bottom)};
      DrawText(memory, settings.text, length, &rc, UINT(alignment) | DT_NOPREFIX);
      SelectObject(memory, oldBitmap);
      haveGlyphs = glyphs.CreateFromBitmap(bitmap);
      DeleteObject(bitmap);
    }
  }
  SelectObject(memory, oldFont);
  if (ownFont) DeleteObject(font);
  DeleteDC(memory);
  if (!haveGlyphs) return result;

  // Dark glyphs on white; without smoothing, hard black or white.
  const uint32_t gw = glyphs.Width(), gh = glyphs.Height();
  for (uint32_t j = 0; j < gh; ++j) {
    uint8_t* p = glyphs.RowBits(j);
    for (uint32_t i = 0; i < 3 * gw; ++i) p[i] = uint8_t(255 - p[i]);
  }
  if (!settings.smooth) {
    if (!glyphs.ToGreyScale()) return result;
    for (uint32_t j = 0; j < gh; ++j) {
      uint8_t* p = glyphs.RowBits(j);
      for (uint32_t i = 0; i < gw; ++i) p[i] = p[i] > 128 ? 255 : 0;
    }
  }

  // Anchor: (x, y) is the box's bottom row as displayed.
  const long ry = long(Height()) - y - 1;
  long x0 = alignment == kAlignLeft ? x : alignment == kAlignCentre ? x - boxWidth / 2 : x - boxWidth;
  if (x0 < 0) x0 = 0;

  if (settings.opaque) {
    for (long c = 0; c < boxWidth; ++c) {
      long inset = 0;
      long d = -1;
      if (c < r)
        d = r - c;
      else if (c > boxWidth - 1 - r)
        d = c - (boxWidth - 1 - r);
      if (d >= 0) inset = long(double(r) + 0.5 - std::sqrt(double(r * r - d * d)));
      for (long k = inset; k < boxHeight - inset; ++k) {
        const long px = x0 + c, py = ry + k;
        if (!Contains(px, py)) continue;
        RGBQUAD out = boxColour;
        out.rgbReserved = 255;
        if (opacity > 0.0f && opacity < 1.0f) {
          const RGBQUAD here = ReadPixelColor(px, py, true);
          out.rgbBlue = BlendChannel(opacity, here.rgbBlue, boxColour.rgbBlue);
          out.rgbGreen = BlendChannel(opacity, here.rgbGreen, boxColour.rgbGreen);
          out.rgbRed = BlendChannel(opacity, here.rgbRed, boxColour.rgbRed);
          out.rgbReserved = BlendChannel(opacity, here.rgbReserved, 255);
        }
        WritePixelColor(px, py, out, writeAlpha);
      }
    }
  }

  for (uint32_t j = 0; j < gh; ++j) {
    for (uint32_t i = 0; i < gw; ++i) {
      const int v = glyphs.ReadPixelColorUnchecked(long(i), long(j), false).rgbBlue;
      if (v == 255) continue;
      const long px = x0 + long(i) + m, py = ry - m + long(j);
      if (!Contains(px, py)) continue;
      const RGBQUAD here = ReadPixelColor(px, py, true);
      RGBQUAD out;
      out.rgbBlue = TextChannel(here.rgbBlue, textColour.rgbBlue, v);
      out.rgbGreen = TextChannel(here.rgbGreen, textColour.rgbGreen, v);
      out.rgbRed = TextChannel(here.rgbRed, textColour.rgbRed, v);
      out.rgbReserved = TextChannel(here.rgbReserved, 255, v);
      WritePixelColor(px, py, out, writeAlpha);
    }
  }
  return result;
#endif
}
