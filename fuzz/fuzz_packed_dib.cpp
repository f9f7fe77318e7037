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
  // A run-length header may claim a blank picture of up to 256 MB from a
  // few bytes, which is allowed and covered by the huge-header test; here it
  // would only spend the run on clearing memory.
  if (size >= 12) {
    const auto le32 = [&](size_t at) {
      return int32_t(uint32_t(data[at]) | uint32_t(data[at + 1]) << 8 | uint32_t(data[at + 2]) << 16 |
                     uint32_t(data[at + 3]) << 24);
    };
    const int64_t w = le32(4), h = le32(8);
    if (uint64_t(w < 0 ? -w : w) * uint64_t(h < 0 ? -h : h) > (uint64_t(1) << 24)) return 0;
  }
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
