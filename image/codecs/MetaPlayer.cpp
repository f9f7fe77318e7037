#include "image/codecs/MetaPlayer.h"

#include <algorithm>
#include <cmath>

namespace meta {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr size_t kMaxSavedStates = 1024;
constexpr uint32_t kMaxTableSize = 65535;

double safeDiv(double a, double b) { return b == 0 ? a : a / b; }

bool finite(const Xform& x) {
  return std::isfinite(x.m11) && std::isfinite(x.m12) && std::isfinite(x.m21) && std::isfinite(x.m22) &&
         std::isfinite(x.dx) && std::isfinite(x.dy);
}

// A count from a measured length, kept in range whatever the length is
// (huge, infinite or not a number).
int boundedCount(double v, int low, int high) {
  if (!(v >= low)) return low;
  if (v > high) return high;
  return int(v);
}

// Points of a cubic Bezier curve after its start point.
void flattenBezier(PointF a, PointF b, PointF c, PointF d, std::vector<PointF>& out) {
  const double length =
      std::hypot(b.x - a.x, b.y - a.y) + std::hypot(c.x - b.x, c.y - b.y) + std::hypot(d.x - c.x, d.y - c.y);
  const int n = boundedCount(length / 4, 4, 256);
  for (int i = 1; i <= n; ++i) {
    const double t = double(i) / n, u = 1 - t;
    const double w0 = u * u * u, w1 = 3 * u * u * t, w2 = 3 * u * t * t, w3 = t * t * t;
    out.push_back({w0 * a.x + w1 * b.x + w2 * c.x + w3 * d.x, w0 * a.y + w1 * b.y + w2 * c.y + w3 * d.y});
  }
}

int segmentsFor(double rx, double ry) {
  const double perimeter = 2 * kPi * std::sqrt((rx * rx + ry * ry) / 2);
  return boundedCount(perimeter / 3, 16, 1024);
}

// Pieces of the figures where a dashed wide pen draws.
std::vector<Figure> dashPieces(const std::vector<Figure>& figures, std::vector<double> runs) {
  for (double& r : runs) r = std::max(r, 0.5);
  std::vector<Figure> out;
  if (runs.empty()) return figures;
  constexpr size_t kMaxPieces = 100000;
  for (const Figure& f : figures) {
    const size_t n = f.points.size();
    if (n < 2) continue;
    const size_t segments = f.closed ? n : n - 1;
    size_t run = 0;
    double left = runs[0];
    Figure piece;
    piece.points.push_back(f.points[0]);
    for (size_t i = 0; i < segments && out.size() < kMaxPieces; ++i) {
      const PointF a = f.points[i], b = f.points[(i + 1) % n];
      const double len = std::hypot(b.x - a.x, b.y - a.y);
      if (!std::isfinite(len)) break;
      double pos = 0;
      while (len - pos > 1e-9 && out.size() < kMaxPieces) {
        const double step = std::min(left, len - pos);
        pos += step;
        left -= step;
        const PointF p{a.x + (b.x - a.x) * pos / len, a.y + (b.y - a.y) * pos / len};
        if (run % 2 == 0) piece.points.push_back(p);
        if (left <= 1e-9) {
          if (run % 2 == 0 && piece.points.size() > 1) out.push_back(piece);
          run = (run + 1) % runs.size();
          left = runs[run];
          piece.points.assign(1, p);
        }
      }
    }
    if (run % 2 == 0 && piece.points.size() > 1) out.push_back(piece);
  }
  return out;
}

}  // namespace

Xform Multiply(const Xform& a, const Xform& b) {
  Xform r;
  r.m11 = b.m11 * a.m11 + b.m21 * a.m12;
  r.m21 = b.m11 * a.m21 + b.m21 * a.m22;
  r.dx = b.m11 * a.dx + b.m21 * a.dy + b.dx;
  r.m12 = b.m12 * a.m11 + b.m22 * a.m12;
  r.m22 = b.m12 * a.m21 + b.m22 * a.m22;
  r.dy = b.m12 * a.dx + b.m22 * a.dy + b.dy;
  return r;
}

