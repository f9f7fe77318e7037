// GIF code streams: the LZW decoder and the three ways of writing one (LZW,
// uncompressed, run-length), all on data sub-blocks of a GbFile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "image/io/GbFile.h"

// Reads the bytes of a run of data sub-blocks, ending at the empty block.
class GifBlockReader {
 public:
  explicit GifBlockReader(GbFile* stream) : f_(stream) {}
  // The next data byte; -1 at the terminator or when the stream runs out.
  int Next() {
    if (pos_ < len_) return buf_[pos_++];
    return Refill();
  }
  // Skips what is left of the sub-blocks, terminator included; false when
  // the stream ends first.
  bool SkipRest();
  bool Truncated() const { return truncated_; }

 private:
  int Refill();
  GbFile* f_;
  uint8_t buf_[255];
  int len_ = 0, pos_ = 0;
  bool ended_ = false, truncated_ = false;
};

struct GifDecodeResult {
  bool badCodes = false;   // codes beyond the table were met
  bool truncated = false;  // the data ran out before the end code
};

// Decodes a code stream of the given minimum code size (2..11) into rows of
// width indices, in stream order; row(k, indices) is called for each row k
// as it fills, and once for a last partial row (its rest holds fill).
// Stops at the end code, after height rows or when the data runs out.
GifDecodeResult GifDecodeCodeStream(GifBlockReader& in, int minCodeSize, uint32_t width, uint32_t height, uint8_t fill,
                                    const std::function<void(uint32_t, const uint8_t*)>& row);

enum GifCodeMode : uint32_t {
  GIF_LZW = 0,
  GIF_UNCOMPRESSED = 1,
  GIF_RUN_LENGTH = 2,
};

// Writes a whole image's data: the minimum code size byte, the code stream
// in sub-blocks and the terminator. row(t) returns the indices of row t,
// counted from the top. False when a write fails.
bool GifEncodeCodeStream(GbFile* stream, GifCodeMode mode, int minCodeSize, uint32_t width, uint32_t height,
                         const std::function<const uint8_t*(uint32_t)>& row);
