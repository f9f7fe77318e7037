// The MNG/JNG reader (libmng behind our stream, frame counting and canvas
// callbacks) on arbitrary bytes: the probe, the first and the last frame.
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzCheck.h"
#include "image/codecs/GbImageMNG.h"
#include "image/io/GbMemFile.h"

using gbfuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > size_t(INT32_MAX)) return 0;
  {
    GbMemFile stream(const_cast<uint8_t*>(data), int32_t(size));
    GbImageMNG probe;
    uint32_t width = 0, height = 0;
    if (probe.ProbeSize(&stream, width, height)) Require(!probe.HasPixels());
  }
  GbMemFile stream(const_cast<uint8_t*>(data), int32_t(size));
  GbImageMNG mng;
  if (!mng.Decode(&stream)) return 0;
  gbfuzz::CheckDecoded(mng);
  Require(mng.FrameCount() >= 1 && mng.HasAlpha());
  if (mng.FrameCount() > 1) {
    GbMemFile again(const_cast<uint8_t*>(data), int32_t(size));
    GbImageMNG last;
    last.SetFrame(mng.FrameCount() - 1);
    Require(last.Decode(&again));
    gbfuzz::CheckDecoded(last);
  }
  return 0;
}
