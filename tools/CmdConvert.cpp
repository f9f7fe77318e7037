// "convert": decode, apply --op operations in order, encode by the output's
// extension. Nothing is written when any step fails.
#include <cstdio>
#include <string>

#include "image/codecs/CodecRegistry.h"
#include "image/core/GbImage.h"
#include "tools/Cli.h"
#include "tools/CliImageFiles.h"
#include "tools/CliOps.h"

namespace {

constexpr const char* kUsage =
    "IN OUT [--type N] [--frame N] [--quality Q] [--option N] [--op \"Name arg ...\"]...";

int runConvert(const CliArgs& args) {
  if (args.positional().size() != 2) {
    std::fprintf(stderr, "usage: glimmerbox-cli convert %s\n", kUsage);
    return 2;
  }
  const std::string in = args.positional()[0], out = args.positional()[1];
  long type = 0, frame = 0, quality = 0, option = 0;
  if (!args.intValue("type", type, CliTypeOfPath(in)) || !args.intValue("frame", frame, 0) ||
      !args.intValue("quality", quality, -1) || !args.intValue("option", option, 0))
    return 2;
  if (args.has("quality") && (quality < 0 || quality > 100)) {
    std::fprintf(stderr, "glimmerbox-cli convert: --quality must be 0 to 100\n");
    return 2;
  }
  if (type < 0 || type >= GB_TYPE_COUNT) {
    std::fprintf(stderr, "glimmerbox-cli convert: --type must be 0 to %d\n", GB_TYPE_COUNT - 1);
    return 2;
  }
  const uint32_t outType = CliTypeOfPath(out);
  if (outType == GB_TYPE_UNKNOWN) {
    std::fprintf(stderr, "glimmerbox-cli convert: cannot tell the format of %s from its extension\n", out.c_str());
    return 2;
  }
  if (!GbHasCodec(outType)) {
    std::fprintf(stderr, "glimmerbox-cli convert: no encoder for .%s in this build\n", CliExtension(out).c_str());
    return 1;
  }

  GbImage image;
  image.SetFrame(frame);
  if (!image.LoadFile(in.c_str(), uint32_t(type))) {
    std::fprintf(stderr, "glimmerbox-cli convert: %s: %s\n", in.c_str(),
                 *image.LastError() ? image.LastError() : "cannot be read");
    return 1;
  }
  const bool progress = CliProgressWanted();
  for (const std::string& op : args.values("op")) {
    std::string message;
    if (!RunCliOp(image, op, progress, message)) {
      std::fprintf(stderr, "glimmerbox-cli convert: %s\n", message.c_str());
      return 1;
    }
  }
  if (args.has("quality")) image.SetJpegQuality(uint8_t(quality));
  if (args.has("option")) image.SetCodecOption(uint32_t(option), outType);
  if (!image.SaveFile(out.c_str(), outType)) {
    std::fprintf(stderr, "glimmerbox-cli convert: %s: %s\n", out.c_str(), image.LastError());
    return 1;
  }
  return 0;
}

}  // namespace

GB_CLI_COMMAND("convert", "decode a picture, apply operations (--op), encode by the output's extension", kUsage,
               {}, runConvert);
