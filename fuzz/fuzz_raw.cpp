// The camera raw reader (LibRaw over an in-memory copy of the stream) on
// arbitrary bytes: the probe and a full development.
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzCheck.h"
#include "image/codecs/GbImageRAW.h"
#include "image/io/GbMemFile.h"

using gbfuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > size_t(INT32_MAX)) return 0;
  {
    GbMemFile stream(const_cast<uint8_t*>(data), int32_t(size));
    GbImageRAW probe;
    uint32_t width = 0, height = 0;
    if (probe.ProbeSize(&stream, width, height)) Require(!probe.HasPixels());
  }
  GbMemFile stream(const_cast<uint8_t*>(data), int32_t(size));
  GbImageRAW raw;
  if (raw.Decode(&stream)) gbfuzz::CheckDecoded(raw);
  return 0;
}
