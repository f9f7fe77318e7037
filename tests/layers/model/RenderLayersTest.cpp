// RenderLayers against pictures built here pixel by pixel: keying, placement
// above and below the top edge, order, visibility, hit rectangles, and the
// files that can't be drawn.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "layers/model/MixLayers.h"
#include "tests/support/TestSupport.h"
#include "tests/support/Pixels.h"

namespace {

using gbtest::At;
using gbtest::Put;
using gbtest::Rgb;

// A base with no two neighbours alike.
GbImage Base(uint32_t w, uint32_t h) {
  GbImage image(w, h, 24);
  for (uint32_t row = 0; row < h; ++row)
    for (uint32_t x = 0; x < w; ++x)
      Put(image, x, row, Rgb{uint8_t(x * 5 + 1), uint8_t(row * 7 + 2), uint8_t(x ^ row)});
  return image;
}

// A decoration: white key at the top left, white in its middle too, and a
// colour per pixel elsewhere (never white).
GbImage Decoration(uint32_t w, uint32_t h) {
  GbImage image(w, h, 24);
  for (uint32_t row = 0; row < h; ++row)
    for (uint32_t x = 0; x < w; ++x) Put(image, x, row, Rgb{200, uint8_t(10 + x), uint8_t(100 + row)});
  Put(image, 0, 0, Rgb{255, 255, 255});
  Put(image, w / 2, h / 2, Rgb{255, 255, 255});
  return image;
}

bool IsWhite(Rgb c) { return c == Rgb{255, 255, 255}; }

// What the composite must be: base, then each (picture, x, y) pasted by hand.
struct Placed {
  const GbImage* picture;
  long x, y;
};
GbImage Expected(const GbImage& base, std::initializer_list<Placed> layers) {
  GbImage out(base);
  for (const Placed& p : layers) {
    const long H = long(p.picture->Height()), W = long(p.picture->Width());
    for (long row = 0; row < H; ++row)
      for (long x = 0; x < W; ++x) {
        const long tx = p.x + x, trow = row - p.y;
        if (tx < 0 || trow < 0 || tx >= long(out.Width()) || trow >= long(out.Height())) continue;
        const Rgb c = At(*p.picture, x, row);
        if (IsWhite(c)) continue;
        Put(out, tx, trow, c);
      }
  }
  return out;
}

void ExpectSame(const GbImage& actual, const GbImage& expected) {
  ASSERT_EQ(actual.Width(), expected.Width());
  ASSERT_EQ(actual.Height(), expected.Height());
  for (long row = 0; row < long(expected.Height()); ++row)
    for (long x = 0; x < long(expected.Width()); ++x) {
      const Rgb a = At(actual, x, row), e = At(expected, x, row);
      ASSERT_TRUE(a == e) << "at " << x << ", " << row << ": " << int(a.r) << "," << int(a.g) << "," << int(a.b)
                          << " instead of " << int(e.r) << "," << int(e.g) << "," << int(e.b);
    }
}

class RenderLayersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base = Base(40, 30);
    baseBitmap = base.MakeDibSection();
    layers.resize(1);
    layers[0].source = CallerPicture;
  }
  void TearDown() override { DeleteObject(baseBitmap); }
  std::string SavePicture(GbImage picture, const std::string& name) {
    const std::string path = dir.file(name);
    EXPECT_TRUE(picture.SaveFile(path.c_str(), GB_TYPE_BMP));
    return path;
  }
  MixLayerData& AddPicture(const std::string& path, int32_t x, int32_t y) {
    MixLayerData layer;
    layer.path = path;
    layer.x = x;
    layer.y = y;
    layers.push_back(layer);
    return layers.back();
  }
  GbImage Render() {
    GbImage composite;
    EXPECT_TRUE(RenderLayers(layers, baseBitmap, composite, state));
    return composite;
  }

  gbtest::TempDir dir;
  GbImage base;
  HBITMAP baseBitmap = nullptr;
  std::vector<MixLayerData> layers;
  LayerRenderState state;
};

