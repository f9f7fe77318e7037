#include "image/codecs/MetaRaster.h"

#include <algorithm>
#include <cmath>

namespace meta {
namespace {

constexpr double kPi = 3.14159265358979323846;
// Coordinates beyond this are pulled in, so that no arithmetic overflows.
constexpr double kFar = 1.0e6;

double tame(double v) {
  if (!std::isfinite(v)) return 0.0;
  return std::clamp(v, -kFar, kFar);
}

double signedArea(const std::vector<PointF>& p) {
  double a = 0;
  for (size_t i = 0, n = p.size(); i < n; ++i) {
    const PointF& u = p[i];
    const PointF& v = p[(i + 1) % n];
    a += u.x * v.y - v.x * u.y;
  }
  return a / 2;
}

// A polygon turned so that every piece of a wide stroke winds the same way
// and their union fills under the winding rule.
Figure oriented(std::vector<PointF> points) {
  if (signedArea(points) < 0) std::reverse(points.begin(), points.end());
  return Figure{std::move(points), true};
}

Figure disc(PointF c, double r) {
  const int n = std::clamp(int(r * 2), 8, 64);
  std::vector<PointF> p(n);
  for (int i = 0; i < n; ++i) {
    const double a = 2 * kPi * i / n;
    p[i] = {c.x + r * std::cos(a), c.y + r * std::sin(a)};
  }
  return oriented(std::move(p));
}

// Liang-Barsky: cuts the segment to the box. Sets a.x to NaN when nothing
// is left; returns whether the end point b survived uncut.
bool clipLine(double& ax, double& ay, double& bx, double& by, double left, double top, double right, double bottom) {
  double t0 = 0, t1 = 1;
  const double dx = bx - ax, dy = by - ay;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {ax - left, right - ax, ay - top, bottom - ay};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) {
        ax = std::nan("");
        return false;
      }
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0)
      t0 = std::max(t0, t);
    else
      t1 = std::min(t1, t);
  }
  if (t0 > t1) {
    ax = std::nan("");
    return false;
  }
  const double sx = ax, sy = ay;
  ax = sx + t0 * dx;
  ay = sy + t0 * dy;
  bx = sx + t1 * dx;
  by = sy + t1 * dy;
  return t1 >= 1;
}

}  // namespace

uint32_t Rop2(int rop, uint32_t p, uint32_t d) {
  uint32_t r;
  switch (rop) {
    case 1: r = 0; break;
    case 2: r = ~(p | d); break;
    case 3: r = ~p & d; break;
    case 4: r = ~p; break;
    case 5: r = p & ~d; break;
    case 6: r = ~d; break;
    case 7: r = p ^ d; break;
    case 8: r = ~(p & d); break;
    case 9: r = p & d; break;
    case 10: r = ~(p ^ d); break;
    case 11: r = d; break;
    case 12: r = ~p | d; break;
    case 14: r = p | ~d; break;
    case 15: r = p | d; break;
    case 16: r = 0xFFFFFF; break;
    default: r = p; break;
  }
  return r & 0xFFFFFF;
}

uint32_t Rop3(uint32_t index, uint32_t p, uint32_t s, uint32_t d) {
  switch (index) {
    case 0xCC: return s & 0xFFFFFF;
    case 0xF0: return p & 0xFFFFFF;
    case 0x00: return 0;
    case 0xFF: return 0xFFFFFF;
    case 0xAA: return d & 0xFFFFFF;
    default: break;
  }
  uint32_t r = 0;
  for (int k = 0; k < 8; ++k) {
    if (!((index >> k) & 1)) continue;
    r |= ((k & 4) ? p : ~p) & ((k & 2) ? s : ~s) & ((k & 1) ? d : ~d);
  }
  return r & 0xFFFFFF;
}

