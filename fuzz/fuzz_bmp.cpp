// The BMP reader on arbitrary bytes, then a round trip: whatever it decoded
// must survive being written and read back with the same pixels, since BMP
// is the form projects and the clipboard store pictures in.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fuzz/FuzzCheck.h"
#include "image/codecs/GbImageBMP.h"
#include "image/io/GbMemFile.h"

using gbfuzz::Require;

namespace {

void CheckRoundTrip(GbImageBMP& decoded) {
  GbMemFile out;
  Require(out.Open());
  Require(decoded.Encode(&out));
  GbMemFile in(out.GetBuffer(), out.Size());
  GbImageBMP again;
  Require(again.Decode(&in));
  Require(again.Width() == decoded.Width() && again.Height() == decoded.Height());
  Require(again.BitsPerPixel() == decoded.BitsPerPixel());
  const long width = decoded.Width(), height = decoded.Height();
  // An all-zero alpha plane reads back opaque (the reader's rule for 32-bit
  // files), so alpha is compared only when some pixel is not transparent.
  bool alphaUsed = false;
  if (decoded.HasAlpha() && decoded.PaletteEntryCount() == 0) {
    const uint8_t* a = decoded.AlphaPlane();
    for (size_t i = 0; i < size_t(width) * height && !alphaUsed; ++i) alphaUsed = a[i] != 0;
  }
  for (long y = 0; y < height; ++y)
    for (long x = 0; x < width; ++x) {
      const RGBQUAD p = decoded.ReadPixelColor(x, y, false);
      const RGBQUAD q = again.ReadPixelColor(x, y, false);
      Require(p.rgbRed == q.rgbRed && p.rgbGreen == q.rgbGreen && p.rgbBlue == q.rgbBlue);
      if (alphaUsed) Require(decoded.ReadAlpha(x, y) == again.ReadAlpha(x, y));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > size_t(INT32_MAX)) return 0;
  {
    // The dimension probe stops after the header.
    GbMemFile stream(const_cast<uint8_t*>(data), int32_t(size));
    GbImageBMP probe;
    uint32_t width = 0, height = 0;
    if (probe.ProbeSize(&stream, width, height)) Require(!probe.HasPixels());
  }
  GbMemFile stream(const_cast<uint8_t*>(data), int32_t(size));
  GbImageBMP bmp;
  if (!bmp.Decode(&stream)) return 0;
  gbfuzz::CheckDecoded(bmp);
  // Huge blank pictures (a few RLE bytes can make one) would only slow the
  // run down pixel by pixel; their reading is what matters.
  if (uint64_t(bmp.Width()) * bmp.Height() <= 1u << 22) CheckRoundTrip(bmp);
  return 0;
}
