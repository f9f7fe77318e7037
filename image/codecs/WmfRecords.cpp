// Windows metafile records. Each record is a size in 16-bit words, a
// function number and its parameters, most of them 16-bit and many in
// reverse order (y before x, bottom before top).
#include <algorithm>
#include <cstring>

#include "image/codecs/MetaRecords.h"
#include "image/io/Bytes.h"

namespace meta {
namespace {

// The parameters of one record; reads beyond them give 0.
struct Params {
  const uint8_t* p;
  size_t n;  // bytes
  int16_t s(size_t word) const { return int16_t(u(word)); }
  uint16_t u(size_t word) const { return gbio::Le16At(p, n, word * 2); }
  uint32_t u32(size_t word) const { return uint32_t(u(word)) | (uint32_t(u(word + 1)) << 16); }
  size_t words() const { return n / 2; }
};

constexpr uint16_t kCp1252[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                  0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};

std::vector<PointF> points(const Params& r, size_t firstWord, size_t count) {
  std::vector<PointF> out;
  const size_t available = r.words() > firstWord ? (r.words() - firstWord) / 2 : 0;
  count = std::min(count, available);
  out.reserve(count);
  for (size_t i = 0; i < count; ++i)
    out.push_back({double(r.s(firstWord + 2 * i)), double(r.s(firstWord + 2 * i + 1))});
  return out;
}

Object penObject(const Params& r) {
  Object o;
  o.kind = Object::Kind::Pen;
  o.pen.style = r.u(0);
  o.pen.width = r.s(1) < 0 ? -double(r.s(1)) : double(r.s(1));
  o.pen.cosmetic = o.pen.width <= 1;
  o.pen.colour = r.u32(3);
  return o;
}

Object brushObject(uint32_t style, uint32_t colour, uint32_t hatch) {
  Object o;
  o.kind = Object::Kind::Brush;
  o.brush.style = style;
  o.brush.colour = colour;
  o.brush.hatch = hatch;
  return o;
}

Object fontObject(const Params& r) {
  Object o;
  o.kind = Object::Kind::Font;
  Font& f = o.font;
  f.height = r.s(0);
  f.width = r.s(1);
  f.escapement = r.s(2);
  f.weight = r.s(4);
  auto byte = [&](size_t at) -> uint8_t { return at < r.n ? r.p[at] : 0; };
  f.italic = byte(10);
  f.underline = byte(11);
  f.strikeOut = byte(12);
  f.charSet = byte(13);
  f.quality = byte(16);
  f.pitchAndFamily = byte(17);
  size_t end = 18;
  while (end < r.n && end < 18 + 32 && r.p[end]) ++end;
  if (end > 18) f.face = AnsiToUtf8(r.p + 18, end - 18);
  return o;
}

// A region object: a bounding box and scans of left/right pairs.
Object regionObject(const Params& r) {
  Object o;
  o.kind = Object::Kind::Region;
  const size_t scanCount = r.u(5);
  const RECT bounds{r.s(7), r.s(8), r.s(9), r.s(10)};
  size_t w = 11;
  for (size_t scan = 0; scan < scanCount && w + 3 <= r.words(); ++scan) {
    const size_t count = r.u(w);
    const int top = r.s(w + 1), bottom = r.s(w + 2);
    w += 3;
    if (w + count + 1 > r.words()) break;
    for (size_t k = 0; k + 1 < count; k += 2) o.region.rects.push_back(RECT{r.s(w + k), top, r.s(w + k + 1), bottom});
    w += count + 1;  // the pairs and the repeated count
  }
  if (o.region.rects.empty() && bounds.right > bounds.left && bounds.bottom > bounds.top)
    o.region.rects.push_back(bounds);
  return o;
}

// The DIB at the given word of a record, unpacked.
bool dibAt(const Params& r, size_t word, Bitmap& out, bool* bottomUp = nullptr) {
  if (word * 2 >= r.n) return false;
  const uint8_t* dib = r.p + word * 2;
  const size_t size = r.n - word * 2;
  size_t infoSize = 0;
  if (!SplitPackedDib(dib, size, infoSize)) return false;
  return DecodeDib(dib, infoSize, dib + infoSize, size - infoSize, out, bottomUp);
}

void play(uint16_t function, const Params& r, Player& pl) {
  Player::State& s = pl.S();
  switch (function) {
    case 0x001E: pl.SaveState(); break;
    case 0x0127: pl.RestoreState(r.s(0)); break;
    case 0x0102: s.bkMode = r.u(0); break;
    case 0x0103: pl.SetMapMode(r.u(0)); break;
    case 0x0104:
      if (r.u(0) >= 1 && r.u(0) <= 16) s.rop2 = r.u(0);
      break;
    case 0x0106: s.fillMode = r.u(0) == 2 ? 2 : 1; break;
    case 0x0201: s.bkColour = r.u32(0); break;
    case 0x0209: s.textColour = r.u32(0); break;
    case 0x012E: s.textAlign = r.u(0); break;
    case 0x020B: pl.SetWindowOrg(r.s(1), r.s(0)); break;
    case 0x020C: pl.SetWindowExt(r.s(1), r.s(0)); break;
    case 0x020D: pl.SetViewportOrg(r.s(1), r.s(0)); break;
    case 0x020E: pl.SetViewportExt(r.s(1), r.s(0)); break;
    case 0x020F: pl.OffsetWindowOrg(r.s(1), r.s(0)); break;
    case 0x0211: pl.OffsetViewportOrg(r.s(1), r.s(0)); break;
    case 0x0410: pl.ScaleWindowExt(r.s(3), r.s(2), r.s(1), r.s(0)); break;
    case 0x0412: pl.ScaleViewportExt(r.s(3), r.s(2), r.s(1), r.s(0)); break;
    case 0x0213: pl.LineTo({double(r.s(1)), double(r.s(0))}); break;
    case 0x0214: pl.MoveTo({double(r.s(1)), double(r.s(0))}); break;
    case 0x0415: pl.ExcludeClip(r.s(3), r.s(2), r.s(1), r.s(0)); break;
    case 0x0416: pl.IntersectClip(r.s(3), r.s(2), r.s(1), r.s(0)); break;
    case 0x0817:
    case 0x081A:
    case 0x0830:
      pl.Arc(function == 0x0817   ? 0
             : function == 0x0830 ? 1
                                  : 2,
             r.s(7), r.s(6), r.s(5), r.s(4), {double(r.s(3)), double(r.s(2))}, {double(r.s(1)), double(r.s(0))});
      break;
    case 0x0418: pl.Ellipse(r.s(3), r.s(2), r.s(1), r.s(0)); break;
    case 0x041B: pl.Rectangle(r.s(3), r.s(2), r.s(1), r.s(0)); break;
    case 0x061C: pl.RoundRect(r.s(5), r.s(4), r.s(3), r.s(2), r.s(1), r.s(0)); break;
    case 0x061D: pl.PatBlt(r.s(5), r.s(4), r.s(3), r.s(2), r.u32(0)); break;
    case 0x041F: pl.SetPixel({double(r.s(3)), double(r.s(2))}, r.u32(0)); break;
    case 0x0521: {
      const size_t length = std::min<size_t>(size_t(std::max<int16_t>(r.s(0), 0)), r.n > 2 ? r.n - 2 : 0);
      const size_t after = 1 + (length + 1) / 2;
      pl.Text({double(r.s(after + 1)), double(r.s(after))}, AnsiToUtf8(r.p + 2, length), nullptr, 0, nullptr);
      break;
    }
    case 0x0A32: {
      const PointF at{double(r.s(1)), double(r.s(0))};
      const size_t length = size_t(std::max<int16_t>(r.s(2), 0));
      const uint32_t options = r.u(3);
      size_t word = 4;
      RECT rect{};
      const bool hasRect = (options & 0x6) != 0;
      if (hasRect) {
        rect = RECT{r.s(4), r.s(5), r.s(6), r.s(7)};
        word = 8;
      }
      if (word * 2 + length > r.n) break;
      const std::string text = AnsiToUtf8(r.p + word * 2, length);
      const size_t dxWord = word + (length + 1) / 2;
      std::vector<double> advances;
      if (dxWord + length <= r.words())
        for (size_t i = 0; i < length; ++i) advances.push_back(r.s(dxWord + i));
      pl.Text(at, text, advances.empty() ? nullptr : &advances, options, hasRect ? &rect : nullptr);
      break;
    }
    case 0x0324: pl.Polygon({points(r, 1, size_t(std::max<int16_t>(r.s(0), 0)))}); break;
    case 0x0325: pl.Polyline(points(r, 1, size_t(std::max<int16_t>(r.s(0), 0)))); break;
    case 0x0538: {
      const size_t polys = r.u(0);
      if (1 + polys > r.words()) break;
      std::vector<std::vector<PointF>> all;
      size_t word = 1 + polys;
      for (size_t i = 0; i < polys; ++i) {
        const size_t count = r.u(1 + i);
        all.push_back(points(r, word, count));
        word += 2 * count;
        if (word > r.words()) break;
      }
      pl.Polygon(all);
      break;
    }
    case 0x012D: pl.SelectObject(r.u(0)); break;
    case 0x01F0: pl.DeleteObject(r.u(0)); break;
    case 0x02FA: pl.CreateObjectAtFreeSlot(penObject(r)); break;
    case 0x02FC: pl.CreateObjectAtFreeSlot(brushObject(r.u(0), r.u32(1), r.u(3))); break;
    case 0x02FB: pl.CreateObjectAtFreeSlot(fontObject(r)); break;
    case 0x00F7: {
      Object o;
      o.kind = Object::Kind::Palette;
      const size_t count = std::min<size_t>(r.u(1), r.words() > 2 ? (r.words() - 2) / 2 : 0);
      for (size_t i = 0; i < count; ++i) {
        const uint8_t* e = r.p + 4 + 4 * i;  // red, green, blue, flags
        o.palette.push_back((uint32_t(e[0]) << 16) | (uint32_t(e[1]) << 8) | e[2]);
      }
      pl.CreateObjectAtFreeSlot(std::move(o));
      break;
    }
    case 0x01F9:  // old-style pattern brush: its slot is taken, drawn grey
      pl.CreateObjectAtFreeSlot(brushObject(0, 0x808080, 0));
      break;
    case 0x0142: {
      Object o = brushObject(r.u(0), 0, 0);
      Bitmap pattern;
      if (dibAt(r, 2, pattern)) {
        o.brush.style = 5;
        o.brush.monochrome = r.u(0) == 3;
        o.brush.pattern = std::make_shared<Bitmap>(std::move(pattern));
      } else {
        o.brush.style = 0;
        o.brush.colour = 0x808080;
      }
      pl.CreateObjectAtFreeSlot(std::move(o));
      break;
    }
    case 0x06FF: pl.CreateObjectAtFreeSlot(regionObject(r)); break;
    case 0x012C: {
      const Object* o = pl.Find(r.u(0));
      if (o && o->kind == Object::Kind::Region)
        pl.SelectClipRects(&o->region, 5, false);
      else
        pl.SelectClipRects(nullptr, 5, false);
      break;
    }
    case 0x0228: {
      const Object* region = pl.Find(r.u(0));
      const Object* brush = pl.Find(r.u(1));
      if (region && region->kind == Object::Kind::Region && brush && brush->kind == Object::Kind::Brush)
        pl.FillRects(region->region, &brush->brush);
      break;
    }
    case 0x012B: {
      const Object* region = pl.Find(r.u(0));
      if (region && region->kind == Object::Kind::Region) pl.FillRects(region->region, nullptr);
      break;
    }
    case 0x0234: pl.SelectObject(r.u(0)); break;
    case 0x0940: {  // DIBBITBLT
      if (r.words() <= 9) {
        pl.PatBlt(r.s(8), r.s(7), r.s(6), r.s(5), r.u32(0));
        break;
      }
      Bitmap b;
      if (dibAt(r, 8, b)) pl.DrawBitmap(b, r.s(7), r.s(6), r.s(5), r.s(4), r.s(3), r.s(2), r.s(5), r.s(4), r.u32(0));
      break;
    }
    case 0x0B41: {  // DIBSTRETCHBLT
      if (r.words() <= 11) {
        pl.PatBlt(r.s(10), r.s(9), r.s(8), r.s(7), r.u32(0));
        break;
      }
      Bitmap b;
      if (dibAt(r, 10, b)) pl.DrawBitmap(b, r.s(9), r.s(8), r.s(7), r.s(6), r.s(5), r.s(4), r.s(3), r.s(2), r.u32(0));
      break;
    }
    case 0x0F43: {  // STRETCHDIB: the source counts from the bottom of a bottom-up DIB
      Bitmap b;
      bool bottomUp = true;
      if (!dibAt(r, 11, b, &bottomUp)) break;
      const double sh = r.s(3), sy = r.s(5);
      const double top = bottomUp ? b.height - sy - sh : sy;
      pl.DrawBitmap(b, r.s(10), r.s(9), r.s(8), r.s(7), r.s(6), top, r.s(4), sh, r.u32(0));
      break;
    }
    case 0x0D33: {  // SETDIBTODEV
      Bitmap b;
      bool bottomUp = true;
      if (!dibAt(r, 9, b, &bottomUp)) break;
      const double w = r.s(6), h = r.s(5), sy = r.s(3);
      const double top = bottomUp ? b.height - sy - h : sy;
      pl.DrawBitmap(b, r.s(8), r.s(7), w, h, r.s(4), top, w, h, 0x00CC0020);
      break;
    }
    case 0x0922:  // BITBLT and STRETCHBLT without a device-independent bitmap
      if (r.words() == 9) pl.PatBlt(r.s(8), r.s(7), r.s(6), r.s(5), r.u32(0));
      break;
    case 0x0B23:
      if (r.words() == 11) pl.PatBlt(r.s(10), r.s(9), r.s(8), r.s(7), r.u32(0));
      break;
    default: break;  // escapes, palette animation, flood fills, layout ...
  }
}

}  // namespace

std::string AnsiToUtf8(const uint8_t* bytes, size_t n) {
  std::string out;
  out.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    const uint8_t c = bytes[i];
    if (c == 0) break;
    AppendUtf8(out, c >= 0x80 && c < 0xA0 ? kCp1252[c - 0x80] : c);
  }
  return out;
}

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp >= 0xD800 && cp < 0xE000) cp = 0xFFFD;
  if (cp < 0x80) {
    out += char(cp);
  } else if (cp < 0x800) {
    out += char(0xC0 | (cp >> 6));
    out += char(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += char(0xE0 | (cp >> 12));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  } else if (cp < 0x110000) {
    out += char(0xF0 | (cp >> 18));
    out += char(0x80 | ((cp >> 12) & 0x3F));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  }
}