void Canvas::Plot(int x, int y, const Paint& paint) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_ || !Visible(x, y)) return;
  uint32_t colour = paint.colour;
  if (paint.pattern) {
    const Bitmap& b = *paint.pattern;
    if (b.width <= 0 || b.height <= 0) return;
    int u = (x - paint.originX) % b.width, v = (y - paint.originY) % b.height;
    if (u < 0) u += b.width;
    if (v < 0) v += b.height;
    colour = b.pixels[size_t(v) * b.width + u];
    if (!(colour >> 24)) return;
  }
  uint32_t& d = px_[size_t(y) * width_ + x];
  d = Rop2(paint.rop2, colour, d);
}

void Canvas::Span(int y, int x0, int x1, const Paint& paint) {
  if (y < 0 || y >= height_) return;
  x0 = std::max(x0, 0);
  x1 = std::min(x1, width_);
  if (x0 >= x1) return;
  if (!clip_.mask && !paint.pattern && paint.rop2 == 13) {
    if (clip_.active) {
      if (y < clip_.top || y >= clip_.bottom) return;
      x0 = std::max(x0, clip_.left);
      x1 = std::min(x1, clip_.right);
      if (x0 >= x1) return;
    }
    std::fill(px_ + size_t(y) * width_ + x0, px_ + size_t(y) * width_ + x1, paint.colour & 0xFFFFFF);
    return;
  }
  for (int x = x0; x < x1; ++x) Plot(x, y, paint);
}

uint32_t Canvas::GetPixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0xFFFFFFFF;
  return px_[size_t(y) * width_ + x] & 0xFFFFFF;
}

void Canvas::SetPixel(int x, int y, const Paint& paint) { Plot(x, y, paint); }

template <typename Fn>
void Canvas::ForEachCovered(const std::vector<Figure>& figures, bool winding, Fn&& span) const {
  struct Edge {
    double x0, y0, x1, y1;
    int dir;
  };
  std::vector<Edge> edges;
  double top = kFar, bottom = -kFar;
  for (const Figure& f : figures) {
    const size_t n = f.points.size();
    if (n < 2) continue;
    for (size_t i = 0; i < n; ++i) {
      PointF a = f.points[i], b = f.points[(i + 1) % n];
      a = {tame(a.x), tame(a.y)};
      b = {tame(b.x), tame(b.y)};
      if (a.y == b.y) continue;
      const int dir = a.y < b.y ? 1 : -1;
      if (a.y > b.y) std::swap(a, b);
      edges.push_back({a.x, a.y, b.x, b.y, dir});
      top = std::min(top, a.y);
      bottom = std::max(bottom, b.y);
    }
  }
  if (edges.empty()) return;
  std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.y0 < b.y0; });
  const int yStart = std::max(0, int(std::ceil(top)));
  const int yEnd = std::min(height_, int(std::ceil(bottom)));
  std::vector<const Edge*> active;
  std::vector<std::pair<double, int>> crossings;
  size_t next = 0;
  for (int y = yStart; y < yEnd; ++y) {
    while (next < edges.size() && edges[next].y0 <= y) active.push_back(&edges[next++]);
    active.erase(std::remove_if(active.begin(), active.end(), [y](const Edge* e) { return e->y1 <= y; }), active.end());
    crossings.clear();
    for (const Edge* e : active) {
      if (e->y0 > y) continue;
      const double x = e->x0 + (y - e->y0) * (e->x1 - e->x0) / (e->y1 - e->y0);
      crossings.emplace_back(x, e->dir);
    }
    std::sort(crossings.begin(), crossings.end());
    int count = 0;
    double start = 0;
    for (const auto& [x, dir] : crossings) {
      const bool inside = winding ? count != 0 : (count & 1) != 0;
      count += winding ? dir : 1;
      const bool nowInside = winding ? count != 0 : (count & 1) != 0;
      if (!inside && nowInside) {
        start = x;
      } else if (inside && !nowInside) {
        const int x0 = int(std::max(std::ceil(start), -1.0));
        const int x1 = int(std::min(std::ceil(x), double(width_) + 1));
        if (x0 < x1) span(y, x0, x1);
      }
    }
  }
}