Player::Player(Canvas& canvas, GdiDC* dc) : canvas_(canvas), dc_(dc) { state_.clip = canvas.Clip(); }

void Player::SetOutput(double scaleX, double scaleY, double offsetX, double offsetY) {
  outScaleX_ = scaleX;
  outScaleY_ = scaleY;
  outX_ = offsetX;
  outY_ = offsetY;
}

void Player::SetDeviceResolution(double pixelsPerMmX, double pixelsPerMmY) {
  if (std::isfinite(pixelsPerMmX) && pixelsPerMmX > 0) pxPerMmX_ = pixelsPerMmX;
  if (std::isfinite(pixelsPerMmY) && pixelsPerMmY > 0) pxPerMmY_ = pixelsPerMmY;
}

void Player::LockViewport(double width, double height) {
  viewportLocked_ = true;
  lockedWidth_ = width;
  lockedHeight_ = height;
}

// ---- state --------------------------------------------------------------------

void Player::SaveState() {
  if (saved_.size() < kMaxSavedStates) saved_.push_back(state_);
}

void Player::RestoreState(int relative) {
  size_t target;
  if (relative < 0) {
    const size_t back = size_t(-int64_t(relative));
    if (back > saved_.size()) return;
    target = saved_.size() - back;
  } else if (relative > 0) {
    if (size_t(relative) > saved_.size()) return;
    target = size_t(relative) - 1;
  } else {
    return;
  }
  state_ = saved_[target];
  saved_.resize(target);
  canvas_.SetClip(state_.clip);
}

void Player::SetMapMode(int mode) {
  if (mode < 1 || mode > 8) return;
  state_.mapMode = mode;
}
void Player::SetWindowOrg(double x, double y) { state_.windowOrg = {x, y}; }
void Player::SetWindowExt(double x, double y) {
  if (x != 0 && y != 0) state_.windowExt = {x, y};
}
void Player::SetViewportOrg(double x, double y) { state_.viewportOrg = {x, y}; }
void Player::SetViewportExt(double x, double y) {
  if (x != 0 && y != 0) state_.viewportExt = {x, y};
}
void Player::ScaleWindowExt(double xn, double xd, double yn, double yd) {
  if (xd == 0 || yd == 0) return;
  SetWindowExt(state_.windowExt.x * xn / xd, state_.windowExt.y * yn / yd);
}
void Player::ScaleViewportExt(double xn, double xd, double yn, double yd) {
  if (xd == 0 || yd == 0) return;
  SetViewportExt(state_.viewportExt.x * xn / xd, state_.viewportExt.y * yn / yd);
}
void Player::OffsetWindowOrg(double dx, double dy) {
  state_.windowOrg = {state_.windowOrg.x + dx, state_.windowOrg.y + dy};
}
void Player::OffsetViewportOrg(double dx, double dy) {
  state_.viewportOrg = {state_.viewportOrg.x + dx, state_.viewportOrg.y + dy};
}
void Player::SetWorld(const Xform& x) {
  if (finite(x)) state_.world = x;
}
void Player::ModifyWorld(const Xform& x, int mode) {
  switch (mode) {
    case 1: state_.world = Xform{}; break;
    case 2: SetWorld(Multiply(x, state_.world)); break;
    case 3: SetWorld(Multiply(state_.world, x)); break;
    case 4: SetWorld(x); break;
    default: break;
  }
}

