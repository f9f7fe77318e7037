// "info": what the decoders make of each file, one line per file.
#include <cstdio>

#include "image/core/GbImage.h"
#include "tools/Cli.h"
#include "tools/CliImageFiles.h"

namespace {

int runInfo(const CliArgs& args) {
  if (args.positional().empty()) {
    std::fprintf(stderr, "usage: glimmerbox-cli info FILE... [--type N]\n");
    return 2;
  }
  long forced = 0;
  if (!args.intValue("type", forced, 0)) return 2;
  int failures = 0;
  for (const std::string& path : args.positional()) {
    GbImage image;
    const uint32_t type = args.has("type") ? uint32_t(forced) : CliTypeOfPath(path);
    if (!image.LoadFile(path.c_str(), type)) {
      std::fprintf(stderr, "%s: %s\n", path.c_str(), *image.LastError() ? image.LastError() : "cannot be read");
      ++failures;
      continue;
    }
    std::printf("%s: type=%u width=%u height=%u depth=%u palette=%u dpi=%dx%d frames=%ld alpha=%s background=%ld\n",
                path.c_str(), image.FileType(), image.Width(), image.Height(), image.BitsPerPixel(),
                image.PaletteEntryCount(), image.DpiX(), image.DpiY(), image.FrameCount(),
                image.AlphaPlane() ? "yes" : "no", image.BackgroundIndex());
    CliReportWarning(image, path);
  }
  return failures ? 1 : 0;
}

}  // namespace

GB_CLI_COMMAND("info", "describe image files: type, size, depth, palette, dpi, frames, alpha, background",
               "FILE... [--type N]", {"type="}, runInfo);