TEST_F(RenderLayersTest, BaseAloneIsACopyAndIsDrawnEvenWhenUnchecked) {
  ExpectSame(Render(), base);
  layers[0].visible = 0;
  ExpectSame(Render(), base);
  // A list that is empty draws nothing and leaves the last result.
  std::vector<MixLayerData> none;
  GbImage kept(base);
  EXPECT_FALSE(RenderLayers(none, baseBitmap, kept, state));
  ExpectSame(kept, base);
}

TEST_F(RenderLayersTest, TheTopLeftColourIsSeeThroughEverywhereInTheLayer) {
  const GbImage deco = Decoration(7, 5);
  AddPicture(SavePicture(deco, "d.bmp"), 3, -4);
  const GbImage composite = Render();
  ExpectSame(composite, Expected(base, {{&deco, 3, -4}}));
  // The white in the middle let the base through as well as the corner did.
  EXPECT_TRUE(At(composite, 3 + 3, 4 + 2) == At(base, 6, 6));
  EXPECT_TRUE(At(composite, 3, 4) == At(base, 3, 4));
  // The next new picture goes where this one was placed.
  EXPECT_EQ(state.defaultX, 3);
  EXPECT_EQ(state.defaultY, -4);
}

TEST_F(RenderLayersTest, PictureYGrowsUpwardAndClipsAtEveryEdge) {
  const GbImage deco = Decoration(6, 14);
  const std::string path = SavePicture(deco, "d.bmp");
  struct Case {
    int32_t x, y;
  } cases[] = {{2, 10}, {5, -10}, {0, 0}, {-3, -25}, {37, 5}, {-6, 0}, {40, 0}};
  for (const Case& c : cases) {
    layers.resize(1);
    AddPicture(path, c.x, c.y);
    SCOPED_TRACE(testing::Message() << c.x << ", " << c.y);
    ExpectSame(Render(), Expected(base, {{&deco, c.x, c.y}}));
  }
  // y = 10: the top 10 rows are above the picture; row 10 of the layer is row 0.
  layers.resize(1);
  AddPicture(path, 2, 10);
  const GbImage up = Render();
  EXPECT_TRUE(At(up, 2 + 1, 0) == At(deco, 1, 10));
  EXPECT_TRUE(At(up, 2 + 1, 4) == At(base, 3, 4));
  // y = -10: the layer starts 10 rows down.
  layers.resize(1);
  AddPicture(path, 2, -10);
  const GbImage down = Render();
  EXPECT_TRUE(At(down, 3, 9) == At(base, 3, 9));
  EXPECT_TRUE(At(down, 3, 10) == At(deco, 1, 0));
}

TEST_F(RenderLayersTest, HitRectanglesFollowTheViewOriginAndHiddenLayersKeepTheirs) {
  const GbImage deco = Decoration(7, 5);
  MixLayerData& layer = AddPicture(SavePicture(deco, "d.bmp"), 3, -4);
  EXPECT_EQ(layer.hitRect, (RECT{0, 0, 0, 0}));
  Render();
  EXPECT_EQ(layers[1].hitRect, (RECT{3 + 11, 33 + 4, 3 + 11 + 7, 33 + 4 + 5}));
  EXPECT_EQ(LayerRectInComposite(layers[1]), (RECT{3, 4, 10, 9}));
  EXPECT_TRUE(LayerContains(layers[1], 3, 4));
  EXPECT_FALSE(LayerContains(layers[1], 10, 4));
  EXPECT_FALSE(LayerContains(layers[1], 3, 9));

  layers[1].visible = 0;
  layers[1].x = 20;
  ExpectSame(Render(), base);
  EXPECT_EQ(layers[1].hitRect, (RECT{14, 37, 21, 42}));
}