uint32_t Player::ResolveColour(uint32_t c) const {
  if ((c >> 24) == 1) {
    // An index into the selected palette.
    const Object* p = Find(state_.paletteIndex);
    const uint32_t i = c & 0xFFFF;
    if (p && p->kind == Object::Kind::Palette && i < p->palette.size()) return p->palette[i];
    return 0;
  }
  return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

Xform Player::Total() const {
  const State& s = state_;
  double sx = 1, sy = 1, vox = s.viewportOrg.x, voy = s.viewportOrg.y;
  if (viewportLocked_) {
    sx = safeDiv(lockedWidth_, s.windowExt.x);
    sy = safeDiv(lockedHeight_, s.windowExt.y);
    vox = voy = 0;
  } else {
    switch (s.mapMode) {
      case 2: sx = pxPerMmX_ * 0.1, sy = -pxPerMmY_ * 0.1; break;
      case 3: sx = pxPerMmX_ * 0.01, sy = -pxPerMmY_ * 0.01; break;
      case 4: sx = pxPerMmX_ * 0.254, sy = -pxPerMmY_ * 0.254; break;
      case 5: sx = pxPerMmX_ * 0.0254, sy = -pxPerMmY_ * 0.0254; break;
      case 6: sx = pxPerMmX_ * 25.4 / 1440, sy = -pxPerMmY_ * 25.4 / 1440; break;
      case 7:
      case 8:
        sx = safeDiv(s.viewportExt.x, s.windowExt.x);
        sy = safeDiv(s.viewportExt.y, s.windowExt.y);
        if (s.mapMode == 7) {
          const double m = std::min(std::fabs(sx), std::fabs(sy));
          sx = std::copysign(m, sx);
          sy = std::copysign(m, sy);
        }
        break;
      default: break;
    }
  }
  const Xform page{sx, 0, 0, sy, vox - sx * s.windowOrg.x, voy - sy * s.windowOrg.y};
  const Xform out{outScaleX_, 0, 0, outScaleY_, outX_, outY_};
  return Multiply(Multiply(s.world, page), out);
}

PointF Player::ToDevice(PointF p) const {
  const Xform t = Total();
  return {t.m11 * p.x + t.m21 * p.y + t.dx, t.m12 * p.x + t.m22 * p.y + t.dy};
}

PointF Player::ToOutput(PointF d) const { return {d.x * outScaleX_ + outX_, d.y * outScaleY_ + outY_}; }

// ---- objects ----------------------------------------------------------------------

void Player::CreateObjectAtFreeSlot(Object object) {
  const uint32_t size = std::min(tableSize_, kMaxTableSize);
  for (uint32_t i = 0; i < size; ++i) {
    auto it = objects_.find(i);
    if (it == objects_.end() || it->second.kind == Object::Kind::Empty) {
      objects_[i] = std::move(object);
      return;
    }
  }
}

void Player::CreateObjectAt(uint32_t index, Object object) {
  if (index & 0x80000000u) return;  // stock objects cannot be replaced
  if (objects_.size() > kMaxTableSize && !objects_.count(index)) return;
  objects_[index] = std::move(object);
}

const Object* Player::Find(uint32_t index) const {
  auto it = objects_.find(index);
  return it == objects_.end() ? nullptr : &it->second;
}

void Player::SelectObject(uint32_t index) {
  if (index & 0x80000000u) {
    SelectStock(index & 0x7FFFFFFFu);
    return;
  }
  const Object* o = Find(index);
  if (!o) return;
  switch (o->kind) {
    case Object::Kind::Pen: state_.pen = o->pen; break;
    case Object::Kind::Brush: state_.brush = o->brush; break;
    case Object::Kind::Font: state_.font = o->font; break;
    case Object::Kind::Palette: state_.paletteIndex = index; break;
    case Object::Kind::Region: SelectClipRects(&o->region, 5, false); break;
    default: break;
  }
}

void Player::SelectStock(uint32_t which) {
  static const uint32_t kBrushColours[5] = {0xFFFFFF, 0xC0C0C0, 0x808080, 0x404040, 0x000000};
  if (which <= 4) {
    state_.brush = Brush{};
    state_.brush.colour = kBrushColours[which];  // greys read the same either way round
  } else if (which == 5) {
    state_.brush = Brush{};
    state_.brush.style = 1;
  } else if (which == 6 || which == 7 || which == 19) {
    state_.pen = Pen{};
    state_.pen.colour = which == 6 ? 0xFFFFFF : 0;
  } else if (which == 8) {
    state_.pen = Pen{};
    state_.pen.style = 5;
  } else if (which == 18) {
    state_.brush = Brush{};
  } else if (which >= 10 && which <= 17 && which != 15) {
    state_.font = Font{};
  }
}

void Player::DeleteObject(uint32_t index) { objects_.erase(index); }

// ---- paints --------------------------------------------------------------------------

Paint Player::PenPaint() const {
  Paint p;
  p.colour = ResolveColour(state_.pen.colour);
  p.rop2 = state_.rop2;
  return p;
}

bool Player::BrushPaint(const Brush& brush, Paint& paint) const {
  paint.rop2 = state_.rop2;
  const PointF origin = ToOutput(state_.brushOrigin);
  paint.originX = int(std::lround(std::clamp(origin.x, -1e6, 1e6)));
  paint.originY = int(std::lround(std::clamp(origin.y, -1e6, 1e6)));
  switch (brush.style) {
    case 0: paint.colour = ResolveColour(brush.colour); return true;
    case 2: {
      auto hatch = std::make_shared<Bitmap>();
      hatch->width = hatch->height = 8;
      hatch->pixels.resize(64);
      const uint32_t fore = 0xFF000000u | ResolveColour(brush.colour);
      const uint32_t back = state_.bkMode == 2 ? 0xFF000000u | ResolveColour(state_.bkColour) : 0;
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
          const bool h = y == 7, v = x == 7, f = x == y, b = x + y == 7;
          bool on = false;
          switch (brush.hatch) {
            case 0: on = h; break;
            case 1: on = v; break;
            case 2: on = f; break;
            case 3: on = b; break;
            case 4: on = h || v; break;
            default: on = f || b; break;
          }
          hatch->pixels[size_t(y) * 8 + x] = on ? fore : back;
        }
      paint.pattern = hatch;
      return true;
    }
    case 3:
    case 5:
    case 6: {
      if (!brush.pattern) return false;
      if (!brush.monochrome) {
        paint.pattern = brush.pattern;
        return true;
      }
      auto mono = std::make_shared<Bitmap>(*brush.pattern);
      const uint32_t zero = 0xFF000000u | ResolveColour(state_.textColour);
      const uint32_t one = 0xFF000000u | ResolveColour(state_.bkColour);
      for (uint32_t& px : mono->pixels) px = (px & 0xFFFFFF) ? one : zero;
      paint.pattern = mono;
      return true;
    }
    default: return false;
  }
}

