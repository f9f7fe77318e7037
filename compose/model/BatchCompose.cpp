#include "compose/model/BatchCompose.h"

#include "compose/model/SheetModel.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kPreviewWidth = 530, kPreviewHeight = 400;

bool Resampled(const GbImage& source, int width, int height, GbImage& out) {
  if (!out.CopyFrom(source)) return false;
  return out.ResampleInterpolated(width, height, GbImage::kCatmullRom, GbImage::kRepeat);
}

}  // namespace

bool LoadTemplatePicture(const std::string& path, GbImage& image, std::string& error) {
  const uint32_t type = GbImage::TypeFromPath(path);
  if (type == GB_TYPE_UNKNOWN) {
    error = path + ": not a picture type the program knows";
    return false;
  }
  if (!image.LoadFile(path.c_str(), type)) {
    error = path + ": " + (*image.LastError() ? image.LastError() : "cannot be read");
    return false;
  }
  if (image.BitsPerPixel() < 24 && !image.RaiseBpp(24)) {
    error = path + ": " + image.LastError();
    return false;
  }
  return true;
}

PhotoPlacement CoverPlacement(long photoWidth, long photoHeight) {
  PhotoPlacement p;
  if (photoWidth <= 0 || photoHeight <= 0) return p;
  const double scale =
      std::max(double(GB_STICKER_WIDTH) / double(photoWidth), double(GB_STICKER_HEIGHT) / double(photoHeight));
  p.width = std::max<long>(GB_STICKER_WIDTH, long(std::ceil(double(photoWidth) * scale - 1e-9)));
  p.height = std::max<long>(GB_STICKER_HEIGHT, long(std::ceil(double(photoHeight) * scale - 1e-9)));
  // Faces sit in the upper part of most portraits: a quarter of the overhang
  // is cut at the top, the rest at the bottom.
  p.x = (GB_STICKER_WIDTH - p.width) / 2;
  p.y = (GB_STICKER_HEIGHT - p.height) / 4;
  return p;
}

bool ComposeStickerFromPictures(GbImage& photo, const GbImage* frame, const PhotoPlacement& placement, int alpha,
                                ComposedSticker& out) {
  StickerInputs in;
  in.photo = &photo;
  in.frameRect = RECT{0, 0, GB_STICKER_WIDTH, GB_STICKER_HEIGHT};
  in.photoRect = RECT{LONG(placement.x), LONG(placement.y), LONG(placement.x + placement.width),
                      LONG(placement.y + placement.height)};
  in.frame = frame;
  in.frameOption = frame != nullptr;
  in.alpha = alpha;
  return ComposeSticker(in, out);
}

std::vector<RECT> StickerRectangles(const SheetModel& sheet) {
  std::vector<RECT> rects;
  for (int i = 0; i < sheet.SlotCount(); ++i) {
    const ComData& s = sheet.Slot(i);
    if (!s.sticker) continue;
    rects.push_back(RECT{s.rect.left - GB_SHEET_ORIGIN_X, s.rect.top - GB_SHEET_ORIGIN_Y,
                         s.rect.right - GB_SHEET_ORIGIN_X, s.rect.bottom - GB_SHEET_ORIGIN_Y});
  }
  return rects;
}

bool PasteSheetKeyed(GbImage& picture, const GbImage& overlay, const std::vector<RECT>* stickers) {
  const long w = long(overlay.Width()), h = long(overlay.Height());
  if (!stickers) return PasteWithAnchor(picture, overlay, AnchorTopLeft, 0, 0, true, false);
  if (w <= 0 || h <= 0 || long(picture.Width()) != w || long(picture.Height()) != h) return false;
  // Inside a sticker every pixel is the sheet's; only the gaps are keyed.
  const RGBQUAD key = overlay.ReadPixelColor(w / 2, h / 2, false);
  for (long y = 0; y < h; ++y) {
    const double sy = (double(h - 1 - y) + 0.5) * GB_SHEET_HEIGHT / h;  // top-down
    for (long x = 0; x < w; ++x) {
      const double sx = (double(x) + 0.5) * GB_SHEET_WIDTH / w;
      bool inside = false;
      for (const RECT& r : *stickers) inside = inside || (sx >= r.left && sx < r.right && sy >= r.top && sy < r.bottom);
      const RGBQUAD c = overlay.ReadPixelColorUnchecked(x, y, false);
      if (inside || c.rgbRed != key.rgbRed || c.rgbGreen != key.rgbGreen || c.rgbBlue != key.rgbBlue)
        picture.WritePixelColorUnchecked(x, y, c);
    }
  }
  return true;
}

bool LaySheetOverBackground(const GbImage& sheet, const GbImage* background, int width, int height, GbImage& out,
                            const std::vector<RECT>* stickers) {
  GbImage picture, overlay;
  if (background && background->HasPixels()) {
    if (!Resampled(*background, kPreviewWidth, kPreviewHeight, picture)) return false;
  } else {
    GbImage empty;
    if (!MakeEmptySlotPicture(empty) || !Resampled(empty, kPreviewWidth, kPreviewHeight, picture)) return false;
  }
  if (picture.BitsPerPixel() < 24 && !picture.RaiseBpp(24)) return false;
  if (!Resampled(sheet, kPreviewWidth, kPreviewHeight, overlay)) return false;
  if (overlay.BitsPerPixel() < 24 && !overlay.RaiseBpp(24)) return false;
  if (!PasteSheetKeyed(picture, overlay, stickers)) return false;
  if (!picture.ResampleInterpolated(width, height, GbImage::kCatmullRom, GbImage::kRepeat)) return false;
  return out.TakeOver(picture);
}
