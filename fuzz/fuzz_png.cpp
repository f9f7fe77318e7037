// The PNG reader on arbitrary bytes (the dimension probe, then a decode),
// then a round trip through the writer: PNG is lossless, so every colour and
// alpha value must come back.
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzCheck.h"
#include "image/codecs/GbImagePNG.h"
#include "image/io/GbMemFile.h"

using gbfuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > size_t(INT32_MAX)) return 0;
  uint8_t* bytes = const_cast<uint8_t*>(data);  // decoders only read
  {
    GbMemFile stream(bytes, int32_t(size));
    GbImagePNG probe;
    uint32_t width = 0, height = 0;
    if (!probe.ProbeSize(&stream, width, height)) return 0;
    if (uint64_t(probe.Width()) * probe.Height() > (1u << 22)) return 0;
  }
  GbMemFile stream(bytes, int32_t(size));
  GbImagePNG png;
  if (!png.Decode(&stream)) return 0;
  gbfuzz::CheckDecoded(png);

  GbMemFile out;
  Require(out.Open());
  Require(png.Encode(&out));
  GbMemFile in(out.GetBuffer(), out.Size());
  GbImagePNG again;
  Require(again.Decode(&in));
  Require(again.Width() == png.Width() && again.Height() == png.Height());
  Require(again.HasAlpha() == png.HasAlpha());
  for (long y = 0; y < long(png.Height()); ++y)
    for (long x = 0; x < long(png.Width()); ++x) {
      const RGBQUAD p = png.ReadPixelColor(x, y, true), q = again.ReadPixelColor(x, y, true);
      Require(p.rgbRed == q.rgbRed && p.rgbGreen == q.rgbGreen && p.rgbBlue == q.rgbBlue);
      if (png.HasAlpha()) Require(p.rgbReserved == q.rgbReserved);
    }
  return 0;
}
