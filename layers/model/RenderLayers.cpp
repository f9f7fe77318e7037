// RenderLayers: the base picture, then every visible layer in list order,
// each picture keyed by its own top-left pixel and each text drawn with its
// settings. Every render starts again from the caller's bitmap and the
// files, so a file changed on disk shows at the next change.
#include <algorithm>
#include <climits>

#include "layers/model/MixLayers.h"

namespace {

long Clamp32(long long v) { return long(std::clamp<long long>(v, INT32_MIN, INT32_MAX)); }

}  // namespace

bool LoadLayerPicture(const std::string& path, GbImage& picture) {
  if (path.empty()) return false;
  uint32_t statedW = 0, statedH = 0;
  if (PeekPictureSize(path, statedW, statedH) && (statedW > kMaxLayerSide || statedH > kMaxLayerSide)) {
    picture.Release();
    picture.SetLastError("The picture is too large for a decoration");
    return false;
  }
  const uint32_t type = GbImage::TypeFromPath(path);
  if (!picture.LoadFile(path.c_str(), type) || !picture.HasPixels()) return false;
  if (picture.Width() > kMaxLayerSide || picture.Height() > kMaxLayerSide) {
    picture.Release();
    picture.SetLastError("The picture is too large for a decoration");
    return false;
  }
  return true;
}

bool PlaceLayerPicture(GbImage& composite, GbImage& picture, long x, long y) {
  if (!picture.HasPixels()) return false;
  // The key is the top-left pixel as seen: bottom-up row H - 1.
  const long top = long(picture.Height()) - 1;
  picture.SetBackgroundIndex(picture.ReadPixelIndex(0, top));
  picture.SetBackgroundColor(picture.ReadPixelColor(0, top, true));
  const long long bottomUpY = (long long)y + composite.Height() - picture.Height();
  return composite.PasteFrom(picture, x, Clamp32(bottomUpY));
}

bool RenderLayers(std::vector<MixLayerData>& layers, HBITMAP callerPicture, GbImage& composite, LayerRenderState& state,
                  const LayerPictureLoader& loader) {
  if (layers.empty()) return false;
  auto load = [&](const MixLayerData& layer, GbImage& picture) {
    if (layer.source == CallerPicture) return callerPicture && picture.CreateFromBitmap(callerPicture);
    return loader ? loader(layer.path, picture) : LoadLayerPicture(layer.path, picture);
  };

  GbImage result;
  if (!load(layers[0], result)) {
    composite.Release();
    return true;
  }
  for (size_t i = 1; i < layers.size(); ++i) {
    MixLayerData& layer = layers[i];
    if (!layer.visible) continue;
    if (layer.isText) {
      const RECT size = result.DrawTextBox(nullptr, layer.x, layer.y, layer.text, false);
      const long w = size.right, h = size.bottom;
      const long left = Clamp32((long long)layer.x - w / 2 + kViewOriginX);
      layer.hitRect = RECT{LONG(left), LONG(Clamp32((long long)layer.y - h + kViewOriginY)),
                           LONG(Clamp32((long long)left + w)), LONG(Clamp32((long long)layer.y + kViewOriginY))};
      continue;
    }
    GbImage picture;
    const bool loaded = load(layer, picture);
    const long w = loaded ? long(picture.Width()) : 0, h = loaded ? long(picture.Height()) : 0;
    const long left = Clamp32((long long)layer.x + kViewOriginX), top = Clamp32((long long)kViewOriginY - layer.y);
    layer.hitRect = RECT{LONG(left), LONG(top), LONG(Clamp32((long long)left + w)), LONG(Clamp32((long long)top + h))};
    if (!loaded) continue;
    PlaceLayerPicture(result, picture, layer.x, layer.y);
    state.defaultX = layer.x;
    state.defaultY = layer.y;
    layer.placement = state.defaultPlacement;
  }
  composite.CopyFrom(result, true, true, true);
  return true;
}

RECT LayerRectInComposite(const MixLayerData& layer) {
  RECT r{layer.hitRect.left - LONG(kViewOriginX), layer.hitRect.top - LONG(kViewOriginY),
         layer.hitRect.right - LONG(kViewOriginX), layer.hitRect.bottom - LONG(kViewOriginY)};
  if (layer.isText) {
    // The stored rectangle is centred on x; left- and right-aligned text is
    // drawn from x or up to x.
    const LONG w = r.right - r.left;
    if (layer.text.alignment == kAlignLeft)
      r.left = layer.x;
    else if (layer.text.alignment == kAlignRight)
      r.left = layer.x - w;
    if (r.left < 0 && layer.text.alignment != kAlignCentre) r.left = 0;  // the drawing keeps the box inside on the left
    r.right = r.left + w;
  }
  return r;
}

bool LayerContains(const MixLayerData& layer, long x, long y) {
  const RECT r = LayerRectInComposite(layer);
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

bool MoveLayerTowardBase(std::vector<MixLayerData>& layers, size_t index) {
  if (index <= 1 || index >= layers.size()) return false;
  MixLayerData moved = layers[index];
  layers.erase(layers.begin() + long(index));
  layers.insert(layers.begin() + long(index) - 1, moved);
  return true;
}

bool MoveLayerAwayFromBase(std::vector<MixLayerData>& layers, size_t index) {
  if (index == 0 || index + 1 >= layers.size()) return false;
  MixLayerData moved = layers[index + 1];
  layers.erase(layers.begin() + long(index) + 1);
  layers.insert(layers.begin() + long(index), moved);
  return true;
}

void MoveLayerBy(MixLayerData& layer, long dx, long dy) {
  layer.placement = 0;
  layer.x = int32_t(Clamp32((long long)layer.x + dx));
  // A picture's y grows upward, a text's downward.
  layer.y = int32_t(Clamp32(layer.isText ? (long long)layer.y + dy : (long long)layer.y - dy));
}
