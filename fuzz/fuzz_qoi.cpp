// The QOI reader on arbitrary bytes, with its size probe; whatever it
// decodes must come back unchanged through its own writer.
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzCheck.h"
#include "image/codecs/GbImageQOI.h"
#include "image/io/GbMemFile.h"

using gbfuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > size_t(INT32_MAX)) return 0;
  uint8_t* bytes = const_cast<uint8_t*>(data);  // decoders only read
  {
    GbMemFile stream(bytes, int32_t(size));
    GbImageQOI probe;
    uint32_t width = 0, height = 0;
    if (probe.ProbeSize(&stream, width, height)) Require(!probe.HasPixels() && width > 0 && height > 0);
  }
  GbMemFile stream(bytes, int32_t(size));
  GbImageQOI decoded;
  if (!decoded.Decode(&stream)) return 0;
  gbfuzz::CheckDecoded(decoded);
  if (uint64_t(decoded.Width()) * decoded.Height() > (1u << 22)) return 0;
  GbMemFile out;
  Require(out.Open());
  Require(decoded.Encode(&out));
  GbMemFile in(out.GetBuffer(), out.Size());
  GbImageQOI again;
  Require(again.Decode(&in));
  Require(again.Width() == decoded.Width() && again.Height() == decoded.Height());
  Require(again.HasAlpha() == decoded.HasAlpha());
  for (long y = 0; y < long(decoded.Height()); ++y)
    for (long x = 0; x < long(decoded.Width()); ++x) {
      const RGBQUAD p = decoded.ReadPixelColor(x, y), q = again.ReadPixelColor(x, y);
      Require(p.rgbRed == q.rgbRed && p.rgbGreen == q.rgbGreen && p.rgbBlue == q.rgbBlue &&
              p.rgbReserved == q.rgbReserved);
    }
  return 0;
}
