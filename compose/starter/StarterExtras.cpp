// Masks (white shapes on black), base maps (plain sticker backgrounds) and
// sheet backgrounds for the starter library.
#include <cmath>

#include "compose/starter/StarterArt.h"

namespace starter {

namespace {

constexpr int W = 320, H = 240;
constexpr float kPi = 3.14159265358979f;

StarterPicture Mask(const char* name, const Shape& shape) {
  Canvas c(W, H);
  c.Shade([](float, float) { return Rgb(0, 0, 0); });
  c.Paint(shape, Rgb(255, 255, 255));
  return {name, std::move(c), {}};
}

StarterPicture Pattern(const char* name, int w, int h, const std::function<void(Canvas&)>& draw) {
  Canvas c(w, h);
  draw(c);
  return {name, std::move(c), {}};
}

void Dots(Canvas& c, float step, float radius, Colour colour, float opacity) {
  for (float y = step / 2; y < float(c.Height()) + step; y += step)
    for (float x = std::fmod(y / step, 2.0f) < 1 ? step / 2 : step; x < float(c.Width()) + step; x += step)
      c.Paint(Circle(x, y, radius), colour, opacity);
}

}  // namespace

std::vector<StarterPicture> StarterMasks() {
  std::vector<StarterPicture> out;
  out.push_back(Mask("oval", Ellipse(160, 120, 128, 100)));
  out.push_back(Mask("heart", Heart(160, 116, 92)));
  out.push_back(Mask("star", Star(160, 126, 122, 54, 5)));
  out.push_back(Mask("rounded", RoundRect(24, 20, 296, 220, 34)));
  out.push_back(Mask("cloud", Union(Union(Circle(110, 130, 70), Circle(190, 110, 84)),
                                    Union(Circle(250, 150, 52), RoundRect(70, 140, 290, 200, 30)))));
  return out;
}

std::vector<StarterPicture> StarterBaseMaps() {
  std::vector<StarterPicture> out;
  out.push_back(Pattern("peach_glow", W, H, [](Canvas& c) {
    c.Shade([](float x, float y) {
      return Mix(Rgb(255, 236, 214), Rgb(255, 190, 170), std::hypot(x - 160, y - 120) / 200);
    });
  }));
  out.push_back(Pattern("polka_dots", W, H, [](Canvas& c) {
    c.Shade([](float, float) { return Rgb(255, 244, 248); });
    Dots(c, 32, 7, Rgb(255, 150, 190), 1.0f);
  }));
  out.push_back(Pattern("candy_stripes", W, H, [](Canvas& c) {
    c.Shade([](float x, float y) {
      const bool band = std::fmod(x + y + 1000.0f, 40.0f) < 20.0f;
      return band ? Rgb(190, 230, 250) : Rgb(245, 252, 255);
    });
  }));
  out.push_back(Pattern("sunburst", W, H, [](Canvas& c) {
    c.Shade([](float x, float y) {
      const float a = std::atan2(y - 120, x - 160);
      const bool ray = std::fmod(a + 2 * kPi, 2 * kPi / 16) < kPi / 16;
      return Mix(ray ? Rgb(255, 222, 120) : Rgb(255, 238, 170), Rgb(255, 250, 230),
                 std::max(0.0f, 1 - std::hypot(x - 160, y - 120) / 90));
    });
  }));
  out.push_back(Pattern("mint_check", W, H, [](Canvas& c) {
    c.Shade([](float x, float y) {
      const bool a = int(x / 20) % 2 == int(y / 20) % 2;
      return a ? Rgb(214, 245, 226) : Rgb(240, 252, 244);
    });
  }));
  return out;
}

std::vector<StarterPicture> StarterBackgrounds() {
  // Sheets are laid over these at 530 x 400 and printed at 1024 x 768.
  constexpr int BW = 1024, BH = 768;
  std::vector<StarterPicture> out;
  out.push_back(Pattern("pastel_confetti", BW, BH, [](Canvas& c) {
    c.Shade([](float x, float y) { return Mix(Rgb(255, 240, 246), Rgb(232, 240, 255), (x / BW + y / BH) / 2); });
    Random rnd(17);
    const Colour colours[] = {Rgb(255, 170, 200), Rgb(255, 214, 120), Rgb(150, 220, 200), Rgb(160, 190, 255),
                              Rgb(210, 170, 250)};
    for (int i = 0; i < 260; ++i) {
      const float x = rnd.Range(0, BW), y = rnd.Range(0, BH);
      if (i % 2)
        c.Paint(Circle(x, y, rnd.Range(4, 9)), colours[i % 5], 0.8f);
      else
        c.Paint(RoundRect(x - 10, y - 3.5f, x + 10, y + 3.5f, 2, rnd.Range(0, 180)), colours[i % 5], 0.8f);
    }
  }));
  out.push_back(Pattern("sky_hearts", BW, BH, [](Canvas& c) {
    c.Shade([](float, float y) { return Mix(Rgb(196, 228, 255), Rgb(250, 226, 240), y / BH); });
    Random rnd(29);
    for (int i = 0; i < 90; ++i)
      c.Paint(Heart(rnd.Range(0, BW), rnd.Range(0, BH), rnd.Range(8, 20), rnd.Range(-30, 30)), Rgb(255, 255, 255),
              rnd.Range(0.35f, 0.8f));
  }));
  return out;
}

}  // namespace starter
