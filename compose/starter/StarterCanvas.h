// A small painting surface for drawing the starter templates: shapes given
// by inside tests, anti-aliased by 4 x 4 samples per pixel, and a key-colour
// window with a hard edge (a frame's window must hold nothing but the key,
// so edges next to it are never blended with it). Coordinates are top-down
// pixels; pixel (x, y) covers [x, x + 1) x [y, y + 1).
#pragma once
#include <functional>
#include <vector>

#include "image/core/GbImage.h"

namespace starter {

struct Colour {
  float r = 0, g = 0, b = 0;
};
Colour Rgb(int r, int g, int b);
Colour Mix(Colour a, Colour b, float t);

struct Shape {
  std::function<bool(float x, float y)> inside;
  float x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // bounds
};

Shape Circle(float cx, float cy, float r);
Shape Ellipse(float cx, float cy, float rx, float ry, float degrees = 0);
Shape RoundRect(float x0, float y0, float x1, float y1, float radius, float degrees = 0);
// A heart of about 2.3 size wide, its middle at (cx, cy).
Shape Heart(float cx, float cy, float size, float degrees = 0);
Shape Star(float cx, float cy, float outer, float inner, int points, float degrees = 0);
Shape Polygon(std::vector<std::pair<float, float>> points);
// Closed curve r(angle) around a centre: an ellipse whose radii swing by
// `depth` (in parts of the radius) `waves` times round.
Shape Scalloped(float cx, float cy, float rx, float ry, int waves, float depth);
Shape Union(Shape a, Shape b);
Shape Minus(Shape a, Shape b);

class Canvas {
 public:
  Canvas(int width, int height);
  int Width() const { return w_; }
  int Height() const { return h_; }

  // Every pixel from a shader of its centre.
  void Shade(const std::function<Colour(float x, float y)>& shader);
  void Paint(const Shape& shape, Colour colour, float opacity = 1.0f);
  void PaintShaded(const Shape& shape, const std::function<Colour(float x, float y)>& shader, float opacity = 1.0f);
  // Pixels whose centre lies inside become the key window.
  void Carve(const Shape& shape);
  bool IsKey(int x, int y) const { return key_[size_t(y) * size_t(w_) + size_t(x)] != 0; }

  // 24-bit picture; window pixels get the key colour, and no other pixel is
  // left with it.
  bool ToImage(GbImage& image, RGBQUAD key) const;

 private:
  int w_, h_;
  std::vector<Colour> px_;
  std::vector<uint8_t> key_;
};

// A small deterministic random source, so the artwork is the same each run.
class Random {
 public:
  explicit Random(uint32_t seed) : s_(seed ? seed : 1) {}
  float Next();  // [0, 1)
  float Range(float a, float b) { return a + (b - a) * Next(); }

 private:
  uint32_t s_;
};

}  // namespace starter
