// glimmerbox-starterart OUTDIR: draws the starter frames, masks, base maps and
// backgrounds into OUTDIR/Frame, Mask, BaseMap and Background (PNG when the
// PNG codec is built, else BMP). The shipped files in assets/starter are its
// output.
#include <cstdio>
#include <filesystem>
#include <string>

#include "compose/starter/StarterArt.h"
#include "image/codecs/CodecRegistry.h"

namespace {

int Write(const std::string& folder, const std::vector<starter::StarterPicture>& pictures) {
  std::filesystem::create_directories(folder);
  const bool png = GbHasCodec(GB_TYPE_PNG);
  int failed = 0;
  for (const auto& p : pictures) {
    GbImage image;
    const std::string path = folder + "/" + p.name + (png ? ".png" : ".bmp");
    if (!p.canvas.ToImage(image, p.key) || !image.SaveFile(path.c_str(), png ? GB_TYPE_PNG : GB_TYPE_BMP)) {
      std::fprintf(stderr, "glimmerbox-starterart: %s: %s\n", path.c_str(), image.LastError());
      ++failed;
      continue;
    }
    std::printf("%s\n", path.c_str());
  }
  return failed;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: glimmerbox-starterart OUTDIR\n");
    return 2;
  }
  const std::string out = argv[1];
  int failed = Write(out + "/Frame", starter::StarterFrames());
  failed += Write(out + "/Mask", starter::StarterMasks());
  failed += Write(out + "/BaseMap", starter::StarterBaseMaps());
  failed += Write(out + "/Background", starter::StarterBackgrounds());
  return failed ? 1 : 0;
}
