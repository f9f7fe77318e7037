// Regions as horizontal bands of spans; every operation rebuilds the bands
// in one top-to-bottom sweep.
#include <algorithm>
#include <cstring>
#include <limits>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiObjects.h"

namespace {

using Band = GdiRegion::Band;
using Spans = std::vector<std::pair<LONG, LONG>>;

// Appends a band, joining it to the previous one when they touch and match.
void Append(std::vector<Band>& bands, LONG top, LONG bottom, Spans&& spans) {
  if (spans.empty() || top >= bottom) return;
  if (!bands.empty() && bands.back().bottom == top && bands.back().spans == spans) {
    bands.back().bottom = bottom;
    return;
  }
  bands.push_back(Band{top, bottom, std::move(spans)});
}

// Sorted spans, possibly overlapping or touching, merged into disjoint ones.
Spans Merge(Spans spans) {
  std::sort(spans.begin(), spans.end());
  Spans out;
  for (const auto& s : spans) {
    if (!out.empty() && s.first <= out.back().second)
      out.back().second = std::max(out.back().second, s.second);
    else
      out.push_back(s);
  }
  return out;
}

bool Apply(int mode, bool a, bool b) {
  switch (mode) {
    case RGN_AND: return a && b;
    case RGN_OR: return a || b;
    case RGN_XOR: return a != b;
    case RGN_DIFF: return a && !b;
    default: return a;
  }
}

Spans CombineSpans(const Spans& a, const Spans& b, int mode) {
  std::vector<LONG> xs;
  xs.reserve(2 * (a.size() + b.size()));
  for (const auto& s : a) xs.push_back(s.first), xs.push_back(s.second);
  for (const auto& s : b) xs.push_back(s.first), xs.push_back(s.second);
  std::sort(xs.begin(), xs.end());
  xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
  Spans out;
  size_t ia = 0, ib = 0;
  for (size_t i = 0; i + 1 < xs.size(); ++i) {
    const LONG x0 = xs[i], x1 = xs[i + 1];
    while (ia < a.size() && a[ia].second <= x0) ++ia;
    while (ib < b.size() && b[ib].second <= x0) ++ib;
    const bool inA = ia < a.size() && a[ia].first <= x0;
    const bool inB = ib < b.size() && b[ib].first <= x0;
    if (!Apply(mode, inA, inB)) continue;
    if (!out.empty() && out.back().second == x0)
      out.back().second = x1;
    else
      out.emplace_back(x0, x1);
  }
  return out;
}

const Spans* SpansAt(const std::vector<Band>& bands, size_t& cursor, LONG y) {
  while (cursor < bands.size() && bands[cursor].bottom <= y) ++cursor;
  if (cursor < bands.size() && bands[cursor].top <= y) return &bands[cursor].spans;
  return nullptr;
}

std::vector<Band> Combine(const std::vector<Band>& a, const std::vector<Band>& b, int mode) {
  std::vector<LONG> ys;
  for (const auto& band : a) ys.push_back(band.top), ys.push_back(band.bottom);
  for (const auto& band : b) ys.push_back(band.top), ys.push_back(band.bottom);
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
  std::vector<Band> out;
  static const Spans none;
  size_t ca = 0, cb = 0;
  for (size_t i = 0; i + 1 < ys.size(); ++i) {
    const Spans* sa = SpansAt(a, ca, ys[i]);
    const Spans* sb = SpansAt(b, cb, ys[i]);
    Append(out, ys[i], ys[i + 1], CombineSpans(sa ? *sa : none, sb ? *sb : none, mode));
  }
  return out;
}

std::vector<Band> FromRects(const RECT* rects, size_t n) {
  std::vector<const RECT*> order;
  order.reserve(n);
  std::vector<LONG> ys;
  for (size_t i = 0; i < n; ++i) {
    const RECT& r = rects[i];
    if (r.left >= r.right || r.top >= r.bottom) continue;
    order.push_back(&r);
    ys.push_back(r.top);
    ys.push_back(r.bottom);
  }
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
  std::sort(order.begin(), order.end(), [](const RECT* p, const RECT* q) { return p->top < q->top; });
  std::vector<Band> out;
  std::vector<const RECT*> active;
  size_t next = 0;
  for (size_t i = 0; i + 1 < ys.size(); ++i) {
    const LONG y0 = ys[i], y1 = ys[i + 1];
    active.erase(std::remove_if(active.begin(), active.end(), [&](const RECT* r) { return r->bottom <= y0; }),
                 active.end());
    while (next < order.size() && order[next]->top <= y0) active.push_back(order[next++]);
    Spans spans;
    spans.reserve(active.size());
    for (const RECT* r : active) spans.emplace_back(r->left, r->right);
    Append(out, y0, y1, Merge(std::move(spans)));
  }
  return out;
}

int Complexity(const GdiRegion* rgn) {
  if (rgn->bands.empty()) return NULLREGION;
  if (rgn->bands.size() == 1 && rgn->bands[0].spans.size() == 1) return SIMPLEREGION;
  return COMPLEXREGION;
}

bool IsRegion(HRGN r) { return r && r->kind == GdiObject::Kind::Region; }

}  // namespace

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  auto* rgn = new GdiRegion;
  SetRectRgn(rgn, left, top, right, bottom);
  return rgn;
}

