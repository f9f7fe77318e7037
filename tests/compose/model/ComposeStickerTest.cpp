#include <gtest/gtest.h>

#include "compose/model/BatchCompose.h"
#include "compose/model/ComposeSticker.h"
#include "tests/compose/model/ComposeTestSupport.h"

using namespace composetest;

namespace {

const RGBQUAD kBackground = Rgb(255, 255, 253);
const RGBQUAD kKey = Rgb(255, 0, 255);

GbImage FrameWithWindow() {
  GbImage f = Solid(320, 240, Rgb(20, 90, 160));
  for (long y = 30; y < 210; ++y)
    for (long x = 40; x < 280; ++x) Set(f, x, y, kKey);
  return f;
}

}  // namespace

TEST(ComposeSticker, PhotoPartlyOutsideIsClippedAtTheStickerEdges) {
  GbImage photo = Pattern(100, 80);
  const GbImage original(photo);
  StickerInputs in;
  in.photo = &photo;
  in.frameRect = RECT{500, 300, 820, 540};
  in.photoRect = RECT{500 - 30, 300 + 200, 500 - 30 + 100, 300 + 280};  // 30 left of, 40 below the frame
  in.frameOption = false;
  GbImage composite, plain;
  ASSERT_TRUE(ComposeStickerImage(in, composite, &plain));
  ASSERT_EQ(composite.Width(), 320u);
  ASSERT_EQ(composite.Height(), 240u);
  EXPECT_EQ(photo.Width(), 100u);  // already at its on-screen size: not resampled
  for (long y = 0; y < 240; ++y)
    for (long x = 0; x < 320; ++x) {
      const long px = x + 30, py = y - 200;  // photo pixel under sticker pixel, top-down
      const RGBQUAD want = (px < 100 && py >= 0 && py < 80) ? At(original, px, py) : kBackground;
      ASSERT_TRUE(Same(At(composite, x, y), want)) << x << "," << y;
    }
  EXPECT_EQ(DiffCount(composite, plain), 0);
}

TEST(ComposeSticker, PhotoIsResampledToItsWindowAndTheFrameLaidOver) {
  GbImage photo = Solid(64, 48, Rgb(10, 120, 30));
  GbImage frame = FrameWithWindow();
  StickerInputs in;
  in.photo = &photo;
  in.frame = &frame;
  in.photoRect = RECT{0, 0, 320, 240};
  in.frameRect = RECT{0, 0, 320, 240};
  in.alpha = 255;
  ComposedSticker out;
  ASSERT_TRUE(ComposeSticker(in, out));
  EXPECT_EQ(photo.Width(), 320u);
  EXPECT_EQ(photo.Height(), 240u);
  const GbImage sticker = Image(out.sticker), plain = Image(out.plain), f = Image(out.frame);
  EXPECT_EQ(DiffCount(plain, Solid(320, 240, Rgb(10, 120, 30))), 0);
  EXPECT_TRUE(Same(At(sticker, 0, 0), Rgb(20, 90, 160)));
  EXPECT_TRUE(Same(At(sticker, 160, 120), Rgb(10, 120, 30)));
  EXPECT_EQ(DiffCount(f, frame), 0);

  // The live preview's snapshot carries its frame already; the frame
  // option off leaves it off too. Both still hand the frame over.
  StickerInputs live = in, off = in;
  live.live = true;
  off.frameOption = false;
  for (StickerInputs* again : {&live, &off}) {
    ComposedSticker o;
    ASSERT_TRUE(ComposeSticker(*again, o));
    EXPECT_EQ(DiffCount(Image(o.sticker), plain), 0);
    EXPECT_TRUE(o.frame);
  }
}

TEST(ComposeSticker, DefaultPlacementFillsTheStickerAndCoverKeepsTheAspect) {
  const PhotoPlacement square = CoverPlacement(512, 512);
  EXPECT_EQ(square.width, 320);
  EXPECT_EQ(square.height, 320);
  EXPECT_EQ(square.x, 0);
  EXPECT_EQ(square.y, -20);                               // a quarter of the overhang above
  const PhotoPlacement wide = CoverPlacement(1600, 900);  // 240/900 wins
  EXPECT_EQ(wide.height, 240);
  EXPECT_EQ(wide.width, 427);
  EXPECT_EQ(wide.x, -53);
  EXPECT_EQ(wide.y, 0);
  const PhotoPlacement exact = CoverPlacement(640, 480);
  EXPECT_EQ(exact.width, 320);
  EXPECT_EQ(exact.height, 240);

  GbImage photo = Pattern(50, 50);
  ComposedSticker out;
  ASSERT_TRUE(ComposeStickerFromPictures(photo, nullptr, PhotoPlacement{}, 255, out));
  EXPECT_EQ(photo.Width(), 320u);
  EXPECT_EQ(photo.Height(), 240u);
  EXPECT_FALSE(out.frame);
  EXPECT_EQ(DiffCount(Image(out.sticker), photo), 0);
}

TEST(LaySheetOverBackground, BlackGapsShowTheBackground) {
  GbImage sheet = Solid(364, 276, Rgb(0, 0, 0));
  for (long y = 20; y < 120; ++y)
    for (long x = 20; x < 160; ++x) Set(sheet, x, y, Rgb(200, 40, 40));
  GbImage background = Solid(100, 100, Rgb(30, 160, 90));
  GbImage out;
  ASSERT_TRUE(LaySheetOverBackground(sheet, &background, 1024, 768, out));
  ASSERT_EQ(out.Width(), 1024u);
  ASSERT_EQ(out.Height(), 768u);
  EXPECT_TRUE(Same(At(out, 1000, 700), Rgb(30, 160, 90)));
  EXPECT_TRUE(Same(At(out, 5, 5), Rgb(30, 160, 90)));
  EXPECT_TRUE(Same(At(out, 70 * 1024 / 364, 60 * 768 / 276), Rgb(200, 40, 40)));
  GbImage onWhite;
  ASSERT_TRUE(LaySheetOverBackground(sheet, nullptr, 528, 400, onWhite));
  EXPECT_TRUE(Same(At(onWhite, 500, 380), Rgb(255, 255, 255)));

  // Black inside a sticker: keyed like the gaps, unless the stickers' places
  // are known.
  for (long y = 50; y < 90; ++y)
    for (long x = 60; x < 120; ++x) Set(sheet, x, y, Rgb(0, 0, 0));
  GbImage holed, kept;
  const std::vector<RECT> stickers{RECT{20, 20, 160, 120}};
  ASSERT_TRUE(LaySheetOverBackground(sheet, &background, 530, 400, holed));
  ASSERT_TRUE(LaySheetOverBackground(sheet, &background, 530, 400, kept, &stickers));
  const long cx = 90 * 530 / 364, cy = 70 * 400 / 276;
  EXPECT_TRUE(Same(At(holed, cx, cy), Rgb(30, 160, 90)));
  EXPECT_TRUE(Same(At(kept, cx, cy), Rgb(0, 0, 0)));
  EXPECT_TRUE(Same(At(kept, 500, 380), Rgb(30, 160, 90)));
  EXPECT_TRUE(Same(At(kept, 70 * 530 / 364, 30 * 400 / 276), Rgb(200, 40, 40)));
}
