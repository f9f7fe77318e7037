// "import": decodes with the reading options of camera raw files (the
// interpolation) and metafiles (the size to render at), then encodes by the
// output's extension. Other pictures load as "convert" loads them.
#include <cstdio>
#include <string>

#include "image/codecs/CodecRegistry.h"
#include "image/codecs/GbImageWMF.h"
#include "image/core/GbImage.h"
#include "image/io/GbIOFile.h"
#include "tools/Cli.h"
#include "tools/CliImageFiles.h"

namespace {

constexpr const char* kUsage = "IN OUT [--interpolation 0..3] [--size WIDTHxHEIGHT] [--frame N]";

bool parseSize(const std::string& text, long& width, long& height) {
  const size_t x = text.find('x');
  if (x == std::string::npos) return false;
  try {
    size_t used = 0;
    width = std::stol(text.substr(0, x), &used);
    if (used != x) return false;
    height = std::stol(text.substr(x + 1), &used);
    if (used != text.size() - x - 1) return false;
  } catch (...) {
    return false;
  }
  return width > 0 && height > 0 && width <= 100000 && height <= 100000;
}

int runImport(const CliArgs& args) {
  if (args.positional().size() != 2) {
    std::fprintf(stderr, "usage: glimmerbox-cli import %s\n", kUsage);
    return 2;
  }
  const std::string in = args.positional()[0], out = args.positional()[1];
  long interpolation = 0, frame = 0, width = 0, height = 0;
  if (!args.intValue("interpolation", interpolation, 0) || !args.intValue("frame", frame, 0)) return 2;
  if (args.has("size") && !parseSize(args.valueOr("size", ""), width, height)) {
    std::fprintf(stderr, "glimmerbox-cli import: --size must be WIDTHxHEIGHT\n");
    return 2;
  }
  const uint32_t outType = CliTypeOfPath(out);
  if (outType == GB_TYPE_UNKNOWN || !GbHasCodec(outType)) {
    std::fprintf(stderr, "glimmerbox-cli import: no encoder for %s\n", out.c_str());
    return 2;
  }

  GbImage image;
  image.SetFrame(frame);
  // Out-of-range interpolations reach the decoder, which names the fault.
  image.SetCodecOption(uint32_t(interpolation), GB_TYPE_RAW);
  bool loaded;
  if (width && CliTypeOfPath(in) == GB_TYPE_WMF) {
    GbIOFile file;
    GbImageWMF metafile;
    loaded = file.Open(in.c_str(), "rb") && metafile.Decode(&file, uint32_t(width), uint32_t(height)) &&
             image.TakeOver(metafile, true);
    if (!loaded)
      image.SetLastError(*metafile.LastError() ? CliPlainError(metafile.LastError()).c_str() : "cannot be read");
  } else {
    loaded = image.LoadFile(in.c_str(), CliTypeOfPath(in));
  }
  if (!loaded) {
    std::fprintf(stderr, "glimmerbox-cli import: %s: %s\n", in.c_str(), CliPlainError(image.LastError()).c_str());
    return 1;
  }
  CliReportWarning(image, in);
  if (!image.SaveFile(out.c_str(), outType)) {
    std::fprintf(stderr, "glimmerbox-cli import: %s: %s\n", out.c_str(), CliPlainError(image.LastError()).c_str());
    return 1;
  }
  return 0;
}

}  // namespace

GB_CLI_COMMAND("import",
               "decode with raw and metafile options (interpolation, render size), encode by the output's extension",
               kUsage, {"interpolation=", "size=", "frame="}, runImport);
