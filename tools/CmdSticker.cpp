// "sticker": one sticker from a photo and a frame, composed as the main
// window's add-to-sheet command does.
#include <cstdio>
#include <string>

#include "compose/model/BatchCompose.h"
#include "tools/Cli.h"
#include "tools/CliCompose.h"
#include "tools/CliImageFiles.h"

namespace {

constexpr const char* kCmd = "sticker";
constexpr const char* kUsage =
    "--photo P --frame F [--x X --y Y --width W --height H | --cover] [--alpha A] -o OUT\n"
    "  The photo is resampled to W x H (default 320 x 240) and placed with its top-left corner at\n"
    "  X, Y (default 0, 0) from the frame's, top-down; --cover instead keeps its aspect and fills\n"
    "  the sticker (centred across, the upper part kept). The frame's centre colour is its\n"
    "  transparent key; A (0..255, default 255) is the frame's opacity. Without --frame the\n"
    "  sticker has no frame.";

int RunSticker(const CliArgs& args) {
  std::vector<std::string> rest;
  std::string out;
  if (!CliSplitOutput(args, kCmd, rest, out)) return 2;
  if (!rest.empty() || !args.value("photo")) {
    std::fprintf(stderr, "usage: glimmerbox-cli sticker %s\n", kUsage);
    return 2;
  }
  PhotoPlacement place;
  long alpha = 255;
  if (!CliIntInRange(args, "x", -100000, 100000, 0, place.x, kCmd) ||
      !CliIntInRange(args, "y", -100000, 100000, 0, place.y, kCmd) ||
      !CliIntInRange(args, "width", 1, 20000, GB_STICKER_WIDTH, place.width, kCmd) ||
      !CliIntInRange(args, "height", 1, 20000, GB_STICKER_HEIGHT, place.height, kCmd) ||
      !CliIntInRange(args, "alpha", 0, 255, 255, alpha, kCmd))
    return 2;
  if (args.has("cover") && (args.has("x") || args.has("y") || args.has("width") || args.has("height"))) {
    std::fprintf(stderr,
                 "glimmerbox-cli sticker: --cover places the photo itself; leave out --x, --y, --width, --height\n");
    return 2;
  }
  if (!CliCheckPictureOutput(out, kCmd)) return 2;
  std::vector<std::string> inputs{*args.value("photo")};
  if (args.value("frame")) inputs.push_back(*args.value("frame"));
  if (!CliCheckOutputPaths({out}, inputs, kCmd)) return 2;

  std::string error;
  GbImage photo, frame;
  // A photo larger than its place is averaged down to it as it is decoded,
  // never held whole, with the resample the composition would make
  // (ComposeStickerImage); the composition then finds it at its size.
  const std::string photoPath = *args.value("photo");
  if (!args.has("cover") && photo.LoadFileShrunk(photoPath.c_str(), CliTypeOfPath(photoPath), place.width, place.height,
                                                 GbImage::kCatmullRom, GbImage::kRepeat)) {
    CliReportWarning(photo, photoPath);
  } else if (!CliLoadPicture(photoPath, photo, error)) {
    std::fprintf(stderr, "glimmerbox-cli sticker: %s\n", error.c_str());
    return 1;
  }
  const bool framed = args.value("frame").has_value();
  if (framed && !CliLoadPicture(*args.value("frame"), frame, error)) {
    std::fprintf(stderr, "glimmerbox-cli sticker: %s\n", error.c_str());
    return 1;
  }
  if (args.has("cover")) place = CoverPlacement(long(photo.Width()), long(photo.Height()));
  ComposedSticker sticker;
  GbImage result;
  if (!ComposeStickerFromPictures(photo, framed ? &frame : nullptr, place, int(alpha), sticker) ||
      !ImageOfBitmap(sticker.sticker, result)) {
    std::fprintf(stderr, "glimmerbox-cli sticker: the sticker could not be made: %s\n", photo.LastError());
    return 1;
  }
  return CliSavePicture(result, out, kCmd) ? 0 : 1;
}

}  // namespace

GB_CLI_COMMAND(kCmd, "compose one 320 x 240 sticker: a photo behind a colour-keyed frame", kUsage,
               {"photo=", "frame=", "x=", "y=", "width=", "height=", "cover", "alpha=", "output="}, RunSticker);