TEST_F(RenderLayersTest, OrderDecidesWhoCoversWhomAndMovingBackRestoresTheComposite) {
  const GbImage a = Decoration(9, 8), b = Base(6, 5);  // b has no white corner... its own key
  const std::string pa = SavePicture(a, "a.bmp"), pb = SavePicture(b, "b.bmp");
  AddPicture(pa, 4, -3);
  AddPicture(pb, 8, -6);
  const GbImage first = Render();
  // b is keyed by its own top-left colour, which is not white: paste it by hand.
  GbImage expected = Expected(base, {{&a, 4, -3}});
  for (long row = 0; row < 5; ++row)
    for (long x = 0; x < 6; ++x)
      if (!(At(b, x, row) == At(b, 0, 0))) Put(expected, 8 + x, 6 + row, At(b, x, row));
  ExpectSame(first, expected);

  ASSERT_TRUE(MoveLayerTowardBase(layers, 2));
  EXPECT_EQ(layers[1].path, pb);
  const GbImage swapped = Render();
  EXPECT_TRUE(At(swapped, 9, 7) == At(a, 5, 4));  // a now covers b where both draw
  EXPECT_TRUE(At(first, 9, 7) == At(b, 1, 1));
  ASSERT_TRUE(MoveLayerAwayFromBase(layers, 1));
  ExpectSame(Render(), first);

  // The base never moves, and nothing moves past the ends.
  EXPECT_FALSE(MoveLayerTowardBase(layers, 1));
  EXPECT_FALSE(MoveLayerTowardBase(layers, 0));
  EXPECT_FALSE(MoveLayerAwayFromBase(layers, 0));
  EXPECT_FALSE(MoveLayerAwayFromBase(layers, 2));
  EXPECT_FALSE(MoveLayerTowardBase(layers, 3));
}

TEST_F(RenderLayersTest, FilesThatCantBeDrawnAddNothing) {
  gbtest::WriteFile(dir.file("corrupt.bmp"), "BM this is not a bitmap at all");
  // A header that claims 20000 x 20000 pixels and brings none.
  std::string huge(54, '\0');
  auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&huge[at], &v, 4); };
  huge[0] = 'B', huge[1] = 'M';
  put32(2, 54 + 16), put32(10, 54), put32(14, 40), put32(18, 20000), put32(22, 20000);
  huge[26] = 1, huge[28] = 24;
  huge += std::string(16, '\x7f');
  gbtest::WriteFile(dir.file("huge.bmp"), huge);
  // Decodable but beyond what a decoration may be.
  GbImage wide(kMaxLayerSide + 1, 2, 24);
  const std::string widePath = SavePicture(wide, "wide.bmp");

  for (const std::string& path : {dir.file("missing.png"), dir.file("corrupt.bmp"), dir.file("huge.bmp"), widePath}) {
    SCOPED_TRACE(path);
    GbImage probe;
    EXPECT_FALSE(LoadLayerPicture(path, probe));
    EXPECT_FALSE(probe.HasPixels());
    layers.resize(1);
    AddPicture(path, 5, -5);
    ExpectSame(Render(), base);
    EXPECT_EQ(layers[1].hitRect, (RECT{16, 38, 16, 38}));
  }
}

TEST_F(RenderLayersTest, ABaseThatCantBeReadLeavesAnEmptyComposite) {
  layers[0].source = FromFile;
  layers[0].path = dir.file("gone.bmp");
  const GbImage deco = Decoration(3, 3);
  AddPicture(SavePicture(deco, "d.bmp"), 0, 0);
  GbImage composite(base);
  EXPECT_TRUE(RenderLayers(layers, nullptr, composite, state));
  EXPECT_FALSE(composite.HasPixels());
  // The base from a file, read by its extension.
  layers[0].path = SavePicture(base, "base.bmp");
  ExpectSame(Render(), Expected(base, {{&deco, 0, 0}}));
}

TEST_F(RenderLayersTest, LayersFarOutsideAreClippedWithoutOverflow) {
  const GbImage deco = Decoration(5, 4);
  const std::string path = SavePicture(deco, "d.bmp");
  for (int32_t v : {INT32_MAX, INT32_MIN, 100000, -100000}) {
    layers.resize(1);
    AddPicture(path, v, v);
    ExpectSame(Render(), base);
  }
  MixLayerData layer;
  layer.x = INT32_MAX - 1;
  layer.y = INT32_MIN + 1;
  MoveLayerBy(layer, 10, 10);  // a picture's y goes down by 10, held at the bound
  EXPECT_EQ(layer.x, INT32_MAX);
  EXPECT_EQ(layer.y, INT32_MIN);
  MoveLayerBy(layer, -5, -3);
  EXPECT_EQ(layer.x, INT32_MAX - 5);
  EXPECT_EQ(layer.y, INT32_MIN + 3);
  MixLayerData text;
  text.isText = 1;
  text.y = 40;
  MoveLayerBy(text, 0, -2);  // up: a text's y counts down from the top
  EXPECT_EQ(text.y, 38);
}

