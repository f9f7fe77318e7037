// "pixels": opens a picture the way the program does and writes what it
// decoded as a PAM (RGBA, top row first), so outside tools can compare the
// pixels with other decoders without going through any of our encoders.
#include <cstdio>
#include <memory>
#include <string>

#include "image/codecs/CodecRegistry.h"
#include "image/core/GbImage.h"
#include "platform/SafeWrite.h"
#include "tools/Cli.h"
#include "tools/CliImageFiles.h"

namespace {

// Opacity as the engine sees it: the colour key first, then the alpha plane,
// then palette alpha where the codec enabled it.
uint8_t opacityAt(const GbImage& image, long x, long y) {
  if (image.IsTransparentAt(x, y)) return 0;
  if (image.HasAlpha()) return image.ReadAlpha(x, y);
  if (image.PaletteEntryCount() && image.PaletteAlphaEnabled())
    return image.PaletteColor(image.ReadPixelIndex(x, y)).rgbReserved;
  return 255;
}

// Rows go to standard output ("-") or to a file that replaces OUT only when
// complete.
bool writePam(const GbImage& image, const std::string& path, std::string& why) {
  const bool toStdout = path == "-";
  std::unique_ptr<gbfile::SafeWriter> file;
  if (!toStdout) file = std::make_unique<gbfile::SafeWriter>(path);
  auto put = [&](const void* data, size_t size) {
    return toStdout ? std::fwrite(data, 1, size, stdout) == size : file->Write(data, size);
  };
  const long width = image.Width(), height = image.Height();
  const std::string head = "P7\nWIDTH " + std::to_string(width) + "\nHEIGHT " + std::to_string(height) +
                           "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
  std::unique_ptr<uint8_t[]> row(new uint8_t[size_t(width) * 4]);
  bool ok = put(head.data(), head.size());
  for (long y = height - 1; y >= 0 && ok; --y) {
    for (long x = 0; x < width; ++x) {
      const RGBQUAD c = image.ReadPixelColor(x, y, false);
      uint8_t* p = &row[size_t(x) * 4];
      p[0] = c.rgbRed;
      p[1] = c.rgbGreen;
      p[2] = c.rgbBlue;
      p[3] = opacityAt(image, x, y);
    }
    ok = put(row.get(), size_t(width) * 4);
  }
  if (toStdout) {
    ok = std::fflush(stdout) == 0 && ok;
    if (!ok) why = "cannot write to standard output";
    return ok;
  }
  ok = ok && file->Commit();
  if (!ok) why = file->Error();
  return ok;
}

int runPixels(const CliArgs& args) {
  if (args.has("codecs")) {
    // The type ids that have a registered codec, for scripts that skip the rest.
    for (uint32_t t = 1; t < GB_TYPE_COUNT; ++t)
      if (GbHasCodec(t)) std::printf("%u\n", t);
    return 0;
  }
  if (args.positional().size() != 2) {
    std::fprintf(stderr, "usage: glimmerbox-cli pixels IN OUT.pam [--type N] [--frame N] [--max-pixels N]\n");
    return 2;
  }
  const std::string in = args.positional()[0], out = args.positional()[1];
  long type = 0, frame = 0, maxPixels = 0;
  if (!args.intValue("type", type, CliTypeOfPath(in)) || !args.intValue("frame", frame, 0) ||
      !args.intValue("max-pixels", maxPixels, 0))
    return 2;
  GbImage image;
  image.SetFrame(frame);
  if (!image.LoadFile(in.c_str(), uint32_t(type))) {
    std::fprintf(stderr, "glimmerbox-cli pixels: %s: %s\n", in.c_str(), CliPlainError(image.LastError()).c_str());
    return 1;
  }
  CliReportWarning(image, in);
  // A caller that cannot take gigabytes of RGBA (a bomb read literally) sets
  // a limit; exit 3 tells it the picture decoded but was not written.
  if (maxPixels > 0 && uint64_t(image.Width()) * image.Height() > uint64_t(maxPixels)) {
    std::fprintf(stderr, "glimmerbox-cli pixels: %s: decoded %u x %u, more than --max-pixels\n", in.c_str(),
                 image.Width(), image.Height());
    return 3;
  }
  if (std::string why; !writePam(image, out, why)) {
    std::fprintf(stderr, "glimmerbox-cli pixels: %s\n", why.c_str());
    return 1;
  }
  if (out != "-")
    std::printf("%s: type %u, %u x %u, %u bits%s, %ld frames\n", in.c_str(), image.FileType(), image.Width(),
                image.Height(), image.BitsPerPixel(), image.HasAlpha() ? " + alpha" : "", image.FrameCount());
  return 0;
}

}  // namespace

GB_CLI_COMMAND("pixels", "decode a picture and write its pixels as a PAM (RGBA, top row first)",
               "IN OUT.pam [--type N] [--frame N] [--max-pixels N] | --codecs",
               {"codecs", "type=", "frame=", "max-pixels="}, runPixels);
