// Enhanced metafile records: a 32-bit type and size, then fields at fixed
// offsets (32-bit coordinates, or 16-bit ones in the "16" variants).
#include <algorithm>
#include <cmath>
#include <cstring>

#include "image/codecs/MetaRecords.h"
#include "image/io/Bytes.h"

namespace meta {
namespace {

// One record; reads outside it give 0.
struct Record {
  const uint8_t* p;
  size_t n;
  uint32_t u32(size_t at) const { return gbio::Le32At(p, n, at); }
  int32_t i32(size_t at) const { return int32_t(u32(at)); }
  int16_t i16(size_t at) const { return int16_t(gbio::Le16At(p, n, at)); }
  uint8_t u8(size_t at) const { return at < n ? p[at] : 0; }
  float f32(size_t at) const {
    const uint32_t bits = u32(at);
    float f;
    std::memcpy(&f, &bits, 4);
    return std::isfinite(f) ? f : 0.0f;
  }
  PointF point(size_t at) const { return {double(i32(at)), double(i32(at + 4))}; }
  // A sub-block given by an offset and a length field, inside the record.
  bool block(size_t offsetField, size_t lengthField, const uint8_t*& out, size_t& length) const {
    const uint32_t off = u32(offsetField), len = u32(lengthField);
    if (len == 0 || off > n || len > n - off) return false;
    out = p + off;
    length = len;
    return true;
  }
};

std::vector<PointF> points(const Record& r, size_t at, uint32_t count, bool small) {
  const size_t each = small ? 4 : 8;
  const size_t available = r.n > at ? (r.n - at) / each : 0;
  const size_t n = std::min<size_t>(count, available);
  std::vector<PointF> out;
  out.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    const size_t q = at + i * each;
    out.push_back(small ? PointF{double(r.i16(q)), double(r.i16(q + 2))} : r.point(q));
  }
  return out;
}

// POLYPOLYLINE / POLYPOLYGON and their 16-bit forms.
std::vector<std::vector<PointF>> polyPoints(const Record& r, bool small) {
  const uint32_t polys = r.u32(24), total = r.u32(28);
  std::vector<std::vector<PointF>> out;
  if (uint64_t(polys) * 4 > r.n) return out;
  const size_t pointsAt = 32 + size_t(polys) * 4;
  const std::vector<PointF> all = points(r, pointsAt, total, small);
  size_t used = 0;
  for (uint32_t i = 0; i < polys; ++i) {
    const uint32_t count = r.u32(32 + size_t(i) * 4);
    if (count > all.size() - used) break;
    out.emplace_back(all.begin() + long(used), all.begin() + long(used + count));
    used += count;
  }
  return out;
}

bool bitmapOf(const Record& r, size_t bmiOff, size_t bmiLen, size_t bitsOff, size_t bitsLen, Bitmap& out,
              bool* bottomUp = nullptr) {
  const uint8_t *info = nullptr, *bits = nullptr;
  size_t infoSize = 0, bitsSize = 0;
  if (!r.block(bmiOff, bmiLen, info, infoSize) || !r.block(bitsOff, bitsLen, bits, bitsSize)) return false;
  return DecodeDib(info, infoSize, bits, bitsSize, out, bottomUp);
}

Object fontObject(const Record& r) {
  Object o;
  o.kind = Object::Kind::Font;
  Font& f = o.font;
  f.height = r.i32(12);
  f.width = r.i32(16);
  f.escapement = r.i32(20);
  f.weight = r.i32(28);
  f.italic = r.u8(32);
  f.underline = r.u8(33);
  f.strikeOut = r.u8(34);
  f.charSet = r.u8(35);
  f.quality = r.u8(38);
  f.pitchAndFamily = r.u8(39);
  size_t units = 0;
  while (units < 32 && 40 + 2 * units + 2 <= r.n && r.i16(40 + 2 * units) != 0) ++units;
  f.face = Utf16ToUtf8(r.p + 40, units);
  return o;
}

Xform xformAt(const Record& r, size_t at) {
  return Xform{r.f32(at), r.f32(at + 4), r.f32(at + 8), r.f32(at + 12), r.f32(at + 16), r.f32(at + 20)};
}

void text(const Record& r, Player& pl, bool wide) {
  const PointF reference = r.point(36);
  const uint32_t count = r.u32(44), offString = r.u32(48), options = r.u32(52), offDx = r.u32(72);
  const RECT rect{r.i32(56), r.i32(60), r.i32(64), r.i32(68)};
  const size_t bytes = size_t(count) * (wide ? 2 : 1);
  if (count > r.n || offString > r.n || bytes > r.n - offString) return;
  const std::string s = wide ? Utf16ToUtf8(r.p + offString, count) : AnsiToUtf8(r.p + offString, count);
  std::vector<double> advances;
  const bool pairs = (options & 0x2000) != 0;  // ETO_PDY: x and y advances
  const size_t step = pairs ? 8 : 4;
  if (offDx && offDx <= r.n && size_t(count) * step <= r.n - offDx) {
    for (uint32_t i = 0; i < count; ++i) {
      // Advances belong to code units; a surrogate pair takes two.
      if (wide && i > 0) {
        const uint16_t unit = uint16_t(r.i16(offString + 2 * i));
        if (unit >= 0xDC00 && unit < 0xE000) {
          advances.back() += r.i32(offDx + i * step);
          continue;
        }
      }
      advances.push_back(r.i32(offDx + i * step));
    }
  }
  pl.Text(reference, s, advances.empty() ? nullptr : &advances, options, &rect);
}

void play(uint32_t type, const Record& r, Player& pl) {
  Player::State& s = pl.S();
  switch (type) {
    case 2: pl.PolyBezier(points(r, 28, r.u32(24), false), false); break;
    case 3: pl.Polygon({points(r, 28, r.u32(24), false)}); break;
    case 4: pl.Polyline(points(r, 28, r.u32(24), false)); break;
    case 5: pl.PolyBezier(points(r, 28, r.u32(24), false), true); break;
    case 6: pl.Polyline(points(r, 28, r.u32(24), false), true); break;
    case 7: pl.PolyPolyline(polyPoints(r, false)); break;
    case 8: pl.Polygon(polyPoints(r, false)); break;
    case 85: pl.PolyBezier(points(r, 28, r.u32(24), true), false); break;
    case 86: pl.Polygon({points(r, 28, r.u32(24), true)}); break;
    case 87: pl.Polyline(points(r, 28, r.u32(24), true)); break;
    case 88: pl.PolyBezier(points(r, 28, r.u32(24), true), true); break;
    case 89: pl.Polyline(points(r, 28, r.u32(24), true), true); break;
    case 90: pl.PolyPolyline(polyPoints(r, true)); break;
    case 91: pl.Polygon(polyPoints(r, true)); break;
    case 56:
    case 92: {
      const bool small = type == 92;
      const uint32_t count = r.u32(24);
      const std::vector<PointF> p = points(r, 28, count, small);
      const size_t typesAt = 28 + size_t(p.size()) * (small ? 4 : 8);
      std::vector<uint8_t> types;
      for (size_t i = 0; i < p.size() && typesAt + i < r.n; ++i) types.push_back(r.u8(typesAt + i));
      pl.PolyDraw(p, types);
      break;
    }
    case 9: pl.SetWindowExt(r.i32(8), r.i32(12)); break;
    case 10: pl.SetWindowOrg(r.i32(8), r.i32(12)); break;
    case 11: pl.SetViewportExt(r.i32(8), r.i32(12)); break;
    case 12: pl.SetViewportOrg(r.i32(8), r.i32(12)); break;
    case 13: s.brushOrigin = r.point(8); break;
    case 15: pl.SetPixel(r.point(8), r.u32(16)); break;
    case 17: pl.SetMapMode(r.i32(8)); break;
    case 18: s.bkMode = r.i32(8); break;
    case 19: s.fillMode = r.u32(8) == 2 ? 2 : 1; break;
    case 20:
      if (r.u32(8) >= 1 && r.u32(8) <= 16) s.rop2 = int(r.u32(8));
      break;
    case 22: s.textAlign = r.u32(8); break;
    case 24: s.textColour = r.u32(8); break;
    case 25: s.bkColour = r.u32(8); break;
    case 27: pl.MoveTo(r.point(8)); break;
    case 29: pl.ExcludeClip(r.i32(8), r.i32(12), r.i32(16), r.i32(20)); break;
    case 30: pl.IntersectClip(r.i32(8), r.i32(12), r.i32(16), r.i32(20)); break;
    case 31: pl.ScaleViewportExt(r.i32(8), r.i32(12), r.i32(16), r.i32(20)); break;
    case 32: pl.ScaleWindowExt(r.i32(8), r.i32(12), r.i32(16), r.i32(20)); break;
    case 33: pl.SaveState(); break;
    case 34: pl.RestoreState(r.i32(8)); break;
    case 35: pl.SetWorld(xformAt(r, 8)); break;
    case 36: pl.ModifyWorld(xformAt(r, 8), int(r.u32(32))); break;
    case 37: pl.SelectObject(r.u32(8)); break;
    case 38: {
      Object o;
      o.kind = Object::Kind::Pen;
      o.pen.style = r.u32(12);
      o.pen.width = std::fabs(double(r.i32(16)));
      o.pen.cosmetic = o.pen.width <= 1;
      o.pen.colour = r.u32(24);
      pl.CreateObjectAt(r.u32(8), std::move(o));
      break;
    }
    case 39: {
      Object o;
      o.kind = Object::Kind::Brush;
      o.brush.style = r.u32(12);
      o.brush.colour = r.u32(16);
      o.brush.hatch = r.u32(20);
      pl.CreateObjectAt(r.u32(8), std::move(o));
      break;
    }
    case 93:
    case 94: {
      Object o;
      o.kind = Object::Kind::Brush;
      Bitmap pattern;
      if (bitmapOf(r, 16, 20, 24, 28, pattern)) {
        o.brush.style = 5;
        o.brush.monochrome = type == 93;
        o.brush.pattern = std::make_shared<Bitmap>(std::move(pattern));
      } else {
        o.brush.colour = 0x808080;
      }
      pl.CreateObjectAt(r.u32(8), std::move(o));
      break;
    }
    case 95: {
      Object o;
      o.kind = Object::Kind::Pen;
      o.pen.style = r.u32(28);
      o.pen.width = std::fabs(double(r.i32(32)));
      o.pen.cosmetic = (o.pen.style & 0xF0000) == 0;  // PS_COSMETIC
      o.pen.colour = r.u32(40);
      if (r.u32(36) == 1) o.pen.style = (o.pen.style & ~0xFu) | 5;  // a hollow brush draws nothing
      const uint32_t entries = std::min<uint32_t>(r.u32(48), 16);
      for (uint32_t i = 0; i < entries; ++i) o.pen.userDashes.push_back(std::max(1, std::min(r.i32(52 + 4 * i), 1000)));
      pl.CreateObjectAt(r.u32(8), std::move(o));
      break;
    }
    case 82: pl.CreateObjectAt(r.u32(8), fontObject(r)); break;
    case 49: {
      Object o;
      o.kind = Object::Kind::Palette;
      const size_t count = std::min<size_t>(uint16_t(r.i16(14)), r.n > 16 ? (r.n - 16) / 4 : 0);
      for (size_t i = 0; i < count; ++i) {
        const size_t at = 16 + 4 * i;  // red, green, blue, flags
        o.palette.push_back((uint32_t(r.u8(at)) << 16) | (uint32_t(r.u8(at + 1)) << 8) | r.u8(at + 2));
      }
      pl.CreateObjectAt(r.u32(8), std::move(o));
      break;
    }
    case 48: pl.SelectObject(r.u32(8)); break;
    case 40: pl.DeleteObject(r.u32(8)); break;
    case 41: pl.AngleArc(r.point(8), double(r.u32(16)), r.f32(20), r.f32(24)); break;
    case 42: pl.Ellipse(r.i32(8), r.i32(12), r.i32(16), r.i32(20)); break;
    case 43: pl.Rectangle(r.i32(8), r.i32(12), r.i32(16), r.i32(20)); break;
    case 44: pl.RoundRect(r.i32(8), r.i32(12), r.i32(16), r.i32(20), r.i32(24), r.i32(28)); break;
    case 45:
    case 46:
    case 47:
    case 55: {
      const int kind = type == 45 ? 0 : type == 46 ? 1 : type == 47 ? 2 : 3;
      pl.Arc(kind, r.i32(8), r.i32(12), r.i32(16), r.i32(20), r.point(24), r.point(32));
      break;
    }
    case 54: pl.LineTo(r.point(8)); break;
    case 57: s.arcDirection = r.i32(8) == 2 ? 2 : 1; break;
    case 59: pl.BeginPath(); break;
    case 60: pl.EndPath(); break;
    case 61: pl.CloseFigure(); break;
    case 62: pl.FillPath(); break;
    case 63: pl.StrokeAndFillPath(); break;
    case 64: pl.StrokePath(); break;
    case 67: pl.SelectClipPath(r.i32(8)); break;
    case 68: pl.AbortPath(); break;
    case 71:
    case 74: {
      const size_t dataAt = type == 71 ? 32 : 28;
      const uint32_t length = r.u32(24);
      Rects rects;
      if (dataAt > r.n || length > r.n - dataAt || !ParseRegionData(r.p + dataAt, length, rects)) break;
      const Object* brush = type == 71 ? pl.Find(r.u32(28)) : nullptr;
      if (type == 71 && !(r.u32(28) & 0x80000000u) && (!brush || brush->kind != Object::Kind::Brush)) break;
      pl.FillRects(rects, brush && brush->kind == Object::Kind::Brush ? &brush->brush : nullptr);
      break;
    }
    case 75: {
      const uint32_t length = r.u32(8), mode = r.u32(12);
      if (length == 0) {
        if (mode == 5) pl.SelectClipRects(nullptr, 5, true);
        break;
      }
      Rects rects;
      if (length > r.n - std::min<size_t>(16, r.n) || !ParseRegionData(r.p + 16, length, rects)) break;
      pl.SelectClipRects(&rects, int(mode), true);
      break;
    }
    case 76:
    case 77:
    case 78: {
      const double x = r.i32(24), y = r.i32(28), w = r.i32(32), h = r.i32(36);
      const uint32_t rop = r.u32(40);
      const uint32_t srcLength = r.u32(88);
      if (srcLength == 0) {
        pl.PatBlt(x, y, w, h, rop);
        break;
      }
      Bitmap b;
      if (!bitmapOf(r, 84, 88, 92, 96, b)) break;
      const double sw = type == 77 ? r.i32(100) : w, sh = type == 77 ? r.i32(104) : h;
      Bitmap mask;
      const bool masked = type == 78 && bitmapOf(r, 112, 116, 120, 124, mask);
      pl.DrawBitmap(b, x, y, w, h, r.i32(44), r.i32(48), sw, sh, rop, masked ? &mask : nullptr,
                    masked ? (rop >> 8) & 0xFF0000u : 0);
      break;
    }
    case 80:
    case 81: {
      Bitmap b;
      bool bottomUp = true;
      if (!bitmapOf(r, 48, 52, 56, 60, b, &bottomUp)) break;
      const double sx = r.i32(32), sy = r.i32(36), sw = r.i32(40), sh = r.i32(44);
      // DIB coordinates count from the bottom of a bottom-up picture.
      const double top = bottomUp ? b.height - sy - sh : sy;
      if (type == 80)
        pl.DrawBitmap(b, r.i32(24), r.i32(28), sw, sh, sx, top, sw, sh, 0x00CC0020);
      else
        pl.DrawBitmap(b, r.i32(24), r.i32(28), r.i32(72), r.i32(76), sx, top, sw, sh, r.u32(68));
      break;
    }
    case 114:
    case 116: {
      Bitmap b;
      if (!bitmapOf(r, 84, 88, 92, 96, b)) break;
      const double x = r.i32(24), y = r.i32(28), w = r.i32(32), h = r.i32(36);
      if (type == 114)
        pl.AlphaBlend(b, x, y, w, h, r.i32(44), r.i32(48), r.i32(100), r.i32(104), r.u8(42), r.u8(43) == 1);
      else
        pl.TransparentBlit(b, x, y, w, h, r.i32(44), r.i32(48), r.i32(100), r.i32(104), r.u32(40));
      break;
    }
    case 83: text(r, pl, false); break;
    case 84: text(r, pl, true); break;
    default: break;  // comments, colour adjustment, palettes, layout, gradients ...
  }
}

}  // namespace

