// The starter frames: 320 x 240, a decorated border around a window of one
// key colour that covers the centre pixel, so the program's centre-pixel
// rule finds it. Decorations that reach into the window have hard edges.
#include <cmath>

#include "compose/starter/StarterArt.h"

namespace starter {

namespace {

constexpr int W = 320, H = 240;
constexpr float kPi = 3.14159265358979f;
const RGBQUAD kMagenta{255, 0, 255, 0};
const RGBQUAD kGreen{0, 255, 0, 0};
const RGBQUAD kBlue{255, 0, 0, 0};

Colour Vertical(Colour top, Colour bottom, float y) { return Mix(top, bottom, y / float(H)); }

// Hairline around a window outline: shape grown minus shape.
void Outline(Canvas& c, const Shape& outer, const Shape& inner, Colour colour) { c.Paint(Minus(outer, inner), colour); }

StarterPicture GoldenOval() {
  Canvas c(W, H);
  c.Shade([](float x, float y) {
    const float d = std::hypot((x - 160) / 160, (y - 120) / 120);
    return Mix(Rgb(253, 240, 205), Rgb(214, 168, 92), std::min(1.0f, d * 0.8f));
  });
  // Filigree dots in a ring and corner jewels.
  for (int i = 0; i < 36; ++i) {
    const float a = float(i) * 2 * kPi / 36;
    c.Paint(Circle(160 + 141 * std::cos(a), 120 + 109 * std::sin(a), i % 3 ? 2.2f : 3.6f), Rgb(150, 98, 30));
  }
  for (float x : {22.0f, 298.0f})
    for (float y : {22.0f, 218.0f}) {
      c.Paint(Star(x, y, 15, 5, 4), Rgb(160, 105, 35));
      c.Paint(Circle(x, y, 4.5f), Rgb(250, 236, 190));
    }
  const Shape window = Ellipse(160, 120, 124, 94);
  c.Carve(window);
  Outline(c, Ellipse(160, 120, 133, 103), Ellipse(160, 120, 128, 98), Rgb(140, 88, 24));
  Outline(c, Ellipse(160, 120, 128, 98), window, Rgb(246, 224, 160));
  return {"golden_oval", std::move(c), kMagenta};
}

StarterPicture SweetHearts() {
  Canvas c(W, H);
  c.Shade([](float x, float y) { return Mix(Rgb(255, 214, 230), Rgb(246, 122, 168), (x / W + y / H) / 2); });
  const Shape window = RoundRect(30, 28, 290, 212, 26);
  c.Carve(window);
  Outline(c, RoundRect(24, 22, 296, 218, 31), window, Rgb(255, 250, 252));
  Random rnd(7);
  const Colour colours[] = {Rgb(214, 28, 78), Rgb(255, 255, 255), Rgb(168, 20, 92), Rgb(255, 96, 140)};
  // Big hearts on the corners reach over the window edge.
  const float big[][4] = {{30, 30, 20, -18}, {292, 34, 17, 15}, {34, 210, 16, 12}, {286, 206, 21, -10}};
  for (int i = 0; i < 4; ++i) c.Paint(Heart(big[i][0], big[i][1], big[i][2], big[i][3]), colours[i % 2 ? 0 : 2]);
  for (int i = 0; i < 4; ++i)
    c.Paint(Heart(big[i][0] - 3, big[i][1] - 4, big[i][2] * 0.3f, big[i][3]), Rgb(255, 255, 255));
  for (int i = 0; i < 26; ++i) {
    float x, y;
    if (i < 9) {
      x = rnd.Range(60, 260);
      y = rnd.Range(5, 17);
    } else if (i < 18) {
      x = rnd.Range(60, 260);
      y = rnd.Range(222, 235);
    } else if (i < 22) {
      x = rnd.Range(4, 18);
      y = rnd.Range(60, 180);
    } else {
      x = rnd.Range(302, 316);
      y = rnd.Range(60, 180);
    }
    c.Paint(Heart(x, y, rnd.Range(3.5f, 6.5f), rnd.Range(-25, 25)), colours[i % 4]);
  }
  return {"sweet_hearts", std::move(c), kGreen};
}

StarterPicture StarryNight() {
  Canvas c(W, H);
  c.Shade([](float x, float y) {
    return Mix(Vertical(Rgb(18, 26, 84), Rgb(70, 30, 110), y), Rgb(30, 60, 130), x / W * 0.3f);
  });
  Random rnd(11);
  for (int i = 0; i < 90; ++i)
    c.Paint(Circle(rnd.Range(0, W), rnd.Range(0, H), rnd.Range(0.5f, 1.3f)), Rgb(255, 255, 240), 0.9f);
  const Shape window = RoundRect(34, 30, 286, 214, 18);
  c.Carve(window);
  Outline(c, RoundRect(30, 26, 290, 218, 21), window, Rgb(255, 214, 90));
  // A crescent moon in the top-left corner, over the window's edge.
  c.Paint(Minus(Circle(36, 34, 26), Circle(48, 26, 22)), Rgb(255, 236, 150));
  const float stars[][3] = {{292, 28, 14}, {270, 12, 6},  {310, 70, 7},  {300, 200, 12}, {262, 226, 7},
                            {20, 200, 11}, {46, 228, 6},  {110, 14, 6},  {150, 226, 8},  {200, 12, 8},
                            {12, 120, 7},  {308, 140, 6}, {230, 228, 5}, {80, 228, 5}};
  for (const auto& s : stars) {
    c.Paint(Star(s[0], s[1], s[2], s[2] * 0.45f, 5, rnd.Range(-15, 15)), Rgb(255, 206, 64));
    c.Paint(Star(s[0], s[1], s[2] * 0.5f, s[2] * 0.22f, 5), Rgb(255, 246, 200));
  }
  return {"starry_night", std::move(c), kMagenta};
}

StarterPicture FilmStrip() {
  Canvas c(W, H);
  c.Shade([](float, float y) { return Vertical(Rgb(40, 38, 44), Rgb(22, 22, 26), y); });
  const Shape window = RoundRect(14, 40, 306, 200, 4);
  c.Carve(window);
  for (int i = 0; i < 13; ++i) {
    const float x = 8 + float(i) * 24.5f;
    c.Paint(RoundRect(x, 11, x + 14, 29, 3), Rgb(238, 236, 226));
    c.Paint(RoundRect(x, 211, x + 14, 229, 3), Rgb(238, 236, 226));
  }
  Outline(c, RoundRect(12, 38, 308, 202, 5), window, Rgb(90, 86, 80));
  // Frame numbers as small amber marks.
  for (int i = 0; i < 4; ++i) c.Paint(RoundRect(36 + float(i) * 80, 33, 52 + float(i) * 80, 36, 1), Rgb(230, 160, 40));
  return {"film_strip", std::move(c), kGreen};
}

StarterPicture Instant() {
  Canvas c(W, H);
  c.Shade([](float x, float y) { return Mix(Rgb(252, 250, 244), Rgb(236, 232, 222), (x / W + y / H) / 2); });
  const Shape window = RoundRect(16, 14, 304, 192, 2);
  c.Carve(window);
  Outline(c, RoundRect(15, 13, 305, 193, 3), window, Rgb(206, 200, 188));
  // A doodle in the wide bottom margin: a heart, a smile and dots.
  c.Paint(Heart(40, 216, 8, -10), Rgb(226, 60, 80));
  c.Paint(Circle(70, 216, 9), Rgb(255, 206, 60));
  c.Paint(Circle(67, 213, 1.4f), Rgb(80, 60, 20));
  c.Paint(Circle(73, 213, 1.4f), Rgb(80, 60, 20));
  c.Paint(Minus(Circle(70, 216, 5), Union(Circle(70, 214, 5), RoundRect(64, 206, 76, 216, 0))), Rgb(80, 60, 20));
  const Colour dots[] = {Rgb(90, 170, 230), Rgb(120, 200, 120), Rgb(240, 140, 60), Rgb(200, 110, 210)};
  for (int i = 0; i < 12; ++i) c.Paint(Circle(110 + float(i) * 16, 216 + (i % 2 ? 3.0f : -3.0f), 3.2f), dots[i % 4]);
  // A strip of tape over the top edge.
  c.Paint(RoundRect(128, -6, 192, 16, 1, -4), Rgb(250, 238, 178));
  return {"instant_photo", std::move(c), kMagenta};
}

StarterPicture FlowerGarden() {
  Canvas c(W, H);
  c.Shade(
      [](float x, float y) { return Mix(Rgb(206, 240, 204), Rgb(150, 208, 160), std::hypot(x - 160, y - 120) / 200); });
  const Shape window = Scalloped(160, 120, 132, 100, 18, 0.035f);
  c.Carve(window);
  Outline(c, Scalloped(160, 120, 138, 106, 18, 0.035f), window, Rgb(255, 255, 250));
  Random rnd(5);
  const Colour petals[] = {Rgb(255, 160, 190), Rgb(255, 230, 120), Rgb(190, 160, 255), Rgb(255, 190, 140),
                           Rgb(255, 255, 255)};
  const float spots[][3] = {{22, 24, 16}, {298, 22, 14}, {20, 216, 14}, {300, 214, 17}, {160, 10, 9}, {160, 232, 9},
                            {8, 120, 9},  {312, 120, 9}, {80, 12, 8},   {240, 228, 8},  {240, 12, 7}, {80, 229, 7}};
  int n = 0;
  for (const auto& s : spots) {
    const float x = s[0], y = s[1], r = s[2];
    for (int k = 0; k < 2; ++k)
      c.Paint(Ellipse(x + (k ? r : -r) * 0.9f, y + r * 0.6f, r * 0.55f, r * 0.22f, k ? 30.0f : -30.0f),
              Rgb(90, 160, 80));
    const float turn = rnd.Range(0, 72);
    for (int p = 0; p < 5; ++p) {
      const float a = (turn + float(p) * 72) * kPi / 180;
      c.Paint(Circle(x + r * 0.5f * std::cos(a), y + r * 0.5f * std::sin(a), r * 0.42f), petals[n % 5]);
    }
    c.Paint(Circle(x, y, r * 0.3f), Rgb(246, 190, 40));
    ++n;
  }
  return {"flower_garden", std::move(c), kMagenta};
}

StarterPicture Bubbles() {
  Canvas c(W, H);
  c.Shade([](float x, float y) {
    return Mix(Vertical(Rgb(150, 230, 245), Rgb(40, 130, 210), y), Rgb(120, 200, 240), x / W * 0.2f);
  });
  const Shape window = Ellipse(160, 118, 112, 100);
  c.Carve(window);
  Outline(c, Ellipse(160, 118, 118, 106), window, Rgb(240, 252, 255));
  // All outside the window: a translucent bubble can't be shown over it.
  const float bubbles[][3] = {{28, 32, 20},   {290, 40, 24}, {40, 200, 22}, {286, 196, 18}, {22, 110, 10},
                              {298, 116, 11}, {160, 230, 7}, {110, 12, 7},  {214, 11, 8},   {72, 232, 6},
                              {250, 232, 6},  {52, 76, 6},   {270, 82, 6}};
  for (const auto& b : bubbles) {
    const float x = b[0], y = b[1], r = b[2];
    c.Paint(Circle(x, y, r), Rgb(235, 250, 255), 0.35f);
    c.Paint(Minus(Circle(x, y, r), Circle(x, y, r - 1.6f)), Rgb(255, 255, 255), 0.9f);
    c.Paint(Ellipse(x - r * 0.38f, y - r * 0.4f, r * 0.28f, r * 0.16f, -35), Rgb(255, 255, 255));
  }
  return {"bubbles", std::move(c), kBlue};
}

StarterPicture Confetti() {
  Canvas c(W, H);
  c.Shade([](float, float) { return Rgb(255, 253, 248); });
  const Shape window = RoundRect(28, 26, 292, 214, 14);
  c.Carve(window);
  // A dashed outline in changing colours.
  const Colour palette[] = {Rgb(239, 71, 111), Rgb(255, 190, 11), Rgb(6, 214, 160),
                            Rgb(17, 138, 178), Rgb(131, 56, 236), Rgb(251, 86, 7)};
  for (int i = 0; i < 44; ++i) {
    const float t = float(i) / 44;
    float x, y, turn;
    const float per = 2 * (264 + 188);
    float d = t * per;
    if (d < 264) {
      x = 28 + d;
      y = 21;
      turn = 0;
    } else if ((d -= 264) < 188) {
      x = 297;
      y = 26 + d;
      turn = 90;
    } else if ((d -= 188) < 264) {
      x = 292 - d;
      y = 219;
      turn = 0;
    } else {
      d -= 264;
      x = 23;
      y = 214 - d;
      turn = 90;
    }
    c.Paint(RoundRect(x - 4, y - 1.8f, x + 4, y + 1.8f, 1.5f, turn), palette[i % 6]);
  }
  Random rnd(21);
  for (int i = 0; i < 70; ++i) {
    float x = rnd.Range(0, W), y = rnd.Range(0, H);
    if (x > 34 && x < 286 && y > 32 && y < 208) continue;  // keep the face clear
    const Colour col = palette[i % 6];
    if (i % 3 == 0)
      c.Paint(Circle(x, y, rnd.Range(2, 3.5f)), col);
    else
      c.Paint(RoundRect(x - 4, y - 1.6f, x + 4, y + 1.6f, 0.8f, rnd.Range(0, 180)), col);
  }
  // Streamers in two corners, over the window's edge.
  for (int k = 0; k < 3; ++k) {
    c.Paint(Minus(Circle(0, 0, 46 - float(k) * 9), Circle(0, 0, 42 - float(k) * 9)), palette[k]);
    c.Paint(Minus(Circle(W, H, 46 - float(k) * 9), Circle(W, H, 42 - float(k) * 9)), palette[k + 3]);
  }
  return {"confetti", std::move(c), kGreen};
}

}  // namespace

std::vector<StarterPicture> StarterFrames() {
  std::vector<StarterPicture> out;
  out.push_back(GoldenOval());
  out.push_back(SweetHearts());
  out.push_back(StarryNight());
  out.push_back(FilmStrip());
  out.push_back(Instant());
  out.push_back(FlowerGarden());
  out.push_back(Bubbles());
  out.push_back(Confetti());
  return out;
}

}  // namespace starter