bool SplitPackedDib(const uint8_t* dib, size_t size, size_t& infoSize) {
  if (size < 12) return false;
  const uint32_t headerSize = gbio::Le32(dib);
  if (headerSize == 12) {
    const uint32_t bpp = gbio::Le16(dib + 10);
    infoSize = 12 + (bpp <= 8 ? 3u * (1u << bpp) : 0);
    return infoSize <= size;
  }
  if (headerSize < 40 || headerSize > size) return false;
  const uint32_t bpp = gbio::Le16(dib + 14);
  const uint32_t compression = gbio::Le32(dib + 16);
  uint32_t colours = gbio::Le32(dib + 32);
  if (bpp <= 8 && (colours == 0 || colours > (1u << bpp))) colours = bpp <= 8 ? 1u << bpp : 0;
  if (bpp > 8 && colours > 256) return false;
  size_t masks = headerSize == 40 && compression == 3 ? 12 : 0;
  infoSize = size_t(headerSize) + masks + 4 * size_t(colours);
  return infoSize <= size;
}

void PlayWmf(const uint8_t* data, size_t size, uint32_t objectCount, Player& player,
             const std::function<bool()>& cancelled) {
  player.SetTableSize(objectCount);
  size_t pos = 0;
  uint32_t count = 0;
  while (pos + 6 <= size) {
    const uint32_t words = gbio::Le32(data + pos);
    const uint16_t function = gbio::Le16(data + pos + 4);
    if (function == 0 || words < 3 || uint64_t(words) * 2 > size - pos) break;
    play(function, Params{data + pos + 6, size_t(words) * 2 - 6}, player);
    pos += size_t(words) * 2;
    if ((++count & 255) == 0 && cancelled && cancelled()) break;
  }
}

}  // namespace meta
