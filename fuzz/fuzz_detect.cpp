// Format detection over arbitrary bytes: the dispatch hands the same stream
// to every registered decoder in turn, so this one target reaches them all,
// exactly as opening a file of unknown type does.
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzCheck.h"
#include "image/core/GbImage.h"
#include "image/io/GbMemFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > size_t(INT32_MAX)) return 0;
  {
    // Decoders only read, so the input block is never written through the stream.
    GbMemFile stream(const_cast<uint8_t*>(data), int32_t(size));
    GbImage image;
    if (image.Decode(&stream, GB_TYPE_UNKNOWN)) gbfuzz::CheckDecoded(image);
  }
  {
    // The dimension probe takes its own early path through each decoder.
    GbMemFile stream(const_cast<uint8_t*>(data), int32_t(size));
    GbImage image;
    uint32_t width = 0, height = 0;
    image.ProbeSize(&stream, GB_TYPE_UNKNOWN, width, height);
  }
  return 0;
}
