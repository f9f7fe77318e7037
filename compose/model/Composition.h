// The composition engine's pictures and image utilities: the fixed
// pictures, ResizeBitmap, the key colour rules, PasteWithAnchor and
// PasteFrame. No window is involved; pictures between the parts of the
// sticker model travel as shared bitmap handles.
#pragma once
#include <memory>

#include "image/core/GbImage.h"
#include "platform/gdi/Gdi.h"

// A bitmap handle shared by slot records, the copy record and the project
// writer; the bitmap is deleted when the last holder lets go.
using SharedBitmap = std::shared_ptr<GdiBitmap>;
// Takes ownership of a handle (null stays null).
SharedBitmap AdoptBitmap(HBITMAP bitmap);
// MakeDibSection of the image, adopted; null without pixels.
SharedBitmap BitmapOfImage(const GbImage& image);
// The image of a bitmap (CreateFromBitmap); false for no bitmap.
bool ImageOfBitmap(HBITMAP bitmap, GbImage& image);
inline bool ImageOfBitmap(const SharedBitmap& bitmap, GbImage& image) { return ImageOfBitmap(bitmap.get(), image); }

// ---- sizes -------------------------------------------------------------------
constexpr int GB_STICKER_WIDTH = 320;  // also the frame and snapshot size
constexpr int GB_STICKER_HEIGHT = 240;
constexpr int GB_SHEET_WIDTH = 364;
constexpr int GB_SHEET_HEIGHT = 276;
// The sticker area on the main window (client pixels).
constexpr RECT GB_STICKER_AREA{29, 59, 29 + GB_STICKER_WIDTH, 59 + GB_STICKER_HEIGHT};
// The sheet's pixel (0, 0) on the main window.
constexpr int GB_SHEET_ORIGIN_X = 423;
constexpr int GB_SHEET_ORIGIN_Y = 61;

// ---- fixed pictures ------------------------------------------------------------
// 320 x 240 of RGB 255, 255, 253: the bottom layer of every sticker.
bool MakeStickerBackground(GbImage& image);
// 364 x 276 white: a cleared slot, the blank frame of an edited slot.
bool MakeEmptySlotPicture(GbImage& image);
// 1 x 1 black, resampled to the sheet size as the sheet's background.
bool MakeSheetBase(GbImage& image);
SharedBitmap EmptySlotBitmap();

// ---- ResizeBitmap ----------------------------------------------------------------
enum ResizeMethod : int { ResizeResample = 0, ResizeStretch = 2 };
// A new bitmap of the source at the size: Resample uses Catmull-Rom with the
// edge pixel repeated; Stretch drops or repeats rows and columns, and with
// keep aspect scales both sides by the smaller factor (sizes truncated).
// Null for no source, a zero size or another method. The source stays.
SharedBitmap ResizeBitmap(HBITMAP source, int width, int height, int method, bool keepAspect = false);
inline SharedBitmap ResizeBitmap(const SharedBitmap& source, int width, int height, int method,
                                 bool keepAspect = false) {
  return ResizeBitmap(source.get(), width, height, method, keepAspect);
}

// ---- key colour and pasting --------------------------------------------------------
// Makes the colour at the key pixel transparent: the top-left pixel (0,
// h - 1) when keyAtCorner, else the centre (w / 2, h / 2), y from the bottom.
void ApplyKeyColour(GbImage& image, bool keyAtCorner);

// Values of the anchor argument (GbImage coordinates, y from the bottom).
enum PasteAnchor : int {
  AnchorNone = 0,
  AnchorLeft = 1,
  AnchorRight = 2,
  AnchorTop = 3,
  AnchorBottom = 4,
  AnchorTopLeft = 5,
  AnchorBottomLeft = 6,
  AnchorTopRight = 7,
  AnchorBottomRight = 8,
};
// x and y after the anchor, for a source of w x h in a destination of W x H.
void AnchorOffsets(int anchor, long destWidth, long destHeight, long srcWidth, long srcHeight, long& x, long& y);

// Copies source into destination at the anchored offset; with useKey the
// source's key colour is left out (the source itself is not changed).
// Pixels falling outside the destination are dropped.
bool PasteWithAnchor(GbImage& destination, const GbImage& source, int anchor, long x, long y, bool useKey,
                     bool keyAtCorner);

// Lays a frame over a sticker at the anchored offset. Key-coloured frame
// pixels (and those of alpha 0) leave the sticker alone. At opacity 255 every
// other frame pixel replaces the sticker's; at any other opacity a each
// colour becomes s + (f - s) * a / 255, truncated toward zero and clamped.
bool PasteFrame(GbImage& sticker, const GbImage& frame, int anchor, long x, long y, int opacity, bool keyAtCorner);
