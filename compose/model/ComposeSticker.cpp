#include "compose/model/ComposeSticker.h"

namespace {

long RectWidth(const RECT& r) { return long(r.right) - long(r.left); }
long RectHeight(const RECT& r) { return long(r.bottom) - long(r.top); }

}  // namespace

bool ComposeStickerImage(StickerInputs& in, GbImage& composite, GbImage* plain) {
  if (in.background) {
    if (!composite.CopyFrom(*in.background)) return false;
  } else if (!MakeStickerBackground(composite)) {
    return false;
  }
  if (composite.BitsPerPixel() < 24 && !composite.RaiseBpp(24)) return false;
  // The photo's offset from the frame's corner; y in GbImage terms is the
  // height of the photo's bottom edge above the frame's bottom edge.
  const long dx = long(in.photoRect.left) - long(in.frameRect.left);
  const long dy = long(in.frameRect.bottom) - long(in.photoRect.bottom);
  if (in.photo && in.photo->HasPixels()) {
    const long pw = RectWidth(in.photoRect), ph = RectHeight(in.photoRect);
    if (pw > 0 && ph > 0 && (long(in.photo->Width()) != pw || long(in.photo->Height()) != ph)) {
      if (!in.photo->ResampleInterpolated(pw, ph, GbImage::kCatmullRom, GbImage::kRepeat)) return false;
    }
    if (!PasteWithAnchor(composite, *in.photo, AnchorNone, dx, dy, false, false)) return false;
  }
  if (plain && !plain->CopyFrom(composite)) return false;
  if (in.frameOption && !in.live && in.frame && in.frame->HasPixels())
    PasteFrame(composite, *in.frame, AnchorTopLeft, 0, 0, in.alpha, false);
  return true;
}

bool ComposeSticker(StickerInputs& in, ComposedSticker& out) {
  GbImage composite, plain;
  if (!ComposeStickerImage(in, composite, &plain)) return false;
  ComposedSticker result;
  result.plain = BitmapOfImage(plain);
  result.sticker = BitmapOfImage(composite);
  if (in.frame && in.frame->HasPixels()) result.frame = BitmapOfImage(*in.frame);
  if (!result.plain || !result.sticker) return false;
  out = std::move(result);
  return true;
}