double Player::PenWidthDevice() const {
  const Pen& pen = state_.pen;
  if (pen.cosmetic || pen.width <= 0) return 1;
  const Xform t = Total();
  const double scale = std::hypot(t.m11, t.m12);
  const double w = pen.width * scale;
  return std::isfinite(w) ? std::min(w, 1.0e5) : 1;
}

// ---- shapes ---------------------------------------------------------------------------

void Player::Shape(std::vector<Figure> figures, bool fill, bool stroke) {
  if (pathOpen_) {
    for (Figure& f : figures) path_.push_back(std::move(f));
    figureOpen_ = false;
    return;
  }
  Paint paint;
  if (fill && BrushPaint(state_.brush, paint)) canvas_.Fill(figures, state_.fillMode == 2, paint);
  if (stroke) StrokeFigures(figures);
}

void Player::StrokeFigures(const std::vector<Figure>& figures) {
  const uint32_t style = state_.pen.style & 0xF;
  if (style == 5) return;  // PS_NULL
  const Paint paint = PenPaint();
  const double width = PenWidthDevice();
  static const std::vector<int> kDash{18, 6}, kDot{3, 3}, kDashDot{9, 6, 3, 6}, kDashDotDot{9, 3, 3, 3, 3, 3},
      kAlternate{1, 1};
  const std::vector<int>* runs = nullptr;
  switch (style) {
    case 1: runs = &kDash; break;
    case 2: runs = &kDot; break;
    case 3: runs = &kDashDot; break;
    case 4: runs = &kDashDotDot; break;
    case 7: runs = state_.pen.userDashes.empty() ? nullptr : &state_.pen.userDashes; break;
    case 8: runs = &kAlternate; break;
    default: break;
  }
  if (width < 1.5) {
    Dashes dashes;
    if (runs) dashes.runs = *runs;
    Paint gap;
    gap.colour = ResolveColour(state_.bkColour);
    gap.rop2 = state_.rop2;
    for (const Figure& f : figures)
      canvas_.StrokeThin(f, paint, runs ? &dashes : nullptr, runs && state_.bkMode == 2 ? &gap : nullptr);
    return;
  }
  const int cap = int((state_.pen.style >> 8) & 0xF);
  const int join = int((state_.pen.style >> 12) & 0xF);
  if (runs && style != 7) {
    // Geometric dashes scale with the pen: dash 3, dot and gap 1 pen width.
    std::vector<double> scaled;
    for (int r : *runs) scaled.push_back((r >= 9 ? 3 : 1) * width);
    canvas_.StrokeWide(dashPieces(figures, scaled), width, cap == 0 ? 0 : 2, join, paint);
    return;
  }
  canvas_.StrokeWide(figures, width, std::min(cap, 2), join, paint);
}

