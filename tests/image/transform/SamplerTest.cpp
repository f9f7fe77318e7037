// Kernels, overflow handling and the three samplers.
#include <cmath>

#include "TransformTestSupport.h"

using gbtransform::KernelWeight;
using tt::Str;

namespace {

constexpr double kPi = 3.14159265358979323846;

TEST(Kernels, ValuesAtChosenPositions) {
  struct Case {
    int method;
    double t, expected;
  };
  const Case cases[] = {
      {3, 0.0, 2.0 / 3},
      {3, 1.0, 1.0 / 6},
      {3, -1.0, 1.0 / 6},
      {3, 0.5, 23.0 / 48},
      {3, -1.5, 1.0 / 48},
      {3, 2.0, 0.0},
      {3, -2.5, 0.0},
      {3, 2.5, 0.0},
      {4, 0.0, 1.0},
      {4, 0.5, 0.625},
      {4, 1.0, 0.0},
      {4, -1.5, -0.125},
      {4, 2.0, 0.0},
      {5, 0.5, 0.5625},
      {5, -1.5, -0.0625},
      {5, 1.0, 0.0},
      {5, 2.5, 0.0},
      {6, 0.0, 1.0},
      {6, 0.5, (2 / kPi) * std::sin(kPi / 12) / (kPi / 12)},
      {6, 6.5, 0.0},
      {7, -0.5, 1.0},
      {7, 0.49, 1.0},
      {7, 0.5, 0.0},
      {7, -0.51, 0.0},
      {8, 0.5, 0.5},
      {8, -1.0, 0.0},
      {8, 1.0, 0.0},
      {8, 0.0, 1.0},
      {9, 0.5, 0.54},
      {9, 0.0, 1.0},
      {9, 1.0, 0.0},
      {10, 0.0, 1.0},
      {10, 0.5, 2 / kPi},
      {10, 1.5, -1 / (1.5 * kPi)},
      {11, 0.0, 1.0},
      {11, 1.0, 0.0},
      {11, 2.0, 1.0},
      {11, 0.5, 0.34},
      {12, 0.0, kPi / 4},
      {13, 0.0, 0.7978846},
      {13, 1.0, std::exp(-2.0) * 0.7978846},
      {14, 0.0, 0.75},
      {14, 0.5, 0.5},
      {14, -1.0, 0.125},
      {14, 1.5, 0.0},
      {15, 0.0, 8.0 / 9},
      {15, 1.0, 1.0 / 18},
      {15, -0.5, 7.0 / 48 - 0.5 + 8.0 / 9},
      {15, 2.0, 0.0},
      {16, 0.0, 1.0},
      {16, 0.5, 0.5625},
      {16, -1.0, 0.0},
      {16, 1.5, -0.0625},
      {16, 2.0, 0.0},
      {17, 0.5, 1 / kPi},
      {17, 1.5, 0.0},
      {18, 0.5, 0.75},
      {18, -1.0, 0.0},
      {18, 1.1, 0.0},
  };
  for (const Case& c : cases)
    EXPECT_NEAR(KernelWeight(c.method, c.t), c.expected, 1e-12) << "method " << c.method << " t " << c.t;
}

TEST(Kernels, BesselUsesFirstOrderJ1BothBelowAndAboveEight) {
  for (double t : {0.1, 0.5, 1.3, 2.0, 2.6, 3.0, 3.7, -2.2}) {
    const double expected = std::cyl_bessel_j(1.0, kPi * std::fabs(t)) / (2 * std::fabs(t));
    EXPECT_NEAR(KernelWeight(12, t), expected, 1e-7) << t;
  }
}

// A single bright pixel shows each kernel's taps, their sign and the window.
TEST(SampleInterpolated, ImpulseResponseOfEveryKernel) {
  GbImage img;
  tt::Fill24(img, 25, 25, RGBQUAD{0, 0, 0, 0});
  img.WritePixelColor(12, 12, RGBQUAD{200, 100, 50, 0});
  for (int m = 3; m <= 18; ++m) {
    for (auto [x, y] : {std::pair{12.3, 11.6}, std::pair{11.75, 12.5}, std::pair{13.1, 13.9}}) {
      const double k = KernelWeight(m, x - 12) * KernelWeight(m, y - 12);
      const RGBQUAD c = img.SampleInterpolated(x, y, GbImage::InterpolationMethod(m), GbImage::kColor);
      EXPECT_EQ(c.rgbBlue, tt::Trunc(200 * k)) << "method " << m << " at " << x << "," << y;
      EXPECT_EQ(c.rgbGreen, tt::Trunc(100 * k)) << "method " << m;
      EXPECT_EQ(c.rgbRed, tt::Trunc(50 * k)) << "method " << m;
    }
  }
  // The window is -1..+2 around floor(x): a tap three pixels away is not read,
  // even by kernels that are not zero there.
  EXPECT_EQ(img.SampleInterpolated(14.5, 12, GbImage::kSinc).rgbBlue, 0);
  EXPECT_EQ(img.SampleInterpolated(14.5, 12, GbImage::kBlackman).rgbBlue, 0);
  EXPECT_EQ(img.SampleInterpolated(13.5, 12, GbImage::kBlackman).rgbBlue, tt::Trunc(200 * KernelWeight(11, 1.5)));
  // Lanczos reaches -5..+6.
  EXPECT_EQ(img.SampleInterpolated(16.5, 12, GbImage::kLanczos).rgbBlue, tt::Trunc(200 * KernelWeight(6, 4.5)));
  EXPECT_GT(img.SampleInterpolated(16.5, 12, GbImage::kLanczos).rgbBlue, 0);
  // Blackman is not normalised: at a whole position it also takes the pixel
  // two to the right at full weight.
  EXPECT_EQ(img.SampleInterpolated(10, 12, GbImage::kBlackman).rgbBlue, 200);
  EXPECT_EQ(img.SampleInterpolated(11, 12, GbImage::kBlackman).rgbBlue, 0);
}

TEST(SampleWithOverflow, EveryOverflowMethod) {
  GbImage img;
  ASSERT_NE(img.Create(4, 3, 24, 0), nullptr);
  for (long y = 0; y < 3; ++y)
    for (long x = 0; x < 4; ++x) img.WritePixelColor(x, y, RGBQUAD{uint8_t(x * 10), uint8_t(y * 10), 7, 0});
  auto px = [](long x, long y) { return RGBQUAD{uint8_t(x * 10), uint8_t(y * 10), 7, 0}; };
  const RGBQUAD repl{1, 2, 3, 4};
  using G = GbImage;
  EXPECT_EQ(img.SampleWithOverflow(2, 1, G::kColor, repl), px(2, 1));
  EXPECT_EQ(img.SampleWithOverflow(-1, 1, G::kColor, repl), repl);
  EXPECT_EQ(img.SampleWithOverflow(-1, 1, G::OverflowMethod(7), repl), repl);  // unknown acts like colour
  EXPECT_EQ(img.SampleWithOverflow(-1, 1, G::kColor), (RGBQUAD{255, 255, 255, 0}));
  EXPECT_EQ(img.SampleWithOverflow(-1, 1, G::kBackground, repl), repl);
  EXPECT_EQ(img.SampleWithOverflow(-1, 1, G::kTransparent, repl), repl);
  EXPECT_EQ(img.SampleWithOverflow(-1, 1, G::kWrap), px(3, 1));
  EXPECT_EQ(img.SampleWithOverflow(4, -1, G::kWrap), px(0, 2));
  EXPECT_EQ(img.SampleWithOverflow(9, 4, G::kWrap), px(1, 1));
  EXPECT_EQ(img.SampleWithOverflow(-5, 7, G::kRepeat), px(0, 2));
  EXPECT_EQ(img.SampleWithOverflow(10, -3, G::kRepeat), px(3, 0));
  EXPECT_EQ(img.SampleWithOverflow(-1, 1, G::kMirror), px(1, 1));
  EXPECT_EQ(img.SampleWithOverflow(4, 1, G::kMirror), px(3, 1));
  EXPECT_EQ(img.SampleWithOverflow(-2, -1, G::kMirror), px(2, 1));
  EXPECT_EQ(img.SampleWithOverflow(5, 3, G::kMirror), px(2, 2));
  EXPECT_EQ(img.SampleWithOverflow(-4, 1, G::kMirror), px(0, 1));

  // With a background index, 24-bit images give the background colour.
  img.SetBackgroundIndex(0);
  img.SetBackgroundColor(RGBQUAD{9, 8, 7, 0});
  EXPECT_EQ(img.SampleWithOverflow(-1, 1, G::kBackground, repl), (RGBQUAD{9, 8, 7, 0}));
  EXPECT_EQ(img.SampleWithOverflow(-1, 1, G::kTransparent, repl), (RGBQUAD{9, 8, 7, 0}));
  // With an alpha plane "transparent" is the replacement with alpha 0, and
  // inside pixels carry their alpha.
  ASSERT_TRUE(img.CreateAlpha());
  img.WriteAlpha(2, 1, 77);
  EXPECT_EQ(img.SampleWithOverflow(-1, 1, G::kTransparent, repl), (RGBQUAD{1, 2, 3, 0}));
  EXPECT_EQ(img.SampleWithOverflow(2, 1, G::kColor, repl).rgbReserved, 77);
  EXPECT_EQ(img.SampleWithOverflow(5, 1, G::kMirror, repl).rgbReserved, 77);

  // Palette image: the background index picks the palette colour.
  GbImage pal;
  tt::MakeNoise(pal, 5, 5, 8, 3);
  pal.SetBackgroundIndex(3);
  EXPECT_EQ(pal.SampleWithOverflow(9, 9, G::kBackground, repl), pal.PaletteColor(3));
  EXPECT_EQ(pal.SampleWithOverflow(9, 9, G::kTransparent, repl), pal.PaletteColor(3));
}

TEST(SampleWithOverflow, MirrorAtBothEdges) {
  GbImage img;
  tt::MakeNoise(img, 6, 7, 24, 11);
  EXPECT_EQ(img.SampleWithOverflow(-1, 5, GbImage::kMirror), img.ReadPixelColor(1, 5));
  EXPECT_EQ(img.SampleWithOverflow(6, 5, GbImage::kMirror), img.ReadPixelColor(5, 5));
}

TEST(FoldCoordinates, FoldsOnlyOutsidePositionsOfFoldingMethods) {
  GbImage img(5, 4, 8, 0);
  long x = -2, y = 9;
  img.FoldCoordinates(x, y, GbImage::kWrap);
  EXPECT_EQ(x, 3);
  EXPECT_EQ(y, 1);
  x = -2, y = 9;
  img.FoldCoordinates(x, y, GbImage::kMirror);
  EXPECT_EQ(x, 2);
  EXPECT_EQ(y, 2);  // 4 - 9 % 4 - 1
  x = -2, y = 9;
  img.FoldCoordinates(x, y, GbImage::kColor);
  EXPECT_EQ(x, -2);
  EXPECT_EQ(y, 9);
  x = 3, y = 2;
  img.FoldCoordinates(x, y, GbImage::kMirror);
  EXPECT_EQ(x, 3);
  EXPECT_EQ(y, 2);

  double rx = -1.25, ry = 4.5;
  img.FoldCoordinates(rx, ry, GbImage::kRepeat);
  EXPECT_EQ(rx, 0.0);
  EXPECT_EQ(ry, 3.0);
  rx = -1.25, ry = 4.5;
  img.FoldCoordinates(rx, ry, GbImage::kWrap);
  EXPECT_DOUBLE_EQ(rx, 3.75);
  EXPECT_DOUBLE_EQ(ry, 0.5);
  rx = -1.25, ry = 4.5;
  img.FoldCoordinates(rx, ry, GbImage::kMirror);
  EXPECT_DOUBLE_EQ(rx, 1.25);
  EXPECT_DOUBLE_EQ(ry, 2.5);
  rx = 2.5, ry = 3.5;
  img.FoldCoordinates(rx, ry, GbImage::kMirror);
  EXPECT_EQ(rx, 2.5);
  EXPECT_EQ(ry, 3.5);
}

// The fixed-point path for inner 24-bit pixels and the real-weight path
// elsewhere differ in the last unit; both are pinned here.
TEST(SampleInterpolated, BilinearFixedPointAndRealWeights) {
  GbImage img;
  tt::Fill24(img, 4, 4, RGBQUAD{0, 0, 0, 0});
  img.WritePixelColor(2, 2, RGBQUAD{255, 0, 0, 0});
  // t = u = 0.999: T = U = 255, w11 = 254 -> 254 * 255 / 256 = 253.
  EXPECT_EQ(img.SampleInterpolated(1.999, 1.999, GbImage::kBilinear).rgbBlue, 253);
  // The same numbers on a palette image use real weights: 0.998001 * 255 = 254.49.
  GbImage grey(4, 4, 8, 0);
  grey.SetGreyPalette();
  grey.Fill(0);
  grey.WritePixelIndex(2, 2, 255);
  EXPECT_EQ(grey.SampleInterpolated(1.999, 1.999, GbImage::kBilinear).rgbBlue, 254);
  // Hand example: T = 76, U = 179 -> weights 54, 23, 126, 53.
  GbImage q;
  tt::Fill24(q, 4, 4, RGBQUAD{0, 0, 0, 0});
  q.WritePixelColor(2, 1, RGBQUAD{100, 0, 0, 0});
  q.WritePixelColor(1, 2, RGBQUAD{200, 0, 0, 0});
  q.WritePixelColor(2, 2, RGBQUAD{40, 0, 0, 0});
  EXPECT_EQ(q.SampleInterpolated(1.3, 1.7, GbImage::kBilinear).rgbBlue, (23 * 100 + 126 * 200 + 53 * 40) / 256);
  // Partly outside: real weights with the overflow colour (white) for x = 4.
  EXPECT_EQ(q.SampleInterpolated(3.5, 0.0, GbImage::kBilinear, GbImage::kColor).rgbBlue, 127);
  // Wholly outside: overflow colour, or the folded position for folding methods.
  EXPECT_EQ(q.SampleInterpolated(-3, 1, GbImage::kBilinear, GbImage::kColor, RGBQUAD{5, 6, 7, 0}),
            (RGBQUAD{5, 6, 7, 0}));
  EXPECT_EQ(q.SampleInterpolated(5.5, 2, GbImage::kBilinear, GbImage::kMirror),
            q.SampleInterpolated(1.5, 2, GbImage::kBilinear, GbImage::kMirror));
  // Nearest neighbour rounds by truncating x + 0.5 toward zero.
  EXPECT_EQ(q.SampleInterpolated(1.6, 1.5, GbImage::kNearestNeighbour), q.ReadPixelColor(2, 2));
  EXPECT_EQ(q.SampleInterpolated(-0.9, 1.2, GbImage::kNearestNeighbour, GbImage::kColor), q.ReadPixelColor(0, 1));
}

// Every method and overflow against the plain reference, at positions inside,
// across the edges and far outside, on 24-bit (with alpha) and palette images.
TEST(SampleInterpolated, MatchesReferenceForEveryMethodAndOverflow) {
  GbImage rgb, pal;
  tt::MakeNoise(rgb, 9, 7, 24, 5, true);
  tt::MakeNoise(pal, 9, 7, 8, 6);
  pal.SetBackgroundIndex(4);
  const double xs[] = {-12.3, -2.5, -0.4, 0.0, 0.25, 3.6, 7.5, 8.2, 8.999, 9.7, 14.1};
  const double ys[] = {-8.0, -1.1, 0.5, 3.3, 6.0, 6.6, 8.4};
  const RGBQUAD repl{10, 20, 30, 40};
  for (const GbImage* img : {&rgb, &pal})
    for (int m = 1; m <= 18; ++m)
      for (int o = 1; o <= 7; ++o)
        for (double x : xs)
          for (double y : ys) {
            const RGBQUAD got =
                img->SampleInterpolated(x, y, GbImage::InterpolationMethod(m), GbImage::OverflowMethod(o), repl);
            const RGBQUAD want = tt::RefInterp(*img, x, y, m, o, repl);
            ASSERT_EQ(Str(got), Str(want))
                << "bpp " << img->BitsPerPixel() << " method " << m << " overflow " << o << " at " << x << "," << y;
          }
}

TEST(SampleArea, FractionalBorderWeights) {
  GbImage img;
  tt::MakeNoise(img, 6, 6, 24, 21);
  auto b = [&](long x, long y) { return int(img.ReadPixelColor(x, y).rgbBlue); };
  // [1.5, 3.5]^2 covers pixels 2 and 3 fully: a plain 2 x 2 average.
  EXPECT_EQ(img.SampleArea(2.5, 2.5, 2, 2, GbImage::kCatmullRom).rgbBlue, (b(2, 2) + b(3, 2) + b(2, 3) + b(3, 3)) / 4);
  // [1, 3]^2: pixels 1 and 3 are half inside, so weights 1/2, 1, 1/2 per axis.
  double sum = 0;
  const double wt[3] = {0.5, 1, 0.5};
  for (int j = 0; j < 3; ++j)
    for (int i = 0; i < 3; ++i) sum += wt[i] * wt[j] * b(1 + i, 1 + j);
  EXPECT_EQ(img.SampleArea(2, 2, 2, 2, GbImage::kCatmullRom).rgbBlue, int(sum / 4 + 1e-9));
  // Small areas are a point sample.
  EXPECT_EQ(img.SampleArea(2.3, 2.6, 1, 0.5, GbImage::kCatmullRom),
            img.SampleInterpolated(2.3, 2.6, GbImage::kCatmullRom));
}

TEST(SampleArea, MatchesReferenceIncludingThinAreasAndEdges) {
  GbImage img;
  tt::MakeNoise(img, 8, 6, 24, 22, true);
  struct Case {
    double x, y, w, h;
  };
  const Case cases[] = {{3.3, 2.2, 2.7, 1.9}, {0.2, 0.1, 3.5, 3.5}, {7.4, 5.6, 4.1, 2.2},
                        {4.0, 3.0, 3.0, 0.5}, {2.2, 4.4, 0.3, 2.6}, {-1.0, 2.0, 2.5, 2.5}};
  for (const Case& c : cases)
    for (int m : {1, 2, 5, 16})
      for (int o : {1, 4, 5, 6}) {
        const RGBQUAD got =
            img.SampleArea(c.x, c.y, c.w, c.h, GbImage::InterpolationMethod(m), GbImage::OverflowMethod(o));
        EXPECT_EQ(Str(got), Str(tt::RefArea(img, c.x, c.y, c.w, c.h, m, o)))
            << c.x << "," << c.y << " " << c.w << "x" << c.h << " method " << m << " overflow " << o;
      }
}

TEST(Samplers, ImageWithoutPixelsGivesTheBackgroundColour) {
  GbImage empty;
  empty.SetBackgroundColor(RGBQUAD{3, 4, 5, 0});
  EXPECT_EQ(empty.SampleInterpolated(1, 1, GbImage::kCatmullRom), (RGBQUAD{3, 4, 5, 0}));
  EXPECT_EQ(empty.SampleArea(1, 1, 4, 4, GbImage::kCatmullRom), (RGBQUAD{3, 4, 5, 0}));
  EXPECT_EQ(empty.SampleWithOverflow(1, 1, GbImage::kMirror), (RGBQUAD{3, 4, 5, 0}));
  GbImage img;
  tt::MakeNoise(img, 3, 3, 24, 1);
  // Absurd positions neither crash nor overflow.
  EXPECT_EQ(img.SampleInterpolated(NAN, 1, GbImage::kCatmullRom, GbImage::kColor), tt::kWhite);
  EXPECT_EQ(img.SampleInterpolated(1e300, -1e300, GbImage::kNearestNeighbour, GbImage::kColor), tt::kWhite);
  img.SampleInterpolated(1e300, 1, GbImage::kLanczos, GbImage::kWrap);
}

}  // namespace
