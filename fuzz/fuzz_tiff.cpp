// The TIFF reader on arbitrary bytes (first two pages, and the dimension
// probe), then a lossless round trip of what it decoded through the writer.
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzCheck.h"
#include "image/codecs/GbImageTIF.h"
#include "image/io/GbMemFile.h"

using gbfuzz::Require;

namespace {

bool SameColour(const RGBQUAD& p, const RGBQUAD& q) {
  return p.rgbRed == q.rgbRed && p.rgbGreen == q.rgbGreen && p.rgbBlue == q.rgbBlue;
}

void CheckRoundTrip(GbImageTIF& decoded) {
  const uint32_t bpp = decoded.BitsPerPixel();
  decoded.SetCodecOption(5, GB_TYPE_TIF);  // LZW: nothing may change
  GbMemFile out;
  Require(out.Open());
  Require(decoded.Encode(&out));
  GbMemFile in(out.GetBuffer(), out.Size());
  GbImageTIF again;
  Require(again.Decode(&in));
  Require(again.Width() == decoded.Width() && again.Height() == decoded.Height());
  // 1-bit pages are written black on white whatever their palette.
  if (bpp == 1) return;
  Require(again.BitsPerPixel() == bpp);
  for (long y = 0; y < long(decoded.Height()); ++y)
    for (long x = 0; x < long(decoded.Width()); ++x) {
      const uint8_t alpha = decoded.HasAlpha() ? decoded.ReadAlpha(x, y) : 255;
      if (decoded.HasAlpha()) Require(again.ReadAlpha(x, y) == alpha);
      // Colours under partial alpha go through libtiff's premultiplication.
      if (alpha == 255 || bpp == 8)
        Require(SameColour(decoded.ReadPixelColor(x, y, false), again.ReadPixelColor(x, y, false)));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > size_t(INT32_MAX)) return 0;
  uint8_t* bytes = const_cast<uint8_t*>(data);  // decoders only read
  uint64_t pixels;
  {
    GbMemFile stream(bytes, int32_t(size));
    GbImageTIF probe;
    uint32_t width = 0, height = 0;
    if (!probe.ProbeSize(&stream, width, height)) return 0;
    pixels = uint64_t(probe.Width()) * probe.Height();
  }
  // Huge blank pages (a few bytes of fax code can make one) only slow the
  // run down; their headers have been read.
  if (pixels > (1u << 24)) return 0;
  for (long frame = 0; frame < 2; ++frame) {
    GbMemFile stream(bytes, int32_t(size));
    GbImageTIF tif;
    tif.SetFrame(frame);
    if (!tif.Decode(&stream)) continue;
    gbfuzz::CheckDecoded(tif);
    if (frame == 0 && pixels <= (1u << 20)) CheckRoundTrip(tif);
  }
  return 0;
}