void Player::MoveTo(PointF p) {
  state_.position = p;
  if (pathOpen_) {
    path_.push_back(Figure{{ToDevice(p)}, false});
    figureOpen_ = true;
  }
}

void Player::LineTo(PointF p) {
  const PointF from = ToDevice(state_.position), to = ToDevice(p);
  state_.position = p;
  if (pathOpen_) {
    if (!figureOpen_) {
      path_.push_back(Figure{{from}, false});
      figureOpen_ = true;
    }
    path_.back().points.push_back(to);
    return;
  }
  StrokeFigures({Figure{{from, to}, false}});
}

void Player::Polyline(const std::vector<PointF>& points, bool fromCurrent) {
  if (points.empty()) return;
  if (pathOpen_ && fromCurrent) {
    for (const PointF& p : points) LineTo(p);
    return;
  }
  Figure f;
  if (fromCurrent) f.points.push_back(ToDevice(state_.position));
  for (const PointF& p : points) f.points.push_back(ToDevice(p));
  if (fromCurrent) state_.position = points.back();
  if (pathOpen_) {
    path_.push_back(std::move(f));
    figureOpen_ = true;
    return;
  }
  StrokeFigures({f});
}

void Player::PolyPolyline(const std::vector<std::vector<PointF>>& lines) {
  for (const auto& line : lines) Polyline(line, false);
}

void Player::Polygon(const std::vector<std::vector<PointF>>& polygons) {
  std::vector<Figure> figures;
  for (const auto& polygon : polygons) {
    if (polygon.empty()) continue;
    Figure f;
    f.closed = true;
    for (const PointF& p : polygon) {
      const PointF d = ToDevice(p);
      f.points.push_back({std::round(d.x), std::round(d.y)});
    }
    figures.push_back(std::move(f));
  }
  Shape(std::move(figures), true, true);
}

void Player::PolyBezier(const std::vector<PointF>& points, bool fromCurrent) {
  size_t first = 0;
  PointF last;
  if (fromCurrent) {
    last = ToDevice(state_.position);
  } else {
    if (points.empty()) return;
    last = ToDevice(points[0]);
    first = 1;
  }
  std::vector<PointF> device{last};
  size_t i = first;
  for (; i + 2 < points.size(); i += 3) {
    const PointF b = ToDevice(points[i]), c = ToDevice(points[i + 1]), d = ToDevice(points[i + 2]);
    flattenBezier(last, b, c, d, device);
    last = d;
  }
  if (fromCurrent && i > first) state_.position = points[i - 1];
  if (pathOpen_) {
    if (fromCurrent && figureOpen_ && !path_.empty()) {
      path_.back().points.insert(path_.back().points.end(), device.begin() + 1, device.end());
    } else {
      path_.push_back(Figure{device, false});
      figureOpen_ = true;
    }
    return;
  }
  StrokeFigures({Figure{device, false}});
}

void Player::PolyDraw(const std::vector<PointF>& points, const std::vector<uint8_t>& types) {
  const size_t n = std::min(points.size(), types.size());
  for (size_t i = 0; i < n; ++i) {
    const uint8_t t = types[i] & 0x6;
    if (t == 6) {
      MoveTo(points[i]);
    } else if (t == 4 && i + 2 < n) {
      PolyBezier({points[i], points[i + 1], points[i + 2]}, true);
      i += 2;
    } else {
      LineTo(points[i]);
    }
    if ((types[i] & 1) && pathOpen_) CloseFigure();
  }
}