#ifndef GB_NO_TEXT
MixLayerData TextLayer(const char* words, int32_t x, int32_t y, int alignment, const char* face = "DejaVu Sans") {
  MixLayerData layer;
  layer.isText = 1;
  layer.path = "TEXT";
  InitTextSettings(layer.text);
  std::memset(layer.text.text, 0, sizeof layer.text.text);
  std::strncpy(layer.text.text, words, sizeof layer.text.text - 1);
  std::memset(layer.text.font.lfFaceName, 0, sizeof layer.text.font.lfFaceName);
  std::strncpy(layer.text.font.lfFaceName, face, sizeof layer.text.font.lfFaceName - 1);
  layer.text.font.lfHeight = -14;
  layer.text.opaque = 0;
  layer.text.smooth = 0;
  layer.text.textColor = RGB(0, 0, 0);
  layer.text.alignment = alignment;
  layer.x = x;
  layer.y = y;
  return layer;
}

TEST(RenderTextLayers, TheTextIsDrawnInsideTheRectangleHitsAreTestedAgainst) {
  GbImage white(160, 60, 24);
  for (long row = 0; row < 60; ++row)
    for (long x = 0; x < 160; ++x) Put(white, x, row, Rgb{255, 255, 255});
  HBITMAP bitmap = white.MakeDibSection();
  struct Case {
    int alignment;
    int32_t x;
  } cases[] = {{1, 80}, {0, 20}, {2, 150}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.alignment);
    std::vector<MixLayerData> layers(1);
    layers[0].source = CallerPicture;
    layers.push_back(TextLayer("Wide text", c.x, 45, c.alignment));
    GbImage composite;
    LayerRenderState state;
    ASSERT_TRUE(RenderLayers(layers, bitmap, composite, state));
    const RECT hit = layers[1].hitRect;
    const long w = hit.right - hit.left, h = hit.bottom - hit.top;
    ASSERT_GT(w, 20);
    ASSERT_GT(h, 8);
    // The stored rectangle is centred on x, bottom on y, in view coordinates.
    EXPECT_EQ(hit.left, c.x - w / 2 + 11);
    EXPECT_EQ(hit.bottom, 45 + 33);
    const RECT seen = LayerRectInComposite(layers[1]);
    long inked = 0;
    for (long row = 0; row < 60; ++row)
      for (long x = 0; x < 160; ++x) {
        if (At(composite, x, row) == Rgb{255, 255, 255}) continue;
        ++inked;
        EXPECT_TRUE(x >= seen.left && x < seen.right && row >= seen.top && row < seen.bottom)
            << "ink at " << x << ", " << row;
      }
    EXPECT_GT(inked, 30);
    // The text moves nothing but its own pixels: a hidden text draws nothing.
    layers[1].visible = 0;
    ASSERT_TRUE(RenderLayers(layers, bitmap, composite, state));
    ExpectSame(composite, white);
  }
  DeleteObject(bitmap);
}

TEST(RenderTextLayers, EmptyLongAndUnknownFontTextsDrawWithoutFailing) {
  GbImage white(120, 50, 24);
  for (long row = 0; row < 50; ++row)
    for (long x = 0; x < 120; ++x) Put(white, x, row, Rgb{255, 255, 255});
  HBITMAP bitmap = white.MakeDibSection();
  auto inked = [&](const MixLayerData& text) {
    std::vector<MixLayerData> layers(1);
    layers[0].source = CallerPicture;
    layers.push_back(text);
    GbImage composite;
    LayerRenderState state;
    EXPECT_TRUE(RenderLayers(layers, bitmap, composite, state));
    long n = 0;
    for (long row = 0; row < 50; ++row)
      for (long x = 0; x < 120; ++x) n += At(composite, x, row) == Rgb{255, 255, 255} ? 0 : 1;
    return n;
  };
  EXPECT_EQ(inked(TextLayer("", 60, 40, 1)), 0);
  // A substitute font draws the text.
  EXPECT_GT(inked(TextLayer("Hello", 60, 40, 1, "No Such Font Anywhere 7")), 30);
  // The longest text a record holds, most of it outside the picture.
  std::string longText(GB_TEXT_MAX - 1, 'W');
  for (size_t i = 40; i < longText.size(); i += 41) longText[i] = '\r';
  EXPECT_GT(inked(TextLayer(longText.c_str(), 60, 40, 0)), 100);
  DeleteObject(bitmap);
}
#endif

}  // namespace

