// The metafile reader and its record player on arbitrary bytes: the probe,
// then playback onto a small picture (the records are what is under test;
// a full-size canvas would only make each run slower).
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzCheck.h"
#include "image/codecs/GbImageWMF.h"
#include "image/io/GbMemFile.h"

using gbfuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > size_t(INT32_MAX)) return 0;
  {
    GbMemFile stream(const_cast<uint8_t*>(data), int32_t(size));
    GbImageWMF probe;
    uint32_t width = 0, height = 0;
    if (probe.ProbeSize(&stream, width, height)) Require(!probe.HasPixels() && probe.Width() > 0 && probe.Height() > 0);
  }
  GbMemFile stream(const_cast<uint8_t*>(data), int32_t(size));
  GbImageWMF wmf;
  if (!wmf.Decode(&stream, 97, 61)) return 0;
  gbfuzz::CheckDecoded(wmf);
  Require(wmf.Width() == 97 && wmf.Height() == 61 && wmf.BitsPerPixel() == 24);
  return 0;
}
