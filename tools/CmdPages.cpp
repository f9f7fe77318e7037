// "pages": several pictures written as one multi-page TIFF, or as one
// animated GIF, in the order given; a multi-page input contributes the page
// chosen by --frame. Nothing is written when any input fails.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "image/codecs/GbImageGIF.h"
#include "image/codecs/GbImageTIF.h"
#include "image/core/GbImage.h"
#include "image/io/GbSafeFile.h"
#include "tools/Cli.h"
#include "tools/CliCompose.h"
#include "tools/CliImageFiles.h"

namespace {

constexpr const char* kUsage = "OUT.tif|OUT.gif IN... [--frame N] [--quality Q] [--option N] [--delay CS] [--loops N]";

// The frames of an animation share the first frame's table unless any
// frame's colours differ from it.
bool palettesDiffer(const std::vector<GbImage*>& frames) {
  const GbImage& first = *frames[0];
  for (const GbImage* frame : frames) {
    if (frame->BitsPerPixel() != first.BitsPerPixel() || frame->PaletteEntryCount() != first.PaletteEntryCount())
      return true;
    for (uint32_t i = 0; i < first.PaletteEntryCount(); ++i) {
      const RGBQUAD p = first.PaletteColor(i), q = frame->PaletteColor(i);
      if (p.rgbRed != q.rgbRed || p.rgbGreen != q.rgbGreen || p.rgbBlue != q.rgbBlue) return true;
    }
  }
  return false;
}

int runPages(const CliArgs& args) {
  if (args.positional().size() < 2) {
    std::fprintf(stderr, "usage: glimmerbox-cli pages %s\n", kUsage);
    return 2;
  }
  const std::string out = args.positional()[0];
  const uint32_t outType = CliTypeOfPath(out);
  if (outType != GB_TYPE_TIF && outType != GB_TYPE_GIF) {
    std::fprintf(stderr, "glimmerbox-cli pages: %s: the output must be a .tif or .gif file\n", out.c_str());
    return 2;
  }
  long frame = 0, quality = 0, option = 0, delay = 0, loops = 0;
  if (!args.intValue("frame", frame, 0) || !args.intValue("quality", quality, -1) ||
      !args.intValue("option", option, 0) || !args.intValue("delay", delay, 0) || !args.intValue("loops", loops, 0))
    return 2;
  if (delay < 0 || delay > 65535 || loops < 0 || loops > 65536) {
    std::fprintf(stderr, "glimmerbox-cli pages: --delay must be 0 to 65535, --loops 0 to 65536\n");
    return 2;
  }
  if (args.has("quality") && (quality < 0 || quality > 100)) {
    std::fprintf(stderr, "glimmerbox-cli pages: --quality must be 0 to 100\n");
    return 2;
  }
  // OUT comes first, so a forgotten output name would otherwise overwrite the first picture.
  const std::vector<std::string> inputs(args.positional().begin() + 1, args.positional().end());
  if (!CliCheckOutputPaths({out}, inputs, "pages")) return 2;

  std::vector<std::unique_ptr<GbImage>> images;
  std::vector<GbImage*> pages;
  for (size_t i = 1; i < args.positional().size(); ++i) {
    const std::string& in = args.positional()[i];
    auto image = std::make_unique<GbImage>();
    image->SetFrame(frame);
    if (!image->LoadFile(in.c_str(), CliTypeOfPath(in))) {
      std::fprintf(stderr, "glimmerbox-cli pages: %s: %s\n", in.c_str(),
                   *image->LastError() ? CliPlainError(image->LastError()).c_str() : "cannot be read");
      return 1;
    }
    CliReportWarning(*image, in);
    if (args.has("quality")) image->SetJpegQuality(uint8_t(quality));
    if (args.has("option")) image->SetCodecOption(uint32_t(option), outType);
    if (outType == GB_TYPE_GIF) {
      if (image->BitsPerPixel() > 8) {
        std::fprintf(stderr,
                     "glimmerbox-cli pages: %s: a frame of an animated GIF must be a palette picture "
                     "of 8 bits or fewer; reduce it first, e.g. convert --op \"DecreaseBpp 8 1\"\n",
                     in.c_str());
        return 1;
      }
      image->SetFrameDelay(uint32_t(delay));
    }
    pages.push_back(image.get());
    images.push_back(std::move(image));
  }

  // The pages go straight into the temporary of a safe write; only a
  // complete file replaces what is at the path.
  GbSafeFile file(out);
  if (!file.IsOpen()) {
    std::fprintf(stderr, "glimmerbox-cli pages: %s\n", file.WriteError().c_str());
    return 1;
  }
  GbImageTIF tiff;
  GbImageGIF gif;
  GbImageCodec& writer = outType == GB_TYPE_GIF ? static_cast<GbImageCodec&>(gif) : tiff;
  bool encoded;
  if (outType == GB_TYPE_GIF) {
    gif.SetLoops(loops);
    gif.SetCodecOption(uint32_t(option), GB_TYPE_GIF);
    encoded = gif.Encode(&file, pages.data(), long(pages.size()), palettesDiffer(pages), false);
  } else {
    encoded = tiff.Encode(&file, pages.data(), int(pages.size()));
  }
  if (!file.WriteError().empty() || (encoded && !file.Commit())) {
    std::fprintf(stderr, "glimmerbox-cli pages: %s\n", file.WriteError().c_str());
    return 1;
  }
  if (!encoded) {
    std::fprintf(stderr, "glimmerbox-cli pages: %s: %s\n", out.c_str(),
                 *writer.LastError() ? CliPlainError(writer.LastError()).c_str() : "can't encode the pages");
    return 1;
  }
  std::printf("%s: %zu pages\n", out.c_str(), pages.size());
  return 0;
}

}  // namespace

GB_CLI_COMMAND("pages",
               "write several pictures as one multi-page TIFF (pages named \"Page 1\", \"Page 2\", ...) "
               "or one animated GIF",
               kUsage, {"frame=", "quality=", "option=", "delay=", "loops="}, runPages);
