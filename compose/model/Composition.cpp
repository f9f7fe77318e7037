#include "compose/model/Composition.h"

#include <algorithm>

#include "retouch/engine/FxImage.h"

namespace {

bool MakePlain(GbImage& image, uint32_t width, uint32_t height, RGBQUAD colour) {
  if (!image.Create(width, height, 24, GB_TYPE_BMP)) return false;
  for (uint32_t y = 0; y < height; ++y) {
    uint8_t* p = image.RowBits(y);
    for (uint32_t x = 0; x < width; ++x, p += 3) {
      p[0] = colour.rgbBlue;
      p[1] = colour.rgbGreen;
      p[2] = colour.rgbRed;
    }
  }
  return true;
}

}  // namespace

SharedBitmap AdoptBitmap(HBITMAP bitmap) {
  if (!bitmap) return nullptr;
  return SharedBitmap(bitmap, [](GdiBitmap* b) { DeleteObject(b); });
}

SharedBitmap BitmapOfImage(const GbImage& image) { return AdoptBitmap(image.MakeDibSection()); }

bool ImageOfBitmap(HBITMAP bitmap, GbImage& image) { return bitmap && image.CreateFromBitmap(bitmap); }

bool MakeStickerBackground(GbImage& image) {
  return MakePlain(image, GB_STICKER_WIDTH, GB_STICKER_HEIGHT, RGBQUAD{253, 255, 255, 0});
}

bool MakeEmptySlotPicture(GbImage& image) {
  return MakePlain(image, GB_SHEET_WIDTH, GB_SHEET_HEIGHT, RGBQUAD{255, 255, 255, 0});
}

bool MakeSheetBase(GbImage& image) { return MakePlain(image, 1, 1, RGBQUAD{0, 0, 0, 0}); }

SharedBitmap EmptySlotBitmap() {
  GbImage empty;
  return MakeEmptySlotPicture(empty) ? BitmapOfImage(empty) : nullptr;
}

SharedBitmap ResizeBitmap(HBITMAP source, int width, int height, int method, bool keepAspect) {
  if (!source || width <= 0 || height <= 0) return nullptr;
  if (method == ResizeResample) {
    GbImage image;
    if (!image.CreateFromBitmap(source)) return nullptr;
    if (!image.ResampleInterpolated(width, height, GbImage::kCatmullRom, GbImage::kRepeat)) return nullptr;
    return BitmapOfImage(image);
  }
  if (method == ResizeStretch) {
    FxImage fx;
    if (!fx.LoadFromBitmap(source, 32)) return nullptr;
    fx.StretchTo(width, height, keepAspect);
    // The stretch keeps the old picture when the new one can't be made.
    const bool sized =
        keepAspect ? (fx.Width() == width || fx.Height() == height) : (fx.Width() == width && fx.Height() == height);
    if (!sized) return nullptr;
    return AdoptBitmap(fx.MakeDeviceBitmap());
  }
  return nullptr;
}

void ApplyKeyColour(GbImage& image, bool keyAtCorner) {
  if (!image.HasPixels()) return;
  const long w = long(image.Width()), h = long(image.Height());
  const long x = keyAtCorner ? 0 : w / 2;
  const long y = keyAtCorner ? h - 1 : h / 2;
  image.SetBackgroundIndex(image.PaletteEntryCount() ? long(image.ReadPixelIndex(x, y)) : 0);
  image.SetBackgroundColor(image.ReadPixelColor(x, y, false));
}

void AnchorOffsets(int anchor, long destWidth, long destHeight, long srcWidth, long srcHeight, long& x, long& y) {
  const long right = destWidth - srcWidth, top = destHeight - srcHeight;
  switch (anchor) {
    case AnchorLeft: x = 0; break;
    case AnchorRight: x = right; break;
    case AnchorTop: y = top; break;
    case AnchorBottom: y = 0; break;
    case AnchorTopLeft:
      x = 0;
      y = top;
      break;
    case AnchorBottomLeft:
      x = 0;
      y = 0;
      break;
    case AnchorTopRight:
      x = right;
      y = top;
      break;
    case AnchorBottomRight:
      x = right;
      y = 0;
      break;
    default: break;
  }
}

bool PasteWithAnchor(GbImage& destination, const GbImage& source, int anchor, long x, long y, bool useKey,
                     bool keyAtCorner) {
  if (!destination.HasPixels() || !source.HasPixels()) return false;
  AnchorOffsets(anchor, long(destination.Width()), long(destination.Height()), long(source.Width()),
                long(source.Height()), x, y);
  if (!useKey) return destination.PasteFrom(source, x, y);
  // The key belongs to this paste, not to the caller's picture.
  GbImage keyed(source);
  if (!keyed.HasPixels()) {
    destination.SetLastError(keyed.LastError());
    return false;
  }
  ApplyKeyColour(keyed, keyAtCorner);
  return destination.PasteFrom(keyed, x, y);
}

bool PasteFrame(GbImage& sticker, const GbImage& frame, int anchor, long x, long y, int opacity, bool keyAtCorner) {
  if (!sticker.HasPixels() || !frame.HasPixels()) return false;
  const long W = long(sticker.Width()), H = long(sticker.Height());
  const long w = long(frame.Width()), h = long(frame.Height());
  AnchorOffsets(anchor, W, H, w, h, x, y);
  // Far beyond any image size nothing overlaps; keep the arithmetic small.
  x = std::clamp(x, -(1L << 30), 1L << 30);
  y = std::clamp(y, -(1L << 30), 1L << 30);
  GbImage keyed(frame);
  if (!keyed.HasPixels()) {
    sticker.SetLastError(keyed.LastError());
    return false;
  }
  ApplyKeyColour(keyed, keyAtCorner);
  if (opacity == 255) return sticker.PasteFrom(keyed, x, y);

  // The part of the frame that lands on the sticker, in frame pixels.
  const long i0 = std::clamp(-x, 0L, w), i1 = std::clamp(W - x, 0L, w);
  const long k0 = std::clamp(-y, 0L, h), k1 = std::clamp(H - y, 0L, h);
  if (i0 >= i1 || k0 >= k1) return true;

  GbImage mask;
  if (!keyed.MakeTransparencyMask(&mask)) {
    sticker.SetLastError(keyed.LastError());
    return false;
  }
  // The engine's layer blend on 32-bit copies; its rows count from the top.
  const SharedBitmap stickerBitmap = BitmapOfImage(sticker), frameBitmap = BitmapOfImage(frame);
  FxImage blended, layer;
  if (!stickerBitmap || !frameBitmap || !blended.LoadFromBitmap(stickerBitmap.get(), 32) ||
      !layer.LoadFromBitmap(frameBitmap.get(), 32)) {
    sticker.SetLastError("PasteFrame can't allocate memory");
    return false;
  }
  if (!blended.LayerBlend(layer, opacity, int(x), int(H - (y + h)))) return false;
  for (long k = k0; k < k1; ++k) {
    const uint8_t* row = blended.Row(int(H - 1 - (y + k)));
    for (long i = i0; i < i1; ++i) {
      if (mask.ReadPixelIndexUnchecked(i, k)) continue;  // key colour: the sticker shows
      const uint8_t* p = row + 4 * (x + i);
      sticker.WritePixelColorUnchecked(x + i, y + k, RGBQUAD{p[0], p[1], p[2], 0});
    }
  }
  return true;
}
