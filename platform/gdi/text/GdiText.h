// Text on the drawing stand-in: measuring and drawing with the font selected
// into a context. Plain C++ interface; the glyphs come from the system's font
// engine (fontconfig names such as "Arial" or "Tahoma" resolve to installed
// look-alikes). Text is UTF-8; "&" is an ordinary character (there is no
// prefix processing). Lines break at CR LF, CR or LF unless DT_SINGLELINE.
// Works without a display: when the process has no GUI application yet, one
// is made on first use for the offscreen platform. Call from one thread.
#pragma once
#include "platform/gdi/GdiTypes.h"

// count < 0: the text is NUL-terminated. With DT_CALCRECT the rectangle's
// right and bottom are set to fit the text (left/top stay) and nothing is
// drawn. Otherwise the lines are drawn into the context's bitmap in its text
// colour, aligned with DT_LEFT / DT_CENTER / DT_RIGHT (and DT_VCENTER /
// DT_BOTTOM for a single line), clipped to the rectangle unless DT_NOCLIP;
// in OPAQUE mode each line's cell is first filled with the background
// colour. DT_WORDBREAK and DT_EXPANDTABS are not supported. Returns the text
// height, 0 on failure.
int DrawText(HDC hdc, const char* text, int count, RECT* rect, UINT format);
inline int DrawTextA(HDC hdc, const char* text, int count, RECT* rect, UINT format) {
  return DrawText(hdc, text, count, rect, format);
}
BOOL GetTextExtentPoint32(HDC hdc, const char* text, int count, SIZE* size);
BOOL GetTextMetrics(HDC hdc, TEXTMETRIC* metrics);