std::vector<uint8_t> Canvas::Coverage(const std::vector<Figure>& figures, bool winding) const {
  std::vector<uint8_t> mask(size_t(width_) * height_, 0);
  ForEachCovered(figures, winding, [&](int y, int x0, int x1) {
    x0 = std::max(x0, 0);
    x1 = std::min(x1, width_);
    if (x0 < x1) std::fill(mask.begin() + size_t(y) * width_ + x0, mask.begin() + size_t(y) * width_ + x1, 1);
  });
  return mask;
}

void Canvas::Fill(const std::vector<Figure>& figures, bool winding, const Paint& paint) {
  ForEachCovered(figures, winding, [&](int y, int x0, int x1) { Span(y, x0, x1, paint); });
}

void Canvas::FillRect(int left, int top, int right, int bottom, const Paint& paint) {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  top = std::max(top, 0);
  bottom = std::min(bottom, height_);
  for (int y = top; y < bottom; ++y) Span(y, left, right, paint);
}

void Canvas::StrokeThin(const Figure& figure, const Paint& paint, const Dashes* dashes, const Paint* gapPaint) {
  const size_t n = figure.points.size();
  if (n < 2) return;
  const bool dashed = dashes && !dashes->runs.empty();
  size_t run = 0;
  int left = dashed ? dashes->runs[0] : 0;
  auto step = [&](int x, int y) {
    if (!dashed) {
      Plot(x, y, paint);
      return;
    }
    if (run % 2 == 0)
      Plot(x, y, paint);
    else if (gapPaint)
      Plot(x, y, *gapPaint);
    if (--left <= 0) {
      run = (run + 1) % dashes->runs.size();
      left = std::max(1, dashes->runs[run]);
    }
  };
  const size_t segments = figure.closed ? n : n - 1;
  for (size_t i = 0; i < segments; ++i) {
    const PointF& a = figure.points[i];
    const PointF& b = figure.points[(i + 1) % n];
    // The part of the line that can show: clipped to the canvas and a
    // margin, so that far-away lines cost nothing.
    double ax = tame(a.x), ay = tame(a.y), bx = tame(b.x), by = tame(b.y);
    const bool endInside = clipLine(ax, ay, bx, by, -2.0, -2.0, width_ + 1.0, height_ + 1.0);
    if (std::isnan(ax)) continue;
    long x0 = std::lround(ax), y0 = std::lround(ay);
    long x1 = std::lround(bx), y1 = std::lround(by);
    if (!endInside) {
      // The far end was cut: draw through it rather than stop short.
      x1 += x1 > x0 ? 1 : x1 < x0 ? -1 : 0;
      y1 += y1 > y0 ? 1 : y1 < y0 ? -1 : 0;
    }
    const long dx = std::labs(x1 - x0), dy = -std::labs(y1 - y0);
    const long sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    long err = dx + dy;
    while (x0 != x1 || y0 != y1) {
      step(int(x0), int(y0));
      const long e2 = 2 * err;
      if (e2 >= dy) {
        err += dy;
        x0 += sx;
      }
      if (e2 <= dx) {
        err += dx;
        y0 += sy;
      }
    }
  }
}

void Canvas::StrokeWide(const std::vector<Figure>& figures, double width, int cap, int join, const Paint& paint) {
  (void)join;  // every join is drawn round
  const double hw = std::min(width, 2 * kFar) / 2;
  std::vector<Figure> pieces;
  for (const Figure& f : figures) {
    std::vector<PointF> p;
    for (const PointF& q : f.points)
      if (p.empty() || q.x != p.back().x || q.y != p.back().y) p.push_back({tame(q.x), tame(q.y)});
    if (f.closed && p.size() > 1 && p.front().x == p.back().x && p.front().y == p.back().y) p.pop_back();
    if (p.empty()) continue;
    if (p.size() == 1) {
      if (cap == 0) pieces.push_back(disc(p[0], hw));
      continue;
    }
    const size_t n = p.size();
    const size_t segments = f.closed ? n : n - 1;
    for (size_t i = 0; i < segments; ++i) {
      PointF a = p[i], b = p[(i + 1) % n];
      const double len = std::hypot(b.x - a.x, b.y - a.y);
      if (len <= 0) continue;
      const double ux = (b.x - a.x) / len, uy = (b.y - a.y) / len;
      if (!f.closed && cap == 1) {
        if (i == 0) a = {a.x - ux * hw, a.y - uy * hw};
        if (i + 1 == segments) b = {b.x + ux * hw, b.y + uy * hw};
      }
      const double nx = -uy * hw, ny = ux * hw;
      pieces.push_back(
          oriented({{a.x + nx, a.y + ny}, {b.x + nx, b.y + ny}, {b.x - nx, b.y - ny}, {a.x - nx, a.y - ny}}));
    }
    for (size_t i = 0; i < n; ++i) {
      const bool end = !f.closed && (i == 0 || i + 1 == n);
      if (end && cap != 0) continue;
      pieces.push_back(disc(p[i], hw));
    }
  }
  Fill(pieces, true, paint);
}