std::string Utf16ToUtf8(const uint8_t* units, size_t count) {
  std::string out;
  out.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    uint32_t u = uint32_t(units[2 * i]) | (uint32_t(units[2 * i + 1]) << 8);
    if (u == 0) break;
    if (u >= 0xD800 && u < 0xDC00 && i + 1 < count) {
      const uint32_t v = uint32_t(units[2 * i + 2]) | (uint32_t(units[2 * i + 3]) << 8);
      if (v >= 0xDC00 && v < 0xE000) {
        u = 0x10000 + ((u - 0xD800) << 10) + (v - 0xDC00);
        ++i;
      }
    }
    AppendUtf8(out, u);
  }
  return out;
}

bool ParseRegionData(const uint8_t* data, size_t size, Rects& out) {
  if (size < 32) return false;
  const Record r{data, size};
  const uint32_t headerSize = r.u32(0), count = r.u32(8);
  if (headerSize < 32 || headerSize > size || count > (size - headerSize) / 16) return false;
  for (uint32_t i = 0; i < count; ++i) {
    const size_t at = headerSize + size_t(i) * 16;
    out.rects.push_back(RECT{r.i32(at), r.i32(at + 4), r.i32(at + 8), r.i32(at + 12)});
  }
  return true;
}

void PlayEmf(const uint8_t* data, size_t size, Player& player, const std::function<bool()>& cancelled) {
  size_t pos = 0;
  uint32_t count = 0;
  while (pos + 8 <= size) {
    const Record head{data + pos, size - pos};
    const uint32_t type = head.u32(0), length = head.u32(4);
    if (length < 8 || length % 4 != 0 || length > size - pos) break;
    if (type == 14) break;  // EMR_EOF
    play(type, Record{data + pos, length}, player);
    pos += length;
    if ((++count & 255) == 0 && cancelled && cancelled()) break;
  }
}

}  // namespace meta
