#include "compose/starter/StarterCanvas.h"

#include <algorithm>
#include <cmath>

namespace starter {

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr int kSamples = 4;

uint8_t Byte(float v) { return uint8_t(std::clamp(std::lround(v), 0L, 255L)); }

// Rotates (x, y) about (cx, cy) by -degrees, so a shape drawn upright and
// then tested at the rotated point appears turned by +degrees.
void Unrotate(float cx, float cy, float degrees, float& x, float& y) {
  if (degrees == 0) return;
  const float a = -degrees * kPi / 180.0f, c = std::cos(a), s = std::sin(a);
  const float dx = x - cx, dy = y - cy;
  x = cx + dx * c - dy * s;
  y = cy + dx * s + dy * c;
}

Shape Bounded(std::function<bool(float, float)> f, float cx, float cy, float radius) {
  return Shape{std::move(f), cx - radius, cy - radius, cx + radius, cy + radius};
}

}  // namespace

Colour Rgb(int r, int g, int b) { return Colour{float(r), float(g), float(b)}; }
Colour Mix(Colour a, Colour b, float t) {
  return Colour{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Shape Circle(float cx, float cy, float r) {
  return Bounded([=](float x, float y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; }, cx, cy, r);
}

Shape Ellipse(float cx, float cy, float rx, float ry, float degrees) {
  return Bounded(
      [=](float x, float y) {
        Unrotate(cx, cy, degrees, x, y);
        const float u = (x - cx) / rx, v = (y - cy) / ry;
        return u * u + v * v <= 1.0f;
      },
      cx, cy, std::max(rx, ry));
}

Shape RoundRect(float x0, float y0, float x1, float y1, float radius, float degrees) {
  const float cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
  const float half = std::hypot(x1 - x0, y1 - y0) / 2;
  return Bounded(
      [=](float x, float y) {
        Unrotate(cx, cy, degrees, x, y);
        if (x < x0 || x > x1 || y < y0 || y > y1) return false;
        const float qx = std::max({x0 + radius - x, x - (x1 - radius), 0.0f});
        const float qy = std::max({y0 + radius - y, y - (y1 - radius), 0.0f});
        return qx * qx + qy * qy <= radius * radius;
      },
      cx, cy, half);
}

Shape Heart(float cx, float cy, float size, float degrees) {
  return Bounded(
      [=](float x, float y) {
        Unrotate(cx, cy, degrees, x, y);
        // (u^2 + v^2 - 1)^3 <= u^2 v^3 with v pointing up; the curve's
        // middle sits a little above its lowest point.
        const float u = (x - cx) / size, v = -(y - cy) / size + 0.15f;
        const float q = u * u + v * v - 1.0f;
        return q * q * q - u * u * v * v * v <= 0.0f;
      },
      cx, cy, size * 1.5f);
}

Shape Star(float cx, float cy, float outer, float inner, int points, float degrees) {
  std::vector<std::pair<float, float>> p;
  for (int i = 0; i < 2 * points; ++i) {
    const float a = (degrees - 90.0f) * kPi / 180.0f + float(i) * kPi / float(points);
    const float r = i % 2 ? inner : outer;
    p.emplace_back(cx + r * std::cos(a), cy + r * std::sin(a));
  }
  return Polygon(std::move(p));
}

Shape Polygon(std::vector<std::pair<float, float>> points) {
  Shape s;
  s.x0 = s.y0 = 1e9f;
  s.x1 = s.y1 = -1e9f;
  for (const auto& [x, y] : points) {
    s.x0 = std::min(s.x0, x);
    s.y0 = std::min(s.y0, y);
    s.x1 = std::max(s.x1, x);
    s.y1 = std::max(s.y1, y);
  }
  s.inside = [p = std::move(points)](float x, float y) {
    bool in = false;  // even-odd crossings
    for (size_t i = 0, j = p.size() - 1; i < p.size(); j = i++) {
      const auto [xi, yi] = p[i];
      const auto [xj, yj] = p[j];
      if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) in = !in;
    }
    return in;
  };
  return s;
}

Shape Scalloped(float cx, float cy, float rx, float ry, int waves, float depth) {
  return Bounded(
      [=](float x, float y) {
        const float u = (x - cx) / rx, v = (y - cy) / ry;
        const float a = std::atan2(v, u);
        const float r = 1.0f - depth + depth * std::cos(float(waves) * a);
        return u * u + v * v <= r * r;
      },
      cx, cy, std::max(rx, ry));
}

Shape Union(Shape a, Shape b) {
  Shape s;
  s.x0 = std::min(a.x0, b.x0);
  s.y0 = std::min(a.y0, b.y0);
  s.x1 = std::max(a.x1, b.x1);
  s.y1 = std::max(a.y1, b.y1);
  s.inside = [a = std::move(a.inside), b = std::move(b.inside)](float x, float y) { return a(x, y) || b(x, y); };
  return s;
}

Shape Minus(Shape a, Shape b) {
  Shape s = a;
  s.inside = [a = std::move(a.inside), b = std::move(b.inside)](float x, float y) { return a(x, y) && !b(x, y); };
  return s;
}

Canvas::Canvas(int width, int height)
    : w_(width), h_(height), px_(size_t(width) * size_t(height)), key_(size_t(width) * size_t(height), 0) {}

void Canvas::Shade(const std::function<Colour(float, float)>& shader) {
  for (int y = 0; y < h_; ++y)
    for (int x = 0; x < w_; ++x) px_[size_t(y) * size_t(w_) + size_t(x)] = shader(float(x) + 0.5f, float(y) + 0.5f);
}

void Canvas::Paint(const Shape& shape, Colour colour, float opacity) {
  PaintShaded(
      shape, [colour](float, float) { return colour; }, opacity);
}

void Canvas::PaintShaded(const Shape& shape, const std::function<Colour(float, float)>& shader, float opacity) {
  const int xa = std::max(0, int(std::floor(shape.x0)) - 1), xb = std::min(w_ - 1, int(std::ceil(shape.x1)) + 1);
  const int ya = std::max(0, int(std::floor(shape.y0)) - 1), yb = std::min(h_ - 1, int(std::ceil(shape.y1)) + 1);
  for (int y = ya; y <= yb; ++y)
    for (int x = xa; x <= xb; ++x) {
      int hits = 0;
      for (int j = 0; j < kSamples; ++j)
        for (int i = 0; i < kSamples; ++i)
          hits += shape.inside(float(x) + (float(i) + 0.5f) / kSamples, float(y) + (float(j) + 0.5f) / kSamples);
      if (!hits) continue;
      const float coverage = float(hits) / float(kSamples * kSamples);
      const size_t at = size_t(y) * size_t(w_) + size_t(x);
      const Colour c = shader(float(x) + 0.5f, float(y) + 0.5f);
      if (key_[at]) {
        // Over the window an edge can't be blended: the pixel is either
        // painted or left as key.
        if (opacity >= 1.0f && coverage >= 0.5f) {
          key_[at] = 0;
          px_[at] = c;
        }
        continue;
      }
      px_[at] = Mix(px_[at], c, coverage * opacity);
    }
}

void Canvas::Carve(const Shape& shape) {
  for (int y = 0; y < h_; ++y)
    for (int x = 0; x < w_; ++x)
      if (shape.inside(float(x) + 0.5f, float(y) + 0.5f)) key_[size_t(y) * size_t(w_) + size_t(x)] = 1;
}

bool Canvas::ToImage(GbImage& image, RGBQUAD key) const {
  if (!image.Create(uint32_t(w_), uint32_t(h_), 24, GB_TYPE_BMP)) return false;
  for (int y = 0; y < h_; ++y)
    for (int x = 0; x < w_; ++x) {
      const size_t at = size_t(y) * size_t(w_) + size_t(x);
      RGBQUAD c = key;
      if (!key_[at]) {
        const Colour& p = px_[at];
        c = RGBQUAD{Byte(p.b), Byte(p.g), Byte(p.r), 0};
        if (c.rgbRed == key.rgbRed && c.rgbGreen == key.rgbGreen && c.rgbBlue == key.rgbBlue)
          c.rgbGreen = uint8_t(c.rgbGreen ^ 1);  // would vanish with the window
      }
      image.WritePixelColor(x, h_ - 1 - y, c);
    }
  return true;
}

float Random::Next() {
  s_ ^= s_ << 13;
  s_ ^= s_ >> 17;
  s_ ^= s_ << 5;
  return float(s_ >> 8) / 16777216.0f;
}

}  // namespace starter