std::vector<uint8_t> Canvas::ClipAsMask() const {
  const size_t n = size_t(width_) * height_;
  if (!clip_.active) return std::vector<uint8_t>(n, 1);
  std::vector<uint8_t> mask(n, 0);
  for (int y = std::max(clip_.top, 0); y < std::min(clip_.bottom, height_); ++y)
    for (int x = std::max(clip_.left, 0); x < std::min(clip_.right, width_); ++x) {
      const size_t i = size_t(y) * width_ + x;
      mask[i] = clip_.mask ? (*clip_.mask)[i] : 1;
    }
  return mask;
}

void Canvas::IntersectClipRect(int left, int top, int right, int bottom) {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  if (!clip_.active) {
    clip_.active = true;
    clip_.left = 0, clip_.top = 0, clip_.right = width_, clip_.bottom = height_;
  }
  clip_.left = std::max(clip_.left, left);
  clip_.top = std::max(clip_.top, top);
  clip_.right = std::max(clip_.left, std::min(clip_.right, right));
  clip_.bottom = std::max(clip_.top, std::min(clip_.bottom, bottom));
}

void Canvas::ExcludeClipRect(int left, int top, int right, int bottom) {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  std::vector<uint8_t> mask = ClipAsMask();
  for (int y = std::max(top, 0); y < std::min(bottom, height_); ++y)
    for (int x = std::max(left, 0); x < std::min(right, width_); ++x) mask[size_t(y) * width_ + x] = 0;
  clip_ = ClipMask{true, 0, 0, width_, height_, std::make_shared<const std::vector<uint8_t>>(std::move(mask))};
}

void Canvas::CombineClip(const std::vector<uint8_t>& region, int mode) {
  const size_t n = size_t(width_) * height_;
  if (region.size() != n) return;
  std::vector<uint8_t> mask = mode == 5 ? region : ClipAsMask();
  if (mode != 5) {
    for (size_t i = 0; i < n; ++i) {
      const bool a = mask[i] != 0, b = region[i] != 0;
      bool r = a;
      switch (mode) {
        case 1: r = a && b; break;
        case 2: r = a || b; break;
        case 3: r = a != b; break;
        case 4: r = a && !b; break;
        default: break;
      }
      mask[i] = r ? 1 : 0;
    }
  }
  clip_ = ClipMask{true, 0, 0, width_, height_, std::make_shared<const std::vector<uint8_t>>(std::move(mask))};
}

template <typename Fn>
void Canvas::ForEachBlitPixel(double dx, double dy, double dw, double dh, double sx, double sy, double sw, double sh,
                              int srcWidth, int srcHeight, Fn&& pixel) {
  dx = tame(dx), dy = tame(dy), dw = tame(dw), dh = tame(dh);
  if (dw == 0 || dh == 0 || !std::isfinite(sw) || !std::isfinite(sh) || !std::isfinite(sx) || !std::isfinite(sy))
    return;
  const double xa = std::min(dx, dx + dw), xb = std::max(dx, dx + dw);
  const double ya = std::min(dy, dy + dh), yb = std::max(dy, dy + dh);
  const int x0 = std::max(0, int(std::ceil(xa - 0.5))), x1 = std::min(width_, int(std::ceil(xb - 0.5)));
  const int y0 = std::max(0, int(std::ceil(ya - 0.5))), y1 = std::min(height_, int(std::ceil(yb - 0.5)));
  for (int y = y0; y < y1; ++y) {
    const double v = sy + (y + 0.5 - dy) * sh / dh;
    if (srcHeight && !(v >= 0 && v < srcHeight)) continue;
    const long row = srcHeight ? long(std::floor(v)) : 0;
    for (int x = x0; x < x1; ++x) {
      if (!Visible(x, y)) continue;
      const double u = sx + (x + 0.5 - dx) * sw / dw;
      if (srcWidth && !(u >= 0 && u < srcWidth)) continue;
      const long col = srcWidth ? long(std::floor(u)) : 0;
      pixel(x, y, int(col), int(row));
    }
  }
}

