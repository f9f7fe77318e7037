// The TGA, PCX, WBMP and SKA readers on the same arbitrary bytes, each with
// its dimension probe; whatever one decodes must survive its own writer.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "fuzz/FuzzCheck.h"
#include "image/codecs/GbImagePCX.h"
#include "image/codecs/GbImageSKA.h"
#include "image/codecs/GbImageTGA.h"
#include "image/codecs/GbImageWBMP.h"
#include "image/io/GbMemFile.h"

using gbfuzz::Require;

namespace {

template <class Codec>
void Exercise(uint8_t* bytes, size_t size, bool canWrite(const GbImage&)) {
  {
    GbMemFile stream(bytes, int32_t(size));
    Codec probe;
    uint32_t width = 0, height = 0;
    probe.ProbeSize(&stream, width, height);
  }
  GbMemFile stream(bytes, int32_t(size));
  Codec decoded;
  if (!decoded.Decode(&stream)) return;
  gbfuzz::CheckDecoded(decoded);
  if (uint64_t(decoded.Width()) * decoded.Height() > (1u << 22) || !canWrite(decoded)) return;
  GbMemFile out;
  Require(out.Open());
  Require(decoded.Encode(&out));
  GbMemFile in(out.GetBuffer(), out.Size());
  Codec again;
  Require(again.Decode(&in));
  Require(again.Width() == decoded.Width() && again.Height() == decoded.Height());
  for (long y = 0; y < long(decoded.Height()); ++y)
    for (long x = 0; x < long(decoded.Width()); ++x) {
      const RGBQUAD p = decoded.ReadPixelColor(x, y, false), q = again.ReadPixelColor(x, y, false);
      Require(p.rgbRed == q.rgbRed && p.rgbGreen == q.rgbGreen && p.rgbBlue == q.rgbBlue);
    }
}

bool any(const GbImage&) { return true; }
bool tgaWritable(const GbImage& img) { return img.BitsPerPixel() >= 8; }
// 1-bit PCX files are black and white; other two-colour palettes are not kept.
bool pcxWritable(const GbImage& img) {
  if (img.BitsPerPixel() != 1) return true;
  const RGBQUAD a = img.PaletteColor(0), b = img.PaletteColor(1);
  const auto grey = [](const RGBQUAD& c, uint8_t v) { return c.rgbRed == v && c.rgbGreen == v && c.rgbBlue == v; };
  return (grey(a, 0) && grey(b, 255)) || (grey(a, 255) && grey(b, 0));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > size_t(INT32_MAX)) return 0;
  uint8_t* bytes = const_cast<uint8_t*>(data);  // decoders only read
  Exercise<GbImageTGA>(bytes, size, tgaWritable);
  Exercise<GbImagePCX>(bytes, size, pcxWritable);
  Exercise<GbImageWBMP>(bytes, size, any);
  Exercise<GbImageSKA>(bytes, size, any);
  return 0;
}
