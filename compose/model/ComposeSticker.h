// ComposeSticker: a photo placed behind a frame becomes a 320 x 240 sticker,
// from the state the main window holds (its pictures and the rectangles of
// its photo and frame windows), with no window involved.
#pragma once
#include "compose/model/Composition.h"

struct StickerInputs {
  // The sticker area's background, 320 x 240; null: the fixed sticker background.
  const GbImage* background = nullptr;
  // The photo; resampled in place to the size of photoRect when its own
  // size differs, as the main window keeps it at its on-screen size.
  GbImage* photo = nullptr;
  // Screen (top-down) rectangles of the photo window and the frame window;
  // only their relative position and the photo's size matter.
  RECT photoRect{0, 0, GB_STICKER_WIDTH, GB_STICKER_HEIGHT};
  RECT frameRect{0, 0, GB_STICKER_WIDTH, GB_STICKER_HEIGHT};
  const GbImage* frame = nullptr;  // used at its own size
  bool frameOption = true;         // lay the frame over the photo
  bool live = false;               // a snapshot already carries its frame
  int alpha = 255;                 // frame opacity
};

struct ComposedSticker {
  SharedBitmap sticker;  // the finished composite
  SharedBitmap plain;    // the same before the frame was laid over it
  SharedBitmap frame;    // the frame picture, null without one
};

// False (with nothing composed) when a picture can't be made; a missing
// photo leaves the background plain.
bool ComposeSticker(StickerInputs& inputs, ComposedSticker& out);

// The same pictures as images, for callers that go on working on them.
bool ComposeStickerImage(StickerInputs& inputs, GbImage& composite, GbImage* plain = nullptr);
