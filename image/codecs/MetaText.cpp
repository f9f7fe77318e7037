// Text records: the font scaled into device pixels, the reference point
// moved by the text alignment, and the glyphs drawn by the drawing
// stand-in's text functions (in builds without them text is left out).
// Rotated fonts are drawn level.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "image/codecs/MetaPlayer.h"
#include "platform/gdi/Gdi.h"
#ifdef GB_HAVE_GDI_TEXT
#include "platform/gdi/text/GdiText.h"
#endif

namespace meta {
namespace {

constexpr uint32_t kEtoOpaque = 0x2;
constexpr uint32_t kEtoGlyphIndex = 0x10;
constexpr uint32_t kTaUpdateCp = 0x1;
constexpr uint32_t kTaRight = 0x2, kTaCenter = 0x6, kTaBottom = 0x8, kTaBaseline = 0x18;

COLORREF toColorRef(uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

// Length of the UTF-8 sequence starting with byte c (1 for stray bytes).
size_t sequenceLength(unsigned char c) {
  if (c >= 0xF0 && c < 0xF8) return 4;
  if (c >= 0xE0) return c < 0xF0 ? 3 : 1;
  if (c >= 0xC0) return 2;
  return 1;
}

}  // namespace

void Player::Text(PointF reference, const std::string& text, const std::vector<double>* advances, uint32_t options,
                  const RECT* rect) {
  if (pathOpen_) return;
  if ((options & kEtoOpaque) && rect) {
    const PointF a = ToDevice({double(rect->left), double(rect->top)});
    const PointF b = ToDevice({double(rect->right), double(rect->bottom)});
    Paint paint;
    paint.colour = ResolveColour(state_.bkColour);
    canvas_.FillRect(int(std::lround(std::clamp(a.x, -1e6, 1e6))), int(std::lround(std::clamp(a.y, -1e6, 1e6))),
                     int(std::lround(std::clamp(b.x, -1e6, 1e6))), int(std::lround(std::clamp(b.y, -1e6, 1e6))), paint);
  }
  // Glyph indices belong to the font the file was made with: not drawable here.
  if (text.empty() || (options & kEtoGlyphIndex)) return;
  const uint32_t align = state_.textAlign;
  if (align & kTaUpdateCp) reference = state_.position;
  const PointF origin = ToDevice(reference);
  if (!std::isfinite(origin.x) || !std::isfinite(origin.y) || std::fabs(origin.x) > 1e6 || std::fabs(origin.y) > 1e6)
    return;
  const Xform t = Total();
  const double scaleX = std::hypot(t.m11, t.m12), scaleY = std::hypot(t.m21, t.m22);
  double advanceSum = 0;
  if (advances)
    for (double a : *advances) advanceSum += a;
  if (align & kTaUpdateCp) state_.position = {reference.x + advanceSum, reference.y};

#ifdef GB_HAVE_GDI_TEXT
  const Font& f = state_.font;
  GdiFontDesc desc;
  double height = f.height * scaleY;
  if (!std::isfinite(height)) return;
  height = std::clamp(height, -2000.0, 2000.0);
  desc.height = LONG(std::lround(height));
  if (desc.height == 0 && f.height != 0) desc.height = f.height < 0 ? -1 : 1;
  desc.width = LONG(std::lround(std::clamp(f.width * scaleX, 0.0, 2000.0)));
  desc.weight = f.weight;
  desc.italic = f.italic;
  desc.underline = f.underline;
  desc.strikeOut = f.strikeOut;
  desc.charSet = f.charSet;
  desc.quality = f.quality;
  desc.pitchAndFamily = f.pitchAndFamily;
  std::strncpy(desc.faceName, f.face.c_str(), sizeof desc.faceName - 1);
  HFONT font = CreateFontFromDesc(desc);
  if (!font) return;
  HGDIOBJ old = ::SelectObject(dc_, font);
  SetTextColor(dc_, toColorRef(ResolveColour(state_.textColour)));
  SetBkColor(dc_, toColorRef(ResolveColour(state_.bkColour)));
  SetBkMode(dc_, state_.bkMode == 2 ? OPAQUE : TRANSPARENT);

  TEXTMETRIC metrics;
  GetTextMetrics(dc_, &metrics);
  if (advances && advanceSum > 0 && desc.width == 0 && metrics.tmAveCharWidth > 0) {
    // The file's advances were measured with its own font; a wider stand-in
    // font is narrowed to them, so that letters do not run into each other.
    SIZE natural{0, 0};
    GetTextExtentPoint32(dc_, text.c_str(), int(text.size()), &natural);
    const double ratio = natural.cx > 0 ? advanceSum * scaleX / natural.cx : 1;
    if (ratio < 0.95 && ratio > 0.2) {
      desc.width = std::max<LONG>(1, LONG(std::lround(metrics.tmAveCharWidth * ratio)));
      HFONT narrow = CreateFontFromDesc(desc);
      if (narrow) {
        ::SelectObject(dc_, narrow);
        ::DeleteObject(font);
        font = narrow;
        GetTextMetrics(dc_, &metrics);
      }
    }
  }
  double width;
  if (advances) {
    width = advanceSum * scaleX;
  } else {
    SIZE size{0, 0};
    GetTextExtentPoint32(dc_, text.c_str(), int(text.size()), &size);
    width = size.cx;
  }
  double x = origin.x, y = origin.y;
  if ((align & kTaCenter) == kTaCenter)
    x -= width / 2;
  else if (align & kTaRight)
    x -= width;
  if ((align & kTaBaseline) == kTaBaseline)
    y -= metrics.tmAscent;
  else if (align & kTaBottom)
    y -= metrics.tmHeight;

  auto drawable = [](double v) { return std::isfinite(v) && std::fabs(v) < 1e6; };
  if (!drawable(y)) {
    // Too far off to show.
  } else if (!advances) {
    if (drawable(x)) DrawText(int(std::lround(x)), int(std::lround(y)), text);
  } else {
    // One character at a time, each at its own advance.
    size_t i = 0, k = 0;
    while (i < text.size()) {
      const size_t n = std::min(sequenceLength(static_cast<unsigned char>(text[i])), text.size() - i);
      if (drawable(x)) DrawText(int(std::lround(x)), int(std::lround(y)), text.substr(i, n));
      if (k < advances->size()) x += (*advances)[k] * scaleX;
      ++k;
      i += n;
    }
  }
  ::SelectObject(dc_, old);
  ::DeleteObject(font);
#else
  (void)scaleX;
  (void)scaleY;
#endif
}

void Player::DrawText(int x, int y, const std::string& text) {
#ifdef GB_HAVE_GDI_TEXT
  RECT r{x, y, x + 1, y + 1};
  ::DrawText(dc_, text.c_str(), int(text.size()), &r, DT_NOCLIP | DT_SINGLELINE | DT_NOPREFIX | DT_LEFT | DT_TOP);
#else
  (void)x, (void)y, (void)text;
#endif
}

}  // namespace meta
