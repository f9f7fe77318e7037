// "pages": several pictures written as one multi-page TIFF, in the order
// given; a multi-page input contributes the page chosen by --frame.
// Nothing is written when any input fails.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "image/codecs/GbImageTIF.h"
#include "image/core/GbImage.h"
#include "image/io/GbIOFile.h"
#include "image/io/GbMemFile.h"
#include "tools/Cli.h"
#include "tools/CliImageFiles.h"

namespace {

constexpr const char* kUsage = "OUT.tif IN... [--frame N] [--quality Q] [--option N]";

int runPages(const CliArgs& args) {
  if (args.positional().size() < 2) {
    std::fprintf(stderr, "usage: glimmerbox-cli pages %s\n", kUsage);
    return 2;
  }
  const std::string out = args.positional()[0];
  if (CliTypeOfPath(out) != GB_TYPE_TIF) {
    std::fprintf(stderr, "glimmerbox-cli pages: %s: the output must be a .tif file\n", out.c_str());
    return 2;
  }
  long frame = 0, quality = 0, option = 0;
  if (!args.intValue("frame", frame, 0) || !args.intValue("quality", quality, -1) ||
      !args.intValue("option", option, 0))
    return 2;
  if (args.has("quality") && (quality < 0 || quality > 100)) {
    std::fprintf(stderr, "glimmerbox-cli pages: --quality must be 0 to 100\n");
    return 2;
  }

  std::vector<std::unique_ptr<GbImage>> images;
  std::vector<GbImage*> pages;
  for (size_t i = 1; i < args.positional().size(); ++i) {
    const std::string& in = args.positional()[i];
    auto image = std::make_unique<GbImage>();
    image->SetFrame(frame);
    if (!image->LoadFile(in.c_str(), CliTypeOfPath(in))) {
      std::fprintf(stderr, "glimmerbox-cli pages: %s: %s\n", in.c_str(),
                   *image->LastError() ? image->LastError() : "cannot be read");
      return 1;
    }
    if (args.has("quality")) image->SetJpegQuality(uint8_t(quality));
    if (args.has("option")) image->SetCodecOption(uint32_t(option), GB_TYPE_TIF);
    pages.push_back(image.get());
    images.push_back(std::move(image));
  }

  GbMemFile memory;
  GbImageTIF writer;
  if (!memory.Open() || !writer.Encode(&memory, pages.data(), int(pages.size()))) {
    std::fprintf(stderr, "glimmerbox-cli pages: %s: %s\n", out.c_str(),
                 *writer.LastError() ? writer.LastError() : "can't allocate memory");
    return 1;
  }
  GbIOFile file;
  const size_t size = size_t(memory.Size());
  if (!file.Open(out.c_str(), "wb") || file.Write(memory.GetBuffer(), 1, size) != size || !file.Flush() ||
      !file.Close()) {
    std::fprintf(stderr, "glimmerbox-cli pages: %s: cannot write the file\n", out.c_str());
    return 1;
  }
  std::printf("%s: %zu pages\n", out.c_str(), pages.size());
  return 0;
}

}  // namespace

GB_CLI_COMMAND("pages", "write several pictures as one multi-page TIFF, pages named \"Page 1\", \"Page 2\", ...",
               kUsage, {}, runPages);