void Player::Rectangle(double left, double top, double right, double bottom) {
  const Xform t = Total();
  if (t.m12 != 0 || t.m21 != 0) {
    Polygon({{{left, top}, {right, top}, {right, bottom}, {left, bottom}}});
    return;
  }
  PointF a = ToDevice({left, top}), b = ToDevice({right, bottom});
  double x0 = std::round(std::min(a.x, b.x)), x1 = std::round(std::max(a.x, b.x));
  double y0 = std::round(std::min(a.y, b.y)), y1 = std::round(std::max(a.y, b.y));
  Figure area{{{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}, true};
  if (pathOpen_) {
    Shape({area}, true, true);
    return;
  }
  Paint paint;
  if (BrushPaint(state_.brush, paint)) canvas_.Fill({area}, false, paint);
  // The outline runs on the last pixels inside the rectangle.
  const double r = std::max(x0, x1 - 1), b2 = std::max(y0, y1 - 1);
  StrokeFigures({Figure{{{x0, y0}, {r, y0}, {r, b2}, {x0, b2}}, true}});
}

std::vector<PointF> Player::EllipsePoints(double left, double top, double right, double bottom) const {
  const double cx = (left + right) / 2, cy = (top + bottom) / 2;
  const double rx = std::fabs(right - left) / 2, ry = std::fabs(bottom - top) / 2;
  const PointF d0 = ToDevice({left, top}), d1 = ToDevice({right, bottom});
  const int n = segmentsFor(std::fabs(d1.x - d0.x) / 2, std::fabs(d1.y - d0.y) / 2);
  std::vector<PointF> p(n);
  for (int i = 0; i < n; ++i) {
    const double a = 2 * kPi * i / n;
    p[i] = ToDevice({cx + rx * std::cos(a), cy + ry * std::sin(a)});
  }
  return p;
}

void Player::Ellipse(double left, double top, double right, double bottom) {
  Shape({Figure{EllipsePoints(left, top, right, bottom), true}}, true, true);
}

void Player::RoundRect(double left, double top, double right, double bottom, double width, double height) {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  const double rx = std::min(std::fabs(width) / 2, (right - left) / 2);
  const double ry = std::min(std::fabs(height) / 2, (bottom - top) / 2);
  const PointF d0 = ToDevice({0, 0}), d1 = ToDevice({rx, ry});
  const int quarter = std::max(2, segmentsFor(std::fabs(d1.x - d0.x), std::fabs(d1.y - d0.y)) / 4);
  const PointF centres[4] = {
      {right - rx, top + ry}, {left + rx, top + ry}, {left + rx, bottom - ry}, {right - rx, bottom - ry}};
  Figure f;
  f.closed = true;
  for (int c = 0; c < 4; ++c)
    for (int i = 0; i <= quarter; ++i) {
      const double a = kPi / 2 * (c + double(i) / quarter);
      f.points.push_back(ToDevice({centres[c].x + rx * std::cos(a), centres[c].y - ry * std::sin(a)}));
    }
  Shape({f}, true, true);
}

void Player::Arc(int kind, double left, double top, double right, double bottom, PointF start, PointF end) {
  const double cx = (left + right) / 2, cy = (top + bottom) / 2;
  const double rx = std::fabs(right - left) / 2, ry = std::fabs(bottom - top) / 2;
  // Angles of the radials in logical space; which way round counts as
  // counter-clockwise depends on whether the mapping flips the picture.
  const Xform t = Total();
  const bool flipped = t.m11 * t.m22 - t.m12 * t.m21 < 0;
  const bool counterClockwise = (state_.arcDirection != 2) != flipped;
  double a0 = std::atan2((start.y - cy) * (rx ? rx : 1), (start.x - cx) * (ry ? ry : 1));
  double a1 = std::atan2((end.y - cy) * (rx ? rx : 1), (end.x - cx) * (ry ? ry : 1));
  // On a y-down logical page, counter-clockwise runs towards smaller angles.
  double sweep = counterClockwise ? a0 - a1 : a1 - a0;
  while (sweep <= 1e-12) sweep += 2 * kPi;
  const PointF d0 = ToDevice({left, top}), d1 = ToDevice({right, bottom});
  const int n =
      std::max(2, int(segmentsFor(std::fabs(d1.x - d0.x) / 2, std::fabs(d1.y - d0.y) / 2) * sweep / (2 * kPi)));
  Figure f;
  if (kind == 3) f.points.push_back(ToDevice(state_.position));
  for (int i = 0; i <= n; ++i) {
    const double a = counterClockwise ? a0 - sweep * i / n : a0 + sweep * i / n;
    f.points.push_back(ToDevice({cx + rx * std::cos(a), cy + ry * std::sin(a)}));
  }
  if (kind == 3) {
    const double a = counterClockwise ? a0 - sweep : a0 + sweep;
    state_.position = {cx + rx * std::cos(a), cy + ry * std::sin(a)};
  }
  if (kind == 0 || kind == 3) {
    if (pathOpen_ && kind == 3 && figureOpen_ && !path_.empty()) {
      path_.back().points.insert(path_.back().points.end(), f.points.begin() + 1, f.points.end());
      return;
    }
    if (pathOpen_) {
      path_.push_back(std::move(f));
      figureOpen_ = true;
      return;
    }
    StrokeFigures({f});
    return;
  }
  if (kind == 2) f.points.insert(f.points.begin(), ToDevice({cx, cy}));
  f.closed = true;
  Shape({f}, true, true);
}

void Player::AngleArc(PointF centre, double radius, double startDegrees, double sweepDegrees) {
  if (!std::isfinite(startDegrees) || !std::isfinite(sweepDegrees)) return;
  sweepDegrees = std::clamp(sweepDegrees, -3600.0, 3600.0);
  const double a0 = startDegrees * kPi / 180, sweep = sweepDegrees * kPi / 180;
  const int n = std::max(2, int(std::fabs(sweep) / (2 * kPi) * 64));
  std::vector<PointF> points;
  for (int i = 0; i <= n; ++i) {
    const double a = a0 + sweep * i / n;
    points.push_back({centre.x + radius * std::cos(a), centre.y - radius * std::sin(a)});
  }
  Polyline(points, true);
}

void Player::SetPixel(PointF p, uint32_t colourRef) {
  const PointF d = ToDevice(p);
  if (!std::isfinite(d.x) || !std::isfinite(d.y) || std::fabs(d.x) > 1e6 || std::fabs(d.y) > 1e6) return;
  Paint paint;
  paint.colour = ResolveColour(colourRef);
  canvas_.SetPixel(int(std::lround(d.x)), int(std::lround(d.y)), paint);
}

void Player::FillRects(const Rects& rects, const Brush* brush) {
  Paint paint;
  if (!BrushPaint(brush ? *brush : state_.brush, paint)) return;
  std::vector<Figure> figures;
  for (const RECT& r : rects.rects) {
    const PointF a = ToDevice({double(r.left), double(r.top)}), b = ToDevice({double(r.right), double(r.bottom)});
    figures.push_back(Figure{{{a.x, a.y}, {b.x, a.y}, {b.x, b.y}, {a.x, b.y}}, true});
  }
  canvas_.Fill(figures, true, paint);
}

void Player::PatBlt(double x, double y, double width, double height, uint32_t rop) {
  const PointF a = ToDevice({x, y}), b = ToDevice({x + width, y + height});
  Paint paint;
  if (!BrushPaint(state_.brush, paint)) paint.colour = 0xFFFFFF;
  canvas_.Blit(nullptr, a.x, a.y, b.x - a.x, b.y - a.y, 0, 0, 1, 1, rop, paint);
}

void Player::DrawBitmap(const Bitmap& source, double x, double y, double width, double height, double sx, double sy,
                        double sw, double sh, uint32_t rop, const Bitmap* mask, uint32_t backRop) {
  const PointF a = ToDevice({x, y}), b = ToDevice({x + width, y + height});
  Paint paint;
  if (!BrushPaint(state_.brush, paint)) paint.colour = 0xFFFFFF;
  canvas_.Blit(&source, a.x, a.y, b.x - a.x, b.y - a.y, sx, sy, sw, sh, rop, paint, mask, backRop);
}

void Player::AlphaBlend(const Bitmap& source, double x, double y, double width, double height, double sx, double sy,
                        double sw, double sh, uint8_t constantAlpha, bool perPixel) {
  const PointF a = ToDevice({x, y}), b = ToDevice({x + width, y + height});
  canvas_.AlphaBlend(source, a.x, a.y, b.x - a.x, b.y - a.y, sx, sy, sw, sh, constantAlpha, perPixel);
}

void Player::TransparentBlit(const Bitmap& source, double x, double y, double width, double height, double sx,
                             double sy, double sw, double sh, uint32_t key) {
  const PointF a = ToDevice({x, y}), b = ToDevice({x + width, y + height});
  canvas_.TransparentBlit(source, a.x, a.y, b.x - a.x, b.y - a.y, sx, sy, sw, sh, ResolveColour(key));
}

// ---- clipping ---------------------------------------------------------------------------

namespace {
int pixel(double v) { return int(std::lround(std::clamp(v, -1.0e6, 1.0e6))); }
}  // namespace

void Player::IntersectClip(double left, double top, double right, double bottom) {
  const PointF a = ToDevice({left, top}), b = ToDevice({right, bottom});
  canvas_.IntersectClipRect(pixel(a.x), pixel(a.y), pixel(b.x), pixel(b.y));
  state_.clip = canvas_.Clip();
}

void Player::ExcludeClip(double left, double top, double right, double bottom) {
  const PointF a = ToDevice({left, top}), b = ToDevice({right, bottom});
  canvas_.ExcludeClipRect(pixel(a.x), pixel(a.y), pixel(b.x), pixel(b.y));
  state_.clip = canvas_.Clip();
}

void Player::SelectClipRects(const Rects* rects, int mode, bool device) {
  if (!rects) {
    if (mode == 5) canvas_.SetClip(Canvas::ClipMask{});
    state_.clip = canvas_.Clip();
    return;
  }
  std::vector<Figure> figures;
  for (const RECT& r : rects->rects) {
    const PointF l{double(r.left), double(r.top)}, h{double(r.right), double(r.bottom)};
    const PointF a = device ? ToOutput(l) : ToDevice(l), b = device ? ToOutput(h) : ToDevice(h);
    const double x0 = std::round(a.x), y0 = std::round(a.y), x1 = std::round(b.x), y1 = std::round(b.y);
    figures.push_back(Figure{{{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}, true});
  }
  canvas_.CombineClip(canvas_.Coverage(figures, true), mode < 1 || mode > 5 ? 5 : mode);
  state_.clip = canvas_.Clip();
}

// ---- paths ---------------------------------------------------------------------------------

void Player::BeginPath() {
  path_.clear();
  pathOpen_ = true;
  figureOpen_ = false;
}

void Player::AbortPath() {
  path_.clear();
  pathOpen_ = false;
  figureOpen_ = false;
}

void Player::CloseFigure() {
  if (pathOpen_ && figureOpen_ && !path_.empty()) path_.back().closed = true;
  figureOpen_ = false;
}

void Player::FillPath() {
  pathOpen_ = false;
  Paint paint;
  if (BrushPaint(state_.brush, paint)) canvas_.Fill(path_, state_.fillMode == 2, paint);
  path_.clear();
}

void Player::StrokePath() {
  pathOpen_ = false;
  StrokeFigures(path_);
  path_.clear();
}

void Player::StrokeAndFillPath() {
  pathOpen_ = false;
  Paint paint;
  if (BrushPaint(state_.brush, paint)) canvas_.Fill(path_, state_.fillMode == 2, paint);
  StrokeFigures(path_);
  path_.clear();
}

void Player::SelectClipPath(int mode) {
  pathOpen_ = false;
  canvas_.CombineClip(canvas_.Coverage(path_, state_.fillMode == 2), mode < 1 || mode > 5 ? 5 : mode);
  state_.clip = canvas_.Clip();
  path_.clear();
}

}  // namespace meta
