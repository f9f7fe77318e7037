// --op table: the effects engine. Each operation hands the picture to a
// 32-bit effects image as a bitmap, runs the effect there and takes the
// result back (as 24 bits), the way the photo editor and the effects dialog
// use the engine. The picture's alpha plane is kept when the size stays.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>

#include "platform/gdi/Gdi.h"
#include "retouch/engine/FxImage.h"
#include "retouch/engine/FxSelect.h"
#include "tools/CliImageFiles.h"
#include "tools/CliOps.h"

namespace {

bool LoadFx(const GbImage& picture, FxImage& fx) {
  HBITMAP section = picture.MakeDibSection();
  if (!section) return false;
  const int loaded = fx.LoadFromBitmap(section, 32);
  DeleteObject(fx::AsObject(section));
  return loaded == 1;
}

template <class Effect>
bool RunFx(GbImage& picture, const char* name, const char* requirement, Effect effect) {
  if (!picture.HasPixels()) return false;
  FxImage fx;
  if (!LoadFx(picture, fx)) {
    picture.SetLastError("can't hand the picture to the effects engine");
    return false;
  }
  if (!effect(fx)) {
    picture.SetLastError((std::string(name) + " needs " + requirement).c_str());
    return false;
  }
  HBITMAP result = fx.MakeDeviceBitmap();
  GbImage out;
  const bool ok = result && out.CreateFromBitmap(result);
  if (result) DeleteObject(fx::AsObject(result));
  if (!ok) {
    picture.SetLastError("can't take the effect's result back");
    return false;
  }
  out.SetDpiX(picture.DpiX());
  out.SetDpiY(picture.DpiY());
  out.SetFileType(picture.FileType());
  if (picture.AlphaPlane() && out.Width() == picture.Width() && out.Height() == picture.Height()) {
    const size_t n = size_t(out.Width()) * out.Height();
    if (GbBuffer alpha = GbBuffer::CopyOf(picture.AlphaPlane(), n)) out.AdoptAlphaPlane(std::move(alpha));
  }
  return picture.TakeOver(out, false);
}

}  // namespace

GB_CLI_OPS(
    MakeCliOp(
        "TurnLeft",
        [](GbImage& im) { return RunFx(im, "TurnLeft", "a picture", [](FxImage& fx) { return fx.TurnLeft(); }); }, ""),
    MakeCliOp(
        "TurnRight",
        [](GbImage& im) { return RunFx(im, "TurnRight", "a picture", [](FxImage& fx) { return fx.TurnRight(); }); },
        ""),
    MakeCliOp(
        "StretchTo",
        [](GbImage& im, int width, int height, bool keepAspect) {
          if (!im.HasPixels()) return false;
          if (width <= 0 || height <= 0) {
            im.SetLastError("StretchTo needs a width and height above 0");
            return false;
          }
          // The engine keeps the picture when the new one can't be made; say so
          // at once instead, with the size the picture would have.
          const int64_t ow = im.Width(), oh = im.Height();
          int64_t nw = width, nh = height;
          if (keepAspect) {
            if (int64_t(width) * oh <= int64_t(height) * ow)
              nh = std::max<int64_t>(oh * width / ow, 1);
            else
              nw = std::max<int64_t>(ow * height / oh, 1);
          }
          if (uint64_t(nw) * uint64_t(nh) * 4 > GBIMAGE_MAX_MEMORY) {
            im.SetLastError(
                (std::to_string(nw) + " x " + std::to_string(nh) + " pixels is too large: " + CliMemoryLimitText())
                    .c_str());
            return false;
          }
          return RunFx(im, "StretchTo", "memory for the new size", [=](FxImage& fx) {
            fx.StretchTo(width, height, keepAspect);
            return !fx.IsEmpty() && fx.Width() == nw && fx.Height() == nh;
          });
        },
        "width height keepAspect=0"),
    MakeCliOp(
        "RotateByAngle",
        [](GbImage& im, int degrees) {
          return RunFx(im, "RotateByAngle", "an angle of 1 to 89 degrees",
                       [=](FxImage& fx) { return fx.RotateByAngle(degrees); });
        },
        "degrees"),
    MakeCliOp(
        "ScaleBrightness",
        [](GbImage& im, int percent, int mode) {
          return RunFx(im, "ScaleBrightness", "a picture",
                       [=](FxImage& fx) { return fx.ScaleBrightness(percent, mode); });
        },
        "percent mode=0"),
    MakeCliOp(
        "ScaleContrast",
        [](GbImage& im, int percent) {
          return RunFx(im, "ScaleContrast", "a picture", [=](FxImage& fx) { return fx.ScaleContrast(percent); });
        },
        "percent"),
    MakeCliOp(
        "ScaleHueSaturation",
        [](GbImage& im, int hue, int saturation) {
          return RunFx(im, "ScaleHueSaturation", "a picture",
                       [=](FxImage& fx) { return fx.ScaleHueSaturation(hue, saturation); });
        },
        "huePercent saturationPercent"),
    MakeCliOp(
        "ShiftChannels",
        [](GbImage& im, int red, int green, int blue) {
          return RunFx(im, "ShiftChannels", "a picture",
                       [=](FxImage& fx) { return fx.ShiftChannels(red, green, blue); });
        },
        "red green blue"),
    MakeCliOp(
        "MosaicBlocks",
        [](GbImage& im, int n) {
          return RunFx(im, "MosaicBlocks", "a block size of at least 2, below the width and the height",
                       [=](FxImage& fx) { return fx.MosaicBlocks(n); });
        },
        "blockSize"),
    MakeCliOp(
        "EmbossGrey",
        [](GbImage& im, int level, int unused) {
          return RunFx(im, "EmbossGrey", "a picture", [=](FxImage& fx) { return fx.EmbossGrey(level, unused); });
        },
        "level unused=16"),
    MakeCliOp(
        "SharpenAlongRows",
        [](GbImage& im, int level) {
          return RunFx(im, "SharpenAlongRows", "a level above 0",
                       [=](FxImage& fx) { return fx.SharpenAlongRows(level); });
        },
        "level"),
    MakeCliOp(
        "WindSmear",
        [](GbImage& im, int strength, int direction, bool even) {
          return RunFx(im, "WindSmear", "a strength of 1 to width - 2 and direction 8 or 16",
                       [=](FxImage& fx) { return fx.WindSmear(strength, direction, even); });
        },
        "strength direction=8 even=0"),
    MakeCliOp(
        "StripeWave",
        [](GbImage& im, int swing, int frequency) {
          return RunFx(im, "StripeWave", "a picture", [=](FxImage& fx) { return fx.StripeWave(swing, frequency); });
        },
        "swing frequency"),
    MakeCliOp(
        "LayerBlend",
        [](GbImage& im, const GbImage& source, int opacity, int x, int y) {
          FxImage over;
          if (!LoadFx(source, over)) {
            im.SetLastError("can't hand the source picture to the effects engine");
            return false;
          }
          return RunFx(im, "LayerBlend", "two pictures",
                       [&](FxImage& fx) { return fx.LayerBlend(over, opacity, x, y); });
        },
        "source opacity x=0 y=0"), );
