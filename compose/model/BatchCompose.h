// Stickers and sheets from picture files, the way the main window makes
// them, for batch work (the command-line tool) and tests.
#pragma once
#include <string>
#include <vector>

#include "compose/model/ComposeSticker.h"

// Loads a photo or frame by the type its extension names; pictures of fewer
// than 24 bits are raised to 24 so resampling blends colours. false with a
// message for an unknown type or an unreadable file.
bool LoadTemplatePicture(const std::string& path, GbImage& image, std::string& error);

// Where the photo goes, in sticker pixels from the frame's top-left corner,
// top-down. The default fills the sticker (320 x 240 at the origin).
struct PhotoPlacement {
  long x = 0, y = 0;
  long width = GB_STICKER_WIDTH, height = GB_STICKER_HEIGHT;
};
// The placement that covers the whole sticker keeping the photo's aspect:
// centred across, and with a quarter of any vertical overhang above the
// sticker and three quarters below (faces sit high in portraits).
PhotoPlacement CoverPlacement(long photoWidth, long photoHeight);

// Composes like the add-to-sheet command: photo at its placement, the frame
// (when given) laid over with the opacity.
bool ComposeStickerFromPictures(GbImage& photo, const GbImage* frame, const PhotoPlacement& placement, int alpha,
                                ComposedSticker& out);

// Output sizes of a sheet laid over a background.
constexpr int GB_SHEET_PICTURE_LARGE_WIDTH = 1024, GB_SHEET_PICTURE_LARGE_HEIGHT = 768;
constexpr int GB_SHEET_PICTURE_SMALL_WIDTH = 528, GB_SHEET_PICTURE_SMALL_HEIGHT = 400;
// The sheet over a background as the save-picture dialog makes it: both at
// 530 x 400, the sheet's centre colour (the black of its gaps) keyed out so
// the background shows around the stickers, then resampled to the output
// size. No background: white. With the rectangles of the stickers (sheet
// pixels, top-down), only the gaps are keyed: black in a photo stays black
// instead of letting the background through.
bool LaySheetOverBackground(const GbImage& sheet, const GbImage* background, int width, int height, GbImage& out,
                            const std::vector<RECT>* stickers = nullptr);
// Pastes a sheet picture (any size, standing for the whole sheet) over a
// picture of the same size, 24 bits both: its centre colour is keyed out,
// everywhere or, with the sticker rectangles, only in the gaps.
bool PasteSheetKeyed(GbImage& picture, const GbImage& overlay, const std::vector<RECT>* stickers);
// The sheet rectangles of the slots that hold a sticker.
std::vector<RECT> StickerRectangles(const class SheetModel& sheet);