namespace {

TEST(DecorateCommand, DrawsTheLayersInTheOrderGivenAndRefusesWhatItCantDraw) {
  gbtest::TempDir dir;
  GbImage base = Base(40, 30);
  const GbImage deco = Decoration(7, 5), other = Decoration(4, 9);
  const std::string in = dir.file("in.bmp"), a = dir.file("a.bmp"), b = dir.file("b.bmp"), out = dir.file("out.bmp");
  ASSERT_TRUE(base.SaveFile(in.c_str(), GB_TYPE_BMP));
  ASSERT_TRUE(GbImage(deco).SaveFile(a.c_str(), GB_TYPE_BMP));
  ASSERT_TRUE(GbImage(other).SaveFile(b.c_str(), GB_TYPE_BMP));
  std::string said;
  const std::string cli = gbtest::CliPath();
  ASSERT_EQ(
      gbtest::Run(cli + " decorate " + in + " " + out + " --picture " + a + " 3 -4 --picture " + b + " 5 -2", &said),
      0);
  EXPECT_NE(said.find("layer 2 picture: 5,2 4x9"), std::string::npos) << said;
  GbImage result;
  ASSERT_TRUE(result.LoadFile(out.c_str(), GB_TYPE_BMP));
  ExpectSame(result, Expected(base, {{&deco, 3, -4}, {&other, 5, -2}}));

  EXPECT_NE(
      gbtest::Run(cli + " decorate " + in + " " + out + " --picture " + dir.file("none.png") + " 0 0 2>/dev/null"), 0);
  EXPECT_NE(gbtest::Run(cli + " decorate " + in + " " + out + " --picture " + a + " 1 2>/dev/null"), 0);
  EXPECT_NE(gbtest::Run(cli + " decorate " + in + " " + out + " --text hi x 3 2>/dev/null"), 0);
}

}  // namespace

namespace {

TEST(PictureSizeTest, HeadersAreReadWithoutDecodingAndLargeOnesRefusedEarly) {
  gbtest::TempDir dir;
  GbImage small(37, 21, 24);
  for (const auto& [name, type] :
       {std::pair{"s.png", GB_TYPE_PNG}, {"s.bmp", GB_TYPE_BMP}, {"s.gif", GB_TYPE_GIF}, {"s.jpg", GB_TYPE_JPG}}) {
    const std::string path = dir.file(name);
    GbImage copy(small);
    ASSERT_TRUE(copy.SaveFile(path.c_str(), type)) << name;
    uint32_t w = 0, h = 0;
    ASSERT_TRUE(PeekPictureSize(path, w, h)) << name;
    EXPECT_EQ(w, 37u) << name;
    EXPECT_EQ(h, 21u) << name;
  }
  uint32_t w = 0, h = 0;
  EXPECT_FALSE(PeekPictureSize(dir.file("none.png"), w, h));
  gbtest::WriteFile(dir.file("short.png"), "\x89PNG\r\n");
  EXPECT_FALSE(PeekPictureSize(dir.file("short.png"), w, h));
  gbtest::WriteFile(dir.file("loop.jpg"), std::string("\xFF\xD8\xFF\xE0\x00\x01", 6));
  EXPECT_FALSE(PeekPictureSize(dir.file("loop.jpg"), w, h));

  // A PNG that states 9000 x 9000 (within the engine's memory limit) is
  // refused from its header; its pixel data is not even there.
  std::string png("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\x23\x28\0\0\x23\x28\x08\x02\0\0\0", 29);
  png += std::string(4, '\0');
  gbtest::WriteFile(dir.file("big.png"), png);
  ASSERT_TRUE(PeekPictureSize(dir.file("big.png"), w, h));
  EXPECT_EQ(w, 9000u);
  GbImage picture;
  EXPECT_FALSE(LoadLayerPicture(dir.file("big.png"), picture));
  EXPECT_STREQ(picture.LastError(), "The picture is too large for a decoration");
}

}  // namespace