HRGN CreateRectRgnIndirect(const RECT* rect) {
  return rect ? CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom) : nullptr;
}

BOOL SetRectRgn(HRGN region, int left, int top, int right, int bottom) {
  if (!IsRegion(region)) return FALSE;
  // Corners may come in either order.
  const RECT r{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
  region->bands = FromRects(&r, 1);
  return TRUE;
}

HRGN RegionFromRects(const RECT* rects, size_t n) {
  if (!rects && n) return nullptr;
  auto* rgn = new GdiRegion;
  rgn->bands = FromRects(rects, n);
  return rgn;
}

HRGN ExtCreateRegion(const void* xform, DWORD size, const RGNDATA* data) {
  if (xform || !data || size < sizeof(RGNDATAHEADER)) return nullptr;
  const RGNDATAHEADER h = data->rdh;
  if (h.dwSize < sizeof(RGNDATAHEADER) || h.iType != RDH_RECTANGLES) return nullptr;
  if (h.dwSize > size || (size - h.dwSize) / sizeof(RECT) < h.nCount) return nullptr;
  std::vector<RECT> rects(h.nCount);
  if (h.nCount) std::memcpy(rects.data(), reinterpret_cast<const uint8_t*>(data) + h.dwSize, sizeof(RECT) * h.nCount);
  return RegionFromRects(rects.data(), rects.size());
}

int CombineRgn(HRGN dst, HRGN a, HRGN b, int mode) {
  if (!IsRegion(dst) || !IsRegion(a)) return RGN_ERROR;
  if (mode == RGN_COPY) {
    if (dst != a) dst->bands = a->bands;
    return Complexity(dst);
  }
  if (!IsRegion(b) || mode < RGN_AND || mode > RGN_DIFF) return RGN_ERROR;
  dst->bands = Combine(a->bands, b->bands, mode);
  return Complexity(dst);
}

int OffsetRgn(HRGN region, int dx, int dy) {
  if (!IsRegion(region)) return RGN_ERROR;
  for (auto& band : region->bands) {
    band.top += dy;
    band.bottom += dy;
    for (auto& s : band.spans) s.first += dx, s.second += dx;
  }
  return Complexity(region);
}

BOOL PtInRegion(HRGN region, int x, int y) {
  if (!IsRegion(region)) return FALSE;
  for (const auto& band : region->bands) {
    if (y < band.top) return FALSE;
    if (y >= band.bottom) continue;
    for (const auto& s : band.spans)
      if (x >= s.first && x < s.second) return TRUE;
    return FALSE;
  }
  return FALSE;
}

BOOL RectInRegion(HRGN region, const RECT* rect) {
  if (!IsRegion(region) || !rect) return FALSE;
  for (const auto& band : region->bands) {
    if (band.bottom <= rect->top || band.top >= rect->bottom) continue;
    for (const auto& s : band.spans)
      if (s.second > rect->left && s.first < rect->right) return TRUE;
  }
  return FALSE;
}

int GetRgnBox(HRGN region, RECT* box) {
  if (!IsRegion(region) || !box) return RGN_ERROR;
  *box = RECT{};
  if (region->bands.empty()) return NULLREGION;
  LONG left = std::numeric_limits<LONG>::max(), right = std::numeric_limits<LONG>::min();
  for (const auto& band : region->bands) {
    left = std::min(left, band.spans.front().first);
    right = std::max(right, band.spans.back().second);
  }
  *box = RECT{left, region->bands.front().top, right, region->bands.back().bottom};
  return Complexity(region);
}

BOOL EqualRgn(HRGN a, HRGN b) {
  if (!IsRegion(a) || !IsRegion(b)) return FALSE;
  if (a->bands.size() != b->bands.size()) return FALSE;
  for (size_t i = 0; i < a->bands.size(); ++i) {
    const Band &p = a->bands[i], &q = b->bands[i];
    if (p.top != q.top || p.bottom != q.bottom || p.spans != q.spans) return FALSE;
  }
  return TRUE;
}

std::vector<RECT> RegionRects(HRGN region) {
  std::vector<RECT> rects;
  if (!IsRegion(region)) return rects;
  for (const auto& band : region->bands)
    for (const auto& s : band.spans) rects.push_back(RECT{s.first, band.top, s.second, band.bottom});
  return rects;
}

DWORD GetRegionData(HRGN region, DWORD size, RGNDATA* data) {
  if (!IsRegion(region)) return 0;
  const std::vector<RECT> rects = RegionRects(region);
  const DWORD needed = DWORD(sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT));
  if (!data || size < needed) return needed;
  RGNDATAHEADER h;
  h.nCount = DWORD(rects.size());
  h.nRgnSize = DWORD(rects.size() * sizeof(RECT));
  GetRgnBox(region, &h.rcBound);
  data->rdh = h;
  if (!rects.empty())
    std::memcpy(reinterpret_cast<uint8_t*>(data) + sizeof h, rects.data(), rects.size() * sizeof(RECT));
  return needed;
}
