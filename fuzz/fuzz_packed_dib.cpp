// Packed DIBs from the clipboard (global memory blocks) on arbitrary bytes.
// BMP files serve as seeds: their 14-byte file header is skipped, leaving
// the packed DIB the clipboard would carry.
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzCheck.h"
#include "image/core/GbImage.h"
#include "platform/gdi/GlobalMemory.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size >= 14 && data[0] == 'B' && data[1] == 'M') data += 14, size -= 14;
  HGLOBAL block = GlobalFromBytes(data, size);
  if (!block) return 0;
  GbImage img;
  const bool ok = img.CreateFromGlobalDib(block);
  GlobalFree(block);
  if (!ok) {
    gbfuzz::Require(!img.HasPixels());
    return 0;
  }
  gbfuzz::Require(img.AlphaPlane() == nullptr);
  // A few run-length bytes can describe a huge blank picture; reading all
  // of it back would only slow the run down.
  if (uint64_t(img.Width()) * img.Height() <= (1u << 22)) gbfuzz::CheckDecoded(img);
  return 0;
}
