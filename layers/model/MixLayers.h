// The layer editor's model: one record per layer (the picture being
// decorated at index 0, then decoration pictures and texts), and the
// rendering that flattens the list into one composite picture.
//
// Coordinates: the composite has the base picture's size and rows count
// from the top. A picture layer's x is its left column and its y grows
// upward (its top edge lies on row -y). A text layer's (x, y) is the
// DrawTextBox anchor: y is the bottom row of the text box.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "image/core/GbImage.h"
#include "image/core/TextSettings.h"
#include "platform/gdi/Gdi.h"

enum LayerSource : int32_t { FromFile = 0, CallerPicture = 1 };

struct MixLayerData {
  int32_t visible = 1;
  int32_t isText = 0;
  int32_t source = FromFile;
  int32_t reserved = 0;
  int32_t placement = 0;  // 0: free position at (x, y)
  int32_t x = 0;
  int32_t y = 0;
  // Where the layer was last drawn, in the editor's client coordinates with
  // composite pixel (0, 0) at ViewOrigin; all zero until the first render.
  RECT hitRect{0, 0, 0, 0};
  std::string path;  // picture file; "TEXT" for texts; empty for the caller's picture
  TextSettings text{};
};

// Composite pixel (0, 0) in hitRect's coordinates: one pixel inside the
// editor's framed view at (10, 32).
constexpr long kViewOriginX = 11;
constexpr long kViewOriginY = 33;

// Decoration pictures above this many pixels a side are not drawn: a
// sticker is 320 x 240, and decoding a picture of that size again at every
// render would stall the editor.
constexpr uint32_t kMaxLayerSide = 4096;

// What a render leaves for the next layer to be added.
struct LayerRenderState {
  long defaultX = 0;  // where the next new picture layer goes
  long defaultY = 0;
  int32_t defaultPlacement = 0;
};

// Reads a layer picture; the default is LoadFile with the type of the
// path's extension, refusing pictures above kMaxLayerSide.
// The size a PNG, BMP, GIF or JPEG file states in its header, without
// decoding it; false for other files and for files too short to say.
bool PeekPictureSize(const std::string& path, uint32_t& width, uint32_t& height);

using LayerPictureLoader = std::function<bool(const std::string& path, GbImage& picture)>;
bool LoadLayerPicture(const std::string& path, GbImage& picture);

// Flattens layers into composite. The base layer (index 0) is drawn whatever
// its visible flag says; hidden layers are skipped and keep their hitRect.
// Returns false (composite untouched) for an empty list; a base that cannot
// be read leaves composite empty and draws nothing else.
bool RenderLayers(std::vector<MixLayerData>& layers, HBITMAP callerPicture, GbImage& composite, LayerRenderState& state,
                  const LayerPictureLoader& loader = LoadLayerPicture);

// Colour-keys picture by its top-left pixel and pastes it into composite
// with its top-left corner at column x, row -y (rows from the top).
bool PlaceLayerPicture(GbImage& composite, GbImage& picture, long x, long y);

// The rectangle the user sees the layer in, in composite pixels (rows from
// the top, right and bottom exclusive): hitRect without the view origin,
// and for left- or right-aligned text moved to where the text is drawn.
RECT LayerRectInComposite(const MixLayerData& layer);
bool LayerContains(const MixLayerData& layer, long compositeX, long compositeY);

// The list's invariants: only the base at index 0 is fixed.
bool MoveLayerTowardBase(std::vector<MixLayerData>& layers, size_t index);
bool MoveLayerAwayFromBase(std::vector<MixLayerData>& layers, size_t index);
// Moves by (dx, dy) as the user sees it: right and down are positive.
void MoveLayerBy(MixLayerData& layer, long dx, long dy);