void Canvas::Blit(const Bitmap* source, double dx, double dy, double dw, double dh, double sx, double sy, double sw,
                  double sh, uint32_t rop, const Paint& brush, const Bitmap* mask, uint32_t backRop) {
  const uint32_t fore = (rop >> 16) & 0xFF;
  const uint32_t back = (backRop >> 16) & 0xFF;
  const int w = source ? source->width : 0, h = source ? source->height : 0;
  if (source && (w <= 0 || h <= 0)) return;
  if (!source) sw = sh = 1, sx = sy = 0;
  ForEachBlitPixel(dx, dy, dw, dh, sx, sy, sw, sh, w, h, [&](int x, int y, int u, int v) {
    const uint32_t s = source ? source->pixels[size_t(v) * w + u] : 0;
    uint32_t p = brush.colour;
    if (brush.pattern && brush.pattern->width > 0 && brush.pattern->height > 0) {
      const Bitmap& b = *brush.pattern;
      int pu = (x - brush.originX) % b.width, pv = (y - brush.originY) % b.height;
      if (pu < 0) pu += b.width;
      if (pv < 0) pv += b.height;
      p = b.pixels[size_t(pv) * b.width + pu];
    }
    uint32_t index = fore;
    if (mask && mask->width > 0 && mask->height > 0) {
      const int mu = std::min(u, mask->width - 1), mv = std::min(v, mask->height - 1);
      if (!(mask->pixels[size_t(mv) * mask->width + mu] & 0xFFFFFF)) index = back;
    }
    uint32_t& d = px_[size_t(y) * width_ + x];
    d = Rop3(index, p, s, d);
  });
}

void Canvas::AlphaBlend(const Bitmap& source, double dx, double dy, double dw, double dh, double sx, double sy,
                        double sw, double sh, uint8_t constantAlpha, bool perPixel) {
  if (source.width <= 0 || source.height <= 0) return;
  ForEachBlitPixel(dx, dy, dw, dh, sx, sy, sw, sh, source.width, source.height, [&](int x, int y, int u, int v) {
    const uint32_t s = source.pixels[size_t(v) * source.width + u];
    uint32_t& d = px_[size_t(y) * width_ + x];
    const uint32_t sa = perPixel && source.hasAlpha ? (s >> 24) * constantAlpha / 255 : constantAlpha;
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
      const uint32_t sc = (s >> shift) & 0xFF, dc = (d >> shift) & 0xFF;
      // Per-pixel alpha arrives premultiplied; a constant alpha applies to both.
      const uint32_t src = perPixel && source.hasAlpha ? sc * constantAlpha / 255 : sc * sa / 255;
      const uint32_t c = std::min<uint32_t>(255, src + dc * (255 - sa) / 255);
      out |= c << shift;
    }
    d = out;
  });
}

void Canvas::TransparentBlit(const Bitmap& source, double dx, double dy, double dw, double dh, double sx, double sy,
                             double sw, double sh, uint32_t key) {
  if (source.width <= 0 || source.height <= 0) return;
  ForEachBlitPixel(dx, dy, dw, dh, sx, sy, sw, sh, source.width, source.height, [&](int x, int y, int u, int v) {
    const uint32_t s = source.pixels[size_t(v) * source.width + u] & 0xFFFFFF;
    if (s != (key & 0xFFFFFF)) px_[size_t(y) * width_ + x] = s;
  });
}

}  // namespace meta
